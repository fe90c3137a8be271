// How the display surface reaches the screen. The surface hands its drawing one way: it draws
// into the frame the presenter gave it and says where (present), or says which area a change
// reached (scheduleRepaint); the presenter then has the surface recompose that area before it
// shows it. Tests fake it.
#pragma once

#include <QImage>
#include <cstdint>

namespace fellridge::saver {

// Left, top, right, bottom; right and bottom exclusive.
struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The same area in the toolkit's terms, and back.
inline QRect toQRect(const Rect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}
inline Rect toRect(const QRect& r) {
    return Rect{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

class Presenter {
  public:
    virtual ~Presenter() = default;
    // Shows the frame's pixels in the area (direct drawing).
    virtual void present(const Rect& area) = 0;
    // Has the surface recompose the whole frame (Surface::repaint) and shows it, at the next
    // turn of the message loop.
    virtual void scheduleRepaint() = 0;
    // The same for the area that a change reached.
    virtual void scheduleRepaint(const Rect& area) {
        (void)area;
        scheduleRepaint();
    }
    // A new width x height frame in Format_RGB32 for the surface to draw into: a presenter can
    // hand out memory it shows from, so that it needs no copy of its own.
    virtual QImage newFrame(int width, int height) {
        return QImage(width, height, QImage::Format_RGB32);
    }
};

// A surface that nothing looks at (tests, the benchmarks): presents nothing.
class NullPresenter : public Presenter {
  public:
    void present(const Rect&) override {}
    void scheduleRepaint() override {}
    void scheduleRepaint(const Rect&) override {}
};

}  // namespace fellridge::saver
