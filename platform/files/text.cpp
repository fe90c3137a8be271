#include "platform/files/text.h"

namespace fellridge::platform::text {

std::string upperAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = upperAscii(c);
    return result;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i])) return false;
    }
    return true;
}

std::string_view trim(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string joinPath(std::string_view directory, std::string_view name) {
    if (directory.empty()) return std::string(name);
    // However many slashes the directory ends with; the root stays the root.
    const std::size_t end = directory.find_last_not_of('/');
    std::string path(directory.substr(0, end == std::string_view::npos ? 0 : end + 1));
    path += '/';
    path += name;
    return path;
}

}  // namespace fellridge::platform::text
