#include "entry/watch/watch_options.h"

#include <cmath>

namespace fellridge::watch {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits, a point and digits, or both: no sign, exponent, blanks or locale's comma.
bool parseMinutes(const std::string& text, double& minutes) {
    double whole = 0, fraction = 0, scale = 1;
    bool digits = false, point = false;
    for (const char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (isDigit(c)) {
            digits = true;
            if (point) {
                scale /= 10;
                fraction += (c - '0') * scale;
            } else {
                whole = whole * 10 + (c - '0');
                if (whole > 1e12) whole = 1e12;  // far past the limit; no overflow
            }
        } else {
            return false;
        }
    }
    minutes = whole + fraction;
    return digits;
}

WatchOptions invalid(const std::string& message) {
    WatchOptions options;
    options.kind = WatchOptions::Kind::Invalid;
    options.message = message;
    return options;
}

}  // namespace

WatchOptions parseWatchOptions(const std::vector<std::string>& parameters) {
    WatchOptions options;
    if (parameters.empty() || parameters.front().rfind("--", 0) != 0) return options;
    bool idleGiven = false;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const std::string& parameter = parameters[i];
        if (parameter == "--help") {
            options.kind = WatchOptions::Kind::Help;
            return options;
        }
        if (parameter == "--lock") {
            options.lock = true;
            continue;
        }
        std::string value;
        if (parameter == "--idle") {
            if (i + 1 >= parameters.size()) return invalid("--idle needs the idle time in minutes");
            value = parameters[++i];
        } else if (parameter.rfind("--idle=", 0) == 0) {
            value = parameter.substr(7);
        } else if (i == 0) {
            return options;  // not ours: ends as any unknown switch does
        } else {
            return invalid("unknown option \"" + parameter + "\" (see --help)");
        }
        double minutes = 0;
        if (!parseMinutes(value, minutes))
            return invalid("--idle \"" + value + "\": not a number of minutes (e.g. 5 or 0.5)");
        const double ms = std::round(minutes * 60000);
        if (ms < 1) return invalid("--idle \"" + value + "\": the idle time must be more than 0");
        if (minutes > kMaxMinutes)
            return invalid("--idle \"" + value + "\": at most 71582 minutes (49 days)");
        options.idleTime = std::chrono::milliseconds(static_cast<long long>(ms));
        idleGiven = true;
    }
    if (!idleGiven) return invalid("--lock goes with --idle MINUTES (see --help)");
    options.kind = WatchOptions::Kind::Watch;
    return options;
}

std::string watchHelp() {
    return "Usage: fellridge-wildlife /S | /C | /A\n"
           "       fellridge-wildlife --idle MINUTES [--lock]\n"
           "\n"
           "  /S              show the slideshow; a key or mouse button ends it\n"
           "  /C              open the settings\n"
           "  /A              change the screen-saver password\n"
           "  --idle MINUTES  watch the session and show the slideshow once it has been idle\n"
           "                  for MINUTES (a fraction is allowed: 0.5 is 30 seconds), again\n"
           "                  each time it goes idle after the slideshow ended; never while an\n"
           "                  application (a film, a call) keeps the screen on\n"
           "  --lock          with --idle: lock the session once the slideshow ended (also\n"
           "                  done when the registry's ScreenSaveUsePassword is set)\n"
           "  --help          show this text\n";
}

}  // namespace fellridge::watch
