#include "platform/files/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <memory>
#include <utility>

#include "platform/files/text.h"

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
namespace {

std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// The file a replacement writes: a symbolic link is followed so that the link itself stays.
std::string replacedFile(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr),
                                                         &std::free);
        if (real) return real.get();
    }
    return path;
}

constexpr std::string_view kTemporarySuffix = ".tmp";

// The start of the names of the file's temporaries: "." and the path's last component, then ".".
std::string temporaryPrefix(const std::string& path) {
    return '.' + path.substr(path.rfind('/') + 1) + '.';
}

// The process id of a temporary's name: "<pid>.<n>.<t>" between the prefix and the suffix, all
// three decimal. 0 when the name is not of that form.
pid_t temporaryOwner(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() + kTemporarySuffix.size() ||
        name.substr(0, prefix.size()) != prefix ||
        name.substr(name.size() - kTemporarySuffix.size()) != kTemporarySuffix) {
        return 0;
    }
    name = name.substr(prefix.size(), name.size() - prefix.size() - kTemporarySuffix.size());
    long long pid = 0;
    int fields = 1;
    bool digit = false;
    for (const char c : name) {
        if (c == '.') {
            if (!digit) return 0;
            digit = false;
            ++fields;
        } else if (c >= '0' && c <= '9') {
            digit = true;
            if (fields == 1) {
                pid = pid * 10 + (c - '0');
                if (pid > INT_MAX) return 0;
            }
        } else {
            return 0;
        }
    }
    return (digit && fields == 3 && pid > 0) ? static_cast<pid_t>(pid) : 0;
}

}  // namespace

namespace {

// Renames the file to a name nobody holds: false with EEXIST when somebody does. A file system
// without a rename that refuses to replace gets a plain one.
// A file system that can't sync a folder (EINVAL) keeps its entries by other means.
bool syncFolder(const std::string& folder) {
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.valid() && (::fsync(fd.get()) == 0 || errno == EINVAL);
}

bool renameUnlessTaken(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

bool replaceAtomically(const std::string& path, std::string_view content, Existing existing) {
    const std::string target = replacedFile(path);
    const std::string folder = folderOf(target);
    struct stat old {};
    bool existed = false;
    if (::stat(target.c_str(), &old) == 0) {
        existed = true;
        if (existing == Existing::Keep) {
            errno = EEXIST;
            return false;
        }
        // A file without its owner's write permission is read-only, even for root.
        if (!S_ISREG(old.st_mode) || (old.st_mode & S_IWUSR) == 0 ||
            ::access(target.c_str(), W_OK) != 0) {
            return false;
        }
    } else if (errno != ENOENT) {
        return false;
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return false;

    // A hidden temporary name in the same folder, so that the rename is atomic.
    std::string temporary;
    int raw = -1;
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 16 && raw < 0; ++attempt) {
        temporary = folder + '/' + temporaryPrefix(path) + std::to_string(::getpid()) + '.' +
                    std::to_string(++counter) + '.' +
                    std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
                    std::string(kTemporarySuffix);
        raw = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw < 0 && errno != EEXIST) break;
    }
    if (raw < 0) return false;
    Descriptor fd(raw);

    bool ok = writeAll(fd.get(), content.data(), content.size());
    if (ok && existed) {
        ok = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
        if (ok && ::geteuid() == 0) {
            // Only root can hand the file back to its owner; others own what they write.
            ok = ::fchown(fd.get(), old.st_uid, old.st_gid) == 0;
        }
    }
    if (ok) ok = ::fsync(fd.get()) == 0;
    if (ok) ok = ::close(fd.release()) == 0;
    if (ok) {
        ok = existing == Existing::Replace ? ::rename(temporary.c_str(), target.c_str()) == 0
                                           : renameUnlessTaken(temporary, target);
        // The folder's new entry goes to the disk as well: a power cut after the rename could
        // otherwise bring the old file back.
        if (ok) return syncFolder(folder);
    }
    if (!ok) {
        const int failure = errno;
        ::unlink(temporary.c_str());
        errno = failure;
    }
    return ok;
}

void removeOrphanedTemporaries(const std::string& path) {
    if (path.empty()) return;
    const std::string folder = folderOf(replacedFile(path));
    const std::string prefix = temporaryPrefix(path);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        const pid_t owner = temporaryOwner(name, prefix);
        if (owner == 0) continue;
        // A process that still runs may be about to rename its file; one that can't be
        // signalled for lack of permission runs too.
        if (owner != ::getpid() && (::kill(owner, 0) == 0 || errno != ESRCH)) continue;
        const std::string file = text::joinPath(folder, name);
        struct stat st {};
        if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(file.c_str());
    }
}

}  // namespace fellridge::platform::files
