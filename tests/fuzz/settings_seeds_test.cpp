// Runs the fuzz checks over the seed corpus, so that every build exercises them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "settings_fuzz.h"

namespace {

TEST(SettingsFuzzSeeds, EverySeedPassesTheChecks) {
    const std::filesystem::path corpus = FELLRIDGE_SETTINGS_CORPUS;
    int seeds = 0;
    for (const auto& file : std::filesystem::directory_iterator(corpus)) {
        std::ifstream in(file.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(fellridge::fuzz::checkSettingsInput(
                      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                  "")
            << file.path();
        ++seeds;
    }
    EXPECT_GT(seeds, 0);
}

}  // namespace
