// org.freedesktop.ScreenSaver's Inhibit and UnInhibit on the session bus, for sessions where no
// desktop answers them (wlroots compositors, plain X11 window managers): browsers, video players
// and calls ask there to keep the screen on. Each cookie is kept until it is given back or its
// holder leaves the bus (a player that crashed inhibits nothing any more).
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <functional>
#include <map>

class QDBusServiceWatcher;

namespace fellridge::platform {

class Inhibitors : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
  public:
    enum class Offer { Taken, DesktopOwnsIt, NoBus };

    // changed is told whether any cookie is held, each time that changes.
    Inhibitors(QDBusConnection bus, std::function<void(bool held)> changed);
    ~Inhibitors() override;

    // Takes the name org.freedesktop.ScreenSaver and serves it on /org/freedesktop/ScreenSaver
    // and /ScreenSaver, unless somebody owns it already.
    Offer offer();
    bool held() const { return !cookies_.empty(); }

  public slots:
    uint Inhibit(const QString& application, const QString& reason);
    void UnInhibit(uint cookie);

  private:
    void holderLeft(const QString& holder);
    void drop(std::map<uint, QString>::iterator cookie);

    QDBusConnection bus_;
    std::function<void(bool)> changed_;
    QDBusServiceWatcher* holders_;
    std::map<uint, QString> cookies_;  // cookie -> the holder's unique bus name
    uint next_ = 0;
    bool registered_ = false;
};

}  // namespace fellridge::platform
