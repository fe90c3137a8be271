#include "saver/saver_widget.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QScreen>
#include <QWindow>

#include "platform/x11/window_class.h"

namespace fellridge::saver {

namespace {

Qt::WindowFlags flagsFor(const platform::HostWindow* host) {
    // Inside a host window the daemon decides what is on top.
    if (host) return Qt::Window | Qt::FramelessWindowHint;
    return Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
}

bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

}  // namespace

SaverWidget::SaverWidget(platform::HostWindow* host, bool paintedOnScreen, Paint paint)
    : QWidget(nullptr, flagsFor(host)), host_(host), paint_(std::move(paint)) {
    setObjectName("SaverWindow");
    setWindowTitle(onX11() ? kSaverWindowName : kProgramTitle);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_PaintOnScreen, paintedOnScreen);
    if (host_) {
        setFocusPolicy(Qt::NoFocus);
        setGeometry(0, 0, host_->size().width(), host_->size().height());
        // The display modes follow the host's size; the whole frame is drawn afresh.
        connect(host_, &platform::HostWindow::resized, this, &SaverWidget::sizeChanged);
    } else {
        setFocusPolicy(Qt::StrongFocus);
        if (QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->geometry());
    }
    platform::setWindowClass(static_cast<std::uintptr_t>(winId()), kSaverInstanceName,
                             kSaverClassName);
    // So they do when the window system shows the window on another screen.
    if (!host_ && windowHandle())
        connect(windowHandle(), &QWindow::screenChanged, this, &SaverWidget::sizeChanged);
}

SaverWidget::~SaverWidget() = default;

void SaverWidget::place() {
    if (host_) {
        host_->embed(*this);
        show();
        return;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    // Without a window manager full screen alone leaves the window small: set the geometry too.
    if (screen) setGeometry(screen->geometry());
    showFullScreen();
    if (screen) setGeometry(screen->geometry());
    covers_ = std::make_unique<platform::ScreenCovers>(windowHandle(),
                                                       onX11() ? QString() : kProgramTitle);
    raise();
    activateWindow();
    // Every key and button belongs to the saver while it runs, whatever window had the focus.
    // A Wayland compositor gives them to the focused window alone, and lets no client take them.
    if (onX11()) {
        grabKeyboard();
        grabMouse();
        grabbed_ = true;
    }
}

void SaverWidget::takeOff() {
    if (covers_) covers_->hide();
    if (grabbed_) {
        releaseKeyboard();
        releaseMouse();
        grabbed_ = false;
    }
    hide();
}

QPaintEngine* SaverWidget::paintEngine() const {
    return testAttribute(Qt::WA_PaintOnScreen) ? nullptr : QWidget::paintEngine();
}

void SaverWidget::paintEvent(QPaintEvent* event) {
    if (paint_) paint_(event->region());
}

}  // namespace fellridge::saver
