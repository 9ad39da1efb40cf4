// A Yes/No question in a dialog of the window's own (No by default and on Esc), shown without a
// loop of its own: what runs on the window's thread, an operation that handles the window's
// messages between its pages, goes on while the question waits for its answer.
#pragma once

#include "winui/DialogWindow.h"

#include <functional>
#include <string>

class TOpenQuestion : public TDialogWindow {
public:
    using TAnswered = std::function<void(bool Yes)>;

    // Shows Question over Owner, which stays disabled until the answer, and returns at once.
    // Answered gets true for Yes, once, from the handling of the question's input.
    TOpenQuestion(HWND Owner, const std::string& Question, TAnswered Answered);

    // True until the question is answered.
    bool IsWaiting() const { return IsOpen() && !HasEnded(); }
    // The question's keyboard navigation (Tab, Enter, Esc) for a message taken from the queue:
    // true when the question took it.
    bool TranslateInput(MSG& Message);

    HWND QuestionLabel() const { return Label; }
    HWND YesButton() const { return Yes; }
    HWND NoButton() const { return No; }

protected:
    void CreateControls() override;
    void Layout() override;
    void Shown() override;
    LRESULT HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) override;

private:
    std::string Question;
    TAnswered Answered;
    HWND Label = nullptr;
    HWND Yes = nullptr;
    HWND No = nullptr;
};
