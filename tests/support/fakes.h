// Stand-ins for the platform services and a temporary folder, shared by the saver, dialog, sound
// and picture tests. Each fake records what the code under test asked of it.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/services.h"
#include "platform/sound/sound_player.h"

namespace fellridge::testing {

// What the fakes report, in order, where a test cares about the order of calls.
using Log = std::vector<std::string>;

// A fresh folder under the system's temporary folder, removed with everything in it (read-only
// files and folders included) when the test ends.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string operator/(const std::string& name) const { return file(name); }

  private:
    std::string path_;
};

struct FakeEnvironment : platform::Environment {
    std::optional<std::string> windows;
    std::string system = "/opt/fellridge/system";
    int platform = 2;
    std::optional<std::string> windowsDirectory() override { return windows; }
    std::string systemDirectory() override { return system; }
    int platformId() override { return platform; }
};

struct FakeScreen : platform::Screen {
    int w = 1024, h = 768, bits = 24;
    int width() override { return w; }
    int height() override { return h; }
    int depth() override { return bits; }
};

struct ShownBox {
    platform::BoxKind kind;
    std::string text;
    platform::BoxButtons buttons;
};

struct FakeBoxes : platform::MessageBoxes {
    std::vector<ShownBox> shown;
    std::deque<platform::BoxAnswer> answers;  // then Ok once these run out
    std::function<void()> whileShown;         // runs while the modal box is open
    Log* log = nullptr;                       // gets "box:<text>" for each box
    platform::BoxAnswer show(platform::BoxKind kind, const std::string& text,
                             platform::BoxButtons buttons) override;
};

struct FakeClock : platform::Clock {
    platform::TimeOfDay now{12, 0, 0, 0};
    int reads = 0;
    std::vector<int> sleeps;
    platform::TimeOfDay utcNow() override {
        ++reads;
        return now;
    }
    void sleep(int ms) override { sleeps.push_back(ms); }
};

// Records every request as a word; a request named in failOn throws the way the real player
// does.
struct FakePlayer : platform::SoundPlayer {
    std::vector<std::string> calls;
    std::string fileName;
    platform::PlayerMode currentMode = platform::PlayerMode::NotReady;
    std::string failOn;
    int modeQueries = 0;

    void setFileName(const std::string& path) override;
    void setDeviceTypeAutomatic() override { record("automatic"); }
    void open() override;
    void play() override;
    void stop() override;
    platform::PlayerMode mode() override {
        ++modeQueries;
        return currentMode;
    }
    void release() override;
    void setNotify(std::function<void()>) override {}

    int count(const std::string& call) const;

  private:
    void record(const std::string& call);
};

}  // namespace fellridge::testing
