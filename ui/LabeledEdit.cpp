#include "ui/LabeledEdit.h"

#include <QPalette>

#include "ui/ColorLabel.h"

TExtLabeledEdit::TExtLabeledEdit(QWidget* Parent) : TInsideHintEdit(Parent) {}

void TExtLabeledEdit::SetNotifyLabel(QLabel* Label) {
    FNotifyLabel = Label;
}

void TExtLabeledEdit::ShowStringOnLabel(QString S, TColor Color) {
    if (FNotifyLabel.isNull()) {
        return;
    }
    if (OnBeforeShowStringOnLabelEvent) {
        OnBeforeShowStringOnLabelEvent(this, S, Color);
    }
    SetLabelTextColor(FNotifyLabel, Color);
    FNotifyLabel->setText(S);
    if (FIsColorSelfAsLabel) {
        QPalette Palette = palette();
        Palette.setColor(QPalette::Text, ColorToQColor(Color));
        setPalette(Palette);
    }
}

void TExtLabeledEdit::ClearNotifyLabel() {
    ShowStringOnLabel(QString(), 0x000000);
}

TColor TExtLabeledEdit::TextColor() const {
    return QColorToColor(palette().color(QPalette::Text));
}
