// Shared libraries loaded with dlopen.
#pragma once

#include <string>

#include "platform/services.h"

namespace fellridge::platform {

// dlopen of the exact path, dlsym, dlclose.
class DlLibraries : public Libraries {
  public:
    Handle load(const std::string& path) override;
    void* symbol(Handle library, const char* name) override;
    void unload(Handle library) override;
};

}  // namespace fellridge::platform
