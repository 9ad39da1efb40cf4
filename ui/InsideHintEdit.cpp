#include "ui/InsideHintEdit.h"

#include <QPalette>

TInsideHintEdit::TInsideHintEdit(QWidget* Parent) : QLineEdit(Parent) {
    DrawInsideHint();
}

void TInsideHintEdit::SetInsideHint(const QString& Hint) {
    FInsideHint = Hint;
    DrawInsideHint();
}

void TInsideHintEdit::SetInsideHintColor(TColor Color) {
    FInsideHintColor = Color;
    DrawInsideHint();
}

void TInsideHintEdit::SetIsClearOnEnter(bool Value) {
    FIsClearOnEnter = Value;
    DrawInsideHint();
}

bool TInsideHintEdit::IsInsideHintShown() const {
    return text().isEmpty() && !placeholderText().isEmpty();
}

void TInsideHintEdit::DrawInsideHint() {
    QPalette Palette = palette();
    Palette.setColor(QPalette::PlaceholderText, ColorToQColor(FInsideHintColor));
    setPalette(Palette);
    const bool Suppressed = FIsInFocus && FIsClearOnEnter;
    setPlaceholderText(Suppressed ? QString() : FInsideHint);
}

void TInsideHintEdit::focusInEvent(QFocusEvent* Event) {
    QLineEdit::focusInEvent(Event);
    FIsInFocus = true;
    DrawInsideHint();
}

void TInsideHintEdit::focusOutEvent(QFocusEvent* Event) {
    QLineEdit::focusOutEvent(Event);
    FIsInFocus = false;
    DrawInsideHint();
}
