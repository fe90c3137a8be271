// The program's one way of telling the user something outside a window: a line on standard
// error, named after the program, written at once.
#pragma once

#include <cstdio>
#include <string>

namespace fellridge::entry {

inline void say(const std::string& text) {
    std::fprintf(stderr, "fellridge-wildlife: %s\n", text.c_str());
    std::fflush(stderr);
}

}  // namespace fellridge::entry
