#include "platform/session/session_lock.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace fellridge::platform {

namespace {

constexpr const char* kLogin = "org.freedesktop.login1";
constexpr const char* kManagerPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";

void complain(const QString& text) {
    std::fprintf(stderr, "fellridge-wildlife: can't lock the session: %s\n",
                 text.toLocal8Bit().constData());
    std::fflush(stderr);
}

// Calls and hands the reply to done on the message loop, never blocking it.
void callThen(QObject* owner, const QDBusMessage& message,
              std::function<void(const QDBusMessage&)> done) {
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(message), owner);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, owner,
                     [watcher, done = std::move(done)] {
                         watcher->deleteLater();
                         done(watcher->reply());
                     });
}

}  // namespace

void Login1Locker::lock() {
    // The session of $XDG_SESSION_ID, else the caller's ("auto"), else the one of our process.
    const char* id = std::getenv("XDG_SESSION_ID");
    auto message = QDBusMessage::createMethodCall(kLogin, kManagerPath, kManager, "GetSession");
    message << QString::fromLocal8Bit(id && *id ? id : "auto");
    callThen(this, message, [this](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            lockPath(qvariant_cast<QDBusObjectPath>(reply.arguments().first()).path());
        } else {
            byProcess();
        }
    });
}

void Login1Locker::byProcess() {
    auto message =
        QDBusMessage::createMethodCall(kLogin, kManagerPath, kManager, "GetSessionByPID");
    message << uint(::getpid());
    callThen(this, message, [this](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            lockPath(qvariant_cast<QDBusObjectPath>(reply.arguments().first()).path());
        } else {
            complain(reply.errorMessage());
        }
    });
}

void Login1Locker::lockPath(const QString& session) {
    callThen(
        this,
        QDBusMessage::createMethodCall(kLogin, session, "org.freedesktop.login1.Session", "Lock"),
        [](const QDBusMessage& reply) {
            if (reply.type() != QDBusMessage::ReplyMessage) complain(reply.errorMessage());
        });
}

}  // namespace fellridge::platform
