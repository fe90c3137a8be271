// The platform services that need no toolkit: directories and version from the environment,
// the registry export file, dlopen, and FindWindow over X11.
#pragma once

#include <string>
#include <vector>

#include "platform/services.h"

namespace fellridge::platform {

// $FELLRIDGE_WINDOWS_DIR, $FELLRIDGE_SYSTEM_DIR and $FELLRIDGE_PLATFORM_ID, with their defaults.
// The defaults that belong to the program's files are found from the running executable, so an
// installation works wherever it was installed to.
class PosixEnvironment : public Environment {
  public:
    std::optional<std::string> windowsDirectory() override;
    std::string systemDirectory() override;
    int platformId() override;
    std::vector<std::string> storedPictureFolders() override;
};

// The running executable's full path (/proc/self/exe), empty when it can't be read.
std::string executablePath();

// The system directory beside an executable: data/system in its own folder when that folder is
// there (the build tree), else lib/fellridge-wildlife/system of the installation (the folder
// above the executable's). Empty for an empty path.
std::string defaultSystemDirectory(const std::string& executable);

// The stored-picture folders of an executable: share/fellridge-wildlife of its installation,
// then fellridge-wildlife in each absolute folder of the XDG_DATA_DIRS value (unset or empty:
// /usr/local/share and /usr/share). Each folder once, without a trailing slash.
std::vector<std::string> storedPictureFolders(const std::string& executable,
                                              const char* xdgDataDirs);

// HKEY_CURRENT_USER as a registry export text file: $FELLRIDGE_REGISTRY, else
// $XDG_CONFIG_HOME/fellridge-wildlife/user.reg. Read afresh at each query; a missing file is a
// missing key.
class FileRegistry : public Registry {
  public:
    FileRegistry();
    explicit FileRegistry(std::string path) : path_(std::move(path)) {}
    bool keyExists(const std::string& key) override;
    std::optional<Value> value(const std::string& key, const std::string& name) override;

  private:
    std::string path_;
};

// dlopen of the exact path, dlsym, dlclose.
class DlLibraries : public Libraries {
  public:
    Handle load(const std::string& path) override;
    void* symbol(Handle library, const char* name) override;
    void unload(Handle library) override;
};

// Walks the X display's window tree (through window-manager frames) for a window whose
// WM_CLASS class part and name (_NET_WM_NAME or WM_NAME) match exactly. Without an X display
// nothing is found.
class X11WindowFinder : public WindowFinder {
  public:
    std::uintptr_t find(const std::string& className, const std::string& windowName) override;
};

}  // namespace fellridge::platform
