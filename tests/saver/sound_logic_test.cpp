// The saver's sound logic against a scripted player and a fixed clock.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/services.h"
#include "saver/random.h"
#include "saver/saver_state.h"
#include "saver/sound.h"
#include "support/fakes.h"

namespace fellridge::saver {
namespace {

namespace fs = std::filesystem;
using platform::PlayerMode;

using testing::FakeClock;
using testing::FakePlayer;
using testing::TempDir;

class SoundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        state.settingsPath = dir_ / "fellridge28.ini";
        sound.enable(true);
        clock.now = {};
    }

    // A sound file of that name in the test's folder (content is irrelevant to the logic).
    std::string soundFile(const std::string& name) {
        const std::string path = dir_ / name;
        std::ofstream(path) << "RIFF";
        return path;
    }
    // The WavConfig section with the given values for Name1, Name2, ...; keys beyond are absent.
    void writeSlots(const std::vector<std::string>& values) {
        std::ofstream out(state.settingsPath);
        out << "[Options]\r\nSound=1\r\n[WavConfig]\r\n";
        for (std::size_t i = 0; i < values.size(); ++i) {
            out << "Name" << i + 1 << "=" << values[i] << "\r\n";
        }
    }
    std::vector<std::string> nulls(std::size_t n) { return std::vector<std::string>(n, "Null"); }
    // Sound files of these names, the settings file's list in that order, read by the sound.
    std::vector<std::string> listSounds(const std::vector<std::string>& names) {
        std::vector<std::string> paths;
        for (const std::string& name : names) paths.push_back(soundFile(name));
        std::vector<std::string> values = paths;
        values.resize(500, "Null");
        writeSlots(values);
        sound.readSoundList();
        return paths;
    }

    TempDir dir_;
    SaverState state;
    FakePlayer player;
    FakeClock clock;
    RandomDraw random{clock};
    Sound sound{state, player, random};
};

TEST_F(SoundTest, ListSkipsFreeSlotsInAnyCaseAndKeepsKeyOrder) {
    const std::string a = soundFile("a.wav"), b = soundFile("b.mid"), c = soundFile("c.mp3");
    auto values = nulls(500);
    values[1] = b;
    values[2] = "null";
    values[3] = a;
    values[9] = "NULL";
    values[499] = c;
    writeSlots(values);

    sound.readSoundList();

    EXPECT_EQ(sound.state().list, (std::vector<std::string>{b, a, c}));
    EXPECT_TRUE(sound.state().on);
}

TEST_F(SoundTest, ListOfOnlyFreeSlotsLeavesTheFlagAsItWas) {
    writeSlots(nulls(500));
    for (bool on : {true, false}) {
        sound.enable(on);
        sound.readSoundList();
        EXPECT_TRUE(sound.state().list.empty());
        EXPECT_EQ(sound.state().on, on);
    }
}

// Any entry that is neither free nor an existing file silences the whole run.
TEST_F(SoundTest, ListWithAnUnusableEntryTurnsSoundOff) {
    std::vector<std::string> files;
    for (int i = 1; i <= 6; ++i) files.push_back(soundFile("s" + std::to_string(i) + ".wav"));
    fs::create_directory(dir_ / "folder.wav");

    struct Case {
        const char* name;
        std::vector<std::string> values;
    };
    auto withSeventh = [&](const std::string& seventh) {
        auto values = nulls(500);
        for (std::size_t i = 0; i < 6; ++i) values[i] = files[i];
        values[6] = seventh;
        return values;
    };
    const std::vector<Case> cases = {
        {"no Name4 key", {files[0], files[1], files[2]}},
        {"deleted file in Name7", withSeventh(dir_ / "gone.wav")},
        {"directory", withSeventh(dir_ / "folder.wav")},
        {"empty value", withSeventh("")},
        {"blank value", withSeventh(" ")},
        {"relative name", withSeventh("s1.wav")},
        {"no settings file at all", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        listSounds({"left over.wav"});
        sound.enable(true);
        if (c.values.empty()) {
            fs::remove(state.settingsPath);
        } else {
            writeSlots(c.values);
        }
        sound.readSoundList();
        EXPECT_TRUE(sound.state().list.empty());
        EXPECT_FALSE(sound.state().on);
    }
}

TEST_F(SoundTest, ListHoldsAll500AndEachCanBeChosen) {
    std::vector<std::string> values;
    for (int i = 1; i <= 500; ++i) values.push_back(soundFile(std::to_string(i) + ".wav"));
    writeSlots(values);

    sound.readSoundList();
    ASSERT_EQ(sound.state().list, values);

    std::set<std::string> chosen;
    for (int ms = 0; ms < 200000 && chosen.size() < values.size(); ++ms) {
        clock.now = {ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000};
        sound.chooseNext();
        chosen.insert(sound.state().current);
    }
    EXPECT_EQ(chosen.size(), values.size());
}

TEST_F(SoundTest, StartAsksTheFourStepsWithTheCurrentSound) {
    const std::string first = listSounds({"first.wav", "second.mid"})[0];
    sound.startFirst();
    EXPECT_EQ(player.calls, (std::vector<std::string>{"setFileName", "automatic", "open", "play"}));
    EXPECT_EQ(player.fileName, first);
    EXPECT_TRUE(sound.state().on);
}

// A failing step ends the start there and silences the rest of the run: no later tick even asks
// the player for its mode.
TEST_F(SoundTest, AnyFailingStepTurnsSoundOffForGood) {
    for (const char* step : {"setFileName", "automatic", "open", "play"}) {
        SCOPED_TRACE(step);
        FakePlayer failing;
        failing.failOn = step;
        failing.currentMode = PlayerMode::Stopped;
        Sound s{state, failing, random};
        s.enable(true);

        s.startSound();
        EXPECT_FALSE(s.state().on);
        EXPECT_EQ(failing.calls.back(), step);

        failing.failOn.clear();
        failing.calls.clear();
        for (int tick = 0; tick < 3; ++tick) s.restartIfStopped();
        EXPECT_EQ(failing.modeQueries, 0);
        EXPECT_TRUE(failing.calls.empty());
    }
}

TEST_F(SoundTest, FailedRestartTurnsSoundOffForGood) {
    player.currentMode = PlayerMode::Stopped;
    player.failOn = "open";

    sound.restartIfStopped();
    EXPECT_FALSE(sound.state().on);

    player.failOn.clear();
    sound.restartIfStopped();
    EXPECT_EQ(player.modeQueries, 1);
    EXPECT_EQ(player.count("open"), 1);
}

TEST_F(SoundTest, RestartOnlyWhenStoppedWithOneQueryPerTick) {
    const std::string next = listSounds({"next.mid"})[0];
    struct Case {
        PlayerMode mode;
        bool starts;
    };
    for (const Case c : {Case{PlayerMode::Playing, false}, Case{PlayerMode::NotReady, false},
                         Case{PlayerMode::Stopped, true}}) {
        FakePlayer p;
        p.currentMode = c.mode;
        Sound s{state, p, random};
        s.enable(true);
        s.readSoundList();
        s.chooseNext();
        s.restartIfStopped();
        EXPECT_EQ(p.modeQueries, 1);
        EXPECT_EQ(p.count("open") == 1 && p.count("play") == 1, c.starts);
        if (c.starts) {
            EXPECT_EQ(p.fileName, next);
        }
    }

    sound.enable(false);
    player.currentMode = PlayerMode::Stopped;
    sound.restartIfStopped();
    EXPECT_EQ(player.modeQueries, 0);
    EXPECT_TRUE(player.calls.empty());
}

TEST_F(SoundTest, ChooseNextDrawsFromTheClockAndLeavesThePlayerAlone) {
    const auto list = listSounds({"1.wav", "2.wav", "3.wav", "4.wav", "5.wav"});
    // Seed from the clock, one step of the generator, the upper half of 5 * seed, worked out
    // by hand: 01:02:03.004 seeds 3723004, which steps to 2746612461, and 5 * that >> 32 is 3.
    const struct {
        platform::TimeOfDay reading;
        std::size_t drawn;
    } cases[] = {
        {{0, 0, 0, 0}, 0},      {{1, 2, 3, 4}, 3},     {{12, 59, 59, 999}, 0},
        {{23, 59, 59, 999}, 3}, {{7, 30, 15, 500}, 3},
    };
    for (const auto& c : cases) {
        clock.now = c.reading;
        sound.chooseNext();
        EXPECT_EQ(sound.state().current, list[c.drawn]) << c.reading.millisecond;
    }
    EXPECT_EQ(clock.reads, 5);
    EXPECT_TRUE(player.calls.empty());
    EXPECT_EQ(player.modeQueries, 0);
}

TEST_F(SoundTest, ChooseNextDoesNothingWhenOffOrWithoutList) {
    listSounds({"1.wav", "2.wav"});
    sound.enable(false);
    sound.chooseNext();
    sound.enable(true);
    listSounds({});
    sound.chooseNext();
    EXPECT_EQ(sound.state().current, "");
    EXPECT_EQ(clock.reads, 0);
}

// The picture draw and the sound draw of one picture load reseed from the same millisecond, so
// with seven sounds the sound's number equals the picture's.
TEST_F(SoundTest, SameMillisecondGivesPictureAndSoundTheSameNumber) {
    const auto list = listSounds({"1.wav", "2.wav", "3.wav", "4.wav", "5.wav", "6.wav", "7.wav"});
    for (int ms = 0; ms < 1000; ms += 37) {
        clock.now = {9, 41, 7, ms};
        random.reseed();
        const std::uint32_t picture = random.draw(7) + 1;
        sound.chooseNext();
        EXPECT_EQ(sound.state().current, list[picture - 1]);
    }
}

TEST_F(SoundTest, NotifyStopsAndSwallowsAFailure) {
    sound.onPlaybackEnded();
    EXPECT_EQ(player.calls, std::vector<std::string>{"stop"});

    player.failOn = "stop";
    EXPECT_NO_THROW(sound.onPlaybackEnded());
    EXPECT_TRUE(sound.state().on);
}

TEST_F(SoundTest, StopAtExitOnlyWhilePlayingWhateverTheFlag) {
    struct Case {
        PlayerMode mode;
        bool soundOn;
        bool stops;
    };
    for (const Case c :
         {Case{PlayerMode::Playing, true, true}, Case{PlayerMode::Playing, false, true},
          Case{PlayerMode::Stopped, true, false}, Case{PlayerMode::NotReady, true, false}}) {
        FakePlayer p;
        p.currentMode = c.mode;
        Sound s{state, p, random};
        s.enable(c.soundOn);
        s.stopAtExit();
        EXPECT_EQ(p.count("stop"), c.stops ? 1 : 0);
    }

    // A player that refuses the stop must not break the rest of the stop routine.
    player.currentMode = PlayerMode::Playing;
    player.failOn = "stop";
    EXPECT_NO_THROW(sound.stopAtExit());
}

// A run: the first sound plays through several ticks, ends, and the sound chosen at the latest
// picture load starts on the next tick.
TEST_F(SoundTest, SoundPlaysThroughTicksAndTheChosenOneFollows) {
    const auto list = listSounds({"1.wav", "2.wav", "3.wav"});
    sound.startFirst();
    ASSERT_EQ(player.mode(), PlayerMode::Playing);

    clock.now = {3, 4, 5, 678};
    for (int tick = 0; tick < 4; ++tick) {
        sound.restartIfStopped();
        sound.chooseNext();
    }
    EXPECT_EQ(player.count("open"), 1);
    EXPECT_EQ(player.count("stop"), 0);

    sound.onPlaybackEnded();  // the end of the first sound
    sound.restartIfStopped();
    EXPECT_EQ(player.count("open"), 2);
    EXPECT_EQ(player.fileName, list[2]);  // 03:04:05.678 draws 2 of 3
    EXPECT_EQ(player.mode(), PlayerMode::Playing);
}

}  // namespace
}  // namespace fellridge::saver
