#include "platform/process/libraries.h"

#include <dlfcn.h>

namespace fellridge::platform {

Libraries::Handle DlLibraries::load(const std::string& path) {
    if (path.empty()) return nullptr;
    return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* DlLibraries::symbol(Handle library, const char* name) {
    return library ? ::dlsym(library, name) : nullptr;
}

void DlLibraries::unload(Handle library) {
    if (library) ::dlclose(library);
}

}  // namespace fellridge::platform
