// A private sway session on headless outputs for end-to-end tests, run as an ordinary user
// (UserSession). The outputs stand side by side,
// each showing a sea-green background and a gold bar for the saver to cover; XWayland starts
// when the first X client connects.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "user_session.h"
#include "x11_session.h"

namespace fellridge::test {

struct OutputSize {
    int width = 0, height = 0;
};

class SwaySession : public UserSession {
  public:
    static constexpr Pixel kBackground{46, 139, 87};
    static constexpr Pixel kBar{255, 215, 0};

    // What this machine lacks for a session (tools missing), empty when it has everything.
    static std::string missingTools();

    // Outputs HEADLESS-1, HEADLESS-2, ... of the given sizes; ok() once all show the desktop.
    explicit SwaySession(const std::vector<OutputSize>& sizes = {{1280, 720}, {1024, 768}});
    bool ok() const { return ok_; }

    // Clients get the Wayland socket, XWayland's DISPLAY, sway's socket, and
    // QT_QPA_PLATFORM=wayland (override it with xcb for XWayland).

    Screenshot shot(const std::string& output) const override;  // grim -o OUTPUT
    void key(const std::string& name) const;                    // a press and release, e.g. "space"
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

  private:
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
