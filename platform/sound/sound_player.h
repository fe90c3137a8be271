// The sound player: at most one open sound file at a time.
#pragma once

#include <functional>
#include <string>

namespace fellridge::platform {

enum class PlayerMode { NotReady, Stopped, Playing };

class SoundPlayer {
  public:
    virtual ~SoundPlayer() = default;
    virtual void setFileName(const std::string& path) = 0;
    virtual void setDeviceTypeAutomatic() = 0;
    // Closes a device that is still open, then opens the file. Throws Failure with the
    // player's error text when the file can't be opened (missing, not a sound, no device).
    virtual void open() = 0;
    // Plays the open file from its start to its end and returns at once; the end is notified.
    // Throws Failure("No MCI device open") when nothing is open; other errors are ignored.
    virtual void play() = 0;
    // Stops playing; the file stays open. Throws Failure("No MCI device open") when nothing is
    // open.
    virtual void stop() = 0;
    // Stopped, Playing, or NotReady (nothing open, or the query failed). Never throws.
    virtual PlayerMode mode() = 0;
    // Closes the open file, if any.
    virtual void release() = 0;
    // Called on the user-interface thread, through the message loop, when playing ends.
    virtual void setNotify(std::function<void()> onNotify) = 0;
};

}  // namespace fellridge::platform
