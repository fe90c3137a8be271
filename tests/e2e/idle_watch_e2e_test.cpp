// The idle watch in an X11 session (Xvfb, keys from xdotool) and in a sway 1.7 session (its
// org_kde_kwin_idle, keys from wtype): see idle_watch_flow.h for what each case goes through.
#include <sys/stat.h>

#include <filesystem>

#include "idle_watch_flow.h"
#include "sway_session.h"

namespace fellridge::test {
namespace {

constexpr IdleCase kCases[] = {{"started on idle, again after a key ended it", false, false},
                               {"not while inhibited; locked after", true, true}};

// A slideshow of red pictures that changes slowly, without sound.
Environment slideshowIn(const std::string& folder) {
    const std::string win = folder + "/win";
    std::filesystem::create_directory(win);
    writeSolidStoredPictures(win, 64, 48, {"red"});
    writeFile(win + "/fellridge28.ini",
              "[Options]\nSound=0\nSeq=1\nColor=4\nPicdis=1\nTime=60000\n");
    return {{"FELLRIDGE_WINDOWS_DIR", win},
            {"FELLRIDGE_REGISTRY", folder + "/user.reg"},
            {"SDL_AUDIODRIVER", "dummy"}};
}

TEST(IdleWatchE2E, X11) {
    if (const std::string missing = missingIdleTools(); !missing.empty()) GTEST_SKIP() << missing;
    Xvfb x(800, 600);
    ASSERT_TRUE(x.ok());
    TempDir dir;
    const std::string runtime = dir.file("run");
    std::filesystem::create_directory(runtime);
    ::chmod(runtime.c_str(), 0700);
    IdleDesk desk;
    desk.start = [&](const std::vector<std::string>& argv, const Environment& extra) {
        Environment env{{"DISPLAY", x.display()},
                        {"WAYLAND_DISPLAY", ""},
                        {"XDG_RUNTIME_DIR", runtime},
                        {"QT_QPA_PLATFORM", "xcb"}};
        for (const auto& [name, value] : extra) env[name] = value;
        return std::make_unique<Child>(argv, env);
    };
    desk.slideshowShown = [&] {
        const auto id = findSaverWindow(x.display());
        return id != 0 && viewable(x.display(), id);
    };
    desk.key = [&] { xdotool(x.display(), {"key", "space"}); };
    desk.folder = dir.path();
    desk.program = program();
    desk.slideshow = slideshowIn(dir.path());
    for (const IdleCase& c : kCases) tryIdleWatch(desk, c);
}

TEST(IdleWatchE2E, Sway) {
    if (const std::string missing = SwaySession::missingTools() + missingIdleTools();
        !missing.empty())
        GTEST_SKIP() << missing;
    SwaySession session({{800, 600}});
    ASSERT_TRUE(session.ok());
    IdleDesk desk;
    desk.start = [&](const std::vector<std::string>& argv, const Environment& extra) {
        return session.start(argv, extra);
    };
    // Covered: neither the background nor the bar shows.
    desk.slideshowShown = [&] {
        const Screenshot shot = session.shot("HEADLESS-1");
        return shot.ok() && shot.count(SwaySession::kBackground, 8) == 0 &&
               shot.count(SwaySession::kBar, 8) == 0;
    };
    desk.key = [&] { session.key("space"); };
    desk.folder = session.file("idle");
    std::filesystem::create_directory(desk.folder);
    desk.program = session.program();
    desk.slideshow = slideshowIn(desk.folder);
    session.handOver(desk.folder);
    for (const IdleCase& c : kCases) tryIdleWatch(desk, c);
}

}  // namespace
}  // namespace fellridge::test
