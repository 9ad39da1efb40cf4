#include "cli/CliCommands.h"
#include "cli/ParallelRun.h"
#include "cli/PortJob.h"
#include "common/ResourseStrings.h"
#include "image/HexFileToMemoryMapConverter.h"
#include "operations/ImageFileNames.h"
#include "records/RecordStores.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Programmer.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <system_error>
#include <tuple>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string Lines(const std::vector<std::string>& Texts) {
    std::string Result;
    for (const std::string& Text : Texts) {
        Result += Text + "\n";
    }
    return Result;
}

class CliProcess : public ::testing::Test {
protected:
    // Runs velmora-cli with the arguments, capturing its output streams and exit code.
    TProcessResult Run(const std::vector<std::string>& Arguments) const {
        std::vector<std::string> Words = {VELMORA_CLI_PATH};
        Words.insert(Words.end(), Arguments.begin(), Arguments.end());
        return RunProcess(Words, Folder);
    }

    std::string MakeImage(const std::string& Name, int Pages) const {
        return WriteImageFile((Folder / Name).string(), Pages);
    }

    const TTempFolder Temp{"velmora-cli"};
    const fs::path Folder = Temp.Path();
};

} // namespace

TEST_F(CliProcess, CheckPrintsPageCountAndLength) {
    const std::pair<int, const char*> Cases[] = {{1, "В образе 1 страница.\n"},
                                                 {3, "В образе 3 страницы.\n"},
                                                 {11, "В образе 11 страниц.\n"}};
    for (const auto& [Pages, CountLine] : Cases) {
        const TProcessResult Result = Run({"check", MakeImage("image.ldr", Pages)});
        EXPECT_EQ(Result.Code, 0);
        EXPECT_EQ(Result.Out, std::string(CountLine) + "Длина страницы 528 байт.\n");
        EXPECT_EQ(Result.Err, "");
    }
}

TEST_F(CliProcess, CheckOfTheShippedSample) {
    const TProcessResult Result = Run({"check", VELMORA_SAMPLES_DIR "/small.ldr"});
    EXPECT_EQ(Result.Code, 0) << Result.Err;
    EXPECT_EQ(Result.Out, "В образе 3 страницы.\nДлина страницы 528 байт.\n");
}

TEST_F(CliProcess, FailuresPrintTheMessageToStandardError) {
    WriteFileText(Folder / "end-only.ldr", ":00000001FF\r\n");
    WriteFileText(Folder / "empty.ldr", "");
    WriteFileText(Folder / "bad-third.ldr",
                  ":020000040000FA\r\n:0100000011EE\r\n:0100010022CC\r\n");
    WriteFileText(Folder / "short.ldr", ":020000040000FA\n:00000001F\n");
    WriteFileText(Folder / "huge.ldr", ":02000004FFFFFC\r\n:0100000011EE\r\n");
    WriteFileText(Folder / "no-base.ldr", ":0100000400FB\r\n");
    // A file that gives no image is named, with the system's reason when it is missing.
    const auto CannotLoad = [&](const char* Name, const std::string& Reason) {
        return std::string(SCannotLoadFile) + " Файл " + (Folder / Name).string() + ": " + Reason +
               ".";
    };
    const std::pair<std::string, std::string> Cases[] = {
        {"missing.ldr", CannotLoad("missing.ldr", std::generic_category().message(ENOENT))},
        {"end-only.ldr", CannotLoad("end-only.ldr", "в нём нет данных")},
        {"empty.ldr", SFileIsEmpty},
        {"bad-third.ldr",
         "Строка 3: Неверная контрольная сумма HEX строки. Ожидалась DCh, записана CCh."},
        {"short.ldr", "Строка 2: Слишком короткая HEX строка."},
        {"huge.ldr", SImageIsTooLarge},
        {"no-base.ldr", "Строка 1: Неверная HEX строка расширенного адреса: нужно 2 байта данных."},
        {".", FormatText(SCannotReadFile, (Folder / ".").c_str())},
    };
    for (const auto& [Name, Message] : Cases) {
        for (const char* Command : {"check", "dump"}) {
            const TProcessResult Result = Run({Command, (Folder / Name).string()});
            EXPECT_EQ(Result.Code, 1) << Command << " " << Name;
            EXPECT_EQ(Result.Out, "") << Command << " " << Name;
            EXPECT_EQ(Result.Err, Message + "\n") << Command << " " << Name;
        }
    }
}

// A command line that does not fit says what is wrong and how the command is called: the one
// usage line of the command meant (the nearest known name for a mistyped one), else the whole
// usage. A range is checked before any port is opened.
TEST_F(CliProcess, UsageErrorsExitWithTwo) {
    const std::string Whole = SCliUsageHeader;
    const struct {
        std::vector<std::string> Arguments;
        std::string Complaint;
        std::string Usage;
    } Cases[] = {
        {{}, SCliNoCommand, Whole},
        {{"frobnicate"}, "unknown command \"frobnicate\"", Whole},
        {{"wrtie", "a.ldr"},
         "unknown command \"wrtie\"; did you mean write?",
         "Usage: velmora-cli write FILE"},
        {{"check"}, "velmora-cli check: expected FILE", Whole},
        {{"check", "a", "b"}, "velmora-cli check: expected FILE", Whole},
        {{"resave", "a"}, "velmora-cli resave: expected IN OUT", Whole},
        {{"dump", "--prot=x", "a"}, "unknown option \"--prot=x\"", "Usage: velmora-cli dump FILE"},
        {{"dump", "--port=x", "a"},
         "--port, --simulate, --identify, --log and --log-limit apply to programmer commands only",
         "Usage: velmora-cli dump FILE"},
        {{"write", "--verfy", "a.ldr"},
         "unknown option \"--verfy\"; did you mean --verify?",
         "Usage: velmora-cli write FILE"},
        {{"erase", "--first", "0", "--first", "1", "--last", "3"},
         "option \"--first\" given twice",
         "Usage: velmora-cli erase"},
        {{"erase", "--port", "/dev/velmora-no-such-port", "--first", "5", "--last", "9999"},
         "Конечный индекс не может быть больше 4095.",
         ""},
        {{"records", "--since", "yesterday"}, "--since needs today", "Usage: velmora-cli records"},
        {{"--records", "r.sqlite", "--port", "/dev/velmora-no-such-port", "erase"},
         "not a run on one port",
         Whole},
        {{"--port", "/dev/velmora-no-such-port", "--port", "/dev/velmora-no-such-port-2", "write",
          "a.ldr", "--serial-at", "0x10", "--serial", "7"},
         "every board the same number",
         ""},
    };
    for (const auto& Case : Cases) {
        const TProcessResult Result = Run(Case.Arguments);
        const std::string Name = testing::PrintToString(Case.Arguments);
        EXPECT_EQ(Result.Code, 2) << Name;
        EXPECT_EQ(Result.Out, "") << Name;
        EXPECT_NE(Result.Err.find(Case.Complaint), std::string::npos) << Name << Result.Err;
        EXPECT_NE(Result.Err.find(Case.Usage), std::string::npos) << Name << Result.Err;
        EXPECT_EQ(Result.Err.find("/dev/velmora-no-such-port"), std::string::npos) << Name;
        EXPECT_FALSE(fs::exists(Folder / "r.sqlite")) << Name;
        const bool WholeUsage = Result.Err.find(Whole) != std::string::npos;
        EXPECT_EQ(WholeUsage, Case.Usage == Whole) << Name << Result.Err;
    }
}

// The help of one command: its usage and a line for each of its options, however it is asked
// for; the whole usage fits 80 columns and ends with the exit codes.
TEST_F(CliProcess, HelpOfACommandListsItsOptionsAndTheUsageFitsEightyColumns) {
    for (const auto& Arguments : std::vector<std::vector<std::string>>{
             {"help", "compare"}, {"compare", "--help"}, {"--json", "compare", "--help"}}) {
        const TProcessResult Result = Run(Arguments);
        EXPECT_EQ(Result.Code, 0) << Result.Err;
        for (const char* Option : {"--first N", "--last M", "--port NAME", "--all"}) {
            EXPECT_NE(Result.Out.find(Option), std::string::npos) << Option << Result.Out;
        }
    }
    const TProcessResult Usage = Run({"--help"});
    std::istringstream Lines(Usage.Out);
    for (std::string Line; std::getline(Lines, Line);) {
        EXPECT_LE(Line.size(), 80u) << Line;
    }
    EXPECT_NE(Usage.Out.find("Exit codes: 0 done; 1 failed; 2"), std::string::npos);
}

TEST_F(CliProcess, HelpListsTheCommands) {
    const TProcessResult Result = Run({"--help"});
    EXPECT_EQ(Result.Code, 0);
    for (const TCliCommand& Command : CliCommands()) {
        EXPECT_NE(Result.Out.find("velmora-cli " + Command.Name), std::string::npos)
            << Command.Name;
    }
    EXPECT_EQ(Result.Err, "");
}

TEST_F(CliProcess, DumpPrintsOneSpacedLinePerRecord) {
    const std::string Image = MakeImage("image.ldr", 2);
    const TProcessResult Result = Run({"dump", Image});
    EXPECT_EQ(Result.Code, 0);
    auto File = std::make_shared<THexFile>();
    File->LoadFromFile(Image);
    std::shared_ptr<IMemoryMap> Map;
    THexFileToMemoryMapConverter().HexToMemoryMap(File, ChipImageGeometry.PageLength, Map);
    EXPECT_EQ(Result.Out, Lines(THexFileToMemoryMapConverter().MemoryMapToStrings(Map)));
    EXPECT_EQ(Result.Out.substr(0, 26), ":02 0000 04    00 00   FA\n");
}

TEST_F(CliProcess, ResaveAddsTheImageExtensionAndKeepsTheContent) {
    // A hand-made file with LF line ends, lower case and 16-byte records comes out in the
    // program's own layout.
    const std::string Input = MakeImage("input.ldr", 2);
    const std::string Expected = ReadFileText(Input);
    const std::pair<std::string, std::string> Cases[] = {{"out", "out.ldr"},
                                                         {"out.ldr", "out.ldr"},
                                                         {"out.hex", "out.hex.ldr"},
                                                         {"out.LDR", "out.LDR.ldr"}};
    for (const auto& [Given, Written] : Cases) {
        fs::remove(Folder / Written);
        const TProcessResult Result = Run({"resave", Input, (Folder / Given).string()});
        EXPECT_EQ(Result.Code, 0) << Result.Err;
        EXPECT_EQ(Result.Out, (Folder / Written).string() + "\n");
        EXPECT_EQ(ReadFileText(Folder / Written), Expected) << Given;
    }

    WriteFileText(Folder / "lf.ldr",
                  ":020000040000fa\n:10000000000102030405060708090a0b0c0d0e0f78\n");
    ASSERT_EQ(Run({"resave", (Folder / "lf.ldr").string(), (Folder / "crlf").string()}).Code, 0);
    const std::string Saved = ReadFileText(Folder / "crlf.ldr");
    EXPECT_EQ(Saved.substr(0, 17), ":020000040000FA\r\n");
    EXPECT_EQ(Saved.substr(Saved.size() - 13), ":00000001FF\r\n");
}

// The path of a program found in the folders of PATH; empty when there is none.
std::string ProgramInPath(const std::string& Name) {
    const char* Path = std::getenv("PATH");
    std::istringstream Folders(Path != nullptr ? Path : "");
    for (std::string Folder; std::getline(Folders, Folder, ':');) {
        const fs::path Candidate = fs::path(Folder.empty() ? "." : Folder) / Name;
        if (::access(Candidate.c_str(), X_OK) == 0) {
            return Candidate.string();
        }
    }
    return "";
}

TEST_F(CliProcess, ResaveConvertsAFullChipBetweenBinaryAndHexByteForByteAsObjcopyDoes) {
    const std::string Objcopy = ProgramInPath("objcopy");
    ASSERT_FALSE(Objcopy.empty()) << "objcopy (Debian package binutils) is needed by this test";
    std::mt19937 Random(528);
    std::string Chip(4096 * 528, '\0');
    for (char& Byte : Chip) {
        Byte = static_cast<char>(Random());
    }
    WriteFileText(Folder / "chip.bin", Chip);
    const std::vector<std::pair<std::string, std::string>> Steps = {
        {"chip.bin", "chip.ldr"}, {"chip.ldr", "back.bin"}, {"back.bin", "again.ldr"}};
    for (const auto& [In, Out] : Steps) {
        const TProcessResult Result =
            Run({"resave", (Folder / In).string(), (Folder / Out).string()});
        ASSERT_EQ(Result.Code, 0) << In << " " << Result.Err;
        EXPECT_EQ(Result.Out, (Folder / Out).string() + "\n");
        EXPECT_EQ(Result.Err, "");
    }
    EXPECT_TRUE(ReadFileText(Folder / "back.bin") == Chip);
    EXPECT_TRUE(ReadFileText(Folder / "again.ldr") == ReadFileText(Folder / "chip.ldr"));
    const TProcessResult Converted =
        RunProcess({Objcopy, "-I", "ihex", "-O", "binary", (Folder / "chip.ldr").string(),
                    (Folder / "objcopy.bin").string()},
                   Folder);
    ASSERT_EQ(Converted.Code, 0) << Converted.Err;
    EXPECT_TRUE(ReadFileText(Folder / "objcopy.bin") == Chip);
}

namespace {

// Intel HEX text of one record: count, address, type, data and checksum.
std::string HexRecord(std::uint16_t Address, std::uint8_t Type, const std::string& Data) {
    std::string Bytes = {static_cast<char>(Data.size()), static_cast<char>(Address >> 8),
                         static_cast<char>(Address & 0xFF), static_cast<char>(Type)};
    Bytes += Data;
    unsigned Sum = 0;
    for (const char Byte : Bytes) {
        Sum += static_cast<unsigned char>(Byte);
    }
    Bytes += static_cast<char>((0x100 - (Sum & 0xFF)) & 0xFF);
    std::string Text = ":";
    for (const char Byte : Bytes) {
        char Digits[3];
        std::snprintf(Digits, sizeof Digits, "%02X", static_cast<unsigned char>(Byte));
        Text += Digits;
    }
    return Text + "\r\n";
}

} // namespace

// Files of other tools may place their data with extended segment address records: the bytes
// land where objcopy puts them.
TEST_F(CliProcess, SegmentAddressedHexLoadsAsObjcopyReadsIt) {
    const std::string Objcopy = ProgramInPath("objcopy");
    ASSERT_FALSE(Objcopy.empty()) << "objcopy (Debian package binutils) is needed by this test";
    std::mt19937 Random(2);
    std::string Image(200000, '\0');
    for (char& Byte : Image) {
        Byte = static_cast<char>(Random());
    }
    // A segment every 32 KiB (segment value × 16 is the base), records of 16 bytes.
    constexpr std::size_t Window = 0x8000;
    std::string Text;
    for (std::size_t Base = 0; Base < Image.size(); Base += Window) {
        const auto Segment = static_cast<std::uint16_t>(Base / 16);
        Text += HexRecord(0, 2, {static_cast<char>(Segment >> 8), static_cast<char>(Segment)});
        for (std::size_t Offset = 0; Offset < Window && Base + Offset < Image.size();
             Offset += 16) {
            Text +=
                HexRecord(static_cast<std::uint16_t>(Offset), 0, Image.substr(Base + Offset, 16));
        }
    }
    WriteFileText(Folder / "segments.hex", Text + ":00000001FF\r\n");
    const TProcessResult Resaved =
        Run({"resave", (Folder / "segments.hex").string(), (Folder / "velmora.bin").string()});
    ASSERT_EQ(Resaved.Code, 0) << Resaved.Err;
    const TProcessResult Converted =
        RunProcess({Objcopy, "-I", "ihex", "-O", "binary", (Folder / "segments.hex").string(),
                    (Folder / "objcopy.bin").string()},
                   Folder);
    ASSERT_EQ(Converted.Code, 0) << Converted.Err;
    const std::string Expected = ReadFileText(Folder / "objcopy.bin");
    ASSERT_TRUE(Expected == Image);
    // The image is whole pages: the last one is filled up with zeros.
    const std::string Ours = ReadFileText(Folder / "velmora.bin");
    ASSERT_EQ(Ours.size(), (Image.size() + 527) / 528 * 528);
    EXPECT_TRUE(Ours.substr(0, Image.size()) == Expected);
    EXPECT_EQ(Ours.find_first_not_of('\0', Image.size()), std::string::npos);
}

TEST_F(CliProcess, BinaryFilesAreCheckedAndDumpedWithTheirLastPagePaddedOrRefused) {
    const std::string Chip = std::string(4096 * 528, '\x5A');
    const std::string TooLarge = "Файл " + (Folder / "large.bin").string() +
                                 " слишком велик: 2162689 байт, а в микросхему помещается не "
                                 "более 2162688 байт.\n";
    const std::string Padded = "Длина файла " + (Folder / "odd.bin").string() +
                               " не кратна 528 байтам: последняя страница дополнена байтами FF.\n";
    struct TCase {
        std::string Name;
        std::string Content;
        int Code;
        std::string Out;
        std::string Err;
    };
    const TCase Cases[] = {
        {"one.BIN", std::string(528, '\1'), 0, "В образе 1 страница.\nДлина страницы 528 байт.\n",
         ""},
        {"odd.bin", std::string(529, '\1'), 0, "В образе 2 страницы.\nДлина страницы 528 байт.\n",
         Padded},
        {"chip.bin", Chip, 0, "В образе 4096 страниц.\nДлина страницы 528 байт.\n", ""},
        {"large.bin", Chip + "x", 1, "", TooLarge},
        {"empty.bin", "", 1, "", std::string(SFileIsEmpty) + "\n"},
        {"missing.bin", "", 1, "",
         std::string(SCannotLoadFile) + " Файл " + (Folder / "missing.bin").string() + ": " +
             std::generic_category().message(ENOENT) + ".\n"},
    };
    for (const TCase& Case : Cases) {
        if (Case.Name != "missing.bin") {
            WriteFileText(Folder / Case.Name, Case.Content);
        }
        const TProcessResult Result = Run({"check", (Folder / Case.Name).string()});
        EXPECT_EQ(Result.Code, Case.Code) << Case.Name;
        EXPECT_EQ(Result.Out, Case.Out) << Case.Name;
        EXPECT_EQ(Result.Err, Case.Err) << Case.Name;
    }

    // The dump of a raw file is the dump of the same image as a HEX file.
    ASSERT_EQ(Run({"resave", (Folder / "odd.bin").string(), (Folder / "odd.ldr").string()}).Code,
              0);
    const TProcessResult FromBinary = Run({"dump", (Folder / "odd.bin").string()});
    EXPECT_EQ(FromBinary.Code, 0);
    EXPECT_EQ(FromBinary.Err, Padded);
    EXPECT_EQ(FromBinary.Out, Run({"dump", (Folder / "odd.ldr").string()}).Out);
    // The record holding the file's last byte (at 0x210), with the padding after it.
    std::string Record;
    for (int Index = 0; Index < 32; ++Index) {
        Record += Index <= 0x10 ? "01 " : "FF ";
    }
    Record.pop_back();
    EXPECT_NE(FromBinary.Out.find("\n:20 0200 00    " + Record + "   DC\n"), std::string::npos);
}

TEST_F(CliProcess, ResaveIntoAFolderFailsAndLeavesItAlone) {
    const std::string Input = MakeImage("input.ldr", 1);
    fs::create_directory(Folder / "taken.ldr");
    const std::string Target = (Folder / "taken.ldr").string();
    const TProcessResult Result = Run({"resave", Input, Target});
    EXPECT_EQ(Result.Code, 1);
    EXPECT_EQ(Result.Err, FormatText(SCannotWriteFile, Target.c_str()) + "\n");
    EXPECT_TRUE(fs::is_directory(Folder / "taken.ldr"));
}

TEST(CliInProcess, ImageExtensionIsAddedUnlessExactlyLdrOrBinInAnyCase) {
    const std::tuple<const char*, const char*, bool> Cases[] = {
        {"image", "image.ldr", false},
        {"image.ldr", "image.ldr", false},
        {"image.hex", "image.hex.ldr", false},
        {"image.LDR", "image.LDR.ldr", false},
        {"dir.v2/image", "dir.v2/image.ldr", false},
        {"dir/.ldr", "dir/.ldr", false},
        {"image.", "image..ldr", false},
        {"image.bin", "image.bin", true},
        {"image.Bin", "image.Bin", true},
        {"image.bin.hex", "image.bin.hex.ldr", false},
        {"dir.bin/image", "dir.bin/image.ldr", false},
    };
    for (const auto& [Given, Written, Binary] : Cases) {
        EXPECT_EQ(ImageFileTarget(Given), Written) << Given;
        EXPECT_EQ(IsBinaryImageFile(Written), Binary) << Given;
    }
}

TEST(CliInProcess, OptionsAreCheckedAgainstTheCommand) {
    std::ostringstream Out;
    std::ostringstream Err;
    EXPECT_EQ(RunCli({"check", "--verify", "x.ldr"}, Out, Err), CliUsageError);
    EXPECT_EQ(Err.str().rfind(FormatText(SCliUnknownOption, "check", "--verify"), 0), 0u);
    Err.str("");
    EXPECT_EQ(RunCli({"--log-limit", "12X", "init"}, Out, Err), CliUsageError);
    EXPECT_EQ(Err.str().rfind(FormatText(SCliBadLogLimit, "12X"), 0), 0u);
}

TEST(CliInProcess, SeveralPortsAreRefusedTwiceOverOrWithoutAFileForEach) {
    const struct {
        std::vector<std::string> Words;
        std::string Error;
    } Cases[] = {
        {{"--port", "COM3", "--port", "/dev/ttyS2", "init"},
         FormatText(SCliPortGivenTwice, "/dev/ttyS2")},
        {{"--port", "COM3", "--port", "COM4", "read", "chip.ldr"}, SCliReadNeedsPortTag},
        {{"--port", "COM3", "--log", "x.log", "check", "x.ldr"},
         FormatText(SCliNotAProgrammerCommand, "check")},
    };
    for (const auto& Case : Cases) {
        std::ostringstream Out;
        std::ostringstream Err;
        EXPECT_EQ(RunCli(Case.Words, Out, Err), CliUsageError);
        EXPECT_EQ(Err.str().rfind(Case.Error + "\n", 0), 0u) << Err.str();
    }
}

TEST(CliInProcess, PortsOfSeveralGetTheirOwnLogFileAndTheirCodesCombine) {
    EXPECT_EQ(PortLogFileName("/data/Velmora.log", "/dev/pts/3"), "/data/Velmora-pts-3.log");
    EXPECT_EQ(PortLogFileName("/data/Velmora.log", "COM3"), "/data/Velmora-ttyS2.log");
    // A link to a port names the log, wherever it points now.
    const TTempFolder Links("velmora-links");
    const std::string Link = Links.File("station-port");
    fs::create_symlink("/dev/null", Link);
    const std::string Tag = PortFileTag(Link);
    EXPECT_NE(Tag.find("station-port"), std::string::npos) << Tag;
    EXPECT_EQ(Tag.find("null"), std::string::npos) << Tag;
    EXPECT_EQ(PortLogFileName("run.txt", "/tmp/odd port"), "run-tmp-odd_port.txt");
    const struct {
        std::vector<int> Codes;
        int Combined;
    } Cases[] = {
        {{CliSuccess, CliSuccess}, CliSuccess},
        {{CliSuccess, CliCompareDifferent}, CliCompareDifferent},
        {{CliCompareDifferent, CliStopped}, CliStopped},
        {{CliStopped, CliFailure, CliSuccess}, CliFailure},
        {{CliSuccess, 137}, CliFailure},
    };
    for (const auto& Case : Cases) {
        EXPECT_EQ(CombinedExitCode(Case.Codes), Case.Combined)
            << ::testing::PrintToString(Case.Codes);
    }
}

// On a narrow terminal the progress line still fits one line: a wrapped one would be drawn
// anew below itself at every step.
TEST_F(CliProcess, TheProgressLineFitsANarrowTerminal) {
    const std::string Image = MakeImage("image.ldr", 60);
    for (const int Columns : {40, 24, 12}) {
        const std::string Command =
            "stty cols " + std::to_string(Columns) + " && exec \"$0\" --simulate write \"$1\"";
        const TProcessResult Result = RunProcess(
            {"/usr/bin/script", "-qec",
             "/bin/sh -c '" + Command + "' " + VELMORA_CLI_PATH + " " + Image, "/dev/null"},
            Folder.string());
        ASSERT_EQ(Result.Code, 0) << Result.Out << Result.Err;
        std::size_t Drawn = 0;
        std::istringstream Pieces(Result.Out);
        for (std::string Piece; std::getline(Pieces, Piece, '\r');) {
            if (Piece.rfind("\033[K", 0) != 0 || Piece.find("%") == std::string::npos) {
                continue;
            }
            ++Drawn;
            const std::string Shown = Piece.substr(3);
            const auto Characters = std::count_if(Shown.begin(), Shown.end(), [](char Byte) {
                return (static_cast<unsigned char>(Byte) & 0xC0) != 0x80;
            });
            EXPECT_LT(Characters, Columns) << Shown;
        }
        EXPECT_GT(Drawn, 0u) << Columns << ": " << Result.Out;
    }
}

namespace {

// The records command over a store of three boards: listed oldest first, chosen by result, port
// and time, summed up, and exported as CSV and JSON with every field.
TEST_F(CliProcess, RecordsAreListedChosenSummedUpAndExported) {
    const std::string Location = (Folder / "line.sqlite").string();
    {
        const std::unique_ptr<IRecordStore> Records = OpenRecordStore(Location);
        const auto Add = [&](const std::string& Time, const std::string& Port,
                             const std::string& Result, std::optional<int> Page,
                             std::optional<int> Reply) {
            TBoardRecord Record;
            Record.Time = Time;
            Record.Station = "bench-1";
            Record.Port = Port;
            Record.UsbSerial = "-";
            Record.Identification = "Board, \"A\"";
            Record.Serial = Records->TakeSerialNumber(7);
            Record.Image = "image.ldr";
            Record.Sha256 = std::string(64, 'c');
            Record.Result = Result;
            Record.Reason = Result == "failed" ? "Ошибка работы с контроллером." : "";
            Record.ExitCode = Result == "failed" ? 1 : 0;
            Record.Page = Page;
            Record.Reply = Reply;
            Record.Seconds = 3.5;
            Records->Add(Record);
        };
        Add("2020-01-01T08:00:00Z", "/dev/ttyUSB0", "ok", {}, {});
        Add("2020-01-01T09:00:00Z", "/dev/ttyUSB1", "failed", 5, 0x23);
        Add(UtcTimeText(std::time(nullptr)), "/dev/ttyUSB0", "failed", 5, 0x23);
    }
    const auto Records = [&](std::vector<std::string> Words) {
        Words.insert(Words.begin(), {"--records", Location});
        const TProcessResult Result = Run(Words);
        EXPECT_EQ(Result.Code, 0) << Result.Err;
        return Result.Out;
    };
    const auto LineCount = [](const std::string& Text) {
        return std::count(Text.begin(), Text.end(), '\n');
    };

    const std::string All = Records({"records"});
    EXPECT_EQ(LineCount(All), 3);
    EXPECT_EQ(
        All.find("2020-01-01T08:00:00Z  bench-1  /dev/ttyUSB0  -  Board, \"A\"  7  image.ldr  "
                 "ok  3.5\n"),
        0u)
        << All;
    EXPECT_EQ(LineCount(Records({"records", "--result", "failed"})), 2);
    EXPECT_EQ(LineCount(Records({"records", "--port", "/dev/ttyUSB0"})), 2);
    EXPECT_EQ(LineCount(Records({"records", "--since", "today", "--result", "failed"})), 1);

    const std::string Summary = Records({"records", "--summary"});
    EXPECT_NE(Summary.find("Boards: 3\n"), std::string::npos) << Summary;
    EXPECT_NE(Summary.find("image.ldr  1 / 3"), std::string::npos) << Summary;
    EXPECT_NE(Summary.find("page 5, reply 23h  2"), std::string::npos) << Summary;

    const std::string Csv = Records({"records", "--csv", "--result", "failed"});
    EXPECT_EQ(Csv.substr(0, Csv.find('\n') + 1), SCliStationRecordHeader);
    EXPECT_NE(Csv.find(",\"Board, \"\"A\"\"\",8,image.ldr," + std::string(64, 'c') +
                       ",failed: Ошибка работы с контроллером.,1,5,-,23h,3.5\n"),
              std::string::npos)
        << Csv;

    // The options of the whole line may follow the command, as they may come before it.
    const std::string Json = Records({"records", "--result", "ok", "--json"});
    const nlohmann::json Record = nlohmann::json::parse(Json.substr(0, Json.find('\n')));
    EXPECT_EQ(Record["serial"], 7);
    EXPECT_EQ(Record["identification"], "Board, \"A\"");
    EXPECT_TRUE(Record["page"].is_null());
    EXPECT_NE(Json.find("\"type\":\"result\""), std::string::npos) << Json;
}

// A records location or a listing's filter that names nothing is refused before anything is
// opened, with a line saying why: no store is made under a typo (a station on it would give
// serial numbers from the start again), and no empty filter or day that does not exist lists
// every record instead.
TEST_F(CliProcess, RecordsLocationsAndFiltersThatNameNothingAreRefused) {
    const std::string Garbage = (Folder / "garbage").string();
    const std::string Store = (Folder / "line.sqlite").string();
    const struct {
        std::vector<std::string> Arguments;
        std::string Complaint;
    } Cases[] = {
        {{"--records", Garbage, "records"}, "--records \"" + Garbage + "\" names no records"},
        {{"records", "--records", Garbage}, "--records \"" + Garbage + "\" names no records"},
        {{"--records=", "records"}, "--records \"\" names no records database"},
        {{"--records", Garbage, "--port", "/dev/velmora-no-such-port", "--port",
          "/dev/velmora-no-such-port-2", "erase"},
         "names no records database"},
        {{"--port", "/dev/velmora-no-such-port", "station", "erase", "--records", Garbage},
         "names no records database"},
        {{"records", "--records", (Folder / "boards.csv").string()}, "--record FILE.csv exports"},
        {{"--records", Store, "records", "--since", ""}, "--since needs today"},
        {{"--records", Store, "records", "--since", "2026-02-30"},
         "--since \"2026-02-30\": there is no such day or time"},
        {{"--records", Store, "records", "--since", "2026-12-08 24:00"}, "no such day or time"},
        {{"--records", Store, "records", "--since", "2026-12-08 10:00x"}, "--since needs today"},
        {{"--records", Store, "records", "--result", ""},
         "--result must be ok, different, failed or stopped, not \"\""},
        {{"--records", Store, "records", "--image", ""}, "option \"--image\" needs a value"},
        {{"--records", Store, "records", "--port="}, "option \"--port\" needs a value"},
    };
    for (const auto& Case : Cases) {
        const TProcessResult Result = Run(Case.Arguments);
        const std::string Name = testing::PrintToString(Case.Arguments);
        EXPECT_EQ(Result.Code, 2) << Name << Result.Err;
        EXPECT_EQ(Result.Out, "") << Name;
        EXPECT_NE(Result.Err.find(Case.Complaint), std::string::npos) << Name << Result.Err;
        EXPECT_FALSE(fs::exists(Garbage)) << Name;
        EXPECT_FALSE(fs::exists(Store)) << Name;
    }
}

// The listing only reads: a store that is not there is an error naming it (exit code 1, as a
// file that does not load), and nothing is made; an existing SQLite file is taken whatever its
// name, a new one only by a database's name.
TEST_F(CliProcess, RecordsAreReadFromAStoreThatIsThereAndNeverMakeOne) {
    const std::string Missing = (Folder / "missing.sqlite").string();
    const TProcessResult None = Run({"records", "--records", Missing});
    EXPECT_EQ(None.Code, 1);
    EXPECT_NE(None.Err.find("there is no records database " + Missing), std::string::npos)
        << None.Err;
    EXPECT_FALSE(fs::exists(Missing));
    const TProcessResult NoneAsJson = Run({"records", "--records", Missing, "--json"});
    EXPECT_EQ(NoneAsJson.Code, 1);
    EXPECT_NE(NoneAsJson.Out.find("\"exit_code\":1"), std::string::npos) << NoneAsJson.Out;
    EXPECT_FALSE(fs::exists(Missing));

    const std::string Store = (Folder / "line.db").string();
    {
        const std::unique_ptr<IRecordStore> Records = OpenRecordStore(Store);
        TBoardRecord Record;
        Record.Time = "2026-12-08T10:00:00Z";
        Record.Station = "bench-1";
        Record.Port = "/dev/ttyUSB0";
        Record.UsbSerial = "-";
        Record.Identification = "Board";
        Record.Image = "image.ldr";
        Record.Sha256 = "-";
        Record.Result = "ok";
        Records->Add(Record);
    }
    const std::string Renamed = (Folder / "boards").string();
    fs::rename(Store, Renamed);
    const TProcessResult Listed = Run({"records", "--records", Renamed});
    EXPECT_EQ(Listed.Code, 0) << Listed.Err;
    EXPECT_EQ(Listed.Out.rfind("2026-12-08T10:00:00Z  bench-1  /dev/ttyUSB0", 0), 0u) << Listed.Out;
}

// The options of the whole line (--json, --simulate, --log, --port ...) may come after the
// command as well as before it; an option the command has of its own stays its own.
TEST_F(CliProcess, OptionsOfTheWholeLineMayFollowTheCommand) {
    const std::string Image = MakeImage("image.ldr", 2);
    const TProcessResult Check = Run({"check", Image, "--json"});
    EXPECT_EQ(Check.Code, 0) << Check.Err;
    EXPECT_NE(Check.Out.find("{\"type\":\"result\",\"command\":\"check\",\"ok\":true"),
              std::string::npos)
        << Check.Out;

    const std::string Log = (Folder / "run.log").string();
    const TProcessResult Write = Run({"write", Image, "--simulate", "--log", Log, "--json"});
    EXPECT_EQ(Write.Code, 0) << Write.Err;
    EXPECT_NE(Write.Out.find("\"command\":\"write\",\"ok\":true"), std::string::npos) << Write.Out;
    EXPECT_TRUE(fs::exists(Log));

    const TProcessResult Dump = Run({"dump", Image, "--port", "COM3"});
    EXPECT_EQ(Dump.Code, 2);
    EXPECT_EQ(Dump.Err.rfind(FormatText(SCliNotAProgrammerCommand, "dump"), 0), 0u) << Dump.Err;
}

} // namespace
