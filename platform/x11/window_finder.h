// Finding a top-level window on the X display.
#pragma once

#include <cstdint>
#include <string>

#include "platform/services.h"

namespace fellridge::platform {

// Walks the X display's window tree (through window-manager frames) for a window whose
// WM_CLASS class part and name (_NET_WM_NAME or WM_NAME) match exactly. Without an X display
// nothing is found.
class X11WindowFinder : public WindowFinder {
  public:
    std::uintptr_t find(const std::string& className, const std::string& windowName) override;
};

}  // namespace fellridge::platform
