// Runs each parser's fuzz checks over its seed corpus, so that every build exercises them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "parsers_fuzz.h"

namespace {

using Check = std::string (*)(const std::uint8_t*, std::size_t);

struct Target {
    const char* corpus;
    Check check;
    friend void PrintTo(const Target& target, std::ostream* out) { *out << target.corpus; }
};

class ParserFuzzSeeds : public ::testing::TestWithParam<Target> {};

TEST_P(ParserFuzzSeeds, EverySeedPassesTheChecks) {
    const std::filesystem::path corpus =
        std::filesystem::path(FELLRIDGE_FUZZ_CORPUS) / GetParam().corpus;
    int seeds = 0;
    for (const auto& file : std::filesystem::directory_iterator(corpus)) {
        std::ifstream in(file.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(
            GetParam().check(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "")
            << file.path();
        ++seeds;
    }
    EXPECT_GT(seeds, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Parsers, ParserFuzzSeeds,
    ::testing::Values(Target{"registry", fellridge::fuzz::checkRegistryInput},
                      Target{"picture", fellridge::fuzz::checkPictureInput},
                      Target{"command_line", fellridge::fuzz::checkCommandLineInput},
                      Target{"window_id", fellridge::fuzz::checkWindowIdInput}),
    [](const auto& info) { return std::string(info.param.corpus); });

}  // namespace
