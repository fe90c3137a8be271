#include "saver/shrink_both_ways.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "saver/smooth_scale.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fellridge::saver::scaling {

namespace {

// Shrinking both ways in two passes. Each source row that the area needs is summed across once,
// into one sum per destination column and channel (blue, green, red, and the unused fourth byte),
// each >> 4 as the toolkit rounds it; each destination row then weighs the rows of sums that it
// covers and keeps the top 8 bits. That gives the same sums as weighing each destination pixel's
// source rectangle row by row, but a source row is summed across once for all the destination
// rows that share it rather than once per destination row, and the rows need no second look at
// the pixels. A sum across is at most 255 << 10 and the weights down add up to 1 << 14, so the
// sums down stay below 2^32: unsigned 32-bit all the way.
// Simd: with the SSE2 loops where the machine has them; without, the plain loops do all.
template <bool Simd>
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
        if constexpr (!Simd) return;
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
        if constexpr (Simd) switch (n) {
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
        // In locals: the stores through __m128i may alias any member, which would then be read
        // again at every column.
        const int* const offset = across_.offset.data();
        const Lanes* const weights = weights_.data();
        const std::size_t columns = fastColumns_;
        for (std::size_t x = 0; x < columns; ++x) {
            const std::uint32_t* p = line + offset[x * count];
            const Lanes* w = weights + x * steps * 2;
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
        return columns;
    }

    // sumDown of N rows: the 32 x 32-bit products of _mm_mul_epu32 in 64-bit lanes, blue and
    // red in one sum, green and the fourth byte in another, joined again as 32-bit lanes.
    template <std::size_t N>
    void downFast(const std::uint32_t* const* rows, const std::uint32_t* weights,
                  std::uint32_t* out, bool final) const {
        const std::size_t columns = columns_;  // a local, as in acrossFast
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
            for (std::size_t x = 0; x < columns; ++x)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), column(x));
            return;
        }
        // Four pixels at a time: the top bytes of the 32-bit sums packed down to bytes.
        const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xff000000u));
        const auto top = [&](std::size_t x) { return _mm_srli_epi32(column(x), 24); };
        std::size_t x = 0;
        for (; x + 4 <= columns; x += 4) {
            const __m128i low = _mm_packs_epi32(top(x), top(x + 1));
            const __m128i high = _mm_packs_epi32(top(x + 2), top(x + 3));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                             _mm_or_si128(_mm_packus_epi16(low, high), opaque));
        }
        for (; x < columns; ++x) {
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

}  // namespace

void shrinkBothWays(const QImage& source, const Axis& xs, const Axis& ys, uchar* out,
                    qsizetype outStride) {
    if (plainScaleLoops) {
        TwoPassShrink<false>(source, xs, ys).run(out, outStride);
    } else {
        TwoPassShrink<true>(source, xs, ys).run(out, outStride);
    }
}

}  // namespace fellridge::saver::scaling
