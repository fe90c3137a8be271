// The sound loading path under arbitrary bytes: the header check, then the sound library's
// loader from memory and a short stretch of decoding, pulled by hand (never in real time). Shared
// by the libFuzzer target and the seed-corpus test that every build runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fellridge::fuzz {

// Opens the sound library's device once, the one of fake_audio.h. "" when it is open, else the
// reason.
std::string openFuzzAudio();

// Runs one input as a sound file's content: checks its header and, when the check passes, loads
// it from memory and decodes its first fifth of a second. Returns what went wrong ("" when
// nothing did); a crash or hang inside the library is the fuzzer's own finding.
std::string checkSoundInput(const std::uint8_t* data, std::size_t size);

}  // namespace fellridge::fuzz
