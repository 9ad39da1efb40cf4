// The main window's pages: the information pane, the image view with its dump, and the chip map
// with its legend; and the help window.
#include "common/ResourseStrings.h"
#include "operations/ImageDumpLines.h"
#include "operations/MainWindowModel.h"
#include "winui/ChipMapView.h"
#include "winui/CommandIds.h"
#include "winui/DumpView.h"
#include "winui/HelpWindow.h"
#include "winui/InfoPane.h"
#include "winui/MainWindow.h"
#include "winui/WinText.h"

#include "winui/WindowsApi.h"

#include <algorithm>

namespace {

constexpr int InfoPaneId = 201;
constexpr int DumpViewId = 202;
constexpr int ChipMapId = 203;
constexpr int LegendId = 204;
constexpr int PageMargin = 4;
constexpr int ButtonHeight = 25;
constexpr int ButtonPadding = 20;
constexpr TColor GreyColor = 0x808080;

void AddTab(HWND Tabs, int Index, const char* Caption) {
    std::wstring Text = Wide(Caption);
    TCITEMW Item{};
    Item.mask = TCIF_TEXT;
    Item.pszText = Text.data();
    SendMessageW(Tabs, TCM_INSERTITEMW, static_cast<WPARAM>(Index),
                 reinterpret_cast<LPARAM>(&Item));
}

// The background the pages are drawn on: the theme's page colour, the dialog colour without one.
int PageColorIndex() {
    return IsAppThemed() ? COLOR_WINDOW : COLOR_BTNFACE;
}

} // namespace

// The pages' controls are the window's own children, laid over the tab control's display area
// and shown with their page; the tab control lies below them.
void TMainWindow::CreatePages() {
    Info = std::make_unique<TInfoPane>(Handle(), InfoPaneId);
    ShowDumpButton =
        CreateChild(Handle(), WC_BUTTONW, SShowImageCaption, BS_PUSHBUTTON | WS_TABSTOP,
                    static_cast<int>(CommandId(TWindowCommand::ShowImage)));
    DumpNote = CreateChild(Handle(), WC_STATICW, SShowImageNote, SS_LEFT | SS_NOPREFIX);
    Dump = std::make_unique<TDumpView>(Handle(), DumpViewId);
    Map = std::make_unique<TChipMapView>(Handle(), ChipMapId);
    Legend = std::make_unique<TChipMapLegend>(Handle(), LegendId);
    Map->OnPageClicked = [this](int Page) { Model->Guarded([this, Page] { ShowChipPage(Page); }); };
    TabControl = CreateChild(Handle(), WC_TABCONTROLW, "", WS_CLIPSIBLINGS | WS_TABSTOP);
    SetWindowPos(TabControl, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    AddTab(TabControl, InfoPage, SInfoTabCaption);
    AddTab(TabControl, ImageViewPage, SImageViewTabCaption);
    AddTab(TabControl, ChipMapPage, SChipMapTabCaption);

    for (HWND Control : {TabControl, Info->Handle(), ShowDumpButton}) {
        SetControlFont(Control, Fonts->Normal());
    }
    SetControlFont(DumpNote, Fonts->Small());
    SetControlFont(Dump->Handle(), Fonts->Mono());
    Legend->SetFont(Fonts->Normal());
    SelectPage(InfoPage);
}

void TMainWindow::SelectPage(TPage Page) {
    SendMessageW(TabControl, TCM_SETCURSEL, static_cast<WPARAM>(Page), 0);
    const auto ShowOn = [Page](HWND Control, TPage Own) {
        ShowWindow(Control, Page == Own ? SW_SHOW : SW_HIDE);
    };
    ShowOn(Info->Handle(), InfoPage);
    for (HWND Control : {ShowDumpButton, DumpNote, Dump->Handle()}) {
        ShowOn(Control, ImageViewPage);
    }
    for (HWND Control : {Map->Handle(), Legend->Handle()}) {
        ShowOn(Control, ChipMapPage);
    }
}

TMainWindow::TPage TMainWindow::SelectedPage() const {
    const auto Selected = static_cast<int>(SendMessageW(TabControl, TCM_GETCURSEL, 0, 0));
    return Selected >= 0 && Selected < PageCount ? static_cast<TPage>(Selected) : InfoPage;
}

void TMainWindow::LayoutPages(const RECT& Bounds) {
    Place(TabControl, Bounds);
    RECT Page = Bounds;
    SendMessageW(TabControl, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&Page));
    Place(Info->Handle(), Page);
    LayoutImageView(Page);
    LayoutChipMap(Page);
}

// The button and its note in a row, the dump below them.
void TMainWindow::LayoutImageView(const RECT& Page) {
    const int Margin = Scaled(PageMargin, Dpi);
    const int ButtonWidth =
        TextExtent(ShowDumpButton, Fonts->Normal(), Wide(SShowImageCaption)).cx +
        Scaled(ButtonPadding, Dpi);
    const int RowHeight = Scaled(ButtonHeight, Dpi);
    const RECT Button = Box(Page.left + Margin, Page.top + Margin, ButtonWidth, RowHeight);
    Place(ShowDumpButton, Button);
    const int NoteHeight = TextExtent(DumpNote, Fonts->Small(), L"Ag").cy;
    Place(DumpNote, RECT{Button.right + Margin, Button.top + (RowHeight - NoteHeight) / 2,
                         Page.right - Margin, Button.top + (RowHeight + NoteHeight) / 2});
    Place(Dump->Handle(), RECT{Page.left + Margin, Button.bottom + Margin, Page.right - Margin,
                               std::max<LONG>(Button.bottom + Margin, Page.bottom - Margin)});
}

// The map over its legend; the map keeps its cells square in the middle of its room.
void TMainWindow::LayoutChipMap(const RECT& Page) {
    const int Margin = Scaled(PageMargin, Dpi);
    const int LegendHeight = Legend->PreferredHeight();
    const LONG LegendTop = std::max<LONG>(Page.top + Margin, Page.bottom - Margin - LegendHeight);
    Place(Legend->Handle(),
          RECT{Page.left + Margin, LegendTop, Page.right - Margin, LegendTop + LegendHeight});
    Place(Map->Handle(), RECT{Page.left + Margin, Page.top + Margin, Page.right - Margin,
                              std::max<LONG>(Page.top + Margin, LegendTop - Margin)});
}

int TMainWindow::PagesHeightForTheChipMap() const {
    RECT Bounds{};
    GetWindowRect(TabControl, &Bounds);
    RECT Page = Bounds;
    SendMessageW(TabControl, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&Page));
    const int Frame = Height(Bounds) - Height(Page);
    return Frame + Map->PreferredSize().cy + Legend->PreferredHeight() +
           3 * Scaled(PageMargin, Dpi);
}

std::optional<HBRUSH> TMainWindow::PageControlColor(HWND Control, HDC Context) const {
    if (Control != DumpNote) {
        return std::nullopt;
    }
    SetTextColor(Context, GreyColor);
    SetBkColor(Context, GetSysColor(PageColorIndex()));
    return GetSysColorBrush(PageColorIndex());
}

// ---- The information pane ----

void TMainWindow::AddInfoLine(const std::string& Text, TColor Color) {
    Info->AddLine(Text, Color);
}

void TMainWindow::ClearInfo() {
    Info->Clear();
}

// ---- The image view ----

void TMainWindow::ShowImageDump(const std::vector<std::string>& Lines) {
    Dump->SetLines(Lines);
}

void TMainWindow::ClearImageView() {
    Dump->Clear();
}

void TMainWindow::ShowChipPage(int Page) {
    SelectPage(ImageViewPage);
    const std::optional<std::int32_t> Address = Model->ImagePageAddress(Page);
    if (!Address) {
        return;
    }
    if (Dump->IsEmpty()) {
        ShowImageDump(Model->ImageDump());
    }
    if (const std::optional<std::size_t> Line = DumpLineOfAddress(Dump->GetLines(), *Address)) {
        Dump->ShowLine(*Line);
    }
}

// ---- The chip map ----

void TMainWindow::ShowImagePages(const std::vector<int>& Pages) {
    Map->SetImagePages(Pages);
}

void TMainWindow::ShowPageOutcome(int Page, TPageOutcome Outcome) {
    Map->SetPageOutcome(Page, Outcome);
}

// ---- Help ----

void TMainWindow::ShowHelp() {
    if (Help == nullptr || !Help->IsOpen()) {
        Help = std::make_unique<THelpWindow>(Handle());
    }
    Help->Present();
}
