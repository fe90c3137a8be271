// Locks the session through the login manager on the system bus (org.freedesktop.login1): the
// desktop's own locker obeys (GNOME's shield, Plasma's locker, swayidle's lock handler, xss-lock).
#pragma once

#include <QObject>

#include "entry/watch/idle_watch.h"

namespace fellridge::platform {

class Login1Locker : public QObject, public watch::SessionLocker {
  public:
    // Without an answer, the locker says so on standard error; the watch goes on.
    void lock() override;

  private:
    void lockPath(const QString& session);
    void byProcess();
};

}  // namespace fellridge::platform
