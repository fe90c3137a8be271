#include "sway_session.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

namespace fellridge::test {

namespace {

using namespace std::chrono_literals;

constexpr uid_t kUser = 65534;  // nobody: sway refuses root

bool runningAsRoot() {
    return ::getuid() == 0;
}

std::string hex(Pixel p) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", p.r, p.g, p.b);
    return text;
}

}  // namespace

std::string SwaySession::missingTools() {
    std::string missing;
    for (const char* tool : {"sway", "swaymsg", "grim", "wtype", "Xwayland"})
        if (test::run({"sh", "-c", "command -v \"$0\"", tool}).status != 0)
            missing += std::string(missing.empty() ? "" : ", ") + tool;
    return missing.empty() ? ""
                           : "missing: " + missing + " (FELLRIDGE_WITH_TEST_TOOLS=1 scripts/setup)";
}

SwaySession::SwaySession(const std::vector<OutputSize>& sizes) {
    namespace fs = std::filesystem;
    runtime_ = root_.file("run");
    fs::create_directory(runtime_);
    ::chmod(runtime_.c_str(), 0700);
    handOver(root_.path());

    // The outputs side by side, a bar on each, every output (added ones too) on the background.
    std::ostringstream config;
    config << "output * bg " << hex(kBackground) << " solid_color\n";
    int x = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        config << "output HEADLESS-" << i + 1 << " resolution " << sizes[i].width << "x"
               << sizes[i].height << " position " << x << ",0\n";
        x += sizes[i].width;
    }
    config << "bar {\n  status_command while date +%T; do sleep 1; done\n  colors {\n"
           << "    background " << hex(kBar) << "\n  }\n}\nxwayland enable\n"
           << "bindsym Mod4+Return exec touch " << file("shortcut") << "; workspace 9\n"
           << "exec printf '%s\\n%s\\n%s\\n' \"$WAYLAND_DISPLAY\" \"$DISPLAY\" \"$SWAYSOCK\" > "
           << file("env.tmp") << " && mv " << file("env.tmp") << " " << file("env") << "\n";
    writeFile(file("config"), config.str());
    sway_ =
        std::make_unique<Child>(asUser({"sway", "-c", file("config")}),
                                Environment{{"XDG_RUNTIME_DIR", runtime_},
                                            {"HOME", root_.path()},
                                            {"DISPLAY", ""},
                                            {"WAYLAND_DISPLAY", ""},
                                            {"WLR_BACKENDS", "headless"},
                                            {"WLR_HEADLESS_OUTPUTS", std::to_string(sizes.size())},
                                            {"WLR_LIBINPUT_NO_DEVICES", "1"},
                                            {"WLR_RENDERER", "pixman"}});
    if (!waitFor([&] { return fs::exists(file("env")) || !sway_->running(); }, 20s)) return;
    std::istringstream env(readFile(file("env")));
    std::getline(env, wayland_);
    std::getline(env, x11_);
    std::getline(env, ipc_);
    if (wayland_.empty()) return;

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
    // Ready once every output shows its bar.
    ok_ = waitFor(
        [&] {
            const auto names = outputs();
            if (names.size() != sizes.size()) return false;
            for (const auto& name : names)
                if (shot(name).count(kBar, 8) == 0) return false;
            return true;
        },
        20s);
}

SwaySession::~SwaySession() {
    if (!sway_) return;
    sway_->signal(SIGTERM);  // sway ends its bar and XWayland
    sway_->wait(5s);
}

std::string SwaySession::reachable(const std::string& path) const {
    if (run({"test", "-r", path}).status == 0) return path;
    const std::string copy = file(std::filesystem::path(path).filename());
    copyFile(path, copy);
    handOver(copy);
    return copy;
}

void SwaySession::handOver(const std::string& path) const {
    if (!runningAsRoot()) return;
    namespace fs = std::filesystem;
    std::error_code ec;
    (void)::chown(path.c_str(), kUser, kUser);
    for (auto it = fs::recursive_directory_iterator(path, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        (void)::lchown(it->path().c_str(), kUser, kUser);
}

std::vector<std::string> SwaySession::asUser(const std::vector<std::string>& argv) const {
    if (!runningAsRoot()) return argv;
    const std::string id = std::to_string(kUser);
    std::vector<std::string> full{"setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups"};
    full.insert(full.end(), argv.begin(), argv.end());
    return full;
}

Environment SwaySession::environment(const Environment& extra) const {
    Environment env{{"XDG_RUNTIME_DIR", runtime_},
                    {"WAYLAND_DISPLAY", wayland_},
                    {"DISPLAY", x11_},
                    {"SWAYSOCK", ipc_},
                    {"HOME", root_.path()},
                    {"QT_QPA_PLATFORM", "wayland"},
                    {"LSAN_OPTIONS", lsan_}};
    for (const auto& [name, value] : extra) env[name] = value;
    return env;
}

std::unique_ptr<Child> SwaySession::start(const std::vector<std::string>& argv,
                                          const Environment& extra) const {
    return std::make_unique<Child>(asUser(argv), environment(extra));
}

Output SwaySession::run(const std::vector<std::string>& argv,
                        std::chrono::milliseconds timeout) const {
    return test::run(asUser(argv), environment(), timeout);
}

Screenshot SwaySession::shot(const std::string& output) const {
    return Screenshot::fromPpm(run({"grim", "-t", "ppm", "-o", output, "-"}).out);
}

void SwaySession::key(const std::string& name) const {
    // wtype's first key right after it connects can lose its press: it waits a moment first.
    run({"wtype", "-s", "300", "-k", name});
}

void SwaySession::shortcut() const {
    run({"wtype", "-s", "300", "-M", "logo", "-k", "Return", "-m", "logo"});
}

bool SwaySession::shortcutActed() const {
    return std::filesystem::exists(file("shortcut"));
}

Output SwaySession::swaymsg(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv{"swaymsg"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return run(argv);
}

void SwaySession::focus(const std::string& output) const {
    swaymsg({"focus", "output", output});
}

bool SwaySession::hasWindow(const std::string& title) const {
    return swaymsg({"-t", "get_tree"}).out.find("\"name\": \"" + title + "\"") != std::string::npos;
}

std::vector<std::string> SwaySession::outputs() const {
    // Lines like "Output HEADLESS-1 'Unknown Unknown Unknown' (focused)".
    std::vector<std::string> names;
    std::istringstream lines(swaymsg({"-t", "get_outputs", "-p"}).out);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("Output ", 0) == 0) names.push_back(line.substr(7, line.find(' ', 7) - 7));
    return names;
}

std::string SwaySession::addOutput() const {
    const auto before = outputs();
    swaymsg({"create_output"});
    std::string added;
    waitFor(
        [&] {
            for (const auto& name : outputs())
                if (std::find(before.begin(), before.end(), name) == before.end()) added = name;
            return !added.empty();
        },
        10s);
    return added;
}

void SwayTest::SetUp() {
    if (const std::string missing = SwaySession::missingTools(); !missing.empty())
        GTEST_SKIP() << missing;
    session = std::make_unique<SwaySession>();
    ASSERT_TRUE(session->ok()) << "sway did not start (FELLRIDGE_TEST_VERBOSE=1 shows its log)";
}

}  // namespace fellridge::test
