#include "winui/MenuPictures.h"

#include "winui/CommandCaptions.h"
#include "winui/CommandIds.h"
#include "winui/Pictures.h"

#include <optional>

// Items without a picture of their own get a blank one in a menu that shows pictures: a menu
// measures each item with its own picture but writes every caption behind the pictures'
// column, and the longest caption would lose its end ("...") there.
void TMenuPictures::AddTo(HMENU Menu, UINT Dpi) {
    const int Size = GetSystemMetricsForDpi(SM_CXSMICON, Dpi);
    std::vector<UINT> Unpictured;
    bool AnyPicture = false;
    for (int Position = 0; Position < GetMenuItemCount(Menu); ++Position) {
        if (const HMENU Submenu = GetSubMenu(Menu, Position)) {
            AddTo(Submenu, Dpi);
            continue;
        }
        const UINT Id = GetMenuItemID(Menu, Position);
        const std::optional<TWindowCommand> Command = CommandOfId(Id);
        const wchar_t* Picture = Command ? CommandPicture(*Command) : nullptr;
        if (Picture == nullptr) {
            if (Command) {
                Unpictured.push_back(static_cast<UINT>(Position));
            }
            continue;
        }
        SetPicture(Menu, static_cast<UINT>(Position), PictureOf(Picture, Size));
        AnyPicture = true;
    }
    if (AnyPicture) {
        for (const UINT Position : Unpictured) {
            SetPicture(Menu, Position, PictureOf(nullptr, Size));
        }
    }
}

void TMenuPictures::SetPicture(HMENU Menu, UINT Position, HBITMAP Picture) {
    MENUITEMINFOW Item{};
    Item.cbSize = sizeof Item;
    Item.fMask = MIIM_BITMAP;
    Item.hbmpItem = Picture;
    SetMenuItemInfoW(Menu, Position, TRUE, &Item);
}

// A 32-bit bitmap that starts transparent: the icon drawn into it leaves its colours
// premultiplied by its transparency, as menus take them. Without a name it stays blank.
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
    const TIconOwner Icon = Name != nullptr ? LoadPicture(Name, Size) : TIconOwner();
    if (Bitmap && Icon) {
        const TMemoryContext Context(nullptr);
        const TSelection Selected(Context.Get(), Bitmap.Get());
        DrawIconEx(Context.Get(), 0, 0, Icon.Get(), Size, Size, 0, nullptr, DI_NORMAL);
    }
    Bitmaps.push_back(std::move(Bitmap));
    return Bitmaps.back().Get();
}
