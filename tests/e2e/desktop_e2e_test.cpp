// The saver under KDE Plasma's KWin (layer shell: a surface of its own on each output) and
// GNOME's Mutter (a full-screen window on each monitor), each on two virtual outputs.
#include "desktop_session.h"

namespace fellridge::test {
namespace {

using namespace std::chrono_literals;
using Compositor = DesktopSession::Compositor;

constexpr int kSpace = 57, kEscape = 1;  // evdev codes

// The slideshow covers the first output, black the other; each key ends a run with status 0
// and nothing left behind.
void expectCoveredUntilAKey(DesktopSession& session) {
    const auto& outputs = session.outputs();
    for (const int key : {kSpace, kEscape}) {
        SCOPED_TRACE(key);
        const auto saver = session.startSlideshow();
        EXPECT_TRUE(waitFor(
            [&] {
                return session.covered(outputs[0], true) && session.covered(outputs[1], false);
            },
            20s));
        for (const auto& o : outputs) session.shot(o).savePng("/tmp/shot-" + o + ".png");
        session.key(key);
        EXPECT_EQ(saver->wait(10s), 0);
        EXPECT_EQ(session.leftBehind(), std::vector<std::string>{});
    }
}

using KWinSaver = DesktopTest<Compositor::KWin>;
TEST_F(KWinSaver, BothOutputsCoveredUntilAKey) {
    expectCoveredUntilAKey(*session);
}

using MutterSaver = DesktopTest<Compositor::Mutter>;
TEST_F(MutterSaver, BothMonitorsCoveredUntilAKey) {
    expectCoveredUntilAKey(*session);
}

}  // namespace
}  // namespace fellridge::test
