#include "platform/x11/host_window.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

namespace fellridge::platform {

namespace {

xcb_connection_t* toolkitConnection() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The part of a host window that can ever be seen: no more than the whole desktop, all monitors
// together. A daemon may make its window any size X allows (up to 32767 x 32767, 4 GB of frame
// at 32 bits); the slideshow draws into this part only, and its frame is no larger.
QSize visiblePart(QSize size) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return size;
    const QSize desktop = screen->virtualGeometry().size() * screen->devicePixelRatio();
    if (desktop.isEmpty()) return size;
    return size.boundedTo(desktop);
}

}  // namespace

std::unique_ptr<HostWindow> HostWindow::open(std::uint32_t id, std::string& error) {
    xcb_connection_t* c = toolkitConnection();
    if (!c) {
        error = "no X display";
        return nullptr;
    }
    // Watch it first, then ask its size: a window that goes away in between is still noticed.
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    if (xcb_generic_error_t* failed = xcb_request_check(
            c, xcb_change_window_attributes_checked(c, id, XCB_CW_EVENT_MASK, &mask))) {
        std::free(failed);
        error = "no such window";
        return nullptr;
    }
    xcb_generic_error_t* failed = nullptr;
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, id), &failed);
    std::free(failed);
    if (!geometry) {
        error = "no such window";
        return nullptr;
    }
    const QSize size = visiblePart(QSize(geometry->width, geometry->height));
    std::free(geometry);
    std::unique_ptr<HostWindow> host(new HostWindow(c, id, size));
    QCoreApplication::instance()->installNativeEventFilter(host.get());
    return host;
}

HostWindow::HostWindow(void* connection, std::uint32_t id, QSize size)
    : connection_(connection), id_(id), size_(size) {}

HostWindow::~HostWindow() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
    delete foreign_;
}

void HostWindow::embed(QWidget& child) {
    child_ = &child;
    child.winId();  // the native window, so that it can be given its parent
    if (!foreign_) foreign_ = QWindow::fromWinId(id_);
    if (child.windowHandle()) child.windowHandle()->setParent(foreign_);
    // The toolkit may have chosen its own events on the host: ours come back on top.
    auto* c = static_cast<xcb_connection_t*>(connection_);
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, id_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    follow();
}

void HostWindow::follow() {
    if (child_ && !lost_) child_->setGeometry(0, 0, size_.width(), size_.height());
}

bool HostWindow::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    if (type != "xcb_generic_event_t" || lost_) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
        case XCB_CONFIGURE_NOTIFY: {
            const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
            if (configure->window != id_) break;
            const QSize size = visiblePart(QSize(configure->width, configure->height));
            if (size == size_) break;
            size_ = size;
            follow();
            emit resized(size_);
            break;
        }
        case XCB_DESTROY_NOTIFY: {
            const auto* destroy = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
            if (destroy->window != id_) break;
            lost_ = true;
            emit gone();
            break;
        }
        default:
            break;
    }
    return false;
}

int HostScreen::depth() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 24;
}

BoxAnswer StderrMessageBoxes::show(BoxKind kind, const std::string& text, BoxButtons) {
    const char* title = boxKindTitle(kind);
    const std::string line = (title ? std::string(title) : title_.get()) + ": " + text + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    return BoxAnswer::Ok;
}

}  // namespace fellridge::platform
