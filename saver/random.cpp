#include "saver/random.h"

namespace fellridge::saver {

void RandomDraw::reseed() {
    const platform::TimeOfDay t = clock_.utcNow();
    seed_ = static_cast<std::uint32_t>(((t.hour * 60 + t.minute) * 60 + t.second) * 1000 +
                                       t.millisecond);
}

std::uint32_t RandomDraw::draw(std::uint32_t n) {
    seed_ = seed_ * 134775813u + 1u;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(n) * seed_) >> 32);
}

}  // namespace fellridge::saver
