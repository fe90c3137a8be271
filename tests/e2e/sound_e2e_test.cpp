// Background sound in a real saver run, with SDL's disk audio driver writing what is played to
// a file: the listed sound plays at the start and again after it has ended; a sound list that
// names a missing file keeps the run silent.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "process.h"
#include "x11_session.h"

namespace fellridge::test {
namespace {

using namespace std::chrono_literals;

// Stretches of sound in raw output: runs of non-zero bytes separated by at least `gap` zero
// bytes (silence is all zero bytes in the mixer's signed and float formats).
int bursts(const std::string& raw, std::size_t gap) {
    int count = 0;
    std::size_t zeros = gap;
    for (const char byte : raw) {
        if (byte == 0) {
            ++zeros;
            continue;
        }
        if (zeros >= gap) ++count;
        zeros = 0;
    }
    return count;
}

// SDL's disk driver opens its file afresh, truncating it, whenever the audio device opens, and
// the player closes the device while nothing plays: a FIFO drained here keeps every opening's
// output.
class Drain {
  public:
    explicit Drain(std::string path) : path_(std::move(path)) {
        ::mkfifo(path_.c_str(), 0600);
        thread_ = std::thread([this] {
            while (!stop_) {
                const int fd = ::open(path_.c_str(), O_RDONLY);
                if (fd < 0) break;
                char buffer[65536];
                for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
                    data_.append(buffer, static_cast<std::size_t>(n));
                ::close(fd);
            }
            done_ = true;
        });
    }
    std::string finish() {
        stop_ = true;
        // A reader waiting in open for the next writer is woken by a writer of our own.
        while (!done_) {
            const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
            std::this_thread::sleep_for(10ms);
        }
        thread_.join();
        return data_;
    }

  private:
    std::string path_;
    std::string data_;
    std::atomic<bool> stop_{false}, done_{false};
    std::thread thread_;
};

std::string settings(const std::string& name1) {
    std::string ini = "[Options]\nSound=1\nSeq=1\nColor=4\nPicdis=1\nTime=1000\n[WavConfig]\n";
    ini += "Name1=" + name1 + "\n";
    for (int i = 2; i <= 500; ++i) ini += "Name" + std::to_string(i) + "=Null\n";
    return ini;
}

class SoundE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(xvfb.ok());
        writeSolidStoredPictures(root.path(), 64, 48, {"#336699"});
        const Output made = run({"sox", "-n", "-r", "22050", "-c", "1", root.file("tone.wav"),
                                 "synth", "0.4", "sine", "440"});
        ASSERT_EQ(made.status, 0) << "sox is needed to make the test sound";
    }

    std::string playFor(std::chrono::milliseconds duration) {
        Drain drain(root.file("out.raw"));
        Child saver({program(), "/S"}, {{"DISPLAY", xvfb.display()},
                                        {"QT_QPA_PLATFORM", "xcb"},
                                        {"FELLRIDGE_WINDOWS_DIR", root.path()},
                                        {"SDL_AUDIODRIVER", "disk"},
                                        {"SDL_DISKAUDIOFILE", root.file("out.raw")}});
        EXPECT_NE(waitForSaverWindow(xvfb.display(), saver), 0u);
        std::this_thread::sleep_for(duration);
        xdotool(xvfb.display(), {"key", "a"});
        EXPECT_EQ(saver.wait(10s), 0);
        return drain.finish();
    }

    Xvfb xvfb{640, 480};
    TempDir root;
};

TEST_F(SoundE2e, TheFirstSoundPlaysAtTheStartAndAgainAfterItHasEnded) {
    writeFile(root.file("fellridge28.ini"), settings(root.file("tone.wav")));
    // 0.4 s of sound, then a tick each second restarts it once it has ended.
    const std::string raw = playFor(4000ms);
    EXPECT_GE(bursts(raw, 4000), 2) << raw.size() << " bytes written";
}

TEST_F(SoundE2e, AMissingFileInTheListKeepsTheRunSilent) {
    writeFile(root.file("fellridge28.ini"), settings(root.file("gone.wav")));
    const std::string raw = playFor(2000ms);
    EXPECT_EQ(bursts(raw, 1), 0);
}

}  // namespace
}  // namespace fellridge::test
