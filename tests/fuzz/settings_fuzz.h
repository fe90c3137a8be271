// The settings reader and writer under arbitrary bytes: shared by the libFuzzer target and the
// seed-corpus test that every build runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fellridge::fuzz {

// Runs one input through the profile functions and returns what went wrong ("" when nothing
// did). The input is a settings file's content; its last bytes also choose a value to write.
std::string checkSettingsInput(const std::uint8_t* data, std::size_t size);

}  // namespace fellridge::fuzz
