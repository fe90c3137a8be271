// A presenter that puts the slideshow on the screen in one of the ways the saver runs (over
// every X11 monitor, inside a daemon's window, on a Wayland compositor's layer surfaces, in the
// toolkit's full-screen windows), chosen once when the run starts. The run and the slideshow
// see this interface alone.
#pragma once

#include <cstdint>

#include "saver/presenter.h"
#include "saver/surface.h"

class QWindow;

namespace fellridge::saver {

class ScreenPresenter : public Presenter {
  public:
    // The surface whose frame this shows; the areas to show afresh are recomposed there.
    void showFrom(Surface& surface) { surface_ = &surface; }
    // Puts the slideshow on the screen.
    virtual void show() = 0;
    // Takes it off the screen for good, when the run ends.
    virtual void hide() = 0;
    // The native window handed to the password provider (0 for none).
    virtual std::uintptr_t nativeId() { return 0; }
    // The toolkit's window that shows the slideshow, if any: the screen's size follows it.
    virtual QWindow* window() { return nullptr; }

  protected:
    void recompose(const Rect& area) {
        if (surface_) surface_->repaint(area);
    }
    Surface* surface_ = nullptr;
};

}  // namespace fellridge::saver
