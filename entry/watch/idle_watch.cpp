#include "entry/watch/idle_watch.h"

#include <algorithm>

namespace fellridge::watch {

void IdleWatch::sessionIdle() {
    if (idle_) return;  // the same idle period, told twice
    idle_ = true;
    idleUsed_ = false;
    tryStart();
}

void IdleWatch::sessionActive() {
    idle_ = false;
    idleUsed_ = false;
    quietUntil_.reset();
    services_.wakeUp.stop();
}

void IdleWatch::sourceLost(const std::string& why) {
    if (ended_) return;
    ended_ = true;
    services_.wakeUp.stop();
    services_.end(1, why);
}

void IdleWatch::inhibitorsChanged(bool held) {
    if (held == inhibited_) return;
    inhibited_ = held;
    if (held) {
        services_.wakeUp.stop();
        return;
    }
    if (idle_) quietUntil_ = services_.clock.now() + idleTime_;
    tryStart();
}

void IdleWatch::slideshowEnded(int status) {
    if (!running_) return;
    running_ = false;
    const Milliseconds now = services_.clock.now();
    if (status != 0 && now - startedAt_ < kFailureWindow) {
        // Still the same idle period: try again, but not at once.
        retryAt_ = startedAt_ + kRetryAfter;
        idleUsed_ = false;
    }
    if (!ended_ && services_.lockWanted && services_.lockWanted()) services_.locker.lock();
    tryStart();
}

void IdleWatch::timerFired() {
    tryStart();
}

void IdleWatch::tryStart() {
    if (ended_ || !idle_ || idleUsed_ || inhibited_ || running_) return;
    const Milliseconds now = services_.clock.now();
    const Milliseconds notBefore =
        std::max(retryAt_.value_or(Milliseconds{0}), quietUntil_.value_or(Milliseconds{0}));
    if (now < notBefore) {
        services_.wakeUp.start(notBefore - now);
        return;
    }
    services_.wakeUp.stop();
    quietUntil_.reset();
    idleUsed_ = true;
    running_ = true;
    startedAt_ = now;
    services_.slideshow.start();
}

}  // namespace fellridge::watch
