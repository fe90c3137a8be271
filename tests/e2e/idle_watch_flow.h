// The idle watch tried in a session of any harness (X11, sway, and others that provide the same
// few things): the watch on private session and system buses, an application holding an
// inhibitor, and a stand-in login manager that records the session's lock.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "process.h"

namespace fellridge::test {

// What the flow needs from a harness.
struct IdleDesk {
    // Starts a command as the session's user, in the session, with the extra variables.
    std::function<std::unique_ptr<Child>(const std::vector<std::string>&, const Environment&)>
        start;
    std::function<bool()> slideshowShown;  // its first frame is on the screen
    std::function<void()> key;             // a key press and release
    std::string folder;                    // a folder the session's user writes in
    std::string program;                   // fellridge-wildlife, as the user reaches it
    Environment slideshow;                 // the slideshow's variables (its pictures, ...)
    // The session's own bus where the desktop reports idleness on it (Mutter); empty: the flow
    // gives the watch a private one.
    std::string sessionBus;
};

// What this machine lacks for the flow (dbus-daemon, python3-dbus, python3-gi), empty if nothing.
std::string missingIdleTools();

struct IdleCase {
    const char* name;
    bool inhibited;  // an application holds an inhibitor at first, then lets go
    bool lock;       // --lock
};

// Runs the watch with an idle time of 3 s: the slideshow comes 3 s after the last input (not
// while the inhibitor is held, and 3 s after it went), a key ends it, it comes again after the
// next 3 s; with --lock each end locks the session; a second watch says one runs and ends with
// status 1. Reports failures through the test framework.
void tryIdleWatch(const IdleDesk& desk, const IdleCase& idleCase);

}  // namespace fellridge::test
