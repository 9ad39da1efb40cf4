// velmora: the desktop program. Makes the process-wide objects, then the application, the main
// window and its two dialogs, runs the event loop and takes everything down in reverse order.
#include "app/DesktopStart.h"
#include "app/ProgramOptions.h"
#include "app/Screenshots.h"
#include "common/ProductInfo.h"
#include "common/ResourseStrings.h"
#include "operations/Session.h"
#include "operations/UIObjects.h"
#include "platform/CommandLine.h"
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
    const auto Complain = [](const std::string& Text) {
        std::fprintf(stderr, "%s\n", Text.c_str());
    };
    int ExitCode = 0;
    const std::optional<TProgramOptions> Options =
        ReadDesktopOptions(ProgramArguments(Argc, Argv), Complain, ExitCode);
    if (!Options) {
        return ExitCode;
    }

    // The session (and before it the simulated programmer, when asked for) comes before the
    // application and goes after it.
    std::unique_ptr<TDesktopSession> Session;
    try {
        Session = std::make_unique<TDesktopSession>(*Options);
    } catch (const std::exception& Failure) {
        Complain(Failure.what());
        return 1;
    }

    TVelmoraApplication Application(Argc, Argv);
    QApplication::setApplicationName(QString::fromUtf8(SProductName));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(SProductAppId));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/velmora-256.png")));

    TMainForm Window(Session->Get());
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
            ScreenshotsSaved = TakeScreenshots(Window, Session->Get().Head(),
                                               QString::fromStdString(Options->ScreenshotFolder),
                                               QString::fromStdString(Options->ScreenshotImage));
        });
    }

    const int Result = Application.exec();
    Application.OnException = nullptr;
    return Result != 0 ? Result : (ScreenshotsSaved ? 0 : 1);
}
