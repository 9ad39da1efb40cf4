// The pictures beside menu items: each command's picture in the small icon size, drawn into a
// bitmap with its transparency as menus show it, kept for as long as the menus live.
#pragma once

#include "winui/WinHandles.h"

#include <vector>

class TMenuPictures {
public:
    // Puts its picture beside every item of Menu (and of its submenus) whose command has one,
    // and a blank one beside the others of a menu with pictures.
    void AddTo(HMENU Menu, UINT Dpi);

private:
    static void SetPicture(HMENU Menu, UINT Position, HBITMAP Picture);
    HBITMAP PictureOf(const wchar_t* Name, int Size);

    std::vector<TBitmapOwner> Bitmaps;
};
