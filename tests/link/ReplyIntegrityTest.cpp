// Replies that must never be taken as data: damaged or cut on the line, or late answers to an
// earlier request. Against the programmer simulator over a real pseudo-terminal.
#include "image/MemoryMapObjects.h"
#include "link/DeviceManager.h"
#include "link/Protocol.h"
#include "package/Package.h"
#include "tests/support/Programmer.h"
#include "tests/support/TestBytes.h"
#include "tests/support/TestLog.h"
#include "tests/support/ThrownMessage.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <functional>
#include <typeinfo>

namespace {

class ReplyIntegrityTest : public ::testing::Test {
protected:
    void Start(TSimulatorOptions Options) {
        Protocol.reset();
        Simulator = StartSimulator(Recording(std::move(Options)));
        Protocol = std::make_unique<TProtocolManager>(Simulator->GetPortPath(), nullptr, Log);
    }

    std::shared_ptr<IMemoryPage> ReadPage(int PageNumber) {
        Protocol->ReadPage(PageNumber);
        std::shared_ptr<IMemoryPage> Page;
        Protocol->RequestPage(Page);
        return Page;
    }

    TTestLog Log;
    std::unique_ptr<TProgrammerSimulator> Simulator;
    std::unique_ptr<TProtocolManager> Protocol;
};

struct TDamageCase {
    const char* Name;
    std::function<void(TSimulatorOptions&)> Fault;
    const std::type_info* Type;
    const char* LogRecord;
};

TEST_F(ReplyIntegrityTest, DamagedOrCutPageRepliesFailAfterTwoMoreRequests) {
    const TDamageCase Cases[] = {
        {"cut to 100 bytes", [](TSimulatorOptions& O) { O.CutRepliesTo = 100; },
         &typeid(EDamagedReply),
         "Ответ повреждён: длина данных не совпадает с полученными байтами."},
        {"one bit flipped", [](TSimulatorOptions& O) { O.DamageEvery = 1; }, &typeid(EDamagedReply),
         "Ответ повреждён: контрольная сумма не сходится."},
        {"cut below a package", [](TSimulatorOptions& O) { O.CutRepliesTo = 5; },
         &typeid(EWrongLength), "EWrongLength Length is: 5"},
    };
    for (const TDamageCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        TSimulatorOptions Options;
        Case.Fault(Options);
        Start(Options);
        std::shared_ptr<IMemoryPage> Page = std::make_shared<TMemoryPage>();
        try {
            Protocol->RequestPage(Page);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& Error) {
            EXPECT_EQ(typeid(Error), *Case.Type);
        }
        EXPECT_EQ(Page, nullptr);
        ASSERT_TRUE(Simulator->WaitForHandledRequests(3, TestWaitBoundMs));
        EXPECT_EQ(Simulator->GetRequestCount(), 3u);
        EXPECT_TRUE(Log.ContainsInOrder({"Запросить страницу.", Case.LogRecord,
                                         "Повторный запрос страницы (2 из 3).", Case.LogRecord,
                                         "Повторный запрос страницы (3 из 3).", Case.LogRecord}));
        EXPECT_FALSE(Log.Contains("Страница запрошена успешно."));
    }
}

TEST_F(ReplyIntegrityTest, ADamagedCommandReplyIsAConnectionErrorNotASuccess) {
    TSimulatorOptions Options;
    Options.DamageEvery = 1;
    Start(Options);
    EXPECT_EQ(ThrownMessage<EDamagedReply>([&] { Protocol->WritePage(3); }),
              "Ошибка связи. Страница 3, команда 20h. Ответ повреждён: контрольная сумма не "
              "сходится.");
    EXPECT_FALSE(Log.Contains("Страница 3 записана успешно."));
}

TEST_F(ReplyIntegrityTest, APageReplyDamagedOnceIsAskedForAgain) {
    TSimulatorOptions Options;
    // Replies 2, 4, ...: the first page reply is damaged, the repeated request's is not.
    Options.DamageEvery = 2;
    Start(Options);
    Simulator->SetPage(6, EveryByteValuePage(6));
    const std::shared_ptr<IMemoryPage> Page = ReadPage(6);
    ASSERT_NE(Page, nullptr);
    EXPECT_EQ(Page->GetPageNumber(), 6);
    EXPECT_EQ(Page->GetData(), EveryByteValuePage(6));
    EXPECT_TRUE(Log.ContainsInOrder({"Запросить страницу.", "Ответ повреждён*",
                                     "Повторный запрос страницы (2 из 3).",
                                     "Страница запрошена успешно."}));
}

// Noise that looks like a frame (a start marker, noise, an end marker) in the same burst just
// before every answer: its damaged package is passed over and the sound answer behind it is
// taken, for every command, at full speed and at the line's pace.
TEST_F(ReplyIntegrityTest, ADamagedFrameJustBeforeTheAnswerDoesNotHideIt) {
    const struct {
        const char* Name;
        std::size_t Bytes;
        std::uint32_t BaudRate;
    } Cases[] = {
        {"too short for a package", 4, 0},
        {"a head with a wrong length", 24, 0},
        {"a head with a wrong length, at 115200 baud", 24, 115200},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        TSimulatorOptions Options;
        Options.BrokenFrameBytes = Case.Bytes;
        Options.BaudRate = Case.BaudRate;
        Start(Options);
        TMemoryPage Image;
        Image.Fill(6, 6 * 528, EveryByteValuePage(6));
        std::string Identification;
        Protocol->Initialize(Identification);
        EXPECT_EQ(Identification, "Velmora simulator 1.0");
        EXPECT_TRUE(Protocol->TransferPage(6, Image));
        EXPECT_TRUE(Protocol->WritePage(6));
        EXPECT_TRUE(Protocol->ComparePage(6));
        const std::shared_ptr<IMemoryPage> Page = ReadPage(6);
        ASSERT_NE(Page, nullptr);
        EXPECT_EQ(Page->GetData(), EveryByteValuePage(6));
        EXPECT_TRUE(Protocol->DeletePage(6));
        EXPECT_EQ(Simulator->GetRequestCount(), 7u);
        EXPECT_EQ(Simulator->GetPage(6), TByteArray(528, 0xFF));
        EXPECT_TRUE(Log.ContainsInOrder(
            {"Отброшен повреждённый пакет, за которым пришёл целый ответ*",
             "Результат инициализации: Velmora simulator 1.0.", "Страница 6 удалена успешно."}));
        EXPECT_FALSE(Log.ContainsInOrder({"Ответ повреждён*"}));
    }
}

// With no sound answer behind it, a damaged package is the answer: the request fails as
// damaged once the line has gone quiet, long before its time-out.
TEST_F(ReplyIntegrityTest, ADamagedFrameWithNoSoundAnswerBehindItFailsAsDamaged) {
    TSimulatorOptions Options;
    Options.BrokenFrameBytes = 24;
    Options.CutRepliesTo = 5;
    Start(Options);
    EXPECT_THROW(Protocol->WritePage(3), EDamagedReply);
    EXPECT_TRUE(Log.ContainsInOrder({"Записать страницу 3.", "Ответ повреждён*"}));
    EXPECT_FALSE(Log.ContainsInOrder({"Package wait time out*"}));
}

TEST_F(ReplyIntegrityTest, APageOfTheWrongLengthWithAGoodChecksumIsDamaged) {
    TSimulatorOptions Options;
    Options.ForcedReplies[SimCmdRequest] = 0x65; // page data without any data
    Start(Options);
    std::shared_ptr<IMemoryPage> Page;
    EXPECT_THROW(Protocol->RequestPage(Page), EDamagedReply);
    EXPECT_TRUE(Log.Contains("Ответ повреждён: в странице 0 байт вместо 528."));
}

// The late answer to a compare that timed out must not answer the next compare.
void ExpectLateCompareAnswerIsDropped(TProtocolManager& Protocol, const TTestLog& Log,
                                      int FirstPage, int SecondPage) {
    EXPECT_THROW(Protocol.ComparePage(FirstPage), EBurnerNotPlugged);
    EXPECT_TRUE(Protocol.ComparePage(SecondPage));
    EXPECT_TRUE(Log.ContainsInOrder({"Отброшен запоздавший ответ на прежний запрос*"}));
}

TEST_F(ReplyIntegrityTest, LateReplyOfABoardThatDoesNotEchoNumbersIsToldByItsPage) {
    TSimulatorOptions Options;
    Options.EchoNumbers = false;
    Options.LateFrames = {1};
    Start(Options);
    // Page 0 differs from the programmer's erased buffer, page 1 does not.
    Simulator->SetPage(0, EveryByteValuePage(1));
    ExpectLateCompareAnswerIsDropped(*Protocol, Log, 0, 1);
}

TEST_F(ReplyIntegrityTest, LateReplyOfABoardThatEchoesNumbersIsToldByItsNumber) {
    TSimulatorOptions Options;
    Options.LateFrames = {4};
    Start(Options);
    // Three answers that echo their numbers: from now on the number tells replies apart, even
    // for the same command on the same page.
    for (int Page = 10; Page < 13; ++Page) {
        ASSERT_TRUE(Protocol->DeletePage(Page));
    }
    Simulator->SetPage(0, EveryByteValuePage(1));
    EXPECT_THROW(Protocol->ComparePage(0), EBurnerNotPlugged);
    Simulator->SetPage(0, TByteArray(528, 0xFF));
    EXPECT_TRUE(Protocol->ComparePage(0));
    EXPECT_TRUE(Log.ContainsInOrder({"Отброшен запоздавший ответ на прежний запрос: number 4*"}));
}

TEST_F(ReplyIntegrityTest, LateSuccessOfAnotherCommandDoesNotHideARefusal) {
    TSimulatorOptions Options;
    Options.LateFrames = {1};
    Options.ForcedReplies[SimCmdWrite] = 0x23;
    Start(Options);
    EXPECT_THROW(Protocol->DeletePage(4), EBurnerNotPlugged);
    // The late erase success names another command: the write gets its own answer, a refusal.
    EXPECT_THROW(Protocol->WritePage(4), EMicroControllerOperationError);
    EXPECT_FALSE(Log.Contains("Страница 4 записана успешно."));
}

} // namespace
