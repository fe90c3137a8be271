// The program on an X screen whose fonts are set to 192 dpi (Xft.dpi), with the user's scale
// factor of 2 on top: the settings dialog and the about box are the 96-dpi ones doubled (the
// user's factor left aside), and the slideshow stays pixel for pixel.
#include <gtest/gtest.h>

#include <algorithm>
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

// The smallest rectangle (left, top, width, height) that holds every pixel of the colour.
std::array<int, 4> bounds(const Screenshot& shot, Pixel colour) {
    int left = shot.width(), top = shot.height(), right = -1, bottom = -1;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (near(shot.at(x, y), colour, 0)) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    return {left, top, right - left + 1, bottom - top + 1};
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
        const int scale = highDpi ? 2 : 1;
        TempDir folder;
        xdotool(xvfb.display(), {"mousemove", "0", "0"});  // away from the buttons
        Child dialog({program(), "/C"}, env(folder.path(), highDpi));
        const std::string id =
            waitForWindowNamed(xvfb.display(), "^Fellridge Wildlife Screensaver$");
        EXPECT_FALSE(id.empty()) << "no dialog";
        Screenshot withDialog = stillScreen(xvfb.display());
        // About sits at 488, 382 (75 x 17) in the dialog, which is centred on the screen.
        const int left = (kWidth - 571 * scale) / 2, top = (kHeight - 438 * scale) / 2;
        xdotool(xvfb.display(), {"mousemove", std::to_string(left + (488 + 37) * scale),
                                 std::to_string(top + (382 + 8) * scale), "click", "1"});
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

    static constexpr int kWidth = 1600, kHeight = 1200;
    Xvfb xvfb{kWidth, kHeight};
};

TEST_F(HighDpiE2e, TheDialogAndTheAboutBoxAreTheirOrdinarySelvesDoubled) {
    setFontDpi(96);
    const auto [dialog96, about96] = dialogShots(false);
    setFontDpi(192);
    const auto [dialog192, about192] = dialogShots(true);
    keep(dialog96, "dialog-96dpi.png");
    keep(dialog192, "dialog-192dpi.png");
    keep(about96, "about-96dpi.png");
    keep(about192, "about-192dpi.png");
    ASSERT_TRUE(dialog96.ok() && dialog192.ok() && about96.ok() && about192.ok());
    // Each window's background colour shows where it is, and how much of it is not text.
    const std::pair<const Screenshot*, const Screenshot*> pairs[] = {{&dialog96, &dialog192},
                                                                     {&about96, &about192}};
    const Pixel colours[] = {{190, 189, 198}, {174, 187, 193}};
    const std::array<int, 4> sizes[] = {{0, 0, 571, 438}, {0, 0, 514, 336}};
    for (int i = 0; i < 2; ++i) {
        const auto [at96, at192] = pairs[i];
        const std::array<int, 4> small = bounds(*at96, colours[i]),
                                 large = bounds(*at192, colours[i]);
        EXPECT_EQ(small[2], sizes[i][2]) << i;
        EXPECT_EQ(small[3], sizes[i][3]) << i;
        EXPECT_EQ(large[2], 2 * small[2]) << i;
        EXPECT_EQ(large[3], 2 * small[3]) << i;
        const double ratio = double(at192->count(colours[i], 0)) / at96->count(colours[i], 0);
        EXPECT_NEAR(ratio, 4.0, 0.2) << i;
    }
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
