#include "saver/saver_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <utility>

#include "platform/x11/window_class.h"

namespace fellridge::saver {

namespace {

QRect toQRect(const Rect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

Qt::WindowFlags flagsFor(const Placement& placement) {
    // Inside a host window the daemon decides what is on top.
    if (placement.host) return Qt::Window | Qt::FramelessWindowHint;
    return Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
}

}  // namespace

SaverWindow::SaverWindow(const SaverServices& services, platform::Timer& timer,
                         platform::SoundPlayer& player, Placement placement)
    : QWidget(nullptr, flagsFor(placement)),
      services_(services),
      timer_(timer),
      player_(player),
      placement_(std::move(placement)) {
    setObjectName("SaverWindow");
    setWindowTitle(kSaverWindowName);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_PaintOnScreen, platform::X11Frame::available());
    if (placement_.host) {
        setFocusPolicy(Qt::NoFocus);
        setGeometry(0, 0, placement_.host->size().width(), placement_.host->size().height());
    } else {
        setFocusPolicy(Qt::StrongFocus);
        if (QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->geometry());
    }
    platform::setWindowClass(static_cast<std::uintptr_t>(winId()), kSaverInstanceName,
                             kSaverClassName);
    // Before the surface, whose frame then lives in memory the compositor reads.
    if (!placement_.host) openLayers();

    surface_ = std::make_unique<Surface>(services_.screen, this);
    // The saver connects the timer's tick and the player's end-of-playback notice itself.
    saver_ = std::make_unique<Saver>(services_, *surface_, timer_, player_, *this);
    if (!placement_.temporaryDirectory.empty())
        saver_->pictures().useTemporaryDirectory(placement_.temporaryDirectory);
    if (placement_.host) {
        // The display modes follow the host's size; the whole frame is drawn afresh.
        connect(placement_.host, &platform::HostWindow::resized, this,
                [this] { scheduleRepaint(); });
    } else if (QWindow* window = windowHandle()) {
        // So they do when the window system shows the window on another screen.
        connect(window, &QWindow::screenChanged, this, [this] { scheduleRepaint(); });
    }
}

void SaverWindow::start() {
    platform::runHandler(services_.boxes, [this] { saver_->start(); });
    created_ = true;
}

SaverWindow::~SaverWindow() {
    // The saver goes first, and with it its hold on the timer and the player.
    saver_.reset();
    timer_.setEnabled(false);
    player_.release();
}

bool SaverWindow::showSaver() {
    if (ended_) return false;
    if (placement_.host) {
        placement_.host->embed(*this);
        show();
        return true;
    }
    if (layers_) {
        layers_->cover();
        return true;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    // Without a window manager full screen alone leaves the window small: set the geometry too.
    if (screen) setGeometry(screen->geometry());
    showFullScreen();
    if (screen) setGeometry(screen->geometry());
    covers_ = std::make_unique<platform::ScreenCovers>(windowHandle());
    raise();
    activateWindow();
    grabInput();
    return true;
}

void SaverWindow::openLayers() {
    platform::wayland::SaverLayers::Handlers handlers;
    handlers.recompose = [this](const QRect& area) {
        surface_->repaint(Rect{area.left(), area.top(), area.right() + 1, area.bottom() + 1});
    };
    handlers.input = [this](platform::wayland::Input input) { layerInput(input); };
    handlers.lost = [this] {
        displayLost_ = true;
        stop();
    };
    layers_ = platform::wayland::SaverLayers::open(std::move(handlers));
}

void SaverWindow::layerInput(platform::wayland::Input input) {
    // Handed to the saver the way the toolkit hands input on its own windows: through the
    // application's event filter, as an event of this window.
    QWindow* window = windowHandle();
    if (!window) return;
    using platform::wayland::Input;
    if (input == Input::Key) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &press);
        return;
    }
    const Qt::MouseButton button = input == Input::LeftButton     ? Qt::LeftButton
                                   : input == Input::RightButton  ? Qt::RightButton
                                   : input == Input::MiddleButton ? Qt::MiddleButton
                                                                  : Qt::ExtraButton1;
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(), QPointF(), button, button,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(window, &press);
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
    ended_ = true;
    if (covers_) covers_->hide();
    if (layers_) {
        // The widget was never shown, so its close ends nothing: end the message loop here.
        layers_.reset();
        QCoreApplication::quit();
        return;
    }
    if (!placement_.host) {
        releaseKeyboard();
        releaseMouse();
    }
    // The program ends when its main window closes (see entry/).
    QWidget::close();
}

void SaverWindow::stop() {
    saver_->stopRoutine();
    ended_ = true;
    // During the start-up a message box may still wait for an answer that nobody will give:
    // every message loop ends, the box's with the rest.
    QCoreApplication::exit(0);
}

void SaverWindow::present(const Rect& area) {
    if (layers_) return layers_->drawn(toQRect(area));
    // The server shows the area from the frame's memory, with no paint of the toolkit between.
    if (x11Drawing_) return x11Drawing_->drawn(toQRect(area));
    presented_.drawn(toQRect(area));
}

void SaverWindow::scheduleRepaint() {
    if (layers_) return layers_->recompose(QRect());
    presented_.recomposeAll();
}

void SaverWindow::scheduleRepaint(const Rect& area) {
    if (layers_) return layers_->recompose(toQRect(area));
    presented_.recompose(toQRect(area));
}

QImage SaverWindow::newFrame(int width, int height) {
    // The surface's frame is the one copy of the picture on the screen: on X11 it lives in
    // memory the server shows from, on a layer shell in memory the compositor reads, elsewhere
    // the toolkit's backing store copies it.
    if (layers_) return layers_->newFrame(width, height);
    if (!x11Frame_ && testAttribute(Qt::WA_PaintOnScreen)) {
        x11Frame_ = platform::X11Frame::forWindow(static_cast<std::uintptr_t>(winId()));
        if (x11Frame_) {
            const QScreen* screen = windowHandle() ? windowHandle()->screen() : nullptr;
            const qreal hz = screen && screen->refreshRate() >= 1 ? screen->refreshRate() : 60;
            x11Drawing_ = std::make_unique<DrawingPacer>(
                [this](const QRect& drawn) { x11Frame_->show(surface_->frame(), drawn); },
                qRound(1000 / hz));
        } else {
            setAttribute(Qt::WA_PaintOnScreen, false);
        }
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
