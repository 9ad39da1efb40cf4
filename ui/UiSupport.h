// Small helpers shared by the program's widgets: colour values and the form font.
#pragma once

#include <cstdint>

#include <QColor>
#include <QFont>
#include <QString>
#include <string>

class QEvent;
class QWidget;

// 0x00BBGGRR: the low byte is red, the third byte blue (0x0000FF is red, 0xFF0000 blue).
using TColor = std::uint32_t;

QColor ColorToQColor(TColor Color);
TColor QColorToColor(const QColor& Color);

// The font of the program's forms: Tahoma 8 pt where it is installed, otherwise the system's
// sans-serif face at 8 pt.
QFont FormFont();

// Answers a tooltip event of a widget whose parts have tooltips of their own: shows Text, the
// text of the part under the event's point, or hides the tooltip when it is empty.
void ShowToolTipAt(QWidget& Widget, const QEvent& Event, const QString& Text);

inline QString ToQString(const std::string& Text) {
    return QString::fromUtf8(Text.data(), static_cast<qsizetype>(Text.size()));
}
inline QString ToQString(const char* Text) {
    return QString::fromUtf8(Text);
}
