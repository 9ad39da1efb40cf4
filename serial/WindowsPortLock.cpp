#include "serial/WindowsPortLock.h"

#include "platform/WindowsText.h"

#include <windows.h>

std::wstring PortLockName(const std::string& Path) {
    const std::string Prefix = "\\\\.\\";
    std::string Port =
        Path.compare(0, Prefix.size(), Prefix) == 0 ? Path.substr(Prefix.size()) : Path;
    for (char& Letter : Port) {
        if (Letter >= 'a' && Letter <= 'z') {
            Letter = static_cast<char>(Letter - 'a' + 'A');
        }
    }
    return WidenUtf8("Local\\Velmora-" + Port);
}

bool IsPortLockHeld(const std::string& Path) {
    const HANDLE Lock = OpenMutexW(SYNCHRONIZE, FALSE, PortLockName(Path).c_str());
    if (Lock == nullptr) {
        return false;
    }
    CloseHandle(Lock);
    return true;
}
