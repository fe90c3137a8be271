#include "dialog/sound_slots.h"

#include <algorithm>
#include <utility>

namespace fellridge::dialog {

void SoundSlots::reset(std::string settingsPath) {
    settingsPath_ = std::move(settingsPath);
    table_.fill(kEmpty);
    count_ = 0;
}

void SoundSlots::readFile() {
    table_ = settings::readSoundSlots(settingsPath_);
}

std::vector<std::string> SoundSlots::takeListed() {
    std::vector<std::string> listed;
    for (const std::string& slot : table_) {
        if (!settings::isEmptySlot(slot)) listed.push_back(slot);
    }
    count_ += static_cast<int>(listed.size());
    return listed;
}

std::optional<int> SoundSlots::add(const std::string& sound) {
    const auto free = std::find_if(table_.begin(), table_.end(), settings::isEmptySlot);
    if (free == table_.end()) return std::nullopt;
    const int slot = static_cast<int>(free - table_.begin()) + 1;
    settings::writeSoundSlot(settingsPath_, slot, sound);
    *free = sound;
    ++count_;
    return slot;
}

bool SoundSlots::remove(const std::string& sound) {
    const auto entries = settings::readSoundSlots(settingsPath_);
    const auto match = std::find(entries.begin(), entries.end(), sound);
    if (match == entries.end()) return false;
    const int slot = static_cast<int>(match - entries.begin()) + 1;
    settings::writeSoundSlot(settingsPath_, slot, kEmpty);
    table_[static_cast<std::size_t>(slot - 1)] = kEmpty;
    --count_;
    return true;
}

}  // namespace fellridge::dialog
