// A window of one of the program's own window classes, whose messages reach a C++ object: the
// class is registered on first use, the object is found through the window's user data, and an
// exception that leaves a message handler is reported instead of crossing the system's frames.
#pragma once

#include "winui/WindowsApi.h"

#include <exception>

struct TWindowClass {
    const wchar_t* Name;
    UINT Style = 0;
    // A system colour index + 1 as the background brush, or 0 for none (the window paints all).
    int BackgroundColor = COLOR_BTNFACE + 1;
    // The big and small icons of a top-level window (a resource name), or none.
    const wchar_t* Icon = nullptr;
};

class TWindowBase {
public:
    TWindowBase(const TWindowBase&) = delete;
    TWindowBase& operator=(const TWindowBase&) = delete;

    HWND Handle() const { return Window; }
    // False before the window is made and once it is destroyed.
    bool IsOpen() const { return Window != nullptr; }

protected:
    TWindowBase() = default;
    // Destroys the window if it is still there; the derived object is gone by then, so its
    // handlers see none of the messages of the end.
    virtual ~TWindowBase();

    void CreateWindowOf(const TWindowClass& Class, DWORD ExStyle, DWORD Style, HWND Parent,
                        const RECT& Bounds, int ChildId = 0);
    // Destroys the window now, its handlers still reached.
    void DestroyHandle();

    // Handles Message; what is not handled goes to DefaultHandling.
    virtual LRESULT HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam);
    LRESULT DefaultHandling(UINT Message, WPARAM WParam, LPARAM LParam);
    // An exception that left a handler.
    virtual void ReportError(const std::exception& /*Error*/) {}

private:
    static LRESULT CALLBACK WindowProcedure(HWND Window, UINT Message, WPARAM WParam,
                                            LPARAM LParam);
    LRESULT Dispatch(UINT Message, WPARAM WParam, LPARAM LParam);

    HWND Window = nullptr;
};
