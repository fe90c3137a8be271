// The saver's display surface: a background colour, six picture slots and direct drawing.
//
// This is plain code over QImage with no display: the saver window only presents the frame that
// the surface keeps. Slot and background changes show at the next repaint (after the tick has
// returned to the message loop); direct drawing shows at once and is lost wherever a repaint
// reaches.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>

#include "saver/picture.h"
#include "saver/presenter.h"

namespace fellridge::platform {
class Screen;
}

namespace fellridge::saver {

struct Box;  // the surface's own 64-bit rectangle

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The surface's picture slots, lowest first in the stacking order at start. Front is the picture
// of modes 1, 2, 3 and 5 and the top-left quarter of the tiled mode; Backdrop is the stretched
// picture behind the picture in a picture, and also the tiled mode's bottom-left quarter;
// every new picture is loaded into LoadBuffer and copied from there.
enum class Slot { Fallback = 0, Front, Backdrop, TopRight, BottomRight, LoadBuffer };
inline constexpr int kSlotCount = 6;

struct SlotState {
    std::int32_t left = 0, top = 0, width = 0, height = 0;
    bool stretch = false;
    bool visible = false;
    Picture picture;
};

// A picture's pixels for one tick of the animation modes, as Format_RGB32. It shares the
// picture's pixels (converting only a picture of another format), so that an animation keeps no
// second full-size copy.
class WorkingCopy {
  public:
    WorkingCopy() = default;
    explicit WorkingCopy(const Picture& picture);
    int width() const { return rgb32_.width(); }
    int height() const { return rgb32_.height(); }
    // The pixels as Format_RGB32, shared with the picture: what direct drawing copies from, so
    // that a drawing step neither converts nor allocates.
    const QImage& rgb32() const { return rgb32_; }

  private:
    QImage rgb32_;
};

class Surface {
  public:
    Surface(platform::Screen& screen, Presenter* presenter);

    // Slots, with the places and sizes they have when the saver window is created.
    const SlotState& slot(Slot s) const { return slots_[static_cast<int>(s)]; }
    void show(Slot s);
    void hide(Slot s);
    void clear(Slot s);
    void copyPicture(Slot from, Slot to);
    void setPicture(Slot s, Picture picture);
    void setStretch(Slot s, bool on);
    void setLeft(Slot s, std::int32_t v);
    void setTop(Slot s, std::int32_t v);
    void setWidth(Slot s, std::int32_t v);
    void setHeight(Slot s, std::int32_t v);
    void sizeFrontToPicture();
    // left := round(SW / 2 - width / 2), top := round(SH / 2 - height / 2), ties to even,
    // rounded once.
    void centreFront();
    void bringToFront(Slot s);
    // Bottom to top.
    const std::array<Slot, kSlotCount>& stacking() const { return order_; }

    void setBackground(Rgb colour);
    Rgb background() const { return background_; }

    WorkingCopy makeWorkingCopy(Slot s) const;
    // Plain source copy of src (of the working copy) onto dst (of the window), scaled when the
    // sizes differ, clipped to the window. Shows at once.
    void copyToSurface(const Rect& dst, const WorkingCopy& copy, const Rect& src);

    int screenWidth() const;
    int screenHeight() const;

    // Paints background and visible slots over the frame in the area (the whole window when
    // the area is empty), as a repaint of the window does.
    void repaint(const Rect& area = {});
    // What the window shows (Format_RGB32, screen-sized).
    const QImage& frame() const { return frame_; }

  private:
    // Asks for a repaint of the area (window coordinates; clipped to the window).
    void changed(const Box& area);
    // Runs a change of one slot and asks for a repaint when the slot draws something before or
    // after it: changes to slots that show nothing leave direct drawing alone.
    template <class Change>
    void changeSlot(Slot s, Change&& change);
    void ensureFrame();
    void paintScene(const Box& area);
    void paintSlot(int index, const Box& area);
    void presentArea(const Box& area);
    SlotState& at(Slot s) { return slots_[static_cast<int>(s)]; }

    platform::Screen& screen_;
    Presenter* presenter_;
    std::array<SlotState, kSlotCount> slots_;
    std::array<Slot, kSlotCount> order_;
    Rgb background_{};
    QImage frame_;
};

}  // namespace fellridge::saver
