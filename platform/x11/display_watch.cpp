#include "platform/x11/display_watch.h"

#include <xcb/xcb.h>

#include <QGuiApplication>

namespace fellridge::platform {

DisplayWatch::DisplayWatch(int intervalMs) {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return;
    connect(&timer_, &QTimer::timeout, this, [this, connection] {
        if (!xcb_connection_has_error(connection)) return;
        timer_.stop();
        emit lost();
    });
    timer_.start(intervalMs);
}

}  // namespace fellridge::platform
