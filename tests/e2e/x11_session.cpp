#include "x11_session.h"

#include <cstdlib>
#include <sstream>
#include <thread>

#include "platform/x11/window_finder.h"

namespace fellridge::test {

Screenshot::Screenshot(const std::string& display) {
    const Output out =
        run({"import", "-display", display, "-window", "root", "-depth", "8", "ppm:-"}, {},
            std::chrono::seconds(20));
    if (out.status == 0) parse(out.out);
}

Screenshot Screenshot::fromPpm(const std::string& ppm) {
    Screenshot shot;
    shot.parse(ppm);
    return shot;
}

void Screenshot::parse(const std::string& ppm) {
    std::istringstream in(ppm);
    std::string magic;
    int maxValue = 0;
    in >> magic >> width_ >> height_ >> maxValue;
    in.get();
    if (magic != "P6" || maxValue != 255 || width_ <= 0 || height_ <= 0) {
        width_ = height_ = 0;
        return;
    }
    const std::size_t offset = static_cast<std::size_t>(in.tellg());
    const std::size_t size = static_cast<std::size_t>(width_) * height_ * 3;
    if (ppm.size() < offset + size) {
        width_ = height_ = 0;
        return;
    }
    rgb_.assign(ppm.begin() + static_cast<long>(offset),
                ppm.begin() + static_cast<long>(offset + size));
}

Pixel Screenshot::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {-1, -1, -1};
    const std::size_t i = (static_cast<std::size_t>(y) * width_ + x) * 3;
    return {rgb_[i], rgb_[i + 1], rgb_[i + 2]};
}

int Screenshot::count(Pixel colour, int tolerance) const {
    int n = 0;
    for (std::size_t i = 0; i + 2 < rgb_.size(); i += 3)
        if (near({rgb_[i], rgb_[i + 1], rgb_[i + 2]}, colour, tolerance)) ++n;
    return n;
}

void Screenshot::savePng(const std::string& path) const {
    const std::string ppm = path + ".ppm";
    std::string data = "P6\n" + std::to_string(width_) + " " + std::to_string(height_) + "\n255\n";
    data.append(rgb_.begin(), rgb_.end());
    writeFile(ppm, data);
    run({"convert", ppm, path});
    std::remove(ppm.c_str());
}

bool near(Pixel p, Pixel q, int tolerance) {
    return std::abs(p.r - q.r) <= tolerance && std::abs(p.g - q.g) <= tolerance &&
           std::abs(p.b - q.b) <= tolerance;
}

void writeSolidStoredPictures(const std::string& directory, int width, int height,
                              const std::vector<std::string>& colours) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    for (std::size_t n = 1; n <= 7; ++n) {
        const std::string colour = colours[(n - 1) % colours.size()];
        const std::string jpeg = directory + "/solid" + std::to_string(n) + ".tmp.jpg";
        run({"convert", "-size", size, "xc:" + colour, "-quality", "100", jpeg});
        run({buildDir() + "/data/pack_stored_picture", jpeg,
             directory + "/kvp" + std::to_string(n) + ".qrn"});
        std::remove(jpeg.c_str());
    }
}

std::uintptr_t findSaverWindow(const std::string& display) {
    ::setenv("DISPLAY", display.c_str(), 1);
    return platform::X11WindowFinder().find("TForm1", "zarnojpg");
}

bool viewable(const std::string& display, std::uintptr_t window) {
    const Output info = run({"xwininfo", "-display", display, "-id", std::to_string(window)});
    if (info.out.find("IsViewable") == std::string::npos) return false;
    // The saver grabs keyboard and pointer right after it is shown.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    return true;
}

std::uintptr_t waitForSaverWindow(const std::string& display, Child& saver,
                                  std::chrono::milliseconds timeout) {
    std::uintptr_t id = 0;
    waitFor(
        [&] {
            id = findSaverWindow(display);
            return (id != 0 && viewable(display, id)) || !saver.running();
        },
        timeout);
    return saver.running() ? id : 0;
}

std::string waitForWindowNamed(const std::string& display, const std::string& pattern,
                               std::chrono::milliseconds timeout) {
    std::string found;
    waitFor(
        [&] {
            found = run({"xdotool", "search", "--onlyvisible", "--name", pattern},
                        {{"DISPLAY", display}})
                        .out;
            return !found.empty();
        },
        timeout);
    return found.substr(0, found.find('\n'));
}

void copyStoredPictures(const std::string& folder) {
    for (int n = 1; n <= 7; ++n) {
        const std::string name = "kvp" + std::to_string(n) + ".qrn";
        copyFile(buildDir() + "/data/" + name, folder + "/" + name);
    }
}

std::vector<std::string> jpgsIn(const std::string& folder) {
    std::vector<std::string> found;
    for (const std::string& name : listDir(folder))
        if (name.size() > 4 && name.ends_with(".jpg")) found.push_back(name);
    return found;
}

Environment saverOnDisplay(const std::string& display, const std::string& saverFolder,
                           const TempDir& root) {
    return {{"DISPLAY", display},
            {"QT_QPA_PLATFORM", "xcb"},
            {"FELLRIDGE_WINDOWS_DIR", saverFolder},
            {"FELLRIDGE_SYSTEM_DIR", root.file("sys")},
            {"FELLRIDGE_REGISTRY", root.file("user.reg")},
            {"SDL_AUDIODRIVER", "dummy"}};
}

void xdotool(const std::string& display, const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    run(argv, {{"DISPLAY", display}}, std::chrono::seconds(10));
}

}  // namespace fellridge::test
