// A saver run on a private Xvfb display, driven with xdotool and looked at with screenshots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "process.h"

namespace fellridge::test {

struct Pixel {
    int r = 0, g = 0, b = 0;
};

// The root window's pixels, taken with ImageMagick's import, or any picture in binary PPM.
class Screenshot {
  public:
    explicit Screenshot(const std::string& display);
    static Screenshot fromPpm(const std::string& ppm);
    bool ok() const { return width_ > 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    Pixel at(int x, int y) const;
    // How many pixels lie within the tolerance of the colour.
    int count(Pixel colour, int tolerance = 24) const;
    void savePng(const std::string& path) const;

  private:
    Screenshot() = default;
    void parse(const std::string& ppm);
    int width_ = 0, height_ = 0;
    std::vector<unsigned char> rgb_;
};

bool near(Pixel p, Pixel q, int tolerance = 24);

// The stored pictures kvp1.qrn..kvp7.qrn as solid-colour JPEGs of the given size, packed by
// the project's own packer.
void writeSolidStoredPictures(const std::string& directory, int width, int height,
                              const std::vector<std::string>& colours);

// The saver's window on the display, 0 when there is none.
std::uintptr_t findSaverWindow(const std::string& display);

// True once the window is mapped and viewable, with its input grabbed a moment later.
bool viewable(const std::string& display, std::uintptr_t window);

// Waits until the saver's window is on the screen: its id, or 0 when the saver ended first or
// the window didn't come within the timeout.
std::uintptr_t waitForSaverWindow(const std::string& display, Child& saver,
                                  std::chrono::milliseconds timeout = std::chrono::seconds(15));

// Waits for a visible window whose name matches the regular expression: the first id xdotool
// reports, or an empty text when none came within the timeout.
std::string waitForWindowNamed(const std::string& display, const std::string& pattern,
                               std::chrono::milliseconds timeout = std::chrono::seconds(15));

// Copies the stored pictures kvp1.qrn..kvp7.qrn the build made into the folder.
void copyStoredPictures(const std::string& folder);

// The names of the folder's .jpg files (the saver's temporary pictures), sorted.
std::vector<std::string> jpgsIn(const std::string& folder);

// What a saver on the display runs with: the saver folder, the system folder and registry in the
// test's folder, no sound device.
Environment saverOnDisplay(const std::string& display, const std::string& saverFolder,
                           const TempDir& root);

// Runs xdotool with the arguments on the display.
void xdotool(const std::string& display, const std::vector<std::string>& arguments);

}  // namespace fellridge::test
