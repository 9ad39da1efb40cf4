#include "winui/AboutDialog.h"

#include "common/ProductInfo.h"
#include "common/ResourseStrings.h"
#include "operations/MainView.h"
#include "winui/WinText.h"

#include "winui/WindowsApi.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int FormWidth = 241;
constexpr int FormHeight = 217;
constexpr int BannerHeight = 32;
constexpr int MailLabelId = 101;
constexpr TColor LinkColor = 0xFF0000; // blue
constexpr COLORREF BannerLeft = RGB(0, 51, 102);
constexpr COLORREF BannerRight = RGB(102, 153, 204);

int Blend(int From, int To, int Step, int Steps) {
    return From + (To - From) * Step / std::max(1, Steps);
}

// Letters, digits and "-._~" as they are; every other byte of the UTF-8 text as %XX.
std::string PercentEncoded(const std::string& Text) {
    std::string Encoded;
    for (const unsigned char Byte : Text) {
        const bool Plain = (Byte >= 'A' && Byte <= 'Z') || (Byte >= 'a' && Byte <= 'z') ||
                           (Byte >= '0' && Byte <= '9') || Byte == '-' || Byte == '.' ||
                           Byte == '_' || Byte == '~';
        if (Plain) {
            Encoded += static_cast<char>(Byte);
        } else {
            char Escape[4];
            std::snprintf(Escape, sizeof Escape, "%%%02X", Byte);
            Encoded += Escape;
        }
    }
    return Encoded;
}

bool OpenWithTheSystem(const std::string& Link) {
    const auto Result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", Wide(Link).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return Result > 32;
}

} // namespace

TAboutDialog::TAboutDialog(HWND Owner)
    : OpenLink(&OpenWithTheSystem), White(CreateSolidBrush(RGB(255, 255, 255))) {
    Open(Owner, SAboutCaption, SIZE{FormWidth, FormHeight});
}

std::string TAboutDialog::MailLink() {
    return std::string(SAboutMailScheme) + SMakerMailAddress +
           "?subject=" + PercentEncoded(SAboutMailSubject);
}

void TAboutDialog::CreateControls() {
    ProgramFor = AddControl(WC_STATICW, SAboutProgramFor, SS_LEFT);
    ChipType = AddControl(WC_STATICW, SAboutChipType, SS_LEFT);
    Version = AddControl(WC_STATICW, FormatText(SAboutVersion, SProductVersion), SS_LEFT);
    Mail =
        AddControl(WC_STATICW, SMakerMailAddress, SS_LEFT | SS_NOTIFY | SS_NOPREFIX, MailLabelId);
    Bevel = AddControl(WC_STATICW, "", SS_ETCHEDHORZ);
    Ok = AddControl(WC_BUTTONW, SOKButtonCaption, BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK);
    Maker = AddControl(WC_STATICW, SAboutMaker, SS_LEFT | SS_NOPREFIX);
}

void TAboutDialog::Layout() {
    const auto TextWidth = [this](HWND Label) {
        return static_cast<int>(TextExtent(Label, Fonts().Normal(), Wide(WindowTextOf(Label))).cx) +
               S(2);
    };
    const int LineHeight = S(14);
    Place(ProgramFor, Box(S(8), S(32), S(149), S(28)));
    Place(ChipType, Box(S(24), S(61), TextWidth(ChipType), LineHeight));
    Place(Version, Box(S(8), S(88), TextWidth(Version), LineHeight));
    // A face wider than Tahoma would push the address past the right edge: it moves left.
    const int MailWidth = TextWidth(Mail);
    Place(Mail, Box(std::min(S(144), S(FormWidth - 8) - MailWidth), S(146), MailWidth, LineHeight));
    Place(Bevel, Box(S(8), S(164), S(225), S(2)));
    Place(Ok, Box(S(159), S(184), S(75), S(25)));
    Place(Maker, Box(S(8), S(200), TextWidth(Maker), LineHeight));
}

void TAboutDialog::Shown() {
    SetFocus(Ok);
}

void TAboutDialog::ControlCommand(int Id, int Code, HWND /*Control*/) {
    if (Id == MailLabelId && Code == STN_CLICKED && OpenLink) {
        OpenLink(MailLink());
    }
}

HBRUSH TAboutDialog::StaticColor(HWND Control, HDC Context) {
    SetBkColor(Context, RGB(255, 255, 255));
    SetTextColor(Context, Control == Mail ? LinkColor : GetSysColor(COLOR_WINDOWTEXT));
    return White.Get();
}

LRESULT TAboutDialog::HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
    switch (Message) {
    case WM_ERASEBKGND: {
        const RECT Client = ClientRect(Handle());
        FillRect(reinterpret_cast<HDC>(WParam), &Client, White.Get());
        return 1;
    }
    case WM_PAINT: {
        const TPaintContext Context(Handle());
        PaintBanner(Context.Get());
        return 0;
    }
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(WParam) == Mail) {
            SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649))); // IDC_HAND
            return TRUE;
        }
        break;
    default:
        break;
    }
    return TDialogWindow::HandleMessage(Message, WParam, LParam);
}

void TAboutDialog::PaintBanner(HDC Context) const {
    const int BannerWidth = Width(ClientRect(Handle()));
    const int Height = S(BannerHeight);
    for (int X = 0; X < BannerWidth; ++X) {
        const COLORREF Color =
            RGB(Blend(GetRValue(BannerLeft), GetRValue(BannerRight), X, BannerWidth),
                Blend(GetGValue(BannerLeft), GetGValue(BannerRight), X, BannerWidth),
                Blend(GetBValue(BannerLeft), GetBValue(BannerRight), X, BannerWidth));
        const TBrushOwner Brush(CreateSolidBrush(Color));
        const RECT Column{X, 0, X + 1, Height};
        FillRect(Context, &Column, Brush.Get());
    }
    const TSelection Selected(Context, Fonts().Banner());
    SetBkMode(Context, TRANSPARENT);
    SetTextColor(Context, RGB(255, 255, 255));
    RECT Text{S(8), 0, BannerWidth, Height};
    const std::wstring Name = Wide(SProductName);
    DrawTextW(Context, Name.c_str(), static_cast<int>(Name.size()), &Text,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}
