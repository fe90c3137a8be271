#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix_services.h"

namespace fellridge::platform {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// mkdir -p for the saver's own default folder (an explicitly named one is taken as it is).
void makeDirectories(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) return;
        if (slash == std::string::npos) return;
    }
}

}  // namespace

std::optional<std::string> PosixEnvironment::windowsDirectory() {
    if (std::string dir = variable("FELLRIDGE_WINDOWS_DIR"); !dir.empty()) return dir;
    std::string base = variable("XDG_DATA_HOME");
    if (base.empty() || base[0] != '/') {
        const std::string home = variable("HOME");
        if (home.empty()) return std::nullopt;
        base = home + "/.local/share";
    }
    std::string dir = base + "/fellridge-wildlife";
    makeDirectories(dir);
    return dir;
}

std::string PosixEnvironment::systemDirectory() {
    if (std::string dir = variable("FELLRIDGE_SYSTEM_DIR"); !dir.empty()) return dir;
    return FELLRIDGE_DEFAULT_SYSTEM_DIR;
}

int PosixEnvironment::platformId() {
    const std::string id = variable("FELLRIDGE_PLATFORM_ID");
    if (id.empty()) return 2;
    char* end = nullptr;
    const long value = std::strtol(id.c_str(), &end, 10);
    return (end && *end == '\0') ? static_cast<int>(value) : 2;
}

}  // namespace fellridge::platform
