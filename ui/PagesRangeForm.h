// The modal dialog in which the user gives the first and last page index of a range operation.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "ui/UiSupport.h"

class QFrame;
class QLabel;
class QPushButton;
class TColorLabel;
class TConstraintedEdit;

// The word "страница" in the form that goes with a number.
using TPagesWordFunction = std::function<std::string(int Number)>;

class TPagesRangeForm : public QDialog {
    Q_OBJECT
public:
    // How the dialog was closed.
    static constexpr int mrOk = 1;
    static constexpr int mrCancel = 2;

    static constexpr TColor ComplaintColor = 0x0000FF;
    static constexpr TColor AcceptedColor = 0x808080;

    explicit TPagesRangeForm(TPagesWordFunction PagesWord, QWidget* Parent = nullptr);

    // Stores the bounds, sets the hints and shows the dialog modally; mrOk or mrCancel.
    int Execute(int MinIndex, int MaxIndex);
    // The part of Execute before the dialog is shown; showing it then validates the fields.
    void Prepare(int MinIndex, int MaxIndex);

    // The indices of an acceptable range; EConstraintEditException otherwise.
    int GetStartIndex();
    int GetEndIndex();

    int MinIndex() const { return FMinIndex; }
    int MaxIndex() const { return FMaxIndex; }

    // Checks both fields, writes the note and enables OK for an acceptable range, whose note
    // counts its pages, both bounds included.
    bool ValidateRange();

    TConstraintedEdit* StartIndexEdit = nullptr;
    TConstraintedEdit* EndIndexEdit = nullptr;
    TColorLabel* NotifyLabel = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

    // The width the window system's caption needs to show Title whole: the title in the
    // caption's font (taken bold, as most window managers draw it) beside the window's icon and
    // its buttons, each a square as high as the caption, with a margin at either end.
    int CaptionWidthFor(const QString& Title) const;

protected:
    void showEvent(QShowEvent* Event) override;
    // A new title (the command's name) widens the dialog so that it shows whole.
    void changeEvent(QEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void CreateElements();
    // The design width, or wider for a long title; the buttons stay at the right edge.
    void FitToTitle();
    void StartIndexEditConstraintCheck(TConstraintedEdit* Sender, const QString& Text, bool& Answer,
                                       QString& UserMessage, TColor& Color);
    // The key filter of both edits; true when the key is discarded.
    bool StartIndexEditKeyPress(const QKeyEvent* Event);
    std::optional<int> ToIndex(const QString& Text);
    bool CheckBounds(int Start, int End);

    TPagesWordFunction FPagesWord;
    int FMinIndex = 0;
    int FMaxIndex = 0;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QFrame* Bevel1 = nullptr;
};
