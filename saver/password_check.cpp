// The password check that input runs when the platform asks for one: the desktop setting says
// whether a password is wanted, and the password provider's library asks for it.
#include <optional>

#include "platform/files/registry_file.h"
#include "platform/files/text.h"
#include "saver/saver.h"
#include "saver/scope_exit.h"

namespace fellridge::saver {

namespace {

// The registry value that says whether the saver asks for the screen-saver password.
constexpr const char* kDesktopKey = "Control Panel\\desktop";
constexpr const char* kUsePasswordValue = "ScreenSaveUsePassword";
constexpr const char* kPasswordLibrary = "PASSWORD.CPL";
constexpr const char* kVerifyEntry = "VerifyScreenSavePwd";

extern "C" {
using VerifyScreenSavePwdFn = int (*)(std::uintptr_t window);
}

}  // namespace

void Saver::passwordCheck() {
    platform::Registry& registry = services_.registry;
    if (!registry.keyExists(kDesktopKey)) {
        stopRoutine();
        return;
    }
    const std::optional<platform::Registry::Value> value =
        registry.value(kDesktopKey, kUsePasswordValue);
    if (!value || !platform::registryFlagSet(*value)) {
        stopRoutine();
        return;
    }

    services_.cursor.show(true);
    ScopeExit hideAgain([this] { services_.cursor.show(false); });

    const std::string path =
        platform::text::joinPath(services_.environment.systemDirectory(), kPasswordLibrary);

    platform::Libraries& libraries = services_.libraries;
    const platform::Libraries::Handle library = libraries.load(path);
    if (!library) {
        stopRoutine();
        return;
    }
    ScopeExit unload([&] { libraries.unload(library); });
    auto verify = reinterpret_cast<VerifyScreenSavePwdFn>(libraries.symbol(library, kVerifyEntry));
    // A provider without its entry has no way to ask for the password: rather than keep the
    // user in the saver, it ends as if no password were set.
    if (!verify || verify(window_.nativeId()) != 0) stopRoutine();
}

}  // namespace fellridge::saver
