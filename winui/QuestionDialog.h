// A question of the window in a dialog of its own, so that its buttons speak Russian whatever
// the system's language (the system's boxes name their buttons in it): the question beside a
// question or warning sign, an optional check box below it and a row of buttons. Every button
// and the check box have an Alt letter; Enter presses the focused button, else the default
// one; Esc and the close box end the dialog with IDCANCEL.
#pragma once

#include "winui/DialogWindow.h"

#include <string>
#include <vector>

class TQuestionDialog : public TDialogWindow {
public:
    enum class TSign { Question, Warning };

    struct TButton {
        // The dialog's result when it is pressed.
        int Id;
        const char* Caption;
    };

    // Buttons in their order from left to right; DefaultId is one of them. A check box is
    // shown when CheckBoxCaption is not empty.
    TQuestionDialog(HWND Owner, const std::string& Question, TSign Sign,
                    std::vector<TButton> Buttons, int DefaultId,
                    const std::string& CheckBoxCaption = {});

    bool IsChecked() const;

    HWND QuestionLabel() const { return Label; }
    HWND CheckBox() const { return Check; }
    // The button of Id; null when there is none.
    HWND Button(int Id) const;

protected:
    void CreateControls() override;
    void Layout() override;
    void Shown() override;
    void ControlCommand(int Id, int Code, HWND Control) override;
    int DefaultButton() const override;

private:
    // Shows Id's button as the one Enter presses, and no other.
    void MarkDefault(int Id);
    SIZE QuestionSize() const;

    std::string Question;
    TSign Sign;
    std::vector<TButton> Buttons;
    int DefaultId;
    std::string CheckBoxCaption;
    HWND SignPicture = nullptr;
    HWND Label = nullptr;
    HWND Check = nullptr;
    std::vector<HWND> ButtonWindows;
};
