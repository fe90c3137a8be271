// The saver on two monitors: the slideshow on the primary one, every other one black, input on
// any of them ends the run, monitors added or removed while it runs covered or dropped.
//
// Xvfb offers the toolkit one monitor only; Xephyr (nested in a private Xvfb) can be given a
// second one through RandR. Without Xephyr these tests skip.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "process.h"
#include "x11_session.h"

namespace fellridge::test {
namespace {

using namespace std::chrono_literals;

constexpr Pixel kRed{255, 0, 0};
constexpr Pixel kBlack{0, 0, 0};
constexpr Pixel kWhite{255, 255, 255};

bool installed(const std::string& tool) {
    return run({"sh", "-c", "command -v \"$0\"", tool}).status == 0;
}

class TwoMonitors : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!installed("Xephyr") || !installed("xrandr"))
            GTEST_SKIP() << "Xephyr or xrandr is missing (apt-get install xserver-xephyr "
                            "x11-xserver-utils): no X server here offers the toolkit two monitors";
        ASSERT_TRUE(host.ok()) << "Xvfb did not start";
        // Two heads side by side, 1280 x 1024 and 1920 x 1080.
        const std::string numberFile = root.file("display");
        xephyr = std::make_unique<Child>(
            std::vector<std::string>{"sh", "-c",
                                     "exec Xephyr -displayfd 3 -nolisten tcp -screen 1280x1024 "
                                     "-screen 1920x1080 +xinerama 3>\"$0\"",
                                     numberFile},
            Environment{{"DISPLAY", host.display()}});
        ASSERT_TRUE(waitFor(
            [&] {
                const std::string text = readFile(numberFile);
                return !text.empty() && text.back() == '\n';
            },
            20s))
            << "Xephyr did not start";
        const std::string number = readFile(numberFile);
        display = ":" + number.substr(0, number.size() - 1);

        // The desktop on the second head: a white window. It also keeps a client connected, so
        // the server keeps the monitors set below.
        const std::string idFile = root.file("desktop");
        desktop = std::make_unique<Child>(
            std::vector<std::string>{buildDir() + "/tests/e2e/host_window_helper", "window", idFile,
                                     "1920", "1080", "1280", "0"},
            Environment{{"DISPLAY", display}});
        ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(idFile); }, 10s));

        win = root.file("win");
        std::filesystem::create_directory(win);
        writeSolidStoredPictures(win, 64, 48, {"red"});
        writeFile(win + "/fellridge28.ini",
                  "[Options]\nSound=0\nSeq=1\nColor=4\nPicdis=1\nTime=60000\n");
    }

    void xrandr(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv{"xrandr"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        ASSERT_EQ(run(argv, {{"DISPLAY", display}}).status, 0);
    }

    void secondMonitor(bool present) {
        if (present) {
            xrandr({"--setmonitor", "second", "1920/508x1080/286+1280+0", "none"});
        } else {
            xrandr({"--delmonitor", "second"});
        }
        xrandr({"--output", "default", "--primary"});
    }

    void startSaver() {
        saver = std::make_unique<Child>(std::vector<std::string>{program(), "/S"},
                                        Environment{{"DISPLAY", display},
                                                    {"QT_QPA_PLATFORM", "xcb"},
                                                    {"FELLRIDGE_WINDOWS_DIR", win},
                                                    {"FELLRIDGE_SYSTEM_DIR", root.file("sys")},
                                                    {"FELLRIDGE_REGISTRY", root.file("user.reg")},
                                                    {"SDL_AUDIODRIVER", "dummy"}});
    }

    // The colours in the middle and near the corners of the second head.
    bool secondHeadIs(Pixel colour) {
        const Screenshot shot(display);
        for (const auto& [x, y] : {std::pair{1290, 10}, {2240, 540}, {3190, 1070}, {1290, 1070}})
            if (!near(shot.at(x, y), colour)) return false;
        return true;
    }

    bool slideshowShown() {
        return waitFor([&] { return near(Screenshot(display).at(640, 512), kRed); }, 15s);
    }

    Xvfb host{3300, 1200};
    TempDir root;
    std::unique_ptr<Child> xephyr, desktop, saver;
    std::string display, win;
};

TEST_F(TwoMonitors, TheSecondHeadIsBlackWhileTheSlideshowRunsAndAClickThereEndsIt) {
    secondMonitor(true);
    ASSERT_TRUE(secondHeadIs(kWhite));
    startSaver();
    ASSERT_TRUE(slideshowShown());
    EXPECT_TRUE(waitFor([&] { return secondHeadIs(kBlack); }, 5s));

    xdotool(display, {"mousemove", "2240", "540"});
    xdotool(display, {"click", "1"});
    EXPECT_EQ(saver->wait(10s), 0);
    EXPECT_TRUE(waitFor([&] { return secondHeadIs(kWhite); }, 5s));
}

// A key sent to the cover itself (not to the window holding the grab) ends the run cleanly.
TEST_F(TwoMonitors, AKeySentToTheCoverEndsTheRunCleanly) {
    secondMonitor(true);
    startSaver();
    ASSERT_TRUE(slideshowShown());
    ASSERT_TRUE(waitFor([&] { return secondHeadIs(kBlack); }, 5s));
    // The covers keep the program's own class; the slideshow has its own.
    const std::string covers =
        run({"xdotool", "search", "--onlyvisible", "--classname", "fellridge-wildlife"},
            {{"DISPLAY", display}})
            .out;
    ASSERT_FALSE(covers.empty());
    xdotool(display, {"key", "--window", covers.substr(0, covers.find('\n')), "space"});
    EXPECT_EQ(saver->wait(10s), 0);
}

TEST_F(TwoMonitors, AMonitorAddedWhileItRunsIsCoveredAndOneRemovedIsDropped) {
    secondMonitor(false);
    startSaver();
    ASSERT_TRUE(slideshowShown());
    EXPECT_TRUE(secondHeadIs(kWhite));

    secondMonitor(true);
    EXPECT_TRUE(waitFor([&] { return secondHeadIs(kBlack); }, 5s));
    secondMonitor(false);
    EXPECT_TRUE(waitFor([&] { return secondHeadIs(kWhite); }, 5s));

    xdotool(display, {"key", "space"});
    EXPECT_EQ(saver->wait(10s), 0);
}

}  // namespace
}  // namespace fellridge::test
