#include "saver/window_presenter.h"

#include <QPainter>

namespace fellridge::saver {

WindowPresenter::WindowPresenter(platform::HostWindow* host, bool paintedOnScreen)
    : widget_(std::make_unique<SaverWidget>(host, paintedOnScreen,
                                            [this](const QRegion& region) { paint(region); })),
      tracker_(std::make_unique<PresentTracker>(*widget_)) {
    QObject::connect(widget_.get(), &SaverWidget::sizeChanged, widget_.get(),
                     [this] { scheduleRepaint(); });
}

WindowPresenter::~WindowPresenter() = default;

void WindowPresenter::present(const Rect& area) {
    tracker_->drawn(toQRect(area));
}

void WindowPresenter::scheduleRepaint() {
    tracker_->recomposeAll();
}

void WindowPresenter::scheduleRepaint(const Rect& area) {
    tracker_->recompose(toQRect(area));
}

void WindowPresenter::show() {
    widget_->place();
}

void WindowPresenter::hide() {
    widget_->takeOff();
}

std::uintptr_t WindowPresenter::nativeId() {
    return static_cast<std::uintptr_t>(widget_->winId());
}

QWindow* WindowPresenter::window() {
    return widget_->windowHandle();
}

void WindowPresenter::paint(const QRegion& region) {
    if (!surface_) return;
    tracker_->paint(region, *surface_);
    const QImage& frame = surface_->frame();
    QPainter painter(widget_.get());
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& r : region) painter.drawImage(r.topLeft(), frame, r);
}

}  // namespace fellridge::saver
