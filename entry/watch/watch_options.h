// The idle watch's long options beside the screen-saver switches: "--idle MINUTES" (or
// "--idle=MINUTES"), "--lock" with it, and "--help".
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace fellridge::watch {

struct WatchOptions {
    enum class Kind {
        NotOurs,  // no long option of ours first: the screen-saver switches decide
        Help,
        Watch,
        Invalid  // message says why; the program ends with status 2
    };
    Kind kind = Kind::NotOurs;
    std::chrono::milliseconds idleTime{0};
    bool lock = false;
    std::string message;
};

// The longest idle time: what a 32-bit count of milliseconds holds (the sources count in those).
constexpr double kMaxMinutes = 71582;

// Reads the split command line. MINUTES is a decimal number with an optional fraction
// ("5", "0.05", ".5"), more than 0 and at most kMaxMinutes; it gives at least a millisecond.
WatchOptions parseWatchOptions(const std::vector<std::string>& parameters);

// The text "--help" prints.
std::string watchHelp();

}  // namespace fellridge::watch
