#include "app/DesktopStart.h"

#include "common/Exception.h"
#include "common/ProductInfo.h"
#include "common/ResourseStrings.h"
#include "operations/Session.h"
#include "simulator/ProgrammerBoard.h"
#include "simulator/SimulatedProgrammer.h"

#include <cstdio>

std::optional<TProgramOptions>
ReadDesktopOptions(const std::vector<std::string>& Arguments,
                   const std::function<void(const std::string& Complaint)>& Report, int& ExitCode) {
    std::string Error;
    std::optional<TProgramOptions> Options = ParseProgramOptions(Arguments, Error);
    ExitCode = 0;
    if (!Options) {
        Report(Error);
        ExitCode = 2;
    } else if (Options->Help) {
        std::fputs(SGuiUsage, stdout);
    } else if (Options->Version) {
        std::printf("velmora %s\n", SProductVersion);
    } else {
        return Options;
    }
    return std::nullopt;
}

TDesktopSession::TDesktopSession(const TProgramOptions& Options) {
    TSessionOptions SessionOptions;
    SessionOptions.StorePort = true;
    SessionOptions.LogLimit = Options.LogLimit;
    try {
        std::unique_ptr<ISerialPort> Port;
        if (Options.Simulate) {
            Simulator = StartSimulatedProgrammer();
            SessionOptions.PortName = Simulator->GetPortName();
            Port = Simulator->MakePort();
        }
        Session = std::make_unique<TSession>(std::move(SessionOptions), std::move(Port));
    } catch (const ESimulatorError& Failure) {
        throw Exception(FormatText(SGuiSimulatorFailed, Failure.what()));
    } catch (const std::exception& Failure) {
        throw Exception(FormatText(SGuiStartFailed, Failure.what()));
    }
}

TDesktopSession::~TDesktopSession() {
    Session.reset();
}
