// The sound target's mutator: libFuzzer's own byte changes, then the lengths of the containers
// put right again. Nearly every changed byte of a RIFF or MIDI file otherwise breaks a length the
// header check insists on, so the decoders behind it (whose coverage the fuzzer can't see) would
// only ever get the seeds.
#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace {

void putBe32(std::uint8_t* p, std::size_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

void putLe32(std::uint8_t* p, std::size_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::size_t be32(const std::uint8_t* p) {
    return std::size_t{p[0]} << 24 | std::size_t{p[1]} << 16 | std::size_t{p[2]} << 8 | p[3];
}

std::size_t le32(const std::uint8_t* p) {
    return std::size_t{p[3]} << 24 | std::size_t{p[2]} << 16 | std::size_t{p[1]} << 8 | p[0];
}

// The chunks of a MIDI file end inside it, the last one at its end, and the header counts the
// tracks there are.
void repairMidi(std::uint8_t* data, std::size_t size) {
    if (size < 14) return;
    putBe32(data + 4, 6);
    std::size_t at = 14, tracks = 0;
    while (at + 8 <= size) {
        std::size_t length = be32(data + at + 4);
        if (length == 0 || length > size - at - 8) putBe32(data + at + 4, length = size - at - 8);
        if (std::memcmp(data + at, "MTrk", 4) == 0) ++tracks;
        at += 8 + length;
    }
    if (tracks == 0) return;
    data[10] = static_cast<std::uint8_t>(tracks >> 8);
    data[11] = static_cast<std::uint8_t>(tracks);
    if (tracks > 1 && data[9] == 0) data[9] = 1;
}

// The RIFF length is the file's, and a chunk that would run past the end ends there.
void repairWav(std::uint8_t* data, std::size_t size) {
    if (size < 12) return;
    putLe32(data + 4, size - 8);
    for (std::size_t at = 12; at + 8 <= size;) {
        std::size_t length = le32(data + at + 4);
        if (length > size - at - 8) putLe32(data + at + 4, length = size - at - 8);
        at += 8 + length + (length & 1u);
    }
}

}  // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int seed) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    // Now and then the bytes go as they are: the check's own refusals need inputs too.
    if (seed % 8 == 0 || size < 4) return size;
    if (std::memcmp(data, "MThd", 4) == 0) repairMidi(data, size);
    if (std::memcmp(data, "RIFF", 4) == 0) repairWav(data, size);
    return size;
}
