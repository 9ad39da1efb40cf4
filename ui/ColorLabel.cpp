#include "ui/ColorLabel.h"

#include <QPalette>

namespace {
constexpr TColor ErrorColor = 0x0000FF;
constexpr TColor ClearedColor = 0x000000;
} // namespace

void SetLabelTextColor(QLabel* Label, TColor Color) {
    QPalette Palette = Label->palette();
    Palette.setColor(QPalette::WindowText, ColorToQColor(Color));
    Label->setPalette(Palette);
}

TColor LabelTextColor(const QLabel* Label) {
    return QColorToColor(Label->palette().color(QPalette::WindowText));
}

TColorLabel::TColorLabel(QWidget* Parent) : QLabel(Parent) {}

void TColorLabel::ShowText(const QString& S, TColor Color) {
    SetLabelTextColor(this, Color);
    setText(S);
}

void TColorLabel::ShowError(const QString& S) {
    ShowText(S, ErrorColor);
}

void TColorLabel::ClearText() {
    ShowText(QString(), ClearedColor);
}

TColor TColorLabel::TextColor() const {
    return LabelTextColor(this);
}
