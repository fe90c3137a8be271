// The registry export file that stands for HKEY_CURRENT_USER.
#include "platform/files/registry_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "support/fakes.h"

namespace fellridge::platform {
namespace {

using testing::TempDir;

constexpr const char* kDesktop = "Control Panel\\desktop";
constexpr const char* kUsePassword = "ScreenSaveUsePassword";

class RegistryFile : public ::testing::Test {
  protected:
    // A registry file with the given text; the registry reads it afresh at every query.
    FileRegistry registry(const std::string& text) {
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << text;
        return FileRegistry(path_);
    }

    TempDir dir_;
    std::string path_ = dir_ / "user.reg";
};

TEST_F(RegistryFile, EitherHeaderWithOrWithoutAByteOrderMarkOrCrLf) {
    const char* const headers[] = {
        "REGEDIT4\n",
        "Windows Registry Editor Version 5.00\n",
        "\xEF\xBB\xBFREGEDIT4\r\n",
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n",
        "  REGEDIT4  \n",
    };
    for (const char* header : headers) {
        FileRegistry reg = registry(std::string(header) +
                                    "\r\n[HKEY_CURRENT_USER\\Control Panel\\desktop]\r\n"
                                    "\"ScreenSaveUsePassword\"=dword:00000001\r\n");
        EXPECT_TRUE(reg.keyExists(kDesktop)) << header;
        const auto value = reg.value(kDesktop, kUsePassword);
        ASSERT_TRUE(value) << header;
        EXPECT_TRUE(value->isDword);
        EXPECT_EQ(value->dword, 1u);
    }
}

TEST_F(RegistryFile, AnyOtherFirstLineHoldsNoKeys) {
    const char* const headers[] = {"REGEDIT5\n", "Windows Registry Editor Version 4.00\n", "\n",
                                   "[HKEY_CURRENT_USER\\Control Panel\\desktop]\n", ""};
    for (const char* header : headers) {
        FileRegistry reg = registry(std::string(header) +
                                    "[HKEY_CURRENT_USER\\Control Panel\\desktop]\n"
                                    "\"ScreenSaveUsePassword\"=dword:00000001\n");
        EXPECT_FALSE(reg.keyExists(kDesktop)) << header;
        EXPECT_FALSE(reg.value(kDesktop, kUsePassword)) << header;
    }
}

TEST_F(RegistryFile, ValuesOfEveryForm) {
    FileRegistry reg = registry(
        "REGEDIT4\n"
        "; a comment\n"
        "[hkey_current_user\\control panel\\DESKTOP]\n"
        "\"Plain\"=\"some text\"\n"
        "\"Quoted\"=\"say \\\"hi\\\" to C:\\\\Windows\"\n"
        "\"Esc\\\"aped\"=dword:0000000a\n"
        "\"Upper\"=DWORD:FFFFFFFF\n"
        "\"Long\"=dword:123456789\n"
        "\"Empty\"=dword:\n"
        "\"Junk\"=dword:12x4\n"
        "\"Bare\" = 42 \n"
        "\"Open\"=\"no end\n"
        "\"Twice\"=dword:00000002\n"
        "\"twice\"=dword:00000003\n"
        "[HKEY_CURRENT_USER\\Other]\n"
        "\"Elsewhere\"=\"x\"\n");

    const auto text = [&](const char* name) {
        const auto value = reg.value(kDesktop, name);
        EXPECT_TRUE(value && !value->isDword) << name;
        return value ? value->text : std::string("<missing>");
    };
    const auto dword = [&](const char* name) {
        const auto value = reg.value(kDesktop, name);
        EXPECT_TRUE(value && value->isDword) << name;
        return value ? value->dword : 0xdeadu;
    };
    EXPECT_EQ(text("Plain"), "some text");
    EXPECT_EQ(text("plain"), "some text");  // names compare without case
    EXPECT_EQ(text("Quoted"), "say \"hi\" to C:\\Windows");
    EXPECT_EQ(dword("Esc\"aped"), 10u);
    EXPECT_EQ(dword("Upper"), 0xFFFFFFFFu);
    // A dword of more than eight digits, none or other than hexadecimal ones is no number.
    EXPECT_EQ(text("Long"), "");
    EXPECT_EQ(text("Empty"), "");
    EXPECT_EQ(text("Junk"), "");
    EXPECT_EQ(text("Bare"), "42");
    EXPECT_EQ(text("Open"), "\"no end");
    EXPECT_EQ(dword("TWICE"), 2u);  // the first value of a name counts
    EXPECT_FALSE(reg.value(kDesktop, "Elsewhere"));
    EXPECT_FALSE(reg.value(kDesktop, "Missing"));
    EXPECT_TRUE(reg.keyExists("Other"));
    EXPECT_FALSE(reg.keyExists("Control Panel"));  // a key is named whole
}

TEST_F(RegistryFile, ALargeFileOrNoFileHoldsNoKeys) {
    {
        FileRegistry reg = registry(
            "REGEDIT4\n[HKEY_CURRENT_USER\\Control Panel\\desktop]\n\"A\"=dword:00000001\n");
        ASSERT_TRUE(reg.keyExists(kDesktop));
    }
    // Past 16 MiB the file is no registry export, whatever its first lines say.
    ASSERT_EQ(::truncate(path_.c_str(), 16 * 1024 * 1024 + 1), 0);
    EXPECT_FALSE(FileRegistry(path_).keyExists(kDesktop));
    ASSERT_EQ(::truncate(path_.c_str(), 16 * 1024 * 1024), 0);
    EXPECT_TRUE(FileRegistry(path_).keyExists(kDesktop));

    EXPECT_FALSE(FileRegistry(dir_ / "missing.reg").keyExists(kDesktop));
    EXPECT_FALSE(FileRegistry(dir_.path()).keyExists(kDesktop));  // a folder
    EXPECT_FALSE(FileRegistry("").value(kDesktop, kUsePassword));
}

}  // namespace
}  // namespace fellridge::platform
