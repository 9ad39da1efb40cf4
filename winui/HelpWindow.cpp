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
constexpr int TwipsPerInch = 1440;
// Between a table's columns, in twips.
constexpr LONG ColumnGap = 360;

int PointSizeOf(const THelpBlock& Block) {
    if (Block.Kind != THelpBlock::Heading) {
        return BodyPointSize;
    }
    return HeadingPointSizes[std::min(Block.Level, 3) - 1];
}

std::vector<std::wstring> CellsOf(const THelpBlock& Row) {
    std::vector<std::wstring> Cells;
    const std::wstring Text = Row.Spans.empty() ? std::wstring() : Wide(Row.Spans[0].Text);
    std::size_t Start = 0;
    for (std::size_t Tab = Text.find(L'\t'); Tab != std::wstring::npos;
         Tab = Text.find(L'\t', Start)) {
        Cells.push_back(Text.substr(Start, Tab - Start));
        Start = Tab + 1;
    }
    Cells.push_back(Text.substr(Start));
    return Cells;
}

// Where each column of a table begins, in twips from the margin: each column as wide as its
// widest cell (in bold in the head row) in the pane's face, and a gap.
std::vector<LONG> ColumnStarts(HWND Pane, const std::vector<THelpBlock>& Rows) {
    CHARFORMAT2W PaneFormat{};
    PaneFormat.cbSize = sizeof PaneFormat;
    SendMessageW(Pane, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&PaneFormat));
    // Measured at 1440 dots per inch: a pixel is a twip.
    LOGFONTW Face{};
    Face.lfHeight = -MulDiv(BodyPointSize, TwipsPerInch, 72);
    Face.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(Face.lfFaceName, PaneFormat.szFaceName, LF_FACESIZE);
    std::vector<LONG> Widths;
    const TWindowContext Context(nullptr);
    for (const THelpBlock& Row : Rows) {
        Face.lfWeight = Row.Spans.empty() || !Row.Spans[0].Bold ? FW_NORMAL : FW_BOLD;
        const TFontOwner Font(CreateFontIndirectW(&Face));
        const TSelection Selected(Context.Get(), Font.Get());
        const std::vector<std::wstring> Cells = CellsOf(Row);
        Widths.resize(std::max(Widths.size(), Cells.size()));
        for (std::size_t Column = 0; Column < Cells.size(); ++Column) {
            SIZE Size{};
            GetTextExtentPoint32W(Context.Get(), Cells[Column].c_str(),
                                  static_cast<int>(Cells[Column].size()), &Size);
            Widths[Column] = std::max(Widths[Column], Size.cx);
        }
    }
    std::vector<LONG> Starts{0};
    for (std::size_t Column = 0; Column + 1 < Widths.size(); ++Column) {
        Starts.push_back(Starts.back() + Widths[Column] + ColumnGap);
    }
    return Starts;
}

// A table row's cells begin at their columns' tab stops; a cell that wraps (the last) goes
// on in its own column.
PARAFORMAT2 ParagraphFormatOf(const THelpBlock& Block, const std::vector<LONG>& Columns) {
    PARAFORMAT2 Format{};
    Format.cbSize = sizeof Format;
    Format.dwMask = PFM_SPACEAFTER | PFM_SPACEBEFORE | PFM_TABSTOPS | PFM_STARTINDENT | PFM_OFFSET;
    Format.dySpaceBefore = Block.Kind == THelpBlock::Heading ? 6 * TwipsPerPoint : 0;
    Format.dySpaceAfter = Block.Kind == THelpBlock::TableRow ? TwipsPerPoint : 4 * TwipsPerPoint;
    if (Block.Kind == THelpBlock::TableRow && Columns.size() > 1) {
        const std::size_t Stops = std::min<std::size_t>(Columns.size() - 1, MAX_TAB_STOPS);
        Format.cTabCount = static_cast<SHORT>(Stops);
        std::copy_n(Columns.begin() + 1, Stops, Format.rgxTabs);
        Format.dxOffset = Columns[Stops];
    }
    return Format;
}

// The help's blocks into the pane: headings large and bold, list items behind a bullet, each
// table's rows in columns.
void WriteHelp(HWND Pane, const std::vector<THelpBlock>& Blocks) {
    std::vector<LONG> Columns;
    for (std::size_t Index = 0; Index < Blocks.size(); ++Index) {
        const THelpBlock& Block = Blocks[Index];
        const bool TableStarts = Block.Kind == THelpBlock::TableRow &&
                                 (Index == 0 || Blocks[Index - 1].Kind != THelpBlock::TableRow);
        if (TableStarts) {
            std::size_t End = Index;
            while (End < Blocks.size() && Blocks[End].Kind == THelpBlock::TableRow) {
                ++End;
            }
            Columns = ColumnStarts(
                Pane, std::vector<THelpBlock>(Blocks.begin() + Index, Blocks.begin() + End));
        }
        FormatLastParagraph(Pane, ParagraphFormatOf(Block, Columns));
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

// A resource of the program's own (RCDATA) as text; empty when it has none.
std::string ResourceText(const wchar_t* Name) {
    const HMODULE Module = GetModuleHandleW(nullptr);
    const HRSRC Found = FindResourceW(Module, Name, MAKEINTRESOURCEW(10)); // RT_RCDATA
    const HGLOBAL Loaded = Found != nullptr ? LoadResource(Module, Found) : nullptr;
    const void* Bytes = Loaded != nullptr ? LockResource(Loaded) : nullptr;
    if (Bytes == nullptr) {
        return {};
    }
    return std::string(static_cast<const char*>(Bytes), SizeofResource(Module, Found));
}

} // namespace

std::string BuiltInHelpText() {
    const std::string Help = ResourceText(L"HELPTEXT");
    return Help.empty() ? Help : WithSectionsReplaced(Help, ResourceText(L"HELPTEXT_WINDOWS"));
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
    FitIntoWorkArea();
    Layout();
}

// Where the system put it, but wholly on the screen (its design size scaled up may not fit).
void THelpWindow::FitIntoWorkArea() {
    RECT Bounds{};
    GetWindowRect(Handle(), &Bounds);
    const RECT Placed = FittedInto(Bounds, WorkAreaNear(Bounds));
    SetWindowPos(Handle(), nullptr, Placed.left, Placed.top, Width(Placed), Height(Placed),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void THelpWindow::Present() {
    ShowWindow(Handle(), IsIconic(Handle()) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(Handle());
}

bool THelpWindow::TranslateInput(MSG& Message) {
    if (Message.hwnd != Handle() && !IsChild(Handle(), Message.hwnd)) {
        return false;
    }
    if (Message.message == WM_KEYDOWN && Message.wParam == VK_ESCAPE) {
        Hide();
        return true;
    }
    if (IsDialogMessageW(Handle(), &Message) == 0) {
        TranslateMessage(&Message);
        DispatchMessageW(&Message);
    }
    return true;
}

void THelpWindow::Hide() {
    ShowWindow(Handle(), SW_HIDE);
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
            Hide();
        }
        return 0;
    case WM_CLOSE:
        // Hidden, to be shown again as it was.
        Hide();
        return 0;
    default:
        return DefaultHandling(Message, WParam, LParam);
    }
}
