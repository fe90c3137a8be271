// Which live run uses a folder: the run holds an advisory lock (flock) on the folder itself for
// as long as it keeps files there. The system drops the lock with the last descriptor of the run
// however it ends (kill -9 included), so a lock held is a run alive: no lock file is left behind
// to go stale, and no process id has to be trusted (ids come round again, and mean nothing
// across PID namespaces).
#pragma once

#include <string>

#include "platform/files/files.h"

namespace fellridge::platform {

class FolderLock {
  public:
    enum class State { Taken, HeldElsewhere, Unavailable };

    // Takes the lock unless another open of the folder holds it; never waits. Unavailable when
    // the path is no folder that can be opened (a symbolic link in its place is not followed).
    explicit FolderLock(const std::string& folder);

    State state() const { return state_; }
    bool held() const { return state_ == State::Taken; }
    // The locked folder's descriptor while the lock is held.
    int descriptor() const { return fd_.get(); }

  private:
    files::Descriptor fd_;
    State state_ = State::Unavailable;
};

// Takes the advisory lock on an open file or folder without waiting: Taken, or HeldElsewhere /
// Unavailable, and the descriptor closed.
FolderLock::State takeAdvisoryLock(files::Descriptor& fd);

}  // namespace fellridge::platform
