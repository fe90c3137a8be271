// Direct drawing of single pixels for the surface's tests: a 1 x 1 working copy copied to the
// place, as the animation modes copy theirs.
#pragma once

#include <QImage>
#include <cstdint>

#include "saver/surface.h"

namespace fellridge::testing {

inline void drawPixel(saver::Surface& surface, std::int32_t x, std::int32_t y, QRgb colour) {
    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.fill(colour);
    surface.copyToSurface({x, y, x + 1, y + 1},
                          saver::WorkingCopy(saver::Picture::fromImage(pixel)), {0, 0, 1, 1});
}

}  // namespace fellridge::testing
