#include "platform/x11/window_id.h"

#include <charconv>

namespace fellridge::platform {

namespace {

// X gives its resource ids 29 bits; the top three are always clear.
constexpr std::uint64_t kLargestId = 0x1FFFFFFF;

}  // namespace

std::optional<std::uint32_t> parseWindowId(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value == 0 || value > kLargestId) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

}  // namespace fellridge::platform
