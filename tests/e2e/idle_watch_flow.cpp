#include "idle_watch_flow.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

namespace fellridge::test {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kIdleTime = 3s;  // --idle 0.05

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Private session and system buses (dbus-daemon) in the desk's folder, with the stand-in login
// manager on the system one.
class IdleBuses {
  public:
    explicit IdleBuses(const IdleDesk& desk);
    bool ok() const { return ok_; }
    Environment environment() const;
    // An application holding an inhibitor until the child is gone; nullptr without a cookie.
    std::unique_ptr<Child> inhibit() const;
    int locks() const;  // Session.Lock calls so far

  private:
    const IdleDesk& desk_;
    std::string session_, system_, record_;
    std::unique_ptr<Child> sessionBus_, systemBus_, login1_;
    bool ok_ = false;
};

}  // namespace

std::string missingIdleTools() {
    const Output check = run({"/usr/bin/python3", "-c", "import dbus, dbus.mainloop.glib, gi"});
    if (run({"sh", "-c", "command -v dbus-daemon"}).status != 0) return "missing: dbus-daemon";
    return check.status == 0 ? "" : "missing: python3-dbus, python3-gi";
}

IdleBuses::IdleBuses(const IdleDesk& desk) : desk_(desk) {
    session_ = desk.folder + "/session-bus";
    system_ = desk.folder + "/system-bus";
    record_ = desk.folder + "/locks";
    const std::string script = desk.folder + "/idle_stand_ins.py";
    for (const auto& path : {session_, system_, record_, record_ + ".ready"})
        std::filesystem::remove(path);
    copyFile(FELLRIDGE_E2E_SOURCE_DIR "/idle_stand_ins.py", script);
    ::chmod(script.c_str(), 0755);
    const auto bus = [&](const std::string& path) {
        return desk.start(
            {"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=unix:path=" + path},
            {});
    };
    if (desk.sessionBus.empty()) sessionBus_ = bus(session_);
    systemBus_ = bus(system_);
    if (!waitFor([&] { return (!sessionBus_ || exists(session_)) && exists(system_); }, 10s))
        return;
    login1_ = desk.start({"/usr/bin/python3", script, "login1", record_}, environment());
    ok_ = waitFor([&] { return exists(record_ + ".ready"); }, 10s);
}

Environment IdleBuses::environment() const {
    return {{"DBUS_SESSION_BUS_ADDRESS",
             desk_.sessionBus.empty() ? "unix:path=" + session_ : desk_.sessionBus},
            {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + system_}};
}

std::unique_ptr<Child> IdleBuses::inhibit() const {
    // Until the watch serves the name, the call fails and the application ends: it tries again.
    const std::string cookie = desk_.folder + "/cookie";
    std::filesystem::remove(cookie);
    std::unique_ptr<Child> holder;
    const bool held = waitFor(
        [&] {
            if (!holder || !holder->running())
                holder = desk_.start(
                    {"/usr/bin/python3", desk_.folder + "/idle_stand_ins.py", "inhibit", cookie},
                    environment());
            return exists(cookie) && !readFile(cookie).empty();
        },
        10s);
    return held ? std::move(holder) : nullptr;
}

int IdleBuses::locks() const {
    const std::string text = exists(record_) ? readFile(record_) : "";
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

void tryIdleWatch(const IdleDesk& desk, const IdleCase& idleCase) {
    SCOPED_TRACE(idleCase.name);
    IdleBuses buses(desk);
    ASSERT_TRUE(buses.ok()) << "the private buses didn't start";
    Environment env = buses.environment();
    env.insert(desk.slideshow.begin(), desk.slideshow.end());
    std::vector<std::string> argv{desk.program, "--idle", "0.05"};
    if (idleCase.lock) argv.push_back("--lock");
    const auto watch = desk.start(argv, env);

    // Idle from the last input on: 3 s, or 3 s from the moment the inhibitor went.
    std::unique_ptr<Child> inhibitor;
    if (idleCase.inhibited) {
        inhibitor = buses.inhibit();
        ASSERT_TRUE(inhibitor) << "no inhibitor held";
    }
    // The input lies somewhere within key(), whose tools may linger after it (Mutter's takes
    // most of a second): the idle time counts from the call, the earliest the input can be.
    auto idleFrom = Clock::now();
    desk.key();
    if (inhibitor) {
        EXPECT_FALSE(waitFor(desk.slideshowShown, 8s)) << "shown while inhibited";
        inhibitor.reset();
        idleFrom = Clock::now();
    }
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_TRUE(waitFor(desk.slideshowShown, 15s)) << "no slideshow";
        EXPECT_GE(secondsSince(idleFrom), std::chrono::duration<double>(kIdleTime).count() - 0.2);
        idleFrom = Clock::now();
        desk.key();
        EXPECT_TRUE(waitFor([&] { return !desk.slideshowShown(); }, 10s)) << "a key didn't end it";
        if (idleCase.lock) {
            EXPECT_TRUE(waitFor([&] { return buses.locks() == round; }, 5s));
        }
    }
    if (!idleCase.lock) {
        EXPECT_EQ(buses.locks(), 0);
    }

    const auto second = desk.start({desk.program, "--idle", "1"}, env);
    EXPECT_EQ(second->wait(10s), 1) << "a second watch for the session";
    EXPECT_TRUE(watch->running());
    watch->signal(SIGTERM);
    EXPECT_EQ(watch->wait(10s), 0);
}

}  // namespace fellridge::test
