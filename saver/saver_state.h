// The saver's values for one run, shared by its lifecycle, picture library, tick and sound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace fellridge::saver {

struct SaverState {
    std::string windowsDirectory;
    std::string settingsPath;

    // The choices read from the settings file at the start.
    settings::Options options;

    // Picture library.
    std::string pictureDirectory;          // empty until the pictures are prepared
    std::vector<std::string> pictureList;  // entry N - 1 is picture N
    std::int32_t pictureCount = 0;
    std::int32_t pictureMark = 0;  // the last picture shown in order

    // Sound: on while the settings ask for it and the player has not failed.
    bool soundOn = false;
    std::vector<std::string> soundList;
    std::string currentSound;

    // Slideshow.
    bool intervalPending = true;  // the first tick sets the timer to the delay
    std::int32_t tickCounter = 0;
    std::int32_t quadrant = 1;  // the tiled mode's next quarter, 1 to 4
    bool abort = false;
    bool inputGuard = false;
    bool stopped = false;  // the stop routine has run: no tick may run after it
};

}  // namespace fellridge::saver
