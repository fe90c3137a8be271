#include "sway_session.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace fellridge::test {

namespace {

using namespace std::chrono_literals;

std::string hex(Pixel p) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", p.r, p.g, p.b);
    return text;
}

}  // namespace

std::string SwaySession::missingTools() {
    return missing({"sway", "swaymsg", "grim", "wtype", "Xwayland"});
}

SwaySession::SwaySession(const std::vector<OutputSize>& sizes) {
    namespace fs = std::filesystem;
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
    startCompositor({"sway", "-c", file("config")},
                    {{"WLR_BACKENDS", "headless"},
                     {"WLR_HEADLESS_OUTPUTS", std::to_string(sizes.size())},
                     {"WLR_LIBINPUT_NO_DEVICES", "1"},
                     {"WLR_RENDERER", "pixman"}},
                    false);
    if (!waitFor([&] { return fs::exists(file("env")) || !compositorRunning(); }, 20s)) return;
    std::istringstream env(readFile(file("env")));
    for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY", "SWAYSOCK"})
        std::getline(env, variables_[name]);
    if (variables_["WAYLAND_DISPLAY"].empty()) return;
    prepareClients();
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
