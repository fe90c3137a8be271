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

// A shrunk side as taps: for each destination pixel `count` source pixels (offset) with their
// weights out of 1 << 14, the same for every pixel so that the loops have a fixed length;
// pixels that cover fewer source pixels get taps of weight 0 on their last one.
struct Taps {
    int count = 0;
    std::vector<int> offset;
    std::vector<int> weight;
};

Taps tapsFor(const Axis& axis) {
    Taps taps;
    const auto each = [&](std::size_t i, auto&& use) {
        const int cover = axis.weight[i] >> 16;
        int rest = (1 << 14) - (axis.weight[i] & 0xffff);
        int k = 0;
        use(k++, axis.weight[i] & 0xffff);
        for (; rest > cover; rest -= cover) use(k++, cover);
        use(k++, rest);
        return k;
    };
    for (std::size_t i = 0; i < axis.first.size(); ++i)
        taps.count = std::max(taps.count, each(i, [](int, int) {}));
    const auto n = static_cast<std::size_t>(taps.count);
    taps.offset.resize(axis.first.size() * n);
    taps.weight.assign(axis.first.size() * n, 0);
    for (std::size_t i = 0; i < axis.first.size(); ++i) {
        int last = 0;
        each(i, [&](int k, int w) {
            taps.offset[i * n + static_cast<std::size_t>(k)] = axis.first[i] + k;
            taps.weight[i * n + static_cast<std::size_t>(k)] = w;
            last = k;
        });
        for (std::size_t k = static_cast<std::size_t>(last) + 1; k < n; ++k)
            taps.offset[i * n + k] = axis.first[i] + last;
    }
    return taps;
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

    // Growing both ways, each row is first interpolated down the columns it needs (source
    // columns first..last), then across: the same order and rounding as interpolating each
    // destination pixel between its four source pixels.
    std::vector<std::uint32_t> down;
    Taps rowTaps, columnTaps;
    if (!xs.grows && !ys.grows) {
        rowTaps = tapsFor(ys);
        columnTaps = tapsFor(xs);
    }
    int firstColumn = 0;
    if (xs.grows && ys.grows) {
        firstColumn = xs.first.front();
        const int lastColumn = std::min(sw - 1, xs.first.back() + 1);
        down.resize(static_cast<std::size_t>(lastColumn - firstColumn + 2));
    }

    for (std::size_t row = 0; row < ys.first.size(); ++row) {
        auto* target =
            reinterpret_cast<std::uint32_t*>(out + static_cast<qsizetype>(row) * outStride);
        const std::uint32_t* line = bits + stride * ys.first[row];
        const int wy = ys.weight[row];
        if (xs.grows && ys.grows) {
            const std::uint32_t* top = line + firstColumn;
            const std::size_t used = down.size() - 1;
            if (wy > 0) {
                const std::uint32_t* bottom = top + stride;
                for (std::size_t x = 0; x < used; ++x)
                    down[x] = between(top[x], bottom[x], static_cast<unsigned>(wy));
            } else {
                std::copy(top, top + used, down.begin());
            }
            down[used] = down[used - 1];  // never weighed: the last column has weight 0
            for (std::size_t x = 0; x < columns; ++x) {
                const auto at = static_cast<std::size_t>(xs.first[x] - firstColumn);
                target[x] = between(down[at], down[at + 1], static_cast<unsigned>(xs.weight[x])) |
                            0xff000000u;
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
            // Red and blue side by side in the two 32-bit halves of one 64-bit sum, green on its
            // own: no sum passes 32 bits, so the halves never carry into each other.
            const std::size_t ky = static_cast<std::size_t>(rowTaps.count);
            const std::size_t kx = static_cast<std::size_t>(columnTaps.count);
            const int* rowOffset = &rowTaps.offset[row * ky];
            const int* rowWeight = &rowTaps.weight[row * ky];
            for (std::size_t x = 0; x < columns; ++x) {
                const int* offset = &columnTaps.offset[x * kx];
                const int* weight = &columnTaps.weight[x * kx];
                std::uint64_t redBlue = 0;
                std::uint32_t green = 0;
                for (std::size_t j = 0; j < ky; ++j) {
                    const std::uint32_t* source = bits + stride * rowOffset[j];
                    std::uint64_t rowRedBlue = 0;
                    std::uint32_t rowGreen = 0;
                    for (std::size_t i = 0; i < kx; ++i) {
                        const std::uint32_t p = source[offset[i]];
                        const auto w = static_cast<std::uint32_t>(weight[i]);
                        rowRedBlue +=
                            ((p & 0xffu) | (static_cast<std::uint64_t>(p & 0xff0000u) << 16)) * w;
                        rowGreen += ((p >> 8) & 0xffu) * w;
                    }
                    const auto w = static_cast<std::uint32_t>(rowWeight[j]);
                    redBlue += ((rowRedBlue >> 4) & 0x0fffffff0fffffffULL) * w;
                    green += (rowGreen >> 4) * w;
                }
                target[x] = 0xff000000u | static_cast<std::uint32_t>((redBlue >> 56) << 16) |
                            ((green >> 24) << 8) |
                            static_cast<std::uint32_t>((redBlue & 0xffffffffu) >> 24);
            }
        }
    }
}

}  // namespace fellridge::saver
