// The sound loading path under arbitrary bytes: the header check, then the sound library's
// loader from memory and a short stretch of decoding. Shared by the libFuzzer target and the
// seed-corpus test that every build runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fellridge::fuzz {

// Opens the audio device once, on SDL's disk driver writing to /dev/null as fast as it can
// (unless SDL_AUDIODRIVER names another). "" when it is open, else the reason.
std::string openFuzzAudio();

// Runs one input as a sound file's content: checks its header and, when the check passes, loads
// it from memory and plays it for up to playMilliseconds. Returns what went wrong ("" when
// nothing did); a crash or hang inside the library is the fuzzer's own finding.
std::string checkSoundInput(const std::uint8_t* data, std::size_t size, int playMilliseconds = 20);

}  // namespace fellridge::fuzz
