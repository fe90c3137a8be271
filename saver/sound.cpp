#include "saver/sound.h"

#include "platform/files/files.h"
#include "saver/log.h"
#include "settings/settings.h"

namespace fellridge::saver {

Sound::Sound(const SaverState& shared, platform::SoundPlayer& player, RandomDraw& random)
    : shared_(shared), player_(player), random_(random) {}

void Sound::readSoundList() {
    state_.list.clear();
    const auto entries = settings::readSoundSlots(shared_.settingsPath);
    for (const std::string& value : entries) {
        if (settings::isEmptySlot(value)) continue;
        if (platform::files::isFile(value)) {
            state_.list.push_back(value);
            continue;
        }
        // A missing file, or a blank entry for a missing key: no sound at all this run.
        state_.list.clear();
        state_.on = false;
        return;
    }
}

void Sound::startSound() {
    try {
        player_.setFileName(state_.current);
        player_.setDeviceTypeAutomatic();
        player_.open();
        player_.play();
    } catch (const std::exception& failure) {
        // The player failed (file gone, not a sound, no audio device): silence for the run.
        qCInfo(saverLog, "sound off for this run: %s: %s", state_.current.c_str(), failure.what());
        state_.on = false;
    }
}

void Sound::startFirst() {
    if (!state_.on || state_.list.empty()) return;
    state_.current = state_.list.front();
    startSound();
}

void Sound::restartIfStopped() {
    if (!state_.on) return;
    if (player_.mode() != platform::PlayerMode::Stopped) return;
    startSound();
}

void Sound::chooseNext() {
    if (!state_.on || state_.list.empty()) return;
    random_.reseed();
    const auto count = static_cast<std::uint32_t>(state_.list.size());
    state_.current = state_.list[random_.draw(count)];
}

void Sound::onPlaybackEnded() {
    try {
        player_.stop();
    } catch (const std::exception& failure) {
        // Only an open player is ever stopped here; a refusal changes nothing.
        qCInfo(saverLog, "player not stopped at the end of a sound: %s", failure.what());
    }
}

void Sound::stopAtExit() {
    if (player_.mode() != platform::PlayerMode::Playing) return;
    try {
        player_.stop();
    } catch (const std::exception& failure) {
        // The run is ending; a player that can't stop is released with the window.
        qCInfo(saverLog, "player not stopped at the end of the run: %s", failure.what());
    }
}

}  // namespace fellridge::saver
