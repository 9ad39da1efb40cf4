// The modal "about" box: a banner with the program's name, what it programs, its version, a
// mail link to the maker and OK, on white.
#pragma once

#include "winui/DialogWindow.h"
#include "winui/WinHandles.h"

#include <functional>
#include <string>

// Opens a link with the system's handler; replaceable so that nothing is launched in tests.
using TLinkOpener = std::function<bool(const std::string& Link)>;

class TAboutDialog : public TDialogWindow {
public:
    explicit TAboutDialog(HWND Owner);

    // The mail link: the maker's address and the subject of the message.
    static std::string MailLink();
    TLinkOpener OpenLink;

    HWND MailLabel() const { return Mail; }
    HWND VersionLabel() const { return Version; }
    HWND OkButton() const { return Ok; }

protected:
    void CreateControls() override;
    void Layout() override;
    void Shown() override;
    void ControlCommand(int Id, int Code, HWND Control) override;
    HBRUSH StaticColor(HWND Control, HDC Context) override;
    LRESULT HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) override;

private:
    void PaintBanner(HDC Context) const;

    HWND ProgramFor = nullptr;
    HWND ChipType = nullptr;
    HWND Version = nullptr;
    HWND Mail = nullptr;
    HWND Bevel = nullptr;
    HWND Ok = nullptr;
    HWND Maker = nullptr;
    TBrushOwner White;
};
