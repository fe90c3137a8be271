#include "platform/session/inhibitors.h"

#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QRandomGenerator>

namespace fellridge::platform {

namespace {

constexpr const char* kName = "org.freedesktop.ScreenSaver";
constexpr const char* kPaths[] = {"/org/freedesktop/ScreenSaver", "/ScreenSaver"};

}  // namespace

Inhibitors::Inhibitors(QDBusConnection bus, std::function<void(bool held)> changed)
    : bus_(std::move(bus)),
      changed_(std::move(changed)),
      holders_(new QDBusServiceWatcher(QString(), bus_, QDBusServiceWatcher::WatchForUnregistration,
                                       this)),
      next_(QRandomGenerator::global()->bounded(1u << 16) + 1) {
    connect(holders_, &QDBusServiceWatcher::serviceUnregistered, this, &Inhibitors::holderLeft);
}

Inhibitors::~Inhibitors() {
    if (!registered_) return;
    for (const char* path : kPaths) bus_.unregisterObject(path);
    bus_.unregisterService(kName);
}

Inhibitors::Offer Inhibitors::offer() {
    if (!bus_.isConnected()) return Offer::NoBus;
    const auto reply =
        bus_.interface()->registerService(kName, QDBusConnectionInterface::DontQueueService,
                                          QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered)
        return Offer::DesktopOwnsIt;
    for (const char* path : kPaths)
        bus_.registerObject(path, this, QDBusConnection::ExportAllSlots);
    registered_ = true;
    return Offer::Taken;
}

uint Inhibitors::Inhibit(const QString&, const QString&) {
    const QString holder = calledFromDBus() ? message().service() : QString();
    // Cookies are never 0 and never reused while held.
    while (next_ == 0 || cookies_.count(next_)) ++next_;
    const uint cookie = next_++;
    const bool first = cookies_.empty();
    cookies_[cookie] = holder;
    if (first) changed_(true);
    if (!holder.isEmpty()) {
        holders_->addWatchedService(holder);
        // A holder that left before the watch was set up (a one-shot client) is gone already.
        if (!bus_.interface()->isServiceRegistered(holder)) holderLeft(holder);
    }
    return cookie;
}

void Inhibitors::UnInhibit(uint cookie) {
    const auto it = cookies_.find(cookie);
    if (it != cookies_.end()) drop(it);
}

void Inhibitors::holderLeft(const QString& holder) {
    for (auto it = cookies_.begin(); it != cookies_.end();)
        if (it->second == holder) {
            const auto next = std::next(it);
            drop(it);
            it = next;
        } else {
            ++it;
        }
}

void Inhibitors::drop(std::map<uint, QString>::iterator cookie) {
    const QString holder = cookie->second;
    cookies_.erase(cookie);
    bool stillHolds = false;
    for (const auto& [id, name] : cookies_) stillHolds = stillHolds || name == holder;
    if (!stillHolds && !holder.isEmpty()) holders_->removeWatchedService(holder);
    if (cookies_.empty()) changed_(false);
}

}  // namespace fellridge::platform
