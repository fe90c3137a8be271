// The program entry: finds a running saver, reads the switch and runs the chosen mode.
#pragma once

namespace fellridge::entry {

// Runs the program for its command line; the exit status (0 for every ending).
int run(int argc, char** argv);

}  // namespace fellridge::entry
