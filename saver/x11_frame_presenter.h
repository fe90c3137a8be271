// The slideshow on X11, over every monitor or inside a daemon's window: the window shows the
// surface's frame straight from memory shared with the server (platform/x11/frame.h), with no
// backing store. Direct drawing goes out at the screen's pace (DrawingPacer), recomposed areas
// at the window's paint.
#pragma once

#include <memory>

#include "platform/x11/frame.h"
#include "saver/window_presenter.h"

namespace fellridge::saver {

class X11FramePresenter : public WindowPresenter {
  public:
    // Null when the window can't show the frame's pixels as they are.
    static std::unique_ptr<X11FramePresenter> create(platform::HostWindow* host);
    ~X11FramePresenter() override;

    QImage newFrame(int width, int height) override;
    void present(const Rect& area) override;

  private:
    explicit X11FramePresenter(platform::HostWindow* host);
    void paint(const QRegion& region) override;

    std::unique_ptr<platform::X11Frame> x11Frame_;
    std::unique_ptr<DrawingPacer> pacer_;
};

}  // namespace fellridge::saver
