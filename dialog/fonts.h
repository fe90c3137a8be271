// The two faces of the settings dialog and the about box, at their fixed pixel sizes.
//
// The dialog's controls have fixed boxes measured for an 11-pixel sans-serif face and the about
// box's texts for a 12-pixel fixed-pitch terminal face. Liberation Sans and Liberation Mono (with
// the DejaVu faces behind them) have close enough metrics that every text fits its box.
#pragma once

#include <QFont>
#include <QStringList>

namespace fellridge::dialog {

// The dialog's default face, 11 pixels high, regular or bold.
inline QFont sansFont(bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setBold(bold);
    return font;
}

// The about box's version line and disclaimer: fixed pitch, 12 pixels high.
inline QFont terminalFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(12);
    return font;
}

}  // namespace fellridge::dialog
