// What only Windows has: its own parser of command lines, and the job that ends a program's
// children with it.
#include "platform/ChildProcess.h"
#include "platform/CommandLine.h"
#include "platform/WindowsText.h"
#include "tests/platform/ChildHelperClient.h"
#include "tests/support/ThrownMessage.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

namespace {

struct TLocalFree {
    void operator()(wchar_t** Words) const { LocalFree(Words); }
};

// Line split by the system's own parser, as UTF-8 words.
std::vector<std::string> SplitBySystem(const std::string& Line) {
    int Count = 0;
    const std::unique_ptr<wchar_t*[], TLocalFree> Words(
        CommandLineToArgvW(WidenUtf8(Line).c_str(), &Count));
    std::vector<std::string> Split;
    for (int Index = 0; Words && Index < Count; ++Index) {
        Split.push_back(NarrowToUtf8(Words[Index]));
    }
    return Split;
}

} // namespace

TEST(WindowsCommandLine, SystemParserGivesBackEveryQuotedWord) {
    const std::vector<std::string> Words = {
        "",
        " ",
        "two words",
        "\"",
        "\\\"",
        "\\\\\"\\",
        "ends in a backslash\\",
        "ends in two\\\\",
        "\\\\server\\share\\file",
        "  leading and trailing  ",
        "Прошивка \"платы\"\\",
        "日本語 テキスト",
    };
    for (const std::string& Word : Words) {
        // The program comes first and follows rules of its own, so a plain one stands in.
        EXPECT_EQ(SplitBySystem("program.exe " + QuoteCommandLineWord(Word)),
                  (std::vector<std::string>{"program.exe", Word}))
            << Word;
    }
}

TEST(WindowsChildProcess, AProgramThatIsNotThereCannotStart) {
    const std::string Message = ThrownMessage<EChildProcessError>(
        [] { TChildProcess Child(HelperPath() + "-missing.exe", {}); });
    EXPECT_EQ(Message.rfind(HelperPath() + "-missing.exe: ", 0), 0u) << Message;
}

// A child's own children end with it: the helper starts one, and when the helper is
// terminated, the job it keeps its children in ends that one too.
TEST(WindowsChildProcess, GrandchildEndsWithItsParent) {
    TChildProcess Child(HelperPath(), {"parent"});
    const std::string GrandchildId = ReadLine(Child);
    ASSERT_FALSE(GrandchildId.empty());
    const HANDLE Grandchild =
        OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::stoul(GrandchildId)));
    ASSERT_NE(Grandchild, nullptr) << GrandchildId;
    EXPECT_EQ(WaitForSingleObject(Grandchild, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    Child.Terminate();
    Child.Wait();
    EXPECT_EQ(WaitForSingleObject(Grandchild, TestWaitBoundMs), WAIT_OBJECT_0);
    CloseHandle(Grandchild);
}
