// The Windows API main window in the test's own process against a simulated programmer behind a
// virtual serial port: commands given as WM_COMMAND, what the window shows read back from its
// controls, its dialogs answered by the test through the window's hooks.
#pragma once

#include "operations/MainView.h"
#include "operations/MainWindowView.h"
#include "operations/Session.h"
#include "simulator/ProgrammerBoard.h"
#include "simulator/SimulatedProgrammer.h"
#include "simulator/VirtualSerialPort.h"
#include "tests/support/TempFolder.h"
#include "winui/InfoPane.h"
#include "winui/MainWindow.h"
#include "winui/WindowsApi.h"
#include "winui/WindowsUi.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TPagesRangeDialog;
class TPortChoiceDialog;

// The sample image of three pages.
std::string SampleImage();

class TWindowWorld {
public:
    // With OwnQuestions the window asks its Yes/No and unsaved-read questions in its own
    // question dialogs, for the test to answer there; otherwise the test answers its hooks.
    explicit TWindowWorld(bool OwnQuestions = false);
    // The window of a run with --simulate: the session on the port of Simulated, which the
    // world keeps (Board and Port are then not used).
    explicit TWindowWorld(std::unique_ptr<TSimulatedProgrammer> Simulated);
    ~TWindowWorld();
    TWindowWorld(const TWindowWorld&) = delete;
    TWindowWorld& operator=(const TWindowWorld&) = delete;

    // Gives Command as a menu item, key or button does; returns once it has run.
    void Give(TWindowCommand Command);
    // Loads File through the load command, its file dialog answered with it.
    void Load(const std::string& File);
    // Handles the window's messages until Condition holds (a bounded wait).
    bool PumpUntil(const std::function<bool()>& Condition);

    std::vector<TInfoLine> Lines() const { return Window->InfoPane().Lines(); }
    bool HasLine(const std::string& Text, TColor Color) const;
    std::string Title() const;

    // What the window shows enabled, as the flags of UpdateActions: each command's tool bar
    // button (or menu item) and the file menu's state for Menus.
    TActionFlags Shown() const;
    bool MenuItemEnabled(TWindowCommand Command) const;
    bool MenuItemChecked(TWindowCommand Command) const;
    bool MenuEnabled(int Position) const;
    bool ButtonEnabled(TWindowCommand Command) const;
    bool ButtonChecked(TWindowCommand Command) const;
    bool AnyButtonChecked() const;

    TTempFolder Folder;
    TWindowsUi Ui;
    std::unique_ptr<TSimulatedProgrammer> Simulated;
    TProgrammerBoard Board;
    // Owned by the session.
    TVirtualSerialPort* Port = nullptr;
    std::unique_ptr<TSession> Session;
    std::unique_ptr<TMainWindow> Window;

    // The test's answers, and the questions it was asked.
    std::optional<std::string> ChosenFile;
    std::vector<TFileDialogRequest> FileRequests;
    std::vector<std::string> Questions;
    bool OverwriteAnswer = false;
    bool CloseAnswer = true;
    TChipEraseAnswer EraseAnswer{true, false};
    TUnsavedReadAnswer UnsavedReadAnswer = TUnsavedReadAnswer::DontSave;
    std::function<int(TPagesRangeDialog&)> RangeAnswer;
    std::function<int(TPortChoiceDialog&)> PortAnswer;
    // The window's own question whether to close during an operation.
    TMainWindow::TConfirmationWithoutWait DefaultCloseQuestion;

private:
    void Open(std::unique_ptr<ISerialPort> BoardPort, const std::string& PortName);
    void AnswerQuestions();
};

// Runs Action every IntervalMs for as long as it lives, whenever the thread handles its
// messages: between the pages of an operation and while the programmer's answer is awaited.
class TTicker {
public:
    TTicker(UINT IntervalMs, std::function<void()> Action);
    ~TTicker();
    TTicker(const TTicker&) = delete;
    TTicker& operator=(const TTicker&) = delete;

private:
    static void CALLBACK Tick(HWND Window, UINT Message, UINT_PTR Id, DWORD Time);

    UINT_PTR Id;
    std::function<void()> Action;
};
