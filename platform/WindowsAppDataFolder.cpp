// The data folder on Windows: %APPDATA%\Velmora (written with a slash before Velmora, as the
// rest of the program joins names; Windows takes both). XDG_DATA_HOME, when it holds an absolute
// path, takes the place of %APPDATA% as it does of ~/.local/share on Linux, so that tests and
// scripts point the program at a folder of their own the same way on both systems.
#include "platform/AppDataFolder.h"
#include "platform/WindowsText.h"

#include <cstdlib>
#include <windows.h>

namespace {

std::string Variable(const wchar_t* Name) {
    const wchar_t* Value = _wgetenv(Name);
    return Value != nullptr ? NarrowToUtf8(Value) : std::string();
}

bool IsSeparator(char Character) {
    return Character == '/' || Character == '\\';
}

// A path from a drive's root ("C:\...") or a network share ("\\server\...").
bool IsAbsolute(const std::string& Path) {
    const bool DriveRoot = Path.size() >= 3 && Path[1] == ':' && IsSeparator(Path[2]);
    const bool Share = Path.size() >= 2 && IsSeparator(Path[0]) && IsSeparator(Path[1]);
    return DriveRoot || Share;
}

std::string DataHome() {
    const std::string XdgDataHome = Variable(L"XDG_DATA_HOME");
    if (IsAbsolute(XdgDataHome)) {
        return XdgDataHome;
    }
    const std::string AppData = Variable(L"APPDATA");
    if (!AppData.empty()) {
        return AppData;
    }
    return Variable(L"USERPROFILE") + "\\AppData\\Roaming";
}

bool IsFolder(const std::string& Path) {
    const DWORD Attributes = GetFileAttributesW(WidenUtf8(Path).c_str());
    return Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

std::string GetProgramDataFolder() {
    return DataHome() + "/Velmora";
}

// Every prefix of the path is made in turn. A prefix that cannot be made, such as a drive
// ("C:") or a share's server, is passed over: whether the whole path ends as a folder decides.
bool EnsureFolderExists(const std::string& Folder) {
    if (Folder.empty()) {
        return false;
    }
    for (std::string::size_type Position = 1; Position <= Folder.size(); ++Position) {
        if (Position == Folder.size() || IsSeparator(Folder[Position])) {
            CreateDirectoryW(WidenUtf8(Folder.substr(0, Position)).c_str(), nullptr);
        }
    }
    return IsFolder(Folder);
}
