// Idleness from the Wayland compositor. ext_idle_notifier_v1's notification honours the
// applications' idle inhibitors; org_kde_kwin_idle is what older compositors offer (sway 1.7,
// which honours the inhibitors there too). Our own connection, read when its socket is readable.
#include <wayland-client.h>

#include <QSocketNotifier>
#include <cstring>

#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"
#include "platform/idle/idle_source.h"

namespace fellridge::platform {

namespace {

class WaylandIdle : public IdleSource {
  public:
    explicit WaylandIdle(const IdleEvents& events) : events_(events) {}
    ~WaylandIdle() override {
        notifier_.reset();
        if (notification_) ext_idle_notification_v1_destroy(notification_);
        if (kdeTimeout_) org_kde_kwin_idle_timeout_release(kdeTimeout_);
        if (notifier) ext_idle_notifier_v1_destroy(notifier);
        if (kdeIdle) org_kde_kwin_idle_destroy(kdeIdle);
        if (seat) wl_seat_destroy(seat);
        if (registry_) wl_registry_destroy(registry_);
        if (display_) wl_display_disconnect(display_);
    }

    std::string name() const override {
        return notification_ ? "the compositor's ext_idle_notifier_v1"
                             : "the compositor's org_kde_kwin_idle";
    }

    bool open(std::chrono::milliseconds idleTime, std::string& error) {
        display_ = wl_display_connect(nullptr);
        if (!display_) {
            error = "can't connect to the Wayland compositor";
            return false;
        }
        registry_ = wl_display_get_registry(display_);
        wl_registry_add_listener(registry_, &kRegistryListener, this);
        if (wl_display_roundtrip(display_) < 0) {
            error = "the Wayland compositor went away";
            return false;
        }
        if (!seat || (!notifier && !kdeIdle)) {
            error =
                "the Wayland compositor reports no idleness (neither ext_idle_notifier_v1 "
                "nor org_kde_kwin_idle)";
            return false;
        }
        const auto ms = static_cast<std::uint32_t>(idleTime.count());
        if (notifier) {
            notification_ = ext_idle_notifier_v1_get_idle_notification(notifier, ms, seat);
            ext_idle_notification_v1_add_listener(notification_, &kNotificationListener, this);
        } else {
            kdeTimeout_ = org_kde_kwin_idle_get_idle_timeout(kdeIdle, seat, ms);
            org_kde_kwin_idle_timeout_add_listener(kdeTimeout_, &kTimeoutListener, this);
        }
        if (wl_display_roundtrip(display_) < 0) {
            error = "the Wayland compositor went away";
            return false;
        }
        notifier_ =
            std::make_unique<QSocketNotifier>(wl_display_get_fd(display_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { read(); });
        return true;
    }

    wl_seat* seat = nullptr;
    ext_idle_notifier_v1* notifier = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    IdleEvents events_;

  private:
    void read() {
        if (wl_display_dispatch(display_) < 0 || wl_display_flush(display_) < 0) {
            notifier_->setEnabled(false);
            events_.lost("the Wayland compositor went away");
        }
    }

    static void global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t) {
        auto* self = static_cast<WaylandIdle*>(data);
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat) {
            self->seat =
                static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
        } else if (std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0) {
            self->notifier = static_cast<ext_idle_notifier_v1*>(
                wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
        } else if (std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0) {
            self->kdeIdle = static_cast<org_kde_kwin_idle*>(
                wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
        }
    }
    static void globalRemove(void*, wl_registry*, std::uint32_t) {}
    static void idled(void* data, ext_idle_notification_v1*) {
        static_cast<WaylandIdle*>(data)->events_.idle();
    }
    static void resumed(void* data, ext_idle_notification_v1*) {
        static_cast<WaylandIdle*>(data)->events_.active();
    }
    static void kdeIdled(void* data, org_kde_kwin_idle_timeout*) {
        static_cast<WaylandIdle*>(data)->events_.idle();
    }
    static void kdeResumed(void* data, org_kde_kwin_idle_timeout*) {
        static_cast<WaylandIdle*>(data)->events_.active();
    }

    static constexpr wl_registry_listener kRegistryListener{global, globalRemove};
    static constexpr ext_idle_notification_v1_listener kNotificationListener{idled, resumed};
    static constexpr org_kde_kwin_idle_timeout_listener kTimeoutListener{kdeIdled, kdeResumed};

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    ext_idle_notification_v1* notification_ = nullptr;
    org_kde_kwin_idle_timeout* kdeTimeout_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace

std::unique_ptr<IdleSource> openWaylandIdle(std::chrono::milliseconds idleTime,
                                            const IdleEvents& events, std::string& error) {
    auto source = std::make_unique<WaylandIdle>(events);
    if (!source->open(idleTime, error)) return nullptr;
    return source;
}

}  // namespace fellridge::platform
