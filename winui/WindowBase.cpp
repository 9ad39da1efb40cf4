#include "winui/WindowBase.h"

#include "common/Exception.h"
#include "common/ResourseStrings.h"

namespace {

void RegisterOnce(const TWindowClass& Class, WNDPROC Procedure) {
    const HINSTANCE Instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW Known{};
    Known.cbSize = sizeof Known;
    if (GetClassInfoExW(Instance, Class.Name, &Known)) {
        return;
    }
    WNDCLASSEXW Description{};
    Description.cbSize = sizeof Description;
    Description.style = Class.Style;
    Description.lpfnWndProc = Procedure;
    Description.hInstance = Instance;
    Description.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    Description.hbrBackground =
        Class.BackgroundColor != 0
            ? reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(Class.BackgroundColor))
            : nullptr;
    Description.lpszClassName = Class.Name;
    if (Class.Icon != nullptr) {
        Description.hIcon = static_cast<HICON>(
            LoadImageW(Instance, Class.Icon, IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                       GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
        Description.hIconSm = static_cast<HICON>(
            LoadImageW(Instance, Class.Icon, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                       GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    }
    RegisterClassExW(&Description);
}

} // namespace

TWindowBase::~TWindowBase() {
    if (Window != nullptr) {
        SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
        DestroyWindow(Window);
    }
}

void TWindowBase::CreateWindowOf(const TWindowClass& Class, DWORD ExStyle, DWORD Style, HWND Parent,
                                 const RECT& Bounds, int ChildId) {
    RegisterOnce(Class, &TWindowBase::WindowProcedure);
    const HMENU Menu =
        (Style & WS_CHILD) != 0 ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(ChildId)) : nullptr;
    CreateWindowExW(ExStyle, Class.Name, L"", Style, Bounds.left, Bounds.top,
                    Bounds.right - Bounds.left, Bounds.bottom - Bounds.top, Parent, Menu,
                    GetModuleHandleW(nullptr), this);
    if (Window == nullptr) {
        throw Exception(SUnknownException);
    }
}

void TWindowBase::DestroyHandle() {
    if (Window != nullptr) {
        DestroyWindow(Window);
    }
}

LRESULT TWindowBase::HandleMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
    return DefaultHandling(Message, WParam, LParam);
}

LRESULT TWindowBase::DefaultHandling(UINT Message, WPARAM WParam, LPARAM LParam) {
    return DefWindowProcW(Window, Message, WParam, LParam);
}

LRESULT TWindowBase::Dispatch(UINT Message, WPARAM WParam, LPARAM LParam) {
    try {
        return HandleMessage(Message, WParam, LParam);
    } catch (const std::exception& Error) {
        ReportError(Error);
    } catch (...) {
        ReportError(Exception(SUnknownException));
    }
    return DefaultHandling(Message, WParam, LParam);
}

LRESULT CALLBACK TWindowBase::WindowProcedure(HWND Window, UINT Message, WPARAM WParam,
                                              LPARAM LParam) {
    if (Message == WM_NCCREATE) {
        auto* Owner =
            static_cast<TWindowBase*>(reinterpret_cast<CREATESTRUCTW*>(LParam)->lpCreateParams);
        Owner->Window = Window;
        SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Owner));
    }
    auto* Owner = reinterpret_cast<TWindowBase*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
    if (Owner == nullptr) {
        return DefWindowProcW(Window, Message, WParam, LParam);
    }
    if (Message == WM_NCDESTROY) {
        const LRESULT Result = Owner->Dispatch(Message, WParam, LParam);
        SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
        Owner->Window = nullptr;
        return Result;
    }
    return Owner->Dispatch(Message, WParam, LParam);
}
