#include "cli/CliCommands.h"
#include "common/ResourseStrings.h"
#include "image/HexFileToMemoryMapConverter.h"
#include "operations/ImageFileNames.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Programmer.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

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
    const std::pair<std::string, std::string> Cases[] = {
        {"missing.ldr", SCannotLoadFile},
        {"end-only.ldr", SCannotLoadFile},
        {"empty.ldr", SFileIsEmpty},
        {"bad-third.ldr",
         "Строка 3: неверная контрольная сумма HEX строки (ожидалась DC, записана CC)."},
        {"short.ldr", "Строка 2: слишком короткая HEX строка."},
        {"huge.ldr", SImageIsTooLarge},
        {"no-base.ldr", "Строка 1: неверная HEX строка расширенного адреса: нужно 2 байта данных."},
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

TEST_F(CliProcess, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::string>> Cases = {
        {},
        {"frobnicate"},
        {"check"},
        {"check", "a", "b"},
        {"resave", "a"},
        {"dump", "--port=x", "a"},
    };
    for (const auto& Arguments : Cases) {
        const TProcessResult Result = Run(Arguments);
        EXPECT_EQ(Result.Code, 2) << testing::PrintToString(Arguments);
        EXPECT_EQ(Result.Out, "");
        EXPECT_NE(Result.Err.find(SCliUsageHeader), std::string::npos);
    }
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
    THexFileToMemoryMapConverter().HexToMemoryMap(File, CliPageLength, Map);
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

TEST_F(CliProcess, ResaveIntoAFolderFailsAndLeavesItAlone) {
    const std::string Input = MakeImage("input.ldr", 1);
    fs::create_directory(Folder / "taken.ldr");
    const std::string Target = (Folder / "taken.ldr").string();
    const TProcessResult Result = Run({"resave", Input, Target});
    EXPECT_EQ(Result.Code, 1);
    EXPECT_EQ(Result.Err, FormatText(SCannotWriteFile, Target.c_str()) + "\n");
    EXPECT_TRUE(fs::is_directory(Folder / "taken.ldr"));
}

TEST(CliInProcess, ImageExtensionIsAddedUnlessExactlyLdr) {
    const std::pair<const char*, const char*> Cases[] = {
        {"image", "image.ldr"},
        {"image.ldr", "image.ldr"},
        {"image.hex", "image.hex.ldr"},
        {"image.LDR", "image.LDR.ldr"},
        {"dir.v2/image", "dir.v2/image.ldr"},
        {"dir/.ldr", "dir/.ldr"},
        {"image.", "image..ldr"},
    };
    for (const auto& [Given, Written] : Cases) {
        EXPECT_EQ(ImageFileTarget(Given), Written) << Given;
    }
}

TEST(CliInProcess, OptionsAreCheckedAgainstTheCommand) {
    std::ostringstream Out;
    std::ostringstream Err;
    EXPECT_EQ(RunCli({"check", "--port", "/dev/ttyS0", "x.ldr"}, Out, Err), CliUsageError);
    EXPECT_EQ(Err.str().rfind(FormatText(SCliUnknownOption, "check", "--port"), 0), 0u);
    Err.str("");
    EXPECT_EQ(RunCli({"--log-limit", "12X", "init"}, Out, Err), CliUsageError);
    EXPECT_EQ(Err.str().rfind(FormatText(SCliBadLogLimit, "12X"), 0), 0u);
}
