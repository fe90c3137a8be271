// How the slideshow reaches the screen, chosen once when the saver starts.
#pragma once

#include <functional>
#include <memory>

#include "platform/services.h"
#include "platform/x11/host_window.h"
#include "saver/screen_presenter.h"

namespace fellridge::entry {

// Inside the daemon's host window when there is one; else on a Wayland compositor's layer
// surfaces where it offers them, with their input handed to input and lost called when the
// compositor goes; else over every monitor, on X11 straight from shared memory, elsewhere (GNOME,
// or an X server whose pixels aren't the frame's) in the toolkit's full-screen windows.
std::unique_ptr<saver::ScreenPresenter> choosePresenter(platform::HostWindow* host,
                                                        std::function<void(platform::Input)> input,
                                                        std::function<void()> lost);

}  // namespace fellridge::entry
