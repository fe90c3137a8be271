// The saver under KDE Plasma's KWin (layer shell: a surface of its own on each output) and
// GNOME's Mutter (a full-screen window on each monitor), each on two virtual outputs.
#include <filesystem>

#include "desktop_session.h"
#include "idle_watch_flow.h"

namespace fellridge::test {
namespace {

using namespace std::chrono_literals;
using Compositor = DesktopSession::Compositor;

// The slideshow covers the first output, black the other; a key or a button ends each run with
// status 0 and nothing left behind.
void expectCoveredUntilInput(DesktopSession& session) {
    struct Input {
        bool button;
        int code;  // evdev
    };
    const auto& outputs = session.outputs();
    for (const Input input : {Input{false, 57}, Input{false, 1}, Input{true, 272}}) {
        SCOPED_TRACE(input.code);
        const auto saver = session.startSlideshow();
        EXPECT_TRUE(waitFor(
            [&] { return session.covered(outputs[0], true) && session.covered(outputs[1], false); },
            20s));
        session.press(input.button, input.code);
        // The compositors' injected devices can lose an event on a loaded machine (Mutter hands
        // them to its seat's thread): one more press when the first brought no end.
        auto status = saver->wait(5s);
        if (!status) {
            session.press(input.button, input.code);
            status = saver->wait(10s);
        }
        EXPECT_EQ(status, 0);
        EXPECT_EQ(session.leftBehind(), std::vector<std::string>{});
    }
}

// The idle watch on the compositor's own idleness, KWin's ext_idle_notifier_v1 or Mutter's idle
// monitor on the session's bus: see idle_watch_flow.h for what each case goes through.
void expectTheIdleWatchToStartIt(DesktopSession& session, bool onTheSessionBus) {
    if (const std::string missing = missingIdleTools(); !missing.empty()) GTEST_SKIP() << missing;
    IdleDesk desk;
    desk.start = [&](const std::vector<std::string>& argv, const Environment& extra) {
        return session.start(argv, extra);
    };
    desk.slideshowShown = [&] { return session.covered(session.outputs()[0], true); };
    desk.key = [&] { session.press(false, 57); };
    desk.folder = session.file("idle");
    std::filesystem::create_directory(desk.folder);
    session.handOver(desk.folder);
    desk.program = session.program();
    desk.slideshow = session.slideshowEnvironment();
    if (onTheSessionBus) desk.sessionBus = session.environment().at("DBUS_SESSION_BUS_ADDRESS");
    for (const IdleCase& c : {IdleCase{"started on idle, again after a key ended it", false, false},
                              IdleCase{"not while inhibited; locked after", true, true}})
        tryIdleWatch(desk, c);
}

using KWinSaver = DesktopTest<Compositor::KWin>;
TEST_F(KWinSaver, BothOutputsCoveredUntilAKeyOrButton) {
    expectCoveredUntilInput(*session);
}

TEST_F(KWinSaver, TheIdleWatchStartsItAfterTheIdleTime) {
    expectTheIdleWatchToStartIt(*session, false);
}

using MutterSaver = DesktopTest<Compositor::Mutter>;
TEST_F(MutterSaver, BothMonitorsCoveredUntilAKeyOrButton) {
    expectCoveredUntilInput(*session);
}

TEST_F(MutterSaver, TheIdleWatchStartsItAfterTheIdleTime) {
    expectTheIdleWatchToStartIt(*session, true);
}

}  // namespace
}  // namespace fellridge::test
