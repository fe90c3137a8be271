// The password check that input runs when the platform asks for one: the desktop setting says
// whether a password is wanted, and the password provider's library asks for it.
#include <charconv>
#include <optional>
#include <string_view>

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

// Whether the registry asks for the password. A value stored as text is taken as the number it
// spells (blanks around it allowed); text that spells no number still counts as "asked", so a
// damaged value never silently drops the password. Input can always end the saver all the same:
// a missing library or entry ends it.
bool passwordWanted(const platform::Registry::Value& value) {
    if (value.isDword) return value.dword != 0;
    const std::string_view text = platform::text::trim(value.text);
    long long number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error == std::errc() && end == text.data() + text.size()) return number != 0;
    return true;
}

}  // namespace

void Saver::passwordCheck() {
    platform::Registry& registry = *services_.registry;
    if (!registry.keyExists(kDesktopKey)) {
        stopRoutine();
        return;
    }
    const std::optional<platform::Registry::Value> value =
        registry.value(kDesktopKey, kUsePasswordValue);
    if (!value || !passwordWanted(*value)) {
        stopRoutine();
        return;
    }

    services_.cursor->show(true);
    ScopeExit hideAgain([this] { services_.cursor->show(false); });

    const std::string path =
        platform::text::joinPath(services_.environment->systemDirectory(), kPasswordLibrary);

    platform::Libraries& libraries = *services_.libraries;
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
