// A label that shows its text in a given colour.
#pragma once

#include <QLabel>

#include "ui/UiSupport.h"

class TColorLabel : public QLabel {
    Q_OBJECT
public:
    explicit TColorLabel(QWidget* Parent = nullptr);

    void ShowText(const QString& S, TColor Color);
    void ShowError(const QString& S);
    void ClearText();

    TColor TextColor() const;
};

// Sets the colour in which a label draws its text.
void SetLabelTextColor(QLabel* Label, TColor Color);
TColor LabelTextColor(const QLabel* Label);
