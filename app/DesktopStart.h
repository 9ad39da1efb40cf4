// What both desktop programs do before their window (app/main.cpp with Qt, app/WindowsMain.cpp
// with the Windows API): their options, with --help and --version answered at once, and the
// session, on the simulated programmer with --simulate and otherwise on the stored port, which
// is stored again at its end.
#pragma once

#include "app/ProgramOptions.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TSession;
class TSimulatedProgrammer;

// The options; nothing when the program ends here with ExitCode: --help and --version print
// their answer on standard output, a wrong option goes to Report.
std::optional<TProgramOptions>
ReadDesktopOptions(const std::vector<std::string>& Arguments,
                   const std::function<void(const std::string& Complaint)>& Report, int& ExitCode);

class TDesktopSession {
public:
    // Starts the simulated programmer when the options ask for it, then the session; it opens
    // only the port it is given: the simulator's, or the stored one. Raises an Exception that
    // tells the user why the program cannot start.
    explicit TDesktopSession(const TProgramOptions& Options);
    // The session goes before the simulated programmer it talks to.
    ~TDesktopSession();
    TDesktopSession(const TDesktopSession&) = delete;
    TDesktopSession& operator=(const TDesktopSession&) = delete;

    TSession& Get() { return *Session; }

private:
    std::unique_ptr<TSimulatedProgrammer> Simulator;
    std::unique_ptr<TSession> Session;
};
