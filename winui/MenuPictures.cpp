#include "winui/MenuPictures.h"

#include "winui/CommandCaptions.h"
#include "winui/CommandIds.h"
#include "winui/Pictures.h"

#include <optional>

void TMenuPictures::AddTo(HMENU Menu, UINT Dpi) {
    const int Size = GetSystemMetricsForDpi(SM_CXSMICON, Dpi);
    for (int Position = 0; Position < GetMenuItemCount(Menu); ++Position) {
        if (const HMENU Submenu = GetSubMenu(Menu, Position)) {
            AddTo(Submenu, Dpi);
            continue;
        }
        const std::optional<TWindowCommand> Command = CommandOfId(GetMenuItemID(Menu, Position));
        const wchar_t* Picture = Command ? CommandPicture(*Command) : nullptr;
        if (Picture == nullptr) {
            continue;
        }
        MENUITEMINFOW Item{};
        Item.cbSize = sizeof Item;
        Item.fMask = MIIM_BITMAP;
        Item.hbmpItem = PictureOf(Picture, Size);
        SetMenuItemInfoW(Menu, static_cast<UINT>(Position), TRUE, &Item);
    }
}

// A 32-bit bitmap that starts transparent: the icon drawn into it leaves its colours
// premultiplied by its transparency, as menus take them.
HBITMAP TMenuPictures::PictureOf(const wchar_t* Name, int Size) {
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof Info.bmiHeader;
    Info.bmiHeader.biWidth = Size;
    Info.bmiHeader.biHeight = -Size;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    Info.bmiHeader.biCompression = BI_RGB;
    void* Pixels = nullptr;
    TBitmapOwner Bitmap(CreateDIBSection(nullptr, &Info, DIB_RGB_COLORS, &Pixels, nullptr, 0));
    const TIconOwner Icon = LoadPicture(Name, Size);
    if (Bitmap && Icon) {
        const TMemoryContext Context(nullptr);
        const TSelection Selected(Context.Get(), Bitmap.Get());
        DrawIconEx(Context.Get(), 0, 0, Icon.Get(), Size, Size, 0, nullptr, DI_NORMAL);
    }
    Bitmaps.push_back(std::move(Bitmap));
    return Bitmaps.back().Get();
}
