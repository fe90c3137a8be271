// Each display mode on a 1024 x 768 Xvfb screen, with solid-colour pictures so that the
// screenshot's pixels are exact: where the first picture lands after the first tick.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include "process.h"
#include "x11_session.h"

namespace fellridge::test {
namespace {

using namespace std::chrono_literals;

constexpr Pixel kRed{254, 0, 0};
constexpr Pixel kBlack{0, 0, 0};
constexpr Pixel kNavy{0, 0, 128};

struct ModeCase {
    int mode;
    const char* name;
    // Pixels that must show the picture, pixels that must show the background, and the
    // background colour.
    std::vector<std::pair<int, int>> picture;
    std::vector<std::pair<int, int>> background;
    Pixel backgroundColour;
    int minRed = 0, maxRed = 1 << 30;  // how many red pixels the screen shows

    friend void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.name; }
};

class ModesE2e : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ModesE2e, TheFirstPictureLandsWhereTheModeSays) {
    const ModeCase& c = GetParam();
    Xvfb xvfb(1024, 768);
    ASSERT_TRUE(xvfb.ok());
    TempDir root;
    const std::string win = root.path();
    writeSolidStoredPictures(win, 200, 100, {"#fe0000"});
    // Scheme 2 starts on navy; a custom size of 300 x 200 for mode 5.
    writeFile(win + "/fellridge28.ini",
              "[Options]\nSound=0\nSeq=1\nColor=2\nPicdis=" + std::to_string(c.mode) +
                  "\nTime=60000\nHeight=200\nWidth=300\n");
    Child saver({program(), "/S"}, {{"DISPLAY", xvfb.display()},
                                    {"QT_QPA_PLATFORM", "xcb"},
                                    {"FELLRIDGE_WINDOWS_DIR", win},
                                    {"SDL_AUDIODRIVER", "dummy"}});
    ASSERT_NE(waitForSaverWindow(xvfb.display(), saver), 0u);
    // The first tick comes a second after the window; the animations then take about a second.
    std::this_thread::sleep_for(c.mode >= 7 ? 3500ms : 2000ms);
    const Screenshot shot(xvfb.display());
    ASSERT_TRUE(shot.ok());
    if (const char* dir = std::getenv("FELLRIDGE_SHOTS_DIR"))
        shot.savePng(std::string(dir) + "/mode" + std::to_string(c.mode) + ".png");

    for (auto [x, y] : c.picture) {
        const Pixel p = shot.at(x, y);
        EXPECT_TRUE(near(p, kRed))
            << "(" << x << "," << y << ") is " << p.r << "," << p.g << "," << p.b;
    }
    for (auto [x, y] : c.background) {
        const Pixel p = shot.at(x, y);
        EXPECT_TRUE(near(p, c.backgroundColour, 2))
            << "(" << x << "," << y << ") is " << p.r << "," << p.g << "," << p.b;
    }
    const int red = shot.count(kRed);
    EXPECT_GE(red, c.minRed);
    EXPECT_LE(red, c.maxRed);

    xdotool(xvfb.display(), {"key", "a"});
    EXPECT_EQ(saver.wait(10s), 0);
}

// A 200 x 100 picture on 1024 x 768: centred at round(512 - 100), round(384 - 50) = 412, 334.
INSTANTIATE_TEST_SUITE_P(
    AllModes, ModesE2e,
    ::testing::Values(
        ModeCase{1, "stretch", {{0, 0}, {1023, 767}, {512, 384}}, {}, kBlack, 1024 * 768},
        ModeCase{2,
                 "centred",
                 {{412, 334}, {611, 433}},
                 {{411, 334}, {612, 433}, {5, 5}},
                 kNavy,
                 20000,
                 20000},
        ModeCase{3,
                 "picture in a picture",
                 {{412, 334}, {611, 433}},
                 {{411, 334}, {5, 5}},
                 kBlack,
                 20000,
                 20000},
        ModeCase{4,
                 "tiled",
                 {{0, 0}, {511, 383}},
                 {{512, 100}, {100, 384}, {700, 600}},
                 kBlack,
                 512 * 384,
                 512 * 384},
        ModeCase{5,
                 "custom size",
                 {{362, 284}, {661, 483}},
                 {{361, 284}, {662, 483}, {5, 5}},
                 kNavy,
                 60000,
                 60000},
        ModeCase{6, "overlapping", {}, {}, kBlack, 20000, 20000},
        ModeCase{7, "slide", {}, {}, kBlack, 19000, 20000},
        ModeCase{8,
                 "roll down",
                 {{412, 334}, {611, 433}},
                 {{411, 334}, {612, 433}, {5, 5}},
                 kBlack,
                 20000,
                 20000}),
    [](const ::testing::TestParamInfo<ModeCase>& info) {
        return "Mode" + std::to_string(info.param.mode);
    });

}  // namespace
}  // namespace fellridge::test
