// The directories, the platform family and the registry file as the environment gives them, and
// the folders an installed program finds from its own path.
#include "platform/files/environment.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/files/registry_file.h"
#include "platform/scoped_variables.h"
#include "support/fakes.h"

namespace fellridge::platform {
namespace {

using testing::TempDir;

using test_env::Variables;

class EnvironmentTest : public ::testing::Test {
  protected:
    TempDir dir;
    Variables variables;
    PosixEnvironment environment;
};

TEST_F(EnvironmentTest, SaverFolderFromTheVariableOrTheDataHome) {
    // Taken as it is, and made private to the user when missing; an existing one keeps its mode.
    const std::string given = dir / "given/saver/";
    variables.set("FELLRIDGE_WINDOWS_DIR", given.c_str());
    EXPECT_EQ(environment.saverFolder(), given);
    for (const char* made : {"given", "given/saver"})
        EXPECT_EQ(std::filesystem::status(dir / made).permissions(),
                  std::filesystem::perms::owner_all)
            << made;
    std::filesystem::permissions(dir / "given/saver", std::filesystem::perms::all);
    EXPECT_EQ(environment.saverFolder(), given);
    EXPECT_EQ(std::filesystem::status(dir / "given/saver").permissions(),
              std::filesystem::perms::all);

    variables.set("FELLRIDGE_WINDOWS_DIR", "");
    variables.set("XDG_DATA_HOME", (dir / "data").c_str());
    EXPECT_EQ(environment.saverFolder(), dir / "data/fellridge-wildlife");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "data/fellridge-wildlife"));  // made

    // A relative data home is ignored, as the base-directory rules say.
    variables.set("XDG_DATA_HOME", "relative/data");
    variables.set("HOME", dir.path().c_str());
    EXPECT_EQ(environment.saverFolder(), dir / ".local/share/fellridge-wildlife");
    EXPECT_TRUE(std::filesystem::is_directory(dir / ".local/share/fellridge-wildlife"));

    variables.set("XDG_DATA_HOME", nullptr);
    variables.set("HOME", nullptr);
    EXPECT_EQ(environment.saverFolder(), std::nullopt);  // the query fails
}

TEST_F(EnvironmentTest, SystemDirectoryFromTheVariableOrTheDefault) {
    variables.set("FELLRIDGE_SYSTEM_DIR", "/opt/providers");
    EXPECT_EQ(environment.systemDirectory(), "/opt/providers");
    variables.set("FELLRIDGE_SYSTEM_DIR", nullptr);
    EXPECT_FALSE(environment.systemDirectory().empty());
    variables.set("FELLRIDGE_SYSTEM_DIR", "");
    EXPECT_FALSE(environment.systemDirectory().empty());
}

TEST_F(EnvironmentTest, InputEndsAtOnceUnlessAWholeNumberOtherThanTwoSaysOtherwise) {
    const struct {
        const char* value;
        bool atOnce;
    } cases[] = {{nullptr, true}, {"", true},   {"1", false},  {"2", true},  {"0", false},
                 {"-3", false},   {"1x", true}, {"one", true}, {" 1", false}};
    for (const auto& c : cases) {
        variables.set("FELLRIDGE_PLATFORM_ID", c.value);
        EXPECT_EQ(environment.inputEndsAtOnce(), c.atOnce) << (c.value ? c.value : "(unset)");
    }
}

TEST_F(EnvironmentTest, RegistryFileFromTheVariableOrTheConfigHome) {
    const std::string text = "REGEDIT4\n[HKEY_CURRENT_USER\\Control Panel\\desktop]\n";
    std::filesystem::create_directories(dir / "config/fellridge-wildlife");
    std::ofstream(dir / "config/fellridge-wildlife/user.reg") << text;
    std::ofstream(dir / "named.reg") << text;

    variables.set("FELLRIDGE_REGISTRY", (dir / "named.reg").c_str());
    variables.set("XDG_CONFIG_HOME", nullptr);
    EXPECT_TRUE(FileRegistry().keyExists("Control Panel\\desktop"));

    variables.set("FELLRIDGE_REGISTRY", nullptr);
    variables.set("XDG_CONFIG_HOME", (dir / "config").c_str());
    EXPECT_TRUE(FileRegistry().keyExists("Control Panel\\desktop"));

    variables.set("XDG_CONFIG_HOME", "config");  // relative: the home's .config instead
    variables.set("HOME", dir.path().c_str());
    EXPECT_FALSE(FileRegistry().keyExists("Control Panel\\desktop"));
    std::filesystem::create_directories(dir / ".config/fellridge-wildlife");
    std::ofstream(dir / ".config/fellridge-wildlife/user.reg") << text;
    EXPECT_TRUE(FileRegistry().keyExists("Control Panel\\desktop"));

    variables.set("HOME", nullptr);
    EXPECT_FALSE(FileRegistry().keyExists("Control Panel\\desktop"));
}

using Folders = std::vector<std::string>;

TEST(StoredPictureFolders, TheInstallationFirstThenEachDataDirectoryOnce) {
    const std::string exe = "/opt/fw/bin/fellridge-wildlife";
    const std::string own = "/opt/fw/share/fellridge-wildlife";
    struct Case {
        const char* executable;
        const char* xdgDataDirs;
        Folders expected;
    };
    const Case cases[] = {
        {exe.c_str(),
         nullptr,
         {own, "/usr/local/share/fellridge-wildlife", "/usr/share/fellridge-wildlife"}},
        {exe.c_str(),
         "",
         {own, "/usr/local/share/fellridge-wildlife", "/usr/share/fellridge-wildlife"}},
        {exe.c_str(), "/a:/b/", {own, "/a/fellridge-wildlife", "/b/fellridge-wildlife"}},
        // Relative and empty entries are skipped; repeats come once.
        {exe.c_str(), "relative::/a//:/a:/opt/fw/share", {own, "/a/fellridge-wildlife"}},
        {exe.c_str(), "/", {own, "/fellridge-wildlife"}},
        {"/usr/bin/fellridge-wildlife",
         nullptr,
         {"/usr/share/fellridge-wildlife", "/usr/local/share/fellridge-wildlife"}},
        {"", "/a", {"/a/fellridge-wildlife"}},  // the executable unknown
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.executable) + " | " + (c.xdgDataDirs ? c.xdgDataDirs : "unset"));
        EXPECT_EQ(platform::storedPictureFolders(c.executable, c.xdgDataDirs), c.expected);
    }
}

TEST(DefaultSystemDirectory, TheBuildTreesBesideTheProgramElseTheInstallations) {
    TempDir dir;
    std::filesystem::create_directories(dir / "build/data/system");
    std::filesystem::create_directories(dir / "prefix/bin");
    EXPECT_EQ(platform::defaultSystemDirectory(dir / "build/fellridge-wildlife"),
              dir / "build/data/system");
    EXPECT_EQ(platform::defaultSystemDirectory(dir / "prefix/bin/fellridge-wildlife"),
              dir / "prefix/lib/fellridge-wildlife/system");
    EXPECT_EQ(platform::defaultSystemDirectory("/usr/bin/fellridge-wildlife"),
              "/usr/lib/fellridge-wildlife/system");
    EXPECT_EQ(platform::defaultSystemDirectory(""), "");
}

TEST(DefaultSystemDirectory, FollowsTheRunningExecutableUnlessTheVariableNamesOne) {
    // This test program lives in the build tree, but not beside data/system.
    const std::string exe = platform::executablePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(std::filesystem::path(exe).filename(), "platform_files_test");
    ::unsetenv("FELLRIDGE_SYSTEM_DIR");
    platform::PosixEnvironment environment;
    EXPECT_EQ(environment.systemDirectory(), platform::defaultSystemDirectory(exe));
    ::setenv("FELLRIDGE_SYSTEM_DIR", "/somewhere/else", 1);
    EXPECT_EQ(environment.systemDirectory(), "/somewhere/else");
    ::unsetenv("FELLRIDGE_SYSTEM_DIR");
}

}  // namespace
}  // namespace fellridge::platform
