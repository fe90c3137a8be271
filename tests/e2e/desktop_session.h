// A private session of KDE Plasma's compositor KWin or of GNOME's Mutter on two virtual outputs,
// run as an ordinary user (UserSession) on its own session bus. Keys and pictures go through
// compositor_helper: KWin's fake input and screenshot interface, Mutter's remote desktop and
// screen cast (read through PipeWire).
#pragma once

#include <gtest/gtest.h>

#include "user_session.h"
#include "x11_session.h"

namespace fellridge::test {

class DesktopSession : public UserSession {
  public:
    enum class Compositor { KWin, Mutter };

    // What this machine lacks for the session, empty when it has everything.
    static std::string missingTools(Compositor compositor);

    explicit DesktopSession(Compositor compositor);
    bool ok() const { return ok_; }

    // The outputs, in the compositor's names: KWin's two of 1280 x 720 side by side, Mutter's
    // of 1280 x 720 and 1024 x 768.
    const std::vector<std::string>& outputs() const { return outputs_; }
    Screenshot shot(const std::string& output) const override;
    // A press and release of the key or button (evdev codes: 57 space, 272 the left button).
    void press(bool button, int evdevCode) const;

  private:
    std::string helper(const std::string& request) const;

    Compositor compositor_;
    std::string helper_;
    std::vector<std::string> outputs_;
    std::unique_ptr<Child> background_;
    bool ok_ = false;
};

// A fixture for tests under one compositor: skips when it is missing, fails when it doesn't
// start.
template <DesktopSession::Compositor kCompositor>
class DesktopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::string missing = DesktopSession::missingTools(kCompositor); !missing.empty())
            GTEST_SKIP() << missing;
        session = std::make_unique<DesktopSession>(kCompositor);
        ASSERT_TRUE(session->ok()) << "the compositor did not start";
    }
    std::unique_ptr<DesktopSession> session;
};

}  // namespace fellridge::test
