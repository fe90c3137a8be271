// The dialog from the keyboard: Tab in reading order with a radio group one stop, the arrow keys
// inside a group, and every control named after its label.
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>

#include "dialog_fixture.h"

namespace fellridge::dialog::testing {
namespace {

// Presses the key on the focused control and answers the control that has the focus after.
std::string press(SettingsDialog& dialog, int key) {
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent event(type, key, Qt::NoModifier);
        QApplication::sendEvent(dialog.focusWidget(), &event);
    }
    return dialog.focusWidget()->objectName().toStdString();
}

using KeyboardTest = DialogTest;

TEST_F(KeyboardTest, TabGoesThroughTheControlsInReadingOrderAndArrowsWithinAGroup) {
    SettingsDialog& dialog = openWith("Sound=1\nSeq=0\nPicdis=6\n" + wavConfig({"/a.mp3"}));
    QApplication::setActiveWindow(&dialog);
    std::vector<std::string> stops;
    for (int i = 0; i < 13; ++i) stops.push_back(press(dialog, Qt::Key_Tab));
    EXPECT_EQ(stops,
              (std::vector<std::string>{"ListBox2", "cmdwav", "cmdwavd", "radsndon",
                                        "ScrollbarDelay", "Radoverlap", "ScrollBarW", "ScrollBarH",
                                        "Radran", "cmdmore", "cmdhelp", "cmdclose", "ListBox2"}));

    control<QWidget>("Radoverlap")->setFocus();
    EXPECT_EQ(press(dialog, Qt::Key_Down), "Radslide");
    EXPECT_TRUE(checked("Radslide"));
    press(dialog, Qt::Key_Backtab);
    EXPECT_EQ(press(dialog, Qt::Key_Tab), "Radslide");  // the group's stop moved with the check
}

TEST_F(KeyboardTest, EveryControlIsNamedAfterItsLabel) {
    SettingsDialog& dialog = open();
    for (const auto& [name, label] : std::vector<std::pair<const char*, const char*>>{
             {"ListBox2", "You can add sound files to play while your pictures display."},
             {"radsndof", "Sound OFF"},
             {"ScrollbarDelay", "Time Delay - Seconds"},
             {"Radpictcust", "Customize Picture Size Below"},
             {"ScrollBarW", "Picture Width"},
             {"ScrollBarH", "Picture Height"},
             {"GroupBox5", "Picture Sequence"}})
        EXPECT_EQ(QAccessible::queryAccessibleInterface(control<QWidget>(name))
                      ->text(QAccessible::Name)
                      .toStdString(),
                  label);
    for (QWidget* widget : dialog.findChildren<QWidget*>()) {
        const bool control =
            widget->focusPolicy() != Qt::NoFocus || qobject_cast<QGroupBox*>(widget);
        EXPECT_TRUE(!control || !widget->accessibleName().isEmpty())
            << widget->objectName().toStdString();
    }
}

}  // namespace
}  // namespace fellridge::dialog::testing
