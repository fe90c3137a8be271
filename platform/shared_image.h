// A Format_RGB32 image over memory that another object owns (a segment shared with the X
// server, buffers shared with a Wayland compositor): the image keeps its owner alive, so that
// the memory goes only with the last image over it.
#pragma once

#include <QImage>
#include <memory>

namespace fellridge::platform {

template <class Owner>
QImage imageOver(std::shared_ptr<Owner> owner, void* address, int width, int height) {
    auto* holder = new std::shared_ptr<Owner>(std::move(owner));
    return QImage(
        static_cast<uchar*>(address), width, height, width * 4, QImage::Format_RGB32,
        [](void* info) { delete static_cast<std::shared_ptr<Owner>*>(info); }, holder);
}

}  // namespace fellridge::platform
