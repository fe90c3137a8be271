#include "platform/files/private_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace fellridge::platform {

namespace {

// A place for the folder: an existing directory of ours, not writable by others.
bool usableBase(const std::string& base) {
    struct stat info {};
    return !base.empty() && ::stat(base.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(base.c_str(), W_OK | X_OK) == 0;
}

std::string systemTemporaryFolder() {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::temp_directory_path(error);
    return error ? std::string("/tmp") : path.string();
}

std::string makeUnder(const std::string& base) {
    std::string pattern = base;
    while (pattern.size() > 1 && pattern.back() == '/') pattern.pop_back();
    pattern += "/fellridge-wildlife.XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    // mkdtemp makes the folder with mode 0700 under a name nobody else holds.
    if (!::mkdtemp(buffer.data())) return {};
    return std::string(buffer.data());
}

}  // namespace

PrivateFolder::PrivateFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && usableBase(runtime)) path_ = makeUnder(runtime);
    if (path_.empty()) path_ = makeUnder(systemTemporaryFolder());
}

PrivateFolder::~PrivateFolder() {
    remove();
}

void PrivateFolder::remove() {
    if (path_.empty()) return;
    // Only this process writes here, and unlink never follows a link: whatever is in it goes.
    if (DIR* dir = ::opendir(path_.c_str())) {
        const int fd = ::dirfd(dir);
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            ::unlinkat(fd, name.c_str(), 0);
        }
        ::closedir(dir);
    }
    ::rmdir(path_.c_str());
    path_.clear();
}

}  // namespace fellridge::platform
