// Small helpers for the controls of the program's windows: making a child control, placing it
// by design measures (given at 96 dots per inch and scaled to the window's), the forms' fonts,
// and measuring text.
#pragma once

#include "winui/WinHandles.h"

#include "winui/WindowsApi.h"

#include <string>

inline constexpr UINT DesignDpi = 96;

// The dots per inch of the monitor the window is on (of the system when it cannot say).
UINT WindowDpi(HWND Window);
int Scaled(int DesignValue, UINT Dpi);
RECT Box(int Left, int Top, int Width, int Height);
int Width(const RECT& Rect);
int Height(const RECT& Rect);

// A visible child control of Parent with the given window class, text (UTF-8) and id.
HWND CreateChild(HWND Parent, const wchar_t* Class, const std::string& Text, DWORD Style,
                 int Id = 0, DWORD ExStyle = 0);
void Place(HWND Control, const RECT& Bounds);
void SetControlFont(HWND Control, HFONT Font);
// The size Text takes in Font.
SIZE TextExtent(HWND Window, HFONT Font, const std::wstring& Text);
// A window's client rectangle.
RECT ClientRect(HWND Window);
// The work area (the screen less the task bar) of the monitor that Bounds lie on most, or of
// the nearest one.
RECT WorkAreaNear(const RECT& Bounds);
// Frame made no larger than Work and moved as little as needed to lie wholly within it.
RECT FittedInto(const RECT& Frame, const RECT& Work);

// The fonts of the program's forms at one resolution: Tahoma 8 pt as designed (Windows finds
// the closest face where it is missing), its bold form, 7 pt for notes, Courier New 8 pt for
// the image dump (where it is missing, another fixed-pitch face: the dump's columns line up
// only in one), and 14 pt bold for the about box's banner.
class TFormFonts {
public:
    explicit TFormFonts(UINT Dpi);

    HFONT Normal() const { return NormalFont.Get(); }
    HFONT Bold() const { return BoldFont.Get(); }
    HFONT Small() const { return SmallFont.Get(); }
    HFONT Mono() const { return MonoFont.Get(); }
    HFONT Banner() const { return BannerFont.Get(); }

private:
    TFontOwner NormalFont;
    TFontOwner BoldFont;
    TFontOwner SmallFont;
    TFontOwner MonoFont;
    TFontOwner BannerFont;
};
