// The look shared by the settings dialog and the about box: their two faces at fixed pixel
// sizes, and a group box whose caption sits on its frame line.
#pragma once

#include <QFont>
#include <QGroupBox>
#include <QStringList>

class QPaintEvent;

namespace fellridge::dialog {

// The dialog's controls have fixed boxes measured for an 11-pixel sans-serif face and the about
// box's texts for a 12-pixel fixed-pitch terminal face. Liberation Sans and Liberation Mono (with
// the DejaVu faces behind them) are close enough in their metrics that every text fits its box.

// The toolkit's scale, chosen before the application object is made. Both take the user's
// QT_SCALE_FACTOR, QT_SCREEN_SCALE_FACTORS, QT_ENABLE_HIGHDPI_SCALING and the other scale
// variables out of the toolkit's sight (they are given back once the application object has read its settings, for the
// programs started from here) and measure the style's sizes (radio indicators, arrows, frames)
// at 96 dpi rather than at the font resolution (Xft.dpi), so that every text stays in its box.

// Device pixels whatever the screen's resolution: the saver's pictures stay pixel for pixel.
void useDevicePixels();

// The screen's own scale (its font resolution over 96 dpi) rounded to a whole number: 2 at
// 192 dpi, 2 at 144 dpi, 1 at 120 dpi. The dialog and the about box are laid out in these
// scaled pixels, so that on a high-resolution screen they are as large as on an ordinary one.
void useWholeNumberScale();

// The dialog's default face, 11 pixels high, regular or bold.
QFont sansFont(bool bold = false);

// The about box's version line and disclaimer: fixed pitch, 12 pixels high.
QFont terminalFont();

// A group box drawn with an etched frame whose top line runs through the middle of the caption,
// so that controls placed just below the caption stay inside the frame. Its children are placed
// at fixed positions; it has no layout.
class CaptionedFrame : public QGroupBox {
    Q_OBJECT
  public:
    explicit CaptionedFrame(QWidget* parent = nullptr) : QGroupBox(parent) {}
    CaptionedFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace fellridge::dialog
