// The header check in front of the sound library: sound files of the three formats pass, and
// every header the library could choke on is refused.
#include "platform/sound/sound_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using fellridge::platform::checkSoundHeader;
using fellridge::platform::SoundFormat;

namespace {

using Bytes = std::string;

Bytes le16(unsigned v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)};
}
Bytes le32(std::uint32_t v) {
    return le16(v & 0xFFFF) + le16(v >> 16);
}
Bytes be16(unsigned v) {
    return {static_cast<char>(v >> 8 & 0xFF), static_cast<char>(v & 0xFF)};
}
Bytes be32(std::uint32_t v) {
    return be16(v >> 16) + be16(v & 0xFFFF);
}

struct Fmt {
    unsigned tag = 1, channels = 2;
    std::uint32_t rate = 44100;
    unsigned bits = 16;
    int blockAlign = -1;  // -1: the one that fits
};

Bytes fmtChunk(const Fmt& f) {
    const unsigned align =
        f.blockAlign >= 0 ? static_cast<unsigned>(f.blockAlign) : f.channels * (f.bits / 8);
    Bytes body = le16(f.tag) + le16(f.channels) + le32(f.rate) + le32(f.rate * align) +
                 le16(align) + le16(f.bits);
    return "fmt " + le32(static_cast<std::uint32_t>(body.size())) + body;
}

Bytes chunk(const Bytes& id, const Bytes& body) {
    Bytes out = id + le32(static_cast<std::uint32_t>(body.size())) + body;
    if (body.size() % 2) out += '\0';
    return out;
}

Bytes riff(const Bytes& chunks) {
    return "RIFF" + le32(static_cast<std::uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

Bytes wav(const Fmt& f) {
    return riff(fmtChunk(f) + chunk("data", Bytes(64, '\x10')));
}

Bytes midiHeader(unsigned format, unsigned tracks, unsigned division) {
    return "MThd" + be32(6) + be16(format) + be16(tracks) + be16(division);
}
Bytes track() {
    return "MTrk" + be32(4) + Bytes("\x00\xFF\x2F\x00", 4);
}

// An MPEG-1 layer III frame header at 128 kbit/s, 44.1 kHz.
const Bytes kFrame("\xFF\xFB\x90\x00", 4);

SoundFormat check(const Bytes& bytes) {
    return checkSoundHeader(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

struct Case {
    const char* name;
    Bytes bytes;
    SoundFormat expected;
};

TEST(SoundCheck, KnowsEachFormatByItsHeaderAndRefusesBrokenOnes) {
    const Fmt zero{.channels = 0, .rate = 0, .blockAlign = 0};
    const Bytes goodFmt = fmtChunk(Fmt{});
    const Bytes samples = chunk("data", Bytes(64, '\x10'));
    const Bytes shortFmt = "fmt " + le32(12) + Bytes(12, '\x01');

    const std::vector<Case> cases = {
        {"PCM WAV", wav(Fmt{}), SoundFormat::Wav},
        {"float WAV", wav({.tag = 3, .bits = 32}), SoundFormat::Wav},
        {"WAV with a LIST chunk first", riff(chunk("LIST", "INFOabc") + goodFmt + samples),
         SoundFormat::Wav},
        {"WAV whose samples are cut short",
         riff(goodFmt + "data" + le32(100000) + Bytes(10, '\x01')), SoundFormat::Wav},
        {"WAV of 0 channels at 0 Hz", wav(zero), SoundFormat::None},
        {"WAV of 0 channels", wav({.channels = 0}), SoundFormat::None},
        {"WAV at 0 Hz", wav({.rate = 0}), SoundFormat::None},
        {"WAV with a block size of 0", wav({.blockAlign = 0}), SoundFormat::None},
        {"ADPCM WAV", wav({.tag = 2, .bits = 4}), SoundFormat::None},
        {"WAV of 12-bit samples", wav({.bits = 12}), SoundFormat::None},
        {"WAV of 9 channels", wav({.channels = 9}), SoundFormat::None},
        {"WAV without fmt", riff(samples), SoundFormat::None},
        {"WAV with data before fmt", riff(samples + goodFmt), SoundFormat::None},
        {"WAV with a second, broken fmt", riff(goodFmt + samples + fmtChunk(zero)),
         SoundFormat::None},
        {"WAV with a short fmt", riff(shortFmt + samples), SoundFormat::None},
        {"WAV whose fmt runs past the end", riff("fmt " + le32(1000) + Bytes(16, '\x01')),
         SoundFormat::None},
        {"RIFF of another kind", "RIFF" + le32(12) + "AVI " + goodFmt + samples, SoundFormat::None},
        {"bare RIFF", "RIFF", SoundFormat::None},

        {"MIDI of one track", midiHeader(0, 1, 480) + track(), SoundFormat::Midi},
        {"MIDI of two tracks", midiHeader(1, 2, 96) + track() + track(), SoundFormat::Midi},
        {"MIDI in SMPTE time", midiHeader(0, 1, 0xE728) + track(), SoundFormat::Midi},
        {"MIDI with a chunk of its own between tracks",
         midiHeader(1, 2, 96) + track() + "XTRA" + be32(2) + "ab" + track(), SoundFormat::Midi},
        {"MIDI of format 3", midiHeader(3, 1, 480) + track(), SoundFormat::None},
        {"MIDI of format 0 with two tracks", midiHeader(0, 2, 480) + track() + track(),
         SoundFormat::None},
        {"MIDI without tracks", midiHeader(1, 0, 480), SoundFormat::None},
        {"MIDI missing an announced track", midiHeader(1, 3, 480) + track() + track(),
         SoundFormat::None},
        {"MIDI with a division of 0", midiHeader(0, 1, 0) + track(), SoundFormat::None},
        {"MIDI in SMPTE time at 23 frames", midiHeader(0, 1, 0xE928) + track(), SoundFormat::None},
        {"MIDI whose track runs past the end", midiHeader(0, 1, 480) + "MTrk" + be32(50) + "ab",
         SoundFormat::None},
        {"MIDI whose header length runs past the end",
         "MThd" + be32(0xFFFFFFF0) + be16(0) + be16(1) + be16(480), SoundFormat::None},
        {"random bytes after MThd", "MThd" + Bytes(200, '\xA7'), SoundFormat::None},

        {"MP3 frame", kFrame + Bytes(400, '\0'), SoundFormat::Mp3},
        {"MP3 with an ID3 tag",
         "ID3\x03" + Bytes(2, '\0') + be32(14) + "TIT2" + be32(4) + Bytes(2, '\0') + "Owls" +
             kFrame,
         SoundFormat::Mp3},
        {"ID3 frame that claims more than its tag",
         "ID3\x03" + Bytes(2, '\0') + be32(20) + "TIT2" + be32(0x7A0006) + Bytes(30, '\0') + kFrame,
         SoundFormat::None},
        {"ID3 tag that claims more than the file",
         "ID3\x03" + Bytes(2, '\0') + be32(0x7F7F) + kFrame, SoundFormat::None},
        {"MP3 with an ID3 tag and padding",
         "ID3\x04" + Bytes(2, '\0') + Bytes("\x00\x00\x00\x02", 4) + "TT" + Bytes(30, '\0') +
             kFrame,
         SoundFormat::Mp3},
        {"ID3 padding with a frame after it",
         "ID3\x04" + Bytes(2, '\0') + be32(30) + "TIT2" + Bytes(16, '\0') + "TPE1" +
             Bytes("\x03\x00\x00\x00\x00\x00", 6) + kFrame,
         SoundFormat::None},
        {"ID3 tag without a frame",
         "ID3\x03" + Bytes(2, '\0') + Bytes("\x00\x00\x00\x02", 4) + "TTnot a frame",
         SoundFormat::None},
        {"ID3 tag with a broken size",
         "ID3\x03" + Bytes(2, '\0') + Bytes("\x00\x80\x00\x02", 4) + "TT" + kFrame,
         SoundFormat::None},
        {"frame of a reserved version", Bytes("\xFF\xEB\x90\x00", 4) + Bytes(8, '\0'),
         SoundFormat::None},
        {"frame with the forbidden bit rate", Bytes("\xFF\xFB\xF0\x00", 4) + Bytes(8, '\0'),
         SoundFormat::None},
        {"frame with a reserved sampling rate", Bytes("\xFF\xFB\x9C\x00", 4) + Bytes(8, '\0'),
         SoundFormat::None},

        {"text", "These are words, not sound.\n", SoundFormat::None},
        {"nothing", "", SoundFormat::None},
        {"zeros", Bytes(4096, '\0'), SoundFormat::None},
    };
    for (const Case& c : cases) EXPECT_EQ(check(c.bytes), c.expected) << c.name;
}

// The library gets an MP3 from its first frame on: its ID3v2 tag reader overruns its buffers.
TEST(SoundCheck, TheLibrarysBytesStartAfterTheId3Tag) {
    const Bytes tagged = "ID3\x03" + Bytes(2, '\0') + be32(14) + "TIT2" + be32(4) + Bytes(2, '\0') +
                         "Owls" + kFrame + Bytes(400, '\0');
    const auto start = [](const Bytes& b) {
        return fellridge::platform::soundStart(reinterpret_cast<const std::uint8_t*>(b.data()),
                                               b.size());
    };
    EXPECT_EQ(start(tagged), 24u);
    EXPECT_EQ(start(kFrame + Bytes(400, '\0')), 0u);
    EXPECT_EQ(start(midiHeader(0, 1, 480) + track()), 0u);
}

TEST(SoundCheck, EachFormatHasItsSizeBound) {
    Bytes midi = midiHeader(0, 1, 480) + track();
    midi.resize(fellridge::platform::kMaxMidiSize + 1, '\0');
    EXPECT_EQ(check(midi), SoundFormat::None);
    midi.resize(fellridge::platform::kMaxMidiSize);
    EXPECT_EQ(check(midi), SoundFormat::Midi);

    Bytes mp3 = kFrame;
    mp3.resize(fellridge::platform::kMaxMp3Size + 1, '\0');
    EXPECT_EQ(check(mp3), SoundFormat::None);
}

}  // namespace
