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
