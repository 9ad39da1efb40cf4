// The main window's model without a window toolkit: a fake window answers its questions and
// dialogs and gives input while an operation runs, against the programmer simulator on a
// pseudo-terminal.
#include "operations/MainWindowModel.h"

#include "operations/HeadManager.h"
#include "operations/Session.h"
#include "operations/Settings.h"
#include "tests/operations/FakeMainView.h"
#include "tests/support/Programmer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestBytes.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <utility>

namespace {

using TCommand = TWindowCommand;
using TCommands = std::set<TCommand>;

// A window that records what the model asks of it and answers as the test says.
class TFakeWindowView : public TFakeMainView, public IMainWindowView {
public:
    void UpdateActions(const TActionFlags& Flags) override {
        TFakeMainView::UpdateActions(Flags);
        Model->ShowImageActions(Flags);
    }
    void ShowCommandStates(const TWindowCommandStates& Shown) override { States = Shown; }
    bool AskOverwrite(const std::string& Question) override { return Ask(Question, Overwrite); }
    void AskCloseDuringOperation(const std::string& Question,
                                 std::function<void(bool Yes)> Answered) override {
        Questions.push_back(Question);
        if (AnswerCloseAtOnce) {
            Answered(CloseDuringOperation);
        } else {
            CloseAnswer = std::move(Answered);
        }
    }
    TChipEraseAnswer AskChipErase(const std::string& Question) override {
        Questions.push_back(Question);
        return ChipErase;
    }
    TUnsavedReadAnswer AskUnsavedRead(const std::string& Question) override {
        Questions.push_back(Question);
        return UnsavedRead;
    }
    std::optional<std::string> ChooseFileToLoad() override { return FileToLoad; }
    std::optional<std::string> ChooseFileToSave(const std::string&) override { return SaveAs; }
    std::optional<TPageRange> AskPageRange(const std::string&, int, int) override { return Range; }
    std::optional<std::string> ChoosePort(const std::string&) override { return std::nullopt; }
    void ShowImageDump(const std::vector<std::string>&) override {}
    void ShowHelp() override {}
    void ShowAbout() override {}
    // As a toolkit does: the window goes only when the model lets it.
    void CloseWindow() override {
        ClosedWhileRunning = Model->GetRunningCommand().has_value();
        Closed = Model->CloseRequested();
    }
    void ProcessPendingInput() override {
        if (OnEveryInput) {
            OnEveryInput();
        }
        if (OnInput) {
            // Given once: the input of the first page.
            std::function<void()> Input = std::move(OnInput);
            OnInput = nullptr;
            Input();
        }
    }

    TMainWindowModel* Model = nullptr;
    TWindowCommandStates States;
    std::vector<std::string> Questions;
    bool Overwrite = false;
    bool CloseDuringOperation = false;
    // False: the close question stays open until the test answers it through CloseAnswer.
    bool AnswerCloseAtOnce = true;
    std::function<void(bool Yes)> CloseAnswer;
    TChipEraseAnswer ChipErase;
    TUnsavedReadAnswer UnsavedRead = TUnsavedReadAnswer::Cancel;
    std::optional<std::string> FileToLoad;
    std::optional<std::string> SaveAs;
    std::optional<TPageRange> Range;
    std::function<void()> OnInput;
    std::function<void()> OnEveryInput;
    bool Closed = false;
    bool ClosedWhileRunning = false;

private:
    bool Ask(const std::string& Question, bool Answer) {
        Questions.push_back(Question);
        return Answer;
    }
};

class MainWindowModelTest : public testing::Test {
protected:
    MainWindowModelTest() {
        TSessionOptions Options;
        Options.PortName = Simulator->GetPortPath();
        Options.SettingsFileName = Folder.File("Settings.ini");
        Options.LogFileName = Folder.File("Velmora.log");
        Session = std::make_unique<TSession>(Options);
        Model = std::make_unique<TMainWindowModel>(*Session, View, View);
        View.Model = Model.get();
        Model->Start();
    }

    THeadManager& Head() { return Session->Head(); }
    std::string LastLine() const { return View.InfoLines.back().first; }
    void Load(int Pages) {
        View.FileToLoad = WriteImageFile(Folder.File("image.ldr"), Pages);
        Model->Execute(TCommand::LoadImage);
    }
    // Runs Command, notes what the window showed at the first page's input and stops it there.
    TWindowCommandStates StatesWhileRunning(TCommand Command) {
        TWindowCommandStates During;
        View.OnInput = [&] {
            During = View.States;
            Model->Execute(TCommand::Stop);
        };
        Model->Execute(Command);
        return During;
    }

    TTempFolder Folder{"velmora-window-model"};
    std::unique_ptr<TProgrammerSimulator> Simulator = StartSimulator();
    std::unique_ptr<TSession> Session;
    TFakeWindowView View;
    std::unique_ptr<TMainWindowModel> Model;
};

// The commands for which Holds is true.
TCommands CommandsWhere(const std::function<bool(TCommand)>& Holds) {
    TCommands Commands;
    for (std::size_t Index = 0; Index < WindowCommandCount; ++Index) {
        if (Holds(static_cast<TCommand>(Index))) {
            Commands.insert(static_cast<TCommand>(Index));
        }
    }
    return Commands;
}

TCommands Enabled(const TWindowCommandStates& States) {
    return CommandsWhere([&States](TCommand Command) { return States[Command].Enabled; });
}

TCommands Checked(const TWindowCommandStates& States) {
    return CommandsWhere([&States](TCommand Command) { return States[Command].Checked; });
}

TCommands AllBut(const TCommands& Left) {
    return CommandsWhere([&Left](TCommand Command) { return Left.count(Command) == 0; });
}

// What cannot disturb a running operation, and with it what stops it.
const TCommands Harmless = {TCommand::ClearInfo, TCommand::ShowImage, TCommand::Exit,
                            TCommand::Help, TCommand::About};

TCommands HarmlessAnd(TCommands More) {
    More.insert(Harmless.begin(), Harmless.end());
    return More;
}

TEST_F(MainWindowModelTest, CommandsAreEnabledAsTheImageAndTheRunningOperationAllow) {
    // Without an image nothing needs its pages, and nothing runs to be stopped.
    const TCommands EmptyImage =
        AllBut({TCommand::WriteImage, TCommand::WritePages, TCommand::CompareImage,
                TCommand::ComparePages, TCommand::VerifyAll, TCommand::SaveImage, TCommand::Stop});
    const TCommands Idle = AllBut({TCommand::Stop});
    EXPECT_EQ(Enabled(View.States), EmptyImage);

    Load(3);
    EXPECT_EQ(Enabled(View.States), Idle);
    const struct {
        TCommand Command;
        TCommands During;
        bool HeldDown;
    } Operations[] = {
        {TCommand::WriteImage, HarmlessAnd({TCommand::WriteImage, TCommand::Stop}), true},
        {TCommand::WritePages, HarmlessAnd({TCommand::Stop}), false},
        {TCommand::VerifyAll, HarmlessAnd({TCommand::Stop}), false},
        {TCommand::ReadImage, HarmlessAnd({TCommand::ReadImage, TCommand::Stop}), true},
    };
    View.Range = TPageRange{0, 1};
    for (const auto& Operation : Operations) {
        SCOPED_TRACE(static_cast<int>(Operation.Command));
        const TWindowCommandStates During = StatesWhileRunning(Operation.Command);
        EXPECT_EQ(Enabled(During), Operation.During);
        // Only a full operation's own button is held down, as its stop.
        EXPECT_EQ(Checked(During), Operation.HeldDown ? TCommands{Operation.Command} : TCommands{});
        EXPECT_EQ(Enabled(View.States), Idle);
        EXPECT_TRUE(Checked(View.States).empty());
        EXPECT_FALSE(Model->GetRunningCommand());
    }

    // Once a stop was asked for, nothing is left to stop with.
    TWindowCommandStates Stopping;
    View.OnInput = [&] {
        Model->Execute(TCommand::Stop);
        Stopping = View.States;
    };
    Model->Execute(TCommand::WriteImage);
    EXPECT_EQ(Enabled(Stopping), Harmless);
    EXPECT_TRUE(Checked(Stopping).empty());

    // The stopped read left its pages unsaved: a new image asks first.
    View.UnsavedRead = TUnsavedReadAnswer::DontSave;
    Model->Execute(TCommand::NewImage);
    EXPECT_EQ(Enabled(View.States), EmptyImage);
}

TEST_F(MainWindowModelTest, UnsavedReadIsReplacedOnlyAsTheAnswerSays) {
    const std::string Other = WriteImageFile(Folder.File("other.ldr"), 3);
    const struct {
        const char* Name;
        TCommand Command;
    } Commands[] = {{"new image", TCommand::NewImage}, {"load", TCommand::LoadImage}};
    const struct {
        TUnsavedReadAnswer Answer;
        bool SaveDialogConfirmed;
        bool GoesAhead;
    } Answers[] = {
        {TUnsavedReadAnswer::Cancel, true, false},
        {TUnsavedReadAnswer::DontSave, false, true},
        {TUnsavedReadAnswer::Save, true, true},
        {TUnsavedReadAnswer::Save, false, false},
    };
    int Saved = 0;
    for (const auto& Command : Commands) {
        for (const auto& Answer : Answers) {
            SCOPED_TRACE(std::string(Command.Name) + " " + std::to_string(Saved));
            Head().ReadPages(0, 1);
            View.Questions.clear();
            View.UnsavedRead = Answer.Answer;
            const std::string SaveName = Folder.File("read-" + std::to_string(++Saved) + ".ldr");
            View.SaveAs = Answer.SaveDialogConfirmed ? std::optional(SaveName) : std::nullopt;
            View.FileToLoad = Other;

            Model->Execute(Command.Command);
            EXPECT_EQ(View.Questions,
                      std::vector<std::string>{"Прочитанный образ не сохранён. Сохранить его?"});
            EXPECT_EQ(View.PageCountLabel != "В образе 2 страницы.", Answer.GoesAhead);
            EXPECT_EQ(!ReadFileText(SaveName).empty(),
                      Answer.Answer == TUnsavedReadAnswer::Save && Answer.SaveDialogConfirmed);
        }
    }
    // A loaded image is replaced without a question; an unsaved read keeps the window open.
    View.UnsavedRead = TUnsavedReadAnswer::DontSave;
    Load(2);
    View.Questions.clear();
    Model->Execute(TCommand::NewImage);
    EXPECT_TRUE(View.Questions.empty());
    Head().ReadPages(0, 1);
    View.UnsavedRead = TUnsavedReadAnswer::Cancel;
    EXPECT_FALSE(Model->CloseRequested());
    View.UnsavedRead = TUnsavedReadAnswer::DontSave;
    EXPECT_TRUE(Model->CloseRequested());
}

TEST_F(MainWindowModelTest, WholeChipEraseAsksUntilToldNotTo) {
    Simulator->SetPage(7, PatternPage(7));
    const std::string Question = "Стереть всю микросхему? Все данные в ней будут потеряны.";
    const std::string& Settings = Session->GetOptions().SettingsFileName;

    View.ChipErase = {false, true};
    Model->Execute(TCommand::EraseChip);
    EXPECT_EQ(View.Questions, std::vector<std::string>{Question});
    EXPECT_EQ(Simulator->GetPage(7), PatternPage(7));
    EXPECT_TRUE(LoadAskBeforeChipErase(Settings));

    // Yes with "do not ask again": the erase runs (stopped at once) and the answer is kept.
    View.ChipErase = {true, true};
    View.OnInput = [this] { Model->Execute(TCommand::Stop); };
    Model->Execute(TCommand::EraseChip);
    EXPECT_EQ(LastLine(), "Удаление образа прервано.");
    EXPECT_FALSE(LoadAskBeforeChipErase(Settings));
    View.OnInput = [this] { Model->Execute(TCommand::Stop); };
    Model->Execute(TCommand::EraseChip);
    EXPECT_EQ(View.Questions.size(), 2u);

    // A page range is no whole-chip erase.
    SaveAskBeforeChipErase(true, Settings);
    View.Range = TPageRange{7, 7};
    Model->Execute(TCommand::ErasePages);
    EXPECT_EQ(View.Questions.size(), 2u);
    EXPECT_NE(Simulator->GetPage(7), PatternPage(7));
}

TEST_F(MainWindowModelTest, PortNoticeDuringAnOperationWaitsForItsEnd) {
    Load(4);
    TProgrammerSimulator Arriving;
    const std::string ArrivingPort = Arriving.Start();
    std::string PortDuringWrite;
    View.OnInput = [&] {
        Model->PortArrived(ArrivingPort);
        PortDuringWrite = Head().GetPortName();
    };
    Model->Execute(TCommand::WriteImage);

    EXPECT_EQ(PortDuringWrite, Simulator->GetPortPath());
    for (int Page = 0; Page < 4; ++Page) {
        EXPECT_EQ(Simulator->GetPage(static_cast<std::uint16_t>(Page)), PatternPage(Page));
    }
    EXPECT_EQ(Head().GetPortName(), ArrivingPort);
    EXPECT_EQ(LastLine(), "Программатор подключен к порту " + ArrivingPort + ".");
    Arriving.Stop();
}

TEST_F(MainWindowModelTest, CloseDuringAnOperationStopsAfterTheCurrentPageWhenConfirmed) {
    Load(6);
    for (const bool Confirmed : {false, true}) {
        SCOPED_TRACE(Confirmed);
        Simulator->SetPage(5, PatternPage(5, 9));
        View.CloseDuringOperation = Confirmed;
        bool MayCloseAtOnce = true;
        View.OnInput = [&] { MayCloseAtOnce = Model->CloseRequested(); };
        Model->Execute(TCommand::WriteImage);

        EXPECT_FALSE(MayCloseAtOnce);
        EXPECT_EQ(LastLine(), Confirmed ? "Запись образа прервана." : "Запись прошла успешно.");
        EXPECT_EQ(Simulator->GetPage(5) == PatternPage(5), !Confirmed);
        EXPECT_EQ(View.Closed, Confirmed);
        EXPECT_FALSE(View.ClosedWhileRunning);
    }
    EXPECT_EQ(View.Questions.size(), 2u);
    // Idle, the window closes at once without a question.
    EXPECT_TRUE(Model->CloseRequested());
    EXPECT_EQ(View.Questions.size(), 2u);
}

TEST_F(MainWindowModelTest, OperationGoesOnWhileTheCloseQuestionWaits) {
    constexpr int Pages = 8;
    Load(Pages);
    // When the question is answered: after three more pages of the write, or after its end.
    struct TCase {
        const char* Name;
        bool Yes;
        bool AnswerDuringTheWrite;
        const char* LastLine;
        bool Closed;
    };
    const TCase Cases[] = {
        {"yes while writing", true, true, "Запись образа прервана.", true},
        {"no while writing", false, true, "Запись прошла успешно.", false},
        {"yes after the end", true, false, "Запись прошла успешно.", true},
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        for (int Page = 0; Page < Pages; ++Page) {
            Simulator->SetPage(static_cast<std::uint16_t>(Page), PatternPage(Page, 9));
        }
        View.Questions.clear();
        View.Closed = false;
        View.AnswerCloseAtOnce = false;
        int PageAtTheQuestion = -1;
        int PageAtTheAnswer = -1;
        View.OnEveryInput = [&] {
            const int Page = Head().GetCurrentPage();
            if (PageAtTheQuestion < 0) {
                PageAtTheQuestion = Page;
                EXPECT_FALSE(Model->CloseRequested());
            } else if (View.CloseAnswer && Page >= PageAtTheQuestion + 3) {
                // Further closes while the question is open ask nothing more.
                EXPECT_FALSE(Model->CloseRequested());
                if (Case.AnswerDuringTheWrite) {
                    PageAtTheAnswer = Page;
                    std::exchange(View.CloseAnswer, nullptr)(Case.Yes);
                }
            }
        };
        Model->Execute(TCommand::WriteImage);
        View.OnEveryInput = nullptr;
        ASSERT_GE(PageAtTheQuestion, 0);
        EXPECT_EQ(View.Questions, std::vector<std::string>{"Идёт работа с программатором. "
                                                           "Остановить её после текущей "
                                                           "страницы и закрыть программу?"});
        // The pages after the one at the question were written while the question waited.
        for (int Page = 0; Page < PageAtTheQuestion + 3; ++Page) {
            EXPECT_EQ(Simulator->GetPage(static_cast<std::uint16_t>(Page)), PatternPage(Page))
                << Page;
        }
        if (!Case.AnswerDuringTheWrite) {
            EXPECT_FALSE(View.Closed);
            ASSERT_TRUE(View.CloseAnswer);
            std::exchange(View.CloseAnswer, nullptr)(Case.Yes);
        } else if (Case.Yes) {
            EXPECT_LT(PageAtTheAnswer, Pages - 1);
            EXPECT_NE(Simulator->GetPage(Pages - 1), PatternPage(Pages - 1));
        }
        EXPECT_EQ(LastLine(), Case.LastLine);
        EXPECT_EQ(View.Closed, Case.Closed);
        EXPECT_FALSE(View.ClosedWhileRunning);
    }
}

} // namespace
