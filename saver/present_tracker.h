// What the saver window must remember between the display surface and the toolkit's paint
// events. Direct drawing is already in the surface's frame: it is shown at the next message
// processing and must not be painted over by recomposing the slots there. A slot or background
// change recomposes the area it reached at the next paint, and so does anything else that
// repaints an area (the window uncovered, say).
#pragma once

#include <QRect>
#include <QRegion>

class QWidget;

namespace fellridge::saver {

class Surface;

class PresentTracker {
  public:
    explicit PresentTracker(QWidget& widget) : widget_(widget) {}

    // Direct drawing in the area (window coordinates): shown at the next message processing.
    // A roll-down draws one pixel at a time, so the areas are gathered into one rectangle and
    // handed to the toolkit once.
    void drawn(const QRect& area);
    // A slot or background change: the whole window is recomposed at its next paint.
    void recomposeAll();
    // The same for the area (window coordinates) that a change reached.
    void recompose(const QRect& area);
    // For a paint event of the region, before the frame is shown there: recomposes the surface
    // in all of the region but the direct drawing that waits to be shown.
    void paint(const QRegion& region, Surface& surface);

  private:
    QWidget& widget_;
    QRect gathered_;         // drawn since the last message processing
    QRegion waitingToShow_;  // drawn, handed to the toolkit, not painted yet
    QRegion recompose_;      // changed slots, not painted yet
};

}  // namespace fellridge::saver
