#include "winui/Controls.h"

#include "winui/WinText.h"

namespace {

TFontOwner MakeFont(const wchar_t* Face, int PointSize, UINT Dpi, bool Bold) {
    LOGFONTW Font{};
    Font.lfHeight = -MulDiv(PointSize, static_cast<int>(Dpi), 72);
    Font.lfWeight = Bold ? FW_BOLD : FW_NORMAL;
    Font.lfCharSet = DEFAULT_CHARSET;
    Font.lfQuality = CLEARTYPE_QUALITY;
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

TFormFonts::TFormFonts(UINT Dpi)
    : NormalFont(MakeFont(L"Tahoma", 8, Dpi, false)), BoldFont(MakeFont(L"Tahoma", 8, Dpi, true)),
      SmallFont(MakeFont(L"Tahoma", 7, Dpi, false)),
      MonoFont(MakeFont(L"Courier New", 8, Dpi, false)),
      BannerFont(MakeFont(L"Tahoma", 14, Dpi, true)) {}
