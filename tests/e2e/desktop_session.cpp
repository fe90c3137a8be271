#include "desktop_session.h"

#include <filesystem>

namespace fellridge::test {

namespace {

using namespace std::chrono_literals;

constexpr Pixel kBackground{46, 139, 87};

std::string helperPath() {
    return buildDir() + "/tests/e2e/compositor_helper";
}

}  // namespace

std::string DesktopSession::missingTools(Compositor compositor) {
    if (!std::filesystem::exists(helperPath()))
        return "compositor_helper was not built (needs Qt's D-Bus module and "
               "plasma-wayland-protocols)";
    if (compositor == Compositor::KWin)
        return missing({"kwin_wayland", "dbus-run-session", "swaybg"});
    return missing({"mutter", "dbus-run-session", "pipewire", "wireplumber", "gst-launch-1.0"});
}

DesktopSession::DesktopSession(Compositor compositor) : compositor_(compositor) {
    helper_ = reachable(helperPath());
    if (compositor == Compositor::KWin) {
        // kwin_wayland carries a file capability that fails where the tests may not raise
        // limits; a copy has none, and keeps the name its platform plugin insists on.
        const std::string kwin = file("kwin/kwin_wayland");
        std::filesystem::create_directory(file("kwin"));
        copyFile("/usr/bin/kwin_wayland", kwin);
        std::filesystem::permissions(kwin, std::filesystem::perms::owner_all |
                                               std::filesystem::perms::others_exec |
                                               std::filesystem::perms::others_read);
        handOver(file("kwin"));
        // KWin lends its screenshot interface to programs that a desktop entry names, with the
        // interface in the entry.
        const std::string entries = file(".local/share/applications");
        std::filesystem::create_directories(entries);
        writeFile(entries + "/compositor-helper.desktop",
                  "[Desktop Entry]\nType=Application\nName=helper\nExec=" + helper_ +
                      "\nX-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2\n");
        handOver(file(".local"));
        // Software OpenGL: the screenshot effect doesn't load with the QPainter compositor.
        startCompositor({kwin, "--virtual", "--no-lockscreen", "--width", "1280", "--height", "720",
                         "--output-count", "2", "--socket", "wl-kwin"},
                        {{"KWIN_COMPOSE", "O2"}, {"KWIN_WAYLAND_NO_PERMISSION_CHECKS", "1"}}, true);
        variables_["WAYLAND_DISPLAY"] = "wl-kwin";
        outputs_ = {"Virtual-0", "Virtual-1"};
    } else {
        // PipeWire and its session manager carry the screen casts the pictures come from.
        startCompositor({"sh", "-c", "pipewire & wireplumber & exec mutter \"$@\"", "sh",
                         "--headless", "--virtual-monitor", "1280x720", "--virtual-monitor",
                         "1024x768", "--wayland", "--no-x11", "--wayland-display=wl-test"},
                        {}, true);
        variables_["WAYLAND_DISPLAY"] = "wl-test";
        outputs_ = {"Meta-0", "Meta-1"};
    }
    const std::string socket = runtimeDir() + "/" + variables_["WAYLAND_DISPLAY"];
    if (!waitFor([&] { return std::filesystem::exists(socket) || !compositorRunning(); }, 20s) ||
        !compositorRunning())
        return;
    prepareClients();
    // KWin's desktop is black, as the covers are: a background shows what they cover.
    if (compositor == Compositor::KWin)
        background_ = start({"swaybg", "-o", "*", "-c", "#2e8b57"});  // kBackground
    ok_ = waitFor(
        [&] {
            for (const auto& output : outputs_) {
                const Screenshot picture = shot(output);
                if (!picture.ok() || (background_ && picture.count(kBackground) == 0)) return false;
            }
            return true;
        },
        30s);
}

std::string DesktopSession::helper(const std::string& request) const {
    return (compositor_ == Compositor::KWin ? "kwin-" : "mutter-") + request;
}

Screenshot DesktopSession::shot(const std::string& output) const {
    return Screenshot::fromPpm(run({helper_, helper("shot"), output}).out);
}

void DesktopSession::press(bool button, int evdevCode) const {
    run({helper_, helper(button ? "button" : "key"), std::to_string(evdevCode)});
}

}  // namespace fellridge::test
