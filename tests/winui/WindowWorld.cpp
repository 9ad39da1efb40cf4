#include "tests/winui/WindowWorld.h"

#include "common/ResourseStrings.h"
#include "tests/support/Wait.h"
#include "winui/CommandIds.h"
#include "winui/MainMenu.h"
#include "winui/MessageLoop.h"
#include "winui/ToolBar.h"
#include "winui/WinText.h"

#include <map>
#include <utility>

namespace {

std::map<UINT_PTR, std::function<void()>*>& Tickers() {
    static std::map<UINT_PTR, std::function<void()>*> Running;
    return Running;
}

} // namespace

std::string SampleImage() {
    return VELMORA_SAMPLES_DIR "/small.ldr";
}

TWindowWorld::TWindowWorld(bool OwnQuestions) {
    auto VirtualPort = std::make_unique<TVirtualSerialPort>(Board);
    Port = VirtualPort.get();
    Open(std::move(VirtualPort), SSimulatedPortName);
    if (!OwnQuestions) {
        AnswerQuestions();
    }
}

TWindowWorld::TWindowWorld(std::unique_ptr<TSimulatedProgrammer> NewSimulated)
    : Simulated(std::move(NewSimulated)) {
    Open(Simulated->MakePort(), Simulated->GetPortName());
    AnswerQuestions();
}

void TWindowWorld::Open(std::unique_ptr<ISerialPort> BoardPort, const std::string& PortName) {
    TSessionOptions Options;
    Options.PortName = PortName;
    Options.SettingsFileName = Folder.File("Settings.ini");
    Options.LogFileName = Folder.File("Velmora.log");
    Session = std::make_unique<TSession>(Options, std::move(BoardPort));
    Window = std::make_unique<TMainWindow>(*Session);
    Window->FileDialogRunner = [this](const TFileDialogRequest& Request) {
        FileRequests.push_back(Request);
        return ChosenFile;
    };
    DefaultCloseQuestion = Window->ConfirmCloseDuringOperation;
    Window->RangeDialogRunner = [this](TPagesRangeDialog& Dialog) {
        return RangeAnswer ? RangeAnswer(Dialog) : IDCANCEL;
    };
    Window->PortDialogRunner = [this](TPortChoiceDialog& Dialog) {
        return PortAnswer ? PortAnswer(Dialog) : IDCANCEL;
    };
    Window->Show(SW_SHOWNORMAL);
}

void TWindowWorld::AnswerQuestions() {
    Window->ConfirmOverwrite = [this](const std::string& Question) {
        Questions.push_back(Question);
        return OverwriteAnswer;
    };
    Window->ConfirmCloseDuringOperation = [this](const std::string& Question,
                                                 std::function<void(bool Yes)> Answered) {
        Questions.push_back(Question);
        Answered(CloseAnswer);
    };
    Window->ConfirmChipErase = [this](const std::string& Question) {
        Questions.push_back(Question);
        return EraseAnswer;
    };
    Window->AskAboutUnsavedRead = [this](const std::string& Question) {
        Questions.push_back(Question);
        return UnsavedReadAnswer;
    };
}

TWindowWorld::~TWindowWorld() {
    Window.reset();
    Session.reset();
}

void TWindowWorld::Give(TWindowCommand Command) {
    SendMessageW(Window->Handle(), WM_COMMAND, MAKEWPARAM(CommandId(Command), 0), 0);
}

void TWindowWorld::Load(const std::string& File) {
    ChosenFile = File;
    Give(TWindowCommand::LoadImage);
}

bool TWindowWorld::PumpUntil(const std::function<bool()>& Condition) {
    return static_cast<bool>(WaitUntil([this, &Condition] {
        HandlePendingMessages(
            [this](MSG& Message) { return Window->IsOpen() && Window->TranslateInput(Message); });
        return Condition();
    }));
}

bool TWindowWorld::HasLine(const std::string& Text, TColor Color) const {
    for (const TInfoLine& Line : Lines()) {
        if (Line.Text == Text && Line.Color == Color) {
            return true;
        }
    }
    return false;
}

std::string TWindowWorld::Title() const {
    return WindowTextOf(Window->Handle());
}

TActionFlags TWindowWorld::Shown() const {
    using TCommand = TWindowCommand;
    return {ButtonEnabled(TCommand::WriteImage),   ButtonEnabled(TCommand::ReadImage),
            ButtonEnabled(TCommand::CompareImage), ButtonEnabled(TCommand::SaveImage),
            ButtonEnabled(TCommand::EraseChip),    MenuEnabled(TMainMenu::FileMenu),
            MenuItemEnabled(TCommand::LoadImage)};
}

bool TWindowWorld::MenuItemEnabled(TWindowCommand Command) const {
    const UINT State = GetMenuState(Window->MenuBar(), CommandId(Command), MF_BYCOMMAND);
    return (State & (MF_GRAYED | MF_DISABLED)) == 0;
}

bool TWindowWorld::MenuItemChecked(TWindowCommand Command) const {
    return (GetMenuState(Window->MenuBar(), CommandId(Command), MF_BYCOMMAND) & MF_CHECKED) != 0;
}

bool TWindowWorld::MenuEnabled(int Position) const {
    const UINT State = GetMenuState(Window->MenuBar(), static_cast<UINT>(Position), MF_BYPOSITION);
    return (State & (MF_GRAYED | MF_DISABLED)) == 0;
}

bool TWindowWorld::ButtonEnabled(TWindowCommand Command) const {
    return SendMessageW(Window->ToolBar().Handle(), TB_ISBUTTONENABLED, CommandId(Command), 0) != 0;
}

bool TWindowWorld::ButtonChecked(TWindowCommand Command) const {
    return SendMessageW(Window->ToolBar().Handle(), TB_ISBUTTONCHECKED, CommandId(Command), 0) != 0;
}

bool TWindowWorld::AnyButtonChecked() const {
    using TCommand = TWindowCommand;
    for (const TCommand Command :
         {TCommand::WriteImage, TCommand::ReadImage, TCommand::EraseChip, TCommand::CompareImage}) {
        if (ButtonChecked(Command) || MenuItemChecked(Command)) {
            return true;
        }
    }
    return false;
}

TTicker::TTicker(UINT IntervalMs, std::function<void()> NewAction)
    : Id(SetTimer(nullptr, 0, IntervalMs, &TTicker::Tick)), Action(std::move(NewAction)) {
    Tickers()[Id] = &Action;
}

TTicker::~TTicker() {
    KillTimer(nullptr, Id);
    Tickers().erase(Id);
}

void CALLBACK TTicker::Tick(HWND /*Window*/, UINT /*Message*/, UINT_PTR Id, DWORD /*Time*/) {
    const auto Found = Tickers().find(Id);
    if (Found != Tickers().end()) {
        (*Found->second)();
    }
}
