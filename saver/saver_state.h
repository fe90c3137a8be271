// The saver's process-wide values, shared by its lifecycle, picture library, tick and sound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fellridge::saver {

struct SaverState {
    std::string windowsDirectory;
    std::string settingsPath;

    // Picture library.
    std::string pictureDirectory;          // empty until prepare pictures runs
    std::vector<std::string> pictureList;  // entry N - 1 is picture N
    std::int32_t pictureCount = 0;
    std::int32_t pictureMark = 0;
    bool inOrder = true;

    // Settings values.
    std::int32_t displayMode = 3;
    std::int32_t colorScheme = 4;
    std::int32_t delay = 0;
    std::int32_t customHeight = 0;
    std::int32_t customWidth = 0;

    // Sound.
    bool soundOn = false;
    std::vector<std::string> soundList;
    std::string currentSound;

    // Slideshow.
    bool intervalPending = true;
    std::int32_t tickCounter = 0;
    std::int32_t quadrant = 1;
    bool abort = false;
    bool inputGuard = false;
    bool stopped = false;  // the stop routine has run: no tick may run after it
};

}  // namespace fellridge::saver
