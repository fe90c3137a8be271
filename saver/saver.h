// The saver run mode's logic, free of any toolkit: the start-up sequence, the input hook, the
// stop routine, and the slideshow tick with its eight display modes. The saver window
// builds one Saver and hands it the saver's platform services, its timer, its player and itself.
#pragma once

#include <cstdint>

#include "platform/services.h"
#include "platform/sound/sound_player.h"
#include "saver/picture_library.h"
#include "saver/random.h"
#include "saver/saver_state.h"
#include "saver/sound.h"
#include "saver/surface.h"

namespace fellridge::saver {

// What the logic needs of the saver window itself.
class SaverHost {
  public:
    virtual ~SaverHost() = default;
    // The native window id handed to the password provider (0 for none).
    virtual std::uintptr_t nativeId() = 0;
    // Closes the window; once it is the main window this ends the message loop. A close while
    // the window is still being created is ignored (the start-up then completes as usual).
    virtual void close() = 0;
};

// The platform services the slideshow uses. A run inside a daemon's window builds its own set,
// whose screen, boxes, pointer and input belong to the daemon.
struct SaverServices {
    platform::Environment& environment;  // folders, and whether input ends the run at once
    platform::Registry& registry;        // whether the user wants a password
    platform::Libraries& libraries;      // the password provider
    platform::MessageBoxes& boxes;
    platform::Clock& clock;
    platform::EventPump& events;
    platform::Screen& screen;
    platform::Cursor& cursor;
    platform::InputHook& input;
};

// The scheme's background colour for the tick counter: each scheme has four colours that
// follow each other as the counter runs from 1 to 21.
Rgb schemeColour(settings::ColourScheme scheme, std::int32_t tickCounter);

class Saver {
  public:
    // Connects the timer's tick (a failing tick shows its text and the slideshow goes on) and
    // the player's end-of-playback notice; the window may connect them again its own way.
    Saver(const SaverServices& services, Surface& surface, platform::Timer& timer,
          platform::SoundPlayer& player, SaverHost& window);
    // Takes its handlers back from the timer and the player, which may outlive it.
    ~Saver();
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    // The start-up sequence, run while the window is created. Failures of its settings/pictures
    // step are shown in an error box and end the sequence; the window is shown all the same. A
    // settings file that can't be created is shown too, and the input hook is still installed,
    // so that input can end the black window.
    void start();
    // The program-wide input hook: every piece of the program's input.
    void inputHook(platform::Input input);
    // Ends the slideshow: timer off, abort flag, sound stopped, temporary
    // pictures deleted, window closed. Repeatable without further effect. From then on the
    // timer is never enabled again and a tick returns at once.
    void stopRoutine();
    // The slideshow timer's tick.
    void tick();
    // The sound player's notice that the current sound has ended.
    void onPlaybackEnded();

    SaverState& state() { return state_; }
    PictureLibrary& pictures() { return pictures_; }
    const Sound& sound() const { return sound_; }

  private:
    void passwordCheck();
    void enableTimer();
    // The next picture into the load buffer, and the next sound chosen.
    void loadNextPicture();

    void showStretched();
    void showCentred(bool custom);
    void showPictureInPicture();
    void showTiled();
    void drawOverlapping();
    void slideIn();
    void rollDown();

    SaverServices services_;
    Surface& surface_;
    platform::Timer& timer_;
    platform::SoundPlayer& player_;
    SaverHost& window_;
    SaverState state_;
    RandomDraw random_;
    Sound sound_;
    PictureLibrary pictures_;
};

}  // namespace fellridge::saver
