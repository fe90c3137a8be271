// A private-profile (INI) file: sections in square brackets, "key=value" lines.
//
// Section and key names match without regard to case (the letters a to z only); the first
// section of a name counts, and the first key of a name in it. Writing keeps every line it does
// not change byte for byte: an existing key is replaced in its line, a new key goes after the
// last non-blank line of its section, a missing section is appended at the end of the file.
// Lines end in LF when written; LF and CRLF are read.
//
// The text functions work on a file's content in memory and never touch the disk; the file
// functions below them do one access each (open, work, close).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fellridge::settings::profile {

// Files larger than this are treated as unreadable when read and refused when written: the
// settings file is a few kilobytes, and this bounds the work done on a stray large file.
inline constexpr std::size_t kMaxFileSize = 16u << 20;

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

// Reads a signed 32-bit integer: optional leading blanks, then either an optional sign and
// decimal digits, or a hexadecimal number after "$", "x", "X", "0x" or "0X" of at most 32 bits
// taken as signed. Anything else, or a decimal outside the 32-bit range, gives the fallback.
std::int32_t parseInteger(std::string_view text, std::int32_t fallback);

// The whole file, or nullopt when it is missing, not a regular file, unreadable or larger
// than kMaxFileSize.
std::optional<std::string> readFile(const std::string& path);

// Writes the entries into the file in one rewrite: the new content goes to a temporary file in
// the same folder, which takes the old file's permissions and is then renamed over it. A write
// that can't be done (a read-only file, a folder that refuses it, a value with CR or LF, a file
// that can't be read or is too large) throws Failure("Unable to write to <path>") and leaves
// the old file as it was, with no temporary file behind.
void writeEntries(const std::string& path, const std::vector<Entry>& entries);

// Deletes the temporary files that writes into the file's folder left behind when their process
// was killed between making and renaming them (".fellridge28.ini.<pid>.<n>.<t>.tmp" whose
// process is gone). Only regular files of exactly that form are touched. Never throws.
void removeStaleTemporaries(const std::string& path);

}  // namespace fellridge::settings::profile
