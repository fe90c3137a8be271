// The saver and the dialog in a sway session on two headless outputs of different sizes:
// natively on Wayland and through XWayland. Keys come from wtype; the pointer can't be driven
// here, so buttons are covered by the X11 tests.
#include <signal.h>

#include <filesystem>

#include "sway_session.h"

namespace fellridge::test {
namespace {

using namespace std::chrono_literals;

class SwaySaver : public SwayTest {
  protected:
    std::unique_ptr<Child> start(const std::string& platform) {
        return session->startSlideshow({{"QT_QPA_PLATFORM", platform}});
    }
    bool covered(const std::string& output, bool slideshow) {
        return session->covered(output, slideshow);
    }
};

// Whichever output has the focus (and with it the keys), both are covered and a key or SIGTERM
// ends the run cleanly. Through XWayland sway puts a full-screen window on the focused output,
// whichever output the window asked for.
TEST_F(SwaySaver, BothOutputsCoveredAndAKeyOrSigtermEndsTheRun) {
    // Natively the slideshow is on the primary output; through XWayland on the focused one.
    struct Case {
        std::string focused, platform, slideshow;
        bool signal;
    };
    for (const Case& c : {Case{"HEADLESS-1", "wayland", "HEADLESS-1", false},
                          Case{"HEADLESS-2", "wayland", "HEADLESS-1", false},
                          Case{"HEADLESS-2", "xcb", "HEADLESS-2", false},
                          Case{"HEADLESS-1", "wayland", "HEADLESS-1", true}}) {
        SCOPED_TRACE(c.focused + " " + c.platform);
        session->focus(c.focused);
        const auto saver = start(c.platform);
        const std::string black = c.slideshow == "HEADLESS-1" ? "HEADLESS-2" : "HEADLESS-1";
        EXPECT_TRUE(
            waitFor([&] { return covered(c.slideshow, true) && covered(black, false); }, 15s));
        if (c.signal) {
            saver->signal(SIGTERM);
        } else {
            session->key("space");
        }
        EXPECT_EQ(saver->wait(10s), 0);
        EXPECT_EQ(session->leftBehind(), std::vector<std::string>{});
    }
}

// The compositor killed mid-slideshow: the toolkit ends the process itself, and still the
// pictures go, with status 1 and one line that says why.
TEST_F(SwaySaver, TheCompositorKilledEndsTheRunWithStatusOneAndNothingLeft) {
    const std::string log = session->file("saver.log");
    const Environment env = session->slideshowEnvironment();
    const std::string win = env.at("FELLRIDGE_WINDOWS_DIR");
    const auto saver =
        session->start({"/bin/sh", "-c", "exec \"$0\" /S 2>\"$1\"", session->program(), log}, env);
    ASSERT_TRUE(waitFor([&] { return covered("HEADLESS-1", true); }, 15s));
    session->killCompositor();
    EXPECT_EQ(saver->wait(10s), 1);
    const std::string said = readFile(log);
    EXPECT_EQ(said.find("fellridge-wildlife: the display went away"), said.find("fellridge"))
        << said;
    for (const auto& name : listDir(win)) EXPECT_EQ(name.find(".jpg"), std::string::npos) << name;
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

// On sway's layer shell the saver shows on overlay surfaces of its own: no window of it is in
// the tree, the compositor's shortcut reaches the saver rather than the desktop, and an output
// added while it runs is covered at once.
TEST_F(SwaySaver, OverlaySurfacesCoverEveryOutputAndKeepTheShortcutsFromTheCompositor) {
    const auto saver = start("wayland");
    ASSERT_TRUE(
        waitFor([&] { return covered("HEADLESS-1", true) && covered("HEADLESS-2", false); }, 15s));
    EXPECT_EQ(session->swaymsg({"-t", "get_tree"}).out.find("zarnojpg"), std::string::npos);
    const std::string added = session->addOutput();
    ASSERT_FALSE(added.empty());
    EXPECT_TRUE(waitFor([&] { return covered(added, false); }, 5s));
    EXPECT_TRUE(covered("HEADLESS-2", false));
    session->shortcut();
    EXPECT_EQ(saver->wait(10s), 0);
    EXPECT_FALSE(session->shortcutActed());
    EXPECT_EQ(session->leftBehind(), std::vector<std::string>{});
}

}  // namespace
}  // namespace fellridge::test
