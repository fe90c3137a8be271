// The weight tables of the smooth scaler: for each destination pixel of a side, the source
// pixels it takes and how much of each. The arithmetic (16.16 fixed-point source positions, 8-bit
// interpolation weights where a side grows, 14-bit coverage weights where it shrinks) follows the
// toolkit's smooth scaling step by step.
#pragma once

#include <vector>

namespace fellridge::saver::scaling {

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

// The destination pixels from..to - 1 of a side of `source` pixels scaled to `scaled`.
Axis axisFor(int source, int scaled, int from, int to);

// A shrunk side as taps: for each destination pixel `count` source pixels (offset: the first
// one's, then the next ones in turn) with their weights out of 1 << 14, the same count for every
// pixel so that the loops have a fixed length; pixels that cover fewer source pixels get taps of
// weight 0 on their last one. No tap lies past the picture's edge.
struct Taps {
    int count = 0;
    std::vector<int> offset;
    std::vector<int> weight;
};

Taps tapsFor(const Axis& axis);

}  // namespace fellridge::saver::scaling
