#include "ui/UiSupport.h"

#include <QHelpEvent>
#include <QToolTip>

#include <QFontDatabase>

QColor ColorToQColor(TColor Color) {
    const int Red = static_cast<int>(Color & 0xFF);
    const int Green = static_cast<int>((Color >> 8) & 0xFF);
    const int Blue = static_cast<int>((Color >> 16) & 0xFF);
    return QColor(Red, Green, Blue);
}

TColor QColorToColor(const QColor& Color) {
    const QColor Rgb = Color.toRgb();
    return static_cast<TColor>(Rgb.red()) | (static_cast<TColor>(Rgb.green()) << 8) |
           (static_cast<TColor>(Rgb.blue()) << 16);
}

QFont FormFont() {
    const QString Tahoma = QStringLiteral("Tahoma");
    if (QFontDatabase::families().contains(Tahoma, Qt::CaseInsensitive)) {
        return QFont(Tahoma, 8);
    }
    QFont Font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    Font.setStyleHint(QFont::SansSerif);
    Font.setPointSize(8);
    return Font;
}

void ShowToolTipAt(QWidget& Widget, const QEvent& Event, const QString& Text) {
    const auto& Help = static_cast<const QHelpEvent&>(Event);
    if (Text.isEmpty()) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(Help.globalPos(), Text, &Widget);
    }
}
