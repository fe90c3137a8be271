// WM_CLASS of one native window, written over the toolkit's X connection.
#pragma once

#include <cstdint>
#include <string>

namespace fellridge::platform {

// Sets WM_CLASS ("instance\0class\0") of the window. It must be set before the window is mapped
// for window managers to see it. Does nothing without an X connection.
void setWindowClass(std::uintptr_t window, const std::string& instance,
                    const std::string& className);

}  // namespace fellridge::platform
