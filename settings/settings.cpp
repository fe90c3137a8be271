#include "settings/settings.h"

#include <sys/stat.h>

#include <limits>
#include <optional>
#include <stdexcept>
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

std::string text(bool value) {
    return value ? "1" : "0";
}
std::string text(std::int32_t value) {
    return std::to_string(value);
}

profile::Entry option(const char* key, std::string value) {
    return profile::Entry{kOptions, key, std::move(value)};
}

void appendEmptySlots(std::vector<profile::Entry>& entries) {
    for (int slot = 1; slot <= kSoundSlots; ++slot) {
        entries.push_back(profile::Entry{kWavConfig, slotKey(slot), "Null"});
    }
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

std::string windowsDirectory(platform::Environment& environment) {
    std::optional<std::string> directory = environment.windowsDirectory();
    if (!directory) throw Failure(kNoFolderMessage);
    return *directory;
}

std::string settingsPath(const std::string& windowsDirectory) {
    return platform::text::joinPath(windowsDirectory, kFileName);
}

bool exists(const std::string& path) {
    return platform::files::isFile(path);
}

void writeSaverFirstRun(const std::string& path) {
    std::vector<profile::Entry> entries = {
        option("Sound", "0"),   option("Status", "0"), option("Seq", "1"),
        option("Color", "4"),   option("Picdis", "4"), option("Time", "8000"),
        option("Height", "25"), option("Width", "25"),
    };
    appendEmptySlots(entries);
    profile::writeEntries(path, entries);
}

void writeDialogFirstRun(const std::string& path) {
    std::vector<profile::Entry> entries = {
        option("Sound", "0"), option("Status", "0"), option("Repeat", "0"),  option("Time", "8000"),
        option("Color", "4"), option("Picdis", "4"), option("Height", "25"), option("Width", "25"),
    };
    appendEmptySlots(entries);
    profile::writeEntries(path, entries);
}

void markSaverStart(const std::string& path) {
    profile::writeEntries(path, {option("Status", "1")});
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
    profile::writeEntries(path,
                          {
                              option("Sound", text(options.sound)),
                              option("Seq", text(options.inOrder)),
                              option("Color", text(static_cast<std::int32_t>(options.scheme))),
                              option("Picdis", text(static_cast<std::int32_t>(options.mode))),
                              option("Time", text(options.delay)),
                              option("Height", text(options.height)),
                              option("Width", text(options.width)),
                          });
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
