// One idle watch per session: the watch holds an advisory lock (flock) on a file in the user's
// runtime folder named after the session's display, for as long as it runs. The system drops the
// lock however the watch ends, so a lock held is a watch alive.
#pragma once

#include <string>

#include "platform/files/files.h"
#include "platform/files/folder_lock.h"

namespace fellridge::platform {

class OneWatchPerSession {
  public:
    using State = FolderLock::State;  // HeldElsewhere: a watch runs for the session

    // The display names the session: $WAYLAND_DISPLAY, else $DISPLAY. The file lies in
    // $XDG_RUNTIME_DIR, else in the system's temporary folder under the user's id.
    OneWatchPerSession();
    State state() const { return state_; }
    const std::string& path() const { return path_; }

  private:
    files::Descriptor fd_;
    std::string path_;
    State state_ = State::Unavailable;
};

}  // namespace fellridge::platform
