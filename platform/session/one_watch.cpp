#include "platform/session/one_watch.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/files/folder_lock.h"
#include "platform/files/text.h"

namespace fellridge::platform {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

OneWatchPerSession::OneWatchPerSession() {
    std::string display = variable("WAYLAND_DISPLAY");
    if (display.empty()) display = variable("DISPLAY");
    for (char& c : display)
        if (c == '/') c = '_';
    std::string folder = variable("XDG_RUNTIME_DIR");
    std::string prefix = "fellridge-wildlife-idle";
    if (folder.empty()) {
        folder = "/tmp";
        prefix += "-" + std::to_string(::getuid());
    }
    path_ = text::joinPath(folder, prefix + (display.empty() ? "" : "-" + display) + ".lock");
    fd_ = files::Descriptor(::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    state_ = takeAdvisoryLock(fd_);
}

}  // namespace fellridge::platform
