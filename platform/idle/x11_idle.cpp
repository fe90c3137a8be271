// Idleness from the X server: an alarm on the SYNC extension's IDLETIME counter (the time since
// the last input, which XResetScreenSaver and "xset s reset" also set back to 0). The server
// sends the alarm's event when the counter reaches the idle time, and the next one when it falls
// back below it; the server's own screen-saver settings stay as they are.
#include <xcb/sync.h>
#include <xcb/xcb.h>

#include <QSocketNotifier>
#include <cstdlib>
#include <cstring>

#include "platform/idle/idle_source.h"

namespace fellridge::platform {

namespace {

xcb_sync_int64_t toSync(std::int64_t value) {
    return {static_cast<std::int32_t>(value >> 32), static_cast<std::uint32_t>(value)};
}

class X11Idle : public IdleSource {
  public:
    explicit X11Idle(const IdleEvents& events) : events_(events) {}
    ~X11Idle() override {
        notifier_.reset();
        if (!connection_) return;
        if (alarm_) xcb_sync_destroy_alarm(connection_, alarm_);
        xcb_disconnect(connection_);
    }

    std::string name() const override { return "the X server's idle time"; }

    bool open(std::chrono::milliseconds idleTime, std::string& error) {
        idleTime_ = idleTime.count();
        connection_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection_)) {
            error = "can't open the X display";
            return false;
        }
        const xcb_query_extension_reply_t* sync = xcb_get_extension_data(connection_, &xcb_sync_id);
        if (!sync || !sync->present) {
            error = "the X server has no SYNC extension";
            return false;
        }
        firstEvent_ = sync->first_event;
        free(xcb_sync_initialize_reply(
            connection_,
            xcb_sync_initialize(connection_, XCB_SYNC_MAJOR_VERSION, XCB_SYNC_MINOR_VERSION),
            nullptr));
        if (!findIdleCounter()) {
            error = "the X server has no IDLETIME counter";
            return false;
        }
        arm(false);
        notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection_),
                                                      QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { read(); });
        read();  // what came with the replies
        return true;
    }

  private:
    // The list is read by hand: each entry is the counter (4 bytes), its resolution (8), the
    // name's length (2) and the name, padded to 4 bytes as a whole; libxcb's iterator pads each
    // entry wrongly and reads names shifted.
    bool findIdleCounter() {
        auto* reply = xcb_sync_list_system_counters_reply(
            connection_, xcb_sync_list_system_counters(connection_), nullptr);
        if (!reply) return false;
        const auto* at = reinterpret_cast<const std::uint8_t*>(reply + 1);
        const auto* end = at + std::size_t{reply->length} * 4 + 32 - sizeof *reply;
        for (std::uint32_t i = 0; i < reply->counters_len && at + 14 <= end; ++i) {
            std::uint16_t length = 0;
            std::memcpy(&length, at + 12, sizeof length);
            if (at + 14 + length > end) break;
            if (length == 8 && std::memcmp(at + 14, "IDLETIME", 8) == 0)
                std::memcpy(&counter_, at, sizeof counter_);
            at += (14 + length + 3) & ~std::size_t{3};
        }
        free(reply);
        return counter_ != 0;
    }

    // An alarm that fires once: when the counter reaches the idle time, or (once idle) when it
    // drops below it again. Comparisons rather than transitions, so that a state already
    // reached when the alarm is made fires at once.
    void arm(bool idle) {
        if (alarm_) xcb_sync_destroy_alarm(connection_, alarm_);
        alarm_ = xcb_generate_id(connection_);
        xcb_sync_create_alarm_value_list_t values{};
        values.counter = counter_;
        values.valueType = XCB_SYNC_VALUETYPE_ABSOLUTE;
        values.value = toSync(idle ? idleTime_ - 1 : idleTime_);
        values.testType =
            idle ? XCB_SYNC_TESTTYPE_NEGATIVE_COMPARISON : XCB_SYNC_TESTTYPE_POSITIVE_COMPARISON;
        values.delta = toSync(0);
        values.events = 1;
        xcb_sync_create_alarm_aux(connection_, alarm_,
                                  XCB_SYNC_CA_COUNTER | XCB_SYNC_CA_VALUE_TYPE | XCB_SYNC_CA_VALUE |
                                      XCB_SYNC_CA_TEST_TYPE | XCB_SYNC_CA_DELTA |
                                      XCB_SYNC_CA_EVENTS,
                                  &values);
        xcb_flush(connection_);
        idle_ = idle;
    }

    void read() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            const bool alarm =
                (event->response_type & 0x7f) == firstEvent_ + XCB_SYNC_ALARM_NOTIFY &&
                reinterpret_cast<xcb_sync_alarm_notify_event_t*>(event)->alarm == alarm_;
            free(event);
            if (!alarm) continue;
            const bool nowIdle = !idle_;
            arm(nowIdle);
            if (nowIdle) {
                events_.idle();
            } else {
                events_.active();
            }
        }
        if (xcb_connection_has_error(connection_)) {
            notifier_->setEnabled(false);
            events_.lost("the X display went away");
        }
    }

    IdleEvents events_;
    std::int64_t idleTime_ = 0;
    xcb_connection_t* connection_ = nullptr;
    std::uint8_t firstEvent_ = 0;
    xcb_sync_counter_t counter_ = 0;
    xcb_sync_alarm_t alarm_ = 0;
    bool idle_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace

std::unique_ptr<IdleSource> openX11Idle(std::chrono::milliseconds idleTime,
                                        const IdleEvents& events, std::string& error) {
    auto source = std::make_unique<X11Idle>(events);
    if (!source->open(idleTime, error)) return nullptr;
    return source;
}

}  // namespace fellridge::platform
