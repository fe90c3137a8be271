// The signals that end a saver run.
//
// Every signal from outside whose default action ends the process (SIGTERM, SIGINT, SIGHUP,
// SIGUSR1, SIGUSR2, SIGQUIT, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGPOLL, SIGPWR,
// SIGSTKFLT and the real-time signals) is turned into a byte on a pipe, so that the message loop
// can run the stop routine and end as usual (a screen locker may send SIGUSR1 to have its saver
// module start afresh; ending cleanly is what it expects of a module that doesn't). Once
// endStuckRuns() has been called, a SIGTERM or SIGINT that the message loop hasn't acted on
// (drained) within 2 s, or whose end hasn't come 2 s after it did, ends the run from the
// handlers: the files named below go and the signal's default action ends the process, stuck
// message loop or not. SIGPIPE is
// ignored. The faults (SIGSEGV, SIGFPE, SIGBUS, SIGABRT, SIGILL, SIGTRAP, SIGSYS) can't be
// handled that way: their handler removes the files named beforehand (unlink and rmdir only,
// both async-signal-safe) and then lets the signal end the process as it would have.
#pragma once

#include <string>
#include <vector>

namespace fellridge::platform::process_signals {

// Installs the handlers of the stopping signals once (SIGTERM, SIGINT, SIGHUP and SIGUSR1 always,
// the others unless they were ignored when the program started); standard streams that are
// closed are opened on /dev/null first, so that the pipe never stands in for one. The read end of
// the pipe they write to, or -1 when no pipe could be made (the signals then keep their default
// action).
int watchTermination();

// Turns on the 2 s limit after a SIGTERM or SIGINT (for the slideshow, which must never hold the
// screen; a run whose end waits for a child of its own leaves it off).
void endStuckRuns();

// Empties the pipe after its read end became readable.
void drainTermination();

// Names what an abrupt end removes: the files first, then the folder (empty for none). An abrupt
// end is a fatal signal, or an exit() that skips the run's own end (the toolkit ends the process
// that way when it gives up on its display). Each call replaces the previous list; an empty list
// and folder remove nothing, which is what the run's own end leaves behind. Installs the handlers
// of the fatal signals on the first call. Paths longer than the system's path limit are left out.
void removeOnAbruptEnd(const std::vector<std::string>& files, const std::string& folder);

// Removes what removeOnAbruptEnd named, at once, from any thread (unlink and rmdir only): for an
// end that runs none of this program's handlers (the toolkit's _exit when its display is gone).
void removeNamedNow();

}  // namespace fellridge::platform::process_signals
