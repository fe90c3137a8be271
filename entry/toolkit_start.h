// What the program does when its toolkit gives up: the toolkit ends the process with an abort
// (status 134 and a core file) when it can't open the display, ends it with _exit(1) when its
// Wayland connection breaks (no exit handler runs, so nothing of the run's own end), and waits
// forever when it can't start a thread it needs (too little memory). The run instead says what
// happened in one line on standard error, removes its temporary files and ends with status 1.
#pragma once

#include <string>

namespace fellridge::entry {

// While one lives, a fatal message of the toolkit (its platform can't start: no display, no
// usable platform plugin) ends the process with status 1 after saying that no display could be
// opened. From the first one on, for the rest of the process: the toolkit's word that its display
// connection broke removes what an abrupt end removes (process_signals.h) before the toolkit
// ends the process, and its word that a thread can't start, or memory that can't be had, ends the
// process with status 1 at once. Other messages go on as before.
class ToolkitStartGuard {
  public:
    ToolkitStartGuard();
    ~ToolkitStartGuard();
    ToolkitStartGuard(const ToolkitStartGuard&) = delete;
    ToolkitStartGuard& operator=(const ToolkitStartGuard&) = delete;
};

// Starts now what the toolkit would otherwise start as the first window shows: its accessibility
// bridge, with the session-bus thread behind it. A full-screen saver calls it before its window
// covers the screen, so that a thread the system can't give ends the run while the desktop is
// still there (in a daemon's window, which the toolkit never shows, nothing starts it).
void startToolkitServices();

// A slideshow has nothing to say on the session bus: where none is known (no
// DBUS_SESSION_BUS_ADDRESS), the toolkit's accessibility bridge would start one of its own through
// the X server, a bus daemon that outlives the run. The address is set to one that names no bus,
// so that the look-up fails at once instead.
void startNoSessionBus();

// Says on standard error that the display went away, once a process whoever notices first.
void sayDisplayGone(const std::string& detail);

}  // namespace fellridge::entry
