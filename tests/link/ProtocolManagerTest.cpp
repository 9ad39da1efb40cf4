// The command set against the programmer simulator over a real pseudo-terminal: what goes on
// the wire, how replies are judged, what is logged.
#include "link/Protocol.h"

#include "image/MemoryMapObjects.h"
#include "link/ConnectionManager.h"
#include "link/DeviceManager.h"
#include "tests/support/Programmer.h"
#include "tests/support/TestBytes.h"
#include "tests/support/TestLog.h"
#include "tests/support/ThrownMessage.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <typeinfo>

namespace {

class ProtocolManagerTest : public ::testing::Test {
protected:
    // (Re)starts a simulator with Options and a protocol manager on its port.
    void Start(TSimulatorOptions Options = {}) {
        Protocol.reset();
        Simulator = StartSimulator(Recording(std::move(Options)));
        Protocol = std::make_unique<TProtocolManager>(Simulator->GetPortPath(), nullptr, Log);
    }

    static TMemoryPage MakePage(int PageNumber, const TByteArray& Data) {
        TMemoryPage Page;
        Page.Fill(PageNumber, PageNumber * 528, Data);
        return Page;
    }

    // Declared first: the log outlives the link that writes to it.
    TTestLog Log;
    std::unique_ptr<TProgrammerSimulator> Simulator;
    std::unique_ptr<TProtocolManager> Protocol;
};

TEST_F(ProtocolManagerTest, EveryCommandSucceedsWithTheFramesOfThePackageLayer) {
    TSimulatorOptions Options;
    // Single-byte text as the board sends it; taken over byte for byte.
    Options.IdentificationText = "Board \xC0\xE1\x01 7";
    Start(Options);

    std::string Answer = "previous";
    Protocol->Initialize(Answer);
    EXPECT_EQ(Answer, Options.IdentificationText);

    const TByteArray Data = EveryByteValuePage(3);
    EXPECT_TRUE(Protocol->TransferPage(5, MakePage(5, Data)));
    EXPECT_TRUE(Protocol->WritePage(5));
    EXPECT_EQ(Simulator->GetPage(5), Data);
    EXPECT_TRUE(Protocol->ComparePage(5));
    EXPECT_TRUE(Protocol->DeletePage(5));
    EXPECT_EQ(Simulator->GetPage(5), TByteArray(528, 0xFF));

    // Only the low 16 bits of a page number count.
    Simulator->SetPage(7, EveryByteValuePage(9));
    EXPECT_TRUE(Protocol->ReadPage(0x10000 + 7));
    std::shared_ptr<IMemoryPage> Received;
    Protocol->RequestPage(Received);
    ASSERT_NE(Received, nullptr);
    EXPECT_EQ(Received->GetPageNumber(), 7);
    EXPECT_EQ(Received->GetAddress(), 3696);
    EXPECT_EQ(Received->GetData(), EveryByteValuePage(9));

    const std::vector<TByteArray> Expected = {
        Hex("AA 01 F0 00 00 00 00 0F 55 FF"),
        WireFrame(2, 0x10, 5, Data),
        WireFrame(3, 0x20, 5),
        WireFrame(4, 0x40, 5),
        WireFrame(5, 0x50, 5),
        WireFrame(6, 0x30, 7),
        WireFrame(7, 0x60, 0),
    };
    const std::vector<TSimulatorRequest> Requests = Simulator->GetRequests();
    ASSERT_EQ(Requests.size(), Expected.size());
    for (std::size_t i = 0; i < Expected.size(); ++i) {
        EXPECT_EQ(Requests[i].Frame, Expected[i]) << "request " << i;
        EXPECT_TRUE(Requests[i].IsWellFormed()) << "request " << i;
    }

    EXPECT_TRUE(Log.ContainsInOrder({"",
                                     "Инициализация.",
                                     "Записано в COM порт*",
                                     "Получено из COM порта*",
                                     "Получен пакет*",
                                     "Результат инициализации: " + Options.IdentificationText + ".",
                                     "",
                                     "Передать страницу 5.",
                                     "Страница 5 передана успешно.",
                                     "Записать страницу 5.",
                                     "Страница 5 записана успешно.",
                                     "Сравнить страницу 5.",
                                     "Страница 5 сравнена успешно.",
                                     "",
                                     "Удалить страницу 5.",
                                     "Записано в COM порт*",
                                     "Получен пакет*",
                                     "Страница 5 удалена успешно.",
                                     "",
                                     "Прочесть страницу 7.",
                                     "Страница 7 прочтена успешно.",
                                     "Запросить страницу.",
                                     "Страница запрошена успешно.",
                                     ""}));
}

// One command answered with a forced reply code, and what it must raise: its class, its
// sentence, and the page the failure names (none for the commands without a page of their own).
struct TErrorCase {
    const char* Operation;
    std::uint8_t Command;
    std::uint8_t Reply;
    const std::type_info* Type;
    const char* Message;
    std::optional<int> Page;
};

TEST_F(ProtocolManagerTest, RepliesMapToTheirErrorsInOrderNamingPageCommandAndReply) {
    const TErrorCase Cases[] = {
        {"write", 0x20, 0x02, &typeid(EConnectionError), "Ошибка связи.", 3},
        {"write", 0x20, 0x44, &typeid(ECompareError), "Ошибка сравнения образа.", 3},
        {"write", 0x20, 0xF7, &typeid(EInitializeError), "Ошибка инициализации.", 3},
        {"write", 0x20, 0x13, &typeid(EMicroControllerOperationError),
         "Ошибка работы с контроллером.", 3},
        {"write", 0x20, 0xF3, &typeid(EMicroControllerOperationError),
         "Ошибка работы с контроллером.", 3},
        {"write", 0x20, 0x99, &typeid(EUnknownDeviceError), "Неизвестная ошибка.", 3},
        {"write", 0x20, 0x00, &typeid(EUnknownDeviceError), "Неизвестная ошибка.", 3},
        {"transfer", 0x10, 0x02, &typeid(EConnectionError), "Ошибка связи.", 3},
        {"read", 0x30, 0x33, &typeid(EMicroControllerOperationError),
         "Ошибка работы с контроллером.", 3},
        {"compare", 0x40, 0x43, &typeid(EMicroControllerOperationError),
         "Ошибка работы с контроллером.", 3},
        {"delete", 0x50, 0x65, &typeid(EUnknownDeviceError), "Неизвестная ошибка.", 3},
        {"initialize", 0xF0, 0xF1, &typeid(EUnknownDeviceError), "Неизвестная ошибка.", {}},
        {"initialize", 0xF0, 0xF7, &typeid(EInitializeError), "Ошибка инициализации.", {}},
        {"request", 0x60, 0x61, &typeid(EUnknownDeviceError), "Неизвестная ошибка.", {}},
        {"request", 0x60, 0x02, &typeid(EConnectionError), "Ошибка связи.", {}},
    };
    const std::map<std::string, std::function<void(TProtocolManager&)>> Operations = {
        {"write", [](TProtocolManager& P) { P.WritePage(3); }},
        {"transfer",
         [](TProtocolManager& P) { P.TransferPage(3, MakePage(3, EveryByteValuePage(1))); }},
        {"read", [](TProtocolManager& P) { P.ReadPage(3); }},
        {"compare", [](TProtocolManager& P) { P.ComparePage(3); }},
        {"delete", [](TProtocolManager& P) { P.DeletePage(3); }},
        {"initialize",
         [](TProtocolManager& P) {
             std::string Answer;
             P.Initialize(Answer);
         }},
        {"request",
         [](TProtocolManager& P) {
             std::shared_ptr<IMemoryPage> Page;
             P.RequestPage(Page);
         }},
    };
    for (const TErrorCase& Case : Cases) {
        SCOPED_TRACE(std::string(Case.Operation) + " answered " + std::to_string(Case.Reply));
        TSimulatorOptions Options;
        Options.ForcedReplies[Case.Command] = Case.Reply;
        Start(Options);
        try {
            Operations.at(Case.Operation)(*Protocol);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& Error) {
            EXPECT_EQ(typeid(Error), *Case.Type) << typeid(Error).name();
            EXPECT_STREQ(Error.Message(), Case.Message);
            EXPECT_EQ(Error.Details().Page, Case.Page);
            EXPECT_EQ(Error.Details().Command, Case.Command);
            EXPECT_EQ(Error.Details().Reply, Case.Reply);
            // The failure with its details closes the command's records in the log.
            EXPECT_TRUE(Log.Contains(Error.what())) << Error.what();
        }
    }
    for (const char* Success : {"Страница 3 передана успешно.", "Страница 3 записана успешно.",
                                "Страница 3 прочтена успешно.", "Страница 3 сравнена успешно.",
                                "Страница 3 удалена успешно.", "Страница запрошена успешно."}) {
        EXPECT_FALSE(Log.Contains(Success)) << Success;
    }
}

TEST_F(ProtocolManagerTest, PageCommandsSucceedOnLowNibbleOneWhateverTheyEcho) {
    TSimulatorOptions Options;
    Options.ForcedReplies = {{0x10, 0x21}, {0x20, 0x51}, {0x30, 0xF1}, {0x40, 0x11}, {0x50, 0x01}};
    Start(Options);
    EXPECT_TRUE(Protocol->TransferPage(1, MakePage(1, EveryByteValuePage(2))));
    EXPECT_TRUE(Protocol->WritePage(1));
    EXPECT_TRUE(Protocol->ReadPage(1));
    EXPECT_TRUE(Protocol->ComparePage(1));
    EXPECT_TRUE(Protocol->DeletePage(1));
}

TEST_F(ProtocolManagerTest, ComparePageReportsADifferenceAsFalseWithoutSuccessText) {
    Start();
    ASSERT_TRUE(Protocol->TransferPage(9, MakePage(9, EveryByteValuePage(4))));
    // The chip page is erased, the buffer is not: the board answers 0x44.
    EXPECT_FALSE(Protocol->ComparePage(9));
    // The simulator records a reply once it has written it, which may be after we read it.
    ASSERT_TRUE(Simulator->WaitForHandledRequests(2, TestWaitBoundMs));
    EXPECT_EQ(Simulator->GetReplies().back().Command, 0x44);
    EXPECT_TRUE(Log.ContainsInOrder({"", "Сравнить страницу 9.", "Получен пакет*"}));
    EXPECT_FALSE(Log.Contains("Страница 9 сравнена успешно."));
}

TEST_F(ProtocolManagerTest, RequestPageWithUnknownPageNumberLeavesThePageEmpty) {
    TSimulatorOptions Options;
    Options.UnknownPages = {7};
    Start(Options);
    ASSERT_TRUE(Protocol->ReadPage(7));
    std::shared_ptr<IMemoryPage> Page = std::make_shared<TMemoryPage>();
    EXPECT_EQ(ThrownMessage<EUnknuwnPageNumber>([&] { Protocol->RequestPage(Page); }),
              "Программатор вернул страницу с неизвестным номером.");
    EXPECT_EQ(Page, nullptr);
    EXPECT_FALSE(Log.Contains("Страница запрошена успешно."));
}

TEST_F(ProtocolManagerTest, SilentProgrammerIsNotPlugged) {
    TSimulatorOptions Options;
    Options.NeverAnswer = true;
    Start(Options);
    EXPECT_EQ(ThrownMessage<EBurnerNotPlugged>([&] { Protocol->DeletePage(4); }),
              "Программатор не подключен. Страница 4, команда 50h.");
    EXPECT_TRUE(Log.ContainsInOrder({"", "Удалить страницу 4.", "Записано в COM порт*",
                                     "Package wait time out. Time out was: 1000.",
                                     "Программатор не подключен. Страница 4, команда 50h."}));
    EXPECT_FALSE(Log.Contains("Страница 4 удалена успешно."));

    // A page without bytes gets no time at all for its answer.
    EXPECT_THROW(Protocol->TransferPage(2, TMemoryPage()), EBurnerNotPlugged);
    EXPECT_TRUE(Log.ContainsInOrder({"Передать страницу 2.", "Записано в COM порт*",
                                     "Package wait time out. Time out was: 0."}));

    ASSERT_TRUE(Simulator->WaitForHandledRequests(2, TestWaitBoundMs));
    const std::vector<TSimulatorRequest> Requests = Simulator->GetRequests();
    ASSERT_EQ(Requests.size(), 2u);
    EXPECT_EQ(Requests[0].Frame, WireFrame(1, 0x50, 4));
    EXPECT_EQ(Requests[1].Frame, WireFrame(2, 0x10, 2));
}

TEST_F(ProtocolManagerTest, HangUpInTheMiddleOfASequenceEndsInNotPlugged) {
    TSimulatorOptions Options;
    Options.HangUpAfter = 3;
    Start(Options);
    for (int Page = 0; Page < 3; ++Page) {
        EXPECT_TRUE(Protocol->DeletePage(Page));
    }
    const auto Before = std::chrono::steady_clock::now();
    const std::uint64_t FailedBefore =
        Protocol->GetDeviceManager().GetConnectionManager().GetFailedReadCount();
    EXPECT_THROW(Protocol->DeletePage(3), EBurnerNotPlugged);
    const auto ElapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - Before)
                               .count();
    EXPECT_TRUE(Simulator->HasHungUp());
    // The read thread keeps failing on the dead line, but pauses between attempts instead of
    // spinning (a spinning loop fails hundreds of thousands of times per second).
    const std::uint64_t FailedReads =
        Protocol->GetDeviceManager().GetConnectionManager().GetFailedReadCount() - FailedBefore;
    EXPECT_LE(FailedReads, static_cast<std::uint64_t>(ElapsedMs / 10 + 10));
    // Destruction follows in the fixture: it must neither hang nor crash.
}

} // namespace
