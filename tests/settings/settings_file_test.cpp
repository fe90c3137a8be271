// The settings file on disk: the writers' files, the readers' tables and refused writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "settings/profile_file.h"
#include "settings/settings.h"
#include "support/fakes.h"

namespace fellridge::settings {
namespace {

namespace fs = std::filesystem;

// Options from the numbers the file holds.
Options numbers(bool sound, bool inOrder, std::int32_t scheme, std::int32_t mode,
                std::int32_t delay, std::int32_t height, std::int32_t width) {
    return {
        sound,  inOrder, static_cast<ColourScheme>(scheme), static_cast<DisplayMode>(mode), delay,
        height, width};
}

// What the readers give when the file sets nothing usable.
const Options kUnset = numbers(true, true, 4, 8, -1, -1, -1);

class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "fellridge-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = settingsPath(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(dir_, ignored);
    }

    void put(const std::string& content) const {
        std::ofstream(path_, std::ios::binary) << content;
    }
    std::string contents() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::vector<std::string> folder() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
    // Runs a write that must be refused, and checks the message and that nothing changed.
    template <typename Write>
    void expectRefused(Write write, const std::string& message) {
        const bool had = fs::is_regular_file(path_);
        const std::string before = had ? contents() : "";
        try {
            write();
            ADD_FAILURE() << "the write went through";
        } catch (const Failure& failure) {
            EXPECT_EQ(std::string(failure.what()), message);
        }
        if (had) {
            EXPECT_EQ(contents(), before);
        }
        for (const std::string& name : folder()) {
            EXPECT_EQ(name.find(".tmp"), std::string::npos) << "left behind: " << name;
        }
    }

    std::string dir_;
    std::string path_;
};

std::string slots(int from = 1) {
    std::string text = "[WavConfig]\n";
    for (int i = from; i <= kSoundSlots; ++i) text += "Name" + std::to_string(i) + "=Null\n";
    return text;
}

TEST_F(SettingsFile, SaverFirstRunThenStart) {
    EXPECT_FALSE(exists(path_));
    writeSaverFirstRun(path_);
    EXPECT_TRUE(exists(path_));
    const auto withStatus = [](char status) {
        return std::string("[Options]\nSound=0\nStatus=") + status +
               "\nSeq=1\nColor=4\nPicdis=4\nTime=8000\nHeight=25\nWidth=25\n" + slots();
    };
    EXPECT_EQ(contents(), withStatus('0'));
    markSaverStart(path_);
    EXPECT_EQ(contents(), withStatus('1'));
    EXPECT_EQ(folder(), std::vector<std::string>{kFileName});
}

TEST_F(SettingsFile, DialogFirstRunThenOkAppendsSeq) {
    writeDialogFirstRun(path_);
    const std::string first =
        "[Options]\nSound=0\nStatus=0\nRepeat=0\nTime=8000\nColor=4\n"
        "Picdis=4\nHeight=25\nWidth=25\n";
    EXPECT_EQ(contents(), first + slots());
    writeOptions(path_, numbers(true, false, 2, 6, 3000, 480, 640));
    EXPECT_EQ(contents(),
              "[Options]\nSound=1\nStatus=0\nRepeat=0\nTime=3000\nColor=2\n"
              "Picdis=6\nHeight=480\nWidth=640\nSeq=0\n" +
                  slots());
}

TEST_F(SettingsFile, OkIntoAnEmptyFileWritesItsOrder) {
    writeOptions(path_, numbers(false, true, 4, 4, 8000, 25, 25));
    EXPECT_EQ(contents(),
              "[Options]\nSound=0\nSeq=1\nColor=4\nPicdis=4\nTime=8000\nHeight=25\nWidth=25\n");
}

// Both run modes take the Options keys the same way (the dialog's "modes 1 to 7, else 8" and
// the saver's "1 to 8, else 8" agree).
struct ReaderCase {
    const char* options;  // the lines after "[Options]", or nullptr for no file at all
    Options expected;
};

TEST_F(SettingsFile, ReadersTakeValuesAsTheirTablesSay) {
    const std::vector<ReaderCase> cases = {
        {nullptr, kUnset},
        {"", kUnset},
        {"Sound=0\nSeq=0\nColor=2\nPicdis=5\nTime=2500\nHeight=10\nWidth=30\n",
         numbers(false, false, 2, 5, 2500, 10, 30)},
        {"Picdis=0\nColor=7\n", kUnset},
        {"Picdis=9\nColor=0\n", kUnset},
        {"Picdis=8\nColor=3\n", numbers(true, true, 3, 8, -1, -1, -1)},
        {"Picdis=7\nColor=1\n", numbers(true, true, 1, 7, -1, -1, -1)},
        {"Sound=2\nSeq=-1\n", kUnset},
        {"Sound=yes\nSeq=\n", kUnset},
        {"sound = \"0\" \nPICDIS=$3\nTime=0x1F40\nHeight=-5\nWidth=2147483648\n",
         numbers(false, true, 4, 3, 8000, -5, -1)},
    };
    for (const ReaderCase& c : cases) {
        std::error_code ignored;
        fs::remove(path_, ignored);
        if (c.options != nullptr) put(std::string("[Options]\r\n") + c.options);
        const std::string label = c.options ? c.options : "(no file)";
        EXPECT_TRUE(readOptions(path_) == c.expected) << label;
    }
    std::error_code ignored;
    fs::remove(path_, ignored);
    readOptions(path_);
    readSoundSlots(path_);
    EXPECT_FALSE(fs::exists(path_));  // reading never creates the file
}

TEST_F(SettingsFile, SoundSlots) {
    put("[Options]\n");
    auto blank = readSoundSlots(path_);
    for (const std::string& slot : blank) EXPECT_EQ(slot, " ");

    put("[WavConfig]\nName3=null\nName1= /music/a b.mp3 \nName500=\"x\"\nName501=y\n");
    auto all = readSoundSlots(path_);
    EXPECT_EQ(all[0], "/music/a b.mp3");
    EXPECT_EQ(all[1], " ");
    EXPECT_EQ(all[2], "null");
    EXPECT_TRUE(isEmptySlot(all[2]));
    EXPECT_EQ(all[499], "x");

    writeSoundSlot(path_, 2, "/m/new.wav");
    writeSoundSlot(path_, 1, "Null");
    EXPECT_EQ(contents(),
              "[WavConfig]\nName3=null\nName1=Null\nName500=\"x\"\nName501=y\n"
              "Name2=/m/new.wav\n");
    EXPECT_THROW(writeSoundSlot(path_, 0, "x"), std::out_of_range);
    EXPECT_THROW(writeSoundSlot(path_, 501, "x"), std::out_of_range);
}

TEST_F(SettingsFile, RefusedWritesLeaveTheFileAsItWas) {
    const std::string message = "Unable to write to " + path_;
    put("[Options]\r\nSound=1\r\n; mine\r\n");

    // A value that would break its line.
    expectRefused([&] { writeSoundSlot(path_, 1, "a\nName2=b"); }, message);
    expectRefused([&] { writeSoundSlot(path_, 1, "a\rb"); }, message);

    // Read-only for its owner, even though root could write it.
    ::chmod(path_.c_str(), 0444);
    expectRefused([&] { markSaverStart(path_); }, message);
    expectRefused([&] { writeOptions(path_, numbers(false, true, 4, 4, 8000, 25, 25)); }, message);
    ::chmod(path_.c_str(), 0644);

    // Too large to be a settings file (sparse, so it costs nothing).
    ASSERT_EQ(::truncate(path_.c_str(), profile::kMaxFileSize + 1), 0);
    expectRefused([&] { markSaverStart(path_); }, message);
    EXPECT_TRUE(readOptions(path_) == kUnset);

    // Just within the limit, but a write would take it past: the reader would refuse the
    // result, so the writer refuses to make it.
    const std::string nearlyFull =
        "[Options]\nSound=1\n;" + std::string(profile::kMaxFileSize - 20, 'x') + "\n";
    put(nearlyFull);
    ASSERT_TRUE(profile::readFile(path_).has_value());
    expectRefused([&] { writeSoundSlot(path_, 1, std::string(40, 'a')); }, message);
    EXPECT_EQ(profile::readFile(path_), nearlyFull);
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_EQ(entry.path().string(), path_) << "left behind";
}

TEST_F(SettingsFile, RefusedWhereNoFileCanBeWritten) {
    const std::string missing = settingsPath(dir_ + "/no-such-folder");
    expectRefused([&] { writeSaverFirstRun(missing); }, "Unable to write to " + missing);
    EXPECT_FALSE(fs::exists(dir_ + "/no-such-folder"));

    fs::create_directory(path_);  // a folder in the file's place
    expectRefused([&] { markSaverStart(path_); }, "Unable to write to " + path_);
    EXPECT_FALSE(exists(path_));
    EXPECT_EQ(readSoundSlots(path_)[0], " ");
}

TEST_F(SettingsFile, RewriteKeepsPermissionsAndLinks) {
    put("[Options]\n");
    ::chmod(path_.c_str(), 0640);
    markSaverStart(path_);
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    const std::string link = dir_ + "/link.ini";
    fs::create_symlink(path_, link);
    writeSoundSlot(link, 1, "/a.mp3");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readSoundSlots(path_)[0], "/a.mp3");
}

TEST_F(SettingsFile, FifoInTheFilesPlaceReadsAsMissing) {
    ASSERT_EQ(::mkfifo(path_.c_str(), 0644), 0);
    EXPECT_FALSE(exists(path_));
    EXPECT_EQ(profile::readFile(path_), std::nullopt);
    EXPECT_TRUE(readOptions(path_) == kUnset);
    expectRefused([&] { markSaverStart(path_); }, "Unable to write to " + path_);
}

// Writers killed between making their temporary file and renaming it leave it behind: those
// of processes that are gone are removed, nothing else.
TEST_F(SettingsFile, OrphanedTemporaryFilesOfDeadWritersAreRemoved) {
    put("[Options]\n");
    int pidMax = 0;
    std::ifstream("/proc/sys/kernel/pid_max") >> pidMax;  // no process has this id
    const std::string dead = ".fellridge28.ini." + std::to_string(pidMax) + ".3.123.tmp";
    const std::string alive = ".fellridge28.ini.1.3.123.tmp";  // init runs
    const std::vector<std::string> kept = {
        alive,
        ".fellridge28.ini." + std::to_string(pidMax) + ".3.tmp",
        ".fellridge28.ini.x.3.123.tmp",
        "fellridge28.ini.1.3.123.tmp",
        "notes.tmp",
        ".other.ini." + std::to_string(pidMax) + ".3.123.tmp"};  // another file's
    for (const std::string& name : kept) std::ofstream(dir_ + "/" + name) << name;
    std::ofstream(dir_ + "/" + dead) << "orphan";
    platform::files::removeOrphanedTemporaries(path_);
    EXPECT_FALSE(fs::exists(dir_ + "/" + dead));
    for (const std::string& name : kept) EXPECT_TRUE(fs::exists(dir_ + "/" + name)) << name;
    EXPECT_TRUE(fs::exists(path_));
}

// Two writers updating one file at once, from a missing file on: each keeps the other's keys.
TEST_F(SettingsFile, ConcurrentWritersLoseNoUpdate) {
    constexpr int kWrites = 60;
    std::vector<pid_t> writers;
    for (const char* section : {"Saver", "Dialog"}) {
        const pid_t child = ::fork();
        if (child == 0) {
            for (int i = 0; i < kWrites; ++i)
                profile::writeEntries(path_, {{section, "Key" + std::to_string(i), "1"}});
            ::_exit(0);
        }
        writers.push_back(child);
    }
    for (pid_t child : writers) {
        int status = -1;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::string content = contents();
    int lost = 0;
    for (const char* section : {"Saver", "Dialog"})
        for (int i = 0; i < kWrites; ++i)
            lost += profile::lookup(content, section, "Key" + std::to_string(i)) ? 0 : 1;
    EXPECT_EQ(lost, 0);
}

TEST(SettingsPath, DirectoryAndFileName) {
    fellridge::testing::FakeEnvironment failed, given, empty;
    given.folder = "/home/u/w/";
    empty.folder = "";
    EXPECT_THROW(
        {
            try {
                saverFolder(failed);
            } catch (const fellridge::Failure& failure) {
                EXPECT_STREQ(failure.what(), kNoFolderMessage);
                throw;
            }
        },
        fellridge::Failure);
    EXPECT_EQ(saverFolder(given), "/home/u/w/");
    EXPECT_EQ(saverFolder(empty), "");
    EXPECT_EQ(settingsPath("/home/u/w/"), "/home/u/w/fellridge28.ini");
    EXPECT_EQ(settingsPath("/w"), "/w/fellridge28.ini");
}

TEST(SettingsHelpers, EmptySlotIsNullInAnyCase) {
    for (const char* empty : {"Null", "null", "NULL", "nULl"}) EXPECT_TRUE(isEmptySlot(empty));
    for (const char* full : {" ", "", " Null", "Null ", "Nul", "/x/null"}) {
        EXPECT_FALSE(isEmptySlot(full)) << full;
    }
}

}  // namespace
}  // namespace fellridge::settings
