#include "platform/files/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

namespace fellridge::platform {

FolderLock::FolderLock(const std::string& folder)
    : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) {
    state_ = takeAdvisoryLock(fd_);
}

FolderLock::State takeAdvisoryLock(files::Descriptor& fd) {
    if (!fd.valid()) return FolderLock::State::Unavailable;
    int result = -1;
    do {
        result = ::flock(fd.get(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result == 0) return FolderLock::State::Taken;
    const auto state =
        errno == EWOULDBLOCK ? FolderLock::State::HeldElsewhere : FolderLock::State::Unavailable;
    fd = files::Descriptor();
    return state;
}

}  // namespace fellridge::platform
