#include "winui/Pictures.h"

TIconOwner LoadPicture(const wchar_t* Name, int Size) {
    return TIconOwner(static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), Name, IMAGE_ICON, Size, Size, LR_DEFAULTCOLOR)));
}
