#include "platform/files/environment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/files/files.h"
#include "platform/files/text.h"

namespace fellridge::platform {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// mkdir -p for the saver's folder, each folder it makes private to the user (0700, as the
// base-directory rules ask of a data home made on first use); folders already there keep their
// modes. A folder that can't be made is left to the settings file's own error.
void makeDirectories(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return;
        if (slash == std::string::npos) return;
    }
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The installation an executable belongs to: the folder above the one that holds it
// (/usr for /usr/bin/fellridge-wildlife).
std::string installationPrefix(const std::string& executable) {
    return std::filesystem::path(executable).parent_path().parent_path().string();
}

}  // namespace

std::string executablePath() {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buffer.size()) return buffer.substr(0, n);
        buffer.resize(buffer.size() * 2);
    }
}

std::string defaultSystemDirectory(const std::string& executable) {
    if (executable.empty()) return {};
    const std::filesystem::path own = std::filesystem::path(executable).parent_path();
    const std::string buildTree = (own / "data" / "system").string();
    if (isDirectory(buildTree)) return buildTree;
    return text::joinPath(installationPrefix(executable), "lib/fellridge-wildlife/system");
}

std::vector<std::string> storedPictureFolders(const std::string& executable,
                                              const char* xdgDataDirs) {
    std::vector<std::string> folders;
    auto add = [&folders](const std::string& base) {
        std::string folder = text::joinPath(base, "fellridge-wildlife");
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(std::move(folder));
    };
    if (!executable.empty()) add(text::joinPath(installationPrefix(executable), "share"));

    // Relative entries are not valid in the list and are skipped.
    const std::string list =
        (xdgDataDirs && *xdgDataDirs) ? xdgDataDirs : "/usr/local/share:/usr/share";
    for (std::size_t start = 0; start <= list.size();) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        const std::string entry = list.substr(start, end - start);
        if (!entry.empty() && entry[0] == '/') add(entry);
        start = end + 1;
    }
    return folders;
}

std::optional<std::string> PosixEnvironment::saverFolder() {
    if (std::string dir = variable("FELLRIDGE_WINDOWS_DIR"); !dir.empty()) {
        makeDirectories(dir);
        return dir;
    }
    std::string base = variable("XDG_DATA_HOME");
    if (base.empty() || base[0] != '/') {
        const std::string home = variable("HOME");
        if (home.empty()) return std::nullopt;
        base = text::joinPath(home, ".local/share");
    }
    std::string dir = text::joinPath(base, "fellridge-wildlife");
    makeDirectories(dir);
    return dir;
}

std::string PosixEnvironment::systemDirectory() {
    if (std::string dir = variable("FELLRIDGE_SYSTEM_DIR"); !dir.empty()) return dir;
    return defaultSystemDirectory(executablePath());
}

std::vector<std::string> PosixEnvironment::storedPictureFolders() {
    return fellridge::platform::storedPictureFolders(executablePath(),
                                                     std::getenv("XDG_DATA_DIRS"));
}

bool PosixEnvironment::inputEndsAtOnce() {
    const std::string family = variable("FELLRIDGE_PLATFORM_ID");
    if (family.empty()) return true;
    char* end = nullptr;
    const long value = std::strtol(family.c_str(), &end, 10);
    return !(end && *end == '\0') || value == 2;
}

}  // namespace fellridge::platform
