// The help window: the user's help (docs/help.ru.md with the Windows sections of
// docs/help.windows.ru.md, built into the program) in a read-only text pane beside the main
// window, with a button that closes it.
#pragma once

#include "winui/Controls.h"
#include "winui/WindowBase.h"

#include <memory>
#include <string>

class THelpWindow : public TWindowBase {
public:
    explicit THelpWindow(HWND Owner);

    // Shows the window (again) and brings it to the front.
    void Present();
    // The keyboard's translation of a message for this window or one of its controls: Esc
    // closes the window, Tab moves between the text and the button. True when the message was
    // meant for this window: the main window's keys do not reach it.
    bool TranslateInput(MSG& Message);
    HWND TextPane() const { return Pane; }
    HWND CloseButton() const { return Close; }

protected:
    LRESULT HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) override;

private:
    void Layout();
    void Hide();
    void FitIntoWorkArea();

    std::unique_ptr<TFormFonts> Fonts;
    HWND Pane = nullptr;
    HWND Close = nullptr;
};

// The user's help for Windows as the program carries it (UTF-8); empty when it has none.
std::string BuiltInHelpText();
