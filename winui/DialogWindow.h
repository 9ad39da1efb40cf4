// A dialog made in code rather than from a template: a window with a dialog's frame over its
// owner, its controls made by the derived class, the keyboard's dialog navigation (Tab between
// the controls, Enter for OK, Esc for Cancel) and a modal run that ends with IDOK or IDCANCEL.
// Tests reach the controls between Open and the end without running it modally.
#pragma once

#include "winui/Controls.h"
#include "winui/WindowBase.h"

#include <memory>
#include <string>

class TDialogWindow : public TWindowBase {
public:
    // Makes the dialog (hidden) over Owner with a client area of the design size; the
    // controls come from CreateControls.
    void Open(HWND Owner, const std::string& Title, SIZE DesignClientSize);
    // Shows the dialog centred over its owner and handles input until it ends; its result.
    int RunModal();
    // Shows the dialog as RunModal does (its owner disabled until it ends) but returns at once:
    // the caller's loop handles its input (with the dialog's keyboard navigation).
    void ShowWithoutWaiting();
    // Ends the dialog with Result (IDOK only when Accept agrees): it is hidden and a modal run
    // returns.
    void End(int Result);
    bool HasEnded() const { return Ended; }
    int Result() const { return EndResult; }
    std::string Title() const;

protected:
    TDialogWindow() = default;

    virtual void CreateControls() = 0;
    // Places the controls for the client area (at the dialog's resolution).
    virtual void Layout() {}
    // The dialog has just been shown for a modal run: where the keyboard starts.
    virtual void Shown() {}
    // WM_COMMAND of a control other than OK and Cancel.
    virtual void ControlCommand(int /*Id*/, int /*Code*/, HWND /*Control*/) {}
    // Whether OK may end the dialog now.
    virtual bool Accept() { return true; }
    // The button Enter presses (DM_GETDEFID).
    virtual int DefaultButton() const { return IDOK; }
    // WM_CTLCOLORSTATIC of a control: its brush, or null for the default colours.
    virtual HBRUSH StaticColor(HWND /*Control*/, HDC /*Context*/) { return nullptr; }
    LRESULT HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) override;

    HWND Owner() const { return OwnerWindow; }
    UINT Dpi() const { return WindowDpi(Handle()); }
    const TFormFonts& Fonts() const { return *FormFonts; }
    // A design measure at the dialog's resolution.
    int S(int DesignValue) const { return Scaled(DesignValue, Dpi()); }
    // A child control in the dialog's font.
    HWND AddControl(const wchar_t* Class, const std::string& Text, DWORD Style, int Id = 0,
                    DWORD ExStyle = 0);
    // Gives the dialog a client area of Size (in pixels), for a layout measured from its texts.
    void SetClientSize(SIZE Size);
    // The keyboard's translation while the dialog takes input: Alt and a letter press the button or
    // check box of that Alt letter (in any alphabet), the rest is the dialog navigation's.
    bool TranslateInput(MSG& Message);

private:
    // Centred over the owner, within the work area of the owner's monitor.
    void CentreOverOwner();

    HWND OwnerWindow = nullptr;
    std::unique_ptr<TFormFonts> FormFonts;
    bool Ended = false;
    int EndResult = IDCANCEL;
};
