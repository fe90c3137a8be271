// The SDL2_mixer player, played through SDL's disk audio driver: what it writes is what a
// listener would hear, in real time, as raw samples in the format the device was opened with.
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#ifdef FELLRIDGE_HAVE_SNDFILE
#include <sndfile.h>
#endif

#include "platform/services.h"
#include "platform/sound/sdl_player.h"

namespace fellridge::platform {
namespace {

namespace fs = std::filesystem;

// The stretch of the recording that is not silence, in seconds.
struct Heard {
    double start = 0;
    double length = 0;
    double peak = 0;  // 0 .. 1 of full scale
};

// A short tune as a Standard MIDI File: one drawbar-organ C held for 960 ticks at 120 beats a
// minute (one second), so the sound holds its level until the note ends.
std::string oneSecondMidi() {
    static const unsigned char track[] = {
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // tempo: 500000 us a quarter note
        0x00, 0xC0, 0x10,                          // program: drawbar organ
        0x00, 0x90, 0x3C, 0x64,                    // note on, middle C
        0x87, 0x40, 0x80, 0x3C, 0x40,              // 960 ticks later, note off
        0x00, 0xFF, 0x2F, 0x00,                    // end of track
    };
    static const unsigned char header[] = {'M', 'T', 'h', 'd', 0,    0,           0,   6,
                                           0,   0,   0,   1,   0x01, 0xE0,        'M', 'T',
                                           'r', 'k', 0,   0,   0,    sizeof track};
    return std::string(std::begin(header), std::end(header)) +
           std::string(std::begin(track), std::end(track));
}

class SdlPlayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "fellridge-player-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        recording_ = (dir_ / "heard.raw").string();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", recording_.c_str(), 1);
        player_ = std::make_unique<SdlPlayer>();
        player_->setNotify([this] {
            ++notices_;
            noticeOnMainThread_ = QThread::currentThread() == qApp->thread();
        });
    }
    void TearDown() override {
        player_.reset();
        fs::remove_all(dir_);
    }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    void writeFile(const std::string& name, const std::string& bytes) {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }

    // Writes the one-second tune under this name and opens it, playing it when asked.
    void openTune(const std::string& name, bool play) {
        writeFile(name, oneSecondMidi());
        player_->setFileName(path(name));
        player_->open();
        if (play) player_->play();
    }

    // Lets queued notices through, without waiting for any.
    static void deliverQueued() {
        for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    }

    // Lets the message loop run until the end-of-playback notice has arrived. The limit only
    // keeps a broken player from hanging the test.
    bool waitForNotice(int limitMs = 15000) {
        QElapsedTimer waited;
        waited.start();
        while (notices_ == 0 && waited.elapsed() < limitMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
        return notices_ > 0;
    }

    // Plays the file to its end and reports what the disk driver recorded.
    Heard playToEnd(const std::string& file) {
        player_->setFileName(file);
        player_->setDeviceTypeAutomatic();
        player_->open();
        EXPECT_TRUE(Mix_QuerySpec(&frequency_, &format_, &channels_));
        player_->play();
        EXPECT_EQ(player_->mode(), PlayerMode::Playing);
        EXPECT_TRUE(waitForNotice()) << "no end-of-playback notice";
        EXPECT_TRUE(noticeOnMainThread_);
        EXPECT_EQ(player_->mode(), PlayerMode::Stopped);
        player_.reset();  // closes the device, so the recording is complete
        return listen();
    }

    Heard listen() const {
        std::ifstream in(recording_, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
        std::vector<double> samples;
        if (format_ == AUDIO_S16SYS) {
            for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
                std::int16_t s;
                std::memcpy(&s, &bytes[i], 2);
                samples.push_back(s / 32768.0);
            }
        } else if (format_ == AUDIO_F32SYS) {
            for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
                float s;
                std::memcpy(&s, &bytes[i], 4);
                samples.push_back(s);
            }
        } else {
            ADD_FAILURE() << "unexpected device format " << format_;
        }
        constexpr double kThreshold = 0.01;
        std::size_t first = samples.size(), last = 0;
        Heard heard;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const double level = std::fabs(samples[i]);
            heard.peak = std::max(heard.peak, level);
            if (level > kThreshold) {
                first = std::min(first, i);
                last = i;
            }
        }
        const double perSecond = static_cast<double>(frequency_) * channels_;
        if (first <= last) {
            heard.start = first / perSecond;
            heard.length = (last - first + 1) / perSecond;
        }
        return heard;
    }

    fs::path dir_;
    std::string recording_;
    std::unique_ptr<SdlPlayer> player_;
    int notices_ = 0;
    bool noticeOnMainThread_ = false;
    int frequency_ = 0;
    Uint16 format_ = 0;
    int channels_ = 0;
};

TEST_F(SdlPlayerTest, WavPlaysOnceToItsEnd) {
#ifndef FELLRIDGE_SOX
    GTEST_SKIP() << "sox is needed to make the WAV file";
#else
    const std::string wav = path("tone.wav");
    const std::string command =
        std::string(FELLRIDGE_SOX) + " -n -r 44100 -c 1 '" + wav + "' synth 0.5 sine 440 vol 0.5";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const Heard heard = playToEnd(wav);
    EXPECT_GT(heard.peak, 0.3);
    EXPECT_NEAR(heard.length, 0.5, 0.05);
    EXPECT_EQ(notices_, 1);
#endif
}

TEST_F(SdlPlayerTest, Mp3PlaysOnceToItsEnd) {
#ifndef FELLRIDGE_HAVE_SNDFILE
    GTEST_SKIP() << "libsndfile is needed to encode the MP3 file";
#else
    const std::string mp3 = path("tone.mp3");
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SNDFILE* file = sf_open(mp3.c_str(), SFM_WRITE, &info);
    if (!file) GTEST_SKIP() << "this libsndfile cannot encode MP3: " << sf_strerror(nullptr);
    std::vector<short> tone(22050);
    for (std::size_t i = 0; i < tone.size(); ++i) {
        tone[i] = static_cast<short>(16000 * std::sin(2 * M_PI * 440 * i / 44100.0));
    }
    sf_write_short(file, tone.data(), static_cast<sf_count_t>(tone.size()));
    sf_close(file);

    const Heard heard = playToEnd(mp3);
    EXPECT_GT(heard.peak, 0.3);
    EXPECT_NEAR(heard.length, 0.5, 0.08);  // the encoder pads a frame or so
#endif
}

TEST_F(SdlPlayerTest, MidiPlaysThroughTheGeneralMidiSoundfont) {
    writeFile("tune.mid", oneSecondMidi());
    const Heard heard = playToEnd(path("tune.mid"));
    EXPECT_GT(heard.peak, 0.02) << "the synthesiser produced silence: no soundfont?";
    EXPECT_GT(heard.length, 0.9);
    EXPECT_LT(heard.length, 2.0);
}

TEST_F(SdlPlayerTest, NothingOpenRefusesPlayAndStop) {
    EXPECT_EQ(player_->mode(), PlayerMode::NotReady);
    for (auto request : {&SdlPlayer::play, &SdlPlayer::stop}) {
        try {
            (player_.get()->*request)();
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            EXPECT_STREQ(failure.what(), "No MCI device open");
        }
    }
    EXPECT_NO_THROW(player_->release());
    EXPECT_FALSE(player_->audioOpen());
}

TEST_F(SdlPlayerTest, FilesItCannotTakeFailToOpen) {
    writeFile("words.mp3", "These are words, not sound.\n");
    writeFile("words.wav", "These are words, not sound.\n");
    fs::create_directory(dir_ / "folder.wav");
    for (const std::string name : {"words.mp3", "words.wav", "missing.wav", "folder.wav", ""}) {
        SCOPED_TRACE(name);
        player_->setFileName(name.empty() ? name : path(name));
        try {
            player_->open();
            ADD_FAILURE() << "opened";
        } catch (const Failure& failure) {
            EXPECT_STRNE(failure.what(), "");
        }
        EXPECT_EQ(player_->mode(), PlayerMode::NotReady);
        EXPECT_THROW(player_->play(), Failure);
    }
}

TEST_F(SdlPlayerTest, NoAudioDeviceIsAnOpenFailure) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    writeFile("tune.mid", oneSecondMidi());
    player_->setFileName(path("tune.mid"));
    EXPECT_THROW(player_->open(), Failure);
    EXPECT_EQ(player_->mode(), PlayerMode::NotReady);
}

// Stop keeps the file open; the notice that the halt produces belongs to that file and arrives
// through the message loop, never inside the stop itself.
TEST_F(SdlPlayerTest, StopKeepsTheFileOpenAndNotifiesLater) {
    openTune("tune.mid", true);
    player_->stop();
    EXPECT_EQ(notices_, 0);
    EXPECT_EQ(player_->mode(), PlayerMode::Stopped);
    EXPECT_FALSE(player_->audioOpen()) << "nothing to mix until the next play";
    EXPECT_TRUE(waitForNotice());
    EXPECT_TRUE(noticeOnMainThread_);

    // Stopped, it plays again from the start.
    player_->play();
    EXPECT_EQ(player_->mode(), PlayerMode::Playing);
    EXPECT_TRUE(player_->audioOpen());
}

// A notice still queued for the previous file must not reach the handler once the next file is
// open, or it would stop the next sound as soon as it starts.
TEST_F(SdlPlayerTest, LateNoticeOfThePreviousFileIsDropped) {
    player_->setNotify([this] {
        ++notices_;
        player_->stop();
    });
    openTune("first.mid", true);
    player_->stop();  // queues the first file's notice
    openTune("second.mid", true);
    deliverQueued();
    EXPECT_EQ(notices_, 0);
    EXPECT_EQ(player_->mode(), PlayerMode::Playing);
}

TEST_F(SdlPlayerTest, ReleaseClosesAndDropsTheNotice) {
    openTune("tune.mid", true);
    player_->stop();
    player_->release();
    EXPECT_EQ(player_->mode(), PlayerMode::NotReady);
    EXPECT_THROW(player_->stop(), Failure);
    deliverQueued();
    EXPECT_EQ(notices_, 0);
}

// SIGTERM, SIGINT and SIGHUP end the saver through its own stop routine, or by default end the
// process; bringing SDL's audio up must not turn them into SDL events that nobody reads.
TEST_F(SdlPlayerTest, LeavesTheSignalsToTheProgram) {
    const int caught[] = {SIGTERM, SIGINT, SIGHUP};
    struct sigaction saved[3];
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    for (int i = 0; i < 3; ++i) ASSERT_EQ(sigaction(caught[i], &byDefault, &saved[i]), 0);

    openTune("tune.mid", false);
    for (int i = 0; i < 3; ++i) {
        struct sigaction now {};
        sigaction(caught[i], nullptr, &now);
        EXPECT_EQ(now.sa_handler, SIG_DFL) << "signal " << caught[i];
    }
    player_.reset();
    for (int i = 0; i < 3; ++i) sigaction(caught[i], &saved[i], nullptr);
}

// The saver window owns the player and is destroyed at exit, possibly mid-sound.
TEST_F(SdlPlayerTest, DestroyedWhilePlaying) {
    openTune("tune.mid", true);
    QThread::msleep(100);
    player_.reset();
    deliverQueued();
    EXPECT_EQ(notices_, 0);
}

// Bytes this process has read so far (rchar of /proc/self/io).
long long bytesRead() {
    std::ifstream io("/proc/self/io");
    std::string name;
    long long value = 0;
    while (io >> name >> value)
        if (name == "rchar:") return value;
    return -1;
}

// A 1 ms sound padded to 2 MB: what the restart at every tick costs is the file's size.
std::string paddedWav(std::uint32_t padding) {
    auto le = [](std::uint32_t v, int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xff);
        return s;
    };
    const std::string fmt = "fmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(8000, 4) + le(16000, 4) +
                            le(2, 2) + le(16, 2);
    const std::string data = "data" + le(16, 4) + std::string(16, '\x10');
    const std::string junk = "junk" + le(padding, 4) + std::string(padding, '\0');
    const std::string body = "WAVE" + fmt + data + junk;
    return "RIFF" + le(static_cast<std::uint32_t>(body.size()), 4) + body;
}

TEST_F(SdlPlayerTest, AnUnchangedFileIsNotReadAgainAtEachRestart) {
    constexpr std::uint32_t kPadding = 2u << 20;
    writeFile("short.wav", paddedWav(kPadding));
    player_->setFileName(path("short.wav"));
    struct Step {
        const char* what;
        std::function<void()> change;
        bool readsAgain;
    };
    const Step steps[] = {
        {"first open", [] {}, true},
        {"unchanged", [] {}, false},
        {"rewritten", [&] { writeFile("short.wav", paddedWav(kPadding + 2)); }, true},
        {"unchanged again", [] {}, false},
    };
    for (const Step& step : steps) {
        step.change();
        const long long before = bytesRead();
        player_->open();
        player_->play();
        EXPECT_EQ(bytesRead() - before >= kPadding, step.readsAgain) << step.what;
    }
}

}  // namespace
}  // namespace fellridge::platform
