#include "common/ResourseStrings.h"
#include "image/HexFileObjects.h"
#include "image/HexFileToMemoryMapConverter.h"
#include "image/HexImageFile.h"
#include "image/HexToInt.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>

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
    } catch (const EImageIsTooLarge&) {
        return "EImageIsTooLarge";
    } catch (const EHexFileException&) {
        return "EHexFileException";
    }
    return "";
}

// How loading an image file ended, by both ways of loading it: the error family (empty when
// it loaded) and message, and the pages' bytes.
struct TLoadOutcome {
    std::string Raised;
    std::string Message;
    TByteArray Bytes;

    bool operator==(const TLoadOutcome& Other) const {
        return Raised == Other.Raised && Message == Other.Message && Bytes == Other.Bytes;
    }
};

TByteArray PageBytes(const IMemoryMap& Map) {
    TByteArray Bytes;
    for (std::int32_t Index = 0; Index < Map.GetCount(); ++Index) {
        const TByteArray& Data = Map.GetPage(Index).GetData();
        Bytes.insert(Bytes.end(), Data.begin(), Data.end());
    }
    return Bytes;
}

// Loads FileName into 528-byte pages as the program does, straight into pages; the loading
// through record objects must end the same way.
TLoadOutcome LoadImageBothWays(const std::string& FileName) {
    TLoadOutcome Straight;
    Straight.Raised = RaisedBy(
        [&] { Straight.Bytes = PageBytes(*LoadHexImageFile(FileName, 528)); }, &Straight.Message);
    TLoadOutcome ThroughRecords;
    ThroughRecords.Raised = RaisedBy(
        [&] {
            auto File = std::make_shared<THexFile>();
            File->LoadFromFile(FileName);
            std::shared_ptr<IMemoryMap> Map;
            THexFileToMemoryMapConverter().HexToMemoryMap(File, 528, Map);
            ThroughRecords.Bytes = PageBytes(*Map);
        },
        &ThroughRecords.Message);
    EXPECT_TRUE(Straight == ThroughRecords) << ThroughRecords.Message;
    return Straight;
}

std::vector<std::string> RecordTexts(const THexFile& File) {
    std::vector<std::string> Texts;
    for (std::int32_t Index = 0; Index < File.GetCount(); ++Index) {
        Texts.push_back(File.GetLine(Index).ToText());
    }
    return Texts;
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
// included; the extended address is checked when the records are turned into pages, after every
// line has been read.
TEST_F(HexFileOnDisk, ErrorOfALineNamesItsNumberInTheFile) {
    struct TCase {
        const char* Text;
        const char* Raised;
        const char* Message;
    };
    const TCase Cases[] = {
        {":020000040000FA\r\n\r\n:0100000011EF\r\n", "EWrongHexStringCS",
         "Строка 3: Неверная контрольная сумма HEX строки. Ожидалась EEh, записана EFh."},
        {"\r\n\n\r:01000000f808\n", "EWrongHexStringCS",
         "Строка 4: Неверная контрольная сумма HEX строки. Ожидалась 07h, записана 08h."},
        {":020000040000FA\r:0100000011E\r", "EOddHexStringLength",
         "Строка 2: Нечетная длинна HEX строки."},
        {":020000040000FA\n\n\n:01000000\n", "EHexStringIsTooShort",
         "Строка 4: Слишком короткая HEX строка."},
        {":020000040000FA\r\n:04000000010203F6\r\n", "EWrongHexDataLength",
         "Строка 2: Неверная длинна HEX данных.\r\nПредполагаемая длинна: 4\r\nДействительная "
         "длинна: 3"},
        {"\n:0100000400FB\n\n:0100000011EE\n", "EWrongExtendedAddress",
         "Строка 2: Неверная HEX строка расширенного адреса: нужно 2 байта данных."},
        {"\n:020000040000FA\n\n:0100000011EE\n\n\n:0100000400FB\n", "EWrongExtendedAddress",
         "Строка 7: Неверная HEX строка расширенного адреса: нужно 2 байта данных."},
        // A malformed line after the short address record: the line is reported.
        {":0100000400FB\n:0100000011EE\n:0100010022DD\n", "EWrongHexStringCS",
         "Строка 3: Неверная контрольная сумма HEX строки. Ожидалась DCh, записана DDh."},
        // A record beyond 64 MiB before a malformed line: the line is reported.
        {":020000040400F6\n:0100000011EE\n:01000100\n", "EHexStringIsTooShort",
         "Строка 3: Слишком короткая HEX строка."},
        {":020000040400F6\n:0100000011EE\n", "EImageIsTooLarge",
         "Образ слишком велик: адреса выходят за пределы 64 МБ."},
    };
    for (const TCase& Case : Cases) {
        WriteFileText(Folder.File("bad.ldr"), Case.Text);
        const TLoadOutcome Outcome = LoadImageBothWays(Folder.File("bad.ldr"));
        EXPECT_EQ(Outcome.Raised, Case.Raised) << Case.Text;
        EXPECT_EQ(Outcome.Message, Case.Message) << Case.Text;
    }
}

// A pair holding a character other than a hexadecimal digit is read as 0, which the checksum
// then finds wrong; the message says which character it was and in which column of the line
// (counted in characters from 1, the start character included), the first one when there are
// several.
TEST_F(HexFileOnDisk, ChecksumErrorNamesTheCharacterThatIsNotAHexDigit) {
    const std::string Checksum =
        "Строка 1: Неверная контрольная сумма HEX строки. Ожидалась FFh, записана EEh.";
    const std::string NotADigit = " — не шестнадцатеричная цифра.";
    const std::pair<std::string, std::string> Cases[] = {
        {":01000000G1EE", Checksum + " Символ «G» в столбце 10" + NotADigit},
        {":010000001gEE", Checksum + " Символ «g» в столбце 11" + NotADigit},
        {":01000000zzEE", Checksum + " Символ «z» в столбце 10" + NotADigit},
        {":01000000 1EE", Checksum + " Символ « » в столбце 10" + NotADigit},
        {":01000000\t1EE", Checksum + " Символ «\\x09» в столбце 10" + NotADigit},
        {":01000000\xFF"
         "1EE",
         Checksum + " Символ «\\xFF» в столбце 10" + NotADigit},
        // A Cyrillic letter takes two bytes, as many as the pair it replaces.
        {":01000000ОEE", Checksum + " Символ «О» в столбце 10" + NotADigit},
        // In the checksum itself.
        {":0100000011EG", "Строка 1: Неверная контрольная сумма HEX строки. Ожидалась EEh, "
                          "записана 00h. Символ «G» в столбце 13" +
                              NotADigit},
        // Among 32 data bytes, which are decoded many at a time.
        {":2000000000112233445566778899AABBCCDDEEZF00112233445566778899AABBCCDDEEFFF0",
         "Строка 1: Неверная контрольная сумма HEX строки. Ожидалась EFh, записана F0h. Символ "
         "«Z» в столбце 40" +
             NotADigit},
    };
    for (const auto& [Line, Message] : Cases) {
        WriteFileText(Folder.File("bad.ldr"), Line + "\r\n");
        const TLoadOutcome Outcome = LoadImageBothWays(Folder.File("bad.ldr"));
        EXPECT_EQ(Outcome.Raised, "EWrongHexStringCS") << Line;
        EXPECT_EQ(Outcome.Message, Message) << Line;
    }

    // The line's number as the other errors give it.
    WriteFileText(Folder.File("third.ldr"), ":020000040000FA\n\n:01000000G1EE\n");
    EXPECT_EQ(LoadImageBothWays(Folder.File("third.ldr")).Message,
              "Строка 3: Неверная контрольная сумма HEX строки. Ожидалась FFh, записана EEh. "
              "Символ «G» в столбце 10" +
                  NotADigit);
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
    ASSERT_TRUE(std::filesystem::create_directory(Folderish));
    const std::string Cases[] = {Folderish, Folder.File("no-such-folder/a.ldr")};
    for (const std::string& Target : Cases) {
        try {
            File.SaveToFile(Target);
            FAIL() << "saved to " << Target;
        } catch (const Exception& Error) {
            EXPECT_EQ(Error.what(), FormatText(SCannotWriteFile, Target.c_str()));
        }
    }
    EXPECT_TRUE(std::filesystem::is_directory(Folderish));
    EXPECT_EQ(FileNamesIn(Folder.Path()), std::vector<std::string>{"dir.ldr"});
}
