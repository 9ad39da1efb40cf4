#include "winui/RichEditText.h"

namespace {

void SelectEnd(HWND Edit) {
    CHARRANGE End{-1, -1};
    SendMessageW(Edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&End));
}

} // namespace

TSelectionKeeper::TSelectionKeeper(HWND Edit) : Edit(Edit) {
    SendMessageW(Edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&Kept));
    SendMessageW(Edit, EM_HIDESELECTION, TRUE, 0);
}

TSelectionKeeper::~TSelectionKeeper() {
    SendMessageW(Edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&Kept));
    SendMessageW(Edit, EM_HIDESELECTION, FALSE, 0);
}

void AppendRichText(HWND Edit, const std::wstring& Text, const CHARFORMAT2W& Format) {
    const TSelectionKeeper Keeper(Edit);
    SelectEnd(Edit);
    CHARFORMAT2W Applied = Format;
    SendMessageW(Edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&Applied));
    SendMessageW(Edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(Text.c_str()));
}

void FormatLastParagraph(HWND Edit, const PARAFORMAT2& Format) {
    const TSelectionKeeper Keeper(Edit);
    SelectEnd(Edit);
    PARAFORMAT2 Applied = Format;
    SendMessageW(Edit, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&Applied));
}
