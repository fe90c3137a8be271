#include "saver/x11_frame_presenter.h"

#include <QScreen>
#include <QWindow>

namespace fellridge::saver {

X11FramePresenter::X11FramePresenter(platform::HostWindow* host) : WindowPresenter(host, true) {}

X11FramePresenter::~X11FramePresenter() = default;

std::unique_ptr<X11FramePresenter> X11FramePresenter::create(platform::HostWindow* host) {
    if (!platform::X11Frame::available()) return nullptr;
    std::unique_ptr<X11FramePresenter> presenter(new X11FramePresenter(host));
    X11FramePresenter& p = *presenter;
    p.x11Frame_ = platform::X11Frame::forWindow(p.nativeId());
    if (!p.x11Frame_) return nullptr;
    const QScreen* screen = p.window() ? p.window()->screen() : nullptr;
    const qreal hz = screen && screen->refreshRate() >= 1 ? screen->refreshRate() : 60;
    p.pacer_ = std::make_unique<DrawingPacer>(
        [&p](const QRect& drawn) {
            if (p.surface_) p.x11Frame_->show(p.surface_->frame(), drawn);
        },
        qRound(1000 / hz));
    return presenter;
}

QImage X11FramePresenter::newFrame(int width, int height) {
    // The surface's frame is the one copy of the picture on the screen: the server shows it
    // from the memory it shares with us.
    return x11Frame_->newImage(width, height);
}

void X11FramePresenter::present(const Rect& area) {
    pacer_->drawn(toQRect(area));
}

void X11FramePresenter::paint(const QRegion& region) {
    if (!surface_) return;
    tracker().paint(region, *surface_);
    for (const QRect& r : region) x11Frame_->show(surface_->frame(), r);
}

}  // namespace fellridge::saver
