// An edit whose text is checked by a user-supplied rule; text that fails the rule is never
// handed out through CheckedText.
#pragma once

#include <exception>
#include <functional>

#include "common/Exception.h"
#include "ui/LabeledEdit.h"

class EConstraintEditException : public Exception {
public:
    using Exception::Exception;
};

class TConstraintedEdit;

// The check: sets Answer, and may set a message and its colour for the notify label.
using TConstraintCheckEvent =
    std::function<void(TConstraintedEdit* Sender, const QString& Text, bool& Answer,
                       QString& UserMessage, TColor& Color)>;
// Receives an error raised by the check when it ran after a change of the text: such an error
// cannot travel on through the toolkit's event dispatch.
using TCheckErrorEvent =
    std::function<void(TConstraintedEdit* Sender, const std::exception& Error)>;

class TConstraintedEdit : public TExtLabeledEdit {
    Q_OBJECT
public:
    explicit TConstraintedEdit(QWidget* Parent = nullptr);

    TConstraintCheckEvent OnConstraintCheck;
    TCheckErrorEvent OnCheckError;

    bool IsCheckOnChange() const { return FIsCheckOnChange; }
    void SetIsCheckOnChange(bool Value) { FIsCheckOnChange = Value; }

    QString ConstraintEditExceptionMessage() const { return FConstraintEditExceptionMessage; }
    void SetConstraintEditExceptionMessage(const QString& Message) {
        FConstraintEditExceptionMessage = Message;
    }

    // Setting it to true runs the check at once, and again whenever a label is bound.
    bool IsCheckOnCreate() const { return FIsCheckOnCreate; }
    void SetIsCheckOnCreate(bool Value);

    void SetNotifyLabel(QLabel* Label) override;

    // The text, if it passes the check; otherwise EConstraintEditException.
    QString CheckedText() { return GetCheckedText(); }
    virtual QString GetCheckedText();
    // Runs the check and shows its message on the notify label. Errors of the handler pass
    // through unchanged.
    virtual bool CheckConstraint();

private:
    void TextChanged();

    bool FIsCheckOnChange = false;
    bool FIsCheckOnCreate = false;
    QString FConstraintEditExceptionMessage;
};
