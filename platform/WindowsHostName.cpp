#include "platform/HostName.h"

#include "platform/WindowsText.h"

#include <windows.h>

std::string GetHostName() {
    wchar_t Name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD Length = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(Name, &Length) || Length == 0) {
        return "-";
    }
    return NarrowToUtf8(std::wstring(Name, Length));
}
