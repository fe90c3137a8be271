// Where the idle watch learns that the session went idle and came back: the session reports it
// by events, each source on its own connection, read in the message loop (no polling).
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace fellridge::platform {

struct IdleEvents {
    std::function<void()> idle;    // no input for the idle time (and nothing inhibits it)
    std::function<void()> active;  // input again after idle
    std::function<void(const std::string& why)> lost;  // the source is gone for good
};

class IdleSource {
  public:
    virtual ~IdleSource() = default;
    // What reports idleness, for the user's messages.
    virtual std::string name() const = 0;
};

// Each opens its source and reports through the events from the message loop on; nullptr with
// the reason in error when the session doesn't offer it.

// The Wayland compositor of $WAYLAND_DISPLAY: ext_idle_notifier_v1, else org_kde_kwin_idle.
std::unique_ptr<IdleSource> openWaylandIdle(std::chrono::milliseconds idleTime,
                                            const IdleEvents& events, std::string& error);
// Mutter's idle monitor on the session bus.
std::unique_ptr<IdleSource> openMutterIdle(std::chrono::milliseconds idleTime,
                                           const IdleEvents& events, std::string& error);
// The X server of $DISPLAY: the SYNC extension's IDLETIME counter.
std::unique_ptr<IdleSource> openX11Idle(std::chrono::milliseconds idleTime,
                                        const IdleEvents& events, std::string& error);

}  // namespace fellridge::platform
