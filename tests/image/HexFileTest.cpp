#include "common/ResourseStrings.h"
#include "image/HexFileObjects.h"
#include "image/HexFileToMemoryMapConverter.h"
#include "image/HexToInt.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs Action and tells which exception family it raised, by the most specific type; the
// message goes to Message when given.
std::string RaisedBy(const std::function<void()>& Action, std::string* Message = nullptr) {
    try {
        try {
            Action();
        } catch (const EHexFileException& Error) {
            if (Message != nullptr) {
                *Message = Error.what();
            }
            throw;
        }
    } catch (const EWrongHexStringCS&) {
        return "EWrongHexStringCS";
    } catch (const EOddHexStringLength&) {
        return "EOddHexStringLength";
    } catch (const EHexStringIsTooShort&) {
        return "EHexStringIsTooShort";
    } catch (const EWrongHexDataLength&) {
        return "EWrongHexDataLength";
    } catch (const EFileIsEmpty&) {
        return "EFileIsEmpty";
    } catch (const EWrongExtendedAddress&) {
        return "EWrongExtendedAddress";
    } catch (const EHexFileException&) {
        return "EHexFileException";
    }
    return "";
}

std::vector<std::string> RecordTexts(const THexFile& File) {
    std::vector<std::string> Texts;
    for (std::int32_t Index = 0; Index < File.GetCount(); ++Index) {
        Texts.push_back(File.GetLine(Index).ToText());
    }
    return Texts;
}

std::vector<std::string> FileNamesIn(const std::string& Folder) {
    std::vector<std::string> Names;
    DIR* Directory = ::opendir(Folder.c_str());
    while (const dirent* Entry = ::readdir(Directory)) {
        const std::string Name = Entry->d_name;
        if (Name != "." && Name != "..") {
            Names.push_back(Name);
        }
    }
    ::closedir(Directory);
    return Names;
}

// The pipe on which a writer stopped by ReportAndWaitForTheEnd reports.
int StoppedWriterPipe = -1;

// A SIGXFSZ handler: tells the test through the pipe that the writer is inside a write, then
// keeps it there until it is killed.
void ReportAndWaitForTheEnd(int) {
    const char Byte = 1;
    if (::write(StoppedWriterPipe, &Byte, 1) == 1) {
        for (;;) {
            ::pause();
        }
    }
}

} // namespace

TEST(HexToInt, ReadsUpperAndLowerCaseAndGivesZeroForOtherText) {
    const std::pair<const char*, int> Cases[] = {
        {"", 0}, {"00", 0}, {"FF", 255}, {"ff", 255}, {"1a", 26}, {"A0", 160}, {"G1", 0}, {"1 ", 0},
    };
    for (const auto& [Text, Value] : Cases) {
        EXPECT_EQ(HexToInt(Text), Value) << Text;
    }
}

TEST(HexLine, ParsesWellFormedLines) {
    struct TCase {
        const char* Text;
        std::uint8_t Count;
        std::uint16_t Address;
        std::uint8_t Type;
        TByteArray Data;
        std::uint8_t CheckSum;
        const char* Written;
    };
    const TCase Cases[] = {
        {":020000040000FA", 2, 0, 4, {0, 0}, 0xFA, ":020000040000FA"},
        {"X020000040000FA", 2, 0, 4, {0, 0}, 0xFA, ":020000040000FA"},
        {":020000040000fa", 2, 0, 4, {0, 0}, 0xFA, ":020000040000FA"},
        {":03000000010203F7", 3, 0, 0, {1, 2, 3}, 0xF7, ":03000000010203F7"},
        {":0112340000b9", 1, 0x1234, 0, {0}, 0xB9, ":0112340000B9"},
        {":00000001ff", 0, 0, 1, {}, 0xFF, ":00000001FF"},
    };
    for (const TCase& Case : Cases) {
        THexLine Line;
        Line.Parse(Case.Text, 1);
        EXPECT_EQ(Line.GetByteCount(), Case.Count) << Case.Text;
        EXPECT_EQ(Line.GetAddress(), Case.Address) << Case.Text;
        EXPECT_EQ(Line.GetRecordType(), Case.Type) << Case.Text;
        EXPECT_EQ(Line.GetData(), Case.Data) << Case.Text;
        EXPECT_EQ(Line.GetCheckSum(), Case.CheckSum) << Case.Text;
        EXPECT_EQ(Line.ToText(), Case.Written) << Case.Text;
    }
}

TEST(HexLine, RejectsMalformedLinesInTheOrderOfTheChecks) {
    const std::pair<const char*, const char*> Cases[] = {
        {":00000001F", "EHexStringIsTooShort"},       {"", "EHexStringIsTooShort"},
        {":020000040000F", "EOddHexStringLength"},    {":00000001FF ", "EOddHexStringLength"},
        {":0200000400", "EWrongHexStringCS"},         {":020000040000FB", "EWrongHexStringCS"},
        {":04000000010203F6", "EWrongHexDataLength"}, {"            ", "EOddHexStringLength"},
    };
    for (const auto& [Text, Raised] : Cases) {
        THexLine Line;
        EXPECT_EQ(RaisedBy([&] { Line.Parse(Text, 1); }), Raised) << '"' << Text << '"';
    }
}

TEST(HexLine, DataLengthErrorKeepsTheFieldsReadBeforeIt) {
    THexLine Line;
    EXPECT_THROW(Line.Parse(":04000000010203F6", 1), EWrongHexDataLength);
    EXPECT_EQ(Line.GetByteCount(), 4);
    EXPECT_EQ(Line.GetData(), (TByteArray{1, 2, 3}));
}

// Every character value at every position of a line, including those decoded several digits
// at a time: a pair holding anything but a hexadecimal digit gives 0, the other pairs their
// value.
TEST(HexLine, HexTextToBytesDecodesEveryCharacterAtEveryPosition) {
    const std::string Digits = "0123456789abcdefABCDEF0123456789FEDCBA9876543210a5";
    for (std::size_t Position = 0; Position < Digits.size(); ++Position) {
        for (int Character = 1; Character < 256; ++Character) {
            std::string Pairs = Digits;
            Pairs[Position] = static_cast<char>(Character);
            TByteArray Expected;
            for (std::size_t Pair = 0; Pair < Pairs.size(); Pair += 2) {
                Expected.push_back(static_cast<std::uint8_t>(HexToInt(Pairs.substr(Pair, 2))));
            }
            ASSERT_EQ(THexLine::HexTextToBytes(":" + Pairs), Expected)
                << "character " << Character << " at " << Position;
        }
    }
}

// Byte values across the whole range, at every position of the many-bytes-at-a-time encoding
// and after it.
TEST(HexLine, ToTextWritesEveryByteValueInUpperCase) {
    TByteArray Data(255);
    for (std::size_t Index = 0; Index < Data.size(); ++Index) {
        Data[Index] = static_cast<std::uint8_t>(Index * 7 + 3);
    }
    for (const std::size_t Length :
         {std::size_t{0}, std::size_t{15}, std::size_t{16}, std::size_t{33}, std::size_t{255}}) {
        THexLine Line;
        Line.SetByteCount(static_cast<std::uint8_t>(Length));
        Line.SetAddress(0xA1B2);
        Line.SetRecordType(0xC3);
        Line.SetData(TByteArray(Data.begin(), Data.begin() + Length));
        Line.SetCheckSum(0xD4);
        char Pair[3];
        std::snprintf(Pair, sizeof Pair, "%02X", static_cast<unsigned>(Length));
        std::string Expected = std::string(":") + Pair + "A1B2C3";
        for (std::size_t Index = 0; Index < Length; ++Index) {
            std::snprintf(Pair, sizeof Pair, "%02X", Data[Index]);
            Expected += Pair;
        }
        Expected += "D4";
        EXPECT_EQ(Line.ToText(), Expected) << Length;
        EXPECT_EQ(Line.TextLength(), Expected.size()) << Length;
    }
}

TEST(HexFile, AddRecordComputesCountAndCheckSum) {
    THexFile File;
    File.AddRecord(0x0020, 0, TByteArray(16, 0xFF));
    File.AddRecord(0, 4, {0x00, 0x00});
    ASSERT_EQ(File.GetCount(), 2);
    EXPECT_EQ(File.GetLine(0).ToText(), ":10002000" + std::string(32, 'F') + "E0");
    EXPECT_EQ(File.GetLine(1).ToText(), ":020000040000FA");
    EXPECT_THROW(File.GetLine(2), std::out_of_range);
    EXPECT_THROW(File.GetLine(-1), std::out_of_range);
}

TEST(HexFile, EndRecordEndsReadingOnlyWhenWrittenExactly) {
    THexFile File;
    File.LoadFromStrings({":0100000011EE", ":00000001FF", "garbage"});
    EXPECT_EQ(RecordTexts(File), (std::vector<std::string>{":0100000011EE"}));

    File.LoadFromStrings({":00000001ff", "", ":0100000011EE"});
    ASSERT_EQ(File.GetCount(), 2);
    EXPECT_EQ(File.GetLine(0).GetRecordType(), 1);
    EXPECT_TRUE(File.GetLine(0).GetData().empty());

    EXPECT_EQ(RaisedBy([&] { File.LoadFromStrings({":00000001FF "}); }), "EOddHexStringLength");
}

TEST(HexFile, FailingThirdLineKeepsTheRecordsBeforeIt) {
    THexFile File;
    EXPECT_EQ(RaisedBy([&] {
                  File.LoadFromStrings(
                      {":020000040000FA", ":0100000011EE", ":0100010022CC", ":0100020033CA"});
              }),
              "EWrongHexStringCS");
    ASSERT_EQ(File.GetCount(), 3);
    EXPECT_EQ(File.GetLine(1).ToText(), ":0100000011EE");
    // The failed record stays with the fields it got.
    EXPECT_EQ(File.GetLine(2).GetAddress(), 1);
}

class HexFileOnDisk : public ::testing::Test {
protected:
    TTempFolder Folder;
};

TEST_F(HexFileOnDisk, ReadsEveryKindOfLineEnd) {
    const std::vector<std::string> Expected{":020000040000FA", ":0100000011EE", ":0100010022DC"};
    const char* Texts[] = {
        ":020000040000FA\r\n:0100000011EE\r\n:0100010022DC\r\n:00000001FF\r\n",
        ":020000040000FA\n:0100000011EE\n:0100010022DC\n",
        ":020000040000FA\r:0100000011EE\r:0100010022DC\r",
        ":020000040000FA\r\n:0100000011EE\n:0100010022DC",
        ":020000040000fa\n\n:0100000011ee\r\n\r\n:0100010022dc\n:00000001FF",
    };
    for (const char* Text : Texts) {
        WriteFileText(Folder.File("a.ldr"), Text);
        THexFile File;
        File.LoadFromFile(Folder.File("a.ldr"));
        EXPECT_EQ(RecordTexts(File), Expected) << Text;
    }
}

// The line named counts every line of the file, blank ones and those of every line end
// included; the extended address is checked when the records are turned into pages.
TEST_F(HexFileOnDisk, ErrorOfALineNamesItsNumberInTheFile) {
    struct TCase {
        const char* Text;
        const char* Raised;
        const char* Message;
    };
    const TCase Cases[] = {
        {":020000040000FA\r\n\r\n:0100000011EF\r\n", "EWrongHexStringCS",
         "Строка 3: неверная контрольная сумма HEX строки (ожидалась EE, записана EF)."},
        {"\r\n\n\r:01000000f808\n", "EWrongHexStringCS",
         "Строка 4: неверная контрольная сумма HEX строки (ожидалась 07, записана 08)."},
        {":020000040000FA\r:0100000011E\r", "EOddHexStringLength",
         "Строка 2: нечетная длина HEX строки."},
        {":020000040000FA\n\n\n:01000000\n", "EHexStringIsTooShort",
         "Строка 4: слишком короткая HEX строка."},
        {":020000040000FA\r\n:04000000010203F6\r\n", "EWrongHexDataLength",
         "Строка 2: неверная длина HEX данных (предполагаемая длина 4, действительная длина 3)."},
        {"\n:0100000400FB\n\n:0100000011EE\n", "EWrongExtendedAddress",
         "Строка 2: неверная HEX строка расширенного адреса: нужно 2 байта данных."},
        {"\n:020000040000FA\n\n:0100000011EE\n\n\n:0100000400FB\n", "EWrongExtendedAddress",
         "Строка 7: неверная HEX строка расширенного адреса: нужно 2 байта данных."},
    };
    for (const TCase& Case : Cases) {
        WriteFileText(Folder.File("bad.ldr"), Case.Text);
        std::string Message;
        const std::string Raised = RaisedBy(
            [&] {
                auto File = std::make_shared<THexFile>();
                File->LoadFromFile(Folder.File("bad.ldr"));
                std::shared_ptr<IMemoryMap> Map;
                THexFileToMemoryMapConverter().HexToMemoryMap(File, 528, Map);
            },
            &Message);
        EXPECT_EQ(Raised, Case.Raised) << Case.Text;
        EXPECT_EQ(Message, Case.Message) << Case.Text;
    }
}

TEST_F(HexFileOnDisk, LargeFilesReadTheSameWithEveryLineEnd) {
    // About a megabyte: the file is read in pieces, so records cross the piece boundaries.
    THexFile Made;
    for (int Record = 0; Record < 12000; ++Record) {
        Made.AddRecord(static_cast<std::uint16_t>(Record * 32), 0,
                       TByteArray(32, static_cast<std::uint8_t>(Record)));
    }
    const std::vector<std::string> Expected = RecordTexts(Made);
    for (const char* Ending : {"\r\n", "\n", "\r"}) {
        std::string Text;
        for (const std::string& Line : Expected) {
            Text += Line + Ending;
        }
        WriteFileText(Folder.File("big.ldr"), Text);
        THexFile File;
        File.LoadFromFile(Folder.File("big.ldr"));
        EXPECT_EQ(RecordTexts(File), Expected) << "line end " << int(Ending[0]);
    }
}

TEST_F(HexFileOnDisk, MissingEmptyAndUnreadableFiles) {
    THexFile File;
    File.AddRecord(0, 0, {1});
    File.LoadFromFile(Folder.File("missing.ldr"));
    EXPECT_EQ(File.GetCount(), 0);

    File.AddRecord(0, 0, {1});
    WriteFileText(Folder.File("empty.ldr"), "");
    EXPECT_EQ(RaisedBy([&] { File.LoadFromFile(Folder.File("empty.ldr")); }), "EFileIsEmpty");
    EXPECT_EQ(File.GetCount(), 1);

    WriteFileText(Folder.File("blank.ldr"), "\r\n");
    File.LoadFromFile(Folder.File("blank.ldr"));
    EXPECT_EQ(File.GetCount(), 0);

    for (const std::string& Name : {Folder.Path(), std::string("/dev/zero")}) {
        try {
            File.LoadFromFile(Name);
            FAIL() << Name << " was read as an image file";
        } catch (const Exception& Error) {
            EXPECT_EQ(Error.what(), FormatText(SCannotReadFile, Name.c_str()));
        }
    }
}

TEST_F(HexFileOnDisk, VeryLongLineFailsWithoutHarm) {
    WriteFileText(Folder.File("long.ldr"), ":" + std::string(2'000'000, 'A') + "\n");
    THexFile File;
    EXPECT_EQ(RaisedBy([&] { File.LoadFromFile(Folder.File("long.ldr")); }), "EWrongHexStringCS");
}

TEST_F(HexFileOnDisk, SavesRecordsAndEndRecordWithCrLf) {
    THexFile File;
    File.SaveToFile(Folder.File("none.ldr"));
    EXPECT_EQ(ReadFileText(Folder.File("none.ldr")), ":00000001FF\r\n");

    File.AddRecord(0, 4, {0, 0});
    File.AddRecord(0x10, 0, {0xAB});
    File.SaveToFile(Folder.File("two.ldr"));
    EXPECT_EQ(ReadFileText(Folder.File("two.ldr")),
              ":020000040000FA\r\n:01001000AB44\r\n:00000001FF\r\n");
    EXPECT_EQ(FileNamesIn(Folder.Path()).size(), 2u);
}

TEST_F(HexFileOnDisk, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
    THexFile File;
    File.AddRecord(0, 0, TByteArray(32, 0x11));
    const std::string Folderish = Folder.File("dir.ldr");
    ASSERT_EQ(::mkdir(Folderish.c_str(), 0755), 0);
    const std::string Cases[] = {Folderish, Folder.File("no-such-folder/a.ldr")};
    for (const std::string& Target : Cases) {
        try {
            File.SaveToFile(Target);
            FAIL() << "saved to " << Target;
        } catch (const Exception& Error) {
            EXPECT_EQ(Error.what(), FormatText(SCannotWriteFile, Target.c_str()));
        }
    }
    struct stat Info {};
    ASSERT_EQ(::stat(Folderish.c_str(), &Info), 0);
    EXPECT_TRUE(S_ISDIR(Info.st_mode));
    EXPECT_EQ(FileNamesIn(Folder.Path()), std::vector<std::string>{"dir.ldr"});
}

TEST_F(HexFileOnDisk, SaveFailingHalfWayKeepsTheOldFile) {
    const std::string Target = Folder.File("image.ldr");
    WriteFileText(Target, "old content\r\n");
    THexFile File;
    for (int Record = 0; Record < 2000; ++Record) {
        File.AddRecord(static_cast<std::uint16_t>(Record * 32), 0, TByteArray(32, 0x5A));
    }

    // Limit the size of files this process may write, so that the write stops part way.
    rlimit Old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &Old), 0);
    rlimit Small = Old;
    Small.rlim_cur = 4096;
    const auto OldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &Small), 0);
    bool Raised = false;
    try {
        File.SaveToFile(Target);
    } catch (const Exception& Error) {
        Raised = true;
        EXPECT_EQ(Error.what(), FormatText(SCannotWriteFile, Target.c_str()));
    }
    ::setrlimit(RLIMIT_FSIZE, &Old);
    std::signal(SIGXFSZ, OldHandler);

    EXPECT_TRUE(Raised);
    EXPECT_EQ(ReadFileText(Target), "old content\r\n");
    EXPECT_EQ(FileNamesIn(Folder.Path()), std::vector<std::string>{"image.ldr"});
}

TEST_F(HexFileOnDisk, SaveIntoReadOnlyFolderFailsAndKeepsTheOldFile) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "the superuser may write into any folder";
    }
    const std::string Target = Folder.File("image.ldr");
    WriteFileText(Target, "old\r\n");
    ASSERT_EQ(::chmod(Folder.Path().c_str(), 0555), 0);
    THexFile File;
    EXPECT_THROW(File.SaveToFile(Target), Exception);
    ::chmod(Folder.Path().c_str(), 0755);
    EXPECT_EQ(ReadFileText(Target), "old\r\n");
}

TEST_F(HexFileOnDisk, SavedFileKeepsThePermissionsOfTheFileItReplaces) {
    const mode_t Mask = ::umask(022);
    const std::pair<const char*, mode_t> Cases[] = {
        {"0600.ldr", 0600}, {"0640.ldr", 0640}, {"0755.ldr", 0755}, {"new.ldr", 0644}};
    for (const auto& [Name, Mode] : Cases) {
        const std::string Target = Folder.File(Name);
        if (Name != std::string("new.ldr")) {
            WriteFileText(Target, "old\r\n");
            ASSERT_EQ(::chmod(Target.c_str(), Mode), 0);
        }
        THexFile().SaveToFile(Target);
        struct stat Info {};
        ASSERT_EQ(::stat(Target.c_str(), &Info), 0);
        EXPECT_EQ(Info.st_mode & 07777, Mode) << Name;
    }
    ::umask(Mask);
}

TEST_F(HexFileOnDisk, SaveReplacesTheTargetOfASymbolicLink) {
    const std::string Real = Folder.File("real.ldr");
    const std::string Link = Folder.File("link.ldr");
    WriteFileText(Real, "old\r\n");
    ASSERT_EQ(::symlink(Real.c_str(), Link.c_str()), 0);
    THexFile File;
    File.SaveToFile(Link);
    EXPECT_EQ(ReadFileText(Real), ":00000001FF\r\n");
    struct stat Info {};
    ASSERT_EQ(::lstat(Link.c_str(), &Info), 0);
    EXPECT_TRUE(S_ISLNK(Info.st_mode));
}

TEST_F(HexFileOnDisk, SaveKilledWhileWritingKeepsTheOldFileAndLeavesNoOther) {
    const int Unnamed = ::open(Folder.Path().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (Unnamed < 0) {
        GTEST_SKIP() << "this file system cannot make unnamed files, so saves name theirs";
    }
    ::close(Unnamed);
    const std::string Target = Folder.File("image.ldr");
    WriteFileText(Target, "old\r\n");
    THexFile File;
    for (int Record = 0; Record < 2000; ++Record) {
        File.AddRecord(static_cast<std::uint16_t>(Record * 32), 0, TByteArray(32, 0x5A));
    }
    int Pipe[2];
    ASSERT_EQ(::pipe(Pipe), 0);
    const pid_t Writer = ::fork();
    ASSERT_GE(Writer, 0);
    if (Writer == 0) {
        // Once the new content reaches 4 KiB, the write raises SIGXFSZ and the writer stays
        // in its handler, in the middle of the save, until it is killed.
        ::close(Pipe[0]);
        StoppedWriterPipe = Pipe[1];
        std::signal(SIGXFSZ, ReportAndWaitForTheEnd);
        rlimit Limit{};
        ::getrlimit(RLIMIT_FSIZE, &Limit);
        Limit.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &Limit);
        try {
            File.SaveToFile(Target);
        } catch (...) {
        }
        ::_exit(0);
    }
    ::close(Pipe[1]);
    // The writer either stops after 4 KiB or ends, closing the pipe; the bound is only a
    // safeguard.
    pollfd Ready{Pipe[0], POLLIN, 0};
    char Byte = 0;
    const bool Stopped = ::poll(&Ready, 1, 60'000) == 1 && ::read(Pipe[0], &Byte, 1) == 1;
    ::kill(Writer, SIGKILL);
    int Status = 0;
    ::waitpid(Writer, &Status, 0);
    ::close(Pipe[0]);

    EXPECT_TRUE(Stopped) << "the writer was not stopped inside the save";
    EXPECT_EQ(ReadFileText(Target), "old\r\n");
    EXPECT_EQ(FileNamesIn(Folder.Path()), std::vector<std::string>{"image.ldr"});
}
