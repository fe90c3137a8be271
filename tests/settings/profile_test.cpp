// The private-profile text rules: lookups, in-place writes and the integer reader.
#include "settings/profile.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "settings/profile_integer.h"

namespace fellridge::settings::profile {
namespace {

struct LookupCase {
    const char* name;
    std::string content;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
};

TEST(ProfileLookup, FindsValuesAsTheFormatSays) {
    const std::vector<LookupCase> cases = {
        {"plain", "[Options]\nSound=1\n", "Options", "Sound", "1"},
        {"case of names", "[oPTIONS]\nsOUND=7\n", "Options", "Sound", "7"},
        {"only a-z fold", "[Options]\n\xe4=1\n", "Options", "\xc4", std::nullopt},
        {"missing key", "[Options]\nSeq=1\n", "Options", "Sound", std::nullopt},
        {"missing section", "[Other]\nSound=1\n", "Options", "Sound", std::nullopt},
        {"key before any section", "Sound=1\n[Options]\n", "Options", "Sound", std::nullopt},
        {"first section counts", "[Options]\nA=1\n[Options]\nSound=2\n", "Options", "Sound",
         std::nullopt},
        {"first key counts", "[Options]\nSound=1\nSOUND=2\n", "Options", "Sound", "1"},
        {"blanks dropped", "  [ Options ]  \n\t Sound \t=  \t 5 \t\n", "Options", "Sound", "5"},
        {"one pair of quotes", "[Options]\nSound=\" \"a\" \"\n", "Options", "Sound", " \"a\" "},
        {"lone quote kept", "[Options]\nSound=\"a\n", "Options", "Sound", "\"a"},
        {"empty value", "[Options]\nSound=\n", "Options", "Sound", ""},
        {"value with =", "[Options]\nSound=a=b\n", "Options", "Sound", "a=b"},
        {"crlf lines", "[Options]\r\nSound=3\r\n", "Options", "Sound", "3"},
        {"no final newline", "[Options]\nSound=4", "Options", "Sound", "4"},
        {"comment is no key", "[Options]\n;Sound=1\n", "Options", ";Sound", std::nullopt},
        {"header without bracket", "[Options\nSound=6\n", "Options", "Sound", "6"},
        {"cut to 2047", "[Options]\nSound=" + std::string(3000, 'v') + "\n", "Options", "Sound",
         std::string(2047, 'v')},
    };
    for (const LookupCase& c : cases) {
        EXPECT_EQ(lookup(c.content, c.section, c.key), c.expected) << c.name;
    }
}

TEST(ProfileLookup, ManyKeysInOnePassMatchSingleLookups) {
    const std::string content = "[WavConfig]\nName2=b\nname1=a\nName2=c\n[X]\nName3=d\n";
    auto values = lookupMany(content, "WavConfig", {"Name1", "Name2", "Name3", "NAME1"});
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[0], "a");
    EXPECT_EQ(values[1], "b");
    EXPECT_EQ(values[2], std::nullopt);
    EXPECT_EQ(values[3], "a");
}

struct WriteCase {
    const char* name;
    std::string content;
    std::vector<Entry> entries;
    std::string expected;
};

TEST(ProfileWrite, ChangesOnlyTheLinesItWrites) {
    const std::vector<WriteCase> cases = {
        {"empty file",
         "",
         {{"Options", "Sound", "0"}, {"Options", "Seq", "1"}},
         "[Options]\nSound=0\nSeq=1\n"},
        {"replaced in its line, spelling kept",
         "; top\r\n[OPTIONS]\r\n sound = 1 \r\nX=y\r\n",
         {{"Options", "Sound", "0"}},
         "; top\r\n[OPTIONS]\r\nsound=0\nX=y\r\n"},
        {"new key after last non-blank line",
         "[Options]\nA=1\n; note\n\n\n[Next]\nB=2\n",
         {{"Options", "Seq", "1"}},
         "[Options]\nA=1\n; note\nSeq=1\n\n\n[Next]\nB=2\n"},
        {"new key right after header",
         "[Options]\n[Next]\n",
         {{"Options", "Seq", "1"}},
         "[Options]\nSeq=1\n[Next]\n"},
        {"missing section at the end, no final newline",
         "[Options]\nA=1",
         {{"WavConfig", "Name1", "Null"}},
         "[Options]\nA=1\n[WavConfig]\nName1=Null\n"},
        {"append to last section without final newline",
         "[Options]\nA=1",
         {{"Options", "A", "2"}, {"Options", "B", "3"}},
         "[Options]\nA=2\nB=3\n"},
        {"first of duplicate sections",
         "[Options]\nA=1\n[Options]\nB=1\n",
         {{"Options", "B", "2"}},
         "[Options]\nA=1\nB=2\n[Options]\nB=1\n"},
        {"later entry wins",
         "[Options]\nA=1\n",
         {{"Options", "A", "2"},
          {"Options", "N", "x"},
          {"Options", "A", "3"},
          {"options", "n", "y"}},
         "[Options]\nA=3\nN=y\n"},
        {"unknown lines kept",
         "garbage\n[Z]\nno equals\n\x01\xff\n[Options]\nA=1\n",
         {{"Options", "A", "5"}},
         "garbage\n[Z]\nno equals\n\x01\xff\n[Options]\nA=5\n"},
        {"values quoted so they read back",
         "",
         {{"S", "A", " lead"}, {"S", "B", "\"q\""}, {"S", "C", "\"half"}},
         "[S]\nA=\" lead\"\nB=\"\"q\"\"\nC=\"half\n"},
    };
    for (const WriteCase& c : cases) {
        EXPECT_EQ(applyWrites(c.content, c.entries), c.expected) << c.name;
    }
}

TEST(ProfileWrite, NoWritesKeepEveryByte) {
    for (std::string content : {"", "\n", "a", "[S]\r\nK=v\r\n\r\n", "x\r", "[S]\nK=v"}) {
        EXPECT_EQ(applyWrites(content, {}), content);
    }
}

TEST(ProfileInteger, ReadsDecimalAndHexWithin32Bits) {
    const std::vector<std::pair<std::string, std::int32_t>> cases = {
        {"8000", 8000},
        {"  \t12", 12},
        {"+5", 5},
        {"-1", -1},
        {"007", 7},
        {"2147483647", 2147483647},
        {"2147483648", -99},
        {"-2147483648", INT32_MIN},
        {"-2147483649", -99},
        {"99999999999999999999999", -99},
        {"$ff", 255},
        {"xFF", 255},
        {"X10", 16},
        {"0x1f", 31},
        {"0X1F", 31},
        {"0xFFFFFFFF", -1},
        {"$80000000", INT32_MIN},
        {"0x00000000010", 16},
        {"0x100000000", -99},
        {"$", -99},
        {"0x", -99},
        {"-$5", -99},
        {"+0x5", -99},
        {"-", -99},
        {"+", -99},
        {"", -99},
        {"   ", -99},
        {"12a", -99},
        {"1 2", -99},
        {"12 ", -99},
        {"yes", -99},
        {"0xg", -99},
        {"1.5", -99},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(parseInteger(text, -99), expected) << '"' << text << '"';
    }
}

}  // namespace
}  // namespace fellridge::settings::profile
