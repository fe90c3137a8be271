// File-system operations with the platform's semantics (POSIX underneath).
//
// Every file the program reads goes through openRegular or readRegular: the open never blocks
// (a FIFO or a device planted in a file's place can't stall it), the open descriptor is checked
// to be a regular file (fstat, not a check by name before the open), and what is read is bounded
// by a size that fits the caller.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fellridge::platform::files {

// An open file descriptor, closed when it goes out of scope.
class Descriptor {
  public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor();

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Gives the descriptor up without closing it.
    int release();
    // Closes now; false (errno set) when the system reports a failure, which for a file just
    // written can mean lost data.
    bool close();

  private:
    int fd_ = -1;
};

// read() and write() that carry on after an interrupting signal: the count, 0 at the end of a
// file, -1 with errno on a failure.
ssize_t readSome(int fd, void* buffer, std::size_t size);
ssize_t writeSome(int fd, const void* buffer, std::size_t size);
// Writes everything; false (errno set) when the system refuses part of it.
bool writeAll(int fd, const void* data, std::size_t size);

// Whether the last component of a path may be a symbolic link. Refuse where a link planted by
// someone else could redirect the program.
enum class Links { Follow, Refuse };

// Opens a file for reading without blocking and keeps it only when the open descriptor is a
// regular file of at most maxSize bytes. Otherwise the descriptor is invalid and errno tells
// why: the open's own errno (ELOOP for a refused link), EACCES for anything that is not a
// regular file (a directory, FIFO, device or socket), EFBIG for a file over the bound.
Descriptor openRegular(const std::string& path, std::size_t maxSize, Links links = Links::Follow);

// The whole content of a regular file of at most maxSize bytes, or nullopt when the file is
// missing, not a regular file, unreadable or larger (also when it grows past the bound while
// being read). errno tells why, as for openRegular.
std::optional<std::vector<unsigned char>> readRegular(const std::string& path, std::size_t maxSize,
                                                      Links links = Links::Follow);

// True when the path names an existing regular file (a symbolic link counts by its target). A
// directory, FIFO, device or socket of that name does not count.
bool isFile(const std::string& path);

// Deletes a file. A read-only file (no write permission for its owner) is refused, even for
// root, as is anything the system refuses. Returns false when refused.
bool remove(const std::string& path);

// Replaces the whole content of a file in one step: the content goes to a hidden temporary file
// beside it (".<name>.<pid>.<n>.<t>.tmp", <name> the path's last component), which takes the old
// file's permissions (and, for root, its owner) and is then renamed over it. A symbolic link is
// followed, so that the link itself stays. Returns false and leaves the old file as it was, with
// no temporary file behind, when the replacement can't be done: the file is not a regular file
// or read-only (no write permission for its owner, even for root), its folder refuses it, or a
// step of the write fails.
//
// With Existing::Keep the file is only made where none exists, never replaced: false with errno
// EEXIST when there is one (also when another writer made it while this one wrote).
enum class Existing { Replace, Keep };
bool replaceAtomically(const std::string& path, std::string_view content,
                       Existing existing = Existing::Replace);

// Deletes the temporary files that replacements of this file left beside it when their process
// was killed between making and renaming them (those whose process is gone). Only regular files
// of exactly that form are touched. Never throws.
void removeOrphanedTemporaries(const std::string& path);

}  // namespace fellridge::platform::files
