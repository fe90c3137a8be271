// The program entry: finds a running saver, reads the switch and runs the chosen mode.
#pragma once

namespace fellridge::entry {

// Runs the program for its command line. The exit status is 0 for every ending of a run, and 1
// when the saver can't run or loses its ground: no display could be opened, the display or the
// daemon's host window went away, the host window id names no window, or no private folder could
// be made for the temporary pictures.
int run(int argc, char** argv);

}  // namespace fellridge::entry
