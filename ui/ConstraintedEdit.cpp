#include "ui/ConstraintedEdit.h"

#include "common/ResourseStrings.h"

namespace {
constexpr TColor ErrorColor = 0x0000FF;
}

TConstraintedEdit::TConstraintedEdit(QWidget* Parent)
    : TExtLabeledEdit(Parent),
      FConstraintEditExceptionMessage(ToQString(SConstraintEditExceptionMessage)) {
    connect(this, &QLineEdit::textChanged, this, &TConstraintedEdit::TextChanged);
}

void TConstraintedEdit::SetIsCheckOnCreate(bool Value) {
    FIsCheckOnCreate = Value;
    if (FIsCheckOnCreate) {
        CheckConstraint();
    }
}

void TConstraintedEdit::SetNotifyLabel(QLabel* Label) {
    TExtLabeledEdit::SetNotifyLabel(Label);
    if (FIsCheckOnCreate) {
        CheckConstraint();
    }
}

bool TConstraintedEdit::CheckConstraint() {
    bool Answer = true;
    QString UserMessage;
    TColor Color = 0x000000;
    ClearNotifyLabel();
    if (OnConstraintCheck) {
        OnConstraintCheck(this, text(), Answer, UserMessage, Color);
        ShowStringOnLabel(UserMessage, Color);
    }
    return Answer;
}

QString TConstraintedEdit::GetCheckedText() {
    if (!CheckConstraint()) {
        throw EConstraintEditException(FConstraintEditExceptionMessage.toStdString());
    }
    return text();
}

void TConstraintedEdit::TextChanged() {
    if (!FIsCheckOnChange) {
        return;
    }
    // The check's result is only shown here; an error must not unwind through the toolkit.
    try {
        CheckConstraint();
    } catch (const std::exception& Error) {
        if (OnCheckError) {
            OnCheckError(this, Error);
        } else {
            ShowStringOnLabel(QString::fromUtf8(Error.what()), ErrorColor);
        }
    }
}
