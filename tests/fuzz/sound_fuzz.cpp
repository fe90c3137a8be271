#include "sound_fuzz.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdlib>
#include <vector>

#include "fake_audio.h"
#include "platform/sound/sound_check.h"
#include "platform/sound/sound_loader.h"

namespace fellridge::fuzz {

namespace {

// About a fifth of a second of sound at the device's rate: past the headers and the first frames
// or events of every format, where the decoders read what the file claims about itself.
constexpr int kDecodedBlocks = 4;

}  // namespace

std::string openFuzzAudio() {
    static std::string problem = [] {
        // SDL's audio driver is never asked for a device (see fake_audio.h); the dummy one needs
        // nothing of the machine.
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return std::string(SDL_GetError());
        Mix_Init(MIX_INIT_MP3 | MIX_INIT_MID);
        if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 2048) != 0)
            return std::string(Mix_GetError());
        if (!fakeAudioOpen()) return std::string("the sound library opened a real device");
        return std::string();
    }();
    return problem;
}

std::string checkSoundInput(const std::uint8_t* data, std::size_t size) {
    const platform::SoundFormat format = platform::checkSoundHeader(data, size);
    // The check must give the same answer twice and never pass a file over the largest bound.
    if (platform::checkSoundHeader(data, size) != format) return "the check is not stable";
    if (format == platform::SoundFormat::None) return "";
    if (size > platform::kMaxSoundFileSize) return "a file over the bound passed";

    if (std::string problem = openFuzzAudio(); !problem.empty()) return "no audio: " + problem;
    const std::vector<std::uint8_t> bytes(data, data + size);
    Mix_Music* music = platform::loadMusicFromMemory(bytes);
    if (!music) return "";
    if (Mix_PlayMusic(music, 1) == 0) {
        for (int i = 0; i < kDecodedBlocks && Mix_PlayingMusic(); ++i) pullAudio(1);
        Mix_HaltMusic();
    }
    Mix_FreeMusic(music);
    return "";
}

}  // namespace fellridge::fuzz
