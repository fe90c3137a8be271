// File-system operations with the platform's semantics (POSIX underneath).
#pragma once

#include <string>
#include <vector>

namespace fellridge::platform::files {

// True when the path names an existing file; a directory of that name does not count.
bool isFile(const std::string& path);

// Wildcard match of a file name against a pattern with '*' and '?', ignoring the case of the
// letters a to z.
bool wildcardMatch(const std::string& pattern, const std::string& name);

// The names (not paths) of the ordinary files in the directory that match the pattern, in the
// order the directory yields them. Directories and hidden names (beginning with a dot) are
// skipped. A missing or unreadable directory yields nothing.
std::vector<std::string> search(const std::string& directory, const std::string& pattern);

// Deletes a file. A read-only file (no write permission for its owner) is refused, even for
// root, as is anything the system refuses. Returns false when refused.
bool remove(const std::string& path);

// Joins a directory and a name with one '/' (the directory's own trailing '/' is kept as it is,
// so "dir/" + "x" gives "dir//x", which names the same file).
std::string join(const std::string& directory, const std::string& name);

}  // namespace fellridge::platform::files
