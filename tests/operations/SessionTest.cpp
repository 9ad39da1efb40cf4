// A session as both front ends start it: which port it opens, and that the head manager's
// events reach the view through the image state, the information sink and the progress.
#include "operations/Session.h"

#include "operations/HeadManager.h"
#include "simulator/ProgrammerSimulator.h"
#include "tests/operations/FakeMainView.h"
#include "tests/support/Programmer.h"
#include "tests/support/TempFolder.h"

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
        Given.Simulate = Case.Simulate;
        Given.PortName = Case.Given;
        Given.StorePort = true;
        TOpenWatch Watch(StoredPort);
        {
            TSession Session(Given);
            EXPECT_EQ(Watch.Opens() > 0, Case.StoredOpened);
            EXPECT_EQ(Session.GetPortProblem().has_value(), !Case.Simulate);
            if (Case.Simulate) {
                EXPECT_TRUE(Session.Head().Initialize());
            }
        }
        // A simulated session leaves the stored port as it was; the others store theirs.
        EXPECT_EQ(LoadPortName(Given.SettingsFileName),
                  Case.Given.empty() ? StoredPort : Case.Given);
    }
}

TEST_F(SessionTest, LogLimitOfTheCommandLineWinsOverTheSettingsFile) {
    TSessionOptions Given = Options();
    WriteFileText(Given.SettingsFileName, "[Log]\nLog Limit=2M\n");
    Given.Simulate = true;
    for (const std::optional<std::uint64_t> Limit :
         {std::optional<std::uint64_t>(4096), std::optional<std::uint64_t>()}) {
        Given.LogLimit = Limit;
        TSession Session(Given);
        EXPECT_EQ(GLogManager->GetFileName(), Given.LogFileName);
        EXPECT_EQ(GLogManager->GetLimit(), Limit.value_or(std::uint64_t{2} << 20));
    }
}

TEST_F(SessionTest, HeadManagerEventsReachTheView) {
    TSessionOptions Given = Options();
    Given.Simulate = true;
    TSession Session(Given);
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

} // namespace
