#include "winui/InfoPane.h"

#include "winui/Controls.h"
#include "winui/RichEditText.h"
#include "winui/WinText.h"

#include "winui/WindowsApi.h"

namespace {

const std::wstring TimeDelimiter = L": ";

std::wstring WithoutTime(const std::wstring& Line) {
    const std::size_t Delimiter = Line.find(TimeDelimiter);
    return Delimiter == std::wstring::npos ? Line : Line.substr(Delimiter + TimeDelimiter.size());
}

// Line breaks as the control keeps them: a CR each.
std::wstring OneParagraphBreak(std::wstring Text) {
    for (std::size_t Found = Text.find(L"\r\n"); Found != std::wstring::npos;
         Found = Text.find(L"\r\n", Found)) {
        Text.erase(Found + 1, 1);
    }
    for (wchar_t& Letter : Text) {
        if (Letter == L'\n') {
            Letter = L'\r';
        }
    }
    return Text;
}

} // namespace

std::wstring CurrentTimeText() {
    wchar_t Text[64] = {};
    GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, nullptr, nullptr, Text, 64);
    return Text;
}

TInfoPane::TInfoPane(HWND Parent, int Id) {
    Edit = CreateChild(Parent, MSFTEDIT_CLASS, "",
                       WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL |
                           ES_SAVESEL,
                       Id, WS_EX_CLIENTEDGE);
    SendMessageW(Edit, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_WINDOW));
    // Long lines wrap at the pane's edge.
    SendMessageW(Edit, EM_SETTARGETDEVICE, 0, 0);
}

void TInfoPane::AddLine(const std::string& Text, TColor Color) {
    std::wstring Line = CurrentTimeText() + TimeDelimiter + OneParagraphBreak(Wide(Text));
    if (GetWindowTextLengthW(Edit) > 0) {
        Line.insert(0, L"\r");
    }
    AppendColoured(Line, Color);
    SendMessageW(Edit, WM_VSCROLL, SB_BOTTOM, 0);
}

void TInfoPane::AppendColoured(const std::wstring& Text, TColor Color) {
    CHARFORMAT2W Format{};
    Format.cbSize = sizeof Format;
    Format.dwMask = CFM_COLOR;
    Format.crTextColor = Color;
    AppendRichText(Edit, Text, Format);
}

void TInfoPane::Clear() {
    SetWindowTextW(Edit, L"");
}

std::wstring TInfoPane::Text() const {
    GETTEXTLENGTHEX Measure{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const auto Length = static_cast<std::size_t>(
        SendMessageW(Edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&Measure), 0));
    std::wstring Text(Length + 1, L'\0');
    GETTEXTEX Request{static_cast<DWORD>(Text.size() * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr,
                      nullptr};
    Text.resize(static_cast<std::size_t>(SendMessageW(Edit, EM_GETTEXTEX,
                                                      reinterpret_cast<WPARAM>(&Request),
                                                      reinterpret_cast<LPARAM>(Text.data()))));
    return Text;
}

TColor TInfoPane::ColorAt(LONG Position) const {
    const TSelectionKeeper Keeper(Edit);
    CHARRANGE Letter{Position, Position + 1};
    SendMessageW(Edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&Letter));
    CHARFORMAT2W Format{};
    Format.cbSize = sizeof Format;
    SendMessageW(Edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&Format));
    return Format.crTextColor;
}

std::vector<TInfoLine> TInfoPane::Lines() const {
    // Paragraphs end in a CR, which counts as one character of the control's positions.
    const std::wstring All = Text();
    std::vector<TInfoLine> Lines;
    std::size_t Start = 0;
    while (Start < All.size()) {
        std::size_t End = All.find(L'\r', Start);
        if (End == std::wstring::npos) {
            End = All.size();
        }
        if (End > Start) {
            const std::wstring Line = All.substr(Start, End - Start);
            Lines.push_back({Narrow(WithoutTime(Line)), ColorAt(static_cast<LONG>(Start))});
        }
        Start = End + 1;
    }
    return Lines;
}
