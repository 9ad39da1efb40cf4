#include "platform/CommandLine.h"
#include "platform/WindowsText.h"

#include <memory>
#include <windows.h>

#include <shellapi.h>

namespace {

struct TLocalFree {
    void operator()(wchar_t** Words) const { LocalFree(Words); }
};

} // namespace

// main's Words are in the ANSI code page, which loses what it cannot show; the UTF-16 command
// line has every character. Words serves only when that line cannot be split.
std::vector<std::string> ProgramArguments(int Count, char** Words) {
    int WideCount = 0;
    const std::unique_ptr<wchar_t*[], TLocalFree> WideWords(
        CommandLineToArgvW(GetCommandLineW(), &WideCount));
    if (!WideWords) {
        return Count > 1 ? std::vector<std::string>(Words + 1, Words + Count)
                         : std::vector<std::string>();
    }
    std::vector<std::string> Arguments;
    for (int Index = 1; Index < WideCount; ++Index) {
        Arguments.push_back(NarrowToUtf8(WideWords[Index]));
    }
    return Arguments;
}
