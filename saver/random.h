// The random draw shared by the picture library, the animation modes and the sound.
#pragma once

#include <cstdint>

#include "platform/services.h"

namespace fellridge::saver {

class RandomDraw {
  public:
    explicit RandomDraw(platform::Clock& clock) : clock_(clock) {}
    // seed = ((hour * 60 + minute) * 60 + second) * 1000 + millisecond of the UTC time now.
    void reseed();
    // seed = seed * 134775813 + 1 (mod 2^32); returns the upper 32 bits of n * seed: a value in
    // 0 .. n - 1, 0 when n is 0.
    std::uint32_t draw(std::uint32_t n);
    void setSeed(std::uint32_t seed) { seed_ = seed; }
    std::uint32_t seed() const { return seed_; }

  private:
    platform::Clock& clock_;
    std::uint32_t seed_ = 0;
};

}  // namespace fellridge::saver
