// The settings dialog's sound slot table, without widgets: the 500 slots of the settings file
// (slot N at index N - 1), the number of sounds the dialog lists, and the writes that keep the
// file in step with them.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace fellridge::dialog {

class SoundSlots {
  public:
    using Table = std::array<std::string, settings::kSoundSlots>;

    // The text of a free slot as the dialog writes it.
    static constexpr const char* kEmpty = "Null";

    SoundSlots() { table_.fill(kEmpty); }

    // Every slot free and no sound listed; the file the table is kept with from now on.
    void reset(std::string settingsPath);
    // Takes the slots of the file.
    void readFile();
    // The sounds to list, in slot order (the slots that are not free). Each counts as listed.
    std::vector<std::string> takeListed();

    // Writes the sound into the first free slot, in the file and the table: the slot's number,
    // or nullopt when every slot is taken (nothing is written). A refused write throws and
    // changes nothing.
    std::optional<int> add(const std::string& sound);
    // Frees the slot that the file holds the sound in (the first whose text equals it exactly),
    // in the file and the table, and counts one sound less: false, with nothing changed, when
    // the file holds no such slot. A refused write throws and changes nothing.
    bool remove(const std::string& sound);

    const std::string& settingsPath() const { return settingsPath_; }
    const Table& table() const { return table_; }
    int count() const { return count_; }

  private:
    std::string settingsPath_;
    Table table_;
    int count_ = 0;
};

}  // namespace fellridge::dialog
