// The saver and the dialog in a sway session on two headless outputs of different sizes:
// natively on Wayland and through XWayland. Keys come from wtype; the pointer can't be driven
// here, so buttons are covered by the X11 tests.
#include <signal.h>

#include <filesystem>

#include "sway_session.h"

namespace fellridge::test {
namespace {

using namespace std::chrono_literals;

constexpr Pixel kRed{255, 0, 0};
constexpr Pixel kBlack{0, 0, 0};

class SwaySaver : public SwayTest {
  protected:
    void SetUp() override {
        SwayTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        win = session->file("win");
        std::filesystem::create_directory(win);
        writeSolidStoredPictures(win, 64, 48, {"red"});
        writeFile(win + "/fellridge28.ini",
                  "[Options]\nSound=0\nSeq=1\nColor=4\nPicdis=1\nTime=60000\n");
        session->handOver(win);
    }

    std::unique_ptr<Child> start(const std::string& argument, const Environment& extra = {}) {
        Environment env{{"FELLRIDGE_WINDOWS_DIR", win},
                        {"FELLRIDGE_SYSTEM_DIR", session->file("sys")},
                        {"FELLRIDGE_REGISTRY", session->file("user.reg")},
                        {"SDL_AUDIODRIVER", "dummy"}};
        env.insert(extra.begin(), extra.end());
        return session->start({session->program(), argument}, env);
    }

    // Nothing of the desktop shows on the output: only the slideshow's red and black.
    bool covered(const std::string& output, bool slideshow) {
        const Screenshot shot = session->shot(output);
        const int red = shot.count(kRed), black = shot.count(kBlack);
        return shot.ok() && red + black == shot.width() * shot.height() && (red > 0) == slideshow;
    }

    // Both outputs covered, the slideshow on one of them.
    bool covered() {
        return (covered("HEADLESS-1", true) && covered("HEADLESS-2", false)) ||
               (covered("HEADLESS-1", false) && covered("HEADLESS-2", true));
    }

    bool leftNothingBehind() {
        for (const auto& name : listDir(session->runtimeDir()))
            if (name.rfind("fellridge-wildlife.", 0) == 0) return false;
        return true;
    }

    std::string win;
};

// Whichever output has the focus (and with it the key), a key ends the run cleanly.
TEST_F(SwaySaver, AKeyEndsTheRunWhicheverOutputHasTheFocus) {
    for (const std::string focused : {"HEADLESS-1", "HEADLESS-2"}) {
        SCOPED_TRACE(focused);
        session->focus(focused);
        const auto saver = start("/S");
        EXPECT_TRUE(waitFor([&] { return covered(); }, 15s));
        session->key("space");
        EXPECT_EQ(saver->wait(10s), 0);
        EXPECT_TRUE(leftNothingBehind());
    }
}

TEST_F(SwaySaver, SigtermEndsTheRunCleanly) {
    const auto saver = start("/S");
    ASSERT_TRUE(waitFor([&] { return covered(); }, 15s));
    saver->signal(SIGTERM);
    EXPECT_EQ(saver->wait(10s), 0);
    EXPECT_TRUE(leftNothingBehind());
}

// Through XWayland sway puts a full-screen window on the focused output, whichever the window
// asked for: the slideshow fills that one, and the other is covered all the same.
TEST_F(SwaySaver, ThroughXWaylandTheSlideshowFillsTheFocusedOutput) {
    session->focus("HEADLESS-2");
    const auto saver = start("/S", {{"QT_QPA_PLATFORM", "xcb"}});
    EXPECT_TRUE(
        waitFor([&] { return covered("HEADLESS-2", true) && covered("HEADLESS-1", false); }, 15s));
    session->key("space");
    EXPECT_EQ(saver->wait(10s), 0);
    EXPECT_TRUE(leftNothingBehind());
}

// The settings dialog natively: Escape, or the window's close from the compositor, ends it
// with status 0 every time.
TEST_F(SwayTest, TheDialogEndsOnEscapeAndOnTheWindowsClose) {
    const std::string win = session->file("win");
    std::filesystem::create_directory(win);
    session->handOver(win);
    for (const bool escape : {true, false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "close");
        const auto dialog =
            session->start({session->program(), "/C"}, {{"FELLRIDGE_WINDOWS_DIR", win}});
        ASSERT_TRUE(
            waitFor([&] { return session->hasWindow("Fellridge Wildlife Screensaver"); }, 15s));
        if (escape) {
            session->key("Escape");
        } else {
            session->swaymsg({"kill"});
        }
        EXPECT_EQ(dialog->wait(10s), 0);
        // The settings it wrote are all there.
        EXPECT_NE(readFile(win + "/fellridge28.ini").find("[WavConfig]"), std::string::npos);
    }
}

}  // namespace
}  // namespace fellridge::test
