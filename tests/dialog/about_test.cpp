// The about box: shown modally from the settings dialog, closed by Return, any number of times.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "dialog/about_box.h"
#include "dialog_fixture.h"

namespace fellridge::dialog::testing {
namespace {

class AboutTest : public DialogTest {};

TEST_F(AboutTest, AboutShowsTheBoxModallyUntilReturnAgainAndAgain) {
    AboutBox about;
    SettingsDialog& dialog = open();
    dialog.setAboutBox(&about);

    int shown = 0;
    for (int round = 0; round < 2; ++round) {
        // Runs inside the about box's modal wait.
        QTimer::singleShot(0, &about, [&] {
            if (QApplication::activeModalWidget() != &about || !about.isVisible()) return;
            ++shown;
            about.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
        });
        click("cmdhelp");
        EXPECT_EQ(shown, round + 1);
        EXPECT_FALSE(about.isVisible());
        EXPECT_TRUE(dialog.isVisible());
    }
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(AboutTest, TheBoxShowsTheVersionAndTheDisclaimer) {
    AboutBox about;
    EXPECT_EQ(about.size(), QSize(514, 336));
    EXPECT_TRUE(about.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(about.isModal());
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("Label1"))->text(), "Version 2.00");

    const QString first = about.findChild<QLabel*>(QStringLiteral("Label2"))->text();
    const QString second = about.findChild<QLabel*>(QStringLiteral("Label3"))->text();
    const QString third = about.findChild<QLabel*>(QStringLiteral("Label4"))->text();
    EXPECT_TRUE(first.endsWith(" due"));
    EXPECT_TRUE(second.startsWith("to loss of data"));
    EXPECT_TRUE(second.contains("similiar"));
    for (const QString& text : {first, second, third}) {
        // Two blanks after every full stop inside a text.
        for (qsizetype stop = text.indexOf('.'); stop >= 0 && stop + 1 < text.size();
             stop = text.indexOf('.', stop + 1))
            EXPECT_EQ(text.mid(stop + 1, 2), "  ") << text.toStdString();
    }
}

}  // namespace
}  // namespace fellridge::dialog::testing
