// The dialog from the keyboard: Tab's stops in reading order with one stop a radio group, the
// arrow keys inside a group, and the accessible name of every control.
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>

#include "dialog_fixture.h"

namespace fellridge::dialog::testing {
namespace {

void press(QWidget* widget, int key) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &up);
}

class KeyboardTest : public DialogTest {
  protected:
    // The focus's object name after each Tab, once round the dialog.
    std::vector<std::string> stops(SettingsDialog& dialog) {
        std::vector<std::string> names;
        for (int i = 0; i < 13; ++i) {
            press(dialog.focusWidget(), Qt::Key_Tab);
            names.push_back(dialog.focusWidget()->objectName().toStdString());
        }
        return names;
    }
};

TEST_F(KeyboardTest, TabGoesThroughTheControlsInReadingOrder) {
    writeFile("[Options]\nSound=1\nSeq=0\nPicdis=6\n" + wavConfig({"/a.mp3"}));
    SettingsDialog& dialog = open();
    QApplication::setActiveWindow(&dialog);
    const std::vector<std::string> forward = {
        "ListBox2",   "cmdwav", "cmdwavd", "radsndon", "ScrollbarDelay", "Radoverlap", "ScrollBarW",
        "ScrollBarH", "Radran", "cmdmore", "cmdhelp",  "cmdclose",       "ListBox2"};
    EXPECT_EQ(stops(dialog), forward);

    // The arrow keys move within the modes and check the one reached; Tab then stops there.
    dialog.findChild<QWidget*>(QStringLiteral("Radoverlap"))->setFocus();
    press(dialog.focusWidget(), Qt::Key_Down);
    EXPECT_EQ(dialog.focusWidget()->objectName(), "Radslide");
    EXPECT_TRUE(checked("Radslide"));
    press(dialog.focusWidget(), Qt::Key_Backtab);
    press(dialog.focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(dialog.focusWidget()->objectName(), "Radslide");
}

TEST_F(KeyboardTest, EveryControlIsNamedAfterItsLabel) {
    SettingsDialog& dialog = open();
    const std::pair<const char*, const char*> names[] = {
        {"ListBox2", "You can add sound files to play while your pictures display."},
        {"cmdwav", "Add Sound File"},
        {"radsndof", "Sound OFF"},
        {"ScrollbarDelay", "Time Delay - Seconds"},
        {"Radpictcust", "Customize Picture Size Below"},
        {"ScrollBarW", "Picture Width"},
        {"ScrollBarH", "Picture Height"},
        {"GroupBox5", "Picture Sequence"},
        {"cmdclose", "OK"}};
    for (const auto& [name, label] : names) {
        QWidget* widget = control<QWidget>(name);
        ASSERT_NE(widget, nullptr);
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(face, nullptr) << name;
        EXPECT_EQ(face->text(QAccessible::Name).toStdString(), label) << name;
    }
    for (QWidget* widget : dialog.findChildren<QWidget*>()) {
        const bool control =
            widget->focusPolicy() != Qt::NoFocus || qobject_cast<QGroupBox*>(widget);
        EXPECT_TRUE(!control || !widget->accessibleName().isEmpty())
            << widget->objectName().toStdString();
    }
}

}  // namespace
}  // namespace fellridge::dialog::testing
