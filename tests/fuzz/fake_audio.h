// An audio device and a MIDI synthesizer for the sound checks that never wait for a clock.
//
// The sound library opens its device through SDL_OpenAudioDevice and hands it a callback that
// mixes the music into a buffer; this program's own SDL_OpenAudioDevice keeps that callback and
// opens nothing, so the music is decoded only when pullAudio() asks for it, as fast as the
// decoders go, on the calling thread. A MIDI file makes the library build a synthesizer and load
// the sound font into it (6 MB, most of the time a MIDI input takes); here the first synthesizer
// is kept and handed out again, reset, for every later file. Both replace the libraries'
// functions by name in this executable (it exports them), so they serve the checks alone.
#pragma once

namespace fellridge::fuzz {

// Whether the sound library's device is one of these; false before it opened one.
bool fakeAudioOpen();

// Runs the sound library's mixing callback over `blocks` buffers of the device's size.
void pullAudio(int blocks);

}  // namespace fellridge::fuzz
