// The program on an X screen whose fonts are set to 192 dpi (Xft.dpi) with a scale factor of 2
// on top: the settings dialog, the about box and the slideshow look pixel for pixel as they do
// at 96 dpi.
#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "process.h"
#include "x11_session.h"

namespace fellridge::test {
namespace {

using namespace std::chrono_literals;

// How many pixels differ between two screenshots of the same size, in the whole screen or in
// the area given (left, top, width, height).
int differences(const Screenshot& a, const Screenshot& b, std::array<int, 4> area = {}) {
    if (a.width() != b.width() || a.height() != b.height()) return -1;
    if (area[2] == 0) area = {0, 0, a.width(), a.height()};
    int count = 0;
    for (int y = area[1]; y < area[1] + area[3]; ++y)
        for (int x = area[0]; x < area[0] + area[2]; ++x)
            if (!near(a.at(x, y), b.at(x, y), 0)) ++count;
    return count;
}

// The screen once it has stopped changing: a window still being mapped or drawn on a busy
// machine would otherwise be taken half done.
Screenshot stillScreen(const std::string& display) {
    Screenshot last(display);
    for (int i = 0; i < 40; ++i) {
        std::this_thread::sleep_for(250ms);
        Screenshot next(display);
        if (differences(last, next) == 0) return next;
        last = std::move(next);
    }
    return last;
}

class HighDpiE2e : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(xvfb.ok()); }

    // Xft.dpi as a desktop sets it: in the root window's resource database.
    void setFontDpi(int dpi) {
        const Output out = run({"xprop", "-root", "-f", "RESOURCE_MANAGER", "8s", "-set",
                                "RESOURCE_MANAGER", "Xft.dpi:\t" + std::to_string(dpi) + "\n"},
                               {{"DISPLAY", xvfb.display()}});
        ASSERT_EQ(out.status, 0);
    }

    Environment env(const std::string& folder, bool highDpi) const {
        return {{"DISPLAY", xvfb.display()},
                {"QT_QPA_PLATFORM", "xcb"},
                {"FELLRIDGE_WINDOWS_DIR", folder},
                {"SDL_AUDIODRIVER", "dummy"},
                {"QT_SCALE_FACTOR", highDpi ? "2" : ""}};
    }

    void keep(const Screenshot& shot, const std::string& name) const {
        if (const char* dir = std::getenv("FELLRIDGE_SHOTS_DIR")) shot.savePng(dir + ("/" + name));
    }

    // The settings dialog, and the about box over it, in a fresh folder.
    std::pair<Screenshot, Screenshot> dialogShots(bool highDpi) {
        TempDir folder;
        xdotool(xvfb.display(), {"mousemove", "0", "0"});  // away from the buttons
        Child dialog({program(), "/C"}, env(folder.path(), highDpi));
        const std::string id =
            waitForWindowNamed(xvfb.display(), "^Fellridge Wildlife Screensaver$");
        EXPECT_FALSE(id.empty()) << "no dialog";
        Screenshot withDialog = stillScreen(xvfb.display());
        // About sits at 488, 382 (75 x 17) in the dialog, which is centred on the screen.
        const int left = (1024 - 571) / 2, top = (768 - 438) / 2;
        xdotool(xvfb.display(), {"mousemove", std::to_string(left + 488 + 37),
                                 std::to_string(top + 382 + 8), "click", "1"});
        std::this_thread::sleep_for(500ms);
        Screenshot withAbout = stillScreen(xvfb.display());
        dialog.signal(SIGTERM);
        dialog.wait(10s);
        return {std::move(withDialog), std::move(withAbout)};
    }

    Screenshot slideshowShot(bool highDpi) {
        TempDir folder;
        writeSolidStoredPictures(folder.path(), 200, 100, {"#fe0000"});
        writeFile(folder.file("fellridge28.ini"),
                  "[Options]\nSound=0\nSeq=1\nColor=4\nPicdis=2\nTime=60000\nHeight=25\n"
                  "Width=25\n");
        Child saver({program(), "/S"}, env(folder.path(), highDpi));
        EXPECT_NE(waitForSaverWindow(xvfb.display(), saver), 0u);
        std::this_thread::sleep_for(2000ms);
        Screenshot shot(xvfb.display());
        xdotool(xvfb.display(), {"key", "space"});
        EXPECT_EQ(saver.wait(10s), 0);
        return shot;
    }

    Xvfb xvfb{1024, 768};
};

TEST_F(HighDpiE2e, TheDialogAndTheAboutBoxLookAsAt96Dpi) {
    setFontDpi(96);
    const auto [dialog96, about96] = dialogShots(false);
    setFontDpi(192);
    const auto [dialog192, about192] = dialogShots(true);
    keep(dialog96, "dialog-96dpi.png");
    keep(dialog192, "dialog-192dpi.png");
    keep(about96, "about-96dpi.png");
    keep(about192, "about-192dpi.png");
    ASSERT_TRUE(dialog96.ok() && dialog192.ok() && about96.ok() && about192.ok());
    // The dialog's background colour shows where the dialog is.
    EXPECT_GT(dialog96.count({190, 189, 198}, 0), 100000);
    EXPECT_GT(about96.count({174, 187, 193}, 0), 50000) << "no about box";
    EXPECT_EQ(differences(dialog96, dialog192), 0);
    // The about box (514 x 336, centred); the dialog around it may or may not show itself
    // active, whichever window the window system gave the focus to first.
    EXPECT_EQ(differences(about96, about192, {(1024 - 514) / 2, (768 - 336) / 2, 514, 336}), 0);
}

TEST_F(HighDpiE2e, TheSlideshowStaysPixelForPixel) {
    setFontDpi(96);
    const Screenshot at96 = slideshowShot(false);
    setFontDpi(192);
    const Screenshot at192 = slideshowShot(true);
    ASSERT_TRUE(at96.ok() && at192.ok());
    // A 200 x 100 picture at its own size in the middle.
    EXPECT_EQ(at96.count({254, 0, 0}), 200 * 100);
    EXPECT_EQ(differences(at96, at192), 0);
}

}  // namespace
}  // namespace fellridge::test
