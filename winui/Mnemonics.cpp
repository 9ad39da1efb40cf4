#include "winui/Mnemonics.h"

#include "winui/WindowsApi.h"

#include <set>

namespace {

wchar_t Upper(wchar_t Letter) {
    return static_cast<wchar_t>(reinterpret_cast<UINT_PTR>(
        CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(Letter)))));
}

bool IsLetterOrDigit(wchar_t Letter) {
    return IsCharAlphaNumericW(Letter) != FALSE;
}

// Positions worth trying, best first: word starts, then every other letter or digit.
std::vector<std::size_t> CandidatePositions(const std::wstring& Caption) {
    std::vector<std::size_t> WordStarts;
    std::vector<std::size_t> Others;
    for (std::size_t Index = 0; Index < Caption.size(); ++Index) {
        if (!IsLetterOrDigit(Caption[Index])) {
            continue;
        }
        const bool WordStart = Index == 0 || !IsLetterOrDigit(Caption[Index - 1]);
        (WordStart ? WordStarts : Others).push_back(Index);
    }
    WordStarts.insert(WordStarts.end(), Others.begin(), Others.end());
    return WordStarts;
}

std::wstring Marked(const std::wstring& Caption, std::size_t Position) {
    std::wstring Result;
    for (std::size_t Index = 0; Index < Caption.size(); ++Index) {
        if (Index == Position) {
            Result += L'&';
        }
        Result += Caption[Index];
        if (Caption[Index] == L'&') {
            Result += L'&';
        }
    }
    return Result;
}

} // namespace

std::vector<std::wstring> WithMnemonics(const std::vector<std::wstring>& Captions) {
    std::set<wchar_t> Used;
    std::vector<std::wstring> Result;
    for (const std::wstring& Caption : Captions) {
        std::wstring Chosen = Marked(Caption, std::wstring::npos);
        for (const std::size_t Position : CandidatePositions(Caption)) {
            if (Used.insert(Upper(Caption[Position])).second) {
                Chosen = Marked(Caption, Position);
                break;
            }
        }
        Result.push_back(Chosen);
    }
    return Result;
}

namespace {

// The letter after a single '&' in Caption, upper case; none without one.
wchar_t MarkedLetter(const std::wstring& Caption) {
    for (std::size_t Index = 0; Index + 1 < Caption.size(); ++Index) {
        if (Caption[Index] != L'&') {
            continue;
        }
        if (Caption[Index + 1] != L'&') {
            return Upper(Caption[Index + 1]);
        }
        ++Index;
    }
    return 0;
}

} // namespace

bool PressMnemonic(HWND Dialog, wchar_t Letter) {
    for (HWND Child = GetWindow(Dialog, GW_CHILD); Child != nullptr;
         Child = GetWindow(Child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(Child) || !IsWindowEnabled(Child) ||
            (SendMessageW(Child, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON) == 0) {
            continue;
        }
        const int Length = GetWindowTextLengthW(Child);
        std::wstring Caption(static_cast<std::size_t>(Length) + 1, L'\0');
        Caption.resize(static_cast<std::size_t>(GetWindowTextW(Child, Caption.data(), Length + 1)));
        if (MarkedLetter(Caption) == Upper(Letter)) {
            SendMessageW(Child, BM_CLICK, 0, 0);
            return true;
        }
    }
    return false;
}
