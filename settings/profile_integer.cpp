#include "settings/profile_integer.h"

#include <climits>

namespace fellridge::settings::profile {

std::int32_t parseInteger(std::string_view text, std::int32_t fallback) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    if (text.empty()) return fallback;

    std::string_view hex;
    bool isHex = false;
    if (text.front() == '$' || text.front() == 'x' || text.front() == 'X') {
        hex = text.substr(1);
        isHex = true;
    } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hex = text.substr(2);
        isHex = true;
    }
    if (isHex) {
        if (hex.empty()) return fallback;
        std::uint64_t value = 0;
        for (char c : hex) {
            int digit;
            if (c >= '0' && c <= '9') {
                digit = c - '0';
            } else if (c >= 'a' && c <= 'f') {
                digit = c - 'a' + 10;
            } else if (c >= 'A' && c <= 'F') {
                digit = c - 'A' + 10;
            } else {
                return fallback;
            }
            value = value * 16 + static_cast<std::uint64_t>(digit);
            if (value > 0xFFFFFFFFu) return fallback;
        }
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }

    bool negative = false;
    if (text.front() == '-' || text.front() == '+') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return fallback;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return fallback;
        value = value * 10 + (c - '0');
        if (value > std::int64_t{INT32_MAX} + 1) return fallback;
    }
    if (negative) return static_cast<std::int32_t>(-value);
    if (value > INT32_MAX) return fallback;
    return static_cast<std::int32_t>(value);
}

}  // namespace fellridge::settings::profile
