// An edit with a hint that can report a coloured text on a label bound to it.
#pragma once

#include <QLabel>
#include <QPointer>
#include <functional>

#include "ui/InsideHintEdit.h"

class TExtLabeledEdit;

// May change the text and the colour before they are shown on the label.
using TShowStringOnLabelEvent =
    std::function<void(TExtLabeledEdit* Sender, QString& S, TColor& Color)>;

class TExtLabeledEdit : public TInsideHintEdit {
    Q_OBJECT
public:
    explicit TExtLabeledEdit(QWidget* Parent = nullptr);

    // The label is not owned; the edit forgets it when it is destroyed.
    QLabel* NotifyLabel() const { return FNotifyLabel; }
    virtual void SetNotifyLabel(QLabel* Label);

    TShowStringOnLabelEvent OnBeforeShowStringOnLabelEvent;

    // Also paint the edit's own text in the reported colour.
    bool IsColorSelfAsLabel() const { return FIsColorSelfAsLabel; }
    void SetIsColorSelfAsLabel(bool Value) { FIsColorSelfAsLabel = Value; }

    void ShowStringOnLabel(QString S, TColor Color);
    void ClearNotifyLabel();

    // The colour of the edit's own text.
    TColor TextColor() const;

private:
    QPointer<QLabel> FNotifyLabel;
    bool FIsColorSelfAsLabel = false;
};
