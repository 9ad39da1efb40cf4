// velmora.exe: the desktop program on Windows. Reads its options, makes the session (before it
// the simulated programmer, when asked for), then the main window over it, runs the message
// loop and takes everything down in reverse order. The settings and the log are in
// %APPDATA%\Velmora, where the session finds them.
#include "app/DesktopStart.h"
#include "common/ResourseStrings.h"
#include "platform/CommandLine.h"
#include "winui/MainWindow.h"
#include "winui/WinText.h"
#include "winui/WindowsApi.h"
#include "winui/WindowsUi.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace {

// Started from a console or with its output redirected, the program writes there; started from
// the desktop, it has no standard error and says it in a message box.
void ReportStartFailure(const std::string& Text) {
    const HANDLE Errors = GetStdHandle(STD_ERROR_HANDLE);
    if (Errors != nullptr && Errors != INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "%s\n", Text.c_str());
        return;
    }
    MessageBoxW(nullptr, Wide(Text).c_str(), Wide(SProductName).c_str(), MB_OK | MB_ICONERROR);
}

} // namespace

int main(int Argc, char** Argv) {
    int ExitCode = 0;
    const std::optional<TProgramOptions> Options =
        ReadDesktopOptions(ProgramArguments(Argc, Argv), &ReportStartFailure, ExitCode);
    if (!Options) {
        return ExitCode;
    }
    try {
        TDesktopSession Session(*Options);
        const TWindowsUi Ui;
        TMainWindow Window(Session.Get());
        Window.Show(SW_SHOWDEFAULT);
        return Window.Run();
    } catch (const std::exception& Failure) {
        ReportStartFailure(Failure.what());
        return 1;
    }
}
