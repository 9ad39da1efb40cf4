// The head manager against the programmer simulator on a real pseudo-terminal.
#include "operations/HeadManager.h"
#include "image/PageList.h"

#include "image/HexFileObjects.h"
#include "image/MemoryMapObjects.h"
#include "link/DeviceManager.h"
#include "link/Protocol.h"
#include "tests/support/HeadManagerEvents.h"
#include "tests/support/Programmer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestBytes.h"
#include "tests/support/TestLog.h"
#include "tests/support/ThrownMessage.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int PageLength = TestPageLength;

using TLine = THeadManagerEvents::TLine;

TByteArray ErasedPage() {
    return TByteArray(PageLength, 0xFF);
}

class HeadManagerTest : public testing::Test {
protected:
    void StartSimulator(TSimulatorOptions Options = {}) {
        Simulator = ::StartSimulator(std::move(Options));
        MakeHeadManager(Simulator->GetPortPath());
    }

    void MakeHeadManager(const std::string& PortName) {
        Head = std::make_unique<THeadManager>(PortName, nullptr, Log ? Log->Get() : NoLog());
        Events.Attach(*Head);
    }

    // As StartSimulator, with the traffic log kept for the test to read.
    void StartSimulatorLogged(TSimulatorOptions Options) {
        Head.reset();
        Log = std::make_unique<TTestLog>();
        StartSimulator(std::move(Options));
    }

    // Puts Count pattern pages (page numbers 0..Count-1) into the current image.
    void FillImage(int Count, int Seed = 0) {
        for (int Page = 0; Page < Count; ++Page) {
            Head->GetMemoryMap()->AddPage(Page, Page * PageLength, PatternPage(Page, Seed));
        }
    }

    std::size_t RequestCount() const { return Simulator->GetRequestCount(); }

    // Declared before the head manager, which reports to it until its end.
    THeadManagerEvents Events;
    std::unique_ptr<TProgrammerSimulator> Simulator;
    std::unique_ptr<TTestLog> Log;
    std::unique_ptr<THeadManager> Head;
};

// ---- Programmer operations ----

TEST_F(HeadManagerTest, WritingOrComparingAnEmptyImageFailsBeforeAnyLineOrExchange) {
    StartSimulator();
    EXPECT_EQ(ThrownMessage<Exception>([&] { Head->WriteImage(); }),
              "Пустой образ нельзя записать.");
    EXPECT_FALSE(Head->IsBusy());
    EXPECT_EQ(ThrownMessage<Exception>([&] { Head->ComparePages(0, 3); }),
              "Пустой образ нельзя сравнить.");
    EXPECT_FALSE(Head->IsBusy());
    EXPECT_TRUE(Events.Lines.empty());
    EXPECT_EQ(RequestCount(), 0u);
}

TEST_F(HeadManagerTest, WriteImageWritesEveryPageAndReportsSuccess) {
    StartSimulator();
    FillImage(5);
    Head->WriteImage();
    for (int Page = 0; Page < 5; ++Page) {
        EXPECT_EQ(Simulator->GetPage(static_cast<std::uint16_t>(Page)), PatternPage(Page));
    }
    EXPECT_EQ(Simulator->GetPage(5), ErasedPage());
    EXPECT_EQ(Events.Lines, (std::vector<TLine>{{"Начата запись образа.", clBlack},
                                                {"Запись прошла успешно.", clGreen}}));
    // (p + 1) * 100 / 4 + 1, rounded.
    EXPECT_EQ(Events.Progress, (std::vector<int>{26, 51, 76, 101, 126}));
    EXPECT_FALSE(Head->IsBusy());
}

TEST_F(HeadManagerTest, OnePageImageReportsHundredPercentWithoutDividingByZero) {
    StartSimulator();
    FillImage(1);
    EXPECT_EQ(Head->CompareImage(), THeadManager::CompareDifferent);
    Head->WriteImage();
    EXPECT_EQ(Events.Progress, (std::vector<int>{100}));
    EXPECT_EQ(Head->CompareImage(), THeadManager::CompareEqual);
    EXPECT_EQ(Events.Progress, (std::vector<int>{100, 100}));
}

TEST_F(HeadManagerTest, ComparePagesStopsAtTheFirstDifferingPage) {
    StartSimulator();
    FillImage(10);
    for (int Page = 0; Page < 10; ++Page) {
        Simulator->SetPage(static_cast<std::uint16_t>(Page),
                           Page == 5 ? PatternPage(Page, 1) : PatternPage(Page));
    }
    EXPECT_EQ(Head->ComparePages(3, 7), THeadManager::CompareDifferent);
    EXPECT_EQ(Events.Lines, (std::vector<TLine>{{"Начато сравнение.", clBlack},
                                                {"Страница 5 отличается.", clRed}}));
    // After pages 3 and 4 only: (p + 1) * 100 / 7 + 1, rounded.
    EXPECT_EQ(Events.Progress, (std::vector<int>{58, 72}));
    EXPECT_EQ(RequestCount(), 6u);
    EXPECT_FALSE(Head->IsBusy());
}

TEST_F(HeadManagerTest, CompareOfEqualPagesSucceeds) {
    StartSimulator();
    FillImage(4);
    for (int Page = 0; Page < 4; ++Page) {
        Simulator->SetPage(static_cast<std::uint16_t>(Page), PatternPage(Page));
    }
    EXPECT_EQ(Head->ComparePages(1, 3), THeadManager::CompareEqual);
    EXPECT_EQ(Events.Lines, (std::vector<TLine>{{"Начато сравнение.", clBlack},
                                                {"Сравнение прошло успешно.", clGreen}}));
}

TEST_F(HeadManagerTest, RangeWithLastBelowFirstSendsNothing) {
    StartSimulator();
    Head->DeletePages(10, 5);
    EXPECT_EQ(Events.Lines, (std::vector<TLine>{{"Начато удаление образа из контроллера.", clBlack},
                                                {"Удаление прошло успешно.", clGreen}}));
    EXPECT_TRUE(Events.Progress.empty());
    EXPECT_EQ(RequestCount(), 0u);
    EXPECT_FALSE(Head->IsBusy());
}

TEST_F(HeadManagerTest, PercentagesRoundHalvesToEven) {
    StartSimulator();
    Head->DeletePages(0, 8);
    // (p + 1) * 100 / 8 + 1: 13.5, 26, 38.5, 51, 63.5, 76, 88.5, 101, 113.5.
    EXPECT_EQ(Events.Progress, (std::vector<int>{14, 26, 38, 51, 64, 76, 88, 101, 114}));
    Events.Progress.clear();
    Head->ReadPages(0, 8);
    // p * 100 / 8: 0, 12.5, 25, 37.5, 50, 62.5, 75, 87.5, 100.
    EXPECT_EQ(Events.Progress, (std::vector<int>{0, 12, 25, 38, 50, 62, 75, 88, 100}));
}

TEST_F(HeadManagerTest, DeletePagesErasesTheRange) {
    StartSimulator();
    for (int Page = 0; Page < 6; ++Page) {
        Simulator->SetPage(static_cast<std::uint16_t>(Page), PatternPage(Page));
    }
    Head->DeletePages(2, 4);
    EXPECT_EQ(Simulator->GetPage(1), PatternPage(1));
    EXPECT_EQ(Simulator->GetPage(2), ErasedPage());
    EXPECT_EQ(Simulator->GetPage(4), ErasedPage());
    EXPECT_EQ(Simulator->GetPage(5), PatternPage(5));
    EXPECT_EQ(Events.Lines.back(), TLine("Удаление прошло успешно.", clGreen));
}

TEST_F(HeadManagerTest, ReadSkipsAPageWithAnUnknownNumberAndGoesOn) {
    TSimulatorOptions Options;
    Options.UnknownPages = {1};
    StartSimulator(Options);
    for (int Page = 0; Page < 3; ++Page) {
        Simulator->SetPage(static_cast<std::uint16_t>(Page), PatternPage(Page));
    }
    FillImage(7);
    Head->ReadPages(0, 2);
    EXPECT_EQ(Events.Lines,
              (std::vector<TLine>{{"Начато чтение образа.", clBlack},
                                  {"Программатор вернул страницу с неизвестным номером.", clRed},
                                  {"Чтение не завершено: не прочитаны страницы 1.", clRed}}));
    EXPECT_EQ(Head->GetMissingPages(), std::vector<int>{1});
    // The image of seven pages stayed until the read had its own.
    EXPECT_EQ(Events.ClearedCount, 0);
    ASSERT_EQ(Events.LoadedCount, 1);
    EXPECT_EQ(Events.LoadedName, "ReadImage.ldr");
    EXPECT_EQ(Events.LoadedImage, Head->GetMemoryMap());
    ASSERT_EQ(Events.LoadedPageCount, 2);
    const IMemoryMap& Map = *Head->GetMemoryMap();
    EXPECT_EQ(Map.GetPage(0).GetPageNumber(), 0);
    EXPECT_EQ(Map.GetPage(0).GetAddress(), 0);
    EXPECT_EQ(Map.GetPage(0).GetData(), PatternPage(0));
    EXPECT_EQ(Map.GetPage(1).GetPageNumber(), 2);
    EXPECT_EQ(Map.GetPage(1).GetAddress(), 1056);
    EXPECT_EQ(Map.GetPage(1).GetData(), PatternPage(2));
    EXPECT_EQ(Events.Progress, (std::vector<int>{0, 50, 100}));
}

TEST_F(HeadManagerTest, ReadWhereEveryFetchFailsStillAnnouncesAnEmptyImage) {
    TSimulatorOptions Options;
    Options.UnknownPages = {0, 1, 2, 3};
    StartSimulator(Options);
    Head->ReadPages(0, 3);
    ASSERT_EQ(Events.LoadedCount, 1);
    EXPECT_EQ(Events.LoadedPageCount, 0);
    EXPECT_TRUE(Head->IsImageEmpty());
    EXPECT_EQ(Events.Lines.size(), 6u);
    EXPECT_EQ(Events.Lines.back(), TLine("Чтение не завершено: не прочитаны страницы 0-3.", clRed));
}

TEST_F(HeadManagerTest, ReadCountsAPageAnsweredWithAnotherNumberAsMissing) {
    TSimulatorOptions Options;
    Options.ForcedReplies[SimCmdRead] = 0x31; // claims success, reads nothing
    StartSimulator(Options);
    // The programmer's buffer still holds page 0 when page 1 is asked for.
    Simulator->SetBuffer(PatternPage(0), 0);
    Head->ReadPages(1, 1);
    EXPECT_EQ(Events.Lines.at(1),
              TLine("Программатор вернул страницу 0 вместо страницы 1.", clRed));
    EXPECT_EQ(Events.Lines.back(), TLine("Чтение не завершено: не прочитаны страницы 1.", clRed));
    EXPECT_TRUE(Head->IsImageEmpty());
}

TEST(PageListText, JoinsNeighboursIntoRunsAndCountsWhatIsNotListed) {
    EXPECT_EQ(FormatPageList({5}), "5");
    EXPECT_EQ(FormatPageList({0, 1, 2, 4, 7, 8}), "0-2, 4, 7-8");
    std::vector<int> Scattered;
    for (int Page = 0; Page < 40; Page += 2) {
        Scattered.push_back(Page);
    }
    EXPECT_EQ(FormatPageList(Scattered),
              "0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30 и ещё 4");
}

// A range read written back lands on the pages it came from; no other chip page is touched, and
// the whole-image write's progress counts the image's own pages.
TEST_F(HeadManagerTest, ReadRangeWrittenBackGoesToItsOwnPagesOnly) {
    StartSimulator();
    for (int Page = 0; Page <= 201; ++Page) {
        Simulator->SetPage(static_cast<std::uint16_t>(Page), PatternPage(Page));
    }
    Head->ReadPages(100, 200);
    const std::shared_ptr<IMemoryMap>& Map = Head->GetMemoryMap();
    ASSERT_EQ(Map->GetCount(), 101);
    for (int Index = 0; Index < 101; ++Index) {
        EXPECT_EQ(Map->GetPage(Index).GetPageNumber(), 100 + Index);
        EXPECT_EQ(Map->GetPage(Index).GetAddress(), (100 + Index) * PageLength);
    }
    // The first percentage of a range starting above 0 is already high.
    EXPECT_EQ(Events.Progress.front(), 50);
    EXPECT_EQ(Events.Progress.back(), 100);

    // The chip changes behind the image's back; the write must put pages 100..200 back.
    for (int Page = 0; Page <= 201; ++Page) {
        Simulator->SetPage(static_cast<std::uint16_t>(Page), PatternPage(Page + 1000));
    }
    Events.Progress.clear();
    Head->WriteImage();
    for (int Page = 0; Page <= 201; ++Page) {
        const bool InImage = Page >= 100 && Page <= 200;
        EXPECT_EQ(Simulator->GetPage(static_cast<std::uint16_t>(Page)),
                  PatternPage(InImage ? Page : Page + 1000))
            << "chip page " << Page;
    }
    EXPECT_EQ(Events.Progress.front(), 2);
    EXPECT_EQ(Events.Progress.back(), 102);
    EXPECT_EQ(Head->CompareImage(), THeadManager::CompareEqual);
}

TEST_F(HeadManagerTest, StopDuringAPageFinishesThatPageAndTouchesNoOther) {
    StartSimulator();
    FillImage(21);
    int Passes = 0;
    Head->ProcessMessages = [&] {
        ++Passes;
        EXPECT_TRUE(Head->IsBusy());
        // No second operation inside a running one: they would share the request and reply.
        EXPECT_EQ(ThrownMessage<Exception>([&] { Head->Initialize(); }),
                  "Программатор занят: дождитесь конца текущей операции.");
        if (Passes == 8) { // after page 7
            Head->StopCurrentOperation();
        }
    };
    Head->WritePages(0, 20);
    EXPECT_EQ(Passes, 8);
    EXPECT_EQ(Events.Lines, (std::vector<TLine>{{"Начата запись образа.", clBlack},
                                                {"Запись образа прервана.", clRed}}));
    ASSERT_EQ(Events.Progress.size(), 8u);
    EXPECT_EQ(Events.Progress.back(), 41); // 8 * 100 / 20 + 1
    EXPECT_EQ(RequestCount(), 16u);
    EXPECT_EQ(Simulator->GetPage(7), PatternPage(7));
    for (int Page = 8; Page <= 20; ++Page) {
        EXPECT_EQ(Simulator->GetPage(static_cast<std::uint16_t>(Page)), ErasedPage());
    }
    EXPECT_FALSE(Head->IsBusy());
}

TEST_F(HeadManagerTest, StopOnTheLastPageStillEndsWithTheStopLine) {
    StartSimulator();
    FillImage(3);
    Head->ProcessMessages = [&] {
        if (Events.Progress.size() == 3) {
            Head->StopCurrentOperation();
        }
    };
    EXPECT_EQ(Head->ComparePages(0, 2), THeadManager::CompareDifferent);
    Events.Lines.clear();
    Head->WriteImage();
    EXPECT_EQ(Events.Lines.back(), TLine("Запись образа прервана.", clRed));
    Events.Lines.clear();
    Events.Progress.clear();
    EXPECT_EQ(Head->CompareImage(), THeadManager::CompareStopped);
    EXPECT_EQ(Events.Lines.back(), TLine("Сравнение прервано.", clRed));
}

TEST_F(HeadManagerTest, StoppedReadKeepsThePagesReadSoFar) {
    StartSimulator();
    FillImage(7);
    Head->ProcessMessages = [&] {
        if (Events.Progress.size() == 2) {
            Head->StopCurrentOperation();
        }
    };
    Head->ReadPages(0, 5);
    EXPECT_EQ(Events.Lines.back(), TLine("Чтение образа прервано.", clRed));
    EXPECT_EQ(Head->GetMemoryMap()->GetCount(), 2);
    EXPECT_EQ(Events.ClearedCount, 0);
    EXPECT_EQ(Events.LoadedCount, 1);
    EXPECT_EQ(Events.LoadedName, "ReadImage.ldr");
    Events.Lines.clear();
    Events.Progress.clear();
    Head->DeletePages(0, 5);
    EXPECT_EQ(Events.Lines.back(), TLine("Удаление образа прервано.", clRed));
    EXPECT_EQ(Events.Progress.size(), 2u);
}

// The success code of every page command, as a board with one code answers.
std::map<std::uint8_t, std::uint8_t> OneCode(std::uint8_t Code) {
    std::map<std::uint8_t, std::uint8_t> Codes;
    for (const std::uint8_t Command :
         {SimCmdTransfer, SimCmdWrite, SimCmdRead, SimCmdCompare, SimCmdErase}) {
        Codes[Command] = Code;
    }
    return Codes;
}

// A board may answer every page command with one success code, or with codes of mixed
// families (their low nibble 1 says success): a write, compare, erase and read of several
// pages go through on each such board, page after page.
TEST_F(HeadManagerTest, BoardsWithOneSuccessCodeOrMixedFamiliesWorkWholeOperations) {
    const struct {
        const char* Name;
        std::map<std::uint8_t, std::uint8_t> Codes;
    } Boards[] = {
        {"11h for all", OneCode(0x11)},
        {"21h for all", OneCode(0x21)},
        {"41h for all", OneCode(0x41)},
        {"51h for all", OneCode(0x51)},
        {"mixed families",
         {{SimCmdTransfer, 0x21},
          {SimCmdWrite, 0x11},
          {SimCmdRead, 0x51},
          {SimCmdCompare, 0x31},
          {SimCmdErase, 0x41}}},
    };
    constexpr int Pages = 8;
    for (const auto& Board : Boards) {
        SCOPED_TRACE(Board.Name);
        TSimulatorOptions Options;
        Options.SuccessCodes = Board.Codes;
        StartSimulatorLogged(Options);
        FillImage(Pages, 3);
        Head->WriteImage();
        EXPECT_EQ(Events.Lines.back(), TLine("Запись прошла успешно.", clGreen));
        for (int Page = 0; Page < Pages; ++Page) {
            EXPECT_EQ(Simulator->GetPage(static_cast<std::uint16_t>(Page)), PatternPage(Page, 3))
                << "chip page " << Page;
        }
        EXPECT_EQ(Head->CompareImage(), THeadManager::CompareEqual);
        Head->DeletePages(0, Pages - 1);
        EXPECT_EQ(Events.Lines.back(), TLine("Удаление прошло успешно.", clGreen));
        Head->ReadPages(0, Pages - 1);
        EXPECT_EQ(Events.Lines.back(), TLine("Чтение прошло успешно.", clGreen));
        ASSERT_EQ(Head->GetMemoryMap()->GetCount(), Pages);
        EXPECT_EQ(Head->GetMemoryMap()->FindPage(Pages - 1)->GetData(), ErasedPage());
        EXPECT_FALSE(Log->ContainsInOrder({"Отброшен запоздавший ответ*"}));
    }
}

// A refusal is the board's answer whatever its family, also once the board has shown that it
// names each command's family: the write of page 17 refused with 13h is reported as such, not
// dropped as a late reply and reported as a silent board.
TEST_F(HeadManagerTest, ARefusalAfterManyPagesIsReportedAsTheBoardGaveIt) {
    const struct {
        const char* Name;
        std::map<std::uint8_t, std::uint8_t> Codes;
    } Boards[] = {
        {"a board that names families", {}},
        {"a board with one success code", OneCode(0x51)},
    };
    for (const auto& Board : Boards) {
        SCOPED_TRACE(Board.Name);
        TSimulatorOptions Options;
        Options.SuccessCodes = Board.Codes;
        Options.RefusedWrites = {{17, 0x13}};
        StartSimulatorLogged(Options);
        FillImage(20);
        EXPECT_EQ(ThrownMessage<EMicroControllerOperationError>([&] { Head->WriteImage(); }),
                  "Ошибка работы с контроллером. Страница 17, команда 20h, ответ 13h.");
        EXPECT_EQ(Simulator->GetPage(16), PatternPage(16));
        EXPECT_FALSE(Log->ContainsInOrder({"Отброшен запоздавший ответ*"}));
        EXPECT_FALSE(Log->Contains("Страница 17 записана успешно."));
    }
}

// A stop while a silent board is awaited ends the wait at once: each operation ends with its
// stopped line instead of the time-out's failure, after its one request, and the page in
// progress is neither done nor failed. Initialisation cannot be stopped: it runs to its end.
TEST_F(HeadManagerTest, StopWhileASilentBoardIsAwaitedEndsTheOperationAsStopped) {
    TSimulatorOptions Options;
    Options.NeverAnswer = true;
    StartSimulator(Options);
    FillImage(3);
    std::vector<int> PagesDone;
    Head->OnPageDone = [&](THeadManager*, int Page, TPageOutcome) { PagesDone.push_back(Page); };
    const struct {
        const char* Name;
        std::function<void()> Operation;
        TLine Line;
    } Cases[] = {
        {"write", [&] { Head->WriteImage(); }, {"Запись образа прервана.", clRed}},
        {"compare",
         [&] { EXPECT_EQ(Head->CompareImage(), THeadManager::CompareStopped); },
         {"Сравнение прервано.", clRed}},
        {"read", [&] { Head->ReadPages(0, 5); }, {"Чтение образа прервано.", clRed}},
        {"erase", [&] { Head->DeletePages(0, 5); }, {"Удаление образа прервано.", clRed}},
    };
    std::size_t Requests = 0;
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        Events.Lines.clear();
        int Waits = 0;
        Head->WhileWaiting = [&] {
            EXPECT_TRUE(Head->IsRunning());
            if (++Waits == 2) {
                Head->StopCurrentOperation();
            }
        };
        EXPECT_NO_THROW(Case.Operation());
        ASSERT_FALSE(Events.Lines.empty());
        EXPECT_EQ(Events.Lines.back(), Case.Line);
        EXPECT_EQ(Waits, 2);
        EXPECT_FALSE(Head->IsBusy());
        EXPECT_FALSE(Head->IsRunning());
        ASSERT_TRUE(Simulator->WaitForHandledRequests(++Requests, TestWaitBoundMs));
        EXPECT_EQ(RequestCount(), Requests);
    }
    EXPECT_TRUE(PagesDone.empty());
    // The read stopped before its first page leaves the image as it was.
    EXPECT_EQ(Head->GetMemoryMap()->GetCount(), 3);
    EXPECT_EQ(Events.ClearedCount, 0);
    EXPECT_EQ(Events.LoadedCount, 0);
    Head->WhileWaiting = [&] { Head->StopCurrentOperation(); };
    EXPECT_THROW(Head->Initialize(), EBurnerNotPlugged);
}

// The answer that comes after its wait was stopped does not answer the next operation's
// requests: the next write goes through and puts every page where it belongs.
TEST_F(HeadManagerTest, AnAnswerThatComesAfterAStopLeavesTheNextOperationWhole) {
    TSimulatorOptions Options;
    Options.ReplyDelayMs = 150;
    StartSimulator(Options);
    FillImage(3);
    Head->WhileWaiting = [&] { Head->StopCurrentOperation(); };
    Head->WriteImage();
    EXPECT_EQ(Events.Lines.back(), TLine("Запись образа прервана.", clRed));
    Head->WhileWaiting = nullptr;
    FillImage(3, 7);
    Head->WriteImage();
    EXPECT_EQ(Events.Lines.back(), TLine("Запись прошла успешно.", clGreen));
    for (int Page = 0; Page < 3; ++Page) {
        EXPECT_EQ(Simulator->GetPage(static_cast<std::uint16_t>(Page)), PatternPage(Page, 7))
            << "chip page " << Page;
    }
}

TEST_F(HeadManagerTest, ClearingTheImageBetweenPagesEndsAWriteWithAnError) {
    StartSimulator();
    FillImage(4);
    Head->ProcessMessages = [&] {
        if (Events.Progress.size() == 2) {
            Head->ClearImage();
        }
    };
    EXPECT_EQ(ThrownMessage<Exception>([&] { Head->WriteImage(); }),
              "Образ не загружен. Страница 2.");
    EXPECT_FALSE(Head->IsBusy());
    EXPECT_EQ(Events.Lines, (std::vector<TLine>{{"Начата запись образа.", clBlack}}));
}

// A range reaching pages the image does not hold is refused whole: nothing is sent, nothing said
// but the refusal naming those pages.
TEST_F(HeadManagerTest, ARangeBeyondTheImageIsRefusedBeforeAnyPage) {
    StartSimulator();
    FillImage(3);
    for (const auto& Operation : std::vector<std::function<void()>>{
             [&] { Head->WritePages(0, 5); }, [&] { Head->ComparePages(2, 5); }}) {
        EXPECT_EQ(ThrownMessage<Exception>(Operation), "В образе нет страниц: 3-5.");
        EXPECT_FALSE(Head->IsBusy());
        EXPECT_TRUE(Events.Lines.empty());
        EXPECT_TRUE(Events.Progress.empty());
    }
    EXPECT_EQ(Simulator->GetPage(0), TByteArray(PageLength, 0xFF));
}

TEST_F(HeadManagerTest, ProgrammerErrorsPassOutAndLeaveBusyFalse) {
    TSimulatorOptions Options;
    Options.ForcedReplies = {{SimCmdErase, 0x13}, {SimCmdRead, 0x02}};
    StartSimulator(Options);
    EXPECT_THROW(Head->DeletePages(0, 3), EMicroControllerOperationError);
    EXPECT_FALSE(Head->IsBusy());
    EXPECT_THROW(Head->ReadPages(0, 3), EConnectionError);
    EXPECT_FALSE(Head->IsBusy());
    EXPECT_EQ(Events.LoadedCount, 0);
    EXPECT_EQ(Events.Lines, (std::vector<TLine>{{"Начато удаление образа из контроллера.", clBlack},
                                                {"Начато чтение образа.", clBlack}}));
}

TEST_F(HeadManagerTest, ReadErrorLeavesTheImageAsItWas) {
    StartSimulator();
    FillImage(7);
    const std::shared_ptr<IMemoryMap> Before = Head->GetMemoryMap();
    Head->ProcessMessages = [&] {
        if (Events.Progress.size() == 2) {
            Simulator->Stop(); // the programmer goes silent: the next read times out
        }
    };
    EXPECT_THROW(Head->ReadPages(0, 5), EDeviceManagerException);
    EXPECT_EQ(Head->GetMemoryMap(), Before);
    EXPECT_EQ(Head->GetMemoryMap()->GetCount(), 7);
    EXPECT_EQ(Events.LoadedCount, 0);
    EXPECT_EQ(Events.ClearedCount, 0);
    EXPECT_FALSE(Head->IsBusy());
}

TEST_F(HeadManagerTest, InitializeReportsTheControllerName) {
    TSimulatorOptions Options;
    Options.IdentificationText = "AT45 board";
    StartSimulator(Options);
    EXPECT_TRUE(Head->Initialize());
    EXPECT_EQ(Events.Lines, (std::vector<TLine>{{"Инициализация прошла успешно.", clGreen},
                                                {"Контроллер: AT45 board.", clBlue}}));
    EXPECT_TRUE(Events.Progress.empty());
}

TEST_F(HeadManagerTest, InitializeWithAnEmptyAnswerFails) {
    TSimulatorOptions Options;
    Options.IdentificationText = "";
    StartSimulator(Options);
    EXPECT_FALSE(Head->Initialize());
    EXPECT_EQ(Events.Lines, (std::vector<TLine>{{"Инициализация не удалась.", clRed}}));
}

TEST_F(HeadManagerTest, PortNamePassesThroughToTheLink) {
    StartSimulator();
    EXPECT_EQ(Head->GetPortName(), Simulator->GetPortPath());
    EXPECT_TRUE(Head->SetPortName(Simulator->GetPortPath()));
    EXPECT_TRUE(Head->Initialize());
    const std::string Missing = "/nonexistent/velmora-port";
    EXPECT_FALSE(Head->SetPortName(Missing));
    EXPECT_EQ(Head->GetPortName(), Missing);
}

// ---- Image and files ----

class HeadManagerFileTest : public HeadManagerTest {
protected:
    void SetUp() override {
        // No exchange happens here: a port that cannot be opened will do.
        MakeHeadManager((Folder / "no-port").string());
    }

    std::string Path(const std::string& Name) const { return (Folder / Name).string(); }

    void WriteText(const std::string& Name, const std::string& Text) const {
        WriteFileText(Path(Name), Text);
    }

    // An image file of DataBytes bytes (0, 1, 2, ...) in records of 16 bytes.
    void WriteImageFile(const std::string& Name, int DataBytes) const {
        THexFile File;
        File.AddRecord(0, 4, {0, 0});
        for (int Offset = 0; Offset < DataBytes; Offset += 16) {
            TByteArray Data;
            for (int Index = Offset; Index < DataBytes && Index < Offset + 16; ++Index) {
                Data.push_back(static_cast<std::uint8_t>(Index));
            }
            File.AddRecord(static_cast<std::uint16_t>(Offset), 0, Data);
        }
        File.SaveToFile(Path(Name));
    }

    TTempFolder Temp{"velmora-head"};
    const fs::path Folder = Temp.Path();
};

TEST_F(HeadManagerFileTest, LoadingAnImageFileAnnouncesItsPages) {
    WriteImageFile("image.ldr", 600);
    Head->LoadImageFromFile(Path("image.ldr"));
    ASSERT_EQ(Events.LoadedCount, 1);
    EXPECT_EQ(Events.LoadedPageCount, 2);
    EXPECT_EQ(Events.LoadedName, Path("image.ldr"));
    EXPECT_FALSE(Head->IsImageEmpty());
    EXPECT_EQ(Head->GetMemoryMap()->GetPage(1).GetAddress(), PageLength);
    EXPECT_EQ(Events.ClearedCount, 0);
}

TEST_F(HeadManagerFileTest, AFailedLoadEmptiesTheImageAndPassesTheSameErrorOn) {
    WriteImageFile("good.ldr", 600);
    Head->LoadImageFromFile(Path("good.ldr"));
    // The third line has a wrong checksum.
    WriteText("bad.ldr", ":020000040000FA\n:10000000000102030405060708090A0B0C0D0E0F78\n"
                         ":10001000101112131415161718191A1B1C1D1E1F00\n:00000001FF\n");
    EXPECT_THROW(Head->LoadImageFromFile(Path("bad.ldr")), EWrongHexStringCS);
    EXPECT_TRUE(Head->IsImageEmpty());
    EXPECT_EQ(Events.ClearedCount, 1);
    EXPECT_EQ(Events.LoadedCount, 1);
}

TEST_F(HeadManagerFileTest, AFileWithoutDataOrAMissingFileCannotBeLoaded) {
    WriteText("end.ldr", ":00000001FF\n");
    for (const std::string Name : {"end.ldr", "missing.ldr"}) {
        FillImage(2);
        try {
            Head->LoadImageFromFile(Path(Name));
            ADD_FAILURE() << "no exception for " << Name;
        } catch (const Exception& Error) {
            EXPECT_STREQ(Error.Message(), "Не удалось загрузить файл.");
            // The file, and why: no data in it, or the system's reason for a missing one.
            EXPECT_EQ(Error.Details().File, Path(Name));
            if (Name == "end.ldr") {
                EXPECT_STREQ(Error.what(), ("Не удалось загрузить файл. Файл " + Path(Name) +
                                            ": в нём нет данных.")
                                               .c_str());
            } else {
                EXPECT_NE(Error.Details().Reason, "");
                EXPECT_NE(Error.Details().Reason, "в нём нет данных");
            }
        }
        EXPECT_TRUE(Head->IsImageEmpty());
    }
    EXPECT_EQ(Events.ClearedCount, 2);
    WriteText("empty.ldr", "");
    EXPECT_THROW(Head->LoadImageFromFile(Path("empty.ldr")), EFileIsEmpty);
    EXPECT_EQ(Events.ClearedCount, 3);
}

TEST_F(HeadManagerFileTest, SavingAddsTheImageExtensionWhereItIsMissing) {
    FillImage(2);
    fs::create_directory(Folder / "dir.x");
    const std::vector<std::pair<std::string, std::string>> Cases = {
        {"test", "test.ldr"},
        {"image.hex", "image.hex.ldr"},
        {"image.LDR", "image.LDR.ldr"},
        {"image.ldr", "image.ldr"},
        {"dir.x/name", "dir.x/name.ldr"},
        {"image.bin", "image.bin"},
        {"image.BIN", "image.BIN"},
    };
    for (const auto& [Given, Written] : Cases) {
        Head->SaveImageToFile(Path(Given));
        ASSERT_FALSE(Events.SavedNames.empty());
        EXPECT_EQ(Events.SavedNames.back(), Path(Written));
        EXPECT_TRUE(fs::exists(Path(Written))) << Written;
    }
    EXPECT_FALSE(fs::exists(Path("test")));
}

TEST_F(HeadManagerFileTest, SavedImageLoadsBackUnchanged) {
    FillImage(3);
    Head->SaveImageToFile(Path("copy"));
    Head->ClearImage();
    Head->LoadImageFromFile(Path("copy.ldr"));
    ASSERT_EQ(Head->GetMemoryMap()->GetCount(), 3);
    for (int Page = 0; Page < 3; ++Page) {
        EXPECT_EQ(Head->GetMemoryMap()->GetPage(Page).GetData(), PatternPage(Page));
    }
}

TEST_F(HeadManagerFileTest, AnEmptyImageIsNeitherSavedNorDumped) {
    EXPECT_TRUE(Head->ImageToStrings().empty());
    EXPECT_EQ(ThrownMessage<Exception>([&] { Head->SaveImageToFile(Path("nothing")); }),
              "Пустой образ нельзя сохранить.");
    EXPECT_TRUE(Events.SavedNames.empty());
    EXPECT_FALSE(fs::exists(Path("nothing.ldr")));
}

TEST_F(HeadManagerFileTest, UnwritableFileLeavesTheImageAndRaisesNoEvent) {
    FillImage(1);
    EXPECT_ANY_THROW(Head->SaveImageToFile(Path("missing-folder/image.ldr")));
    EXPECT_TRUE(Events.SavedNames.empty());
    EXPECT_FALSE(Head->IsImageEmpty());
}

TEST_F(HeadManagerFileTest, DumpHasOneLinePerRecord) {
    FillImage(1);
    const std::vector<std::string> Lines = Head->ImageToStrings();
    // The extended address record and 17 data records (16 of 32 bytes, one of 16).
    ASSERT_EQ(Lines.size(), 18u);
    EXPECT_EQ(Lines.front(), ":02 0000 04    00 00   FA");
}

TEST_F(HeadManagerFileTest, BinaryFilesLoadAndSaveAsRawPagesAndAPaddedPageIsReported) {
    FillImage(3);
    Head->SaveImageToFile(Path("copy.bin"));
    EXPECT_EQ(Events.SavedNames, std::vector<std::string>{Path("copy.bin")});
    const TByteArray Pages = Join({PatternPage(0), PatternPage(1), PatternPage(2)});
    EXPECT_EQ(ReadFileText(Path("copy.bin")), std::string(Pages.begin(), Pages.end()));
    Head->ClearImage();
    Head->LoadImageFromFile(Path("copy.bin"));
    ASSERT_EQ(Events.LoadedPageCount, 3);
    for (int Page = 0; Page < 3; ++Page) {
        EXPECT_EQ(Head->GetMemoryMap()->GetPage(Page).GetData(), PatternPage(Page));
    }
    EXPECT_TRUE(Events.Lines.empty());

    // One byte more than a page, in a name with the extension in capitals.
    WriteText("ODD.BIN", std::string(PageLength + 1, '\x11'));
    Head->LoadImageFromFile(Path("ODD.BIN"));
    ASSERT_EQ(Events.LoadedPageCount, 2);
    TByteArray Last(PageLength, 0xFF);
    Last[0] = 0x11;
    EXPECT_EQ(Head->GetMemoryMap()->GetPage(1).GetData(), Last);
    EXPECT_EQ(Head->GetMemoryMap()->GetPage(1).GetAddress(), PageLength);
    const std::vector<TLine> Expected = {
        {"Длина файла " + Path("ODD.BIN") +
             " не кратна 528 байтам: последняя страница дополнена байтами FF.",
         clBlue}};
    EXPECT_EQ(Events.Lines, Expected);

    WriteText("large.bin", std::string(4096 * PageLength + 1, '\0'));
    EXPECT_THROW(Head->LoadImageFromFile(Path("large.bin")), EImageIsTooLarge);
    EXPECT_TRUE(Head->IsImageEmpty());
}

TEST_F(HeadManagerFileTest, ClearImageKeepsTheMapObject) {
    FillImage(2);
    const IMemoryMap* Before = Head->GetMemoryMap().get();
    Head->ClearImage();
    EXPECT_EQ(Head->GetMemoryMap().get(), Before);
    EXPECT_TRUE(Head->IsImageEmpty());
    EXPECT_EQ(Events.ClearedCount, 1);
    Head->OnImageCleared = nullptr;
    Head->ClearImage(); // an unassigned event is simply not raised
}

} // namespace
