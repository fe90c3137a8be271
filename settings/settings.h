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

// The saver's folder of this run. When the platform can't name one (no home
// folder), throws Failure(kNoFolderMessage): a folder shared with other users would let them
// plant files and links among the saver's own.
std::string saverFolder(platform::Environment& environment);

// The saver's folder followed by "/fellridge28.ini".
std::string settingsPath(const std::string& saverFolder);

// True when a regular file exists at the path (a directory, FIFO or device does not count).
bool exists(const std::string& path);

// Every saver start: Status=1.
void markSaverStart(const std::string& path);

// The eight ways of showing the pictures, numbered as the file stores them (Picdis).
enum class DisplayMode : std::int32_t {
    Stretch = 1,           // stretched over the screen
    Centred = 2,           // at its own size in the middle, over the scheme's colour
    PictureInPicture = 3,  // in the middle, over the previous picture stretched
    Tiled = 4,             // into the four quarters in turn
    CustomSize = 5,        // at the custom size in the middle, over the scheme's colour
    Overlap = 6,           // drawn at a random place over what is there
    Slide = 7,             // sliding in from an edge
    RollDown = 8,          // drawn row by row from the top
};

// The background colours behind the centred modes, numbered as the file stores them (Color).
enum class ColourScheme : std::int32_t {
    BlackGreySilverWhite = 1,
    NavyBlackPurpleMaroon = 2,
    GreenAquaFuchsiaYellow = 3,
    BlackOnly = 4,
};

// The Options keys as both run modes take them and as the dialog's OK writes them. Reading
// maps any Picdis outside 1 to 8 to RollDown and any Color outside 1 to 3 to BlackOnly; Time,
// Height and Width are raw, and each side applies its own limits.
struct Options {
    bool sound = true;                              // Sound
    bool inOrder = true;                            // Seq
    ColourScheme scheme = ColourScheme::BlackOnly;  // Color
    DisplayMode mode = DisplayMode::RollDown;       // Picdis
    std::int32_t delay = -1;                        // Time, in milliseconds
    std::int32_t height = -1;                       // Height of the custom size
    std::int32_t width = -1;                        // Width of the custom size
    friend bool operator==(const Options&, const Options&) = default;
};

// The values a first run writes (the saver's and the dialog's alike) and the dialog then shows.
inline constexpr Options kFirstRunOptions{
    false, true, ColourScheme::BlackOnly, DisplayMode::Tiled, 8000, 25, 25};

// The saver's first run: Sound=0 Status=0 Seq=1 Color=4 Picdis=4 Time=8000 Height=25 Width=25,
// then Name1..Name500=Null, in that order.
void writeSaverFirstRun(const std::string& path);

// The dialog's first run: Sound=0 Status=0 Repeat=0 Time=8000 Color=4 Picdis=4 Height=25
// Width=25, then Name1..Name500=Null, in that order.
void writeDialogFirstRun(const std::string& path);

// The Options keys, or the defaults above for a missing file or key.
Options readOptions(const std::string& path);

// What the dialog's OK writes, in this order: Sound, Seq, Color, Picdis, Time, Height, Width.
void writeOptions(const std::string& path, const Options& options);

// The 500 sound slots Name1..Name500 of WavConfig in one access, slot N at index N - 1, with a
// single blank for a missing key.
std::array<std::string, kSoundSlots> readSoundSlots(const std::string& path);
// Writes NameN = value (a path or "Null"). A slot outside 1..500 throws std::out_of_range; a
// value with CR or LF can't be kept on one line and is refused like any other refused write.
void writeSoundSlot(const std::string& path, int slot, const std::string& value);

// True when the slot's text, upper-cased (a to z only), equals "NULL".
bool isEmptySlot(const std::string& value);

}  // namespace fellridge::settings
