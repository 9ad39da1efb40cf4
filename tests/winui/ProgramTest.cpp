// velmora.exe --simulate as a user starts it: its window appears, takes a command from another
// process, shows the programmer's answer and ends when it is closed.
#include "common/ResourseStrings.h"
#include "tests/support/Wait.h"
#include "winui/CommandIds.h"
#include "winui/WinText.h"
#include "winui/WindowsApi.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class TProgram {
public:
    explicit TProgram(const std::string& CommandLine) {
        STARTUPINFOW Startup{};
        Startup.cb = sizeof Startup;
        std::wstring Line = Wide(CommandLine);
        Started = CreateProcessW(nullptr, Line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &Startup, &Process) != 0;
    }
    ~TProgram() {
        if (Started) {
            if (WaitForSingleObject(Process.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(Process.hProcess, 1);
            }
            CloseHandle(Process.hThread);
            CloseHandle(Process.hProcess);
        }
    }
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    bool HasStarted() const { return Started; }
    bool HasEnded() const { return WaitForSingleObject(Process.hProcess, 0) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD Code = STILL_ACTIVE;
        GetExitCodeProcess(Process.hProcess, &Code);
        return Code;
    }

private:
    PROCESS_INFORMATION Process{};
    bool Started = false;
};

std::string TextOf(HWND Window) {
    const auto Length = SendMessageW(Window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring Text(static_cast<std::size_t>(Length) + 1, L'\0');
    SendMessageW(Window, WM_GETTEXT, Text.size(), reinterpret_cast<LPARAM>(Text.data()));
    Text.resize(static_cast<std::size_t>(Length));
    return Narrow(Text);
}

} // namespace

TEST(WinProgram, SimulatedRunTakesACommandAndEndsWhenClosed) {
    TProgram Program("\"" VELMORA_PROGRAM "\" --simulate");
    ASSERT_TRUE(Program.HasStarted());
    HWND Window = nullptr;
    ASSERT_TRUE(WaitUntil([&Window] {
        Window = FindWindowW(L"VelmoraMainWindow", nullptr);
        return Window != nullptr && IsWindowVisible(Window);
    }));
    EXPECT_EQ(TextOf(Window), SMainFormCaption);

    SendMessageW(Window, WM_COMMAND, MAKEWPARAM(CommandId(TWindowCommand::Initialize), 0), 0);
    const HWND Information = FindWindowExW(Window, nullptr, L"RICHEDIT50W", nullptr);
    ASSERT_NE(Information, nullptr);
    EXPECT_NE(TextOf(Information).find(SInitializeSucceeded), std::string::npos);

    PostMessageW(Window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&Program] { return Program.HasEnded(); }));
    EXPECT_EQ(Program.ExitCode(), 0U);
}
