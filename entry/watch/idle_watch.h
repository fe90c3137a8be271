// The idle watch's decisions: when the slideshow starts, when it may start again, and when the
// session is locked. The session's idle source, the slideshow process, the timer and the clock
// are handed in, so that the rules run without a display or a bus.
//
// The slideshow starts once the session reports idle, unless an application holds an inhibitor
// or the slideshow already runs. One idle period starts it once: it starts again only after the
// session reported activity and then idle anew, so a slideshow ended without input (killed, or
// ended by its own fault) never starts over in a loop. A slideshow that couldn't start, or ended
// with a failure within moments of its start, is tried again while the session stays idle, but
// never sooner than a minute after its last start. When the last inhibitor goes while the session
// is idle, the slideshow starts after the idle time counted from that moment, as if the
// application had kept the session busy until then.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace fellridge::watch {

using Milliseconds = std::chrono::milliseconds;

// The slideshow as a child process. start() returns at once; its end (or its failure to start)
// comes back through IdleWatch::slideshowEnded.
class Slideshow {
  public:
    virtual ~Slideshow() = default;
    virtual void start() = 0;
};

// One pending wake-up; starting it again replaces the previous one. It ends in
// IdleWatch::timerFired.
class WakeUp {
  public:
    virtual ~WakeUp() = default;
    virtual void start(Milliseconds delay) = 0;
    virtual void stop() = 0;
};

// A clock that only goes forward.
class SteadyClock {
  public:
    virtual ~SteadyClock() = default;
    virtual Milliseconds now() = 0;
};

// Asks the session to lock (the desktop's own locker shows).
class SessionLocker {
  public:
    virtual ~SessionLocker() = default;
    virtual void lock() = 0;
};

struct WatchServices {
    Slideshow& slideshow;
    WakeUp& wakeUp;
    SteadyClock& clock;
    SessionLocker& locker;
    // Whether the session is to be locked once a slideshow ended, asked at each end (the user's
    // setting may change while the watch runs).
    std::function<bool()> lockWanted;
    // The watch's end: the exit status and the message for the user.
    std::function<void(int status, const std::string& message)> end;
};

class IdleWatch {
  public:
    // A failure within this time of the start counts as a failure to start.
    static constexpr Milliseconds kFailureWindow{5000};
    static constexpr Milliseconds kRetryAfter{60000};

    IdleWatch(const WatchServices& services, Milliseconds idleTime)
        : services_(services), idleTime_(idleTime) {}

    // What the session's idle source reports.
    void sessionIdle();
    void sessionActive();
    void sourceLost(const std::string& why);
    // Whether any application holds an inhibitor (those the watch keeps itself).
    void inhibitorsChanged(bool held);
    // The slideshow's end: its exit status, or -1 when it couldn't start or crashed.
    void slideshowEnded(int status);
    void timerFired();

    bool slideshowRunning() const { return running_; }
    bool ended() const { return ended_; }

  private:
    void tryStart();

    WatchServices services_;
    Milliseconds idleTime_;
    bool idle_ = false;
    bool idleUsed_ = false;  // this idle period has started a slideshow already
    bool inhibited_ = false;
    bool running_ = false;
    bool ended_ = false;
    Milliseconds startedAt_{0};
    std::optional<Milliseconds> retryAt_;     // after a failure
    std::optional<Milliseconds> quietUntil_;  // after the last inhibitor went
};

}  // namespace fellridge::watch
