// The main window on one screen of a given size and scale (the offscreen platform's, set from the
// command line before the application starts): it opens wholly within the screen's work area,
// frame included, and the chip map it cannot show whole scrolls.
//
// Usage: ui_main_form_screen_tests WIDTH HEIGHT SCALE [Qt Test options]
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "operations/Session.h"
#include "operations/Settings.h"
#include "simulator/ProgrammerSimulator.h"
#include "tests/support/Programmer.h"
#include "ui/ChipMap.h"
#include "ui/MainForm.h"
#include "ui/PanelStatusBar.h"
#include "ui/VelmoraApplication.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

struct TScreen {
    int Width = 0;
    int Height = 0;
    double Scale = 1;
};

TScreen Screen;

// The rectangle Inner lies within Outer: a readable message when not.
QByteArray Outside(const QRect& Inner, const QRect& Outer) {
    if (Outer.contains(Inner)) {
        return {};
    }
    return QStringLiteral("%1,%2 %3x%4 outside %5,%6 %7x%8")
        .arg(Inner.x())
        .arg(Inner.y())
        .arg(Inner.width())
        .arg(Inner.height())
        .arg(Outer.x())
        .arg(Outer.y())
        .arg(Outer.width())
        .arg(Outer.height())
        .toUtf8();
}

} // namespace

class TMainFormScreenTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void WindowOpensWithinTheWorkArea();
};

void TMainFormScreenTest::WindowOpensWithinTheWorkArea() {
    const QScreen* Primary = QGuiApplication::primaryScreen();
    QVERIFY(Primary != nullptr);
    // The platform took the screen as given: its size in the window's pixels is the size in the
    // screen's divided by the scale.
    QCOMPARE(Primary->geometry().width(), qRound(Screen.Width / Screen.Scale));
    QCOMPARE(Primary->geometry().height(), qRound(Screen.Height / Screen.Scale));

    const std::unique_ptr<TProgrammerSimulator> Simulator = StartSimulator();
    QTemporaryDir Folder;
    TSessionOptions Options;
    Options.PortName = Simulator->GetPortPath();
    Options.SettingsFileName = QDir(Folder.path()).filePath("Settings.ini").toStdString();
    Options.LogFileName = QDir(Folder.path()).filePath("Velmora.log").toStdString();
    TSession Session(Options);
    TMainForm Window(Session);
    Window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Window));

    const QRect Area = Window.screen()->availableGeometry();
    const QRect Frame = Window.frameGeometry();
    qInfo("work area %dx%d, window frame %dx%d at %d,%d", Area.width(), Area.height(),
          Frame.width(), Frame.height(), Frame.x(), Frame.y());
    QVERIFY2(Frame.contains(Window.geometry()), Outside(Window.geometry(), Frame).constData());
    QVERIFY2(Frame != Window.geometry(), "the platform draws no frame: nothing is tested");
    QVERIFY2(Area.contains(Frame), Outside(Frame, Area).constData());
    // The menu bar and the status bar are on the screen.
    for (const QWidget* Bar :
         {static_cast<QWidget*>(Window.menuBar()), static_cast<QWidget*>(Window.StatusBar)}) {
        const QRect OnScreen(Bar->mapToGlobal(QPoint(0, 0)), Bar->size());
        QVERIFY2(Area.contains(OnScreen), Outside(OnScreen, Area).constData());
    }

    // Every page of the chip map can be reached: where the tab is too low for it, it scrolls.
    Window.PageControl1->setCurrentWidget(Window.ChipMapTabSheet);
    QCoreApplication::processEvents();
    auto* Scroller = Window.ChipMapTabSheet->findChild<QScrollArea*>();
    QVERIFY(Scroller != nullptr);
    Scroller->verticalScrollBar()->setValue(Scroller->verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    const QRect LastCell = Window.ChipMap->CellRect(TChipMap::PageCount - 1);
    QVERIFY(LastCell.width() >= 3);
    QVERIFY(Window.ChipMap->visibleRegion().contains(LastCell));
    Simulator->Stop();
}

// The screen comes from the command line and must be set before the application starts.
int main(int Argc, char** Argv) {
    if (Argc < 4) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT SCALE [Qt Test options]\n", Argv[0]);
        return 2;
    }
    Screen = {std::atoi(Argv[1]), std::atoi(Argv[2]), std::atof(Argv[3])};
    QTemporaryDir ConfigFolder;
    const QString ConfigPath = QDir(ConfigFolder.path()).filePath("screens.json");
    QFile Config(ConfigPath);
    if (!Config.open(QIODevice::WriteOnly)) {
        return 2;
    }
    Config.write(QStringLiteral("{\"screens\": [{\"name\": \"test\", \"x\": 0, \"y\": 0, "
                                "\"width\": %1, \"height\": %2}]}")
                     .arg(Screen.Width)
                     .arg(Screen.Height)
                     .toUtf8());
    Config.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + ConfigPath).toUtf8());
    qputenv("QT_SCALE_FACTOR", QByteArray::number(Screen.Scale));
    // The remaining arguments are Qt Test's.
    std::vector<char*> Arguments{Argv[0]};
    Arguments.insert(Arguments.end(), Argv + 4, Argv + Argc);
    int Count = static_cast<int>(Arguments.size());
    TVelmoraApplication Application(Count, Arguments.data());
    TMainFormScreenTest Test;
    return QTest::qExec(&Test, Count, Arguments.data());
}

#include "MainFormScreenTest.moc"
