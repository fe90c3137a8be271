#include "saver/present_tracker.h"

#include <QMetaObject>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <utility>

#include "saver/surface.h"

namespace fellridge::saver {

void PresentTracker::drawn(const QRect& area) {
    const QRect r = area.intersected(widget_.rect());
    if (r.isEmpty()) return;
    const bool first = gathered_.isEmpty();
    gathered_ |= r;
    if (!first) return;
    QMetaObject::invokeMethod(
        &widget_,
        [this] {
            waitingToShow_ += gathered_;
            widget_.update(gathered_);
            gathered_ = QRect();
        },
        Qt::QueuedConnection);
}

void PresentTracker::recomposeAll() {
    recompose(widget_.rect());
}

void PresentTracker::recompose(const QRect& area) {
    const QRect r = area.intersected(widget_.rect());
    if (r.isEmpty()) return;
    recompose_ += r;
    widget_.update(r);
}

void PresentTracker::paint(const QRegion& region, Surface& surface) {
    const QRegion recompose = region - (waitingToShow_ - recompose_);
    waitingToShow_ -= region;
    recompose_ -= region;
    for (const QRect& r : recompose) surface.repaint(toRect(r));
}

DrawingPacer::DrawingPacer(Show show, int intervalMs, Now now)
    : show_(std::move(show)),
      interval_(std::max(intervalMs, 0)),
      now_(std::move(now)),
      lastShown_(now_() - interval_) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { showWaiting(now_()); });
}

DrawingPacer::DrawingPacer(Show show, int intervalMs)
    : DrawingPacer(std::move(show), intervalMs, [] {
          using namespace std::chrono;
          return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
      }) {}

void DrawingPacer::drawn(const QRect& area) {
    if (area.isEmpty()) return;
    waiting_ |= area;
    const std::int64_t now = now_();
    const std::int64_t since = now - lastShown_;
    if (since >= interval_) return showWaiting(now);
    if (!timer_.isActive()) timer_.start(static_cast<int>(interval_ - since));
}

void DrawingPacer::showWaiting(std::int64_t now) {
    timer_.stop();
    lastShown_ = now;
    const QRect area = std::exchange(waiting_, QRect());
    if (!area.isEmpty()) show_(area);
}

}  // namespace fellridge::saver
