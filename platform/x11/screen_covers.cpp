#include "platform/x11/screen_covers.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <cstdlib>
#include <cstring>

namespace fellridge::platform {

namespace {

// A full-screen window goes where the window manager puts it. Under XWayland that is the
// focused output, whatever the window's geometry says, and each output's workspace has one
// full-screen place: a full-screen cover would take the slideshow's. There a cover bypasses
// the window manager and is shown where its geometry puts it, over the managed windows.
std::unique_ptr<QWidget> makeCover(QScreen* screen, bool placedByGeometry, const QString& title) {
    const Qt::WindowFlags placement =
        placedByGeometry ? Qt::X11BypassWindowManagerHint : Qt::WindowFlags();
    auto cover = std::make_unique<QWidget>(
        nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | placement);
    cover->setObjectName("ScreenCover");
    if (!title.isEmpty()) cover->setWindowTitle(title);
    cover->setAttribute(Qt::WA_ShowWithoutActivating);
    QPalette palette = cover->palette();
    palette.setColor(QPalette::Window, Qt::black);
    cover->setPalette(palette);
    cover->setAutoFillBackground(true);
    cover->winId();
    if (QWindow* window = cover->windowHandle()) window->setScreen(screen);
    // Without a window manager full screen alone leaves the window small: set the geometry too.
    cover->setGeometry(screen->geometry());
    if (placedByGeometry) {
        cover->show();
    } else {
        cover->showFullScreen();
    }
    cover->setGeometry(screen->geometry());
    cover->raise();
    return cover;
}

}  // namespace

bool onXWayland() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return false;
    // Before version 23.1 XWayland has no extension of its own, but names its outputs so.
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->name().startsWith("XWAYLAND")) return true;
    const char* name = "XWAYLAND";
    xcb_query_extension_reply_t* reply = xcb_query_extension_reply(
        c, xcb_query_extension(c, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const bool present = reply && reply->present;
    std::free(reply);
    return present;
}

ScreenCovers::ScreenCovers(QWindow* slideshow, const QString& title)
    : slideshow_(slideshow), placedByGeometry_(onXWayland()), title_(title) {
    auto* app = qGuiApp;
    if (!app) return;
    if (slideshow) connect(slideshow, &QWindow::screenChanged, this, &ScreenCovers::update);
    connect(app, &QGuiApplication::screenAdded, this, &ScreenCovers::update);
    connect(app, &QGuiApplication::screenRemoved, this, [this](QScreen* screen) {
        covers_.erase(screen);
        update();
    });
    connect(app, &QGuiApplication::primaryScreenChanged, this, &ScreenCovers::update);
    update();
}

ScreenCovers::~ScreenCovers() = default;

void ScreenCovers::hide() {
    disconnect(qGuiApp, nullptr, this, nullptr);
    if (slideshow_) disconnect(slideshow_, nullptr, this, nullptr);
    for (auto& [screen, cover] : covers_) cover->hide();
}

void ScreenCovers::update() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    QScreen* shown = slideshow_ ? slideshow_->screen() : QGuiApplication::primaryScreen();
    for (auto it = covers_.begin(); it != covers_.end();) {
        if (it->first == shown || !screens.contains(it->first)) {
            it = covers_.erase(it);
        } else {
            ++it;
        }
    }
    for (QScreen* screen : screens) {
        if (screen == shown || covers_.count(screen)) continue;
        QWidget* cover = (covers_[screen] = makeCover(screen, placedByGeometry_, title_)).get();
        // A monitor that moves or changes its size keeps its cover over all of it.
        connect(screen, &QScreen::geometryChanged, cover,
                [cover](const QRect& geometry) { cover->setGeometry(geometry); });
    }
}

}  // namespace fellridge::platform
