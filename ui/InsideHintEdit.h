// A single-line edit that shows a grey hint inside itself while it is empty.
#pragma once

#include <QLineEdit>

#include "ui/UiSupport.h"

class TInsideHintEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr TColor DefaultInsideHintColor = 0xC0C0C0; // silver

    explicit TInsideHintEdit(QWidget* Parent = nullptr);

    QString InsideHint() const { return FInsideHint; }
    void SetInsideHint(const QString& Hint);

    TColor InsideHintColor() const { return FInsideHintColor; }
    void SetInsideHintColor(TColor Color);

    // Hide the hint while the edit has the focus.
    bool IsClearOnEnter() const { return FIsClearOnEnter; }
    void SetIsClearOnEnter(bool Value);

    bool IsInFocus() const { return FIsInFocus; }

    // True while the hint is what the user sees: the text is empty and the hint is not
    // suppressed by the focus.
    bool IsInsideHintShown() const;

protected:
    // Shows or hides the hint; the edit's own placeholder draws it, so it is never part
    // of the text.
    virtual void DrawInsideHint();

    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;

private:
    QString FInsideHint;
    TColor FInsideHintColor = DefaultInsideHintColor;
    bool FIsInFocus = false;
    bool FIsClearOnEnter = false;
};
