#include "platform/sound/sound_check.h"

#include <algorithm>
#include <cstring>

namespace fellridge::platform {

namespace {

std::uint32_t le16(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

std::uint32_t le32(const std::uint8_t* p) {
    return le16(p) | le16(p + 2) << 16;
}

std::uint32_t be16(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 8 | static_cast<std::uint32_t>(p[1]);
}

std::uint32_t be32(const std::uint8_t* p) {
    return be16(p) << 16 | be16(p + 2);
}

bool tagIs(const std::uint8_t* p, const char* tag) {
    return std::memcmp(p, tag, 4) == 0;
}

// Sample formats the WAV decoder takes: integer PCM, IEEE float, A-law and mu-law.
constexpr std::uint32_t kPcm = 1, kFloat = 3, kAlaw = 6, kMulaw = 7, kExtensible = 0xFFFE;

// One "fmt " chunk: a format the decoder takes, 1 to 8 channels, a real rate, a sample size
// that fits the format and a block size that fits them (the byte rate is not used).
bool soundWavFormat(const std::uint8_t* chunk, std::uint32_t length) {
    if (length < 16) return false;
    std::uint32_t tag = le16(chunk);
    const std::uint32_t channels = le16(chunk + 2);
    const std::uint32_t rate = le32(chunk + 4);
    const std::uint32_t blockAlign = le16(chunk + 12);
    const std::uint32_t bits = le16(chunk + 14);
    if (tag == kExtensible) {
        // cbSize, valid bits, channel mask, then the sub-format GUID whose first two bytes are
        // the real format tag.
        if (length < 40 || le16(chunk + 16) < 22) return false;
        tag = le16(chunk + 24);
    }
    bool sizeFits = false;
    switch (tag) {
        case kPcm:
            sizeFits = bits == 8 || bits == 16 || bits == 24 || bits == 32;
            break;
        case kFloat:
            sizeFits = bits == 32 || bits == 64;
            break;
        case kAlaw:
        case kMulaw:
            sizeFits = bits == 8;
            break;
        default:
            return false;
    }
    if (!sizeFits || channels < 1 || channels > 8) return false;
    if (rate < 1000 || rate > 768000) return false;
    return blockAlign == channels * (bits / 8);
}

// RIFF/WAVE: every chunk lies within the file, every "fmt " chunk is sound, and a "data" chunk
// follows a "fmt " chunk.
bool soundWav(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxWavSize || size < 12 || !tagIs(data + 8, "WAVE")) return false;
    bool format = false, samples = false;
    std::size_t at = 12;
    while (at + 8 <= size) {
        const std::uint8_t* chunk = data + at;
        const std::uint32_t length = le32(chunk + 4);
        const std::size_t room = size - at - 8;
        if (tagIs(chunk, "fmt ")) {
            if (length > room || !soundWavFormat(chunk + 8, length)) return false;
            format = true;
        } else if (tagIs(chunk, "data")) {
            if (!format) return false;
            samples = true;
        }
        // The last chunk (often the samples) may be cut short by a truncated file.
        if (length > room) break;
        at += 8 + static_cast<std::size_t>(length) + (length & 1u);
    }
    return format && samples;
}

// Standard MIDI File: a whole "MThd" header of format 0, 1 or 2 with a time division, and every
// track it announces present as an "MTrk" chunk within the file.
bool soundMidi(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxMidiSize || size < 14) return false;
    const std::uint32_t headerLength = be32(data + 4);
    if (headerLength < 6 || headerLength > size - 8) return false;
    const std::uint32_t format = be16(data + 8);
    const std::uint32_t tracks = be16(data + 10);
    const std::uint32_t division = be16(data + 12);
    if (format > 2 || tracks < 1 || (format == 0 && tracks != 1)) return false;
    if (division == 0) return false;
    if (division & 0x8000u) {
        // SMPTE time: a negative frame rate in the high byte, ticks per frame in the low one.
        const int frames = 256 - static_cast<int>(division >> 8);
        if ((frames != 24 && frames != 25 && frames != 29 && frames != 30) ||
            (division & 0xFFu) == 0) {
            return false;
        }
    }
    std::size_t at = 8 + static_cast<std::size_t>(headerLength);
    std::uint32_t found = 0;
    while (found < tracks) {
        if (at + 8 > size) return false;
        const std::uint32_t length = be32(data + at + 4);
        if (length > size - at - 8) return false;
        if (tagIs(data + at, "MTrk")) {
            if (length == 0) return false;
            ++found;
        }
        at += 8 + static_cast<std::size_t>(length);
    }
    return true;
}

// An MPEG audio frame header: the sync, a defined version and layer, a bit rate from the table
// (not "free" and not the forbidden one) and a defined sampling rate.
bool mpegFrameHeader(const std::uint8_t* p) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const unsigned version = (p[1] >> 3) & 3u, layer = (p[1] >> 1) & 3u;
    const unsigned bitrate = p[2] >> 4, samplingRate = (p[2] >> 2) & 3u;
    return version != 1 && layer != 0 && bitrate != 0 && bitrate != 15 && samplingRate != 3;
}

// The frames of an ID3v2 tag of the version (its tagSize bytes after the tag's own header): the
// library copies each frame by the size the frame claims, so each must lie inside the tag. A
// frame id starting with a zero byte is the padding that ends them, zeros to the end of the tag:
// the library reads on through padding that isn't, taking what follows for frames.
bool id3FramesInside(const std::uint8_t* tag, std::size_t tagSize, unsigned version) {
    const std::size_t header = version == 2 ? 6 : 10;
    for (std::size_t at = 0; at + header <= tagSize;) {
        const std::uint8_t* frame = tag + at;
        if (frame[0] == 0) return std::all_of(frame, tag + tagSize, [](auto b) { return b == 0; });
        std::size_t length = 0;
        if (version == 2) {
            length = std::size_t{frame[3]} << 16 | std::size_t{frame[4]} << 8 | frame[5];
        } else {
            for (int i = 4; i < 8; ++i) {
                // Version 4 writes its sizes seven bits a byte, as the tag's own.
                if (version == 4 && (frame[i] & 0x80)) return false;
                length = length << (version == 4 ? 7 : 8) | frame[i];
            }
        }
        if (length > tagSize - at - header) return false;
        at += header + length;
    }
    return true;
}

// The end of the ID3v2 tag at the start of the data: its header, its frames and its footer.
std::size_t id3TagEnd(const std::uint8_t* data) {
    std::size_t tagSize = 0;
    for (int i = 6; i < 10; ++i) tagSize = tagSize << 7 | (data[i] & 0x7Fu);
    return 10 + tagSize + ((data[3] == 4 && (data[5] & 0x10)) ? 10 : 0);
}

// MPEG audio: an optional ID3v2 tag, then (after any zero padding) an MPEG frame header.
bool soundMp3(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxMp3Size) return false;
    std::size_t at = 0;
    if (size >= 10 && std::memcmp(data, "ID3", 3) == 0) {
        if (data[3] < 2 || data[3] > 4 || data[4] == 0xFF) return false;
        // Unsynchronised frames and extended headers (compression in version 2) are not walked.
        if (data[5] & 0xC0) return false;
        std::size_t tagSize = 0;
        for (int i = 6; i < 10; ++i) {
            if (data[i] & 0x80) return false;
            tagSize = tagSize << 7 | data[i];
        }
        if (tagSize > size - 10 || !id3FramesInside(data + 10, tagSize, data[3])) return false;
        at = id3TagEnd(data);
    }
    while (at < size && data[at] == 0) ++at;
    return at + 4 <= size && mpegFrameHeader(data + at);
}

}  // namespace

SoundFormat checkSoundHeader(const std::uint8_t* data, std::size_t size) {
    if (!data || size < 4) return SoundFormat::None;
    if (tagIs(data, "RIFF")) return soundWav(data, size) ? SoundFormat::Wav : SoundFormat::None;
    if (tagIs(data, "MThd")) return soundMidi(data, size) ? SoundFormat::Midi : SoundFormat::None;
    return soundMp3(data, size) ? SoundFormat::Mp3 : SoundFormat::None;
}

std::size_t soundStart(const std::uint8_t* data, std::size_t size) {
    if (checkSoundHeader(data, size) != SoundFormat::Mp3 || std::memcmp(data, "ID3", 3) != 0)
        return 0;
    return std::min(id3TagEnd(data), size);
}

}  // namespace fellridge::platform
