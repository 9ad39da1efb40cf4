#include "logging/LogManager.h"

#include "common/Exception.h"
#include "platform/AppDataFolder.h"
#include "tests/logging/LogManagerFixture.h"
#include "tests/support/TestLog.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST_F(LogManagerTest, FirstRunCreatesFolderAndNumbersRecordsFromOne) {
    const std::string Path = TLogManager::DefaultFileName();
    EXPECT_EQ(Path, DataHome + "/Velmora/Velmora.log");
    TLogManager Log(Path);
    ASSERT_TRUE(Log.CanWrite());
    EXPECT_EQ(Log.GetFileName(), Path);
    EXPECT_TRUE(Log.WriteMessage("Первая запись"));
    EXPECT_TRUE(Log.WriteMessage(""));

    const std::vector<std::string> Records = Lines(ReadFile(Path));
    ASSERT_EQ(Records.size(), 2u);
    EXPECT_EQ(TextOf(Records[0], 1), "Первая запись");
    // An empty text still has a number and a time stamp and ends with TAB CR LF.
    EXPECT_EQ(TextOf(Records[1], 2), "");
    EXPECT_EQ(Records[1].back(), '\t');
}

TEST_F(LogManagerTest, ExistingLogIsEmptiedAtStart) {
    const std::string Path = TLogManager::DefaultFileName();
    ASSERT_TRUE(EnsureFolderExists(GetProgramDataFolder()));
    std::ofstream(Path) << "the previous run's log\r\n";
    std::ofstream(Path + ".1") << "the previous run's older log\r\n";
    TLogManager Log(Path);
    ASSERT_TRUE(Log.CanWrite());
    EXPECT_EQ(ReadFile(Path), "");
    EXPECT_FALSE(std::filesystem::exists(Path + ".1"));
    Log.WriteMessage("x");
    EXPECT_EQ(TextOf(Lines(ReadFile(Path)).at(0), 1), "x");
}

// After every record: the current file stays within the limit unless it holds that record
// alone, it moved aside only when the record did not fit, and the older file and the current
// one hold consecutive whole records up to the last one written.
TEST_F(LogManagerTest, FullFileMovesAsideAndTheNumberingGoesOn) {
    const std::string Path = TLogManager::DefaultFileName();
    for (const std::uint64_t Limit : {std::uint64_t{200}, std::uint64_t{1}}) {
        TLogManager Log(Path, Limit);
        EXPECT_EQ(Log.GetLimit(), Limit);
        std::uintmax_t Before = 0;
        for (int Number = 1; Number <= 30; ++Number) {
            const std::string Text(Number == 12 ? 300 : Number % 7 * 15, 'a');
            ASSERT_TRUE(Log.WriteMessage(Text));
            if (Number == 1) {
                EXPECT_FALSE(std::filesystem::exists(Log.GetOlderFileName())) << "empty file moved";
            }
            const std::uintmax_t Size = std::filesystem::file_size(Path);
            const std::vector<std::string> Current = Lines(ReadFile(Path));
            EXPECT_TRUE(Size <= Limit || Current.size() == 1) << Limit << " " << Number;
            if (Current.size() == 1 && Number > 1) {
                EXPECT_GT(Before + Size, Limit) << "moved aside too early: " << Number;
                EXPECT_EQ(std::filesystem::file_size(Log.GetOlderFileName()), Before);
            }
            const std::vector<std::string> Records = BothFiles(Log);
            ASSERT_FALSE(Records.empty());
            const int First = NumberOf(Records.front());
            EXPECT_EQ(First + static_cast<int>(Records.size()) - 1, Number);
            for (std::size_t Index = 0; Index < Records.size(); ++Index) {
                TextOf(Records[Index], First + static_cast<int>(Index));
            }
            EXPECT_EQ(TextOf(Records.back(), Number), Text);
            Before = Size;
        }
        EXPECT_TRUE(std::filesystem::exists(Log.GetOlderFileName()));
    }
}

// A batch, from any thread, reaches the file at its end, whole and in order, and the limit
// still moves the file aside at the record that does not fit.
TEST_F(LogManagerTest, BatchedRecordsAreWrittenAtTheBatchEndWithinTheLimit) {
    const std::string Path = TLogManager::DefaultFileName();
    TLogManager Log(Path, 200);
    Log.WriteMessage("before");
    const std::string Written = ReadFile(Path);
    {
        TLogBatch Batch(Log);
        for (int Number = 0; Number < 6; ++Number) {
            std::thread([&Log, Number] { Log.WriteMessage(std::string(40, 'a' + Number)); }).join();
            if (Number == 1) {
                EXPECT_EQ(ReadFile(Path), Written) << "written before the batch ended";
            }
        }
        Batch.Close();
    }
    const std::vector<std::string> Records = BothFiles(Log);
    ASSERT_EQ(Records.size(), 7u);
    EXPECT_EQ(TextOf(Records[0], 1), "before");
    for (int Number = 0; Number < 6; ++Number) {
        EXPECT_EQ(TextOf(Records[Number + 1], Number + 2), std::string(40, 'a' + Number));
    }
    EXPECT_TRUE(std::filesystem::exists(Log.GetOlderFileName()));
    EXPECT_LE(std::filesystem::file_size(Path), 200u);
}

// A long batch (a whole operation's pages) does not keep its records to the end: once they fill
// the batch's write size they are in the file, in order, and nothing is written twice.
TEST_F(LogManagerTest, LongBatchWritesItsRecordsOnceTheyFillTheWriteSize) {
    const std::string Path = TLogManager::DefaultFileName();
    TLogManager Log(Path);
    const std::string Text(100, 'r');
    TLogBatch Batch(Log);
    int Records = 0;
    while (ReadFile(Path).empty()) {
        ASSERT_LE(Records * Text.size(), 2 * BatchWriteSize) << "nothing written yet";
        Log.WriteMessage(Text);
        ++Records;
    }
    Log.WriteMessage("last");
    Batch.Close();
    const std::vector<std::string> Written = BothFiles(Log);
    ASSERT_EQ(Written.size(), static_cast<std::size_t>(Records) + 1);
    EXPECT_EQ(TextOf(Written.back(), Records + 1), "last");
}

// A continued log keeps the earlier runs' records and their older file, and its limit counts
// what was there.
TEST_F(LogManagerTest, ContinuedLogFollowsTheEarlierRunsWithinTheLimit) {
    const std::string Path = TLogManager::DefaultFileName();
    {
        TLogManager First(Path, 200);
        First.WriteMessage(std::string(100, 'a'));
    }
    const std::string FirstRun = ReadFile(Path);
    {
        TLogManager Second(Path, 200, true);
        ASSERT_TRUE(Second.CanWrite());
        EXPECT_EQ(ReadFile(Path), FirstRun);
        Second.WriteMessage(std::string(100, 'b'));
    }
    EXPECT_EQ(ReadFile(Path + ".1"), FirstRun);
    {
        TLogManager Third(Path, 1000, true);
        Third.WriteMessage("c");
    }
    EXPECT_EQ(ReadFile(Path + ".1"), FirstRun);
    const std::vector<std::string> Records = Lines(ReadFile(Path));
    ASSERT_EQ(Records.size(), 2u);
    EXPECT_EQ(TextOf(Records[0], 1), std::string(100, 'b'));
    EXPECT_EQ(TextOf(Records[1], 1), "c");
}

// The older file's name is taken by a folder that cannot be replaced: the log cannot move
// aside, says so once and stops instead of growing.
TEST_F(LogManagerTest, LogThatCannotMoveAsideStops) {
    const std::string Path = TLogManager::DefaultFileName();
    std::filesystem::create_directories(Path + ".1/kept");
    TLogManager Log(Path, 100);
    ASSERT_TRUE(Log.WriteMessage(std::string(60, 'a')));
    EXPECT_THROW(Log.WriteMessage(std::string(60, 'b')), Exception);
    EXPECT_FALSE(Log.CanWrite());
    EXPECT_FALSE(Log.WriteMessage("c"));
    EXPECT_EQ(TextOf(Lines(ReadFile(Path)).at(0), 1), std::string(60, 'a'));
    EXPECT_TRUE(std::filesystem::exists(Path + ".1/kept"));
}

TEST(ParseLogLimit, ReadsBytesAndBinaryMultiplesAndRejectsTheRest) {
    const std::pair<const char*, std::optional<std::uint64_t>> Cases[] = {
        {"1", 1},
        {"4096", 4096},
        {"4K", 4096},
        {"4k", 4096},
        {"64M", 64ull << 20},
        {"3g", 3ull << 30},
        {"18446744073709551615", 18446744073709551615ull},
        {"17179869183G", 17179869183ull << 30},
        {"18446744073709551616", std::nullopt},
        {"17179869184G", std::nullopt},
        {"0", std::nullopt},
        {"0K", std::nullopt},
        {"", std::nullopt},
        {"K", std::nullopt},
        {"-1", std::nullopt},
        {"+1", std::nullopt},
        {" 1", std::nullopt},
        {"1 ", std::nullopt},
        {"1.5M", std::nullopt},
        {"1KB", std::nullopt},
        {"1T", std::nullopt},
        {"0x10", std::nullopt},
        {"abc", std::nullopt},
    };
    for (const auto& [Text, Expected] : Cases) {
        EXPECT_EQ(ParseLogLimit(Text), Expected) << '"' << Text << '"';
    }
}

TEST_F(LogManagerTest, SecondInstanceIsOffAndKeepsTheFirstOnesLog) {
    const std::string Path = TLogManager::DefaultFileName();
    TLogManager First(Path);
    ASSERT_TRUE(First.WriteMessage("first"));
    TLogManager Second(Path);
    EXPECT_FALSE(Second.CanWrite());
    EXPECT_FALSE(Second.WriteMessage("second"));
    EXPECT_FALSE(Second.WriteBytes({1, 2}, "c"));
    ASSERT_TRUE(First.WriteMessage("again"));
    const std::vector<std::string> Records = Lines(ReadFile(Path));
    ASSERT_EQ(Records.size(), 2u);
    EXPECT_EQ(TextOf(Records[0], 1), "first");
    EXPECT_EQ(TextOf(Records[1], 2), "again");
}

TEST_F(LogManagerTest, UnwritablePathTurnsLoggingOffWithoutThrowing) {
    const std::string Blocker = DataHome + "/file";
    std::ofstream(Blocker) << "x";
    TLogManager Log(Blocker + "/sub/Velmora.log");
    EXPECT_FALSE(Log.CanWrite());
    EXPECT_EQ(Log.GetFileName(), "");
    EXPECT_FALSE(Log.WriteMessage("lost"));
}

// A log that is off takes records and writes nothing anywhere.
TEST_F(LogManagerTest, ALogThatIsOffTakesRecordsAndWritesNoFile) {
    TLogManager Off;
    EXPECT_FALSE(Off.CanWrite());
    EXPECT_FALSE(Off.WriteMessage("nothing"));
    EXPECT_FALSE(Off.WriteBytes({1}, "nothing"));
    {
        TLogBatch Batch(Off);
        Off.WriteMessage("kept");
    }
    EXPECT_TRUE(std::filesystem::is_empty(DataHome));
}

// The text of one WriteBytes record, read back from the file.
std::string WrittenBytes(const std::string& Path, bool Hex, const TByteArray& Bytes,
                         const std::string& Caption) {
    TLogManager Log(Path);
    Log.HexMode = Hex;
    EXPECT_TRUE(Log.WriteBytes(Bytes, Caption));
    const std::string Content = ReadFileText(Path);
    const auto Text = Content.find('\t', Content.find('\t') + 1) + 1;
    EXPECT_EQ(Content.substr(Content.size() - 2), "\r\n");
    return Content.substr(Text, Content.size() - 2 - Text);
}

std::string HexValues(int From, int To) {
    std::string Result;
    for (int Value = From; Value <= To; ++Value) {
        char Buffer[4];
        std::snprintf(Buffer, sizeof Buffer, "%02X ", Value);
        Result += Buffer;
    }
    return Result;
}

TEST_F(LogManagerTest, BytesAreFormattedAsTheLogExpects) {
    const std::string Path = TLogManager::DefaultFileName();
    TByteArray Count41(41), Count81(81);
    for (int Index = 0; Index < 81; ++Index) {
        Count81[Index] = static_cast<std::uint8_t>(Index);
        if (Index < 41) {
            Count41[Index] = static_cast<std::uint8_t>(Index);
        }
    }
    struct Case {
        bool Hex;
        TByteArray Bytes;
        std::string Expected;
    };
    const std::vector<Case> Cases = {
        {true, {0xAA, 0x01, 0x55}, "Записано в COM порт: [ (Hex mode) AA 01 55  ]"},
        {true, {}, "Записано в COM порт: [ (Hex mode)  ]"},
        {false, {0, 10, 255}, "Записано в COM порт: [ 0 10 255  ]"},
        {false, {}, "Записано в COM порт: [  ]"},
        {true, Count41, "Записано в COM порт: [ (Hex mode) " + HexValues(0, 40) + "\r\n ]"},
        {true, Count81,
         "Записано в COM порт: [ (Hex mode) " + HexValues(0, 40) + "\r\n" + HexValues(41, 80) +
             "\r\n ]"},
    };
    for (const Case& Each : Cases) {
        EXPECT_EQ(WrittenBytes(Path, Each.Hex, Each.Bytes, "Записано в COM порт"), Each.Expected)
            << "bytes: " << Each.Bytes.size() << " hex: " << Each.Hex;
    }
}

// Also with a limit small enough to move the file aside many times while the writers run.
TEST_F(LogManagerTest, ConcurrentWritersProduceWholeConsecutiveRecords) {
    const std::string Path = TLogManager::DefaultFileName();
    constexpr int Threads = 4;
    constexpr int PerThread = 300;
    for (const std::uint64_t Limit : {DefaultLogLimit, std::uint64_t{4096}}) {
        TLogManager Log(Path, Limit);
        Log.HexMode = true;
        std::vector<std::thread> Writers;
        std::atomic<int> Started{0}; // the writers begin together, once all are running
        for (int Thread = 0; Thread < Threads; ++Thread) {
            Writers.emplace_back([&Log, &Started, Thread] {
                ++Started;
                // Bounded: a writer that never started must not hold the others for ever.
                WaitUntil([&Started] { return Started == Threads; });
                for (int Index = 0; Index < PerThread; ++Index) {
                    if (Index % 2 == 0) {
                        Log.WriteMessage("thread " + std::to_string(Thread) + " message " +
                                         std::to_string(Index));
                    } else {
                        Log.WriteBytes(TByteArray(60, static_cast<std::uint8_t>(Thread)),
                                       "thread " + std::to_string(Thread));
                    }
                }
            });
        }
        for (std::thread& Writer : Writers) {
            Writer.join();
        }
        // A bytes record has one continuation line; each record must be complete and in order.
        // After the file moved aside, where each thread's records begin is only known from its
        // first message record (messages have even indexes, bytes records odd ones).
        EXPECT_EQ(std::filesystem::exists(Log.GetOlderFileName()), Limit != DefaultLogLimit);
        const std::vector<std::string> Lines = BothFiles(Log);
        ASSERT_FALSE(Lines.empty());
        int Number = NumberOf(Lines.front());
        std::vector<int> NextIndex(Threads, Number == 1 ? 0 : -1);
        for (std::size_t Line = 0; Line < Lines.size(); ++Line, ++Number) {
            const std::string Text = TextOf(Lines[Line], Number);
            int Thread = -1, Index = -1;
            if (std::sscanf(Text.c_str(), "thread %d message %d", &Thread, &Index) == 2) {
                ASSERT_EQ(Text,
                          "thread " + std::to_string(Thread) + " message " + std::to_string(Index));
            } else {
                ASSERT_EQ(std::sscanf(Text.c_str(), "thread %d", &Thread), 1) << Text;
                char Value[4];
                std::snprintf(Value, sizeof Value, "%02X ", Thread);
                std::string First, Second;
                for (int Each = 0; Each < 60; ++Each) {
                    (Each <= 40 ? First : Second) += Value;
                }
                ASSERT_EQ(Text, "thread " + std::to_string(Thread) + ": [ (Hex mode) " + First);
                ASSERT_LT(Line + 1, Lines.size());
                ASSERT_EQ(Lines[++Line], Second + " ]");
                Index = NextIndex.at(Thread);
                ASSERT_TRUE(Index < 0 || Index % 2 == 1) << "bytes record out of order";
            }
            if (NextIndex.at(Thread) >= 0) {
                ASSERT_EQ(Index, NextIndex.at(Thread)) << "records of one thread out of order";
            }
            NextIndex[Thread] = Index < 0 ? -1 : Index + 1;
        }
        EXPECT_EQ(Number - 1, Threads * PerThread);
    }
}

} // namespace
