#include "winui/FileDialogs.h"

#include "common/ResourseStrings.h"
#include "winui/WinText.h"

#include "winui/WindowsApi.h"

namespace {

// Room for a long path in the dialog's answer.
constexpr std::size_t PathRoom = 32768;

// "Образы (*.ldr)" -> "*.ldr"; a name without brackets matches every file.
std::string PatternOf(const std::string& Name) {
    const std::size_t Open = Name.rfind('(');
    const std::size_t Close = Name.rfind(')');
    if (Open == std::string::npos || Close == std::string::npos || Close < Open) {
        return "*";
    }
    return Name.substr(Open + 1, Close - Open - 1);
}

// Name NUL pattern NUL ... NUL NUL, as the dialogs take their filters.
std::wstring FilterText(const std::vector<std::pair<std::string, std::string>>& Filters) {
    std::wstring Text;
    for (const auto& [Name, Pattern] : Filters) {
        Text += Wide(Name);
        Text += L'\0';
        Text += Wide(Pattern);
        Text += L'\0';
    }
    Text += L'\0';
    return Text;
}

} // namespace

std::vector<std::pair<std::string, std::string>> ImageFileFilters() {
    std::vector<std::pair<std::string, std::string>> Filters;
    for (const char* Name : {SImageFilesFilter, SBinaryFilesFilter, SAllFilesFilter}) {
        Filters.emplace_back(Name, PatternOf(Name));
    }
    return Filters;
}

std::optional<std::string> RunFileDialog(HWND Owner, const TFileDialogRequest& Request) {
    const std::wstring Filters = FilterText(Request.Filters);
    std::wstring Path = Wide(Request.SuggestedName);
    Path.resize(PathRoom, L'\0');
    OPENFILENAMEW Dialog{};
    Dialog.lStructSize = sizeof Dialog;
    Dialog.hwndOwner = Owner;
    Dialog.lpstrFilter = Filters.c_str();
    Dialog.nFilterIndex = 1;
    Dialog.lpstrFile = Path.data();
    Dialog.nMaxFile = static_cast<DWORD>(Path.size());
    Dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    BOOL Chosen = FALSE;
    if (Request.Save) {
        Chosen = GetSaveFileNameW(&Dialog);
    } else {
        Dialog.Flags |= OFN_FILEMUSTEXIST;
        Chosen = GetOpenFileNameW(&Dialog);
    }
    if (!Chosen) {
        return std::nullopt;
    }
    Path.resize(Path.find(L'\0'));
    return Narrow(Path);
}
