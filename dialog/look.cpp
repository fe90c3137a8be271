#include "dialog/look.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>

namespace fellridge::dialog {

namespace {

constexpr const char* kScaleVariables[] = {
    "QT_ENABLE_HIGHDPI_SCALING", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
    "QT_SCALE_FACTOR_ROUNDING_POLICY", "QT_USE_PHYSICAL_DPI"};

// The user's values of the scale variables while the toolkit starts; unset ones are null.
QByteArray heldValues[std::size(kScaleVariables)];

void giveBackScaleVariables() {
    for (std::size_t i = 0; i < std::size(kScaleVariables); ++i) {
        if (heldValues[i].isNull()) {
            qunsetenv(kScaleVariables[i]);
        } else {
            qputenv(kScaleVariables[i], heldValues[i]);
        }
    }
}

// Takes the user's scale variables out of the toolkit's sight until the application object has
// read its settings, and keeps the style's sizes to 96 dpi.
void holdScaleVariables() {
    for (std::size_t i = 0; i < std::size(kScaleVariables); ++i) {
        heldValues[i] = qEnvironmentVariableIsSet(kScaleVariables[i]) ? qgetenv(kScaleVariables[i])
                                                                      : QByteArray();
        qunsetenv(kScaleVariables[i]);
    }
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi);
    // Runs at the end of the application object's construction, after the toolkit has read
    // the variables.
    qAddPreRoutine(giveBackScaleVariables);
}

}  // namespace

void useDevicePixels() {
    holdScaleVariables();
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
}

void useWholeNumberScale() {
    holdScaleVariables();
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::Round);
}

QFont sansFont(bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setBold(bold);
    return font;
}

QFont terminalFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(12);
    return font;
}

void CaptionedFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int lineTop = metrics.height() / 2;

    // Etched frame: a shadow line with a highlight line just inside and below it.
    const QRect frame(0, lineTop, width() - 1, height() - lineTop - 1);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(frame.adjusted(1, 1, 0, 0));
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));

    if (title().isEmpty()) return;
    const QRect caption(8, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
    painter.fillRect(caption, palette().color(QPalette::Window));
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(caption, Qt::AlignCenter | Qt::TextSingleLine, title());
}

}  // namespace fellridge::dialog
