// The saver's values for one run that its parts share: where its files are, the choices read
// from the settings file, and the slideshow's own progress. The picture library and the sound
// keep their own state.
#pragma once

#include <cstdint>
#include <string>

#include "settings/settings.h"

namespace fellridge::saver {

struct SaverState {
    std::string windowsDirectory;
    std::string settingsPath;

    // The choices read from the settings file at the start.
    settings::Options options;

    // Slideshow.
    bool intervalPending = true;  // the first tick sets the timer to the delay
    std::int32_t tickCounter = 0;
    std::int32_t quadrant = 1;  // the tiled mode's next quarter, 1 to 4
    bool abort = false;         // the stop routine ran: a slide or roll-down in progress ends
    bool inputGuard = false;
    bool stopped = false;  // the stop routine has run: no tick may run after it
};

}  // namespace fellridge::saver
