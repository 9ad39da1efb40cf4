// velmora: the desktop program. Makes the process-wide objects, then the application, the main
// window and its two dialogs, runs the event loop and takes everything down in reverse order.
#include "app/ProgramOptions.h"
#include "app/Screenshots.h"
#include "common/ProductInfo.h"
#include "common/ResourseStrings.h"
#include "operations/Session.h"
#include "operations/UIObjects.h"
#include "simulator/ProgrammerSimulator.h"
#include "simulator/SimulatedProgrammer.h"
#include "ui/AboutForm.h"
#include "ui/MainForm.h"
#include "ui/PagesRangeForm.h"
#include "ui/PortWatcherNotifier.h"
#include "ui/VelmoraApplication.h"

#include <QIcon>
#include <QTimer>

#include <cstdio>
#include <memory>

int main(int Argc, char** Argv) {
    std::string Error;
    const std::optional<TProgramOptions> Options =
        ParseProgramOptions(std::vector<std::string>(Argv + 1, Argv + Argc), Error);
    if (!Options) {
        std::fprintf(stderr, "%s\n", Error.c_str());
        return 2;
    }
    if (Options->Help) {
        std::fputs(SGuiUsage, stdout);
        return 0;
    }
    if (Options->Version) {
        std::printf("velmora %s\n", SProductVersion);
        return 0;
    }

    // The session (and before it the simulated programmer, when asked for) comes before the
    // application and goes after it. It opens only the port it is given: the simulator's, or
    // the stored one.
    TSessionOptions SessionOptions;
    SessionOptions.StorePort = true;
    SessionOptions.LogLimit = Options->LogLimit;
    std::unique_ptr<TSimulatedProgrammer> Simulator;
    std::unique_ptr<TSession> Session;
    try {
        std::unique_ptr<ISerialPort> Port;
        if (Options->Simulate) {
            Simulator = StartSimulatedProgrammer();
            SessionOptions.PortName = Simulator->GetPortName();
            Port = Simulator->MakePort();
        }
        Session = std::make_unique<TSession>(std::move(SessionOptions), std::move(Port));
    } catch (const ESimulatorError& Failure) {
        std::fprintf(stderr, "%s\n", FormatText(SGuiSimulatorFailed, Failure.what()).c_str());
        return 1;
    } catch (const std::exception& Failure) {
        std::fprintf(stderr, "%s\n", FormatText(SGuiStartFailed, Failure.what()).c_str());
        return 1;
    }

    TVelmoraApplication Application(Argc, Argv);
    QApplication::setApplicationName(QString::fromUtf8(SProductName));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(SProductAppId));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/velmora-256.png")));

    TMainForm Window(*Session);
    Application.OnException = [&Window](QObject* Sender, const std::exception& Failure) {
        Window.ApplicationEventsException(Sender, Failure);
    };
    Window.SetAboutForm(new TAboutForm(&Window));
    Window.SetPagesRangeForm(new TPagesRangeForm(GetPagesWord, &Window));
    TPortWatcherNotifier PortWatcher(Window);
    Window.show();

    bool ScreenshotsSaved = true;
    if (!Options->ScreenshotFolder.empty()) {
        QTimer::singleShot(0, &Window, [&Window, &Session, &Options, &ScreenshotsSaved] {
            ScreenshotsSaved = TakeScreenshots(Window, Session->Head(),
                                               QString::fromStdString(Options->ScreenshotFolder),
                                               QString::fromStdString(Options->ScreenshotImage));
        });
    }

    const int Result = Application.exec();
    Application.OnException = nullptr;
    return Result != 0 ? Result : (ScreenshotsSaved ? 0 : 1);
}
