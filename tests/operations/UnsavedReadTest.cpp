// Which images count as an unsaved read, and what the user's answer to the question before such
// an image is replaced means; against the programmer simulator on a pseudo-terminal.
#include "operations/UnsavedRead.h"

#include "image/MemoryMapObjects.h"
#include "operations/HeadManager.h"
#include "tests/support/Programmer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestLog.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

class UnsavedReadTest : public testing::Test {
protected:
    void SetUp() override { Start(); }

    void Start(TSimulatorOptions Options = {}) {
        Head.reset();
        Simulator = StartSimulator(std::move(Options));
        Head = std::make_unique<THeadManager>(Simulator->GetPortPath(), nullptr, NoLog());
    }

    // Reads First .. Last; a stop is asked for after StopAfterPages pages when given.
    void Read(int First, int Last, int StopAfterPages = -1) {
        int Pages = 0;
        Head->ProcessMessages = [&] {
            if (++Pages == StopAfterPages) {
                Head->StopCurrentOperation();
            }
        };
        Head->ReadPages(First, Last);
        Head->ProcessMessages = nullptr;
    }

    std::string File(const std::string& Name) const { return Temp.File(Name); }

    TTempFolder Temp{"velmora-unsaved"};
    std::unique_ptr<TProgrammerSimulator> Simulator;
    std::unique_ptr<THeadManager> Head;
};

TEST_F(UnsavedReadTest, AReadThatLeftPagesCountsUntilItIsSavedOrReplaced) {
    WriteImageFile(File("image.ldr"), 2);
    WriteFileText(File("bad.ldr"), "not an image\n");
    struct TStep {
        const char* What;
        std::function<void()> Do;
        bool Unsaved;
    };
    const std::vector<TStep> Steps = {
        {"nothing yet", [] {}, false},
        {"a loaded file", [&] { Head->LoadImageFromFile(File("image.ldr")); }, false},
        {"a range read", [&] { Read(3, 5); }, true},
        {"saved", [&] { Head->SaveImageToFile(File("read.ldr")); }, false},
        {"a stopped read with pages", [&] { Read(0, 9, 2); }, true},
        {"a new image", [&] { Head->ClearImage(); }, false},
        {"a read again", [&] { Read(0, 1); }, true},
        {"then a file", [&] { Head->LoadImageFromFile(File("image.ldr")); }, false},
        {"a read again", [&] { Read(0, 1); }, true},
        {"then a file that fails to load",
         [&] { EXPECT_ANY_THROW(Head->LoadImageFromFile(File("bad.ldr"))); }, false},
    };
    for (const TStep& Step : Steps) {
        Step.Do();
        EXPECT_EQ(Head->HasUnsavedRead(), Step.Unsaved) << Step.What;
    }
}

TEST_F(UnsavedReadTest, AReadThatGotNoPageOrFailedLeavesTheImageAsItCounted) {
    // Every page unknown: the read ends with an image without pages.
    TSimulatorOptions Unknown;
    Unknown.UnknownPages = {0, 1};
    Start(Unknown);
    Read(0, 1);
    EXPECT_TRUE(Head->IsImageEmpty());
    EXPECT_FALSE(Head->HasUnsavedRead());

    // The programmer goes silent after the first read's four exchanges: the second read fails
    // and the first one is still the image, still unsaved.
    TSimulatorOptions Silent;
    Silent.StopAfter = 4;
    Start(Silent);
    Read(0, 1);
    EXPECT_ANY_THROW(Read(0, 1));
    EXPECT_EQ(Head->GetMemoryMap()->GetCount(), 2);
    EXPECT_TRUE(Head->HasUnsavedRead());
}

TEST_F(UnsavedReadTest, TheAnswerDecidesWhetherTheImageMayBeReplaced) {
    struct TCase {
        const char* What;
        bool AfterRead;
        TUnsavedReadAnswer Answer;
        bool SaveSaves; // false: the save dialog was cancelled
        bool MayReplace;
        int Questions;
        int Saves;
    };
    const TCase Cases[] = {
        {"no read: no question", false, TUnsavedReadAnswer::Cancel, true, true, 0, 0},
        {"don't save", true, TUnsavedReadAnswer::DontSave, true, true, 1, 0},
        {"cancel", true, TUnsavedReadAnswer::Cancel, true, false, 1, 0},
        {"save", true, TUnsavedReadAnswer::Save, true, true, 1, 1},
        {"save, dialog cancelled", true, TUnsavedReadAnswer::Save, false, false, 1, 1},
    };
    for (const TCase& Case : Cases) {
        Head->ClearImage();
        if (Case.AfterRead) {
            Read(0, 0);
        }
        int Questions = 0;
        int Saves = 0;
        const bool MayReplace = MayReplaceImage(
            *Head,
            [&] {
                ++Questions;
                return Case.Answer;
            },
            [&] {
                ++Saves;
                if (Case.SaveSaves) {
                    Head->SaveImageToFile(File("saved.ldr"));
                }
            });
        EXPECT_EQ(MayReplace, Case.MayReplace) << Case.What;
        EXPECT_EQ(Questions, Case.Questions) << Case.What;
        EXPECT_EQ(Saves, Case.Saves) << Case.What;
    }

    // A save that fails passes its error on; the read stays unsaved.
    const auto FailingSave = [] { throw std::runtime_error("disk full"); };
    EXPECT_THROW(MayReplaceImage(
                     *Head, [] { return TUnsavedReadAnswer::Save; }, FailingSave),
                 std::runtime_error);
    EXPECT_TRUE(Head->HasUnsavedRead());
}

} // namespace
