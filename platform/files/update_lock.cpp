#include "platform/files/update_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace fellridge::platform {

namespace {

// An update reads and writes a few kilobytes: far longer than any takes.
constexpr std::chrono::seconds kLongestWait{5};

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

UpdateLock::UpdateLock(const std::string& path) {
    const auto giveUp = std::chrono::steady_clock::now() + kLongestWait;
    while (std::chrono::steady_clock::now() < giveUp) {
        files::Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
        struct stat locked {};
        if (!fd.valid() || ::fstat(fd.get(), &locked) != 0 || !S_ISREG(locked.st_mode)) return;
        while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) ||
                std::chrono::steady_clock::now() >= giveUp)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        // The holder before us may have replaced the file: then the lock is on the old one.
        struct stat current {};
        if (::stat(path.c_str(), &current) != 0) return;
        if (sameFile(locked, current)) {
            fd_ = std::move(fd);
            return;
        }
    }
}

}  // namespace fellridge::platform
