// The settings dialog's creation, its scroll bars, OK and More Software.
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <initializer_list>

#include "dialog_fixture.h"

namespace fellridge::dialog::testing {
namespace {

using platform::BoxKind;

class FormTest : public DialogTest {
  protected:
    // The one button of the group that is checked, or "" when none or more than one is.
    std::string checkedOf(std::initializer_list<const char*> names) const {
        std::string found;
        for (const char* name : names) {
            if (!checked(name)) continue;
            if (!found.empty()) return "";
            found = name;
        }
        return found;
    }
    std::string mode() const {
        return checkedOf({"radpicst", "radpicde", "radpicin", "radpicti", "Radpictcust",
                          "Radoverlap", "Radslide", "RadRollDown"});
    }
    std::string colour() const { return checkedOf({"radcol1", "radcol2", "radcol3", "Radcol4"}); }
};

TEST_F(FormTest, FirstRunWritesTheDialogDefaultsAndShowsThem) {
    SettingsDialog& dialog = open();

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(dialog.settingsPath(), path());
    KeyValues firstRun = {{"Sound", "0"}, {"Status", "0"}, {"Repeat", "0"},  {"Time", "8000"},
                          {"Color", "4"}, {"Picdis", "4"}, {"Height", "25"}, {"Width", "25"}};
    EXPECT_EQ(section("Options"), firstRun);
    const KeyValues names = section("WavConfig");
    ASSERT_EQ(names.size(), 500u);
    EXPECT_EQ(names.front(), (std::pair<std::string, std::string>{"Name1", "Null"}));
    EXPECT_EQ(names.back(), (std::pair<std::string, std::string>{"Name500", "Null"}));

    EXPECT_EQ(mode(), "radpicti");
    EXPECT_EQ(colour(), "Radcol4");
    EXPECT_TRUE(checked("Radseq"));
    EXPECT_TRUE(checked("radsndof"));
    EXPECT_FALSE(checked("radsndon"));
    EXPECT_FALSE(enabled("radsndon"));
    EXPECT_FALSE(enabled("radsndof"));
    EXPECT_EQ(text("Lbldelay"), "8");
    EXPECT_EQ(bar("ScrollbarDelay")->value(), 8);
    EXPECT_EQ(text("Lblwidth"), "25");
    EXPECT_EQ(text("Lblheight"), "25");
    EXPECT_EQ(list()->count(), 0);
    EXPECT_EQ(dialog.soundCount(), 0);
    EXPECT_EQ(bar("ScrollBarW")->maximum(), 1280);
    EXPECT_EQ(bar("ScrollBarH")->maximum(), 1024);

    // An immediate OK keeps the values and appends Seq after Width.
    click("cmdclose");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    firstRun.emplace_back("Seq", "1");
    EXPECT_EQ(section("Options"), firstRun);
}

struct LoadCase {
    const char* name;
    const char* options;  // the Options section's key lines
    const char* mode;
    const char* colour;
    bool soundOn;
    bool inOrder;
    const char* delay;
    int delayBar;
    const char* width;
    int widthBar;
    const char* height;
    int heightBar;
    // What an OK right away writes for Time, Height and Width.
    const char* time;
    const char* okHeight;
    const char* okWidth;
};

void PrintTo(const LoadCase& c, std::ostream* out) {
    *out << c.name;
}

class LoadTest : public FormTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadTest, ControlsShowTheFileAndOkWritesTheLabelsBack) {
    const LoadCase& c = GetParam();
    openWith(c.options + wavConfig({"/music/a.mp3"}));

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(mode(), c.mode);
    EXPECT_EQ(colour(), c.colour);
    EXPECT_EQ(checked("radsndon"), c.soundOn);
    EXPECT_EQ(checked("radsndof"), !c.soundOn);
    EXPECT_EQ(checked("Radseq"), c.inOrder);
    EXPECT_EQ(checked("Radran"), !c.inOrder);
    EXPECT_EQ(text("Lbldelay").toStdString(), c.delay);
    EXPECT_EQ(bar("ScrollbarDelay")->value(), c.delayBar);
    EXPECT_EQ(text("Lblwidth").toStdString(), c.width);
    EXPECT_EQ(bar("ScrollBarW")->value(), c.widthBar);
    EXPECT_EQ(text("Lblheight").toStdString(), c.height);
    EXPECT_EQ(bar("ScrollBarH")->value(), c.heightBar);

    click("cmdclose");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(value("Options", "Time"), c.time);
    EXPECT_EQ(value("Options", "Height"), c.okHeight);
    EXPECT_EQ(value("Options", "Width"), c.okWidth);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LoadTest,
    ::testing::Values(
        LoadCase{"NoKeys", "", "RadRollDown", "Radcol4", true, true, "0", 1, "25", 25, "25", 25,
                 "0", "25", "25"},
        LoadCase{"Defaults", "Time=-1\nHeight=-1\nWidth=-1\n", "RadRollDown", "Radcol4", true, true,
                 "0", 1, "25", 25, "25", 25, "0", "25", "25"},
        LoadCase{"HalfUpRoundsDownToEven", "Time=2500\nSound=0\nSeq=0\nPicdis=1\n", "radpicst",
                 "Radcol4", false, false, "2", 2, "25", 25, "25", 25, "2000", "25", "25"},
        LoadCase{"HalfRoundsUpToEven", "Time=3500\nPicdis=5\nColor=2\n", "Radpictcust", "radcol2",
                 true, true, "4", 4, "25", 25, "25", 25, "4000", "25", "25"},
        LoadCase{"BelowHalf", "Time=8400\nPicdis=7\nColor=3\nSound=2\n", "Radslide", "radcol3",
                 true, true, "8", 8, "25", 25, "25", 25, "8000", "25", "25"},
        LoadCase{"SizesOutsideTheBars", "Height=5000\nWidth=10\nPicdis=9\nColor=7\n", "RadRollDown",
                 "Radcol4", true, true, "0", 1, "25", 25, "5000", 1024, "0", "5000", "25"},
        LoadCase{"DelayAboveTheBar", "Time=900000\nWidth=640\nPicdis=0\nColor=1\nSeq=yes\n",
                 "RadRollDown", "radcol1", true, true, "900", 800, "640", 640, "25", 25, "900000",
                 "25", "640"},
        LoadCase{"HexAndMode6", "Time=$1F40\nPicdis=6\nHeight=0x100\n", "Radoverlap", "Radcol4",
                 true, true, "8", 8, "25", 25, "256", 256, "8000", "256", "25"},
        // A delay whose thousandfold leaves 32 bits is written as the nearest 32-bit value.
        LoadCase{"DelayAtTheTop", "Time=2147483647\n", "RadRollDown", "Radcol4", true, true,
                 "2147484", 800, "25", 25, "25", 25, "2147483647", "25", "25"},
        LoadCase{"DelayAtTheBottom", "Time=-2147483648\n", "RadRollDown", "Radcol4", true, true,
                 "-2147484", 1, "25", 25, "25", 25, "-2147483648", "25", "25"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormTest, OkWritesTheSevenKeysInOrderFromTheControls) {
    openWith(wavConfig({"/music/a.mp3"}));

    click("radsndof");
    click("Radran");
    click("radpicin");
    control<QRadioButton>("radcol3")->setChecked(true);
    bar("ScrollbarDelay")->setValue(42);
    bar("ScrollBarH")->setValue(600);
    bar("ScrollBarW")->setValue(800);
    click("cmdclose");

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(section("Options"), (KeyValues{{"Sound", "0"},
                                             {"Seq", "0"},
                                             {"Color", "3"},
                                             {"Picdis", "3"},
                                             {"Time", "42000"},
                                             {"Height", "600"},
                                             {"Width", "800"}}));
    // OK leaves the sound list alone.
    EXPECT_EQ(value("WavConfig", "Name1"), "/music/a.mp3");
    EXPECT_EQ(section("WavConfig").size(), 500u);
}

TEST_F(FormTest, EveryScrollCopiesTheBarPositionIntoItsLabel) {
    openWith("Height=5000\nWidth=5000\nTime=9000000\n");
    ASSERT_EQ(text("Lblheight"), "5000");

    struct Bar {
        const char* bar;
        const char* label;
    };
    for (const Bar b : {Bar{"ScrollbarDelay", "Lbldelay"}, Bar{"ScrollBarH", "Lblheight"},
                        Bar{"ScrollBarW", "Lblwidth"}}) {
        SCOPED_TRACE(b.bar);
        QScrollBar* scroll = bar(b.bar);
        // An arrow click against the end does not move the bar but still replaces the label.
        scroll->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        EXPECT_EQ(text(b.label), QString::number(scroll->maximum()));
        scroll->triggerAction(QAbstractSlider::SliderPageStepSub);
        EXPECT_EQ(text(b.label), QString::number(scroll->maximum() - 1));
        scroll->triggerAction(QAbstractSlider::SliderToMinimum);
        EXPECT_EQ(text(b.label), QString::number(scroll->minimum()));
        scroll->setSliderPosition(100);
        EXPECT_EQ(text(b.label), "100");
    }

    click("cmdclose");
    EXPECT_EQ(value("Options", "Time"), "100000");
    EXPECT_EQ(value("Options", "Height"), "100");
    EXPECT_EQ(value("Options", "Width"), "100");
}

TEST_F(FormTest, LowColourDepthShowsTheHintFirst) {
    for (const int depth : {1, 4, 8, 15, 16, 24, 32}) {
        SCOPED_TRACE(depth);
        boxes.shown.clear();
        screen.bits = depth;
        open();
        if (depth < 16) {
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].kind, BoxKind::Plain);
            EXPECT_EQ(boxes.shown[0].text.rfind("Helpful Hint: It looks like your monitor", 0), 0u);
            EXPECT_NE(boxes.shown[0].text.find("select \"Display\", then click the \"settings\" "
                                               "tab."),
                      std::string::npos);
            EXPECT_NE(boxes.shown[0].text.find("to make your images look nicer."),
                      std::string::npos);
        } else {
            EXPECT_TRUE(boxes.shown.empty());
        }
    }
}

TEST_F(FormTest, TheBarsReachTheScreenSize) {
    screen.w = 1920;
    screen.h = 1080;
    openWith("Height=1500\nWidth=1500\n");
    EXPECT_EQ(bar("ScrollBarW")->maximum(), 1920);
    EXPECT_EQ(bar("ScrollBarH")->maximum(), 1080);
    EXPECT_EQ(bar("ScrollBarW")->value(), 1500);
    EXPECT_EQ(bar("ScrollBarH")->value(), 1080);
    EXPECT_EQ(bar("ScrollBarH")->minimum(), 25);
}

TEST_F(FormTest, ARefusedWriteKeepsTheDialogOpen) {
    writeFile("[Options]\nSound=0\n");
    ASSERT_EQ(::chmod(path().c_str(), 0444), 0);
    const std::string before = fileText();
    SettingsDialog& dialog = open();

    click("cmdclose");
    expectOneBox(BoxKind::Error, "Unable to write to " + path());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(fileText(), before);

    // Once the file can be written again, OK goes through.
    ASSERT_EQ(::chmod(path().c_str(), 0644), 0);
    click("cmdclose");
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(value("Options", "Sound"), "0");
}

TEST_F(FormTest, AFirstRunThatCannotWriteStillShowsTheDialog) {
    // A directory in the settings file's place: no file exists, and none can be written.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("fellridge28.ini")));
    SettingsDialog& dialog = open();

    expectOneBox(BoxKind::Error, "Unable to write to " + path());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(list()->count(), 0);
}

TEST_F(FormTest, EscapeAndTheWindowManagersCloseEndItWithoutWriting) {
    writeFile("[Options]\nSound=0\nTime=2500\n");
    for (const bool escape : {true, false}) {
        SettingsDialog& dialog = open();
        control<QRadioButton>("radsndon")->setChecked(true);
        if (escape) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&dialog, &press);
        } else {
            dialog.close();
        }
        EXPECT_FALSE(dialog.isVisible()) << (escape ? "Escape" : "close");
        EXPECT_EQ(value("Options", "Sound"), "0");
        EXPECT_EQ(value("Options", "Time"), "2500");
    }
}

TEST_F(FormTest, TheWindowIsFixed) {
    SettingsDialog& dialog = open();
    EXPECT_TRUE(dialog.windowFlags() & Qt::CustomizeWindowHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(dialog.size(), QSize(571, 438));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_FALSE(control<QWidget>("GroupBox1")->isVisible());
    EXPECT_EQ(dialog.focusWidget(), control<QWidget>("cmdclose"));
    EXPECT_EQ(dialog.windowIcon().availableSizes(), (QList<QSize>{{32, 32}, {16, 16}}));
}

TEST_F(FormTest, MoreSoftwareOpensTheDownloadsSite) {
    const std::string intro =
        "We will now display the software downloads site. Please be sure you are connected to "
        "the internet, then click OK to view more software downloads.";
    for (const bool opens : {true, false}) {
        SCOPED_TRACE(opens);
        boxes.shown.clear();
        shell.opened.clear();
        shell.opens = opens;
        open();
        click("cmdmore");

        ASSERT_EQ(shell.opened, std::vector<std::string>{FELLRIDGE_DOWNLOADS_URL});
        ASSERT_EQ(boxes.shown.size(), opens ? 1u : 2u);
        EXPECT_EQ(boxes.shown[0].kind, BoxKind::Plain);
        EXPECT_EQ(boxes.shown[0].text, intro);
        if (!opens) {
            EXPECT_EQ(boxes.shown[1].kind, BoxKind::Plain);
            EXPECT_EQ(boxes.shown[1].text,
                      std::string("You cannot view the download site because your browser would "
                                  "not open. You can still view the download site by opening "
                                  "your web browser and pointing to ") +
                          FELLRIDGE_DOWNLOADS_URL);
        }
        EXPECT_TRUE(form->isVisible());
    }
}

}  // namespace
}  // namespace fellridge::dialog::testing
