// The slideshow inside a screen-saver daemon's window, as xscreensaver and xsecurelock run it: a
// window of another client named in XSCREENSAVER_WINDOW, input left to that client, SIGTERM to
// end, several instances side by side.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <thread>

#include "process.h"
#include "x11_session.h"

namespace fellridge::test {
namespace {

using namespace std::chrono_literals;

const std::vector<std::string> kColours = {"red", "lime", "blue"};
const std::vector<Pixel> kPixels = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};

std::string helper() {
    return buildDir() + "/tests/e2e/host_window_helper";
}

struct Area {
    int x, y, width, height;
};

class DaemonWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(xvfb.ok()) << "Xvfb did not start";
        win = root.file("win");
        runtime = root.file("runtime");
        std::filesystem::create_directory(win);
        std::filesystem::create_directory(runtime);
        ::chmod(runtime.c_str(), 0700);
        // A session bus that isn't there: with none named, the bus library may start one of its
        // own, in XDG_RUNTIME_DIR (dbus-launch), beside the saver's private folder.
        ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + root.file("no-bus")).c_str(), 1);
        writeSolidStoredPictures(win, 64, 48, kColours);
        // Stretched over the window, in order, a new picture every 400 ms.
        writeFile(win + "/fellridge28.ini",
                  "[Options]\nSound=0\nSeq=1\nColor=4\nPicdis=1\nTime=400\n");
        shared = snapshot(win);
    }

    // A window of another client, standing in for the daemon's: its id.
    std::uint32_t hostWindow(const Area& area) {
        const std::string idFile = root.file("host" + std::to_string(hosts.size()));
        std::filesystem::remove(idFile);  // an earlier case's, naming a window that is gone
        hosts.push_back(std::make_unique<Child>(
            std::vector<std::string>{helper(), "window", idFile, std::to_string(area.width),
                                     std::to_string(area.height), std::to_string(area.x),
                                     std::to_string(area.y)},
            Environment{{"DISPLAY", xvfb.display()}}));
        waitFor([&] { return std::filesystem::exists(idFile); }, 10s);
        return static_cast<std::uint32_t>(std::stoul("0" + readFile(idFile)));
    }

    // What the saver runs with on this display, its private folders under the test's runtime one.
    Environment saverEnvironment(const std::string& display) {
        Environment env = saverOnDisplay(display, win, root);
        env["XDG_RUNTIME_DIR"] = runtime;
        return env;
    }

    // The saver, with its standard error in a file of the test.
    std::unique_ptr<Child> startSaver(const std::string& windowVariable, const std::string& log) {
        Environment env = saverEnvironment(xvfb.display());
        env["XSCREENSAVER_WINDOW"] = windowVariable;
        return std::make_unique<Child>(
            std::vector<std::string>{"sh", "-c", "exec \"$0\" /S 2>\"$1\"", program(), log}, env);
    }

    // The run ends with the status (sent the signal first, when one is given) and leaves no
    // private folder and the shared one as it was.
    void expectEndLeavingNothing(Child& saver, int status, int sig = 0) {
        if (sig != 0) saver.signal(sig);
        EXPECT_EQ(saver.wait(sig != 0 ? 5s : 10s), status);
        EXPECT_TRUE(listDir(runtime).empty());
        expectSharedFolderUntouched();
    }

    // The index of the picture colour that fills the area, or -1.
    static int pictureIn(const Screenshot& shot, const Area& a) {
        const Pixel corners[] = {shot.at(a.x, a.y), shot.at(a.x + a.width - 1, a.y),
                                 shot.at(a.x, a.y + a.height - 1),
                                 shot.at(a.x + a.width - 1, a.y + a.height - 1),
                                 shot.at(a.x + a.width / 2, a.y + a.height / 2)};
        for (std::size_t i = 0; i < kPixels.size(); ++i) {
            bool all = true;
            for (const Pixel& p : corners) all = all && near(p, kPixels[i], 40);
            if (all) return static_cast<int>(i);
        }
        return -1;
    }

    bool showsPicture(const Area& area) {
        return waitFor([&] { return pictureIn(Screenshot(xvfb.display()), area) >= 0; }, 10s);
    }

    // Whether the area goes on from picture to picture: two different pictures seen within a
    // generous time. A deleted or rewritten file would bring the fallback picture instead.
    bool goesOnShowingPictures(const Area& area) {
        std::set<int> seen;
        return waitFor(
            [&] {
                const int picture = pictureIn(Screenshot(xvfb.display()), area);
                if (picture >= 0) seen.insert(picture);
                return seen.size() >= 2;
            },
            15s);
    }

    // Names and contents of a folder's files.
    static std::map<std::string, std::string> snapshot(const std::string& folder) {
        std::map<std::string, std::string> files;
        for (const std::string& name : listDir(folder)) files[name] = readFile(folder + "/" + name);
        return files;
    }

    // The shared folder as before the run, apart from the settings file's Status.
    void expectSharedFolderUntouched() {
        auto now = snapshot(win);
        auto before = shared;
        ASSERT_EQ(now.count("fellridge28.ini"), 1u);
        now.erase("fellridge28.ini");
        before.erase("fellridge28.ini");
        EXPECT_EQ(now, before);
    }

    Xvfb xvfb{1024, 768};
    TempDir root;
    std::string win, runtime;
    std::map<std::string, std::string> shared;
    std::vector<std::unique_ptr<Child>> hosts;
};

std::string hex(std::uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", id);
    return text;
}

TEST_F(DaemonWindow, ShowsTheSlideshowInsideTheWindowAtItsSizeAndLeavesInputToTheDaemon) {
    struct Case {
        const char* name;
        Area area;
        bool hexadecimal;
    };
    const Case cases[] = {
        {"full screen, hex id", {0, 0, 1024, 768}, true},
        {"320 x 240 preview, decimal id", {150, 100, 320, 240}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint32_t id = hostWindow(c.area);
        ASSERT_NE(id, 0u);
        const std::string log = root.file("saver.log");
        auto saver = startSaver(c.hexadecimal ? hex(id) : std::to_string(id), log);
        ASSERT_TRUE(showsPicture(c.area)) << readFile(log);

        const Screenshot shot(xvfb.display());
        if (c.area.width < 1024) {
            // Nothing outside the host window: the picture stops at its edges.
            EXPECT_EQ(pictureIn(shot, {c.area.x + c.area.width, c.area.y, 20, c.area.height}), -1);
            EXPECT_EQ(pictureIn(shot, {c.area.x, c.area.y + c.area.height, c.area.width, 20}), -1);
        }
        // Its pictures are in a private folder under XDG_RUNTIME_DIR, none in the shared one.
        const std::vector<std::string> folders = listDir(runtime);
        ASSERT_EQ(folders.size(), 1u);
        struct stat info {};
        ASSERT_EQ(::stat((runtime + "/" + folders[0]).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
        EXPECT_EQ(listDir(runtime + "/" + folders[0]).size(), 7u);

        // It holds no grab: another client takes the keyboard, and then gives it back.
        EXPECT_EQ(run({helper(), "grab"}, {{"DISPLAY", xvfb.display()}}).status, 0);
        // Keys, buttons and motion are the daemon's business.
        xdotool(xvfb.display(),
                {"mousemove", std::to_string(c.area.x + 10), std::to_string(c.area.y + 10)});
        xdotool(xvfb.display(), {"key", "space"});
        xdotool(xvfb.display(), {"click", "1"});
        std::this_thread::sleep_for(500ms);
        EXPECT_TRUE(saver->running());
        EXPECT_GE(pictureIn(Screenshot(xvfb.display()), c.area), 0);

        expectEndLeavingNothing(*saver, 0, SIGTERM);
        EXPECT_EQ(readFile(log).find("fellridge-wildlife"), std::string::npos) << readFile(log);
        hosts.clear();
    }
}

TEST_F(DaemonWindow, TwoInstancesSideBySideKeepTheirOwnPictures) {
    const Area left{0, 0, 320, 240};
    const Area right{400, 0, 320, 240};
    auto first = startSaver(std::to_string(hostWindow(left)), root.file("first.log"));
    auto second = startSaver(hex(hostWindow(right)), root.file("second.log"));
    ASSERT_TRUE(showsPicture(left));
    ASSERT_TRUE(showsPicture(right));
    EXPECT_EQ(listDir(runtime).size(), 2u);

    for (const Area& area : {left, right}) EXPECT_TRUE(goesOnShowingPictures(area));
    // One ends; the other's pictures are still its own.
    first->signal(SIGTERM);
    EXPECT_EQ(first->wait(5s), 0);
    EXPECT_EQ(listDir(runtime).size(), 1u);
    EXPECT_TRUE(goesOnShowingPictures(right));
    expectEndLeavingNothing(*second, 0, SIGTERM);
}

TEST_F(DaemonWindow, AWindowIdThatNamesNoWindowEndsWithAMessageAndStatusOne) {
    const std::uint32_t closed = hostWindow({0, 0, 100, 100});
    hosts.clear();  // its window goes with the helper
    waitFor(
        [&] {
            return run({"xwininfo", "-display", xvfb.display(), "-id", std::to_string(closed)})
                       .status != 0;
        },
        5s);
    for (const std::string& variable :
         {std::string("0"), std::string("junk"), std::string("0x"), std::to_string(closed)}) {
        SCOPED_TRACE(variable);
        const std::string log = root.file("bad.log");
        auto saver = startSaver(variable, log);
        expectEndLeavingNothing(*saver, 1);
        EXPECT_NE(readFile(log).find("XSCREENSAVER_WINDOW=" + variable + ":"), std::string::npos)
            << readFile(log);
    }
}

TEST_F(DaemonWindow, AWindowThatGoesAwayEndsTheRunWithStatusOneAndNothingLeft) {
    const Area area{0, 0, 320, 240};
    const std::string log = root.file("saver.log");
    auto saver = startSaver(std::to_string(hostWindow(area)), log);
    ASSERT_TRUE(showsPicture(area));
    hosts.clear();
    expectEndLeavingNothing(*saver, 1);
    EXPECT_NE(readFile(log).find("went away"), std::string::npos) << readFile(log);
}

TEST_F(DaemonWindow, AFatalSignalTakesThePicturesAwayAndStillEndsTheProcess) {
    const Area area{0, 0, 320, 240};
    for (int sig : {SIGSEGV, SIGABRT}) {
        SCOPED_TRACE(sig);
        auto saver = startSaver(std::to_string(hostWindow(area)), root.file("saver.log"));
        ASSERT_TRUE(showsPicture(area));
        expectEndLeavingNothing(*saver, 128 + sig, sig);
        hosts.clear();
    }
}

TEST_F(DaemonWindow, StartUpMessagesGoToStandardErrorAndTheRunGoesOn) {
    struct Case {
        const char* name;
        std::vector<std::string> removed;
        const char* message;
    };
    const Case cases[] = {
        {"critical pictures missing",
         {"kvp1.qrn", "kvp2.qrn"},
         "Fellridge Wildlife: Some critical files are missing. Please reinstall the software.\n"},
        {"a stored picture missing", {"kvp3.qrn"}, "Error: File not found\n"},
    };
    const Area area{0, 0, 320, 240};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeSolidStoredPictures(win, 64, 48, kColours);
        for (const std::string& name : c.removed) std::remove((win + "/" + name).c_str());
        shared = snapshot(win);
        const std::string log = root.file("saver.log");
        auto saver = startSaver(std::to_string(hostWindow(area)), log);
        EXPECT_TRUE(
            waitFor([&] { return readFile(log).find(c.message) != std::string::npos; }, 10s))
            << readFile(log);
        // Nobody had to answer anything: the saver runs on, with no picture.
        std::this_thread::sleep_for(1500ms);
        EXPECT_TRUE(saver->running());
        EXPECT_EQ(pictureIn(Screenshot(xvfb.display()), area), -1);
        expectEndLeavingNothing(*saver, 0, SIGTERM);
        hosts.clear();
    }
}

TEST_F(DaemonWindow, ADisplayThatGoesAwayEndsTheRunWithStatusOneAndNothingLeft) {
    for (const bool inHost : {true, false}) {
        SCOPED_TRACE(inHost ? "inside a host window" : "full screen");
        // A display of this case alone, to be ended under the saver.
        const std::string numberFile = root.file(inHost ? "display-host" : "display-full");
        auto server = std::make_unique<Child>(std::vector<std::string>{
            "sh", "-c", "exec Xvfb -displayfd 3 -nolisten tcp -screen 0 640x480x24 3>\"$0\"",
            numberFile});
        ASSERT_TRUE(waitFor(
            [&] {
                const std::string text = readFile(numberFile);
                return !text.empty() && text.back() == '\n';
            },
            20s));
        const std::string number = readFile(numberFile);
        const std::string display = ":" + number.substr(0, number.size() - 1);

        Environment env = saverEnvironment(display);
        std::unique_ptr<Child> host;
        if (inHost) {
            const std::string idFile = root.file("gone-host");
            host = std::make_unique<Child>(
                std::vector<std::string>{helper(), "window", idFile, "320", "240", "0", "0"},
                Environment{{"DISPLAY", display}});
            ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(idFile); }, 10s));
            env["XSCREENSAVER_WINDOW"] = readFile(idFile).substr(0, readFile(idFile).size() - 1);
        }
        Child saver({program(), "/S"}, env);
        // Its pictures are made, then the display goes.
        ASSERT_TRUE(waitFor(
            [&] {
                if (!inHost) return listDir(win).size() > shared.size();
                const std::vector<std::string> folders = listDir(runtime);
                return folders.size() == 1 && listDir(runtime + "/" + folders[0]).size() == 7;
            },
            10s));
        std::this_thread::sleep_for(500ms);
        server->signal(SIGTERM);
        expectEndLeavingNothing(saver, 1);
    }
}

// Two slideshows on one saver folder (a manual run beside another, a daemon's beside a manual
// one): the second keeps its pictures in a private folder, and neither stop takes the other's.
// A private folder whose run was killed outright goes with the next start.
TEST_F(DaemonWindow, RunsOnOneFolderNeverDeleteEachOthersPictures) {
    const auto jpgs = [](const std::string& folder) { return jpgsIn(folder).size(); };
    const auto privateFolders = [&] { return listDir(runtime); };
    // One private folder, not the one named, with the seven pictures in it.
    const auto privateReady = [&](const std::string& notThis = "") {
        return waitFor(
            [&] {
                const auto folders = privateFolders();
                return folders.size() == 1 && folders[0] != notThis &&
                       jpgs(runtime + "/" + folders[0]) == 7;
            },
            15s);
    };
    auto first = startSaver("", root.file("first.log"));
    ASSERT_TRUE(waitFor([&] { return jpgs(win) == 7; }, 15s));
    for (const std::string& beside : {std::string(), hex(hostWindow({0, 0, 200, 150}))}) {
        auto second = startSaver(beside, root.file("second.log"));
        ASSERT_TRUE(privateReady());
        second->signal(SIGTERM);
        EXPECT_EQ(second->wait(10s), 0);
        EXPECT_EQ(jpgs(win), 7u);
        EXPECT_TRUE(privateFolders().empty());
    }
    auto killed = startSaver("", root.file("killed.log"));
    ASSERT_TRUE(privateReady());
    killed->signal(SIGKILL);
    killed->wait(10s);
    const std::string dead = privateFolders().front();
    std::filesystem::last_write_time(runtime + "/" + dead,
                                     std::filesystem::file_time_type::clock::now() - 1min);
    auto next = startSaver("", root.file("next.log"));
    ASSERT_TRUE(privateReady(dead));
    next->signal(SIGTERM);
    first->signal(SIGTERM);
    EXPECT_EQ(next->wait(10s), 0);
    EXPECT_EQ(first->wait(10s), 0);
    EXPECT_EQ(jpgs(win), 0u);
}

// A daemon's window as large as X allows: the slideshow draws into the part a desktop can show,
// with a frame no larger, and ends on SIGTERM as usual.
TEST_F(DaemonWindow, AHugeWindowGetsAFrameNoLargerThanTheDesktop) {
    auto saver = startSaver(hex(hostWindow({0, 0, 32767, 32767})), root.file("log"));
    const std::uintptr_t window = waitForSaverWindow(xvfb.display(), *saver);
    ASSERT_NE(window, 0u);
    const std::string info =
        run({"xwininfo", "-display", xvfb.display(), "-id", std::to_string(window)}).out;
    EXPECT_NE(info.find("Width: 1024\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Height: 768\n"), std::string::npos) << info;
    saver->signal(SIGTERM);
    EXPECT_EQ(saver->wait(10s), 0);
}

}  // namespace
}  // namespace fellridge::test
