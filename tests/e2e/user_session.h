// A desktop session for end-to-end tests, run as an ordinary user. Compositors refuse to run
// as root, so when the tests run as root the compositor, the program and the tools run as the
// unprivileged user 65534; everything they use lives in one folder that user owns, with a
// private runtime folder (mode 0700) and HOME inside it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "process.h"
#include "x11_session.h"

namespace fellridge::test {

class UserSession {
  public:
    // What of the tools named is not on PATH, for a skip message; empty when all are there.
    static std::string missing(const std::vector<std::string>& tools);

    UserSession();
    virtual ~UserSession();
    UserSession(const UserSession&) = delete;
    UserSession& operator=(const UserSession&) = delete;

    // A path in the session's folder; handOver() gives files the test wrote there to the user.
    std::string file(const std::string& name) const { return root_.file(name); }
    void handOver(const std::string& path) const;
    const std::string& runtimeDir() const { return runtime_; }

    // The variables a client of the session needs (the runtime folder, HOME, the sanitizer's
    // options, and what the compositor set), with the extra ones over them.
    Environment environment(const Environment& extra = {}) const;
    // The built program, or a copy in the session's folder when the user can't reach the build.
    const std::string& program() const { return program_; }
    // Runs or starts a command as the session's user, in the session.
    std::unique_ptr<Child> start(const std::vector<std::string>& argv,
                                 const Environment& extra = {}) const;
    Output run(const std::vector<std::string>& argv,
               std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;

    // The output's pixels, as the compositor shows them.
    virtual Screenshot shot(const std::string& output) const = 0;
    // Ends the compositor at once (SIGKILL), as a crash would; its clients lose their connection.
    void killCompositor();

    // The variables of a slideshow on a saver folder of red stored pictures, slow and silent,
    // and the slideshow (/S) started with them.
    Environment slideshowEnvironment();
    std::unique_ptr<Child> startSlideshow(const Environment& extra = {});
    // Nothing of the desktop shows on the output: only the slideshow's red and black, red
    // where the slideshow is.
    bool covered(const std::string& output, bool slideshow) const;
    // What the slideshow left in the runtime folder: empty once it has cleaned up.
    std::vector<std::string> leftBehind() const;

  protected:
    // Starts the compositor as the user with its own variables; inside a fresh session bus
    // (dbus-run-session) when asked, whose address then joins the session's variables.
    // False when it ended or gave no bus within the timeout.
    bool startCompositor(const std::vector<std::string>& argv, const Environment& env,
                         bool sessionBus);
    bool compositorRunning() const { return compositor_ && compositor_->running(); }
    // Finds the program and the sanitizer's files the user can read; call once it runs.
    void prepareClients();
    std::string reachable(const std::string& path) const;  // path, or a copy the user can read

    Environment variables_;  // what the compositor's clients need

  private:
    std::vector<std::string> asUser(const std::vector<std::string>& argv) const;

    TempDir root_;
    std::string runtime_, program_, lsan_;
    std::unique_ptr<Child> compositor_;
};

}  // namespace fellridge::test
