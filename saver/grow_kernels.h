// The smooth scaler's kernels where a side grows: each destination pixel between two
// neighbouring source pixels, in 1/256 steps (with SSE2 loops where the machine has them). They
// run once a row, inline in the scaler's row loop.
#pragma once

#include <cstddef>
#include <cstdint>

#include "saver/smooth_scale.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fellridge::saver::scaling {

// a * (256 - w) + b * w, per 8-bit channel, divided by 256.
inline std::uint32_t between(std::uint32_t a, std::uint32_t b, unsigned w) {
    const unsigned v = 256 - w;
    std::uint32_t low = (a & 0xff00ff) * v + (b & 0xff00ff) * w;
    low = (low >> 8) & 0xff00ff;
    std::uint32_t high = ((a >> 8) & 0xff00ff) * v + ((b >> 8) & 0xff00ff) * w;
    return (high & 0xff00ff00) | low;
}

// out[x] = between(a[x], b[x], w) for the n pixels.
inline void betweenRows(const std::uint32_t* a, const std::uint32_t* b, unsigned w,
                        std::uint32_t* out, std::size_t n) {
    std::size_t x = 0;
#if defined(__SSE2__)
    if (!plainScaleLoops) {
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
    }
#endif
    for (; x < n; ++x) out[x] = between(a[x], b[x], w);
}

// out[x] = between(row[at[x]], row[at[x] + 1], w[4 * x]), opaque, for the n pixels; w holds
// each pixel's weight four times over.
inline void betweenNeighbours(const std::uint32_t* row, const std::size_t* at,
                              const std::uint16_t* w, std::uint32_t* out, std::size_t n) {
    std::size_t x = 0;
#if defined(__SSE2__)
    if (!plainScaleLoops) {
        // Two pixels a step (the neighbours of each side by side, as betweenRows weighs them).
        const __m128i zero = _mm_setzero_si128();
        const __m128i whole = _mm_set1_epi16(256);
        const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xff000000u));
        const auto two = [&](std::size_t i) {
            // Pixel i between a0 and b0, pixel i + 1 between a1 and b1.
            const __m128i first = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + at[i]));
            const __m128i second =
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + at[i + 1]));
            const __m128i pairs = _mm_unpacklo_epi32(first, second);  // a0 a1 b0 b1
            const __m128i wb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 4 * i));
            const __m128i wa = _mm_sub_epi16(whole, wb);
            return _mm_srli_epi16(
                _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(pairs, zero), wa),
                              _mm_mullo_epi16(_mm_unpackhi_epi8(pairs, zero), wb)),
                8);
        };
        for (; x + 4 <= n; x += 4) {
            const __m128i four = _mm_packus_epi16(two(x), two(x + 2));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_or_si128(four, opaque));
        }
    }
#endif
    for (; x < n; ++x) out[x] = between(row[at[x]], row[at[x] + 1], w[4 * x]) | 0xff000000u;
}

}  // namespace fellridge::saver::scaling
