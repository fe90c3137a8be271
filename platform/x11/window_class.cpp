#include "platform/x11/window_class.h"

#include <xcb/xcb.h>

#include <QGuiApplication>

namespace fellridge::platform {

void setWindowClass(std::uintptr_t window, const std::string& instance,
                    const std::string& className) {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || window == 0) return;
    std::string value = instance;
    value += '\0';
    value += className;
    value += '\0';
    xcb_change_property(x11->connection(), XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window),
                        XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(value.size()), value.data());
    xcb_flush(x11->connection());
}

}  // namespace fellridge::platform
