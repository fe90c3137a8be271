// Races of the saver's start and the dialog's OK over one settings file: two processes released
// at the same moment, one writing what a saver start writes (Status=1), the other what the
// dialog's OK writes (Seq and the other options). A race is lost when the file afterwards lacks
// either write. Usage: settings_race [RACES] (default 200); prints the count of lost races.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "settings/profile_file.h"
#include "settings/settings.h"

using namespace fellridge::settings;

int main(int argc, char** argv) {
    const int races = argc > 1 ? std::atoi(argv[1]) : 200;
    std::string folder = (std::filesystem::temp_directory_path() / "settings-race-XXXXXX").string();
    if (!::mkdtemp(folder.data())) return 2;
    const std::string path = settingsPath(folder);
    int lost = 0;
    for (int race = 0; race < races; ++race) {
        profile::writeEntries(path, {{kOptions, "Status", "0"}, {kOptions, "Seq", "7"}});
        int gate[2];
        if (::pipe(gate) != 0) return 2;
        pid_t writers[2];
        for (int side = 0; side < 2; ++side) {
            writers[side] = ::fork();
            if (writers[side] == 0) {
                char go;
                ::close(gate[1]);
                if (::read(gate[0], &go, 1) < 0) ::_exit(2);
                if (side == 0) {
                    markSaverStart(path);
                } else {
                    writeOptions(path, {false, true, ColourScheme::BlackOnly, DisplayMode::Tiled,
                                        8000, 25, 25});
                }
                ::_exit(0);
            }
        }
        ::close(gate[0]);
        ::close(gate[1]);  // both writers go at once
        for (pid_t writer : writers) ::waitpid(writer, nullptr, 0);
        const auto content = profile::readFile(path).value_or("");
        if (profile::lookup(content, kOptions, "Status") != "1" ||
            profile::lookup(content, kOptions, "Seq") != "1")
            ++lost;
    }
    std::filesystem::remove_all(folder);
    std::printf("%d races, %d lost\n", races, lost);
    return 0;
}
