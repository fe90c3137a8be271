#include "saver/surface.h"

#include "platform/services.h"

namespace fellridge::saver {

WorkingCopy::WorkingCopy(const Picture& picture) {
    if (!picture.empty()) image_ = picture.pixels().convertToFormat(QImage::Format_BGR888);
}

std::span<const std::uint8_t> WorkingCopy::row(int r) const {
    if (r < 0 || r >= image_.height()) return {};
    return {image_.constScanLine(r), static_cast<std::size_t>(image_.width()) * 3};
}

Surface::Surface(platform::Screen& screen, Presenter* presenter)
    : screen_(screen), presenter_(presenter) {
    for (int i = 0; i < kSlotCount; ++i) order_[i] = static_cast<Slot>(i);
}

void Surface::show(Slot s) {
    at(s).visible = true;
    changed();
}
void Surface::hide(Slot s) {
    at(s).visible = false;
    changed();
}
void Surface::clear(Slot s) {
    at(s).picture = Picture();
    changed();
}
void Surface::copyPicture(Slot from, Slot to) {
    at(to).picture = slot(from).picture;
    changed();
}
void Surface::setPicture(Slot s, Picture picture) {
    at(s).picture = std::move(picture);
    changed();
}
void Surface::setStretch(Slot s, bool on) {
    at(s).stretch = on;
    changed();
}
void Surface::setLeft(Slot s, std::int32_t v) {
    at(s).left = v;
    changed();
}
void Surface::setTop(Slot s, std::int32_t v) {
    at(s).top = v;
    changed();
}
void Surface::setWidth(Slot s, std::int32_t v) {
    at(s).width = v;
    changed();
}
void Surface::setHeight(Slot s, std::int32_t v) {
    at(s).height = v;
    changed();
}
void Surface::sizeImage1ToPicture() {}
void Surface::centreImage1() {}
void Surface::bringToFront(Slot) {}
void Surface::setBackground(Rgb colour) {
    background_ = colour;
    changed();
}
WorkingCopy Surface::makeWorkingCopy(Slot s) const {
    return WorkingCopy(slot(s).picture);
}
void Surface::copyToSurface(const Rect&, const WorkingCopy&, const Rect&) {}
void Surface::setPixel(std::int32_t, std::int32_t, Rgb) {}
int Surface::screenWidth() const {
    return screen_.width();
}
int Surface::screenHeight() const {
    return screen_.height();
}
void Surface::repaint(const Rect&) {
    ensureFrame();
}
void Surface::changed() {
    if (presenter_) presenter_->scheduleRepaint();
}
void Surface::ensureFrame() {
    if (frame_.width() != screenWidth() || frame_.height() != screenHeight())
        frame_ = QImage(screenWidth(), screenHeight(), QImage::Format_RGB32);
}

}  // namespace fellridge::saver
