// An advisory lock (flock) held across the read, change and replacement of a file that writers
// replace by renaming a new file over it: two programs that update one file (the saver and the
// settings dialog) then never write from the same old content, so neither loses the other's
// change. The lock is on the file itself, so no lock file is needed; a writer that waited on a
// file replaced meanwhile locks the new one instead.
#pragma once

#include <string>

#include "platform/files/files.h"

namespace fellridge::platform {

class UpdateLock {
  public:
    // Waits for the lock on the regular file at the path (a symbolic link is followed). Holds
    // nothing when there is no such file to lock, or when another holder keeps it longer than
    // any update takes (a hung process must not hang this one too): the update goes on unlocked.
    explicit UpdateLock(const std::string& path);

  private:
    files::Descriptor fd_;
};

}  // namespace fellridge::platform
