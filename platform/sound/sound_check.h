// The sanity check a sound file passes before its bytes reach the sound library.
//
// The library trusts the headers of the files it decodes: a WAV that claims no channels or a
// rate of 0 Hz divides by zero inside it, and a stream of random bytes named .mid makes it grow
// memory without end. So the bytes are recognised here by their own header (never by the file's
// name), and only a header that is whole and plausible for its format, within a size that fits
// the format, is handed on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fellridge::platform {

enum class SoundFormat { None, Wav, Midi, Mp3 };

// Largest file read for any sound, and the bound of each format (a WAV of CD quality runs
// about 25 minutes in 256 MiB, an MP3 at 128 kbit/s far longer in 64 MiB; a MIDI file is a few
// kilobytes of notes).
inline constexpr std::size_t kMaxSoundFileSize = 256u << 20;
inline constexpr std::size_t kMaxWavSize = kMaxSoundFileSize;
inline constexpr std::size_t kMaxMp3Size = 64u << 20;
inline constexpr std::size_t kMaxMidiSize = 4u << 20;

// The format of a sound file whose header is sound, or None when it is none of the three, is
// malformed or too large for its format.
SoundFormat checkSoundHeader(const std::uint8_t* data, std::size_t size);

// Where the bytes handed to the library begin: after the ID3v2 tag that starts an MP3 (titles
// the slideshow never shows, whose reader in the library overruns its buffers on malformed text
// or sizes), else at 0. Only for data whose header passed the check.
std::size_t soundStart(const std::uint8_t* data, std::size_t size);

}  // namespace fellridge::platform
