// The saver's display surface: the frame the window shows, its slots and direct drawing.
#include "saver/surface.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/files/text.h"
#include "platform/services.h"
#include "saver/smooth_scale.h"

namespace fellridge::saver {

// A rectangle in 64-bit coordinates, so that slot bounds near the 32-bit limits can't overflow:
// the one the surface computes with; Rect and QRect only where it meets the window and QImage.
struct Box {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    std::int64_t width() const { return right - left; }
    std::int64_t height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Box&, const Box&) = default;
};

namespace {

Box intersect(const Box& a, const Box& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

Box boxOf(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

Box boxOf(const Rect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// Only call with a box that lies inside a QImage (so it fits in int).
QRect rectOf(const Box& b) {
    return {static_cast<int>(b.left), static_cast<int>(b.top), static_cast<int>(b.width()),
            static_cast<int>(b.height())};
}

// Only call with a box that lies inside the window (so it fits in 32 bits).
Rect rectIn32(const Box& b) {
    return {static_cast<std::int32_t>(b.left), static_cast<std::int32_t>(b.top),
            static_cast<std::int32_t>(b.right), static_cast<std::int32_t>(b.bottom)};
}

// The largest screen side we make a frame for; anything beyond is a broken screen query.
constexpr int kMaxScreenSide = 1 << 15;

// Copies src's pixels in srcArea (inside src) to the frame, srcArea's corner landing at
// (x, y), only where the result lies inside clip (inside the frame). Both images are RGB32.
// Returns the frame area written.
Box blit(QImage& frame, std::int64_t x, std::int64_t y, const QImage& src, const Box& srcArea,
         const Box& clip) {
    const Box target{x, y, x + srcArea.width(), y + srcArea.height()};
    const Box area = intersect(target, clip);
    if (area.empty()) return {};
    const std::int64_t sx = srcArea.left + (area.left - x);
    const std::int64_t sy = srcArea.top + (area.top - y);
    const std::size_t bytes = static_cast<std::size_t>(area.width()) * 4;
    uchar* const frameBits = frame.bits();
    const qsizetype frameStride = frame.bytesPerLine();
    const uchar* const srcBits = src.constBits();
    const qsizetype srcStride = src.bytesPerLine();
    for (std::int64_t row = 0; row < area.height(); ++row) {
        std::memcpy(frameBits + (area.top + row) * frameStride + area.left * 4,
                    srcBits + (sy + row) * srcStride + sx * 4, bytes);
    }
    return area;
}

// Draws the srcArea of image (inside the image, Format_RGB32) scaled to dst, limited to clip
// (inside the frame). The part that shows is scaled straight into the frame.
void drawScaled(QImage& frame, const Box& dst, const QImage& image, const Box& srcArea,
                const Box& clip, std::int64_t maxScaledPixels) {
    if (dst.empty() || srcArea.empty() || image.isNull()) return;
    const Box visible = intersect(dst, clip);
    if (visible.empty()) return;

    if (dst.width() <= maxScaledPixels / dst.height()) {  // no 64-bit overflow
        const QImage part = srcArea == boxOf(image.rect()) ? image : image.copy(rectOf(srcArea));
        const Box area{visible.left - dst.left, visible.top - dst.top, visible.right - dst.left,
                       visible.bottom - dst.top};
        smoothScaleInto(
            part, static_cast<int>(dst.width()), static_cast<int>(dst.height()), rectOf(area),
            frame.scanLine(static_cast<int>(visible.top)) + visible.left * 4, frame.bytesPerLine());
        return;
    }
    // A slot far larger than the screen: let the painter sample only the part that shows.
    QPainter painter(&frame);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setClipRect(rectOf(visible));
    painter.drawImage(QRectF(static_cast<qreal>(dst.left), static_cast<qreal>(dst.top),
                             static_cast<qreal>(dst.width()), static_cast<qreal>(dst.height())),
                      image, QRectF(rectOf(srcArea)));
}

// Where a slot may draw: its rectangle.
Box boundsOf(const SlotState& s) {
    return {s.left, s.top, static_cast<std::int64_t>(s.left) + s.width,
            static_cast<std::int64_t>(s.top) + s.height};
}

// Whether another slot than the one at index holds the same picture.
bool sharedWithAnother(const std::array<SlotState, kSlotCount>& all, std::size_t index) {
    for (std::size_t i = 0; i < all.size(); ++i)
        if (i != index && all[i].picture.sharesDataWith(all[index].picture)) return true;
    return false;
}

bool draws(const SlotState& s) {
    return s.visible && s.width > 0 && s.height > 0 && !s.picture.empty();
}

// Half the difference of a screen side and a slot side: the slot's offset when centred.
std::int32_t centredOffset(std::int32_t screen, std::int32_t size) {
    return static_cast<std::int32_t>(
        platform::text::divideRoundHalfEven(std::int64_t{screen} - size, 2));
}

}  // namespace

WorkingCopy::WorkingCopy(const Picture& picture) {
    if (picture.empty()) return;
    rgb32_ = picture.pixels();
    if (!rgb32_.isNull() && rgb32_.format() != QImage::Format_RGB32)
        rgb32_ = rgb32_.convertToFormat(QImage::Format_RGB32);
}

Surface::Surface(platform::Screen& screen, Presenter* presenter)
    : screen_(screen), presenter_(presenter) {
    struct Design {
        std::int32_t left, top, width, height;
        bool stretch;
    };
    static constexpr Design kDesign[kSlotCount] = {
        {579, 242, 30, 31, true},     // fallback picture
        {264, 176, 105, 161, false},  // front
        {0, 0, 105, 105, true},       // backdrop, and the bottom-left quarter
        {288, 128, 225, 105, false},  // top right
        {72, 168, 105, 225, false},   // bottom right
        {216, 152, 105, 105, false},  // load buffer
    };
    for (int i = 0; i < kSlotCount; ++i) {
        slots_[i].left = kDesign[i].left;
        slots_[i].top = kDesign[i].top;
        slots_[i].width = kDesign[i].width;
        slots_[i].height = kDesign[i].height;
        slots_[i].stretch = kDesign[i].stretch;
        order_[i] = static_cast<Slot>(i);
    }
    slots_[0].picture = fallbackPicture();
    ensureFrame();
}

template <class Change>
void Surface::changeSlot(Slot s, Change&& change) {
    const bool before = draws(slot(s));
    const Box was = boundsOf(slot(s));
    change(at(s));
    // Only where the slot was or is now: the rest of the window stays as it is.
    if (before) changed(was);
    if (draws(slot(s))) changed(boundsOf(slot(s)));
}

void Surface::show(Slot s) {
    if (!slot(s).visible) changeSlot(s, [](SlotState& st) { st.visible = true; });
}
void Surface::hide(Slot s) {
    if (slot(s).visible) changeSlot(s, [](SlotState& st) { st.visible = false; });
}
void Surface::clear(Slot s) {
    setPicture(s, Picture());
}
void Surface::copyPicture(Slot from, Slot to) {
    setPicture(to, slot(from).picture);
}
void Surface::setPicture(Slot s, Picture picture) {
    changeSlot(s, [&](SlotState& st) { st.picture = std::move(picture); });
}
void Surface::setStretch(Slot s, bool on) {
    if (slot(s).stretch != on) changeSlot(s, [on](SlotState& st) { st.stretch = on; });
}
void Surface::setLeft(Slot s, std::int32_t v) {
    if (slot(s).left != v) changeSlot(s, [v](SlotState& st) { st.left = v; });
}
void Surface::setTop(Slot s, std::int32_t v) {
    if (slot(s).top != v) changeSlot(s, [v](SlotState& st) { st.top = v; });
}
void Surface::setWidth(Slot s, std::int32_t v) {
    if (slot(s).width != v) changeSlot(s, [v](SlotState& st) { st.width = v; });
}
void Surface::setHeight(Slot s, std::int32_t v) {
    if (slot(s).height != v) changeSlot(s, [v](SlotState& st) { st.height = v; });
}

void Surface::sizeFrontToPicture() {
    const Picture& picture = slot(Slot::Front).picture;
    setWidth(Slot::Front, picture.width());
    setHeight(Slot::Front, picture.height());
}

void Surface::centreFront() {
    const SlotState& image1 = slot(Slot::Front);
    setLeft(Slot::Front, centredOffset(screenWidth(), image1.width));
    setTop(Slot::Front, centredOffset(screenHeight(), image1.height));
}

void Surface::bringToFront(Slot s) {
    const auto it = std::find(order_.begin(), order_.end(), s);
    if (it == order_.end() || it + 1 == order_.end()) return;
    changeSlot(s, [&](SlotState&) { std::rotate(it, it + 1, order_.end()); });
}

void Surface::setBackground(Rgb colour) {
    if (colour == background_) return;
    background_ = colour;
    changed({0, 0, screenWidth(), screenHeight()});
}

WorkingCopy Surface::makeWorkingCopy(Slot s) const {
    return WorkingCopy(slot(s).picture);
}

void Surface::copyToSurface(const Rect& dst, const WorkingCopy& copy, const Rect& src) {
    ensureFrame();
    const QImage& image = copy.rgb32();
    if (frame_.isNull() || image.isNull()) return;
    const Box target = boxOf(dst);
    const Box source = boxOf(src);
    if (target.empty() || source.empty()) return;
    const Box screen = boxOf(frame_.rect());
    // Only the part of the source inside the working copy has pixels to copy.
    const Box inside = intersect(source, boxOf(image.rect()));
    if (inside.empty()) return;
    if (target.width() == source.width() && target.height() == source.height()) {
        // At its own size: a plain row copy of the part that lies on both.
        presentArea(blit(frame_, target.left + (inside.left - source.left),
                         target.top + (inside.top - source.top), image, inside, screen));
        return;
    }
    const double sx = static_cast<double>(target.width()) / static_cast<double>(source.width());
    const double sy = static_cast<double>(target.height()) / static_cast<double>(source.height());
    const Box scaled{
        target.left + std::llround(static_cast<double>(inside.left - source.left) * sx),
        target.top + std::llround(static_cast<double>(inside.top - source.top) * sy),
        target.left + std::llround(static_cast<double>(inside.right - source.left) * sx),
        target.top + std::llround(static_cast<double>(inside.bottom - source.top) * sy)};
    drawScaled(frame_, scaled, image, inside, screen, 2 * screen.width() * screen.height());
    presentArea(intersect(scaled, screen));
}

int Surface::screenWidth() const {
    return screen_.width();
}
int Surface::screenHeight() const {
    return screen_.height();
}

void Surface::repaint(const Rect& area) {
    ensureFrame();
    if (frame_.isNull()) return;
    const Box asked = boxOf(area);
    const Box region =
        asked.empty() ? boxOf(frame_.rect()) : intersect(asked, boxOf(frame_.rect()));
    if (!region.empty()) paintScene(region);
}

void Surface::paintScene(const Box& area) {
    // Start at the highest slot that covers the whole area (a picture stretched over the
    // screen, say): what lies below it would only be painted over.
    int first = -1;
    for (int i = kSlotCount - 1; i >= 0 && first < 0; --i) {
        const SlotState& s = slot(order_[static_cast<std::size_t>(i)]);
        if (!draws(s)) continue;
        Box painted = boundsOf(s);
        if (!s.stretch) {
            // A picture not decoded yet counts as covering nothing (painting what lies below is
            // only extra work): it is decoded when its turn comes, after the slots below it
            // have let go of what they no longer need.
            const QSize size = s.picture.knownPixelSize();
            painted =
                intersect(painted, {s.left, s.top, s.left + static_cast<std::int64_t>(size.width()),
                                    s.top + static_cast<std::int64_t>(size.height())});
        }
        if (intersect(painted, area) == area) first = i;
    }
    if (first < 0) {
        const QRgb fill = qRgb(background_.r, background_.g, background_.b);
        for (std::int64_t y = area.top; y < area.bottom; ++y) {
            auto* row = reinterpret_cast<QRgb*>(frame_.scanLine(static_cast<int>(y)));
            std::fill(row + area.left, row + area.right, fill);
        }
    }
    for (int i = std::max(first, 0); i < kSlotCount; ++i) {
        const Slot s = order_[static_cast<std::size_t>(i)];
        if (draws(slot(s))) paintSlot(static_cast<int>(s), area);
    }
}

void Surface::paintSlot(int index, const Box& area) {
    const SlotState& s = slots_[index];
    const Box bounds = boundsOf(s);
    const Box clip = intersect(bounds, area);
    if (clip.empty()) return;
    if (!s.stretch) {
        const QImage& pixels = s.picture.pixels();
        if (!pixels.isNull()) blit(frame_, s.left, s.top, pixels, boxOf(pixels.rect()), clip);
        return;
    }
    // A picture far larger than the screen needn't be decoded at its full size to be drawn
    // smaller; one no larger than the screen is decoded as it is.
    const QSize cover(std::max(s.width, frame_.width()), std::max(s.height, frame_.height()));
    const std::int64_t frameArea = static_cast<std::int64_t>(frame_.width()) * frame_.height();
    const QImage& pixels = s.picture.pixels(cover);
    if (pixels.isNull()) return;
    drawScaled(frame_, bounds, pixels, boxOf(pixels.rect()), clip, 2 * frameArea);
    // Painted whole, the slot is in the frame and its decoded pixels have done their job, unless
    // another slot still shares the picture (a later repaint decodes them again); painted in
    // part, they serve the rest of the repaint.
    if (clip == intersect(bounds, boxOf(frame_.rect())) &&
        !sharedWithAnother(slots_, static_cast<std::size_t>(index)))
        s.picture.releasePixels();
}

void Surface::presentArea(const Box& area) {
    if (presenter_ && !area.empty()) presenter_->present(rectIn32(area));
}

void Surface::changed(const Box& area) {
    const Box shown = intersect(area, {0, 0, screenWidth(), screenHeight()});
    if (presenter_ && !shown.empty()) presenter_->scheduleRepaint(rectIn32(shown));
}

void Surface::ensureFrame() {
    const int w = std::clamp(screenWidth(), 0, kMaxScreenSide);
    const int h = std::clamp(screenHeight(), 0, kMaxScreenSide);
    if (frame_.width() == w && frame_.height() == h) return;
    if (w == 0 || h == 0) {
        frame_ = QImage();
        return;
    }
    frame_ = QImage();  // the old frame goes before the new one is made
    frame_ = presenter_ ? presenter_->newFrame(w, h) : QImage(w, h, QImage::Format_RGB32);
    if (!frame_.isNull()) paintScene(boxOf(frame_.rect()));
}

}  // namespace fellridge::saver
