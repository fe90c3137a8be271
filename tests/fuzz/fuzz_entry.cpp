// libFuzzer entry of one target: FELLRIDGE_FUZZ_CHECK names its check, and the first input that
// breaks a rule aborts with what went wrong.
#include <cstdio>
#include <cstdlib>

#include "parsers_fuzz.h"
#include "settings_fuzz.h"
#include "sound_fuzz.h"

namespace {
std::string check(const std::uint8_t* data, std::size_t size) {
    return FELLRIDGE_FUZZ_CHECK(data, size);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = check(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s: %s\n", FELLRIDGE_FUZZ_NAME, problem.c_str());
        std::abort();
    }
    return 0;
}
