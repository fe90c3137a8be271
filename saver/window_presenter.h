// The slideshow in the toolkit's window (saver_widget.h), painted through the toolkit's backing
// store: the way on desktops where the saver has no surfaces of its own (GNOME's Wayland), and
// on X11 servers whose pixels aren't the frame's. Direct drawing shows at the next message
// processing, recomposed areas at the window's next paint (present_tracker.h).
#pragma once

#include <memory>

#include "saver/present_tracker.h"
#include "saver/saver_widget.h"
#include "saver/screen_presenter.h"

namespace fellridge::saver {

class WindowPresenter : public ScreenPresenter {
  public:
    // Full screen, or inside the host window when there is one.
    explicit WindowPresenter(platform::HostWindow* host) : WindowPresenter(host, false) {}
    ~WindowPresenter() override;

    void present(const Rect& area) override;
    void scheduleRepaint() override;
    void scheduleRepaint(const Rect& area) override;
    void show() override;
    void hide() override;
    std::uintptr_t nativeId() override;
    QWindow* window() override;

  protected:
    WindowPresenter(platform::HostWindow* host, bool paintedOnScreen);
    // Recomposes the region, but for the direct drawing that waits to be shown, and shows it.
    virtual void paint(const QRegion& region);
    SaverWidget& widget() { return *widget_; }
    PresentTracker& tracker() { return *tracker_; }

  private:
    std::unique_ptr<SaverWidget> widget_;
    std::unique_ptr<PresentTracker> tracker_;
};

}  // namespace fellridge::saver
