// The X window id a screen-saver daemon hands its saver in XSCREENSAVER_WINDOW.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace fellridge::platform {

// An X window id as the daemons write it: "0x" (or "0X") and hex digits, or decimal digits. Not
// an id: anything else, 0, and values beyond the 29 bits X gives its ids.
std::optional<std::uint32_t> parseWindowId(std::string_view text);

}  // namespace fellridge::platform
