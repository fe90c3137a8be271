// The program entry: finds a running saver, reads the switch and runs the chosen mode.
#pragma once

namespace fellridge::entry {

// Runs the program for its command line. The exit status is 0 for every ending of a run, and 1
// when the saver can't run or loses its ground: no display could be opened, the display or the
// daemon's host window went away, the host window id names no window, or no private folder could
// be made for the temporary pictures. The idle watch's options ("--idle", "--lock", "--help")
// run the idle watch instead (see idle_mode.h); their faulty use ends with status 2.
int run(int argc, char** argv);

}  // namespace fellridge::entry
