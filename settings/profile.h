// A private-profile (INI) file: sections in square brackets, "key=value" lines.
//
// Section and key names match without regard to case (the letters a to z only); the first
// section of a name counts, and the first key of a name in it. Writing keeps every line it does
// not change byte for byte: an existing key is replaced in its line, a new key goes after the
// last non-blank line of its section, a missing section is appended at the end of the file.
// Lines end in LF when written; LF and CRLF are read.
//
// These functions work on a file's content in memory and never touch the disk (profile_file.h
// reads and writes the file).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fellridge::settings::profile {

// Longest text a read returns; longer values are cut to this many characters.
inline constexpr std::size_t kMaxValueLength = 2047;

// One key to write.
struct Entry {
    std::string section;
    std::string key;
    std::string value;
};

// The value of the key as a reader sees it (blanks around it and one pair of surrounding double
// quotes dropped, cut to kMaxValueLength), or nullopt when the section or key is missing.
std::optional<std::string> lookup(std::string_view content, std::string_view section,
                                  std::string_view key);

// Several keys of one section in one pass; result i belongs to keys[i].
std::vector<std::optional<std::string>> lookupMany(std::string_view content,
                                                   std::string_view section,
                                                   const std::vector<std::string>& keys);

// The content after writing the entries in order (a later entry for the same key wins).
// Values are stored so that lookup gives them back unchanged: a value with blanks at either end,
// or one that is itself wrapped in double quotes, is written inside a pair of quotes.
// Values must not contain CR or LF (see canStore).
std::string applyWrites(std::string_view content, const std::vector<Entry>& entries);

// True when the text fits on one line of the file (no CR, no LF).
bool canStore(std::string_view text);

}  // namespace fellridge::settings::profile
