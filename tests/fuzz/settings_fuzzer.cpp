// libFuzzer entry: aborts on the first input that breaks a rule of the settings file.
#include <cstdio>
#include <cstdlib>

#include "settings_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = fellridge::fuzz::checkSettingsInput(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "settings fuzz: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
