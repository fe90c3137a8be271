// The folders and the platform family, from the environment.
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

}  // namespace fellridge::platform
