// What the main window's model needs of a window toolkit: the commands the window offers, the
// state it shows them in, and the interaction only the toolkit can carry out (questions, file,
// range and port dialogs, closing, handling pending input). The toolkit's window implements it
// beside IMainView; every text it gets is UTF-8 from the program's string table.
#pragma once

#include "operations/UnsavedRead.h"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Every command of the main window, whatever menu item, button or key gives it.
enum class TWindowCommand {
    NewImage,
    LoadImage,
    SaveImage,
    WriteImage,
    ReadImage,
    EraseChip,
    CompareImage,
    VerifyAll,
    WritePages,
    ReadPages,
    ErasePages,
    ComparePages,
    Stop,
    Initialize,
    ClearInfo,
    ShowImage,
    ChoosePort,
    Help,
    About,
    Exit,
};
inline constexpr std::size_t WindowCommandCount =
    static_cast<std::size_t>(TWindowCommand::Exit) + 1;

struct TCommandState {
    bool Enabled = true;
    // Only a full write, read, erase or compare is ever checked: while it runs, its own button
    // is held down as its stop.
    bool Checked = false;

    bool operator==(const TCommandState& Other) const {
        return Enabled == Other.Enabled && Checked == Other.Checked;
    }
};

// How the window shows its commands.
class TWindowCommandStates {
public:
    TCommandState& operator[](TWindowCommand Command) {
        return Commands[static_cast<std::size_t>(Command)];
    }
    const TCommandState& operator[](TWindowCommand Command) const {
        return Commands[static_cast<std::size_t>(Command)];
    }
    bool operator==(const TWindowCommandStates& Other) const {
        return Commands == Other.Commands && MenusEnabled == Other.MenusEnabled;
    }

    // The menus "Файл", "Настройки", "Команды" and "Помощь"; "Правка" is always enabled.
    bool MenusEnabled = true;

private:
    std::array<TCommandState, WindowCommandCount> Commands{};
};

// The answer to the question before the whole chip is erased.
struct TChipEraseAnswer {
    bool Erase = false;
    // The user ticked that the question should not come again (only with Erase).
    bool DoNotAskAgain = false;
};

// The first and last page index the user gave for a range command.
struct TPageRange {
    int First = 0;
    int Last = 0;
};

class IMainWindowView {
public:
    virtual ~IMainWindowView() = default;

    // Enables and checks the window's commands, and its menus, as States say.
    virtual void ShowCommandStates(const TWindowCommandStates& States) = 0;

    // Yes/No questions, No by default; true for Yes.
    virtual bool AskOverwrite(const std::string& Question) = 0;
    // The same, asked while an operation runs on the window's thread: the question is shown and
    // this returns at once, so that the operation goes on while the question waits. Answered
    // gets true for Yes, later, from the window's handling of its input (or at once, when the
    // window cannot wait); never after the window is gone.
    virtual void AskCloseDuringOperation(const std::string& Question,
                                         std::function<void(bool Yes)> Answered) = 0;
    // Yes/No with a "do not ask again" box, No by default.
    virtual TChipEraseAnswer AskChipErase(const std::string& Question) = 0;
    // Save / Don't save / Cancel, Save by default and Cancel on Escape.
    virtual TUnsavedReadAnswer AskUnsavedRead(const std::string& Question) = 0;

    // The file dialogs: the chosen path, nothing when the user cancelled. The save dialog
    // offers SuggestedName and leaves asking about an existing file to the model.
    virtual std::optional<std::string> ChooseFileToLoad() = 0;
    virtual std::optional<std::string> ChooseFileToSave(const std::string& SuggestedName) = 0;
    // The page range dialog titled Title, taking indices MinIndex..MaxIndex: the range the user
    // confirmed, nothing when cancelled.
    virtual std::optional<TPageRange> AskPageRange(const std::string& Title, int MinIndex,
                                                   int MaxIndex) = 0;
    // The serial port dialog, showing the ports present and CurrentPort in its field: the name
    // typed or chosen, nothing when cancelled.
    virtual std::optional<std::string> ChoosePort(const std::string& CurrentPort) = 0;

    // Shows the image as text, one dump line each.
    virtual void ShowImageDump(const std::vector<std::string>& Lines) = 0;
    virtual void ShowHelp() = 0;
    virtual void ShowAbout() = 0;
    // Closes the window as the user would: the toolkit's close then asks the model whether it
    // may (TMainWindowModel::CloseRequested).
    virtual void CloseWindow() = 0;
    // Handles the input that waits (painting, clicks, keys, port notices) once and returns.
    virtual void ProcessPendingInput() = 0;
};
