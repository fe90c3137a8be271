// The idle watch: "--idle MINUTES [--lock]" (see entry/watch/watch_options.h). It runs as a program
// of its own, fellridge-wildlife-idle-watch, that loads the toolkit's core and D-Bus modules and no
// more: the saver program hands itself over to it, so that what runs all day stays small.
#pragma once

#include <string>

#include "entry/watch/watch_options.h"

namespace fellridge::entry {

// Replaces the saver program's process by the idle watch's program, handing it the saver
// program's path (for the slideshow) and the arguments. Returns only when that failed: status 1.
int startIdleWatch(int argc, char** argv);

// The idle watch program's own entry: argv[1] is the saver program, the rest its arguments.
int runIdleWatchProgram(int argc, char** argv);

// Watches the session until it ends: status 1 when a watch already runs for the session, when the
// session offers no idle source, or when the source or the session bus went away; 0 when a
// termination signal ended it.
int runIdleWatch(char* program, const std::string& saverProgram,
                 const watch::WatchOptions& options);

}  // namespace fellridge::entry
