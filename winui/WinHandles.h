// Owners of the Windows handles the window makes: each releases its handle with the call that
// belongs to it, once, when it goes.
#pragma once

#include "winui/WindowsApi.h"

#include <utility>

template <typename THandle, typename TRelease> class TOwnedHandle {
public:
    TOwnedHandle() = default;
    explicit TOwnedHandle(THandle Value) : Value(Value) {}
    ~TOwnedHandle() { Reset(); }
    TOwnedHandle(const TOwnedHandle&) = delete;
    TOwnedHandle& operator=(const TOwnedHandle&) = delete;
    TOwnedHandle(TOwnedHandle&& Other) noexcept : Value(std::exchange(Other.Value, nullptr)) {}
    TOwnedHandle& operator=(TOwnedHandle&& Other) noexcept {
        if (this != &Other) {
            Reset(std::exchange(Other.Value, nullptr));
        }
        return *this;
    }

    THandle Get() const { return Value; }
    explicit operator bool() const { return Value != nullptr; }
    // Releases the handle held and takes NewValue over.
    void Reset(THandle NewValue = nullptr) {
        if (Value != nullptr) {
            TRelease()(Value);
        }
        Value = NewValue;
    }
    // Gives the handle up without releasing it: something else owns it now.
    THandle Release() { return std::exchange(Value, nullptr); }

private:
    THandle Value = nullptr;
};

struct TDestroyWindow {
    void operator()(HWND Window) const { DestroyWindow(Window); }
};
struct TDeleteGdiObject {
    void operator()(HGDIOBJ Object) const { DeleteObject(Object); }
};
struct TDestroyIcon {
    void operator()(HICON Icon) const { DestroyIcon(Icon); }
};
struct TDestroyMenu {
    void operator()(HMENU Menu) const { DestroyMenu(Menu); }
};
struct TDestroyImageList {
    void operator()(HIMAGELIST List) const { ImageList_Destroy(List); }
};
struct TDestroyAcceleratorTable {
    void operator()(HACCEL Table) const { DestroyAcceleratorTable(Table); }
};
struct TFreeLibrary {
    void operator()(HMODULE Module) const { FreeLibrary(Module); }
};

using TWindowOwner = TOwnedHandle<HWND, TDestroyWindow>;
using TFontOwner = TOwnedHandle<HFONT, TDeleteGdiObject>;
using TBrushOwner = TOwnedHandle<HBRUSH, TDeleteGdiObject>;
using TBitmapOwner = TOwnedHandle<HBITMAP, TDeleteGdiObject>;
using TPenOwner = TOwnedHandle<HPEN, TDeleteGdiObject>;
using TIconOwner = TOwnedHandle<HICON, TDestroyIcon>;
using TMenuOwner = TOwnedHandle<HMENU, TDestroyMenu>;
using TImageListOwner = TOwnedHandle<HIMAGELIST, TDestroyImageList>;
using TAcceleratorOwner = TOwnedHandle<HACCEL, TDestroyAcceleratorTable>;
using TModuleOwner = TOwnedHandle<HMODULE, TFreeLibrary>;

// A device context that paints a window between BeginPaint and EndPaint.
class TPaintContext {
public:
    explicit TPaintContext(HWND Window) : Window(Window) { Context = BeginPaint(Window, &Paint); }
    ~TPaintContext() { EndPaint(Window, &Paint); }
    TPaintContext(const TPaintContext&) = delete;
    TPaintContext& operator=(const TPaintContext&) = delete;

    HDC Get() const { return Context; }

private:
    HWND Window;
    PAINTSTRUCT Paint{};
    HDC Context = nullptr;
};

// A window's device context outside painting (for measuring text).
class TWindowContext {
public:
    explicit TWindowContext(HWND Window) : Window(Window), Context(GetDC(Window)) {}
    ~TWindowContext() { ReleaseDC(Window, Context); }
    TWindowContext(const TWindowContext&) = delete;
    TWindowContext& operator=(const TWindowContext&) = delete;

    HDC Get() const { return Context; }

private:
    HWND Window;
    HDC Context;
};

// A memory device context, deleted at the end.
class TMemoryContext {
public:
    explicit TMemoryContext(HDC Compatible) : Context(CreateCompatibleDC(Compatible)) {}
    ~TMemoryContext() { DeleteDC(Context); }
    TMemoryContext(const TMemoryContext&) = delete;
    TMemoryContext& operator=(const TMemoryContext&) = delete;

    HDC Get() const { return Context; }

private:
    HDC Context;
};

// An object selected into a device context for as long as this lives.
class TSelection {
public:
    TSelection(HDC Context, HGDIOBJ Object)
        : Context(Context), Previous(SelectObject(Context, Object)) {}
    ~TSelection() { SelectObject(Context, Previous); }
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;

private:
    HDC Context;
    HGDIOBJ Previous;
};
