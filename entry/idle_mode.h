// The idle watch run mode: "--idle MINUTES [--lock]" (see watch/watch_options.h).
#pragma once

#include "watch/watch_options.h"

namespace fellridge::entry {

// Watches the session until it ends: status 1 when a watch already runs for the session, when the
// session offers no idle source, or when the source or the session bus went away; 0 when a
// termination signal ended it.
int runIdleWatch(char* program, const watch::WatchOptions& options);

}  // namespace fellridge::entry
