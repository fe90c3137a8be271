// A folder of this process alone, for files no other instance may touch: made mode 0700 with a
// unique name under $XDG_RUNTIME_DIR (else the system's temporary folder) and removed with
// whatever is left in it.
#pragma once

#include <string>

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

  private:
    std::string path_;
};

}  // namespace fellridge::platform
