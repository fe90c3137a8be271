// The settings file fellridge28.ini: its place, keys, writers' values and readers' defaults.
//
// Every function here is one access: it opens the file, does its reads or writes and closes it.
// Writes go to a temporary file beside the settings file that is then renamed over it, so a
// crash or a full disk never leaves a torn file; a refused write throws
// Failure("Unable to write to <path>") and leaves the old file as it was.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/services.h"

namespace fellridge::settings {

inline constexpr int kSoundSlots = 500;
inline constexpr const char* kFileName = "fellridge28.ini";
inline constexpr const char* kOptions = "Options";
inline constexpr const char* kWavConfig = "WavConfig";

inline constexpr const char* kNoFolderMessage =
    "No folder for the saver's files: neither HOME, XDG_DATA_HOME nor FELLRIDGE_WINDOWS_DIR is "
    "set.";

// The Windows directory of this run, the platform's. When the platform can't name one (no home
// folder), throws Failure(kNoFolderMessage): a folder shared with other users would let them
// plant files and links among the saver's own.
std::string windowsDirectory(platform::Environment& environment);

// The Windows directory followed by "/fellridge28.ini".
std::string settingsPath(const std::string& windowsDirectory);

// True when a regular file exists at the path (a directory, FIFO or device does not count).
bool exists(const std::string& path);

// The saver's first run: Sound=0 Status=0 Seq=1 Color=4 Picdis=4 Time=8000 Height=25 Width=25,
// then Name1..Name500=Null, in that order.
void writeSaverFirstRun(const std::string& path);

// The dialog's first run: Sound=0 Status=0 Repeat=0 Time=8000 Color=4 Picdis=4 Height=25
// Width=25, then Name1..Name500=Null, in that order.
void writeDialogFirstRun(const std::string& path);

// Every saver start: Status=1.
void markSaverStart(const std::string& path);

// The Options keys as both run modes take them. The saver takes display modes 1 to 8 and the
// dialog checks modes 1 to 7 or else Roll It Down, which comes to the same: anything outside 1
// to 8 is 8. Time, Height and Width are raw; each side applies its own limits.
struct Options {
    bool sound = true;         // Sound, default true
    bool inOrder = true;       // Seq, default true
    std::int32_t color = 4;    // Color: 1, 2, 3 taken, anything else 4
    std::int32_t picdis = 8;   // Picdis: 1..8 taken, anything else 8
    std::int32_t time = -1;    // Time as it stands, default -1
    std::int32_t height = -1;  // Height as it stands, default -1
    std::int32_t width = -1;   // Width as it stands, default -1
    friend bool operator==(const Options&, const Options&) = default;
};
using SaverOptions = Options;
using DialogOptions = Options;
Options readOptions(const std::string& path);
inline Options readSaverOptions(const std::string& path) {
    return readOptions(path);
}
inline Options readDialogOptions(const std::string& path) {
    return readOptions(path);
}

// What the dialog's OK writes, in this order: Sound, Seq, Color, Picdis, Time, Height, Width.
struct DialogOk {
    bool sound = false;
    bool inOrder = true;
    std::int32_t color = 4;
    std::int32_t picdis = 4;
    std::int32_t time = 8000;
    std::int32_t height = 25;
    std::int32_t width = 25;
};
void writeDialogOk(const std::string& path, const DialogOk& values);

// One sound slot NameN (1..500) of WavConfig, with a single blank for a missing key.
std::string readSoundSlot(const std::string& path, int slot);
// All 500 slots in one access, slot N at index N - 1, blank defaults as above.
std::array<std::string, kSoundSlots> readSoundSlots(const std::string& path);
// Writes NameN = value (a path or "Null"). A slot outside 1..500 throws std::out_of_range; a
// value with CR or LF can't be kept on one line and is refused like any other refused write.
void writeSoundSlot(const std::string& path, int slot, const std::string& value);

// True when the slot's text, upper-cased (a to z only), equals "NULL".
bool isEmptySlot(const std::string& value);

// Upper-cases the letters a to z and nothing else.
std::string upperAscii(std::string text);

// Rounds to the nearest integer, ties to even (used wherever the system halves or divides).
std::int64_t roundHalfEven(double value);

}  // namespace fellridge::settings
