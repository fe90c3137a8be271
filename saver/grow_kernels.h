// The smooth scaler's kernels where a side grows: each destination pixel between two
// neighbouring source pixels, in 1/256 steps (with SSE2 loops where the machine has them).
#pragma once

#include <cstddef>
#include <cstdint>

namespace fellridge::saver::scaling {

// out[x] = a[x] * (256 - w) + b[x] * w, per 8-bit channel, divided by 256, for the n pixels.
void betweenRows(const std::uint32_t* a, const std::uint32_t* b, unsigned w, std::uint32_t* out,
                 std::size_t n);

// The same between row[at[x]] and row[at[x] + 1] with the weight w[4 * x], opaque, for the n
// pixels; w holds each pixel's weight four times over.
void betweenNeighbours(const std::uint32_t* row, const std::size_t* at, const std::uint16_t* w,
                       std::uint32_t* out, std::size_t n);

}  // namespace fellridge::saver::scaling
