// Scaling a picture straight into the frame, without a scaled copy of it in between.
#pragma once

#include <QImage>
#include <QRect>

namespace fellridge::saver {

// Scales the Format_RGB32 source to width x height (sides scaled independently) and writes the
// part `area` of the result (in the scaled picture's coordinates, inside it) to `out`, whose
// first pixel stands for area's top-left pixel and whose rows lie outStride bytes apart. The
// pixels are exactly those of QImage::scaled(width, height, Qt::IgnoreAspectRatio,
// Qt::SmoothTransformation): where a side grows, each pixel is interpolated between its two
// nearest source pixels in 1/256 steps; where it shrinks, the source pixels it covers are
// averaged with 14-bit weights. Only the rows and columns of the area are computed.
void smoothScaleInto(const QImage& source, int width, int height, const QRect& area, uchar* out,
                     qsizetype outStride);

// The scaler runs SSE2 loops where the machine has them and plain ones otherwise, with the same
// pixels. Set, it keeps to the plain loops, so that those are checked on any machine too.
extern bool plainScaleLoops;

}  // namespace fellridge::saver
