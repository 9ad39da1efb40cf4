#include "winui/StatusBar.h"

#include "winui/Controls.h"
#include "winui/WinText.h"

#include "winui/WindowsApi.h"

namespace {

constexpr int PercentPanelWidth = 40;
constexpr int ProgressPanelWidth = 100;
constexpr int PanelCount = 3;

} // namespace

TStatusBar::TStatusBar(HWND Parent, UINT Dpi) {
    // A panel too narrow for its text shows it whole in a tip.
    Bar = CreateChild(Parent, STATUSCLASSNAMEW, "", SBARS_SIZEGRIP | SBARS_TOOLTIPS);
    Progress = CreateChild(Bar, PROGRESS_CLASSW, "", 0);
    SendMessageW(Progress, PBM_SETRANGE32, 0, 100);
    SetDpi(Dpi);
}

void TStatusBar::SetDpi(UINT Dpi) {
    const int Edges[PanelCount] = {Scaled(PercentPanelWidth, Dpi),
                                   Scaled(PercentPanelWidth + ProgressPanelWidth, Dpi), -1};
    SendMessageW(Bar, SB_SETPARTS, PanelCount, reinterpret_cast<LPARAM>(Edges));
    Fit();
}

int TStatusBar::Fit() {
    SendMessageW(Bar, WM_SIZE, 0, 0);
    PlaceProgressBar();
    RECT Bounds{};
    GetWindowRect(Bar, &Bounds);
    return Height(Bounds);
}

// The progress bar lies over the middle panel.
void TStatusBar::PlaceProgressBar() {
    RECT Panel{};
    SendMessageW(Bar, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&Panel));
    Place(Progress, Panel);
}

void TStatusBar::SetPanelText(int Panel, const std::string& Text) {
    if (Panel >= 0 && Panel < PanelCount) {
        const std::wstring Shown = Wide(Text);
        SendMessageW(Bar, SB_SETTEXTW, static_cast<WPARAM>(Panel),
                     reinterpret_cast<LPARAM>(Shown.c_str()));
        SendMessageW(Bar, SB_SETTIPTEXTW, static_cast<WPARAM>(Panel),
                     reinterpret_cast<LPARAM>(Shown.c_str()));
    }
}

std::string TStatusBar::PanelText(int Panel) const {
    const auto Length = LOWORD(SendMessageW(Bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(Panel), 0));
    std::wstring Text(static_cast<std::size_t>(Length) + 1, L'\0');
    SendMessageW(Bar, SB_GETTEXTW, static_cast<WPARAM>(Panel),
                 reinterpret_cast<LPARAM>(Text.data()));
    Text.resize(Length);
    return Narrow(Text);
}

void TStatusBar::SetProgress(int Percent) {
    SendMessageW(Progress, PBM_SETPOS, static_cast<WPARAM>(Percent), 0);
}
