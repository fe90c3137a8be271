// Idleness from Mutter's idle monitor on the session bus (GNOME offers no Wayland idle protocol).
// An idle watch fires each time the session has been idle for the time; a user-active watch, made
// after it fired, fires once at the next input. Mutter holds these watches back while an
// application inhibits idleness.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>

#include "platform/idle/idle_source.h"

namespace fellridge::platform {

namespace {

constexpr const char* kService = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kInterface = "org.gnome.Mutter.IdleMonitor";

class MutterIdle : public QObject, public IdleSource {
    Q_OBJECT
  public:
    explicit MutterIdle(const IdleEvents& events)
        : events_(events), bus_(QDBusConnection::sessionBus()) {}

    std::string name() const override { return "Mutter's idle monitor"; }

    bool open(std::chrono::milliseconds idleTime, std::string& error) {
        if (!bus_.isConnected() || !bus_.interface()->isServiceRegistered(kService)) {
            error = "Mutter's idle monitor isn't on the session bus";
            return false;
        }
        watcher_ = new QDBusServiceWatcher(kService, bus_,
                                           QDBusServiceWatcher::WatchForUnregistration, this);
        connect(watcher_, &QDBusServiceWatcher::serviceUnregistered, this,
                [this] { events_.lost("Mutter's idle monitor went away"); });
        bus_.connect(kService, kPath, kInterface, "WatchFired", this, SLOT(fired(uint)));
        const QDBusReply<uint> reply = call("AddIdleWatch", {qulonglong(idleTime.count())});
        if (!reply.isValid()) {
            error = "Mutter's idle monitor: " + reply.error().message().toStdString();
            return false;
        }
        idleWatch_ = reply.value();
        return true;
    }

  private slots:
    void fired(uint id) {
        if (id == idleWatch_) {
            const QDBusReply<uint> reply = call("AddUserActiveWatch", {});
            if (reply.isValid()) activeWatch_ = reply.value();
            events_.idle();
        } else if (id == activeWatch_ && activeWatch_ != 0) {
            activeWatch_ = 0;
            events_.active();
        }
    }

  private:
    QDBusMessage call(const char* method, const QList<QVariant>& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
        message.setArguments(arguments);
        return bus_.call(message, QDBus::Block, 5000);
    }

    IdleEvents events_;
    QDBusConnection bus_;
    QDBusServiceWatcher* watcher_ = nullptr;
    uint idleWatch_ = 0, activeWatch_ = 0;
};

}  // namespace

std::unique_ptr<IdleSource> openMutterIdle(std::chrono::milliseconds idleTime,
                                           const IdleEvents& events, std::string& error) {
    auto source = std::make_unique<MutterIdle>(events);
    if (!source->open(idleTime, error)) return nullptr;
    return source;
}

}  // namespace fellridge::platform

#include "mutter_idle.moc"
