#include "dialog/keyboard.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>
#include <map>

namespace fellridge::dialog {

namespace {

// The controls as they are read: the sound list and its options, the delay to their right, the
// display modes with the custom size below them, the sequence to their right, then the buttons
// along the bottom. The background colours are never shown, so Tab passes them by.
constexpr const char* kReadingOrder[] = {
    "ListBox2",       "cmdwav",   "cmdwavd",     "radsndon",    "radsndof",
    "ScrollbarDelay", "radpicst", "radpicde",    "radpicin",    "radpicti",
    "Radoverlap",     "Radslide", "RadRollDown", "Radpictcust", "ScrollBarW",
    "ScrollBarH",     "Radseq",   "Radran",      "radcol1",     "radcol2",
    "radcol3",        "Radcol4",  "cmdmore",     "cmdhelp",     "cmdclose"};

// Controls whose label is a widget of its own (a caption beside them, or the frame around them).
struct LabelOf {
    const char* control;
    const char* label;
};
constexpr LabelOf kLabels[] = {{"ListBox2", "Label1"},
                               {"ScrollbarDelay", "GroupBox3"},
                               {"ScrollBarW", "Label3"},
                               {"ScrollBarH", "Label2"}};

QString labelText(const QWidget& label) {
    if (const auto* box = qobject_cast<const QGroupBox*>(&label)) return box->title().trimmed();
    if (const auto* text = qobject_cast<const QLabel*>(&label)) return text->text().trimmed();
    return {};
}

}  // namespace

void arrangeForKeyboard(QWidget& dialog) {
    const auto find = [&dialog](const char* name) {
        return dialog.findChild<QWidget*>(QString::fromLatin1(name));
    };

    QWidget* previous = nullptr;
    for (const char* name : kReadingOrder) {
        QWidget* control = find(name);
        if (control == nullptr) continue;
        if (previous != nullptr) QWidget::setTabOrder(previous, control);
        previous = control;
    }

    // A radio group is one Tab stop, its checked button (the first while none is); the
    // toolkit's arrow keys move the focus within the group and check the button reached.
    std::map<QWidget*, QList<QRadioButton*>> groups;
    for (auto* radio : dialog.findChildren<QRadioButton*>())
        if (radio->autoExclusive()) groups[radio->parentWidget()].append(radio);
    for (auto& [parent, buttons] : groups) {
        const auto keepOneStop = [buttons = buttons] {
            QRadioButton* stop = buttons.front();
            for (QRadioButton* radio : buttons)
                if (radio->isChecked()) stop = radio;
            for (QRadioButton* radio : buttons)
                radio->setFocusPolicy(radio == stop ? Qt::StrongFocus : Qt::ClickFocus);
        };
        keepOneStop();
        for (QRadioButton* radio : buttons)
            QObject::connect(radio, &QAbstractButton::toggled, &dialog, keepOneStop);
    }

    for (auto* button : dialog.findChildren<QAbstractButton*>())
        button->setAccessibleName(button->text().trimmed());
    for (auto* box : dialog.findChildren<QGroupBox*>()) box->setAccessibleName(labelText(*box));
    for (const LabelOf& pair : kLabels) {
        QWidget* control = find(pair.control);
        QWidget* label = find(pair.label);
        if (control == nullptr || label == nullptr) continue;
        control->setAccessibleName(labelText(*label));
        if (auto* caption = qobject_cast<QLabel*>(label)) caption->setBuddy(control);
    }
}

}  // namespace fellridge::dialog
