#include "settings/settings.h"

#include <sys/stat.h>

#include <initializer_list>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "platform/files/files.h"
#include "platform/files/text.h"
#include "settings/profile.h"
#include "settings/profile_file.h"
#include "settings/profile_integer.h"

namespace fellridge::settings {
namespace {

// The Options keys both readers take, in one order.
enum OptionIndex { kSound, kSeq, kColor, kPicdis, kTime, kHeight, kWidth, kOptionCount };

const std::vector<std::string>& optionKeys() {
    static const std::vector<std::string> keys = {"Sound", "Seq",    "Color", "Picdis",
                                                  "Time",  "Height", "Width"};
    return keys;
}

std::string slotKey(int slot) {
    return "Name" + std::to_string(slot);
}

// The text of an Options key as the writers write it; Status and Repeat, which only the first
// runs write, are 0.
std::string optionText(const Options& options, std::string_view key) {
    const auto number = [](auto value) { return std::to_string(static_cast<std::int32_t>(value)); };
    if (key == "Sound") return options.sound ? "1" : "0";
    if (key == "Seq") return options.inOrder ? "1" : "0";
    if (key == "Color") return number(options.scheme);
    if (key == "Picdis") return number(options.mode);
    if (key == "Time") return number(options.delay);
    if (key == "Height") return number(options.height);
    if (key == "Width") return number(options.width);
    return "0";
}

// The Options entries of the keys, in their order.
std::vector<profile::Entry> optionEntries(const Options& options,
                                          std::initializer_list<std::string_view> keys) {
    std::vector<profile::Entry> entries;
    for (const std::string_view key : keys)
        entries.push_back(profile::Entry{kOptions, std::string(key), optionText(options, key)});
    return entries;
}

// A first run: the first-run values of the keys, then the 500 empty sound slots.
void writeFirstRun(const std::string& path, std::initializer_list<std::string_view> keys) {
    std::vector<profile::Entry> entries = optionEntries(kFirstRunOptions, keys);
    for (int slot = 1; slot <= kSoundSlots; ++slot) {
        entries.push_back(profile::Entry{kWavConfig, slotKey(slot), "Null"});
    }
    profile::writeEntries(path, entries);
}

std::int32_t integerOf(const std::optional<std::string>& value, std::int32_t fallback) {
    return value ? profile::parseInteger(*value, fallback) : fallback;
}

bool booleanOf(const std::optional<std::string>& value, bool fallback) {
    return integerOf(value, fallback ? 1 : 0) != 0;
}

void checkSlot(int slot) {
    if (slot < 1 || slot > kSoundSlots) {
        throw std::out_of_range("Sound slot " + std::to_string(slot) + " is not in 1 to 500");
    }
}

}  // namespace

std::string saverFolder(platform::Environment& environment) {
    std::optional<std::string> directory = environment.saverFolder();
    if (!directory) throw Failure(kNoFolderMessage);
    return *directory;
}

std::string settingsPath(const std::string& saverFolder) {
    return platform::text::joinPath(saverFolder, kFileName);
}

bool exists(const std::string& path) {
    return platform::files::isFile(path);
}

void writeSaverFirstRun(const std::string& path) {
    writeFirstRun(path, {"Sound", "Status", "Seq", "Color", "Picdis", "Time", "Height", "Width"});
}

void writeDialogFirstRun(const std::string& path) {
    writeFirstRun(path,
                  {"Sound", "Status", "Repeat", "Time", "Color", "Picdis", "Height", "Width"});
}

void markSaverStart(const std::string& path) {
    profile::writeEntries(path, {profile::Entry{kOptions, "Status", "1"}});
}

Options readOptions(const std::string& path) {
    Options options;
    const std::optional<std::string> content = profile::readFile(path);
    if (!content) return options;
    const auto values = profile::lookupMany(*content, kOptions, optionKeys());
    options.sound = booleanOf(values[kSound], true);
    options.inOrder = booleanOf(values[kSeq], true);
    const std::int32_t scheme = integerOf(values[kColor], -1);
    if (scheme >= 1 && scheme <= 3) options.scheme = static_cast<ColourScheme>(scheme);
    const std::int32_t mode = integerOf(values[kPicdis], -1);
    if (mode >= 1 && mode <= 8) options.mode = static_cast<DisplayMode>(mode);
    options.delay = integerOf(values[kTime], -1);
    options.height = integerOf(values[kHeight], -1);
    options.width = integerOf(values[kWidth], -1);
    return options;
}

void writeOptions(const std::string& path, const Options& options) {
    profile::writeEntries(path, optionEntries(options, {"Sound", "Seq", "Color", "Picdis", "Time",
                                                        "Height", "Width"}));
}

std::array<std::string, kSoundSlots> readSoundSlots(const std::string& path) {
    std::array<std::string, kSoundSlots> slots;
    slots.fill(" ");
    std::optional<std::string> content = profile::readFile(path);
    if (!content) return slots;
    std::vector<std::string> keys;
    keys.reserve(kSoundSlots);
    for (int slot = 1; slot <= kSoundSlots; ++slot) keys.push_back(slotKey(slot));
    auto values = profile::lookupMany(*content, kWavConfig, keys);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (values[i]) slots[i] = std::move(*values[i]);
    }
    return slots;
}

void writeSoundSlot(const std::string& path, int slot, const std::string& value) {
    checkSlot(slot);
    profile::writeEntries(path, {profile::Entry{kWavConfig, slotKey(slot), value}});
}

bool isEmptySlot(const std::string& value) {
    return platform::text::equalIgnoringCase(value, "NULL");
}

}  // namespace fellridge::settings
