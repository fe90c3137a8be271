// The built program's command-line contract, run as a process: switches that match no run
// mode end at once without touching any file, and the password change calls the platform's
// provider (a stand-in built by the tests) with the expected arguments.
#include <gtest/gtest.h>

#include <filesystem>

#include "process.h"

namespace fellridge::test {
namespace {

class EntryProcess : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(root.path().empty());
        for (const char* d : {"win", "home", "sys"})
            std::filesystem::create_directory(root.file(d));
    }
    Environment env() const {
        return {{"FELLRIDGE_WINDOWS_DIR", root.file("win")},
                {"FELLRIDGE_SYSTEM_DIR", root.file("sys")},
                {"FELLRIDGE_REGISTRY", ""},
                {"HOME", root.file("home")},
                {"XDG_DATA_HOME", ""},
                {"XDG_CONFIG_HOME", ""},
                {"DISPLAY", ""},
                {"FELLRIDGE_TEST_LOG", root.file("log")}};
    }
    Output start(std::vector<std::string> arguments, Environment extra = {}) {
        arguments.insert(arguments.begin(), program());
        Environment e = env();
        for (auto& [k, v] : extra) e[k] = v;
        return run(arguments, e, std::chrono::seconds(20));
    }
    void installProvider(const std::string& built, const std::string& name) {
        copyFile(buildDir() + "/tests/providers/" + built, root.file("sys/" + name));
    }
    TempDir root;
};

TEST_F(EntryProcess, SwitchesThatMatchNoRunModeEndAtOnceAndTouchNothing) {
    const std::vector<std::vector<std::string>> cases = {
        {}, {"/S:1"}, {"/p", "1234"}, {"/P"}, {"-s"}, {"s"}, {"/X"}, {"\"\""}, {"/"}, {"/Sx"},
    };
    for (const auto& arguments : cases) {
        std::string label;
        for (const auto& a : arguments) label += "[" + a + "]";
        SCOPED_TRACE(label);
        // Without FELLRIDGE_WINDOWS_DIR the saver's folder would be made under HOME: not here.
        const Output out = start(arguments, {{"FELLRIDGE_WINDOWS_DIR", ""}});
        EXPECT_EQ(out.status, 0);
        EXPECT_TRUE(listDir(root.file("win")).empty());
        EXPECT_TRUE(listDir(root.file("home")).empty());
        EXPECT_TRUE(listDir(root.path()) == (std::vector<std::string>{"home", "sys", "win"}));
    }
}

TEST_F(EntryProcess, PasswordChangeCallsTheProviderWithoutASaverRunning) {
    installProvider("test_provider_mpr.so", "MPR.DLL");
    // "/a 5678" as one argument, "/A" "5678" as two, and the switch prefix with more after it.
    const std::vector<std::vector<std::string>> cases = {
        {"/a 5678"}, {"/A", "5678"}, {"/Axyz"}, {"\"/a\""}};
    for (const auto& arguments : cases) {
        SCOPED_TRACE(arguments.front());
        std::filesystem::remove(root.file("log"));
        const Output out = start(arguments);
        EXPECT_EQ(out.status, 0);
        EXPECT_EQ(readFile(root.file("log")), "SCRSAVE 0 0 0\n");
        EXPECT_TRUE(listDir(root.file("win")).empty());
    }
}

TEST_F(EntryProcess, PasswordChangeEndsSilentlyWithoutTheProviderOrItsEntry) {
    Output out = start({"/A"});
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.out, "");

    installProvider("test_provider_empty.so", "MPR.DLL");
    out = start({"/A"});
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.out, "");
    EXPECT_FALSE(std::filesystem::exists(root.file("log")));
}

TEST_F(EntryProcess, PasswordChangeFindsTheProviderWhenTheSystemDirectoryEndsInASlash) {
    installProvider("test_provider_mpr.so", "MPR.DLL");
    const Output out = start({"/A"}, {{"FELLRIDGE_SYSTEM_DIR", root.file("sys") + "/"}});
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(readFile(root.file("log")), "SCRSAVE 0 0 0\n");
}

}  // namespace
}  // namespace fellridge::test
