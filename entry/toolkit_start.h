// What the program does before its toolkit is up: the toolkit ends the process with an abort
// (status 134 and a core file) when it can't open the display; the run instead says so on
// standard error and ends with status 1.
#pragma once

namespace fellridge::entry {

// While one lives, a fatal message of the toolkit (its platform can't start: no display, no
// usable platform plugin) ends the process with status 1 after saying that no display could be
// opened; other messages go on as before.
class ToolkitStartGuard {
  public:
    ToolkitStartGuard();
    ~ToolkitStartGuard();
    ToolkitStartGuard(const ToolkitStartGuard&) = delete;
    ToolkitStartGuard& operator=(const ToolkitStartGuard&) = delete;
};

}  // namespace fellridge::entry
