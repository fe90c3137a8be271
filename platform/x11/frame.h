// A frame of pixels that an X11 window shows straight from our memory, so that the window needs
// no backing store of its own: the frame lives in memory shared with the X server where the
// server offers that (MIT-SHM), and showing an area is then a copy inside the server; otherwise
// the area's rows go through the connection.
#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <memory>

namespace fellridge::platform {

class X11Frame {
  public:
    // Whether windows on Qt's X11 connection can show Format_RGB32 pixels as they are: the
    // default visual is 24-bit true colour with the usual masks and 32 bits per pixel. False on
    // other platforms (Qt's offscreen platform among them).
    static bool available();
    // For a window of ours (its native id); null unless available() and the window itself has
    // such a visual.
    static std::unique_ptr<X11Frame> forWindow(std::uintptr_t window);
    ~X11Frame();
    X11Frame(const X11Frame&) = delete;
    X11Frame& operator=(const X11Frame&) = delete;

    // A width x height Format_RGB32 image, in shared memory when the server takes it.
    QImage newImage(int width, int height);
    // Shows the area of the image (from newImage, or any Format_RGB32 image) at the same place
    // in the window.
    void show(const QImage& image, const QRect& area);

  private:
    struct Connection;
    explicit X11Frame(std::unique_ptr<Connection> connection);
    std::unique_ptr<Connection> x_;
};

}  // namespace fellridge::platform
