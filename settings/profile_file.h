// The settings file on disk: read whole, written in one rewrite. Each function does one access
// (open, work, close); the text itself is profile.h's.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "settings/profile.h"

namespace fellridge::settings::profile {

// Files larger than this are treated as unreadable when read and refused when written: the
// settings file is a few kilobytes, and this bounds the work done on a stray large file.
inline constexpr std::size_t kMaxFileSize = 16u << 20;

// The whole file, or nullopt when it is missing, not a regular file, unreadable or larger
// than kMaxFileSize.
std::optional<std::string> readFile(const std::string& path);

// Writes the entries into the file in one rewrite (platform::files::replaceAtomically), holding
// the file's update lock (platform/update_lock.h) from the read to the replacement. A write
// that can't be done (a read-only file, a folder that refuses it, a value with CR or LF, a file
// that can't be read or is too large) throws Failure("Unable to write to <path>") and leaves
// the old file as it was, with no temporary file behind.
void writeEntries(const std::string& path, const std::vector<Entry>& entries);

}  // namespace fellridge::settings::profile
