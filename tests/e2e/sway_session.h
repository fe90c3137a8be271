// A private sway session on headless outputs for end-to-end tests. sway refuses to run as root,
// so when the tests run as root, sway, the program and the tools run as the unprivileged user
// 65534; everything they use lives in one folder that user owns. The outputs stand side by side,
// each showing a sea-green background and a gold bar for the saver to cover; XWayland starts
// when the first X client connects.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "process.h"
#include "x11_session.h"

namespace fellridge::test {

struct OutputSize {
    int width = 0, height = 0;
};

class SwaySession {
  public:
    static constexpr Pixel kBackground{46, 139, 87};
    static constexpr Pixel kBar{255, 215, 0};

    // What this machine lacks for a session (tools missing), empty when it has everything.
    static std::string missingTools();

    // Outputs HEADLESS-1, HEADLESS-2, ... of the given sizes; ok() once all show the desktop.
    explicit SwaySession(const std::vector<OutputSize>& sizes = {{1280, 720}, {1024, 768}});
    ~SwaySession();
    SwaySession(const SwaySession&) = delete;
    SwaySession& operator=(const SwaySession&) = delete;
    bool ok() const { return ok_; }

    // A path in the session's folder; handOver() gives files the test wrote there to the user.
    std::string file(const std::string& name) const { return root_.file(name); }
    void handOver(const std::string& path) const;
    const std::string& runtimeDir() const { return runtime_; }

    // The variables a client of the session needs: the Wayland socket, XWayland's DISPLAY, the
    // runtime folder, HOME, and QT_QPA_PLATFORM=wayland (override it with xcb for XWayland).
    Environment environment(const Environment& extra = {}) const;
    // The built program, or a copy in the session's folder when the user can't reach the build.
    const std::string& program() const { return program_; }
    // Runs or starts a command as the session's user, in the session.
    std::unique_ptr<Child> start(const std::vector<std::string>& argv,
                                 const Environment& extra = {}) const;
    Output run(const std::vector<std::string>& argv,
               std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;

    Screenshot shot(const std::string& output) const;  // grim -o OUTPUT
    void key(const std::string& name) const;           // a press and release, e.g. "space"
    // The compositor's shortcut logo+Return switches to an empty workspace 9 and notes it has
    // acted; shortcutActed() tells whether it did.
    void shortcut() const;
    bool shortcutActed() const;
    Output swaymsg(const std::vector<std::string>& arguments) const;
    void focus(const std::string& output) const;
    // Whether a window of the title is open.
    bool hasWindow(const std::string& title) const;
    std::vector<std::string> outputs() const;  // in sway's order
    // Adds a headless output (1920 x 1080) and returns its name, empty when none came.
    std::string addOutput() const;
    // Ends sway at once (SIGKILL), as a crash would; XWayland and the bar go with it.
    void killCompositor();

  private:
    std::vector<std::string> asUser(const std::vector<std::string>& argv) const;
    std::string reachable(const std::string& path) const;  // path, or a copy the user can read

    TempDir root_;
    std::string runtime_, program_, wayland_, x11_, ipc_, lsan_;
    std::unique_ptr<Child> sway_;
    bool ok_ = false;
};

// A fixture for tests under sway: skips when the tools are missing, fails when sway doesn't
// start.
class SwayTest : public ::testing::Test {
  protected:
    void SetUp() override;
    std::unique_ptr<SwaySession> session;
};

}  // namespace fellridge::test
