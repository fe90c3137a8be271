// HKEY_CURRENT_USER read from a registry export text file.
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Control Panel\desktop]
//   "ScreenSaveUsePassword"=dword:00000001
//   "Wallpaper"="some text"
//
// Key and value names compare without regard to case. Anything that isn't such a file (another
// first line, a file too large to be one) holds no keys.
#include "platform/files/registry_file.h"

#include <charconv>
#include <cstdlib>
#include <sstream>

#include "platform/files/files.h"
#include "platform/files/text.h"

namespace fellridge::platform {

namespace {

constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;
constexpr const char* kRoot = "HKEY_CURRENT_USER";

using text::upperAscii;

// Blanks and the CR of a CRLF line end.
std::string trim(const std::string& line) {
    return std::string(text::trim(line, " \t\r"));
}

// Reads a quoted string starting at text[pos] == '"'; handles \\ and \" escapes. On success pos
// is left just past the closing quote.
std::optional<std::string> quoted(const std::string& text, std::size_t& pos) {
    if (pos >= text.size() || text[pos] != '"') return std::nullopt;
    std::string out;
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '\\' && pos + 1 < text.size()) {
            out += text[++pos];
        } else if (c == '"') {
            ++pos;
            return out;
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

struct Lookup {
    bool keyFound = false;
    std::optional<Registry::Value> value;
};

// One pass over the file for the key (and, when name is given, the value in it).
Lookup lookup(const std::string& path, const std::string& key, const std::string* name) {
    Lookup result;
    // A FIFO or device in the file's place is no registry: it would block the first key or
    // never end. Such a file, or one too large to be an export, holds no keys.
    const auto bytes = files::readRegular(path, kMaxFileSize);
    if (!bytes) return result;
    std::istringstream in(std::string(bytes->begin(), bytes->end()));

    std::string line;
    if (!std::getline(in, line)) return result;
    if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    line = trim(line);
    if (line != "REGEDIT4" && line != "Windows Registry Editor Version 5.00") return result;

    const std::string wanted = upperAscii(std::string(kRoot) + "\\" + key);
    const std::string wantedName = name ? upperAscii(*name) : std::string();
    bool inKey = false;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const auto close = line.rfind(']');
            inKey = close != std::string::npos && upperAscii(line.substr(1, close - 1)) == wanted;
            if (inKey) result.keyFound = true;
            continue;
        }
        if (!inKey || !name) continue;
        std::size_t pos = 0;
        const auto valueName = quoted(line, pos);
        if (!valueName || upperAscii(*valueName) != wantedName) continue;
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size() || line[pos] != '=') continue;
        const std::string data = trim(line.substr(pos + 1));
        Registry::Value value;
        if (upperAscii(data.substr(0, 6)) == "DWORD:") {
            const std::string digits = data.substr(6);
            char* end = nullptr;
            const unsigned long long number = std::strtoull(digits.c_str(), &end, 16);
            if (!digits.empty() && digits.size() <= 8 && end && *end == '\0') {
                value.isDword = true;
                value.dword = static_cast<std::uint32_t>(number);
            }
        } else if (std::size_t at = 0; auto text = quoted(data, at)) {
            value.text = *text;
        } else {
            value.text = data;
        }
        result.value = value;
        return result;  // the first value of that name counts
    }
    return result;
}

std::string defaultPath() {
    if (const char* path = std::getenv("FELLRIDGE_REGISTRY"); path && *path) return path;
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
        base = config;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = text::joinPath(home, ".config");
    } else {
        return {};
    }
    return text::joinPath(base, "fellridge-wildlife/user.reg");
}

}  // namespace

FileRegistry::FileRegistry() : path_(defaultPath()) {}

bool FileRegistry::keyExists(const std::string& key) {
    return !path_.empty() && lookup(path_, key, nullptr).keyFound;
}

std::optional<Registry::Value> FileRegistry::value(const std::string& key,
                                                   const std::string& name) {
    if (path_.empty()) return std::nullopt;
    return lookup(path_, key, &name).value;
}

bool registryFlagSet(const Registry::Value& value) {
    if (value.isDword) return value.dword != 0;
    const std::string_view number = text::trim(value.text);
    long long parsed = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), parsed);
    if (error == std::errc() && end == number.data() + number.size()) return parsed != 0;
    return true;
}

}  // namespace fellridge::platform
