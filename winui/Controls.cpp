#include "winui/Controls.h"

#include "winui/WinText.h"

#include <algorithm>

namespace {

// PitchAndFamily steers the choice of another face where Face is missing.
TFontOwner MakeFont(const wchar_t* Face, int PointSize, UINT Dpi, bool Bold,
                    BYTE PitchAndFamily = DEFAULT_PITCH | FF_DONTCARE) {
    LOGFONTW Font{};
    Font.lfHeight = -MulDiv(PointSize, static_cast<int>(Dpi), 72);
    Font.lfWeight = Bold ? FW_BOLD : FW_NORMAL;
    Font.lfCharSet = DEFAULT_CHARSET;
    Font.lfQuality = CLEARTYPE_QUALITY;
    Font.lfPitchAndFamily = PitchAndFamily;
    lstrcpynW(Font.lfFaceName, Face, LF_FACESIZE);
    return TFontOwner(CreateFontIndirectW(&Font));
}

} // namespace

UINT WindowDpi(HWND Window) {
    const UINT Dpi = Window != nullptr ? GetDpiForWindow(Window) : 0;
    return Dpi != 0 ? Dpi : GetDpiForSystem();
}

int Scaled(int DesignValue, UINT Dpi) {
    return MulDiv(DesignValue, static_cast<int>(Dpi), static_cast<int>(DesignDpi));
}

RECT Box(int Left, int Top, int Width, int Height) {
    return RECT{Left, Top, Left + Width, Top + Height};
}

int Width(const RECT& Rect) {
    return Rect.right - Rect.left;
}

int Height(const RECT& Rect) {
    return Rect.bottom - Rect.top;
}

HWND CreateChild(HWND Parent, const wchar_t* Class, const std::string& Text, DWORD Style, int Id,
                 DWORD ExStyle) {
    return CreateWindowExW(ExStyle, Class, Wide(Text).c_str(), WS_CHILD | WS_VISIBLE | Style, 0, 0,
                           0, 0, Parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)),
                           GetModuleHandleW(nullptr), nullptr);
}

void Place(HWND Control, const RECT& Bounds) {
    SetWindowPos(Control, nullptr, Bounds.left, Bounds.top, Width(Bounds), Height(Bounds),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetControlFont(HWND Control, HFONT Font) {
    SendMessageW(Control, WM_SETFONT, reinterpret_cast<WPARAM>(Font), TRUE);
}

SIZE TextExtent(HWND Window, HFONT Font, const std::wstring& Text) {
    const TWindowContext Context(Window);
    const TSelection Selected(Context.Get(), Font);
    SIZE Size{};
    GetTextExtentPoint32W(Context.Get(), Text.c_str(), static_cast<int>(Text.size()), &Size);
    return Size;
}

RECT ClientRect(HWND Window) {
    RECT Rect{};
    GetClientRect(Window, &Rect);
    return Rect;
}

RECT WorkAreaNear(const RECT& Bounds) {
    MONITORINFO Monitor{};
    Monitor.cbSize = sizeof Monitor;
    if (GetMonitorInfoW(MonitorFromRect(&Bounds, MONITOR_DEFAULTTONEAREST), &Monitor)) {
        return Monitor.rcWork;
    }
    RECT Work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &Work, 0);
    return Work;
}

RECT FittedInto(const RECT& Frame, const RECT& Work) {
    const LONG FittedWidth = std::min<LONG>(Width(Frame), Width(Work));
    const LONG FittedHeight = std::min<LONG>(Height(Frame), Height(Work));
    const LONG Left = std::clamp<LONG>(Frame.left, Work.left, Work.right - FittedWidth);
    const LONG Top = std::clamp<LONG>(Frame.top, Work.top, Work.bottom - FittedHeight);
    return Box(Left, Top, FittedWidth, FittedHeight);
}

TFormFonts::TFormFonts(UINT Dpi)
    : NormalFont(MakeFont(L"Tahoma", 8, Dpi, false)), BoldFont(MakeFont(L"Tahoma", 8, Dpi, true)),
      SmallFont(MakeFont(L"Tahoma", 7, Dpi, false)),
      MonoFont(MakeFont(L"Courier New", 8, Dpi, false, FIXED_PITCH | FF_MODERN)),
      BannerFont(MakeFont(L"Tahoma", 14, Dpi, true)) {}
