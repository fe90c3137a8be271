// The settings dialog and the about box on a screen of FELLRIDGE_TEST_DPI dpi fonts, with the
// user's scale factors of 2 on top: drawn at the screen's whole-number scale (the user's factors
// left aside), every text fits its control, and the user's scale variables are there again for
// the programs the dialog starts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <fstream>

#include "../dialog/dialog_fixture.h"
#include "dialog/about_box.h"
#include "dialog/look.h"

namespace fellridge::dialog::testing {
namespace {

std::string where(const QWidget* widget) {
    return widget->objectName().toStdString() + " \"" +
           widget->property("text").toString().toStdString() + "\"";
}

// Every text of the window's controls within the control's own box (for buttons, the part
// beside the indicator or inside the bevel that the style leaves for the text).
void expectTextsFit(const QWidget& window) {
    int checked = 0;
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        const QRect box = label->contentsRect();
        const int flags = static_cast<int>(label->alignment()) |
                          (label->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine);
        const QRect needed = label->fontMetrics().boundingRect(box, flags, label->text());
        EXPECT_TRUE(box.contains(needed))
            << where(label) << " needs " << needed.width() << "x" << needed.height() << ", has "
            << box.width() << "x" << box.height();
        ++checked;
    }
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const bool radio = qobject_cast<const QRadioButton*>(button) != nullptr;
        const QRect contents = button->style()->subElementRect(
            radio ? QStyle::SE_RadioButtonContents : QStyle::SE_PushButtonContents, &option,
            button);
        const QFontMetrics metrics = button->fontMetrics();
        EXPECT_LE(metrics.horizontalAdvance(button->text()), contents.width()) << where(button);
        EXPECT_LE(metrics.height(), button->height()) << where(button);
        ++checked;
    }
    for (const QGroupBox* box : window.findChildren<QGroupBox*>()) {
        if (box->title().isEmpty()) continue;
        // The caption is drawn from 8 pixels in, with 2 pixels of room on either side.
        EXPECT_LE(8 + box->fontMetrics().horizontalAdvance(box->title()) + 4, box->width())
            << box->objectName().toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 5);
}

class HighDpi : public DialogTest {};

// The screen's dpi over 96, rounded half up: 2 at 192 and at 144.
constexpr int kScale = (FELLRIDGE_TEST_DPI + 48) / 96;

TEST_F(HighDpi, TheDialogAndTheAboutBoxAreScaledWithEveryTextInItsBox) {
    SettingsDialog& dialog = open();
    AboutBox about;
    about.show();
    for (QWidget* window : {static_cast<QWidget*>(&dialog), static_cast<QWidget*>(&about)}) {
        EXPECT_EQ(window->devicePixelRatio(), kScale);
        expectTextsFit(*window);
        // Inside the screen (960 x 540 scaled pixels at 2).
        EXPECT_TRUE(window->screen()->geometry().contains(window->frameGeometry()));
    }
    EXPECT_EQ(dialog.size(), QSize(571, 438));
    EXPECT_EQ(about.size(), QSize(514, 336));
    EXPECT_EQ(dialog.grab().size(), QSize(571, 438) * kScale);
}

TEST_F(HighDpi, TheStyleMeasuresAt96Dpi) {
    // A radio button's indicator as the style draws it on an ordinary screen.
    SettingsDialog& dialog = open();
    const QRadioButton* radio = dialog.findChild<QRadioButton*>(QStringLiteral("radsndon"));
    ASSERT_NE(radio, nullptr);
    QStyleOptionButton option;
    option.initFrom(radio);
    EXPECT_LE(radio->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, &option, radio), 16);
}

TEST(HighDpiEnvironment, TheUsersScaleVariablesAreGivenBack) {
    EXPECT_EQ(qgetenv("QT_SCALE_FACTOR"), "2");
    EXPECT_EQ(qgetenv("QT_SCREEN_SCALE_FACTORS"), "2");
    EXPECT_FALSE(qEnvironmentVariableIsSet("QT_ENABLE_HIGHDPI_SCALING"));
}

}  // namespace
}  // namespace fellridge::dialog::testing

// A screen that asks for fonts at FELLRIDGE_TEST_DPI dpi, and a scale factor of 2 on top, as a
// high-resolution desktop sets them; then the toolkit is prepared as the settings run prepares
// it.
int main(int argc, char** argv) {
    QTemporaryDir dir;
    const std::string config = dir.filePath(QStringLiteral("screen.json")).toStdString();
    std::ofstream(config) << R"({"screens": [{"name": "hidpi", "x": 0, "y": 0, "width": 1920,)"
                          << R"( "height": 1080, "logicalDpi": )" << FELLRIDGE_TEST_DPI
                          << R"(, "logicalBaseDpi": 96}]})";
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.c_str());
    qputenv("QT_SCALE_FACTOR", "2");
    qputenv("QT_SCREEN_SCALE_FACTORS", "2");
    qunsetenv("QT_ENABLE_HIGHDPI_SCALING");
    fellridge::dialog::useWholeNumberScale();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
