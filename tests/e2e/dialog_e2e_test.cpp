// The settings dialog as a user meets it: /C shows it, OK holds the focus, and Return writes
// the settings and ends the program.
#include <gtest/gtest.h>

#include <thread>

#include "process.h"
#include "x11_session.h"

namespace fellridge::test {
namespace {

using namespace std::chrono_literals;

TEST(DialogE2e, ReturnOnTheFreshDialogWritesTheSettingsAndEnds) {
    Xvfb xvfb(1024, 768);
    ASSERT_TRUE(xvfb.ok());
    TempDir win;
    // "/c 5678" as one argument: the switch prefix picks the settings, the number is not used.
    Child dialog({program(), "/c 5678"}, {{"DISPLAY", xvfb.display()},
                                          {"QT_QPA_PLATFORM", "xcb"},
                                          {"FELLRIDGE_WINDOWS_DIR", win.path()}});
    const std::string id = waitForWindowNamed(xvfb.display(), "^Fellridge Wildlife Screensaver$");
    ASSERT_FALSE(id.empty()) << "no dialog";
    const Output geometry =
        run({"xdotool", "getwindowgeometry", id}, {{"DISPLAY", xvfb.display()}});
    EXPECT_NE(geometry.out.find("571x438"), std::string::npos) << geometry.out;
    // The first run has written the dialog's values already.
    const std::string before = readFile(win.file("fellridge28.ini"));
    EXPECT_EQ(before.rfind("[Options]\nSound=0\nStatus=0\nRepeat=0\nTime=8000\nColor=4\n", 0), 0u);

    std::this_thread::sleep_for(300ms);
    xdotool(xvfb.display(), {"key", "Return"});
    EXPECT_EQ(dialog.wait(10s), 0);
    const std::string after = readFile(win.file("fellridge28.ini"));
    EXPECT_EQ(after.rfind("[Options]\nSound=0\nStatus=0\nRepeat=0\nTime=8000\nColor=4\nPicdis=4\n"
                          "Height=25\nWidth=25\nSeq=1\n[WavConfig]\nName1=Null\n",
                          0),
              0u)
        << after.substr(0, 200);
}

}  // namespace
}  // namespace fellridge::test
