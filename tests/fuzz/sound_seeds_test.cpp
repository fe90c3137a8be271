// Runs the sound loading path over the seed corpus, so that every build exercises it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "sound_fuzz.h"

namespace {

TEST(SoundFuzzSeeds, EverySeedLoadsOrIsRefusedWithoutHarm) {
    if (const std::string problem = fellridge::fuzz::openFuzzAudio(); !problem.empty())
        GTEST_SKIP() << "no audio driver: " << problem;
    const std::filesystem::path corpus = FELLRIDGE_SOUND_CORPUS;
    int seeds = 0;
    for (const auto& file : std::filesystem::directory_iterator(corpus)) {
        std::ifstream in(file.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(fellridge::fuzz::checkSoundInput(
                      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                  "")
            << file.path();
        ++seeds;
    }
    EXPECT_GT(seeds, 0);
}

}  // namespace
