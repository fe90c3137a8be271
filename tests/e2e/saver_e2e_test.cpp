// The saver as a user meets it, on a private Xvfb screen: its window, the input that ends it,
// the temporary pictures, the start-up failures, the password paths and signals.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <thread>

#include "process.h"
#include "x11_session.h"

namespace fellridge::test {
namespace {

using namespace std::chrono_literals;

class SaverSession : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(xvfb.ok()) << "Xvfb did not start";
        win = root.file("win");
        sys = root.file("sys");
        std::filesystem::create_directory(win);
        std::filesystem::create_directory(sys);
    }

    void storedPictures() { copyStoredPictures(win); }

    void settings(int mode, int delay, const std::string& extra = "") {
        writeFile(win + "/fellridge28.ini",
                  "[Options]\nSound=0\nSeq=1\nColor=4\nPicdis=" + std::to_string(mode) +
                      "\nTime=" + std::to_string(delay) + "\nHeight=25\nWidth=25\n" + extra);
    }

    Environment env() const {
        Environment e = saverOnDisplay(xvfb.display(), win, root);
        e["XDG_DATA_DIRS"] = root.file("no-data");  // no installed pictures either
        e["FELLRIDGE_TEST_LOG"] = root.file("log");
        return e;
    }

    void start(std::vector<std::string> arguments = {"/S"}, Environment extra = {}) {
        Environment e = env();
        for (auto& [k, v] : extra) e[k] = v;
        arguments.insert(arguments.begin(), program());
        saver = std::make_unique<Child>(arguments, e);
    }

    std::uintptr_t window() { return waitForSaverWindow(xvfb.display(), *saver); }

    std::vector<std::string> temporaries() const { return jpgsIn(win); }

    bool stillRunningAfter(std::chrono::milliseconds pause) {
        std::this_thread::sleep_for(pause);
        return saver->running();
    }

    Xvfb xvfb{1024, 768};
    TempDir root;
    std::string win, sys;
    std::unique_ptr<Child> saver;
};

TEST_F(SaverSession, CoversTheScreenWithItsNamesAndLeavesTheFolderAsItWas) {
    storedPictures();
    settings(1, 60000);
    start();
    const std::uintptr_t id = window();
    ASSERT_NE(id, 0u);

    const Output info = run({"xwininfo", "-display", xvfb.display(), "-id", std::to_string(id)});
    EXPECT_NE(info.out.find("Absolute upper-left X:  0"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Absolute upper-left Y:  0"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Width: 1024"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Height: 768"), std::string::npos) << info.out;
    const Output props = run(
        {"xprop", "-display", xvfb.display(), "-id", std::to_string(id), "WM_CLASS", "WM_NAME"});
    EXPECT_NE(props.out.find("\"TForm1\""), std::string::npos) << props.out;
    EXPECT_NE(props.out.find("WM_NAME(STRING) = \"zarnojpg\""), std::string::npos) << props.out;

    EXPECT_EQ(temporaries(),
              (std::vector<std::string>{"kvp1.jpg", "kvp2.jpg", "kvp3.jpg", "kvp4.jpg", "kvp5.jpg",
                                        "kvp6.jpg", "kvp7.jpg"}));
    // The first picture comes a second after the window, stretched over the screen.
    waitFor([&] { return !near(Screenshot(xvfb.display()).at(512, 384), {0, 0, 0}, 8); }, 5s);
    const Screenshot shot(xvfb.display());
    EXPECT_FALSE(near(shot.at(512, 384), {0, 0, 0}, 8));

    xdotool(xvfb.display(), {"key", "space"});
    EXPECT_EQ(saver->wait(10s), 0);
    EXPECT_TRUE(temporaries().empty());
    const std::string ini = readFile(win + "/fellridge28.ini");
    EXPECT_NE(ini.find("Status=1"), std::string::npos);
}

TEST_F(SaverSession, KeysAndButtonsEndItMotionAndTheWheelDoNot) {
    storedPictures();
    settings(4, 60000);
    struct Case {
        const char* name;
        std::vector<std::vector<std::string>> input;
    };
    const std::vector<Case> cases = {
        {"key", {{"key", "a"}}},
        {"alt", {{"key", "alt"}}},
        {"left button", {{"click", "1"}}},
        {"right button", {{"click", "3"}}},
        {"middle button", {{"click", "2"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start();
        ASSERT_NE(window(), 0u);
        xdotool(xvfb.display(), {"mousemove", "100", "100"});
        xdotool(xvfb.display(), {"mousemove", "300", "200"});
        xdotool(xvfb.display(), {"click", "4"});
        xdotool(xvfb.display(), {"click", "5"});
        EXPECT_TRUE(stillRunningAfter(500ms));
        for (const auto& step : c.input) xdotool(xvfb.display(), step);
        EXPECT_EQ(saver->wait(10s), 0);
        EXPECT_TRUE(temporaries().empty());
    }
}

TEST_F(SaverSession, ReleasingAKeyHeldSinceBeforeTheStartEndsIt) {
    storedPictures();
    settings(1, 60000);
    xdotool(xvfb.display(), {"keydown", "b"});
    start();
    ASSERT_NE(window(), 0u);
    EXPECT_TRUE(stillRunningAfter(300ms));
    xdotool(xvfb.display(), {"keyup", "b"});
    EXPECT_EQ(saver->wait(10s), 0);
}

TEST_F(SaverSession, MissingCriticalPicturesShowTheMessageThenAWhiteScreen) {
    settings(1, 1000);
    start();
    // The message box comes first, before the saver window is shown.
    const std::string box = waitForWindowNamed(xvfb.display(), "^Fellridge Wildlife$");
    ASSERT_FALSE(box.empty()) << "no message box";
    // Pressing Return answers the box; the key's release is the first input the white window
    // sees, and it ends the run.
    xdotool(xvfb.display(), {"keydown", "Return"});
    ASSERT_NE(window(), 0u);
    waitFor([&] { return near(Screenshot(xvfb.display()).at(500, 400), {255, 255, 255}, 2); }, 5s);
    const Screenshot shot(xvfb.display());
    EXPECT_TRUE(near(shot.at(10, 10), {255, 255, 255}, 2));
    EXPECT_TRUE(near(shot.at(1000, 700), {255, 255, 255}, 2));
    EXPECT_TRUE(stillRunningAfter(1200ms));  // no timer, no picture
    EXPECT_TRUE(temporaries().empty());
    xdotool(xvfb.display(), {"keyup", "Return"});
    EXPECT_EQ(saver->wait(10s), 0);
}

TEST_F(SaverSession, AMissingStoredPictureShowsFileNotFoundAndABlackScreen) {
    storedPictures();
    std::filesystem::remove(win + "/kvp5.qrn");
    settings(1, 1000);
    start();
    const std::string box = waitForWindowNamed(xvfb.display(), "^Error$");
    ASSERT_FALSE(box.empty()) << "no error box";
    EXPECT_EQ(temporaries(),
              (std::vector<std::string>{"kvp1.jpg", "kvp2.jpg", "kvp3.jpg", "kvp4.jpg"}));
    xdotool(xvfb.display(), {"keydown", "Return"});
    ASSERT_NE(window(), 0u);
    std::this_thread::sleep_for(1500ms);  // no timer: nothing is drawn
    const Screenshot shot(xvfb.display());
    EXPECT_TRUE(near(shot.at(512, 384), {0, 0, 0}, 2));
    EXPECT_TRUE(saver->running());
    xdotool(xvfb.display(), {"keyup", "Return"});
    EXPECT_EQ(saver->wait(10s), 0);
    EXPECT_TRUE(temporaries().empty());
}

TEST_F(SaverSession, PasswordChangeHasTheRunningSaverAsItsParent) {
    storedPictures();
    settings(1, 60000);
    copyFile(buildDir() + "/tests/providers/test_provider_mpr.so", sys + "/MPR.DLL");
    start();
    const std::uintptr_t id = window();
    ASSERT_NE(id, 0u);
    Environment e = env();
    e["QT_QPA_PLATFORM"] = "";
    EXPECT_EQ(run({program(), "/a", "5678"}, e).status, 0);
    EXPECT_EQ(readFile(root.file("log")), "SCRSAVE " + std::to_string(id) + " 0 0\n");
    // A second saver starts all the same.
    Child second({program(), "/s"}, env());
    EXPECT_TRUE(waitFor([&] { return !second.running() || stillRunningAfter(0ms); }, 1s));
    xdotool(xvfb.display(), {"key", "a"});
    EXPECT_EQ(saver->wait(10s), 0);
}

TEST_F(SaverSession, ThePasswordIsAskedWhereThePlatformLeavesItToTheSaver) {
    storedPictures();
    settings(1, 60000);
    copyFile(buildDir() + "/tests/providers/test_provider_password.so", sys + "/PASSWORD.CPL");
    writeFile(root.file("user.reg"),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Control Panel\\desktop]\n"
              "\"ScreenSaveUsePassword\"=dword:00000001\n");
    // The first check fails, the second succeeds.
    start({"/S"}, {{"FELLRIDGE_PLATFORM_ID", "1"}, {"FELLRIDGE_TEST_ANSWERS", "01"}});
    const std::uintptr_t id = window();
    ASSERT_NE(id, 0u);
    xdotool(xvfb.display(), {"click", "1"});
    EXPECT_TRUE(stillRunningAfter(700ms));
    EXPECT_EQ(readFile(root.file("log")), "verify " + std::to_string(id) + "\n");
    xdotool(xvfb.display(), {"click", "1"});
    EXPECT_EQ(saver->wait(10s), 0);
    EXPECT_TRUE(temporaries().empty());
}

TEST_F(SaverSession, WithoutAPasswordSettingTheFirstInputEndsItOnEitherFamily) {
    storedPictures();
    settings(1, 60000);
    copyFile(buildDir() + "/tests/providers/test_provider_password.so", sys + "/PASSWORD.CPL");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"2", "\"ScreenSaveUsePassword\"=dword:00000001\n"},  // NT family: registry not read
        {"1", "\"ScreenSaveUsePassword\"=dword:00000000\n"},
        {"1", ""},  // no value
    };
    for (const auto& [family, value] : cases) {
        SCOPED_TRACE(family + " " + value);
        writeFile(root.file("user.reg"),
                  "REGEDIT4\n\n[HKEY_CURRENT_USER\\Control Panel\\desktop]\n" + value);
        std::filesystem::remove(root.file("log"));
        start({"/S"}, {{"FELLRIDGE_PLATFORM_ID", family}, {"FELLRIDGE_TEST_ANSWERS", "0"}});
        ASSERT_NE(window(), 0u);
        xdotool(xvfb.display(), {"key", "a"});
        EXPECT_EQ(saver->wait(10s), 0);
        EXPECT_FALSE(std::filesystem::exists(root.file("log")));
    }
}

// Every signal from outside whose default action ends the process runs the stop routine; a
// write to a closed pipe is no reason to end. The termination signals also come once the
// roll-down has begun, so they may arrive inside the animation loop.
TEST_F(SaverSession, EverySignalThatWouldEndItRunsTheStopRoutine) {
    storedPictures();
    settings(8, 1000);
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU,
                    SIGXFSZ, SIGPOLL, SIGPWR, SIGRTMIN + 2, SIGPIPE}) {
        SCOPED_TRACE(sig);
        start();
        ASSERT_NE(window(), 0u);
        if (sig == SIGTERM || sig == SIGINT || sig == SIGHUP) {
            std::this_thread::sleep_for(1300ms);
        } else {
            ASSERT_EQ(temporaries().size(), 7u);
        }
        saver->signal(sig);
        if (sig == SIGPIPE) {
            EXPECT_TRUE(stillRunningAfter(700ms));
            saver->signal(SIGTERM);
        }
        EXPECT_EQ(saver->wait(10s), 0);
        EXPECT_TRUE(temporaries().empty());
    }
}

// A disk that fills while a temporary picture is written (here the file size limit): the failure
// is shown like any other copy failure, and no picture cut short is left to show half grey.
TEST_F(SaverSession, AWriteCutShortIsAFailureAndLeavesNoPicture) {
    storedPictures();
    settings(1, 1000);
    saver = std::make_unique<Child>(
        std::vector<std::string>{"sh", "-c", "trap '' XFSZ; ulimit -f 200; exec \"$0\" /S",
                                 program()},
        env());
    EXPECT_FALSE(waitForWindowNamed(xvfb.display(), "^Error$").empty()) << "no error box";
    EXPECT_TRUE(temporaries().empty());
}

// Any start sweeps the files of settings writers killed mid-write, and only those.
TEST_F(SaverSession, AnyStartSweepsTheLeftoversOfDeadWritersOnly) {
    storedPictures();
    settings(1, 60000);
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string deadFile = win + "/.fellridge28.ini." + std::to_string(dead) + ".1.2.tmp";
    const std::vector<std::string> kept = {
        win + "/.fellridge28.ini." + std::to_string(::getpid()) + ".1.2.tmp",
        win + "/.fellridge28.ini.x.tmp",
        win + "/fellridge28.ini." + std::to_string(dead) + ".1.2.tmp"};
    for (const char* mode : {"/C", "/S"}) {
        SCOPED_TRACE(mode);
        for (const std::string& file : kept) writeFile(file, "kept");
        writeFile(deadFile, "left");
        start({mode});
        EXPECT_TRUE(waitFor([&] { return !std::filesystem::exists(deadFile); }, 15s));
        for (const std::string& file : kept) EXPECT_TRUE(std::filesystem::exists(file)) << file;
        saver->signal(SIGTERM);
        saver->wait(10s);
    }
}

// No display to open: a line on standard error and status 1, not an abort with a core file.
TEST_F(SaverSession, NoDisplayIsSaidAndEndsWithStatusOne) {
    const std::vector<Environment> displays = {
        {{"DISPLAY", ":97"}, {"QT_QPA_PLATFORM", ""}, {"WAYLAND_DISPLAY", ""}},
        {{"DISPLAY", ""}, {"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", "no-such-socket"}},
    };
    for (const Environment& display : displays) {
        for (const char* mode : {"/S", "/C"}) {
            Environment e = env();
            e["XDG_SESSION_TYPE"] = "";
            for (const auto& [k, v] : display) e[k] = v;
            const Output out = run({"sh", "-c", "exec \"$0\" \"$1\" 2>&1", program(), mode}, e);
            SCOPED_TRACE(std::string(mode) + " " + out.out);
            EXPECT_EQ(out.status, 1);
            EXPECT_NE(out.out.find("no display could be opened"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace fellridge::test
