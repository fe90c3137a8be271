#include "settings/settings.h"

#include <sys/stat.h>

#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/files.h"
#include "settings/profile.h"

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

// The raw Options values with the readers' defaults (Sound and Seq true, the rest -1).
std::int32_t colorScheme(std::int32_t color) {
    return (color >= 1 && color <= 3) ? color : 4;
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
    return windowsDirectory + "/" + kFileName;
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
    if (!content) return options;  // defaults: sound on, in order, scheme 4, mode 8, raw -1
    const auto values = profile::lookupMany(*content, kOptions, optionKeys());
    options.sound = booleanOf(values[kSound], true);
    options.inOrder = booleanOf(values[kSeq], true);
    options.color = colorScheme(integerOf(values[kColor], -1));
    const std::int32_t picdis = integerOf(values[kPicdis], -1);
    options.picdis = (picdis >= 1 && picdis <= 8) ? picdis : 8;
    options.time = integerOf(values[kTime], -1);
    options.height = integerOf(values[kHeight], -1);
    options.width = integerOf(values[kWidth], -1);
    return options;
}

void writeDialogOk(const std::string& path, const DialogOk& values) {
    profile::writeEntries(path, {
                                    option("Sound", text(values.sound)),
                                    option("Seq", text(values.inOrder)),
                                    option("Color", text(values.color)),
                                    option("Picdis", text(values.picdis)),
                                    option("Time", text(values.time)),
                                    option("Height", text(values.height)),
                                    option("Width", text(values.width)),
                                });
}

std::string readSoundSlot(const std::string& path, int slot) {
    if (slot < 1 || slot > kSoundSlots) return " ";
    std::optional<std::string> content = profile::readFile(path);
    if (!content) return " ";
    return profile::lookup(*content, kWavConfig, slotKey(slot)).value_or(" ");
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
    return upperAscii(value) == "NULL";
}

std::string upperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    }
    return text;
}

std::int64_t roundHalfEven(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kLimit = 9.2e18;  // inside the 64-bit range, far beyond any screen or delay
    if (value >= kLimit) return static_cast<std::int64_t>(kLimit);
    if (value <= -kLimit) return static_cast<std::int64_t>(-kLimit);
    double floor = std::floor(value);
    double fraction = value - floor;
    auto result = static_cast<std::int64_t>(floor);
    if (fraction > 0.5 || (fraction == 0.5 && result % 2 != 0)) ++result;
    return result;
}

}  // namespace fellridge::settings
