#include "platform/files/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>

namespace fellridge::platform::files {

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

Descriptor::~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
}

int Descriptor::release() {
    return std::exchange(fd_, -1);
}

bool Descriptor::close() {
    const int fd = release();
    // After EINTR the descriptor is gone on Linux: closing again could close another file.
    return fd < 0 || ::close(fd) == 0 || errno == EINTR;
}

ssize_t readSome(int fd, void* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0 || errno != EINTR) return n;
    }
}

ssize_t writeSome(int fd, const void* buffer, std::size_t size) {
    if (size == 0) return 0;
    for (;;) {
        const ssize_t n = ::write(fd, buffer, size);
        if (n >= 0 || errno != EINTR) return n;
    }
}

bool writeAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t put = writeSome(fd, bytes, size);
        if (put < 0) return false;
        if (put == 0) {
            errno = EIO;
            return false;
        }
        bytes += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

Descriptor openRegular(const std::string& path, std::size_t maxSize, Links links) {
    int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (links == Links::Refuse) flags |= O_NOFOLLOW;
    if (path.empty()) {
        errno = ENOENT;
        return Descriptor();
    }
    Descriptor fd(::open(path.c_str(), flags));
    if (!fd.valid()) return fd;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return Descriptor();
    if (!S_ISREG(st.st_mode)) {
        fd = Descriptor();
        errno = EACCES;
        return fd;
    }
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > maxSize) {
        fd = Descriptor();
        errno = EFBIG;
        return fd;
    }
    return fd;
}

std::optional<std::vector<unsigned char>> readRegular(const std::string& path, std::size_t maxSize,
                                                      Links links) {
    Descriptor fd = openRegular(path, maxSize, links);
    if (!fd.valid()) return std::nullopt;
    struct stat st {};
    std::vector<unsigned char> bytes;
    if (::fstat(fd.get(), &st) == 0) bytes.reserve(static_cast<std::size_t>(st.st_size));
    unsigned char block[65536];
    for (;;) {
        // One byte more than the bound may be asked for, so that growth past it is seen.
        const std::size_t room = maxSize - bytes.size() + 1;
        const ssize_t n = readSome(fd.get(), block, std::min(sizeof block, room));
        if (n < 0) return std::nullopt;
        if (n == 0) return bytes;
        bytes.insert(bytes.end(), block, block + n);
        if (bytes.size() > maxSize) {
            errno = EFBIG;
            return std::nullopt;
        }
    }
}

bool isFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool remove(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) return false;  // read-only
    return ::unlink(path.c_str()) == 0;
}
}  // namespace fellridge::platform::files
