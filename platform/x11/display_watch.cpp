#include "platform/x11/display_watch.h"

#include <xcb/xcb.h>

#include <QGuiApplication>

namespace fellridge::platform {

DisplayWatch::DisplayWatch() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return;
    // The toolkit's own reader takes what arrives; this only wakes when it does. Once the
    // server has gone the socket stays readable, so the reader's verdict (the connection's error
    // state) is seen at the latest a moment later.
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection),
                                                  QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this, connection] {
        if (!xcb_connection_has_error(connection)) return;
        notifier_->setEnabled(false);
        emit lost();
    });
}

DisplayWatch::~DisplayWatch() = default;

}  // namespace fellridge::platform
