// Hostile files around a real saver run on a private Xvfb screen: a FIFO, a device or a broken
// header where the saver expects a sound, a stored picture, the registry or a writable settings
// file. None of them may hold the session: the saver comes up, and a key or SIGTERM ends it at
// once. A hang is a failure (every wait has a timeout; the child is killed at the end).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "platform/files/files.h"
#include "process.h"
#include "x11_session.h"

namespace fellridge::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How long a key or SIGTERM may take to end the run: a second, with room for a loaded machine
// and a sanitizer build.
constexpr auto kEndsWithin = 2500ms;

enum class Ending { Key, Terminate };

const char* name(Ending how) {
    return how == Ending::Key ? "key" : "SIGTERM";
}

std::string soundSettings(const std::string& name1) {
    std::string ini = "[Options]\nSound=1\nSeq=1\nColor=4\nPicdis=1\nTime=1000\n";
    ini += "Height=25\nWidth=25\n[WavConfig]\nName1=" + name1 + "\n";
    for (int i = 2; i <= 500; ++i) ini += "Name" + std::to_string(i) + "=Null\n";
    return ini;
}

// Sends the window manager's close request (WM_DELETE_WINDOW) to a window, as a window manager
// does when the user closes it.
void askToClose(const std::string& display, std::uint32_t window) {
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(connection), 0);
    auto atom = [&](const char* text) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(text)), text),
            nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return result;
    };
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    // Checked, so that the request has reached the server before the connection closes.
    xcb_generic_error_t* error = xcb_request_check(
        connection, xcb_send_event_checked(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                           reinterpret_cast<const char*>(&event)));
    EXPECT_EQ(error, nullptr);
    std::free(error);
    xcb_disconnect(connection);
}

class HostileFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(xvfb.ok()) << "Xvfb did not start";
        win = root.file("win");
        std::filesystem::create_directory(win);
    }

    void storedPictures() { copyStoredPictures(win); }

    void plainSettings() {
        writeFile(win + "/fellridge28.ini",
                  "[Options]\nSound=0\nSeq=1\nColor=4\nPicdis=1\nTime=1000\nHeight=25\n"
                  "Width=25\n");
    }

    void start(Environment extra = {}) {
        Environment e = saverOnDisplay(xvfb.display(), win, root);
        for (auto& [k, v] : extra) e[k] = v;
        saver = std::make_unique<Child>(std::vector<std::string>{program(), "/S"}, e);
    }

    // Ends the run the given way and checks that it ends promptly, with status 0.
    void endPromptly(Ending how) {
        const auto before = Clock::now();
        if (how == Ending::Key)
            xdotool(xvfb.display(), {"key", "a"});
        else
            saver->signal(SIGTERM);
        const std::optional<int> status = saver->wait(kEndsWithin);
        ASSERT_TRUE(status.has_value()) << "still running after " << name(how);
        EXPECT_EQ(*status, 0);
        EXPECT_LT(Clock::now() - before, kEndsWithin);
    }

    // The saver's window comes up, the run goes on for a moment, and then ends promptly.
    void runsAndEnds(Ending how, Environment extra = {}) {
        start(std::move(extra));
        ASSERT_NE(waitForSaverWindow(xvfb.display(), *saver, 15s), 0u) << "no saver window";
        std::this_thread::sleep_for(1500ms);
        ASSERT_TRUE(saver->running()) << "the saver ended by itself";
        endPromptly(how);
    }

    // A start-up failure: the error box comes, and a key or SIGTERM still ends the run.
    void failsAtStartAndEnds(Ending how) {
        start();
        ASSERT_FALSE(waitForWindowNamed(xvfb.display(), "^Error$", 15s).empty()) << "no box";
        if (how == Ending::Key) {
            // The box takes the key press; the release reaches the saver and ends it.
            xdotool(xvfb.display(), {"keydown", "Return"});
            ASSERT_NE(waitForSaverWindow(xvfb.display(), *saver, 10s), 0u);
            const auto before = Clock::now();
            xdotool(xvfb.display(), {"keyup", "Return"});
            EXPECT_EQ(saver->wait(kEndsWithin), 0);
            EXPECT_LT(Clock::now() - before, kEndsWithin);
        } else {
            endPromptly(how);
        }
    }

    std::vector<std::string> jpgs() const { return jpgsIn(win); }

    Xvfb xvfb{1024, 768};
    TempDir root;
    std::string win;
    std::unique_ptr<Child> saver;
};

// Rows of sound entries that once blocked the saver forever, grew its memory without end or
// raised SIGFPE in the sound library: now each is a file that can't be played.
TEST_F(HostileFiles, SoundEntriesThatAreNoSoundFilesCannotHoldTheSaver) {
    storedPictures();
    ASSERT_EQ(::mkfifo(root.file("song.mp3").c_str(), 0600), 0);
    // RIFF/WAVE with a PCM format of 0 channels at 0 Hz and a little data.
    std::string wav = "RIFF";
    wav += std::string("\x2C\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x00\x00", 20);
    wav += std::string(12, '\0');
    wav += std::string("data\x08\x00\x00\x00", 8) + std::string(8, '\x40');
    writeFile(root.file("silent.wav"), wav);
    const std::pair<const char*, std::string> entries[] = {
        {"a FIFO", root.file("song.mp3")},
        {"a WAV of 0 channels at 0 Hz", root.file("silent.wav")},
        {"/dev/urandom as MIDI", "/dev/urandom"},
    };
    for (const auto& [what, entry] : entries) {
        for (const Ending how : {Ending::Key, Ending::Terminate}) {
            SCOPED_TRACE(std::string(what) + ", ended by " + name(how));
            writeFile(win + "/fellridge28.ini", soundSettings(entry));
            runsAndEnds(how);
            EXPECT_TRUE(jpgs().empty());
        }
    }
}

TEST_F(HostileFiles, AStoredPictureThatIsAFifoOrALinkToADeviceFailsItsCopy) {
    storedPictures();
    plainSettings();
    for (const bool fifo : {true, false}) {
        std::filesystem::remove(win + "/kvp3.qrn");
        if (fifo)
            ASSERT_EQ(::mkfifo((win + "/kvp3.qrn").c_str(), 0600), 0);
        else
            std::filesystem::create_symlink("/dev/zero", win + "/kvp3.qrn");
        for (const Ending how : {Ending::Key, Ending::Terminate}) {
            SCOPED_TRACE(std::string(fifo ? "FIFO" : "/dev/zero") + ", ended by " + name(how));
            failsAtStartAndEnds(how);
            EXPECT_TRUE(jpgs().empty());
        }
    }
}

TEST_F(HostileFiles, APlantedLinkIsNeitherWrittenThroughNorLeftBehind) {
    storedPictures();
    plainSettings();
    writeFile(root.file("precious.txt"), "mine\n");
    std::filesystem::create_symlink(root.file("precious.txt"), win + "/kvp3.jpg");
    start();
    ASSERT_NE(waitForSaverWindow(xvfb.display(), *saver, 15s), 0u);
    EXPECT_EQ(readFile(root.file("precious.txt")), "mine\n");
    struct stat st {};
    ASSERT_EQ(::lstat((win + "/kvp3.jpg").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    endPromptly(Ending::Key);
    EXPECT_EQ(readFile(root.file("precious.txt")), "mine\n");
    EXPECT_TRUE(jpgs().empty());
}

// On the platform that leaves the password to the saver, the first key reads the registry: a
// FIFO or /dev/zero there is a registry without the key, so the key ends the run.
TEST_F(HostileFiles, ARegistryThatIsAFifoOrADeviceIsAMissingKey) {
    storedPictures();
    plainSettings();
    ASSERT_EQ(::mkfifo(root.file("fifo.reg").c_str(), 0600), 0);
    for (const std::string& registry : {root.file("fifo.reg"), std::string("/dev/zero")}) {
        SCOPED_TRACE(registry);
        runsAndEnds(Ending::Key,
                    {{"FELLRIDGE_PLATFORM_ID", "1"}, {"FELLRIDGE_REGISTRY", registry}});
        EXPECT_TRUE(jpgs().empty());
    }
}

TEST_F(HostileFiles, ARunLeavesEveryFileItDidNotMake) {
    storedPictures();
    plainSettings();
    std::ifstream pidMax("/proc/sys/kernel/pid_max");
    int unusedPid = 0;
    pidMax >> unusedPid;  // no process has this id
    const std::string stale = ".fellridge28.ini." + std::to_string(unusedPid) + ".1.2.tmp";
    const std::string live = ".fellridge28.ini." + std::to_string(::getpid()) + ".1.2.tmp";
    const std::vector<std::string> theirs = {"kvp_family.jpg", "KVP9.JPG",    "kvp12.jpg",
                                             "notes.tmp",      "holiday.jpg", live};
    for (const std::string& file : theirs) writeFile(win + "/" + file, "user data");
    writeFile(win + "/" + stale, "left by a writer that was killed");
    writeFile(win + "/kvp6.jpg", "left by an earlier run");

    runsAndEnds(Ending::Key);
    for (const std::string& file : theirs)
        EXPECT_EQ(readFile(win + "/" + file), "user data") << file;
    EXPECT_FALSE(std::filesystem::exists(win + "/" + stale));
    for (int n = 1; n <= 7; ++n)
        EXPECT_FALSE(std::filesystem::exists(win + "/kvp" + std::to_string(n) + ".jpg")) << n;
}

// A settings file the dialog can't write: OK reports it, and Escape or the window manager's
// close still end the dialog, leaving the file as it was.
TEST_F(HostileFiles, TheDialogCanBeLeftWhenTheSettingsCannotBeWritten) {
    const std::string ini = win + "/fellridge28.ini";
    const std::string content = soundSettings("Null");
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "window manager's close");
        writeFile(ini, content);
        ASSERT_EQ(::chmod(ini.c_str(), 0444), 0);  // read-only, refused even for root
        Child dialog({program(), "/C"}, {{"DISPLAY", xvfb.display()},
                                         {"QT_QPA_PLATFORM", "xcb"},
                                         {"FELLRIDGE_WINDOWS_DIR", win}});
        const std::string id =
            waitForWindowNamed(xvfb.display(), "^Fellridge Wildlife Screensaver$", 15s);
        ASSERT_FALSE(id.empty()) << "no dialog";
        std::this_thread::sleep_for(300ms);
        xdotool(xvfb.display(), {"key", "Return"});  // OK
        ASSERT_FALSE(waitForWindowNamed(xvfb.display(), "^Error$", 10s).empty()) << "no box";
        // Return answers the box once it has the keyboard.
        const auto boxOpen = [&] {
            return !run({"xdotool", "search", "--onlyvisible", "--name", "^Error$"},
                        {{"DISPLAY", xvfb.display()}})
                        .out.empty();
        };
        for (int tries = 0; tries < 20 && boxOpen(); ++tries) {
            xdotool(xvfb.display(), {"key", "Return"});
            std::this_thread::sleep_for(250ms);
        }
        ASSERT_FALSE(boxOpen());
        ASSERT_TRUE(dialog.running());
        const auto before = Clock::now();
        if (escape) {
            xdotool(xvfb.display(), {"key", "Escape"});
        } else {
            askToClose(xvfb.display(), static_cast<std::uint32_t>(std::stoul(id)));
        }
        EXPECT_EQ(dialog.wait(kEndsWithin), 0);
        EXPECT_LT(Clock::now() - before, kEndsWithin);
        EXPECT_EQ(readFile(ini), content);
        ::chmod(ini.c_str(), 0644);
    }
}

// Faults of the machine around a slideshow: the display killed, the folder made read-only, a run
// stuck before its message loop, too little address space. Whatever happens the run ends (a key
// or SIGTERM ends it, or it ends itself), its status says how, and it says what went wrong in at
// most one line of its own.
TEST_F(HostileFiles, FaultsOfTheMachineNeverLeaveAStuckScreenOrSilentLeftovers) {
    storedPictures();
    plainSettings();
    std::vector<std::string> asUser;
    if (::geteuid() == 0) {
        // Permissions bind an ordinary user alone: the saver runs as one.
        asUser = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        ASSERT_EQ(::chmod(root.path().c_str(), 0755), 0);
        for (const auto& name : listDir(win)) ::chown((win + "/" + name).c_str(), 65534, 65534);
        for (const std::string& folder : {win, root.path()})
            ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    }
    const std::string log = root.file("saver.log");
    auto doomed = std::make_unique<Xvfb>(640, 480);
    const std::string doomedDisplay = doomed->display();
    platform::files::Descriptor settingsLock;
    [[maybe_unused]] const auto key = [&](Child& saver) {
        if (waitForSaverWindow(xvfb.display(), saver) != 0) xdotool(xvfb.display(), {"key", "a"});
    };
    [[maybe_unused]] const auto limited = [&](int megabytes) {
        std::vector<std::string> under = asUser;
        under.insert(under.end(), {"prlimit", "--as=" + std::to_string(megabytes) + "000000"});
        return under;
    };
    constexpr int kKeyOrItsOwnEnd = -1;  // 0 after a key, or 1 by itself with a line
    struct Row {
        std::string what, display;
        std::vector<std::string> under;  // what the program runs under
        std::function<void(Child&)> fault;
        int status;
        std::string says;  // "": nothing of its own
        std::size_t picturesLeft = 0;
        bool settingsLocked = false;  // by another program, before the start
    };
    std::vector<Row> rows = {
        {"the X server killed", doomedDisplay, asUser,
         [&](Child& saver) {
             ASSERT_NE(waitForSaverWindow(doomedDisplay, saver), 0u);
             doomed.reset();
         },
         1, "fellridge-wildlife: the display went away"},
        {"the folder made read-only", xvfb.display(), asUser,
         [&](Child& saver) {
             ASSERT_NE(waitForSaverWindow(xvfb.display(), saver), 0u);
             ASSERT_EQ(::chmod(win.c_str(), 0555), 0);
             xdotool(xvfb.display(), {"key", "a"});
         },
         0, "7 temporary pictures could not be removed from " + win, 7},
        {"SIGTERM while the start waits on the settings lock", xvfb.display(), asUser,
         [&](Child& saver) {
             std::this_thread::sleep_for(1s);
             saver.signal(SIGTERM);
         },
         128 + SIGTERM, "", 0, true}};
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's shadow memory alone is larger than any of these
    for (const int megabytes : {100, 115, 130, 200})
        rows.push_back({"an address space of " + std::to_string(megabytes) + " MB", xvfb.display(),
                        limited(megabytes), key, kKeyOrItsOwnEnd, ""});
#endif
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.settingsLocked) {
            settingsLock =
                platform::files::Descriptor(::open((win + "/fellridge28.ini").c_str(), O_RDONLY));
            ASSERT_EQ(::flock(settingsLock.get(), LOCK_EX), 0);
        }
        std::vector<std::string> argv = row.under;
        argv.insert(argv.end(), {"/bin/sh", "-c", "exec \"$0\" /S 2>\"$1\"", program(), log});
        Child saver(argv, saverOnDisplay(row.display, win, root));
        row.fault(saver);
        const std::optional<int> status = saver.wait(5s);
        settingsLock = platform::files::Descriptor();
        ASSERT_TRUE(status.has_value()) << "still running";
        const std::string said = readFile(log);
        std::size_t lines = 0;
        for (std::size_t at = said.find("fellridge-wildlife:"); at != std::string::npos;
             at = said.find("fellridge-wildlife:", at + 1))
            ++lines;
        if (row.status == kKeyOrItsOwnEnd) {
            EXPECT_TRUE(*status == 0 || (*status == 1 && lines == 1)) << *status << said;
        } else {
            EXPECT_EQ(*status, row.status) << said;
            EXPECT_EQ(lines, row.says.empty() ? 0u : 1u) << said;
            EXPECT_NE(said.find(row.says), std::string::npos) << said;
        }
        EXPECT_EQ(jpgs().size(), row.picturesLeft);
        ::chmod(win.c_str(), 0755);
        for (const std::string& picture : jpgs()) std::filesystem::remove(win + "/" + picture);
    }
}

}  // namespace
}  // namespace fellridge::test
