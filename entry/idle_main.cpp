// The idle watch's own program: started by the saver program for "--idle MINUTES".
#include <cstdio>
#include <string>

#include "entry/command_line.h"
#include "entry/idle_mode.h"

namespace fellridge::entry {

namespace {

constexpr const char* kUsage =
    "fellridge-wildlife: the idle watch is started as "
    "fellridge-wildlife --idle MINUTES\n";

}  // namespace

int runIdleWatchProgram(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string saver = argv[1];
    argv[1] = argv[0];  // the arguments after the saver program's path, as the saver reads them
    const watch::WatchOptions options =
        watch::parseWatchOptions(splitParameters(joinArguments(argc - 1, argv + 1)));
    switch (options.kind) {
        case watch::WatchOptions::Kind::Watch:
            return runIdleWatch(argv[0], saver, options);
        case watch::WatchOptions::Kind::Help:
            std::fputs(watch::watchHelp().c_str(), stdout);
            return 0;
        case watch::WatchOptions::Kind::Invalid:
            std::fprintf(stderr, "fellridge-wildlife: %s\n", options.message.c_str());
            return 2;
        case watch::WatchOptions::Kind::NotOurs:
            break;
    }
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace fellridge::entry

int main(int argc, char** argv) {
    return fellridge::entry::runIdleWatchProgram(argc, argv);
}
