// What a window painted by the toolkit must remember between the display surface and the toolkit's
// paint events. Direct drawing is already in the surface's frame. A window painted through the
// toolkit's backing store shows it at the next message processing, and must not paint over it by
// recomposing the slots there; a window that shows the frame itself (X11) shows it through a
// DrawingPacer, with no paint event. A slot or background change recomposes the area it reached
// at the next paint, and so does anything else that repaints an area (the window uncovered, say).
#pragma once

#include <QRect>
#include <QRegion>
#include <QTimer>
#include <cstdint>
#include <functional>

class QWidget;

namespace fellridge::saver {

class Surface;

class PresentTracker {
  public:
    explicit PresentTracker(QWidget& widget) : widget_(widget) {}

    // Direct drawing in the area (window coordinates): shown at the next message processing.
    // A roll-down draws a row at a time, so the areas are gathered into one rectangle and
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

// Direct drawing on a window that shows the frame itself: shown at once, but no more often than
// the screen refreshes, since more is never seen. Drawing within a refresh interval of the last
// showing waits for the first drawing after the interval or, with none, for its end: a roll-down
// at 100 rows a second shows two rows at a time on a 60 Hz screen, and a slide that draws without
// pause sends the server one picture per refresh.
class DrawingPacer {
  public:
    using Show = std::function<void(const QRect&)>;
    using Now = std::function<std::int64_t()>;  // milliseconds of a clock that only goes forward
    DrawingPacer(Show show, int intervalMs, Now now);
    DrawingPacer(Show show, int intervalMs);  // on the system's monotonic clock

    void drawn(const QRect& area);

  private:
    void showWaiting(std::int64_t now);

    Show show_;
    std::int64_t interval_;
    Now now_;
    std::int64_t lastShown_;
    QRect waiting_;  // drawn, not shown yet
    QTimer timer_;   // shows what waits at the end of the interval
};

}  // namespace fellridge::saver
