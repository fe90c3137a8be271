// Stand-ins for the platform services and a temporary folder, shared by the saver, dialog, sound
// and picture tests. Each fake records what the code under test asked of it.
#pragma once

#include <cstdint>
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
    std::optional<std::string> folder;
    std::string system = "/opt/fellridge/system";
    bool endsAtOnce = true;
    std::optional<std::string> saverFolder() override { return folder; }
    std::string systemDirectory() override { return system; }
    bool inputEndsAtOnce() override { return endsAtOnce; }
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

struct FakeRegistry : platform::Registry {
    bool key = true;
    std::optional<Value> usePassword;
    int reads = 0;
    bool keyExists(const std::string& k) override {
        ++reads;
        return key && k == "Control Panel\\desktop";
    }
    std::optional<Value> value(const std::string& k, const std::string& name) override {
        ++reads;
        if (!key || k != "Control Panel\\desktop" || name != "ScreenSaveUsePassword") return {};
        return usePassword;
    }
};

struct FakeLibraries : platform::Libraries {
    Log& log;
    bool loadable = true;
    void* entry = nullptr;
    std::vector<std::string> loaded;
    int unloads = 0;
    int tag = 0;  // what the handle points at
    explicit FakeLibraries(Log& l) : log(l) {}
    Handle load(const std::string& path) override {
        loaded.push_back(path);
        if (!loadable) return nullptr;
        log.push_back("load");
        return &tag;
    }
    void* symbol(Handle, const char* name) override {
        return std::string(name) == "VerifyScreenSavePwd" ? entry : nullptr;
    }
    void unload(Handle) override {
        ++unloads;
        log.push_back("unload");
    }
};

struct FakePump : platform::EventPump {
    int calls = 0;
    std::function<void(int call)> onPending;  // call counts from 1
    void processPending() override {
        ++calls;
        if (onPending) onPending(calls);
    }
};

struct FakeCursor : platform::Cursor {
    Log& log;
    int counter = 0;
    explicit FakeCursor(Log& l) : log(l) {}
    int show(bool visible) override {
        counter += visible ? 1 : -1;
        log.push_back(visible ? "cursor:show" : "cursor:hide");
        return counter;
    }
};

struct FakeInputHook : platform::InputHook {
    Log& log;
    std::function<void(platform::Input)> hook;
    explicit FakeInputHook(Log& l) : log(l) {}
    void install(std::function<void(platform::Input)> h) override {
        log.push_back("hook");
        hook = std::move(h);
    }
};

struct FakeTimer : platform::Timer {
    Log& log;
    bool on = false;
    std::int32_t ms = 1000;  // as the saver window creates it
    std::vector<std::int32_t> intervals;
    std::function<void()> handler;
    explicit FakeTimer(Log& l) : log(l) {}
    void setHandler(std::function<void()> h) override { handler = std::move(h); }
    void setEnabled(bool e) override {
        on = e;
        log.push_back(e ? "timer:on" : "timer:off");
    }
    bool enabled() const override { return on; }
    void setInterval(std::int32_t v) override {
        ms = v;
        intervals.push_back(v);
    }
    std::int32_t interval() const override { return ms; }
};

struct FakeFileDialog : platform::FileDialog {
    std::optional<std::string> openFile(const std::string& filter) override {
        filters.push_back(filter);
        if (choices.empty()) return std::nullopt;
        auto choice = choices.front();
        choices.pop_front();
        return choice;
    }
    std::deque<std::optional<std::string>> choices;  // a cancel once these run out
    std::vector<std::string> filters;
};

struct FakeShell : platform::Shell {
    bool open(const std::string& address) override {
        opened.push_back(address);
        return opens;
    }
    bool opens = true;
    std::vector<std::string> opened;
};

}  // namespace fellridge::testing
