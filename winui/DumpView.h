// The image view's dump: the image's dump lines in a list that asks for each line only when it
// shows it, so that a whole chip's dump (over a hundred thousand lines) is shown at once.
#pragma once

#include "winui/WindowsApi.h"

#include <string>
#include <vector>

class TDumpView {
public:
    TDumpView(HWND Parent, int Id);

    HWND Handle() const { return List; }
    void SetLines(std::vector<std::string> Lines);
    void Clear();
    bool IsEmpty() const { return Lines.empty(); }
    const std::vector<std::string>& GetLines() const { return Lines; }
    // Scrolls Line into the middle of the view and selects it.
    void ShowLine(std::size_t Line);
    // The list asks for a line's text (LVN_GETDISPINFOW).
    void GiveText(NMLVDISPINFOW& Request) const;
    // The column fits the longest line for Font.
    void FitColumn(HFONT Font);

private:
    HWND List = nullptr;
    std::vector<std::string> Lines;
    // The text of the line the list asked for last, which it reads from here.
    mutable std::wstring Given;
};
