#include "dialog/about_box.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>

#include "dialog/look.h"

namespace fellridge::dialog {

namespace {

// The disclaimer reads as one sentence across the first two texts, then one more text.
constexpr const char* kDisclaimer1 =
    "This program is supplied as is, without warranty of any kind.  The author accepts no "
    "liability for any damage or expense, direct or indirect, due";
constexpr const char* kDisclaimer2 =
    "to loss of data, system failure or any similiar problem arising from its use.";
constexpr const char* kDisclaimer3 =
    "You use this program at your own risk.  If you do not agree, please remove it now.";

QLabel* text(QWidget* parent, const char* name, int left, int top, int width, int height,
             const char* content) {
    auto* label = new QLabel(QString::fromLatin1(content), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(left, top, width, height);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

}  // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    // The caption never shows: the box has no border and no caption bar.
    setWindowTitle(QStringLiteral("Fellridge Wildlife Screensaver"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setModal(true);
    setFixedSize(514, 336);

    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(174, 187, 193));
    setPalette(background);
    setAutoFillBackground(true);
    setFont(sansFont(false));

    auto* frame = new CaptionedFrame(this);
    frame->setObjectName(QStringLiteral("GroupBox1"));
    frame->setGeometry(8, 16, 489, 273);

    auto* version = text(frame, "Label1", 30, 24, 347, 33, "Version 2.00");
    version->setFont(terminalFont());

    auto* disclaimer = new CaptionedFrame(QStringLiteral("Disclaimer"), frame);
    disclaimer->setObjectName(QStringLiteral("GroupBox2"));
    disclaimer->setGeometry(28, 80, 437, 153);
    disclaimer->setFont(terminalFont());

    text(disclaimer, "Label2", 12, 16, 405, 49, kDisclaimer1);
    text(disclaimer, "Label3", 12, 64, 413, 57, kDisclaimer2);
    text(disclaimer, "Label4", 12, 104, 405, 41, kDisclaimer3);

    auto* returnButton = new QPushButton(QStringLiteral("Return"), this);
    returnButton->setObjectName(QStringLiteral("Button1"));
    returnButton->setGeometry(412, 300, 75, 25);
    returnButton->setDefault(true);
    connect(returnButton, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutBox::showEvent(QShowEvent* event) {
    // In the middle of the screen, every time it is shown.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    QDialog::showEvent(event);
}

}  // namespace fellridge::dialog
