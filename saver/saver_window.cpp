#include "saver/saver_window.h"

#include <fcntl.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QSocketNotifier>
#include <csignal>
#include <cstring>

#include "platform/sdl_player.h"

namespace fellridge::saver {

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

QRect toQRect(const Rect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

}  // namespace

void SaverWindow::watchSignals() {
    if (signalPipe[0] >= 0) return;
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(sig, &action, nullptr);
}

SaverWindow::SaverWindow(platform::Services& services)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      services_(services),
      player_(std::make_unique<platform::SdlPlayer>()) {
    setObjectName("SaverWindow");
    setWindowTitle(kSaverWindowName);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_PaintOnScreen, platform::X11Frame::available());
    setFocusPolicy(Qt::StrongFocus);
    if (QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->geometry());
    setWindowClass();

    if (signalPipe[0] >= 0) {
        signals_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
        connect(signals_, &QSocketNotifier::activated, this, &SaverWindow::onSignal);
    }

    surface_ = std::make_unique<Surface>(*services_.screen, this);
    // The saver connects Timer1's tick and the player's notice itself.
    saver_ = std::make_unique<Saver>(services_, *surface_, timer_, *player_, *this);

    // A failure inside creation ends the creation handler; the window is shown all the same.
    platform::runHandler(*services_.boxes, [this] { saver_->formCreate(); });
    created_ = true;
}

SaverWindow::~SaverWindow() {
    timer_.setEnabled(false);
    if (player_) player_->release();
}

void SaverWindow::setWindowClass() {
    // WM_CLASS is "instance\0class\0"; it must be set on the native window before it is mapped.
    const WId id = winId();
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return;
    static const char value[] = "fellridge-wildlife\0TForm1";
    xcb_change_property(x11->connection(), XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(id),
                        XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof(value), value);
    xcb_flush(x11->connection());
}

bool SaverWindow::showSaver() {
    if (quitRequested_) return false;
    QScreen* screen = QGuiApplication::primaryScreen();
    // Without a window manager full screen alone leaves the window small: set the geometry too.
    if (screen) setGeometry(screen->geometry());
    showFullScreen();
    if (screen) setGeometry(screen->geometry());
    raise();
    activateWindow();
    grabInput();
    return true;
}

void SaverWindow::grabInput() {
    // Every key and button belongs to the saver while it runs, whatever window had the focus.
    grabKeyboard();
    grabMouse();
}

std::uintptr_t SaverWindow::nativeId() {
    return static_cast<std::uintptr_t>(winId());
}

void SaverWindow::close() {
    // While the window is still being created it isn't the main window yet: closing it then
    // doesn't end the run.
    if (!created_) return;
    releaseKeyboard();
    releaseMouse();
    QWidget::close();
    QCoreApplication::quit();
}

void SaverWindow::onSignal() {
    char buffer[16];
    while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
    }
    saver_->stopRoutine();
    quitRequested_ = true;
    QCoreApplication::exit(0);
}

void SaverWindow::present(const Rect& area) {
    presented_.drawn(toQRect(area));
}

void SaverWindow::scheduleRepaint() {
    presented_.recomposeAll();
}

void SaverWindow::scheduleRepaint(const Rect& area) {
    presented_.recompose(toQRect(area));
}

QImage SaverWindow::newFrame(int width, int height) {
    // The surface's frame is the one copy of the picture on the screen: on X11 it lives in
    // memory the server shows from, elsewhere the toolkit's backing store copies it.
    if (!x11Frame_ && testAttribute(Qt::WA_PaintOnScreen)) {
        x11Frame_ = platform::X11Frame::forWindow(static_cast<std::uintptr_t>(winId()));
        if (!x11Frame_) setAttribute(Qt::WA_PaintOnScreen, false);
    }
    return x11Frame_ ? x11Frame_->newImage(width, height)
                     : QImage(width, height, QImage::Format_RGB32);
}

QPaintEngine* SaverWindow::paintEngine() const {
    return testAttribute(Qt::WA_PaintOnScreen) ? nullptr : QWidget::paintEngine();
}

void SaverWindow::paintEvent(QPaintEvent* event) {
    presented_.paint(event->region(), *surface_);
    const QImage& frame = surface_->frame();
    if (x11Frame_) {
        for (const QRect& r : event->region()) x11Frame_->show(frame, r);
        return;
    }
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& r : event->region()) painter.drawImage(r.topLeft(), frame, r);
}

}  // namespace fellridge::saver
