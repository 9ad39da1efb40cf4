// A session as both front ends start it: which port it opens, and that the head manager's
// events reach the view through the image state, the information sink and the progress.
#include "operations/Session.h"

#include "common/Exception.h"
#include "common/ResourseStrings.h"
#include "logging/LogManager.h"
#include "operations/HeadManager.h"
#include "simulator/ProgrammerSimulator.h"
#include "simulator/SimulatedProgrammer.h"
#include "simulator/SimulatorOrSystemPort.h"
#include "simulator/VirtualSerialPort.h"
#include "tests/operations/FakeMainView.h"
#include "tests/support/Programmer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ThrownMessage.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

// Counts the opens of one file, seen through inotify.
class TOpenWatch {
public:
    explicit TOpenWatch(const std::string& Path)
        : Descriptor(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        inotify_add_watch(Descriptor, Path.c_str(), IN_OPEN);
    }
    ~TOpenWatch() { close(Descriptor); }
    TOpenWatch(const TOpenWatch&) = delete;
    TOpenWatch& operator=(const TOpenWatch&) = delete;

    // Opens reported so far (each event is reported once the open has happened).
    int Opens() {
        alignas(inotify_event) char Events[4096];
        for (ssize_t Length; (Length = read(Descriptor, Events, sizeof Events)) > 0;) {
            for (char* Event = Events; Event < Events + Length;
                 Event += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(Event)->len) {
                ++Count;
            }
        }
        return Count;
    }

private:
    int Descriptor;
    int Count = 0;
};

class SessionTest : public testing::Test {
protected:
    TSessionOptions Options() const {
        TSessionOptions Result;
        Result.SettingsFileName = Folder.Path() + "/Settings.ini";
        Result.LogFileName = Folder.Path() + "/Velmora.log";
        return Result;
    }

    TTempFolder Folder{"velmora-session"};
};

TEST_F(SessionTest, OpensOnlyThePortItIsGivenOrTheStoredOne) {
    // A plain file stands in for the stored port: opening it is seen, and it is no terminal.
    const std::string StoredPort = Folder.Path() + "/stored-port";
    std::ofstream(StoredPort).put('x');
    const struct {
        const char* Name;
        bool Simulate;
        std::string Given;
        bool StoredOpened;
    } Cases[] = {
        {"stored", false, "", true},
        {"given", false, Folder.Path() + "/no-such-port", false},
        {"simulated", true, "", false},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        TSessionOptions Given = Options();
        ASSERT_TRUE(SavePortName(StoredPort, Given.SettingsFileName));
        Given.PortName = Case.Given;
        Given.StorePort = true;
        // A simulated programmer's port is handed in as the front ends do.
        const std::unique_ptr<TSimulatedProgrammer> Simulator =
            Case.Simulate ? StartSimulatedProgrammer() : nullptr;
        std::unique_ptr<ISerialPort> Port;
        if (Simulator) {
            Given.PortName = Simulator->GetPortName();
            Port = Simulator->MakePort();
        }
        TOpenWatch Watch(StoredPort);
        {
            TSession Session(Given, std::move(Port));
            EXPECT_EQ(Watch.Opens() > 0, Case.StoredOpened);
            EXPECT_EQ(Session.GetPortProblem().has_value(), !Case.Simulate);
            if (Case.Simulate) {
                EXPECT_TRUE(Session.Head().Initialize());
            }
        }
        // A session on a port handed in leaves the stored port as it was; the others store
        // theirs.
        EXPECT_EQ(LoadPortName(Given.SettingsFileName),
                  Case.Given.empty() ? StoredPort : Case.Given);
    }
}

TEST_F(SessionTest, LogLimitOfTheCommandLineWinsOverTheSettingsFile) {
    TSessionOptions Given = Options();
    WriteFileText(Given.SettingsFileName, "[Log]\nLog Limit=2M\n");
    const std::unique_ptr<TSimulatedProgrammer> Simulator = StartSimulatedProgrammer();
    Given.PortName = Simulator->GetPortName();
    for (const std::optional<std::uint64_t> Limit :
         {std::optional<std::uint64_t>(4096), std::optional<std::uint64_t>()}) {
        Given.LogLimit = Limit;
        TSession Session(Given, Simulator->MakePort());
        EXPECT_EQ(Session.Log().GetFileName(), Given.LogFileName);
        EXPECT_EQ(Session.Log().GetLimit(), Limit.value_or(std::uint64_t{2} << 20));
    }
}

TEST_F(SessionTest, HeadManagerEventsReachTheView) {
    const std::unique_ptr<TSimulatedProgrammer> Simulator = StartSimulatedProgrammer();
    TSessionOptions Given = Options();
    Given.PortName = Simulator->GetPortName();
    TSession Session(Given, Simulator->MakePort());
    TFakeMainView View;
    Session.AttachView(&View);

    const std::string File = WriteImageFile(Folder.Path() + "/three.ldr", 3);

    THeadManager& Head = Session.Head();
    Head.LoadImageFromFile(File);
    EXPECT_EQ(View.Picture, TStatePicture::Loaded);
    EXPECT_EQ(View.StateLabel, "Образ «three.ldr».");
    EXPECT_EQ(View.FileNameText, File);
    EXPECT_EQ(View.PageCountLabel, "В образе 3 страницы.");

    Head.WriteImage();
    EXPECT_EQ(View.InfoLines.back(),
              std::make_pair(std::string("Запись прошла успешно."), clGreen));
    EXPECT_GT(View.Position, 0);

    Head.SaveImageToFile(Folder.Path() + "/copy");
    EXPECT_EQ(View.StateLabel, "Образ «copy.ldr».");

    Head.ClearImage();
    EXPECT_EQ(View.Picture, TStatePicture::Empty);
    EXPECT_EQ(View.FileNameText, "");
    EXPECT_EQ(View.ImageViewsCleared, 2);

    Session.AttachView(nullptr);
    Head.Initialize();
    EXPECT_EQ(View.InfoLines.back(),
              std::make_pair(std::string("Запись прошла успешно."), clGreen));
}

// The port of a board in the program (as --simulate has it on Windows) under the simulator's
// name, the system's ports under any other: a port typed during the run is the port used (here
// a simulator served on a pseudo-terminal), one that does not open leaves no board answering,
// and the board in the program answers again once its name is chosen again. The programmer's
// read thread reads on throughout.
TEST_F(SessionTest, PortOfABoardInTheProgramSwitchesToThePortTyped) {
    TBoardOptions InProgram;
    InProgram.IdentificationText = "board in the program";
    TProgrammerBoard Board(InProgram);
    TSimulatorOptions OnTheLine;
    OnTheLine.IdentificationText = "board on the line";
    const std::unique_ptr<TProgrammerSimulator> Served = StartSimulator(OnTheLine);
    TSessionOptions Given = Options();
    Given.PortName = SSimulatedPortName;
    TSession Session(Given, std::make_unique<TSimulatorOrSystemPort>(
                                SSimulatedPortName, std::make_unique<TVirtualSerialPort>(Board),
                                MakeSerialPort()));
    TFakeMainView View;
    Session.AttachView(&View);
    THeadManager& Head = Session.Head();
    const auto Answer = [&] {
        EXPECT_TRUE(Head.Initialize());
        return View.InfoLines.back().first;
    };

    EXPECT_EQ(Answer(), "Контроллер: board in the program.");
    EXPECT_TRUE(Head.SetPortName(Served->GetPortPath()));
    EXPECT_EQ(Head.GetPortName(), Served->GetPortPath());
    EXPECT_EQ(Answer(), "Контроллер: board on the line.");
    const std::string Missing = Folder.Path() + "/no-port";
    EXPECT_FALSE(Head.SetPortName(Missing));
    EXPECT_NE(ThrownMessage<Exception>([&] { Head.Initialize(); }).find(Missing),
              std::string::npos);
    EXPECT_TRUE(Head.SetPortName(SSimulatedPortName));
    EXPECT_EQ(Answer(), "Контроллер: board in the program.");
}

} // namespace
