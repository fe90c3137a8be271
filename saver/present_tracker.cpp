#include "saver/present_tracker.h"

#include <QMetaObject>
#include <QWidget>

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
    for (const QRect& r : recompose)
        surface.repaint(Rect{r.left(), r.top(), r.right() + 1, r.bottom() + 1});
}

}  // namespace fellridge::saver
