#include "platform/files/private_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/files/files.h"
#include "platform/files/text.h"

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

constexpr std::string_view kPrefix = "fellridge-wildlife.";
constexpr std::size_t kUniquePart = 6;  // mkdtemp's XXXXXX

// A folder is made and then locked: one younger than this may not be locked yet.
constexpr std::chrono::seconds kSettleTime{5};

// Removes what is in the open folder (never following a link) and the folder itself.
void removeFolder(int fd, const std::string& path) {
    const int own = ::dup(fd);
    if (own < 0) return;
    if (DIR* dir = ::fdopendir(own)) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            ::unlinkat(fd, name.c_str(), 0);
        }
        ::closedir(dir);
    } else {
        ::close(own);
    }
    ::rmdir(path.c_str());
}

// The folders of this user's earlier runs under the base whose run is gone: their lock is free.
void sweepDeadFolders(const std::string& base) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(base.c_str()), ::closedir);
    if (!dir) return;
    const auto now = std::chrono::system_clock::now();
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name.size() != kPrefix.size() + kUniquePart ||
            name.substr(0, kPrefix.size()) != kPrefix)
            continue;
        const std::string path = text::joinPath(base, name);
        FolderLock lock(path);
        struct stat info {};
        if (!lock.held() || ::fstat(lock.descriptor(), &info) != 0 || info.st_uid != ::geteuid())
            continue;
        if (now - std::chrono::system_clock::from_time_t(info.st_mtime) < kSettleTime) continue;
        removeFolder(lock.descriptor(), path);
    }
}

std::string makeUnder(const std::string& base) {
    const std::string pattern =
        text::joinPath(base, std::string(kPrefix) + std::string(kUniquePart, 'X'));
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
    if (!path_.empty()) lock_ = std::make_unique<FolderLock>(path_);
}

PrivateFolder::~PrivateFolder() {
    remove();
}

void PrivateFolder::remove() {
    if (path_.empty()) return;
    // Only this process writes here, and unlink never follows a link: whatever is in it goes.
    if (lock_ && lock_->held()) {
        removeFolder(lock_->descriptor(), path_);
    } else {
        const files::Descriptor fd(
            ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (fd.valid()) removeFolder(fd.get(), path_);
    }
    path_.clear();
    lock_.reset();
}

void PrivateFolder::removeDeadOnes() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && usableBase(runtime)) sweepDeadFolders(runtime);
    sweepDeadFolders(systemTemporaryFolder());
}

}  // namespace fellridge::platform
