#include "winui/WindowsUi.h"

#include "common/Exception.h"
#include "common/ResourseStrings.h"

#include "winui/WindowsApi.h"

TWindowsUi::TWindowsUi() : RichEdit(LoadLibraryW(L"msftedit.dll")) {
    INITCOMMONCONTROLSEX Controls{};
    Controls.dwSize = sizeof Controls;
    Controls.dwICC = ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS |
                     ICC_STANDARD_CLASSES;
    if (!InitCommonControlsEx(&Controls) || !RichEdit) {
        throw Exception(SUnknownException);
    }
}
