// Background sound: the first listed file at the start, then a random one each time the
// previous one has ended; any failure silences the rest of the run.
#pragma once

#include <string>
#include <vector>

#include "platform/sound/sound_player.h"
#include "saver/random.h"
#include "saver/saver_state.h"

namespace fellridge::saver {

class Sound {
  public:
    // What the sound keeps for the run.
    struct State {
        bool on = false;  // while the settings ask for sound and the player has not failed
        std::vector<std::string> list;
        std::string current;
    };

    Sound(const SaverState& shared, platform::SoundPlayer& player, RandomDraw& random);

    const State& state() const { return state_; }

    // Turns sound on or off for the run, as the settings ask; a failing player turns it off
    // by itself.
    void enable(bool on) { state_.on = on; }
    // Reads Name1..Name500 of the settings file (the shared settingsPath) into the sound list.
    void readSoundList();
    // Plays the current sound: file name, automatic type, open, play. A failure turns sound off.
    void startSound();
    // At the start, once the list is read: the first listed sound plays when sound is on.
    void startFirst();
    // Each tick: when sound is on and the player is stopped, start the current sound again.
    void restartIfStopped();
    // After each picture load: a random entry of the list becomes the current sound.
    void chooseNext();
    // The player's notice that the sound has ended: the player is stopped, and the next tick
    // starts the current sound.
    void onPlaybackEnded();
    // At the stop routine: stops the player when it is playing.
    void stopAtExit();

  private:
    const SaverState& shared_;
    State state_;
    platform::SoundPlayer& player_;
    RandomDraw& random_;
};

}  // namespace fellridge::saver
