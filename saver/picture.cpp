#include "saver/surface.h"

namespace fellridge::saver {

struct Picture::Data {
    QImage image;
};

Picture::Picture() = default;
Picture Picture::loadJpeg(const std::string&) {
    return {};
}
Picture Picture::loadBmp(const std::string&) {
    return {};
}
Picture Picture::fromBmpBytes(std::span<const std::uint8_t>) {
    return {};
}
Picture Picture::fromImage(const QImage& image) {
    Picture p;
    p.data_ = std::make_shared<Data>(Data{image.convertToFormat(QImage::Format_RGB32)});
    return p;
}
int Picture::width() const {
    return data_ ? data_->image.width() : 0;
}
int Picture::height() const {
    return data_ ? data_->image.height() : 0;
}
bool Picture::empty() const {
    return width() == 0 || height() == 0;
}
const QImage& Picture::pixels() const {
    static const QImage none;
    return data_ ? data_->image : none;
}
void Picture::setFallback(const Picture&) {}
Picture fallbackPicture() {
    return {};
}

}  // namespace fellridge::saver
