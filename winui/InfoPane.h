// The information pane: a read-only rich edit that is only appended to, each line in its own
// colour behind the time it was added ("12:04:31: Запись образа..."), kept scrolled to its
// last line.
#pragma once

#include "operations/MainView.h"

#include "winui/WindowsApi.h"

#include <string>
#include <vector>

struct TInfoLine {
    std::string Text; // without the time in front
    TColor Color;
};

class TInfoPane {
public:
    // The rich edit control comes from MSFTEDIT.DLL, which must be loaded.
    TInfoPane(HWND Parent, int Id);

    HWND Handle() const { return Edit; }
    void AddLine(const std::string& Text, TColor Color);
    void Clear();
    // The lines as shown, each without its time and with the colour of its first letter.
    std::vector<TInfoLine> Lines() const;

private:
    void AppendColoured(const std::wstring& Text, TColor Color);
    // The whole text, a CR between paragraphs.
    std::wstring Text() const;
    // The colour of the character at Position.
    TColor ColorAt(LONG Position) const;

    HWND Edit = nullptr;
};

// The time of day as the system's long time format writes it.
std::wstring CurrentTimeText();
