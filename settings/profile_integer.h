// Integers as the settings file stores them.
#pragma once

#include <cstdint>
#include <string_view>

namespace fellridge::settings::profile {

// Reads a signed 32-bit integer: optional leading blanks, then either an optional sign and
// decimal digits, or a hexadecimal number after "$", "x", "X", "0x" or "0X" of at most 32 bits
// taken as signed. Anything else, or a decimal outside the 32-bit range, gives the fallback.
std::int32_t parseInteger(std::string_view text, std::int32_t fallback);

}  // namespace fellridge::settings::profile
