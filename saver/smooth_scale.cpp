// Smooth scaling into a given buffer. The arithmetic (16.16 fixed-point source positions, 8-bit
// interpolation weights where a side grows, 14-bit coverage weights where it shrinks) follows
// the toolkit's smooth scaling step by step, so that a picture looks the same whichever of the
// two drew it.
#include "saver/smooth_scale.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fellridge::saver {

namespace {

// Where the destination pixels of one side take their source from: the first source pixel and
// its weight. Growing, the weight (0..255) is that of the next source pixel; shrinking, the
// upper 16 bits hold the weight of each whole source pixel covered and the lower 16 that of the
// first, partly covered one, all out of 1 << 14.
struct Axis {
    int size = 0;  // of the source side
    bool grows = false;
    std::vector<int> first;
    std::vector<int> weight;
};

Axis axisFor(int source, int scaled, int from, int to) {
    Axis axis;
    axis.size = source;
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

// A shrunk side as taps: for each destination pixel `count` source pixels (offset: the first
// one's, then the next ones in turn) with their weights out of 1 << 14, the same count for every
// pixel so that the loops have a fixed length; pixels that cover fewer source pixels get taps of
// weight 0 on their last one. No tap lies past the picture's edge.
struct Taps {
    int count = 0;
    std::vector<int> offset;
    std::vector<int> weight;
};

Taps tapsFor(const Axis& axis) {
    Taps taps;
    const int source = axis.size;
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
            taps.offset[i * n + static_cast<std::size_t>(k)] =
                std::min(axis.first[i] + k, source - 1);
            taps.weight[i * n + static_cast<std::size_t>(k)] = w;
            last = k;
        });
        for (std::size_t k = static_cast<std::size_t>(last) + 1; k < n; ++k)
            taps.offset[i * n + k] = taps.offset[i * n + static_cast<std::size_t>(last)];
    }
    return taps;
}

// Shrinking both ways in two passes. Each source row that the area needs is summed across once,
// into one sum per destination column and channel (blue, green, red, and the unused fourth byte),
// each >> 4 as the toolkit rounds it; each destination row then weighs the rows of sums that it
// covers and keeps the top 8 bits. That gives the same sums as weighing each destination pixel's
// source rectangle row by row, but a source row is summed across once for all the destination
// rows that share it rather than once per destination row, and the rows need no second look at
// the pixels. A sum across is at most 255 << 10 and the weights down add up to 1 << 14, so the
// sums down stay below 2^32: unsigned 32-bit all the way.
class TwoPassShrink {
  public:
    TwoPassShrink(const QImage& source, const Axis& xs, const Axis& ys)
        : bits_(reinterpret_cast<const std::uint32_t*>(source.constBits())),
          stride_(source.bytesPerLine() / 4),
          columns_(xs.first.size()),
          across_(tapsFor(xs)),
          down_(tapsFor(ys)) {
        for (auto& row : sums_) row.resize(columns_ * 4);
#if defined(__SSE2__)
        // Four taps a step, as 16-bit weight pairs for _mm_madd_epi16: taps 0 and 2 in one
        // vector, 1 and 3 in the other (see acrossFast). Columns whose steps would read past the
        // row's end are left to the plain loop.
        const auto count = static_cast<std::size_t>(across_.count);
        steps_ = (count + 3) / 4;
        weights_.resize(columns_ * steps_ * 2);
        const auto tap = [&](std::size_t x, std::size_t k) -> std::uint32_t {
            return k < count ? static_cast<std::uint32_t>(across_.weight[x * count + k]) : 0;
        };
        for (std::size_t x = 0; x < columns_; ++x) {
            for (std::size_t s = 0; s < steps_; ++s) {
                const std::size_t k = 4 * s;
                const std::uint32_t even = tap(x, k) | tap(x, k + 2) << 16;
                const std::uint32_t odd = tap(x, k + 1) | tap(x, k + 3) << 16;
                weights_[(x * steps_ + s) * 2] = {{even, even, even, even}};
                weights_[(x * steps_ + s) * 2 + 1] = {{odd, odd, odd, odd}};
            }
            if (static_cast<std::size_t>(xs.first[x]) + 4 * steps_ <=
                static_cast<std::size_t>(xs.size))
                fastColumns_ = x + 1;
        }
#endif
    }

    void run(uchar* out, qsizetype outStride) {
        const auto count = static_cast<std::size_t>(down_.count);
        for (std::size_t row = 0; row * count < down_.offset.size(); ++row) {
            auto* target =
                reinterpret_cast<std::uint32_t*>(out + static_cast<qsizetype>(row) * outStride);
            // The rows of sums with their weights, kAtOnce at a time (taps of weight 0 left out);
            // past kAtOnce rows, the sums so far go on as one more row of weight 1.
            std::array<const std::uint32_t*, kAtOnce> rows{};
            std::array<std::uint32_t, kAtOnce> weights{};
            std::size_t n = 0;
            for (std::size_t k = 0; k < count; ++k) {
                const int w = down_.weight[row * count + k];
                if (w == 0) continue;
                if (n == kAtOnce) {
                    partial_.resize(columns_ * 4);
                    sumDown(rows.data(), weights.data(), n, partial_.data(), false);
                    rows[0] = partial_.data();
                    weights[0] = 1;
                    n = 1;
                }
                rows[n] = sumsAcross(down_.offset[row * count + k]);
                weights[n++] = static_cast<std::uint32_t>(w);
            }
            sumDown(rows.data(), weights.data(), n, target, true);
        }
    }

  private:
    // Rows of sums weighed in one go. The rows kept are twice as many, so that those of one go
    // never push each other out and the last ones stay for the next destination row.
    static constexpr std::size_t kAtOnce = 4;

    const std::uint32_t* sumsAcross(int sourceRow) {
        const std::size_t slot = static_cast<std::size_t>(sourceRow) % sums_.size();
        std::uint32_t* sums = sums_[slot].data();
        if (kept_[slot] == sourceRow) return sums;
        kept_[slot] = sourceRow;
        const std::uint32_t* line = bits_ + stride_ * sourceRow;
        std::size_t x = 0;
#if defined(__SSE2__)
        x = steps_ == 1 ? acrossFast<1>(line, sums) : acrossFast<0>(line, sums);
#endif
        const auto count = static_cast<std::size_t>(across_.count);
        for (; x < columns_; ++x) {
            std::uint32_t b = 0, g = 0, r = 0;
            for (std::size_t k = x * count; k < (x + 1) * count; ++k) {
                const std::uint32_t p = line[across_.offset[k]];
                const auto w = static_cast<std::uint32_t>(across_.weight[k]);
                b += (p & 0xffu) * w;
                g += ((p >> 8) & 0xffu) * w;
                r += ((p >> 16) & 0xffu) * w;
            }
            sums[4 * x] = b >> 4;
            sums[4 * x + 1] = g >> 4;
            sums[4 * x + 2] = r >> 4;
            sums[4 * x + 3] = 0;
        }
        return sums;
    }

    // Weighs n rows of sums and writes the pixels (final) or the sums so far to `out`.
    void sumDown(const std::uint32_t* const* rows, const std::uint32_t* weights, std::size_t n,
                 std::uint32_t* out, bool final) const {
#if defined(__SSE2__)
        switch (n) {
            case 1:
                return downFast<1>(rows, weights, out, final);
            case 2:
                return downFast<2>(rows, weights, out, final);
            case 3:
                return downFast<3>(rows, weights, out, final);
            case 4:
                return downFast<4>(rows, weights, out, final);
            default:
                break;
        }
#endif
        for (std::size_t x = 0; x < columns_; ++x) {
            std::uint32_t sum[3] = {};
            for (std::size_t c = 0; c < 3; ++c) {
                for (std::size_t j = 0; j < n; ++j) sum[c] += rows[j][4 * x + c] * weights[j];
                if (!final) out[4 * x + c] = sum[c];
            }
            if (final)
                out[x] = 0xff000000u | (sum[2] >> 24) << 16 | (sum[1] >> 24) << 8 | sum[0] >> 24;
        }
    }

#if defined(__SSE2__)
    // The sums across of the columns before fastColumns_, four source pixels a step: their
    // bytes widened to 16 bits and paired (pixels 0 and 2, 1 and 3) channel by channel, so that
    // one _mm_madd_epi16 weighs two taps of all four channels. Returns the columns done.
    template <std::size_t Steps>  // 0: steps_ of them
    std::size_t acrossFast(const std::uint32_t* line, std::uint32_t* sums) const {
        const __m128i zero = _mm_setzero_si128();
        const std::size_t steps = Steps ? Steps : steps_;
        const auto count = static_cast<std::size_t>(across_.count);
        for (std::size_t x = 0; x < fastColumns_; ++x) {
            const std::uint32_t* p = line + across_.offset[x * count];
            const Lanes* w = &weights_[x * steps * 2];
            __m128i sum = zero;
            for (std::size_t s = 0; s < steps; ++s, p += 4, w += 2) {
                const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
                const __m128i first = _mm_unpacklo_epi8(four, zero);   // pixels 0, 1
                const __m128i second = _mm_unpackhi_epi8(four, zero);  // pixels 2, 3
                sum = _mm_add_epi32(sum,
                                    _mm_madd_epi16(_mm_unpacklo_epi16(first, second), w[0].load()));
                sum = _mm_add_epi32(sum,
                                    _mm_madd_epi16(_mm_unpackhi_epi16(first, second), w[1].load()));
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + 4 * x), _mm_srli_epi32(sum, 4));
        }
        return fastColumns_;
    }

    // sumDown of N rows: the 32 x 32-bit products of _mm_mul_epu32 in 64-bit lanes, blue and
    // red in one sum, green and the fourth byte in another, joined again as 32-bit lanes.
    template <std::size_t N>
    void downFast(const std::uint32_t* const* rows, const std::uint32_t* weights,
                  std::uint32_t* out, bool final) const {
        __m128i w[N];
        const std::uint32_t* from[N];
        for (std::size_t j = 0; j < N; ++j) {
            w[j] = _mm_set1_epi32(static_cast<int>(weights[j]));
            from[j] = rows[j];
        }
        const auto column = [&](std::size_t x) {
            __m128i even = _mm_setzero_si128();
            __m128i odd = even;
            for (std::size_t j = 0; j < N; ++j) {
                const __m128i s =
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(from[j] + 4 * x));
                even = _mm_add_epi64(even, _mm_mul_epu32(s, w[j]));
                odd = _mm_add_epi64(odd, _mm_mul_epu32(_mm_srli_epi64(s, 32), w[j]));
            }
            return _mm_or_si128(even, _mm_slli_epi64(odd, 32));
        };
        if (!final) {
            for (std::size_t x = 0; x < columns_; ++x)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), column(x));
            return;
        }
        // Four pixels at a time: the top bytes of the 32-bit sums packed down to bytes.
        const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xff000000u));
        const auto top = [&](std::size_t x) { return _mm_srli_epi32(column(x), 24); };
        std::size_t x = 0;
        for (; x + 4 <= columns_; x += 4) {
            const __m128i low = _mm_packs_epi32(top(x), top(x + 1));
            const __m128i high = _mm_packs_epi32(top(x + 2), top(x + 3));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                             _mm_or_si128(_mm_packus_epi16(low, high), opaque));
        }
        for (; x < columns_; ++x) {
            __m128i pixel = _mm_packs_epi32(top(x), top(x));
            pixel = _mm_packus_epi16(pixel, pixel);
            out[x] = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_or_si128(pixel, opaque)));
        }
    }

    // Four 32-bit lanes as plain data (a vector of __m128i loses its alignment attribute).
    struct Lanes {
        alignas(16) std::uint32_t lane[4];
        __m128i load() const { return _mm_load_si128(reinterpret_cast<const __m128i*>(lane)); }
    };

    std::size_t steps_ = 0;
    std::size_t fastColumns_ = 0;
    std::vector<Lanes> weights_;
#endif

    const std::uint32_t* bits_;
    qsizetype stride_;
    std::size_t columns_;
    Taps across_, down_;
    std::array<std::vector<std::uint32_t>, 2 * kAtOnce> sums_;
    std::vector<std::uint32_t> partial_;
    std::array<int, 2 * kAtOnce> kept_ = [] {
        std::array<int, 2 * kAtOnce> none{};
        none.fill(-1);
        return none;
    }();
};

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

// out[x] = between(a[x], b[x], w) for the n pixels.
void betweenRows(const std::uint32_t* a, const std::uint32_t* b, unsigned w, std::uint32_t* out,
                 std::size_t n) {
    std::size_t x = 0;
#if defined(__SSE2__)
    // a * (256 - w) + b * w stays below 2^16 in every channel: eight channels at a time in
    // 16-bit lanes.
    const __m128i zero = _mm_setzero_si128();
    const __m128i wa = _mm_set1_epi16(static_cast<short>(256 - w));
    const __m128i wb = _mm_set1_epi16(static_cast<short>(w));
    const auto blend = [&](__m128i p, __m128i q) {
        return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(p, wa), _mm_mullo_epi16(q, wb)), 8);
    };
    for (; x + 4 <= n; x += 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x));
        const __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x));
        const __m128i low = blend(_mm_unpacklo_epi8(p, zero), _mm_unpacklo_epi8(q, zero));
        const __m128i high = blend(_mm_unpackhi_epi8(p, zero), _mm_unpackhi_epi8(q, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(low, high));
    }
#endif
    for (; x < n; ++x) out[x] = between(a[x], b[x], w);
}

// out[x] = between(row[at[x]], row[at[x] + 1], w[4 * x]), opaque, for the n pixels; w holds each
// pixel's weight four times over.
void betweenNeighbours(const std::uint32_t* row, const std::size_t* at, const std::uint16_t* w,
                       std::uint32_t* out, std::size_t n) {
    std::size_t x = 0;
#if defined(__SSE2__)
    // Two pixels a step (the neighbours of each side by side, as betweenRows weighs them).
    const __m128i zero = _mm_setzero_si128();
    const __m128i whole = _mm_set1_epi16(256);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xff000000u));
    const auto two = [&](std::size_t i) {
        // Pixel i between a0 and b0, pixel i + 1 between a1 and b1.
        const __m128i first = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + at[i]));
        const __m128i second = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + at[i + 1]));
        const __m128i pairs = _mm_unpacklo_epi32(first, second);  // a0 a1 b0 b1
        const __m128i wb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 4 * i));
        const __m128i wa = _mm_sub_epi16(whole, wb);
        return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(pairs, zero), wa),
                                            _mm_mullo_epi16(_mm_unpackhi_epi8(pairs, zero), wb)),
                              8);
    };
    for (; x + 4 <= n; x += 4) {
        const __m128i four = _mm_packus_epi16(two(x), two(x + 2));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_or_si128(four, opaque));
    }
#endif
    for (; x < n; ++x) out[x] = between(row[at[x]], row[at[x] + 1], w[4 * x]) | 0xff000000u;
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

    if (!xs.grows && !ys.grows) {
        TwoPassShrink(source, xs, ys).run(out, outStride);
        return;
    }
    // Growing both ways, each row is first interpolated down the columns it needs (source
    // columns first..last), then across: the same order and rounding as interpolating each
    // destination pixel between its four source pixels.
    std::vector<std::uint32_t> down;
    std::vector<std::size_t> at;  // in down
    std::vector<std::uint16_t> across;
    if (xs.grows && ys.grows) {
        const int firstColumn = xs.first.front();
        const int lastColumn = std::min(sw - 1, xs.first.back() + 1);
        down.resize(static_cast<std::size_t>(lastColumn - firstColumn + 2));
        for (const int first : xs.first)
            at.push_back(static_cast<std::size_t>(first - firstColumn));
        for (const int w : xs.weight) across.insert(across.end(), 4, static_cast<std::uint16_t>(w));
    }

    for (std::size_t row = 0; row < ys.first.size(); ++row) {
        auto* target =
            reinterpret_cast<std::uint32_t*>(out + static_cast<qsizetype>(row) * outStride);
        const std::uint32_t* line = bits + stride * ys.first[row];
        const int wy = ys.weight[row];
        if (xs.grows && ys.grows) {
            const std::uint32_t* top = line + xs.first.front();
            const std::size_t used = down.size() - 1;
            if (wy > 0) {
                betweenRows(top, top + stride, static_cast<unsigned>(wy), down.data(), used);
            } else {
                std::copy(top, top + used, down.begin());
            }
            down[used] = down[used - 1];  // never weighed: the last column has weight 0
            betweenNeighbours(down.data(), at.data(), across.data(), target, columns);
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
        }
    }
}

}  // namespace fellridge::saver
