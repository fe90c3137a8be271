// The shared text, path and rounding helpers.
#include "platform/files/text.h"

#include <gtest/gtest.h>

#include <climits>

namespace fellridge::platform::text {
namespace {

TEST(Text, UpperCasingTouchesOnlyTheLettersAToZ) {
    EXPECT_EQ(upperAscii("abc xyz AZ 09 `{@[ \xe4\xfc"), "ABC XYZ AZ 09 `{@[ \xe4\xfc");
    EXPECT_EQ(upperAscii(""), "");
    EXPECT_TRUE(equalIgnoringCase("WavConfig", "WAVCONFIG"));
    EXPECT_TRUE(equalIgnoringCase("", ""));
    EXPECT_FALSE(equalIgnoringCase("Name1", "Name1 "));
    EXPECT_FALSE(equalIgnoringCase("\xe4", "\xc4"));  // beyond ASCII nothing has a case
    EXPECT_FALSE(equalIgnoringCase("`", "@"));        // the neighbours of a and A differ
}

TEST(Text, TrimDropsOnlyTheGivenCharactersAtTheEnds) {
    const struct {
        const char* text;
        const char* blanks;
        const char* trimmed;
    } cases[] = {
        {" \t a b \t ", " \t", "a b"}, {"   ", " \t", ""},     {"", " \t", ""},
        {"\r\nx\r", " \t", "\r\nx\r"}, {" x\r", " \t\r", "x"}, {"\tx", " ", "\tx"},
    };
    for (const auto& c : cases) EXPECT_EQ(trim(c.text, c.blanks), c.trimmed) << c.text;
    EXPECT_EQ(trim("  default blanks\t"), "default blanks");
}

TEST(Text, JoinPathPutsOneSlashBetween) {
    EXPECT_EQ(joinPath("/w", "fellridge28.ini"), "/w/fellridge28.ini");
    EXPECT_EQ(joinPath("/w/", "kvp1.jpg"), "/w/kvp1.jpg");
    EXPECT_EQ(joinPath("/", "x"), "/x");
    EXPECT_EQ(joinPath("", "PASSWORD.CPL"), "PASSWORD.CPL");
    EXPECT_EQ(joinPath("a//", "b"), "a/b");
    EXPECT_EQ(joinPath("//", "x"), "/x");
}

TEST(Rounding, DividesToTheNearestWithTiesToEven) {
    const struct {
        std::int64_t numerator, denominator, rounded;
    } cases[] = {
        {5, 2, 2},
        {7, 2, 4},
        {1, 2, 0},
        {3, 2, 2},
        {-1, 2, 0},
        {-5, 2, -2},
        {-7, 2, -4},
        {-3, 2, -2},
        {1367, 2, 684},
        {0, 2, 0},
        {8400, 1000, 8},
        {2500, 1000, 2},
        {3500, 1000, 4},
        {2501, 1000, 3},
        {-2500, 1000, -2},
        {-2600, 1000, -3},
        {1079, 4, 270},
        {1078, 4, 270},
        {1074, 4, 268},
        {1, 3, 0},
        {2, 3, 1},
        {INT32_MAX, 1000, 2147484},
        {INT32_MIN, 1000, -2147484},
        {INT64_MAX, 2, INT64_MAX / 2 + 1},
        {INT64_MIN, 2, INT64_MIN / 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(divideRoundHalfEven(c.numerator, c.denominator), c.rounded)
            << c.numerator << " / " << c.denominator;
    static_assert(divideRoundHalfEven(1920 - 72, 2) == 924);
}

}  // namespace
}  // namespace fellridge::platform::text
