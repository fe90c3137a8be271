#include "user_session.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace fellridge::test {

namespace {

using namespace std::chrono_literals;

constexpr uid_t kUser = 65534;  // nobody

bool runningAsRoot() {
    return ::getuid() == 0;
}

}  // namespace

std::string UserSession::missing(const std::vector<std::string>& tools) {
    std::string missing;
    for (const auto& tool : tools)
        if (test::run({"sh", "-c", "command -v \"$0\"", tool}).status != 0)
            missing += (missing.empty() ? "" : ", ") + tool;
    return missing.empty() ? ""
                           : "missing: " + missing + " (FELLRIDGE_WITH_TEST_TOOLS=1 scripts/setup)";
}

UserSession::UserSession() {
    runtime_ = root_.file("run");
    std::filesystem::create_directory(runtime_);
    ::chmod(runtime_.c_str(), 0700);
    handOver(root_.path());
}

void UserSession::killCompositor() {
    compositor_->signal(SIGKILL);
    compositor_->wait(5s);
}

UserSession::~UserSession() {
    if (!compositor_ || !compositor_->running()) return;
    // The whole group: the bus, and what the compositor started, end with it.
    ::kill(-compositor_->pid(), SIGTERM);
    compositor_->wait(5s);
}

bool UserSession::startCompositor(const std::vector<std::string>& argv, const Environment& env,
                                  bool sessionBus) {
    Environment full{{"XDG_RUNTIME_DIR", runtime_},
                     {"HOME", root_.path()},
                     {"DISPLAY", ""},
                     {"WAYLAND_DISPLAY", ""},
                     {"QT_QPA_PLATFORM", ""}};
    for (const auto& [name, value] : env) full[name] = value;
    std::vector<std::string> command = argv;
    const std::string bus = file("bus");
    if (sessionBus) {
        command = {"dbus-run-session",
                   "--",
                   "sh",
                   "-c",
                   "echo \"$DBUS_SESSION_BUS_ADDRESS\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0\" && "
                   "exec \"$@\"",
                   bus};
        command.insert(command.end(), argv.begin(), argv.end());
    }
    compositor_ = std::make_unique<Child>(asUser(command), full);
    if (!sessionBus) return true;
    namespace fs = std::filesystem;
    if (!waitFor([&] { return fs::exists(bus) || !compositor_->running(); }, 10s)) return false;
    std::string address = readFile(bus);
    while (!address.empty() && address.back() == '\n') address.pop_back();
    variables_["DBUS_SESSION_BUS_ADDRESS"] = address;
    return !address.empty();
}

void UserSession::prepareClients() {
    // A build in a folder the user can't enter (root's home in CI) is run from a copy, and so
    // is the sanitizer's suppressions file read.
    program_ = reachable(test::program());
    // ... and the idle watch's program beside it, which it hands --idle to.
    if (const std::string watch = test::buildDir() + "/fellridge-wildlife-idle-watch";
        std::filesystem::exists(watch))
        reachable(watch);
    if (const char* lsan = std::getenv("LSAN_OPTIONS")) {
        lsan_ = lsan;
        const std::string key = "suppressions=";
        if (const auto at = lsan_.find(key); at != std::string::npos) {
            const auto from = at + key.size(), end = lsan_.find(':', from);
            lsan_.replace(from, end - from, reachable(lsan_.substr(from, end - from)));
        }
        // Whole stacks, so that what the toolkit's Wayland plugin keeps to the end can be told
        // from ours: the quick unwinder stops in libwayland-client.
        lsan_ += ":fast_unwind_on_malloc=0";
    }
}

std::string UserSession::reachable(const std::string& path) const {
    if (run({"test", "-r", path}).status == 0) return path;
    const std::string copy = file(std::filesystem::path(path).filename());
    copyFile(path, copy);
    handOver(copy);
    return copy;
}

void UserSession::handOver(const std::string& path) const {
    if (!runningAsRoot()) return;
    namespace fs = std::filesystem;
    std::error_code ec;
    (void)::chown(path.c_str(), kUser, kUser);
    for (auto it = fs::recursive_directory_iterator(path, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        (void)::lchown(it->path().c_str(), kUser, kUser);
}

std::vector<std::string> UserSession::asUser(const std::vector<std::string>& argv) const {
    if (!runningAsRoot()) return argv;
    const std::string id = std::to_string(kUser);
    std::vector<std::string> full{"setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups"};
    full.insert(full.end(), argv.begin(), argv.end());
    return full;
}

Environment UserSession::environment(const Environment& extra) const {
    Environment env{{"XDG_RUNTIME_DIR", runtime_},
                    {"HOME", root_.path()},
                    {"QT_QPA_PLATFORM", "wayland"},
                    {"LSAN_OPTIONS", lsan_}};
    for (const auto& [name, value] : variables_) env[name] = value;
    for (const auto& [name, value] : extra) env[name] = value;
    return env;
}

std::unique_ptr<Child> UserSession::start(const std::vector<std::string>& argv,
                                          const Environment& extra) const {
    return std::make_unique<Child>(asUser(argv), environment(extra));
}

Output UserSession::run(const std::vector<std::string>& argv,
                        std::chrono::milliseconds timeout) const {
    return test::run(asUser(argv), environment(), timeout);
}

Environment UserSession::slideshowEnvironment() {
    const std::string win = file("win");
    if (!std::filesystem::exists(win)) {
        std::filesystem::create_directory(win);
        writeSolidStoredPictures(win, 64, 48, {"red"});
        writeFile(win + "/fellridge28.ini",
                  "[Options]\nSound=0\nSeq=1\nColor=4\nPicdis=1\nTime=60000\n");
        handOver(win);
    }
    return {{"FELLRIDGE_WINDOWS_DIR", win},
            {"FELLRIDGE_SYSTEM_DIR", file("sys")},
            {"FELLRIDGE_REGISTRY", file("user.reg")},
            {"SDL_AUDIODRIVER", "dummy"}};
}

std::unique_ptr<Child> UserSession::startSlideshow(const Environment& extra) {
    Environment env = slideshowEnvironment();
    for (const auto& [name, value] : extra) env[name] = value;
    return start({program_, "/S"}, env);
}

bool UserSession::covered(const std::string& output, bool slideshow) const {
    constexpr Pixel kRed{255, 0, 0}, kBlack{0, 0, 0};
    const Screenshot shot = this->shot(output);
    const int red = shot.count(kRed), black = shot.count(kBlack);
    return shot.ok() && red + black == shot.width() * shot.height() && (red > 0) == slideshow;
}

std::vector<std::string> UserSession::leftBehind() const {
    std::vector<std::string> left;
    for (const auto& name : listDir(runtime_))
        if (name.rfind("fellridge-wildlife.", 0) == 0) left.push_back(name);
    return left;
}

}  // namespace fellridge::test
