// libFuzzer entry: the sound loading path must neither crash nor hang on any bytes.
#include <cstdio>
#include <cstdlib>

#include "sound_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = fellridge::fuzz::checkSoundInput(data, size, 20);
    if (!problem.empty()) {
        std::fprintf(stderr, "sound fuzz: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
