// The command line as the screen-saver service passes it, and the run mode it selects.
#include "entry/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fellridge::entry {
namespace {

TEST(CommandLine, JoinsArgumentsAfterTheProgramPath) {
    const char* none[] = {"/usr/bin/fellridge-wildlife"};
    const char* one[] = {"prog", "/c 5678"};
    const char* quoted[] = {"prog", "\"/s\""};
    const char* two[] = {"prog", "/a", "5678"};
    EXPECT_EQ(joinArguments(1, none), "");
    EXPECT_EQ(joinArguments(0, nullptr), "");
    EXPECT_EQ(joinArguments(2, one), "/c 5678");
    EXPECT_EQ(joinArguments(2, quoted), "\"/s\"");
    EXPECT_EQ(joinArguments(3, two), "/a 5678");
}

TEST(CommandLine, SplitsOnControlCharactersAndBlanksAndGroupsQuotes) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"", {}},
        {" \t\r\n", {}},
        {"/s", {"/s"}},
        {"  /c   5678  ", {"/c", "5678"}},
        {"a\tb\x01"
         "c\x1f"
         "d e",
         {"a", "b", "c", "d", "e"}},
        {"\"/s\"", {"/s"}},
        {"\"a b\" c", {"a b", "c"}},
        {"x\"a b\"y z", {"xa by", "z"}},
        {"\"a b", {"a b"}},
        {"\"\" /s", {"", "/s"}},
        {"\x7f\xa0", {"\x7f\xa0"}},
    };
    for (const auto& [line, expected] : cases) {
        EXPECT_EQ(splitParameters(line), expected) << '"' << line << '"';
    }
}

TEST(CommandLine, ChoosesTheRunModeFromTheFirstParameter) {
    const std::vector<std::pair<std::string, RunMode>> cases = {
        {"", RunMode::None},
        {"/s", RunMode::Saver},
        {"/S", RunMode::Saver},
        {"\"/s\"", RunMode::Saver},
        {"  \t/S /c", RunMode::Saver},
        {"/S:1", RunMode::None},
        {"/Sx", RunMode::None},
        {"/c", RunMode::Settings},
        {"/c:5678", RunMode::Settings},
        {"/C 5678", RunMode::Settings},
        {"/Cx", RunMode::Settings},
        {"\"/c 5678\"", RunMode::Settings},
        {"/a 5678", RunMode::PasswordChange},
        {"/A", RunMode::PasswordChange},
        {"/a:1", RunMode::PasswordChange},
        {"/p 123", RunMode::None},
        {"-s", RunMode::None},
        {"s", RunMode::None},
        {"/", RunMode::None},
        {"/ s", RunMode::None},
        {"\"\" /s", RunMode::None},
        {"/x /s", RunMode::None},
        {"/\xd3", RunMode::None},
    };
    for (const auto& [line, expected] : cases) {
        EXPECT_EQ(chooseRunMode(splitParameters(line)), expected) << '"' << line << '"';
    }
}

}  // namespace
}  // namespace fellridge::entry
