// Sound files reach SDL2_mixer only from memory, and only after their header has been checked.
#pragma once

#include <cstdint>
#include <vector>

struct _Mix_Music;

namespace fellridge::platform {

// Loads music of a checked format from bytes in memory, which must outlive the music: nullptr
// when the header check refuses them or the library can't load them. Needs the audio device
// open.
_Mix_Music* loadMusicFromMemory(const std::vector<std::uint8_t>& bytes);

}  // namespace fellridge::platform
