// Shrinking both ways: the smooth scaler's two-pass path (with SSE2 loops where the machine has
// them).
#pragma once

#include <QImage>

#include "saver/scale_weights.h"

namespace fellridge::saver::scaling {

// Writes the destination rows and columns of ys and xs (both shrinking) of the RGB32 source to
// `out`, whose rows lie outStride bytes apart.
void shrinkBothWays(const QImage& source, const Axis& xs, const Axis& ys, uchar* out,
                    qsizetype outStride);

}  // namespace fellridge::saver::scaling
