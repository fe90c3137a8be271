// From the saver program to the idle watch's own program.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "entry/idle_mode.h"
#include "entry/say.h"
#include "platform/files/environment.h"

namespace fellridge::entry {

namespace {

constexpr const char* kWatchProgram = "fellridge-wildlife-idle-watch";

// Beside the saver program in the build tree; in the installation's folder for helper programs
// otherwise (the path relative to the installation is the build's).
std::string watchProgram(const std::string& saverProgram) {
    namespace fs = std::filesystem;
    const fs::path own = fs::path(saverProgram).parent_path();
    std::error_code ec;
    if (fs::exists(own / kWatchProgram, ec)) return (own / kWatchProgram).string();
    return (own.parent_path() / FELLRIDGE_WATCH_PROGRAM_DIR / kWatchProgram).string();
}

}  // namespace

int startIdleWatch(int argc, char** argv) {
    const std::string saver = platform::executablePath();
    const std::string watcher = watchProgram(saver);
    std::vector<char*> arguments{const_cast<char*>(watcher.c_str()),
                                 const_cast<char*>(saver.c_str())};
    for (int i = 1; i < argc; ++i) arguments.push_back(argv[i]);
    arguments.push_back(nullptr);
    ::execv(watcher.c_str(), arguments.data());
    say("can't start the idle watch " + watcher + ": " + std::strerror(errno));
    return 1;
}

}  // namespace fellridge::entry
