#include "saver/scale_weights.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace fellridge::saver::scaling {

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

}  // namespace fellridge::saver::scaling
