// The saver under KDE Plasma's KWin (layer shell: a surface of its own on each output) and
// GNOME's Mutter (a full-screen window on each monitor), each on two virtual outputs.
#include "desktop_session.h"

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
        EXPECT_EQ(saver->wait(10s), 0);
        EXPECT_EQ(session.leftBehind(), std::vector<std::string>{});
    }
}

using KWinSaver = DesktopTest<Compositor::KWin>;
TEST_F(KWinSaver, BothOutputsCoveredUntilAKeyOrButton) {
    expectCoveredUntilInput(*session);
}

using MutterSaver = DesktopTest<Compositor::Mutter>;
TEST_F(MutterSaver, BothMonitorsCoveredUntilAKeyOrButton) {
    expectCoveredUntilInput(*session);
}

}  // namespace
}  // namespace fellridge::test
