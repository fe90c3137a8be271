// A folder of this process alone, for files no other instance may touch: made mode 0700 with a
// unique name under $XDG_RUNTIME_DIR (else the system's temporary folder) and removed with
// whatever is left in it. It is locked (see folder_lock.h) for as long as it lives, so that the
// folders of runs that were killed before they could remove theirs are told apart from those of
// live runs (see removeDeadOnes).
#pragma once

#include <memory>
#include <string>

#include "platform/files/folder_lock.h"

namespace fellridge::platform {

class PrivateFolder {
  public:
    // Makes the folder; path() stays empty when neither place allows it.
    PrivateFolder();
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    const std::string& path() const { return path_; }
    // Removes the files in it and the folder itself; repeatable.
    void remove();

    // Removes this user's private folders, in both places, whose run is gone (killed before it
    // could remove its own): their lock is free. A folder made in the last few seconds is left
    // alone, as its maker may not have locked it yet.
    static void removeDeadOnes();

  private:
    std::string path_;
    std::unique_ptr<FolderLock> lock_;
};

}  // namespace fellridge::platform
