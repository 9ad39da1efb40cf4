#include "winui/HelpWindow.h"

#include "common/ResourseStrings.h"
#include "winui/HelpText.h"
#include "winui/RichEditText.h"
#include "winui/WinText.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "winui/WindowsApi.h"

namespace {

constexpr int WindowWidth = 640;
constexpr int WindowHeight = 560;
constexpr int Margin = 8;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;

constexpr int BodyPointSize = 9;
// Points of headings of levels 1, 2 and 3 and below.
constexpr int HeadingPointSizes[] = {14, 12, 10};
constexpr int TwipsPerPoint = 20;
// Where a table row's cells begin, in twips.
constexpr LONG TableTabs[] = {2000, 4400};

int PointSizeOf(const THelpBlock& Block) {
    if (Block.Kind != THelpBlock::Heading) {
        return BodyPointSize;
    }
    return HeadingPointSizes[std::min(Block.Level, 3) - 1];
}

PARAFORMAT2 ParagraphFormatOf(const THelpBlock& Block) {
    PARAFORMAT2 Format{};
    Format.cbSize = sizeof Format;
    Format.dwMask = PFM_SPACEAFTER | PFM_SPACEBEFORE | PFM_TABSTOPS | PFM_OFFSETINDENT;
    Format.dySpaceBefore = Block.Kind == THelpBlock::Heading ? 6 * TwipsPerPoint : 0;
    Format.dySpaceAfter = Block.Kind == THelpBlock::TableRow ? TwipsPerPoint : 4 * TwipsPerPoint;
    if (Block.Kind == THelpBlock::TableRow) {
        Format.cTabCount = 2;
        std::copy(std::begin(TableTabs), std::end(TableTabs), Format.rgxTabs);
    }
    return Format;
}

// The help's blocks into the pane: headings large and bold, list items behind a bullet.
void WriteHelp(HWND Pane, const std::vector<THelpBlock>& Blocks) {
    for (const THelpBlock& Block : Blocks) {
        FormatLastParagraph(Pane, ParagraphFormatOf(Block));
        CHARFORMAT2W Format{};
        Format.cbSize = sizeof Format;
        Format.dwMask = CFM_BOLD | CFM_SIZE;
        Format.yHeight = PointSizeOf(Block) * TwipsPerPoint;
        if (Block.Kind == THelpBlock::ListItem) {
            AppendRichText(Pane, L"\u2022  ", Format);
        }
        for (const THelpSpan& Span : Block.Spans) {
            Format.dwEffects = Span.Bold ? CFE_BOLD : 0;
            AppendRichText(Pane, Wide(Span.Text), Format);
        }
        Format.dwEffects = 0;
        AppendRichText(Pane, L"\r", Format);
    }
}

} // namespace

std::string BuiltInHelpText() {
    const HMODULE Module = GetModuleHandleW(nullptr);
    const HRSRC Found = FindResourceW(Module, L"HELPTEXT", MAKEINTRESOURCEW(10)); // RT_RCDATA
    const HGLOBAL Loaded = Found != nullptr ? LoadResource(Module, Found) : nullptr;
    const void* Bytes = Loaded != nullptr ? LockResource(Loaded) : nullptr;
    if (Bytes == nullptr) {
        return {};
    }
    return std::string(static_cast<const char*>(Bytes), SizeofResource(Module, Found));
}

THelpWindow::THelpWindow(HWND Owner) {
    const UINT Dpi = WindowDpi(Owner);
    CreateWindowOf(
        {L"VelmoraHelp", 0, COLOR_BTNFACE + 1}, 0, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, Owner,
        Box(CW_USEDEFAULT, CW_USEDEFAULT, Scaled(WindowWidth, Dpi), Scaled(WindowHeight, Dpi)));
    SetWindowTextTo(Handle(), SHelpCaption);
    Fonts = std::make_unique<TFormFonts>(WindowDpi(Handle()));
    Pane = CreateChild(Handle(), MSFTEDIT_CLASS, "",
                       WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_TABSTOP, 0,
                       WS_EX_CLIENTEDGE);
    Close = CreateChild(Handle(), WC_BUTTONW, SCloseButtonCaption, BS_DEFPUSHBUTTON | WS_TABSTOP,
                        IDCANCEL);
    SetControlFont(Pane, Fonts->Normal());
    SetControlFont(Close, Fonts->Normal());
    const std::string Help = BuiltInHelpText();
    WriteHelp(Pane, HelpBlocks(Help.empty() ? SHelpNotFound : Help));
    SendMessageW(Pane, EM_SETSEL, 0, 0);
    SendMessageW(Pane, WM_VSCROLL, SB_TOP, 0);
    Layout();
}

void THelpWindow::Present() {
    ShowWindow(Handle(), IsIconic(Handle()) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(Handle());
}

void THelpWindow::Layout() {
    const UINT Dpi = WindowDpi(Handle());
    const RECT Client = ClientRect(Handle());
    const int Gap = Scaled(Margin, Dpi);
    const int ButtonTop = Client.bottom - Gap - Scaled(ButtonHeight, Dpi);
    Place(Pane, RECT{Gap, Gap, Client.right - Gap, ButtonTop - Gap});
    Place(Close, Box(Client.right - Gap - Scaled(ButtonWidth, Dpi), ButtonTop,
                     Scaled(ButtonWidth, Dpi), Scaled(ButtonHeight, Dpi)));
}

LRESULT THelpWindow::HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
    switch (Message) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_COMMAND:
        if (LOWORD(WParam) == IDCANCEL) {
            ShowWindow(Handle(), SW_HIDE);
        }
        return 0;
    case WM_CLOSE:
        // Hidden, to be shown again as it was.
        ShowWindow(Handle(), SW_HIDE);
        return 0;
    default:
        return DefaultHandling(Message, WParam, LParam);
    }
}
