// Smooth scaling into a given buffer: the weight tables of both sides, then the path for the
// sides' directions. Shrinking both ways has a file of its own (shrink_both_ways), and so have
// the kernels where a side grows (grow_kernels); scaling one way only is here. The arithmetic
// follows the toolkit's smooth scaling step by step, so that a picture looks the same whichever
// of the two drew it.
#include "saver/smooth_scale.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "saver/grow_kernels.h"
#include "saver/scale_weights.h"
#include "saver/shrink_both_ways.h"

namespace fellridge::saver {

bool plainScaleLoops = false;

namespace {

using scaling::Axis;

struct Sum {
    int r = 0, g = 0, b = 0;
};

// The weighted sum of the source pixels that one shrunk destination pixel covers along a side,
// `step` pixels apart: the first with its own weight, the whole ones with `cover`, the last
// with what remains of 1 << 14.
Sum covered(const std::uint32_t* pixel, int firstWeight, int cover, qsizetype step) {
    Sum s{qRed(*pixel) * firstWeight, qGreen(*pixel) * firstWeight, qBlue(*pixel) * firstWeight};
    int rest = (1 << 14) - firstWeight;
    for (; rest > cover; rest -= cover) {
        pixel += step;
        s.r += qRed(*pixel) * cover;
        s.g += qGreen(*pixel) * cover;
        s.b += qBlue(*pixel) * cover;
    }
    pixel += step;
    s.r += qRed(*pixel) * rest;
    s.g += qGreen(*pixel) * rest;
    s.b += qBlue(*pixel) * rest;
    return s;
}

}  // namespace

void smoothScaleInto(const QImage& source, int width, int height, const QRect& area, uchar* out,
                     qsizetype outStride) {
    if (source.isNull() || width <= 0 || height <= 0 || area.isEmpty()) return;
    const int sw = source.width();
    const int sh = source.height();
    const Axis xs = scaling::axisFor(sw, width, area.left(), area.right() + 1);
    const Axis ys = scaling::axisFor(sh, height, area.top(), area.bottom() + 1);
    const qsizetype stride = source.bytesPerLine() / 4;
    const auto* bits = reinterpret_cast<const std::uint32_t*>(source.constBits());
    const auto columns = static_cast<std::size_t>(area.width());

    if (!xs.grows && !ys.grows) {
        scaling::shrinkBothWays(source, xs, ys, out, outStride);
        return;
    }
    // A side that grows puts each destination pixel between two neighbouring source pixels:
    // across, between two of the source columns first..last, found at `at` in a row of what
    // those columns give (one more at the end, never weighed: the last column has weight 0).
    std::vector<std::size_t> at;
    int firstColumn = 0;
    std::size_t used = 0;
    if (xs.grows) {
        firstColumn = xs.first.front();
        used = static_cast<std::size_t>(std::min(sw - 1, xs.first.back() + 1) - firstColumn + 1);
        for (const int first : xs.first)
            at.push_back(static_cast<std::size_t>(first - firstColumn));
    }
    // Growing both ways, each row is first interpolated down the columns it needs, then across:
    // the same order and rounding as interpolating each destination pixel between its four
    // source pixels.
    std::vector<std::uint32_t> down;
    std::vector<std::uint16_t> across;
    // Growing one way only, the source pixels that a destination pixel covers along the other
    // side are summed once for all the destination pixels that share them: down each column
    // for a destination row, or along a source row for the destination rows (two at a time).
    std::vector<Sum> columnSums;
    std::array<std::vector<Sum>, 2> rowSums;
    std::array<int, 2> rowSummed{-1, -1};
    if (xs.grows && ys.grows) {
        down.resize(used + 1);
        for (const int w : xs.weight) across.insert(across.end(), 4, static_cast<std::uint16_t>(w));
    } else if (xs.grows) {
        columnSums.resize(used + 1);
    } else {
        for (auto& sums : rowSums) sums.resize(columns);
    }
    const auto sumsAlong = [&](int sourceRow) -> const std::vector<Sum>& {
        const auto slot = static_cast<std::size_t>(sourceRow & 1);
        if (rowSummed[slot] != sourceRow) {
            rowSummed[slot] = sourceRow;
            const std::uint32_t* line = bits + stride * sourceRow;
            for (std::size_t x = 0; x < columns; ++x)
                rowSums[slot][x] =
                    covered(line + xs.first[x], xs.weight[x] & 0xffff, xs.weight[x] >> 16, 1);
        }
        return rowSums[slot];
    };
    // a * (256 - w) + b * w, per channel, divided by 256, then the 14 bits of the coverage
    // weights dropped.
    const auto weighed = [](const Sum& a, const Sum& b, int w) {
        return qRgb((a.r * (256 - w) + b.r * w) >> 22, (a.g * (256 - w) + b.g * w) >> 22,
                    (a.b * (256 - w) + b.b * w) >> 22);
    };

    for (std::size_t row = 0; row < ys.first.size(); ++row) {
        auto* target =
            reinterpret_cast<std::uint32_t*>(out + static_cast<qsizetype>(row) * outStride);
        const std::uint32_t* line = bits + stride * ys.first[row];
        const int wy = ys.weight[row];
        if (xs.grows && ys.grows) {
            const std::uint32_t* top = line + firstColumn;
            if (wy > 0) {
                scaling::betweenRows(top, top + stride, static_cast<unsigned>(wy), down.data(),
                                     used);
            } else {
                std::copy(top, top + used, down.begin());
            }
            down[used] = down[used - 1];
            scaling::betweenNeighbours(down.data(), at.data(), across.data(), target, columns);
        } else if (xs.grows) {  // shrinks down the columns
            for (std::size_t c = 0; c < used; ++c)
                columnSums[c] = covered(line + firstColumn + static_cast<qsizetype>(c), wy & 0xffff,
                                        wy >> 16, stride);
            columnSums[used] = columnSums[used - 1];
            for (std::size_t x = 0; x < columns; ++x)
                target[x] = weighed(columnSums[at[x]], columnSums[at[x] + 1], xs.weight[x]);
        } else {  // shrinks along the rows
            const std::vector<Sum>& sums = sumsAlong(ys.first[row]);
            const std::vector<Sum>& next = wy > 0 ? sumsAlong(ys.first[row] + 1) : sums;
            for (std::size_t x = 0; x < columns; ++x) target[x] = weighed(sums[x], next[x], wy);
        }
    }
}
}  // namespace fellridge::saver
