#include "sound_fuzz.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/sound/sound_check.h"
#include "platform/sound/sound_loader.h"

namespace fellridge::fuzz {

std::string openFuzzAudio() {
    static std::string problem = [] {
        ::setenv("SDL_AUDIODRIVER", "disk", 0);
        ::setenv("SDL_DISKAUDIOFILE", "/dev/null", 0);
        ::setenv("SDL_DISKAUDIODELAY", "0", 0);
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return std::string(SDL_GetError());
        Mix_Init(MIX_INIT_MP3 | MIX_INIT_MID);
        if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 2048) != 0)
            return std::string(Mix_GetError());
        return std::string();
    }();
    return problem;
}

std::string checkSoundInput(const std::uint8_t* data, std::size_t size, int playMilliseconds) {
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
        const auto end =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(playMilliseconds);
        while (Mix_PlayingMusic() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        Mix_HaltMusic();
    }
    Mix_FreeMusic(music);
    return "";
}

}  // namespace fellridge::fuzz
