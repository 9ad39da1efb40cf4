#include "winui/DumpView.h"

#include "winui/Controls.h"
#include "winui/WinText.h"

#include <algorithm>
#include <utility>

namespace {

// Room beside the text of the longest line.
constexpr int ColumnSlack = 16;

} // namespace

TDumpView::TDumpView(HWND Parent, int Id) {
    List = CreateChild(Parent, WC_LISTVIEWW, "",
                       LVS_REPORT | LVS_OWNERDATA | LVS_NOCOLUMNHEADER | LVS_SINGLESEL |
                           LVS_SHOWSELALWAYS | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
                       Id, WS_EX_CLIENTEDGE);
    SendMessageW(List, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    LVCOLUMNW Column{};
    Column.mask = LVCF_WIDTH;
    Column.cx = 0;
    SendMessageW(List, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&Column));
}

void TDumpView::SetLines(std::vector<std::string> NewLines) {
    Lines = std::move(NewLines);
    SendMessageW(List, LVM_SETITEMCOUNT, Lines.size(), 0);
    FitColumn(reinterpret_cast<HFONT>(SendMessageW(List, WM_GETFONT, 0, 0)));
    InvalidateRect(List, nullptr, TRUE);
}

void TDumpView::Clear() {
    SetLines({});
}

void TDumpView::FitColumn(HFONT Font) {
    std::size_t Longest = 0;
    for (const std::string& Line : Lines) {
        Longest = std::max(Longest, Line.size());
    }
    // The font is monospaced: every letter is as wide as a zero.
    const int LetterWidth = TextExtent(List, Font, L"0").cx;
    const int Width =
        static_cast<int>(Longest) * LetterWidth + Scaled(ColumnSlack, WindowDpi(List));
    SendMessageW(List, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(Width, 0));
}

void TDumpView::ShowLine(std::size_t Line) {
    if (Line >= Lines.size()) {
        return;
    }
    const auto Index = static_cast<WPARAM>(Line);
    // Scrolled past first, so that the line ends up in the middle rather than at an edge.
    const auto PerPage = static_cast<std::size_t>(SendMessageW(List, LVM_GETCOUNTPERPAGE, 0, 0));
    const std::size_t Beyond = std::min(Lines.size() - 1, Line + PerPage / 2);
    SendMessageW(List, LVM_ENSUREVISIBLE, Beyond, FALSE);
    SendMessageW(List, LVM_ENSUREVISIBLE, Index, FALSE);
    LVITEMW Item{};
    Item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    Item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(List, LVM_SETITEMSTATE, Index, reinterpret_cast<LPARAM>(&Item));
}

void TDumpView::GiveText(NMLVDISPINFOW& Request) const {
    const auto Index = static_cast<std::size_t>(Request.item.iItem);
    if ((Request.item.mask & LVIF_TEXT) != 0 && Index < Lines.size()) {
        // The list reads the line from here, whatever its length.
        Given = Wide(Lines[Index]);
        Request.item.pszText = Given.data();
    }
}
