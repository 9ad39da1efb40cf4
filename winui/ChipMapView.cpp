#include "winui/ChipMapView.h"

#include "common/ResourseStrings.h"
#include "winui/Controls.h"
#include "winui/WinText.h"

#include "winui/WindowsApi.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr int Columns = TChipPageStates::Columns;
constexpr int Rows = TChipPageStates::Rows;
// A cell smaller than this cannot be told from its neighbours.
constexpr int PreferredCell = 4;
// The side of the mark of a page that stands out: a small cell's page is drawn this large.
constexpr int MarkSide = 7;
constexpr int SwatchSize = 10;
constexpr int LegendColumns = 4;
constexpr int LegendSpacing = 6;
constexpr UINT_PTR RepaintTimer = 1;
constexpr UINT RepaintIntervalMs = 100;

// A device-independent bitmap's pixel (0x00RRGGBB) from a colour (0x00BBGGRR).
std::uint32_t PixelOf(TColor Color) {
    return (Color & 0xFF) << 16 | (Color & 0xFF00) | (Color >> 16 & 0xFF);
}

void FillBox(HDC Context, const RECT& Box, COLORREF Color) {
    const TBrushOwner Brush(CreateSolidBrush(Color));
    FillRect(Context, &Box, Brush.Get());
}

void FrameBox(HDC Context, const RECT& Box, COLORREF Color) {
    const TBrushOwner Brush(CreateSolidBrush(Color));
    FrameRect(Context, &Box, Brush.Get());
}

// Paints into a bitmap first and puts it on the screen in one go, so that nothing flickers.
template <typename TPainter> void PaintBuffered(HWND Window, const TPainter& Painter) {
    const TPaintContext Screen(Window);
    const RECT Client = ClientRect(Window);
    const TMemoryContext Buffer(Screen.Get());
    const TBitmapOwner Picture(CreateCompatibleBitmap(Screen.Get(), std::max(1, Width(Client)),
                                                      std::max(1, Height(Client))));
    {
        const TSelection Selected(Buffer.Get(), Picture.Get());
        FillRect(Buffer.Get(), &Client, GetSysColorBrush(COLOR_WINDOW));
        Painter(Buffer.Get());
        BitBlt(Screen.Get(), 0, 0, Width(Client), Height(Client), Buffer.Get(), 0, 0, SRCCOPY);
    }
}

} // namespace

// ---- The map ----

TChipMapView::TChipMapView(HWND Parent, int Id) {
    CreateWindowOf({L"VelmoraChipMap", CS_HREDRAW | CS_VREDRAW, 0}, 0, WS_CHILD | WS_VISIBLE,
                   Parent, RECT{}, Id);
    Hint = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX, 0, 0,
                           0, 0, Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    TTTOOLINFOW Tool{};
    Tool.cbSize = sizeof Tool;
    Tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    Tool.hwnd = Handle();
    Tool.uId = reinterpret_cast<UINT_PTR>(Handle());
    Tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(Hint, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&Tool));
}

void TChipMapView::SetImagePages(const std::vector<int>& Pages) {
    PageStates.SetImagePages(Pages);
    InvalidateRect(Handle(), nullptr, FALSE);
}

void TChipMapView::SetPageOutcome(int Page, TPageOutcome Outcome) {
    if (PageStates.SetPageOutcome(Page, Outcome)) {
        ScheduleRepaint();
    }
}

void TChipMapView::ScheduleRepaint() {
    if (!RepaintScheduled) {
        RepaintScheduled = true;
        SetTimer(Handle(), RepaintTimer, RepaintIntervalMs, nullptr);
    }
}

RECT TChipMapView::GridRect() const {
    const RECT Client = ClientRect(Handle());
    int Side = std::min(Width(Client), Height(Client));
    if (Side >= Columns) {
        Side -= Side % Columns;
    }
    return Box((Width(Client) - Side) / 2, (Height(Client) - Side) / 2, Side, Side);
}

RECT TChipMapView::CellRect(int Page) const {
    const RECT Grid = GridRect();
    const int Column = Page % Columns;
    const int Row = Page / Columns;
    return RECT{Grid.left + Column * Width(Grid) / Columns, Grid.top + Row * Height(Grid) / Rows,
                Grid.left + (Column + 1) * Width(Grid) / Columns,
                Grid.top + (Row + 1) * Height(Grid) / Rows};
}

int TChipMapView::PageAt(POINT Point) const {
    const RECT Grid = GridRect();
    if (IsRectEmpty(&Grid) || !PtInRect(&Grid, Point)) {
        return -1;
    }
    const int Column = (Point.x - Grid.left) * Columns / Width(Grid);
    const int Row = (Point.y - Grid.top) * Rows / Height(Grid);
    return std::clamp(Row, 0, Rows - 1) * Columns + std::clamp(Column, 0, Columns - 1);
}

std::string TChipMapView::HintAt(POINT Point) const {
    const int Page = PageAt(Point);
    if (Page < 0) {
        return {};
    }
    return FormatText(SChipMapCellHint, Page,
                      TChipPageStates::StateName(PageStates.GetPageState(Page)));
}

SIZE TChipMapView::PreferredSize() const {
    const int Side = Scaled(Columns * PreferredCell, WindowDpi(Handle()));
    return SIZE{Side, Side};
}

LRESULT TChipMapView::HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
    switch (Message) {
    case WM_PAINT:
        PaintBuffered(Handle(), [this](HDC Context) { Paint(Context); });
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_TIMER:
        KillTimer(Handle(), RepaintTimer);
        RepaintScheduled = false;
        InvalidateRect(Handle(), nullptr, FALSE);
        return 0;
    case WM_MOUSEMOVE:
        FollowMouse(POINT{static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam))});
        return 0;
    case WM_LBUTTONDOWN: {
        const int Page =
            PageAt(POINT{static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam))});
        if (Page >= 0 && OnPageClicked) {
            OnPageClicked(Page);
        }
        return 0;
    }
    case WM_NOTIFY: {
        auto* Notice = reinterpret_cast<NMTTDISPINFOW*>(LParam);
        if (Notice->hdr.hwndFrom == Hint && Notice->hdr.code == TTN_GETDISPINFOW) {
            Notice->lpszText = const_cast<LPWSTR>(HintText.c_str());
            return 0;
        }
        break;
    }
    default:
        break;
    }
    return DefaultHandling(Message, WParam, LParam);
}

// A new page under the mouse brings its own hint.
void TChipMapView::FollowMouse(POINT Point) {
    const int Page = PageAt(Point);
    if (Page == HoveredPage) {
        return;
    }
    HoveredPage = Page;
    HintText = Wide(HintAt(Point));
    TTTOOLINFOW Tool{};
    Tool.cbSize = sizeof Tool;
    Tool.hwnd = Handle();
    Tool.uId = reinterpret_cast<UINT_PTR>(Handle());
    Tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(Hint, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&Tool));
}

void TChipMapView::Paint(HDC Context) const {
    const RECT Grid = GridRect();
    if (IsRectEmpty(&Grid)) {
        return;
    }
    PaintCells(Context, Grid);
    PaintCellLines(Context, Grid);
    RECT Border = Grid;
    FrameBox(Context, Border, GetSysColor(COLOR_BTNSHADOW));
    PaintMarks(Context);
}

// One pixel a cell in a 64 × 64 picture, stretched over the grid.
void TChipMapView::PaintCells(HDC Context, const RECT& Grid) const {
    std::vector<std::uint32_t> Pixels(TChipPageStates::PageCount);
    for (int Page = 0; Page < TChipPageStates::PageCount; ++Page) {
        Pixels[static_cast<std::size_t>(Page)] =
            PixelOf(TChipPageStates::StateColor(PageStates.GetPageState(Page)));
    }
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof Info.bmiHeader;
    Info.bmiHeader.biWidth = Columns;
    Info.bmiHeader.biHeight = -Rows; // top row first
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    Info.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(Context, COLORONCOLOR);
    StretchDIBits(Context, Grid.left, Grid.top, Width(Grid), Height(Grid), 0, 0, Columns, Rows,
                  Pixels.data(), &Info, DIB_RGB_COLORS, SRCCOPY);
}

// Lines between the cells once they are large enough to tell apart.
void TChipMapView::PaintCellLines(HDC Context, const RECT& Grid) const {
    if (Width(Grid) / Columns < PreferredCell) {
        return;
    }
    const COLORREF LineColor = GetSysColor(COLOR_WINDOW);
    for (int Index = 1; Index < Columns; ++Index) {
        const int X = Grid.left + Index * Width(Grid) / Columns;
        const int Y = Grid.top + Index * Height(Grid) / Rows;
        FillBox(Context, RECT{X, Grid.top, X + 1, Grid.bottom}, LineColor);
        FillBox(Context, RECT{Grid.left, Y, Grid.right, Y + 1}, LineColor);
    }
}

void TChipMapView::PaintMarks(HDC Context) const {
    const int Side = Scaled(MarkSide, WindowDpi(Handle()));
    for (int Page = 0; Page < TChipPageStates::PageCount; ++Page) {
        const TChipPageState State = PageStates.GetPageState(Page);
        if (!TChipPageStates::StandsOut(State)) {
            continue;
        }
        const RECT Cell = CellRect(Page);
        const int MarkWidth = std::max(Side, Width(Cell));
        const int MarkHeight = std::max(Side, Height(Cell));
        const RECT Mark = Box((Cell.left + Cell.right - MarkWidth) / 2,
                              (Cell.top + Cell.bottom - MarkHeight) / 2, MarkWidth, MarkHeight);
        FillBox(Context, Mark, TChipPageStates::StateColor(State));
        FrameBox(Context, Mark, GetSysColor(COLOR_WINDOWTEXT));
    }
}

// ---- The legend ----

TChipMapLegend::TChipMapLegend(HWND Parent, int Id) {
    CreateWindowOf({L"VelmoraChipMapLegend", CS_HREDRAW | CS_VREDRAW, 0}, 0, WS_CHILD | WS_VISIBLE,
                   Parent, RECT{}, Id);
}

void TChipMapLegend::SetFont(HFONT NewFont) {
    Font = NewFont;
    InvalidateRect(Handle(), nullptr, TRUE);
}

int TChipMapLegend::RowHeight() const {
    const UINT Dpi = WindowDpi(Handle());
    return std::max(static_cast<int>(TextExtent(Handle(), Font, L"Ag").cy),
                    Scaled(SwatchSize, Dpi)) +
           Scaled(2, Dpi);
}

int TChipMapLegend::PreferredHeight() const {
    const int RowCount = (TChipPageStates::StateCount + LegendColumns - 1) / LegendColumns;
    return RowCount * RowHeight();
}

LRESULT TChipMapLegend::HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
    if (Message == WM_PAINT) {
        PaintBuffered(Handle(), [this](HDC Context) { Paint(Context); });
        return 0;
    }
    if (Message == WM_ERASEBKGND) {
        return 1;
    }
    return DefaultHandling(Message, WParam, LParam);
}

void TChipMapLegend::Paint(HDC Context) const {
    const UINT Dpi = WindowDpi(Handle());
    const int Swatch = Scaled(SwatchSize, Dpi);
    const int Spacing = Scaled(LegendSpacing, Dpi);
    const TSelection Selected(Context, Font);
    SetBkMode(Context, TRANSPARENT);
    SetTextColor(Context, GetSysColor(COLOR_WINDOWTEXT));
    // Every column as wide as the widest entry.
    int EntryWidth = 0;
    for (int Index = 0; Index < TChipPageStates::StateCount; ++Index) {
        const std::wstring Name =
            Wide(TChipPageStates::StateName(static_cast<TChipPageState>(Index)));
        EntryWidth = std::max(EntryWidth, static_cast<int>(TextExtent(Handle(), Font, Name).cx));
    }
    EntryWidth += Swatch + 2 * Spacing;
    const int Row = RowHeight();
    for (int Index = 0; Index < TChipPageStates::StateCount; ++Index) {
        const auto State = static_cast<TChipPageState>(Index);
        const int Left = (Index % LegendColumns) * EntryWidth;
        const int Top = (Index / LegendColumns) * Row;
        const RECT SwatchBox = Box(Left, Top + (Row - Swatch) / 2, Swatch, Swatch);
        FillBox(Context, SwatchBox, TChipPageStates::StateColor(State));
        FrameBox(Context, SwatchBox, GetSysColor(COLOR_WINDOWTEXT));
        RECT TextBox{Left + Swatch + Spacing, Top, Left + EntryWidth, Top + Row};
        const std::wstring Name = Wide(TChipPageStates::StateName(State));
        DrawTextW(Context, Name.c_str(), static_cast<int>(Name.size()), &TextBox,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
}
