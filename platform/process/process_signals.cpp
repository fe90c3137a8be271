#include "platform/process/process_signals.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace fellridge::platform::process_signals {

namespace {

int terminationPipe[2] = {-1, -1};

// SIGTERM or SIGINT asks for the end; one the message loop hasn't acted on within this many
// seconds (it is stuck, or never got going) ends the process from the signal handlers.
constexpr unsigned kForcedEndSeconds = 2;
volatile std::sig_atomic_t forcedEndWanted = 0;
volatile std::sig_atomic_t forcedEndSignal = 0;
// SIGALRM ends the run as the other signals do unless it was ignored when the program started;
// the handler is there in either case, for the deadline above.
bool alarmStops = true;

void removeNamed();

[[noreturn]] void endBySignal(int sig) {
    removeNamed();
    ::signal(sig, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(sig);
    ::_exit(128 + sig);
}

extern "C" void onTerminationSignal(int sig) {
    const int saved = errno;
    if (sig == SIGALRM && forcedEndSignal != 0) endBySignal(forcedEndSignal);
    if (sig != SIGALRM || alarmStops) {
        if ((sig == SIGTERM || sig == SIGINT) && forcedEndWanted && forcedEndSignal == 0) {
            forcedEndSignal = sig;
            ::alarm(kForcedEndSeconds);
        }
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(terminationPipe[1], &byte, 1);
    }
    errno = saved;
}

// The paths an abrupt end removes, prepared while nothing goes wrong: the handler only reads
// them. The count is published after the paths are written and cleared before they are changed,
// so the handler never sees a half-written path.
constexpr int kMaxPaths = 16;
char namedPaths[kMaxPaths][PATH_MAX];
char namedFolder[PATH_MAX];
std::atomic<int> namedCount{0};
std::atomic<bool> namedFolderSet{false};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

// The faults: the instruction that raised one can't go on, so the files go before the signal's
// own default action ends the process.
constexpr int kFatalSignals[] = {SIGSEGV, SIGFPE, SIGBUS, SIGABRT, SIGILL, SIGTRAP, SIGSYS};

// The signals sent from outside (kill, a terminal, a timer, a resource limit) whose default
// action ends the process. The first four are taken over always; the others only while they
// have their default action, so that one ignored by whoever started us stays ignored.
constexpr int kAlwaysStopSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGUSR1};
constexpr int kOtherStopSignals[] = {SIGUSR2, SIGQUIT, SIGVTALRM, SIGPROF,  SIGXCPU,
                                     SIGXFSZ, SIGPOLL, SIGPWR,    SIGSTKFLT};

bool hasDefaultAction(int sig) {
    struct sigaction current {};
    return ::sigaction(sig, nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
           (current.sa_flags & SA_SIGINFO) == 0;
}

void removeNamed() {
    const int count = namedCount.load(std::memory_order_acquire);
    for (int i = 0; i < count; ++i) ::unlink(namedPaths[i]);
    if (namedFolderSet.load(std::memory_order_acquire)) ::rmdir(namedFolder);
}

extern "C" void onExit() {
    removeNamed();
}

extern "C" void onFatalSignal(int sig) {
    removeNamed();
    // The default action, as if this handler had never been there: the signal is blocked while
    // its handler runs, so it is delivered (and ends the process) as soon as the handler returns;
    // a fault that came from an instruction comes back when that instruction runs again.
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

bool copyPath(char (&target)[PATH_MAX], const std::string& path) {
    if (path.empty() || path.size() >= PATH_MAX) return false;
    std::memcpy(target, path.c_str(), path.size() + 1);
    return true;
}

void installFatalHandlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    struct sigaction action {};
    action.sa_handler = onFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (int sig : kFatalSignals) ::sigaction(sig, &action, nullptr);
    std::atexit(onExit);
}

// A closed standard stream (some launchers close them) would be the next descriptor handed out:
// the pipe would become standard error, and the toolkit's first warning would read as a signal.
// /dev/null takes the place of each closed one first.
void fillClosedStandardStreams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
}

}  // namespace

int watchTermination() {
    if (terminationPipe[0] >= 0) return terminationPipe[0];
    fillClosedStandardStreams();
    if (::pipe2(terminationPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        terminationPipe[0] = terminationPipe[1] = -1;
        return -1;
    }
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    alarmStops = hasDefaultAction(SIGALRM);
    for (int sig : kAlwaysStopSignals) ::sigaction(sig, &action, nullptr);
    ::sigaction(SIGALRM, &action, nullptr);
    for (int sig : kOtherStopSignals)
        if (hasDefaultAction(sig)) ::sigaction(sig, &action, nullptr);
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig)
        if (hasDefaultAction(sig)) ::sigaction(sig, &action, nullptr);
    // A write to a closed pipe or socket (the display's, a sound server's) is a failed write that
    // its caller sees, never the end of the run.
    ::signal(SIGPIPE, SIG_IGN);
    return terminationPipe[0];
}

void drainTermination() {
    if (terminationPipe[0] < 0) return;
    char buffer[16];
    while (::read(terminationPipe[0], buffer, sizeof buffer) > 0) {
    }
    // The loop acts on it now: the end it starts gets its own 2 s.
    if (forcedEndSignal != 0) ::alarm(kForcedEndSeconds);
}

void endStuckRuns() {
    forcedEndWanted = 1;
}

void removeNamedNow() {
    removeNamed();
}

void removeOnAbruptEnd(const std::vector<std::string>& files, const std::string& folder) {
    namedCount.store(0, std::memory_order_release);
    namedFolderSet.store(false, std::memory_order_release);
    int count = 0;
    for (const std::string& file : files)
        if (count < kMaxPaths && copyPath(namedPaths[count], file)) ++count;
    const bool hasFolder = copyPath(namedFolder, folder);
    installFatalHandlers();
    namedCount.store(count, std::memory_order_release);
    namedFolderSet.store(hasFolder, std::memory_order_release);
}

}  // namespace fellridge::platform::process_signals
