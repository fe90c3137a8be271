#include "platform/sound/sound_loader.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include "platform/sound/sound_check.h"

namespace fellridge::platform {

Mix_Music* loadMusicFromMemory(const std::vector<std::uint8_t>& bytes) {
    Mix_MusicType type = MUS_NONE;
    switch (checkSoundHeader(bytes.data(), bytes.size())) {
        case SoundFormat::Wav:
            type = MUS_WAV;
            break;
        case SoundFormat::Midi:
            type = MUS_MID;
            break;
        case SoundFormat::Mp3:
            type = MUS_MP3;
            break;
        case SoundFormat::None:
            return nullptr;
    }
    const std::size_t start = soundStart(bytes.data(), bytes.size());
    SDL_RWops* source =
        SDL_RWFromConstMem(bytes.data() + start, static_cast<int>(bytes.size() - start));
    if (!source) return nullptr;
    // The music owns the reader from here on (freed with it, or at once when loading fails).
    return Mix_LoadMUSType_RW(source, type, SDL_TRUE);
}

}  // namespace fellridge::platform
