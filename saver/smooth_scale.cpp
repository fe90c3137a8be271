// Smooth scaling into a given buffer. The arithmetic (16.16 fixed-point source positions, 8-bit
// interpolation weights where a side grows, 14-bit coverage weights where it shrinks) follows
// the toolkit's smooth scaling step by step, so that a picture looks the same whichever of the
// two drew it.
#include "saver/smooth_scale.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace fellridge::saver {

namespace {

// Where the destination pixels of one side take their source from: the first source pixel and
// its weight. Growing, the weight (0..255) is that of the next source pixel; shrinking, the
// upper 16 bits hold the weight of each whole source pixel covered and the lower 16 that of the
// first, partly covered one, all out of 1 << 14.
struct Axis {
    bool grows = false;
    std::vector<int> first;
    std::vector<int> weight;
};

Axis axisFor(int source, int scaled, int from, int to) {
    Axis axis;
    axis.grows = scaled >= source;
    const std::int64_t step = (static_cast<std::int64_t>(source) << 16) / scaled;
    const std::int64_t start = axis.grows ? 0x8000LL * source / scaled - 0x8000 : 0;
    const int cover = axis.grows ? 0 : ((scaled << 14) + source - 1) / source;
    axis.first.reserve(static_cast<std::size_t>(to - from));
    axis.weight.reserve(static_cast<std::size_t>(to - from));
    for (int i = from; i < to; ++i) {
        const std::int64_t at = start + step * i;
        axis.first.push_back(static_cast<int>(std::max<std::int64_t>(0, at >> 16)));
        if (axis.grows) {
            const std::int64_t pixel = at >> 16;
            axis.weight.push_back(
                pixel < 0 || pixel >= source - 1 ? 0 : static_cast<int>((at >> 8) & 0xff));
        } else {
            const auto part = static_cast<int>(((0x10000 - (at & 0xffff)) * cover) >> 16);
            axis.weight.push_back(part | (cover << 16));
        }
    }
    return axis;
}

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

// a * (256 - w) + b * w, per 8-bit channel, divided by 256.
std::uint32_t between(std::uint32_t a, std::uint32_t b, unsigned w) {
    const unsigned v = 256 - w;
    std::uint32_t low = (a & 0xff00ff) * v + (b & 0xff00ff) * w;
    low = (low >> 8) & 0xff00ff;
    std::uint32_t high = ((a >> 8) & 0xff00ff) * v + ((b >> 8) & 0xff00ff) * w;
    return (high & 0xff00ff00) | low;
}

// Between four pixels: first down each column (top to bottom by wy), then across (by wx).
std::uint32_t betweenFour(const std::uint32_t* top, const std::uint32_t* bottom, unsigned wx,
                          unsigned wy) {
    const std::uint32_t left = between(top[0], bottom[0], wy);
    const std::uint32_t right = between(top[1], bottom[1], wy);
    return between(left, right, wx);
}

}  // namespace

void smoothScaleInto(const QImage& source, int width, int height, const QRect& area, uchar* out,
                     qsizetype outStride) {
    if (source.isNull() || width <= 0 || height <= 0 || area.isEmpty()) return;
    const int sw = source.width();
    const int sh = source.height();
    const Axis xs = axisFor(sw, width, area.left(), area.right() + 1);
    const Axis ys = axisFor(sh, height, area.top(), area.bottom() + 1);
    const qsizetype stride = source.bytesPerLine() / 4;
    const auto* bits = reinterpret_cast<const std::uint32_t*>(source.constBits());
    const auto columns = static_cast<std::size_t>(area.width());

    for (std::size_t row = 0; row < ys.first.size(); ++row) {
        auto* target =
            reinterpret_cast<std::uint32_t*>(out + static_cast<qsizetype>(row) * outStride);
        const std::uint32_t* line = bits + stride * ys.first[row];
        const int wy = ys.weight[row];
        if (xs.grows && ys.grows) {
            for (std::size_t x = 0; x < columns; ++x) {
                const std::uint32_t* p = line + xs.first[x];
                const auto wx = static_cast<unsigned>(xs.weight[x]);
                std::uint32_t value;
                if (wy > 0) {
                    value = wx > 0 ? betweenFour(p, p + stride, wx, static_cast<unsigned>(wy))
                                   : between(p[0], p[stride], static_cast<unsigned>(wy));
                } else {
                    value = wx > 0 ? between(p[0], p[1], wx) : p[0];
                }
                target[x] = value | 0xff000000u;
            }
        } else if (xs.grows) {  // shrinks down the columns
            const int cover = wy >> 16;
            const int firstWeight = wy & 0xffff;
            for (std::size_t x = 0; x < columns; ++x) {
                const std::uint32_t* p = line + xs.first[x];
                Sum s = covered(p, firstWeight, cover, stride);
                const int wx = xs.weight[x];
                if (wx > 0) {
                    const Sum next = covered(p + 1, firstWeight, cover, stride);
                    s.r = (s.r * (256 - wx) + next.r * wx) >> 8;
                    s.g = (s.g * (256 - wx) + next.g * wx) >> 8;
                    s.b = (s.b * (256 - wx) + next.b * wx) >> 8;
                }
                target[x] = qRgb(s.r >> 14, s.g >> 14, s.b >> 14);
            }
        } else if (ys.grows) {  // shrinks along the rows
            for (std::size_t x = 0; x < columns; ++x) {
                const std::uint32_t* p = line + xs.first[x];
                const int cover = xs.weight[x] >> 16;
                const int firstWeight = xs.weight[x] & 0xffff;
                Sum s = covered(p, firstWeight, cover, 1);
                if (wy > 0) {
                    const Sum next = covered(p + stride, firstWeight, cover, 1);
                    s.r = (s.r * (256 - wy) + next.r * wy) >> 8;
                    s.g = (s.g * (256 - wy) + next.g * wy) >> 8;
                    s.b = (s.b * (256 - wy) + next.b * wy) >> 8;
                }
                target[x] = qRgb(s.r >> 14, s.g >> 14, s.b >> 14);
            }
        } else {  // shrinks both ways
            const int coverY = wy >> 16;
            const int firstY = wy & 0xffff;
            for (std::size_t x = 0; x < columns; ++x) {
                const int coverX = xs.weight[x] >> 16;
                const int firstX = xs.weight[x] & 0xffff;
                const std::uint32_t* p = line + xs.first[x];
                Sum s = covered(p, firstX, coverX, 1);
                Sum total{(s.r >> 4) * firstY, (s.g >> 4) * firstY, (s.b >> 4) * firstY};
                int rest = (1 << 14) - firstY;
                for (; rest > coverY; rest -= coverY) {
                    p += stride;
                    s = covered(p, firstX, coverX, 1);
                    total.r += (s.r >> 4) * coverY;
                    total.g += (s.g >> 4) * coverY;
                    total.b += (s.b >> 4) * coverY;
                }
                p += stride;
                s = covered(p, firstX, coverX, 1);
                total.r += (s.r >> 4) * rest;
                total.g += (s.g >> 4) * rest;
                total.b += (s.b >> 4) * rest;
                target[x] = qRgb(total.r >> 24, total.g >> 24, total.b >> 24);
            }
        }
    }
}

}  // namespace fellridge::saver
