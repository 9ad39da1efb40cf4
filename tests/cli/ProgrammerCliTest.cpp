// velmora-cli's programmer commands run as a process against a simulator in the test.
#include "cli/PortJob.h"
#include "cli/Station.h"
#include "common/ResourseStrings.h"
#include "image/HexFileObjects.h"
#include "image/HexFileToMemoryMapConverter.h"
#include "records/RecordStores.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FakeSysfs.h"
#include "tests/support/PostgresTestDatabase.h"
#include "tests/support/Programmer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestBytes.h"
#include "tests/support/TestLog.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <set>
#include <sstream>
#include <system_error>
#include <thread>

namespace {

namespace fs = std::filesystem;

constexpr int PageLength = TestPageLength;

std::vector<std::string> SplitLines(const std::string& Text) {
    std::vector<std::string> Lines;
    std::istringstream Stream(Text);
    std::string Line;
    while (std::getline(Stream, Line)) {
        Lines.push_back(Line);
    }
    return Lines;
}

// The lines without their time prefix; fails the test for a line without one.
std::vector<std::string> Messages(const std::string& Text) {
    static const std::regex Prefix("^[0-9]{2}:[0-9]{2}:[0-9]{2}: (.*)$");
    std::vector<std::string> Result;
    for (const std::string& Line : SplitLines(Text)) {
        std::smatch Match;
        if (std::regex_match(Line, Match, Prefix)) {
            Result.push_back(Match[1]);
        } else {
            ADD_FAILURE() << "line without a time prefix: " << Line;
        }
    }
    return Result;
}

// Page with bit Mask flipped in the first Count bytes from From on where that bit is 1 (WhereSet)
// or 0 in Page.
TByteArray FlipBits(TByteArray Page, std::uint8_t Mask, bool WhereSet, int Count,
                    std::size_t From = 0) {
    for (std::size_t Index = From; Count > 0 && Index < Page.size(); ++Index) {
        if (((Page[Index] & Mask) != 0) == WhereSet) {
            Page[Index] ^= Mask;
            --Count;
        }
    }
    return Page;
}

// The objects of a --json run, one per line; fails the test for a line that is not one of the
// three kinds with its fields, and unless the result, and only it, comes last.
std::vector<nlohmann::json> JsonObjects(const std::string& Text) {
    static const std::regex Time("^[0-9]{2}:[0-9]{2}:[0-9]{2}$");
    std::vector<nlohmann::json> Objects;
    for (const std::string& Line : SplitLines(Text)) {
        const nlohmann::json Object = nlohmann::json::parse(Line, nullptr, false);
        const std::string Type = Object.is_object() ? Object.value("type", "") : "";
        const bool Fits =
            (Type == "message" && Object["text"].is_string() &&
             std::regex_match(Object["time"].get<std::string>(), Time) &&
             (Object["level"] == "info" || Object["level"] == "success" ||
              Object["level"] == "error")) ||
            (Type == "progress" && Object["percent"].is_number_integer() &&
             Object["percent"] >= 0 && Object["percent"] <= 100 &&
             Object["page"].is_number_integer() && Object["remaining_s"].is_number_integer()) ||
            (Type == "result" && Object["command"].is_string() && Object["ok"].is_boolean() &&
             Object["exit_code"].is_number_integer() && Object["seconds"].is_number() &&
             Object["ok"] == (Object["exit_code"] == 0));
        EXPECT_TRUE(Fits) << Line;
        EXPECT_EQ(Type == "result", Objects.size() + 1 == SplitLines(Text).size()) << Line;
        Objects.push_back(Object);
    }
    EXPECT_FALSE(Objects.empty());
    return Objects;
}

// True while Signal sent to Process waits to be taken by it.
bool SignalPending(pid_t Process, int Signal) {
    std::ifstream Status("/proc/" + std::to_string(Process) + "/status");
    for (std::string Line; std::getline(Status, Line);) {
        if (Line.rfind("ShdPnd:", 0) == 0) {
            return ((std::stoull(Line.substr(7), nullptr, 16) >> (Signal - 1)) & 1) != 0;
        }
    }
    return false;
}

// Ctrl-C pressed twice in quick succession: the second comes as soon as the process has taken
// the first (two sent at once could merge into one).
void PressCtrlCTwice(pid_t Process) {
    kill(Process, SIGINT);
    EXPECT_TRUE(WaitUntil([&] { return !SignalPending(Process, SIGINT); }, TestWaitBound));
    kill(Process, SIGINT);
}

class ProgrammerCli : public testing::Test {
protected:
    void SetUp() override { fs::create_directories(Folder / "xdg" / "Velmora"); }

    std::string StartSimulator(TSimulatorOptions Options = {}) {
        Simulator = ::StartSimulator(std::move(Options));
        return Simulator->GetPortPath();
    }

    // Starts velmora-cli with its output in files, its data folder in the test folder and the
    // serial ports of Sysfs.
    pid_t Spawn(const std::vector<std::string>& Arguments) const {
        std::vector<std::string> Words = {VELMORA_CLI_PATH};
        Words.insert(Words.end(), Arguments.begin(), Arguments.end());
        return StartProcess(
            Words, Folder,
            {"XDG_DATA_HOME=" + (Folder / "xdg").string(), "VELMORA_SYSFS_ROOT=" + Sysfs.Root()});
    }

    TProcessResult Finish(pid_t Child) const { return WaitForProcess(Child, Folder); }

    TProcessResult Run(const std::vector<std::string>& Arguments) const {
        return Finish(Spawn(Arguments));
    }

    // Two USB ports: ttyUSB0 on the simulator's line, ttyACM0 on a node that does not exist.
    void AddUsbPorts(const std::string& SimulatorPort) {
        Sysfs.AddUsbPort("ttyUSB0", "ftdi_sio", {"0403", "6001", "FTDI", "FT232R USB UART", "SIM1"},
                         SimulatorPort.substr(5));
        Sysfs.AddUsbPort("ttyACM0", "cdc_acm", {"2341", "0043", "Arduino", "Uno", ""},
                         "velmora-no-such-node");
    }

    TFakeSysfs Sysfs;

    std::string MakeImage(const std::string& Name, int Pages) const {
        return WriteImageFile((Folder / Name).string(), Pages);
    }

    const TTempFolder Temp{"velmora-pcli"};
    const fs::path Folder = Temp.Path();
    std::unique_ptr<TProgrammerSimulator> Simulator;
};

TEST_F(ProgrammerCli, InitPrintsThePaneLinesWithoutColoursWhenNotATerminal) {
    TSimulatorOptions Options;
    Options.IdentificationText = "Test board";
    const std::string Port = StartSimulator(Options);
    const TProcessResult Result = Run({"--port", Port, "init"});
    EXPECT_EQ(Result.Code, 0) << Result.Err;
    EXPECT_EQ(Messages(Result.Out), (std::vector<std::string>{"Инициализация прошла успешно.",
                                                              "Контроллер: Test board."}));
    EXPECT_EQ(Result.Out.find('\033'), std::string::npos);
    EXPECT_EQ(Result.Err, "");
}

TEST_F(ProgrammerCli, PortComesFromTheSettingsFile) {
    const std::string Port = StartSimulator();
    std::ofstream(Folder / "xdg" / "Velmora" / "Settings.ini")
        << "[COM Port]\nCOM Name=" << Port << "\n";
    const TProcessResult Result = Run({"init"});
    EXPECT_EQ(Result.Code, 0) << Result.Err;
    EXPECT_EQ(Simulator->GetRequestCount(), 1u);
}

TEST_F(ProgrammerCli, WriteWithVerifyWritesTheRangeAndComparesIt) {
    const std::string Port = StartSimulator();
    const std::string Image = MakeImage("image.ldr", 6);
    const TProcessResult Result =
        Run({"write", "--first", "1", Image, "--last=4", "--verify", "--port", Port});
    EXPECT_EQ(Result.Code, 0) << Result.Err;
    EXPECT_EQ(Messages(Result.Out),
              (std::vector<std::string>{"Начата запись образа.", "Запись прошла успешно.",
                                        "Начато сравнение.", "Сравнение прошло успешно.",
                                        "Образ совпадает с образом в контроллере."}));
    EXPECT_EQ(Simulator->GetPage(0), TByteArray(PageLength, 0xFF));
    for (int Page = 1; Page <= 4; ++Page) {
        EXPECT_EQ(Simulator->GetPage(static_cast<std::uint16_t>(Page)), PatternPage(Page));
    }
    EXPECT_EQ(Simulator->GetPage(5), TByteArray(PageLength, 0xFF));
}

TEST_F(ProgrammerCli, CompareReportsADifferenceWithItsOwnExitCode) {
    const std::string Port = StartSimulator();
    for (int Page = 0; Page < 3; ++Page) {
        Simulator->SetPage(static_cast<std::uint16_t>(Page), PatternPage(Page));
    }
    const std::string Image = MakeImage("image.ldr", 4);
    const TProcessResult Equal =
        Run({"--port", Port, "compare", Image, "--first", "0", "--last", "2"});
    EXPECT_EQ(Equal.Code, 0) << Equal.Err;
    const TProcessResult Different = Run({"--port", Port, "compare", Image});
    EXPECT_EQ(Different.Code, 3) << Different.Err;
    EXPECT_EQ(Messages(Different.Out),
              (std::vector<std::string>{"Начато сравнение.", "Страница 3 отличается.",
                                        "Образ не совпадает с образом в контроллере."}));
}

// Whether a board names each command's family in its successes is learnt command by command.
// A board that answers every page command with one success code, or with codes of mixed
// families, writes and verifies many pages as any other. A refusal is reported as the board
// gave it, also after many pages answered in their own families.
TEST_F(ProgrammerCli, ReplyFamiliesAreLearntCommandByCommand) {
    const std::string Image = MakeImage("image.ldr", 20);
    const auto OneCode = [](std::uint8_t Code) {
        std::map<std::uint8_t, std::uint8_t> Codes;
        for (const std::uint8_t Command :
             {SimCmdTransfer, SimCmdWrite, SimCmdRead, SimCmdCompare, SimCmdErase}) {
            Codes[Command] = Code;
        }
        return Codes;
    };
    const struct {
        const char* Board;
        std::map<std::uint8_t, std::uint8_t> SuccessCodes;
        std::map<std::uint16_t, std::uint8_t> RefusedWrites;
        int Code;
        std::vector<std::string> Errors;
    } Cases[] = {
        {"every page command answered 51h", OneCode(0x51), {}, 0, {}},
        {"every page command answered 21h", OneCode(0x21), {}, 0, {}},
        {"families mixed",
         {{SimCmdTransfer, 0x41}, {SimCmdWrite, 0x11}, {SimCmdCompare, 0x21}},
         {},
         0,
         {}},
        {"the write of page 17 refused with 13h",
         {},
         {{17, 0x13}},
         1,
         {"Ошибка работы с контроллером. Страница 17, команда 20h, ответ 13h."}},
    };
    for (const auto& Case : Cases) {
        TSimulatorOptions Options;
        Options.SuccessCodes = Case.SuccessCodes;
        Options.RefusedWrites = Case.RefusedWrites;
        const TProcessResult Result =
            Run({"--port", StartSimulator(Options), "write", "--verify", Image});
        EXPECT_EQ(Result.Code, Case.Code) << Case.Board << ": " << Result.Err;
        EXPECT_EQ(Messages(Result.Err), Case.Errors) << Case.Board;
    }
}

TEST_F(ProgrammerCli, CompareAllCountsTheDifferingBytesAndBitsOfEveryDifferingPage) {
    const std::string Port = StartSimulator();
    const std::string Image = MakeImage("image.ldr", 6);
    const char* NotErased =
        "Похоже, микросхема не была стёрта перед записью: все отличающиеся биты в ней 0 вместо 1.";
    const char* Differs = "Образ не совпадает с образом в контроллере.";
    const struct {
        const char* What;
        std::vector<std::string> Range;
        std::map<int, TByteArray> Chip; // the pages made different
        int Code;
        std::vector<std::string> Lines; // after the start line
    } Cases[] = {
        {"all equal",
         {},
         {},
         0,
         {"Сравнение прошло успешно.", "Образ совпадает с образом в контроллере."}},
        {"bits cleared",
         {},
         {{2, FlipBits(PatternPage(2), 0x01, true, 5)}},
         3,
         {"Страница 2: отличаются 5 байт; битов 1→0: 5, 0→1: 0.", "Отличается 1 страница из 6.",
          NotErased, Differs}},
        {"bits set",
         {},
         {{3, FlipBits(PatternPage(3), 0x80, false, 1)}},
         3,
         {"Страница 3: отличается 1 байт; битов 1→0: 0, 0→1: 1.", "Отличается 1 страница из 6.",
          Differs}},
        {"bits cleared and set",
         {},
         {{4, FlipBits(FlipBits(PatternPage(4), 0x02, true, 2), 0x02, false, 3, 100)}},
         3,
         {"Страница 4: отличаются 5 байт; битов 1→0: 2, 0→1: 3.", "Отличается 1 страница из 6.",
          Differs}},
        // Pages 0 and 5, outside the range, differ too, with bits set.
        {"first and last page of a range",
         {"--first", "1", "--last", "4"},
         {{0, FlipBits(PatternPage(0), 0x10, false, 1)},
          {1, FlipBits(PatternPage(1), 0x04, true, 2)},
          {4, FlipBits(PatternPage(4), 0x40, true, 21)},
          {5, FlipBits(PatternPage(5), 0x10, false, 1)}},
         3,
         {"Страница 1: отличаются 2 байта; битов 1→0: 2, 0→1: 0.",
          "Страница 4: отличается 21 байт; битов 1→0: 21, 0→1: 0.", "Отличаются 2 страницы из 4.",
          NotErased, Differs}},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.What);
        for (int Page = 0; Page < 6; ++Page) {
            const auto Made = Case.Chip.find(Page);
            Simulator->SetPage(static_cast<std::uint16_t>(Page),
                               Made != Case.Chip.end() ? Made->second : PatternPage(Page));
        }
        std::vector<std::string> Arguments = {"--port", Port, "compare", Image, "--all"};
        Arguments.insert(Arguments.end(), Case.Range.begin(), Case.Range.end());
        const TProcessResult Result = Run(Arguments);
        EXPECT_EQ(Result.Code, Case.Code) << Result.Err;
        std::vector<std::string> Expected = {"Начато сравнение."};
        Expected.insert(Expected.end(), Case.Lines.begin(), Case.Lines.end());
        EXPECT_EQ(Messages(Result.Out), Expected);
    }
}

TEST_F(ProgrammerCli, RepairWritesTheDifferingPagesAgainUntilTheyMatchOrThePassesRunOut) {
    const std::string Image = MakeImage("image.ldr", 4);
    {
        // The first two writes of page 2 do not take: it matches on the second pass.
        TSimulatorOptions Options;
        Options.LostWrites = {{2, 2}};
        const std::string Port = StartSimulator(Options);
        Simulator->SetPage(2, FlipBits(PatternPage(2), 0x01, true, 3));
        const TProcessResult Result = Run({"--port", Port, "write", Image, "--verify", "--repair"});
        EXPECT_EQ(Result.Code, 0) << Result.Err;
        EXPECT_EQ(Messages(Result.Out),
                  (std::vector<std::string>{
                      "Начата запись образа.", "Запись прошла успешно.", "Начато сравнение.",
                      "Страница 2: отличаются 3 байта; битов 1→0: 3, 0→1: 0.",
                      "Отличается 1 страница из 4.",
                      "Похоже, микросхема не была стёрта перед записью: все отличающиеся биты в "
                      "ней 0 вместо 1.",
                      "Перезапись отличающихся страниц, проход 1 из 2.", "Страница 2 перезаписана.",
                      "Страница 2: отличаются 3 байта; битов 1→0: 3, 0→1: 0.",
                      "Перезапись отличающихся страниц, проход 2 из 2.", "Страница 2 перезаписана.",
                      "После перезаписи все страницы совпадают.",
                      "Образ совпадает с образом в контроллере."}));
        EXPECT_EQ(Simulator->GetPage(2), PatternPage(2));
        Simulator->Stop();
    }
    {
        // Pages 1 and 3 never hold what is written.
        TSimulatorOptions Options;
        Options.StuckPages = {1, 3};
        const std::string Port = StartSimulator(Options);
        const TProcessResult Result =
            Run({"--port", Port, "write", Image, "--verify", "--repair=3"});
        EXPECT_EQ(Result.Code, 1) << Result.Err;
        const std::vector<std::string> Lines = Messages(Result.Out);
        EXPECT_EQ(std::count(Lines.begin(), Lines.end(), "Страница 1 перезаписана."), 3);
        EXPECT_EQ(std::count(Lines.begin(), Lines.end(), "Страница 3 перезаписана."), 3);
        ASSERT_GE(Lines.size(), 2u);
        EXPECT_EQ(Lines[Lines.size() - 2],
                  "После перезаписи по-прежнему отличаются страницы 1, 3.");
        EXPECT_EQ(Lines.back(), "Образ не совпадает с образом в контроллере.");
    }
}

TEST_F(ProgrammerCli, JsonGivesEveryCommandOneObjectPerLineEndingWithItsResult) {
    const std::string Port = StartSimulator();
    const std::string Image = MakeImage("image.ldr", 4);
    for (int Page = 0; Page < 4; ++Page) {
        Simulator->SetPage(static_cast<std::uint16_t>(Page), PatternPage(Page));
    }
    Simulator->SetPage(2, FlipBits(PatternPage(2), 0x08, true, 3));
    using TJson = nlohmann::json;
    const struct {
        std::vector<std::string> Arguments;
        int Code;
        TJson Result; // fields the result must hold
        std::vector<int> ProgressPages;
    } Cases[] = {
        {{"--port", Port, "init"},
         0,
         {{"command", "init"}, {"identification", "Velmora simulator 1.0"}},
         {}},
        {{"--port", Port, "compare", Image},
         3,
         {{"pages", 4}, {"differing_pages", {{{"page", 2}}}}},
         {0, 1}},
        {{"--port", Port, "compare", Image, "--all", "--first", "1", "--last", "2"},
         3,
         {{"command", "compare"},
          {"pages", 2},
          {"differing_pages",
           {{{"page", 2}, {"bytes", 3}, {"bits_image1_chip0", 3}, {"bits_image0_chip1", 0}}}}},
         {1, 2}},
        {{"--port", Port, "read", (Folder / "copy").string(), "--first", "0", "--last", "1"},
         0,
         {{"file", (Folder / "copy.ldr").string()},
          {"pages", 2},
          {"missing_pages", TJson::array()}},
         {0, 1}},
        {{"--port", Port, "write", Image, "--first", "2", "--last", "2", "--verify"},
         0,
         {{"pages", 1}, {"differing_pages", TJson::array()}},
         {2, 2}},
        {{"--port", Port, "erase", "--first", "3", "--last", "3"},
         0,
         {{"command", "erase"}, {"pages", 1}},
         {3}},
        {{"check", Image}, 0, {{"command", "check"}}, {}},
        {{"dump", Image}, 0, {{"command", "dump"}}, {}},
        {{"resave", Image, (Folder / "again").string()}, 0, {{"command", "resave"}}, {}},
        {{"--help"}, 0, {{"command", "help"}}, {}},
        {{"--port", Port, "erase", "--first", "1"},
         2,
         {{"command", "erase"},
          {"error", {{"text", "velmora-cli erase: --first and --last go together"}}}},
         {}},
        {{"--port", Port, "write", (Folder / "missing.ldr").string()},
         1,
         {{"command", "write"},
          {"error",
           {{"text", "Не удалось загрузить файл. Файл " + (Folder / "missing.ldr").string() + ": " +
                         std::generic_category().message(ENOENT) + "."},
            {"file", (Folder / "missing.ldr").string()},
            {"reason", std::generic_category().message(ENOENT)}}}},
         {}},
        {{"frobnicate"},
         2,
         {{"command", ""}, {"error", {{"text", "velmora-cli: unknown command \"frobnicate\""}}}},
         {}},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(testing::PrintToString(Case.Arguments));
        std::vector<std::string> Arguments = {"--json"};
        Arguments.insert(Arguments.end(), Case.Arguments.begin(), Case.Arguments.end());
        const TProcessResult Outcome = Run(Arguments);
        EXPECT_EQ(Outcome.Code, Case.Code) << Outcome.Err;
        EXPECT_EQ(Outcome.Err, "");
        const std::vector<TJson> Objects = JsonObjects(Outcome.Out);
        ASSERT_FALSE(Objects.empty());
        EXPECT_EQ(Objects.back()["exit_code"], Case.Code);
        for (const auto& [Key, Value] : Case.Result.items()) {
            EXPECT_EQ(Objects.back()[Key], Value) << Key;
        }
        std::vector<int> Pages;
        for (const TJson& Object : Objects) {
            if (Object["type"] == "progress") {
                Pages.push_back(Object["page"]);
            }
        }
        EXPECT_EQ(Pages, Case.ProgressPages);
    }
}

TEST_F(ProgrammerCli, ReadSavesTheChipAndEraseEmptiesIt) {
    const std::string Port = StartSimulator();
    for (int Page = 0; Page < 3; ++Page) {
        Simulator->SetPage(static_cast<std::uint16_t>(Page), PatternPage(Page));
    }
    const TProcessResult Read =
        Run({"--port", Port, "read", (Folder / "copy").string(), "--first", "0", "--last", "2"});
    EXPECT_EQ(Read.Code, 0) << Read.Err;
    EXPECT_EQ(Messages(Read.Out),
              (std::vector<std::string>{"Начато чтение образа.", "Чтение прошло успешно."}));
    EXPECT_EQ(ReadFileText(Folder / "copy.ldr"), ReadFileText(MakeImage("expected.ldr", 3)));

    const TProcessResult Erase = Run({"--port", Port, "erase", "--first", "1", "--last", "1"});
    EXPECT_EQ(Erase.Code, 0) << Erase.Err;
    EXPECT_EQ(Simulator->GetPage(0), PatternPage(0));
    EXPECT_EQ(Simulator->GetPage(1), TByteArray(PageLength, 0xFF));
    EXPECT_EQ(Simulator->GetPage(2), PatternPage(2));
}

TEST_F(ProgrammerCli, RangesAreCheckedAsTheRangeDialogChecksThem) {
    const std::string Port = StartSimulator();
    const std::string Image = MakeImage("image.ldr", 3);
    struct TCase {
        std::vector<std::string> Arguments;
        std::string Complaint;
    };
    const std::vector<TCase> Cases = {
        {{"read", "x.ldr", "--first", "0", "--last", "5000"},
         "Конечный индекс не может быть больше 4095."},
        {{"erase", "--first", "9", "--last", "5"},
         "Начальный индекс не может быть больше конечного."},
        {{"erase", "--first", "4096", "--last", "4096"},
         "Конечный индекс не может быть больше 4095."},
        {{"write", Image, "--first", "0", "--last", "3"}, "В образе нет страниц: 3."},
        {{"compare", Image, "--first", "2", "--last", "1"},
         "Начальный индекс не может быть больше конечного."},
        {{"erase", "--first", "x1", "--last", "2"}, "«x1» не является допустимым целым числом."},
        {{"erase", "--first", "-1", "--last", "2"}, "«-1» не является допустимым целым числом."},
        {{"erase", "--first", "1"}, "velmora-cli erase: --first and --last go together"},
    };
    for (const TCase& Case : Cases) {
        std::vector<std::string> Arguments = {"--port", Port};
        Arguments.insert(Arguments.end(), Case.Arguments.begin(), Case.Arguments.end());
        const TProcessResult Result = Run(Arguments);
        EXPECT_EQ(Result.Code, 2) << Case.Complaint;
        EXPECT_NE(Result.Err.find(Case.Complaint), std::string::npos) << Result.Err;
    }
    // Nothing was erased, read or written; the write and compare cases loaded their file only.
    EXPECT_EQ(Simulator->GetRequestCount(), 0u);
}

TEST_F(ProgrammerCli, PortsListsEachPortInColumnsOrAsJsonObjects) {
    EXPECT_EQ(Run({"ports"}).Err, "velmora-cli: no serial ports found\n");
    const std::string Port = StartSimulator();
    AddUsbPorts(Port);
    Sysfs.AddVirtualTty("console");
    const std::string Missing = "/dev/velmora-no-such-node";
    const TProcessResult Plain = Run({"ports"});
    EXPECT_EQ(Plain.Code, 0);
    EXPECT_EQ(Plain.Err, "");
    EXPECT_EQ(SplitLines(Plain.Out),
              (std::vector<std::string>{
                  Missing + "  -  cdc_acm   unavailable  2341:0043  -     Arduino Uno",
                  Port + std::string(Missing.size() - Port.size(), ' ') +
                      "  -  ftdi_sio  free         0403:6001  SIM1  FTDI FT232R USB UART"}));

    const TProcessResult Json = Run({"--json", "ports"});
    EXPECT_EQ(Json.Code, 0);
    std::vector<nlohmann::json> Objects;
    for (const std::string& Line : SplitLines(Json.Out)) {
        Objects.push_back(nlohmann::json::parse(Line));
    }
    ASSERT_EQ(Objects.size(), 3u) << Json.Out;
    EXPECT_EQ(Objects[0], nlohmann::json::parse(R"({"type":"port","path":")" + Missing +
                                                R"(","com":null,"driver":"cdc_acm",
        "usb":{"vendor":"2341","product":"0043","manufacturer":"Arduino","product_name":"Uno",
               "serial":""},"state":"unavailable"})"));
    EXPECT_EQ(Objects[1], nlohmann::json::parse(R"({"type":"port","path":")" + Port +
                                                R"(","com":null,"driver":"ftdi_sio",
        "usb":{"vendor":"0403","product":"6001","manufacturer":"FTDI",
               "product_name":"FT232R USB UART","serial":"SIM1"},"state":"free"})"));
    EXPECT_EQ(Objects[2]["type"], "result");
    EXPECT_EQ(Objects[2]["command"], "ports");
    EXPECT_EQ(Objects[2]["exit_code"], 0);
}

TEST_F(ProgrammerCli, UsbPortNamesPickOnePortOrNameTheCandidates) {
    const std::string Port = StartSimulator();
    AddUsbPorts(Port);
    Sysfs.AddUsbPort("ttyUSB1", "ftdi_sio", {"0403", "6001", "FTDI", "FT232R", "B2"});
    const std::string Candidates = Port + " (0403:6001, serial SIM1), /dev/ttyUSB1 (0403:6001, "
                                          "serial B2)";
    struct TCase {
        std::vector<std::string> Arguments;
        int Code;
        std::string Err;
    };
    const TCase Cases[] = {
        {{"--port", "usb:SIM1", "init"}, 0, ""},
        {{"init", "--port=usb:0403:6001"},
         2,
         "velmora-cli: usb:0403:6001 matches more than one port: " + Candidates +
             "; name one by its serial number (usb:SERIAL)\n"},
        {{"--port", "usb:sim1", "init"},
         2,
         "velmora-cli: no serial port matches usb:sim1; USB serial ports present: "
         "/dev/velmora-no-such-node (2341:0043, serial none), " +
             Candidates + "\n"},
        {{"--port", "usb:2341:0043", "init"},
         1,
         "velmora-cli: cannot open port /dev/velmora-no-such-node: no such device\n"},
    };
    for (const TCase& Case : Cases) {
        const TProcessResult Result = Run(Case.Arguments);
        EXPECT_EQ(Result.Code, Case.Code) << Case.Arguments[1];
        // A port that does not open is followed by the failing command's own complaint.
        EXPECT_EQ(Case.Code == 1 ? Result.Err.substr(0, Case.Err.size()) : Result.Err, Case.Err)
            << Case.Arguments[1];
    }
    const std::vector<nlohmann::json> Json =
        JsonObjects(Run({"--json", "--port", "usb:none", "erase"}).Out);
    EXPECT_EQ(Json.back()["exit_code"], 2);
    EXPECT_EQ(Json.back()["command"], "erase");
    EXPECT_EQ(
        Json.back()["error"]["text"].get<std::string>().rfind("velmora-cli: no serial port", 0),
        0u);
}

TEST_F(ProgrammerCli, UsageErrors) {
    const std::vector<std::vector<std::string>> Cases = {
        {"write"},
        {"write", "a.ldr", "--verify=yes"},
        {"--simulate", "check", "a.ldr"},
        {"--port", "COM3", "dump", "a.ldr"},
        {"--simulate", "init", "--port", "COM3"},
        {"init", "--first", "1", "--last", "2"},
        {"--log-limit", "0", "init"},
        {"--log-limit=4X", "init"},
        {"--log-limit", "4K", "check", "a.ldr"},
        {"--simulate", "--log-limit"},
    };
    for (const auto& Arguments : Cases) {
        EXPECT_EQ(Run(Arguments).Code, 2) << Arguments.back();
    }
}

TEST_F(ProgrammerCli, ProgrammerErrorEndsWithARedLineOnStandardError) {
    TSimulatorOptions Options;
    Options.ForcedReplies = {{SimCmdErase, 0x13}};
    const std::string Port = StartSimulator(Options);
    const TProcessResult Result = Run({"--port", Port, "erase"});
    EXPECT_EQ(Result.Code, 1);
    EXPECT_EQ(Messages(Result.Out),
              (std::vector<std::string>{"Начато удаление образа из контроллера."}));
    EXPECT_EQ(Messages(Result.Err),
              (std::vector<std::string>{
                  "Ошибка работы с контроллером. Страница 0, команда 50h, ответ 13h."}));
}

// A failure names where it happened: the page, the command sent and the reply code the board
// gave, if it gave one; on standard error, in the error of the --json result and in the log.
TEST_F(ProgrammerCli, AFailureNamesItsPageCommandAndReply) {
    using TJson = nlohmann::json;
    const struct {
        const char* Fault;
        std::function<void(TSimulatorOptions&)> Cause;
        std::string Text;
        TJson Error; // the fields of the result's error
    } Cases[] = {
        {"a refused page",
         [](TSimulatorOptions& Options) {
             Options.ForcedReplies = {{SimCmdErase, 0x13}};
         },
         "Ошибка работы с контроллером. Страница 5, команда 50h, ответ 13h.",
         {{"page", 5}, {"command", 0x50}, {"reply", 0x13}}},
        // Pages 5 and 6 are answered, then the board is pulled out.
        {"a hang-up",
         [](TSimulatorOptions& Options) { Options.HangUpAfter = 2; },
         "Программатор не подключен. Страница 7, команда 50h.",
         {{"page", 7}, {"command", 0x50}}},
        {"a damaged reply",
         [](TSimulatorOptions& Options) { Options.DamageEvery = 3; },
         "Ошибка связи. Страница 7, команда 50h. Ответ повреждён: контрольная сумма не сходится.",
         {{"page", 7},
          {"command", 0x50},
          {"reason", "Ответ повреждён: контрольная сумма не сходится."}}},
    };
    const fs::path Log = Folder / "xdg" / "Velmora" / "Velmora.log";
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Fault);
        for (const bool Json : {false, true}) {
            TSimulatorOptions Options;
            Case.Cause(Options);
            std::vector<std::string> Arguments = {
                "--port", StartSimulator(Options), "erase", "--first", "5", "--last", "9"};
            if (Json) {
                Arguments.insert(Arguments.begin(), "--json");
            }
            const TProcessResult Result = Run(Arguments);
            EXPECT_EQ(Result.Code, 1) << Result.Err;
            if (Json) {
                TJson Error = Case.Error;
                Error["text"] = Case.Text;
                EXPECT_EQ(JsonObjects(Result.Out).back()["error"], Error);
            } else {
                EXPECT_EQ(Messages(Result.Err), (std::vector<std::string>{Case.Text}));
            }
            EXPECT_NE(ReadFileText(Log.string()).find(Case.Text), std::string::npos);
        }
    }
}

TEST_F(ProgrammerCli, LoadFailureIsAnErrorNamingTheFile) {
    const std::string Port = StartSimulator();
    WriteFileText(Folder / "bad.ldr", ":020000040000FA\n\n:0100000011E\n");
    WriteFileText(Folder / "end-only.ldr", ":00000001FF\n");
    // A missing file with the system's reason.
    const std::pair<std::string, std::string> Cases[] = {
        {"missing.ldr", "Не удалось загрузить файл. Файл " + (Folder / "missing.ldr").string() +
                            ": " + std::generic_category().message(ENOENT) + "."},
        {"end-only.ldr", "Не удалось загрузить файл. Файл " + (Folder / "end-only.ldr").string() +
                             ": в нём нет данных."},
        {"bad.ldr", "Строка 3: Нечетная длинна HEX строки."},
    };
    for (const auto& [Name, Message] : Cases) {
        const TProcessResult Result = Run({"--port", Port, "write", (Folder / Name).string()});
        EXPECT_EQ(Result.Code, 1) << Name;
        EXPECT_EQ(Result.Out, "") << Name;
        EXPECT_EQ(Messages(Result.Err), (std::vector<std::string>{Message})) << Name;
    }
}

TEST_F(ProgrammerCli, CtrlCStopsTheOperationAfterItsCurrentPage) {
    TSimulatorOptions Options;
    Options.ReplyDelayMs = 5;
    const std::string Port = StartSimulator(Options);
    const pid_t Child = Spawn({"--port", Port, "erase"});
    EXPECT_TRUE(Simulator->WaitForHandledRequests(3, TestWaitBoundMs));
    kill(Child, SIGINT);
    const TProcessResult Result = Finish(Child);
    EXPECT_EQ(Result.Code, 4) << Result.Err;
    const std::vector<std::string> Lines = Messages(Result.Out);
    ASSERT_FALSE(Lines.empty());
    EXPECT_EQ(Lines.back(), "Удаление образа прервано.");
    EXPECT_LT(Simulator->GetRequestCount(), 4096u);
}

// Ctrl-C while a silent board is awaited ends the wait at once: the command ends as stopped,
// with its stopped line and exit 4, not with the time-out's failure (a page transfer waits
// 5280 ms for its answer).
TEST_F(ProgrammerCli, CtrlCWhileASilentBoardIsAwaitedStopsAtOnce) {
    TSimulatorOptions Options;
    Options.NeverAnswer = true;
    const std::string Port = StartSimulator(Options);
    const std::string Image = MakeImage("image.ldr", 4);
    const pid_t Child = Spawn({"--port", Port, "write", Image});
    EXPECT_TRUE(Simulator->WaitForHandledRequests(1, TestWaitBoundMs));
    kill(Child, SIGINT);
    const TProcessResult Result = Finish(Child);
    EXPECT_EQ(Result.Code, 4) << Result.Err;
    EXPECT_EQ(Messages(Result.Err), std::vector<std::string>{});
    const std::vector<std::string> Lines = Messages(Result.Out);
    ASSERT_FALSE(Lines.empty());
    EXPECT_EQ(Lines.back(), "Запись образа прервана.");
    EXPECT_EQ(Simulator->GetRequestCount(), 1u);
}

// Ctrl-C typed twice in quick succession at a terminal: SIGINT to the whole process group, the
// second Delay after the process took the first (two at once could merge into one).
void PressCtrlCTwiceAtTheTerminal(pid_t Group, std::chrono::milliseconds Delay) {
    kill(-Group, SIGINT);
    EXPECT_TRUE(WaitUntil([&] { return !SignalPending(Group, SIGINT); }, TestWaitBound));
    std::this_thread::sleep_for(Delay);
    kill(-Group, SIGINT);
}

// An impatient hand presses Ctrl-C twice during a long read or write: the second comes while the
// page is still under way, while the command ends or after it has ended, and each time the
// command stops after its page with its stopped result (plain and --json), the file it would
// have written is left as it was, and the traffic log ends as a session's end writes it.
TEST_F(ProgrammerCli, TwoQuickCtrlCsStopTheCommandWithItsResultEveryTime) {
    TSimulatorOptions Options;
    Options.ReplyDelayMs = 2;
    const std::string Port = StartSimulator(Options);
    const std::string Image = MakeImage("image.ldr", 400);
    const std::string Chip = (Folder / "chip.ldr").string();
    const std::string Kept = ReadFileText(Image);
    WriteFileText(Chip, Kept);
    const std::string Log = (Folder / "xdg" / "Velmora" / "Velmora.log").string();
    for (int Run = 0; Run < 30; ++Run) {
        const bool Read = Run % 2 == 0;
        const bool Json = Run % 4 >= 2;
        std::vector<std::string> Words = {"--port", Port};
        Words.insert(Words.end(), {Read ? "read" : "write", Read ? Chip : Image});
        if (Json) {
            Words.push_back("--json");
        }
        const std::string Name = testing::PrintToString(Words) + " run " + std::to_string(Run);
        const std::size_t Before = Simulator->GetRequestCount();
        const pid_t Child = Spawn(Words);
        ASSERT_TRUE(Simulator->WaitForHandledRequests(Before + 6, TestWaitBoundMs)) << Name;
        PressCtrlCTwiceAtTheTerminal(Child, std::chrono::milliseconds(Run % 6));
        const TProcessResult Result = Finish(Child);
        ASSERT_EQ(Result.Code, CliStopped) << Name << Result.Out << Result.Err;
        const std::string Stopped = Read ? SReadStopped : SWriteStopped;
        if (Json) {
            const nlohmann::json Last = JsonObjects(Result.Out).back();
            EXPECT_EQ(Last["exit_code"], CliStopped) << Name;
            EXPECT_EQ(Last["error"], nlohmann::json({{"text", Stopped}})) << Name;
        } else {
            EXPECT_EQ(Messages(Result.Out).back(), Stopped) << Name;
        }
        EXPECT_EQ(ReadFileText(Chip), Kept) << Name;
        const std::string Traffic = ReadFileText(Log);
        const std::string End = std::string(SPackageExtractorDestroyed) + "\r\n";
        EXPECT_EQ(
            Traffic.compare(Traffic.size() - std::min(Traffic.size(), End.size()), End.size(), End),
            0)
            << Name;
    }
}

TEST_F(ProgrammerCli, JsonOfAStoppedCompareEndsWithItsResult) {
    TSimulatorOptions Options;
    Options.ReplyDelayMs = 5;
    const std::string Port = StartSimulator(Options);
    const std::string Image = MakeImage("image.ldr", 400);
    const pid_t Child = Spawn({"--json", "--port", Port, "compare", Image, "--all"});
    EXPECT_TRUE(Simulator->WaitForHandledRequests(6, TestWaitBoundMs));
    kill(Child, SIGINT);
    const TProcessResult Result = Finish(Child);
    EXPECT_EQ(Result.Code, 4) << Result.Err;
    const std::vector<nlohmann::json> Objects = JsonObjects(Result.Out);
    ASSERT_FALSE(Objects.empty());
    EXPECT_EQ(Objects.back()["exit_code"], 4);
    EXPECT_EQ(Objects.back()["error"], nlohmann::json({{"text", "Сравнение прервано."}}));
    EXPECT_LT(Simulator->GetRequestCount(), 800u);
}

TEST_F(ProgrammerCli, SilentProgrammerTimesOut) {
    TSimulatorOptions Options;
    Options.NeverAnswer = true;
    const std::string Port = StartSimulator(Options);
    const TProcessResult Result = Run({"--port", Port, "init"});
    EXPECT_EQ(Result.Code, 1);
    EXPECT_EQ(Messages(Result.Err),
              (std::vector<std::string>{"Программатор не подключен. Команда F0h."}));
}

TEST_F(ProgrammerCli, PortThatCannotBeOpenedIsExplainedBeforeTheTimeOut) {
    const TProcessResult Result = Run({"--port", (Folder / "no-such-port").string(), "init"});
    EXPECT_EQ(Result.Code, 1);
    const std::vector<std::string> Lines = SplitLines(Result.Err);
    ASSERT_EQ(Lines.size(), 2u);
    EXPECT_EQ(Lines[0], "velmora-cli: cannot open port " + (Folder / "no-such-port").string() +
                            ": no such device");
    EXPECT_NE(Lines[1].find("Программатор не подключен."), std::string::npos);
}

// An erase of 32 pages logs about 16 kB: with a 4 KiB limit the log moves aside on the way.
TEST_F(ProgrammerCli, LogLimitComesFromTheCommandLineElseTheSettingsFile) {
    const fs::path Data = Folder / "xdg" / "Velmora";
    const struct {
        const char* Settings;
        std::vector<std::string> Options;
        bool MovedAside;
    } Cases[] = {
        {"", {"--log-limit", "4K"}, true},
        {"[Log]\r\nLog Limit=4K\r\n", {}, true},
        {"[Log]\r\nLog Limit=4K\r\n", {"--log-limit=1M"}, false},
        {"[Log]\r\nLog Limit=0\r\n", {}, false},
    };
    for (const auto& Case : Cases) {
        WriteFileText((Data / "Settings.ini").string(), Case.Settings);
        std::vector<std::string> Arguments = {"--simulate"};
        Arguments.insert(Arguments.end(), Case.Options.begin(), Case.Options.end());
        Arguments.insert(Arguments.end(), {"erase", "--first", "0", "--last", "31"});
        const TProcessResult Result = Run(Arguments);
        ASSERT_EQ(Result.Code, 0) << Result.Err;
        const std::string Older = ReadFileText((Data / "Velmora.log.1").string());
        const std::string Current = ReadFileText((Data / "Velmora.log").string());
        ASSERT_EQ(!Older.empty(), Case.MovedAside) << Case.Settings;
        if (Case.MovedAside) {
            EXPECT_LE(Older.size(), 4096u);
            EXPECT_LE(Current.size(), 4096u);
            // The current file goes on with the number after the older file's last record.
            static const std::regex Record("(^|\r\n)([0-9]+)\t");
            int Last = 0;
            for (auto Each = std::sregex_iterator(Older.begin(), Older.end(), Record);
                 Each != std::sregex_iterator(); ++Each) {
                Last = std::stoi((*Each)[2]);
            }
            EXPECT_EQ(std::stoi(Current), Last + 1);
        } else {
            EXPECT_GT(Current.size(), 8192u);
        }
    }
}

TEST_F(ProgrammerCli, SimulateRunsACommandAgainstABuiltInProgrammer) {
    const TProcessResult Result =
        Run({"--simulate", "write", "--verify", VELMORA_SAMPLES_DIR "/small.ldr"});
    EXPECT_EQ(Result.Code, 0) << Result.Err;
    EXPECT_EQ(Messages(Result.Out).back(), "Образ совпадает с образом в контроллере.");
}

// A read never reports success, or leaves a file, for data the programmer did not give.
TEST_F(ProgrammerCli, ReadOfDamagedOrUnidentifiedPagesFailsAndSavesNothing) {
    const struct {
        const char* Name;
        void (*Fault)(TSimulatorOptions&);
        const char* LastOutLine;
    } Cases[] = {
        {"replies cut short", [](TSimulatorOptions& O) { O.CutRepliesTo = 100; },
         "Начато чтение образа."},
        {"replies damaged", [](TSimulatorOptions& O) { O.DamageEvery = 1; },
         "Начато чтение образа."},
        {"page not identified", [](TSimulatorOptions& O) { O.UnknownPages = {1}; },
         "Чтение не завершено: не прочитаны страницы 1."},
    };
    for (const auto& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        TSimulatorOptions Options;
        Case.Fault(Options);
        const std::string Port = StartSimulator(Options);
        const fs::path Target = Folder / "copy.ldr";
        const TProcessResult Result =
            Run({"--port", Port, "read", Target.string(), "--first", "0", "--last", "2"});
        EXPECT_EQ(Result.Code, 1) << Result.Err;
        const std::vector<std::string> Lines = Messages(Result.Out);
        ASSERT_FALSE(Lines.empty());
        EXPECT_EQ(Lines.back(), Case.LastOutLine);
        EXPECT_FALSE(fs::exists(Target));
        Simulator->Stop();
    }
}

TEST_F(ProgrammerCli, PartialReadSavesThePagesReadAndLeavesTheOthersOut) {
    TSimulatorOptions Options;
    Options.UnknownPages = {1};
    const std::string Port = StartSimulator(Options);
    for (int Page = 0; Page < 3; ++Page) {
        Simulator->SetPage(static_cast<std::uint16_t>(Page), PatternPage(Page));
    }
    const fs::path Target = Folder / "copy.ldr";
    const TProcessResult Result =
        Run({"--port", Port, "read", Target.string(), "--partial", "--first", "0", "--last", "2"});
    EXPECT_EQ(Result.Code, 1) << Result.Err;
    // No record of the file touches page 1; pages 0 and 2 are the chip's.
    auto File = std::make_shared<THexFile>();
    File->LoadFromFile(Target.string());
    std::uint32_t Base = 0;
    for (std::int32_t Index = 0; Index < File->GetCount(); ++Index) {
        const THexLine& Line = File->GetLine(Index);
        if (Line.GetRecordType() == 4) {
            Base = std::uint32_t{Line.GetData()[0]} << 24 | std::uint32_t{Line.GetData()[1]} << 16;
            continue;
        }
        const std::uint32_t Start = Base + Line.GetAddress();
        const auto End = static_cast<std::uint32_t>(Start + Line.GetData().size());
        EXPECT_TRUE(End <= PageLength || Start >= 2 * PageLength) << "record at " << Start;
    }
    std::shared_ptr<IMemoryMap> Map;
    THexFileToMemoryMapConverter().HexToMemoryMap(File, PageLength, Map);
    ASSERT_EQ(Map->GetPageNumbers(), (std::vector<std::int32_t>{0, 2}));
    EXPECT_EQ(Map->FindPage(0)->GetData(), PatternPage(0));
    EXPECT_EQ(Map->FindPage(2)->GetData(), PatternPage(2));
}

// A range read written back lands on the pages it came from: every other chip page keeps its
// bytes, the file holds only the pages read and stays so, and a range it lacks is refused.
TEST_F(ProgrammerCli, ARangeReadWrittenBackTouchesOnlyItsOwnPages) {
    const std::string Port = StartSimulator();
    constexpr int Pages = 120;
    const auto FillChip = [this](int Seed) {
        for (int Page = 0; Page < Pages; ++Page) {
            Simulator->SetPage(static_cast<std::uint16_t>(Page), PatternPage(Page, Seed));
        }
    };
    FillChip(0);
    const std::string Part = (Folder / "part.ldr").string();
    const TProcessResult Read =
        Run({"--port", Port, "read", Part, "--first", "100", "--last", "110"});
    ASSERT_EQ(Read.Code, 0) << Read.Err;

    const TProcessResult Check = Run({"check", Part});
    EXPECT_NE(Check.Out.find("В образе 11 страниц."), std::string::npos) << Check.Out;
    const std::string Copy = (Folder / "copy.ldr").string();
    ASSERT_EQ(Run({"resave", Part, Copy}).Code, 0);
    EXPECT_EQ(ReadFileText(Copy), ReadFileText(Part));
    // A raw file would make pages 0..99 look read.
    const TProcessResult Raw = Run({"resave", Part, (Folder / "part.bin").string()});
    EXPECT_EQ(Raw.Code, 1);
    EXPECT_NE(Raw.Err.find("в образе нет страниц 0-99"), std::string::npos) << Raw.Err;
    EXPECT_FALSE(fs::exists(Folder / "part.bin"));

    FillChip(7);
    const TProcessResult Write = Run({"--port", Port, "write", Part});
    ASSERT_EQ(Write.Code, 0) << Write.Err;
    for (int Page = 0; Page < Pages; ++Page) {
        const bool InImage = Page >= 100 && Page <= 110;
        EXPECT_EQ(Simulator->GetPage(static_cast<std::uint16_t>(Page)),
                  PatternPage(Page, InImage ? 0 : 7))
            << "chip page " << Page;
    }
    EXPECT_EQ(Run({"--port", Port, "compare", Part, "--all"}).Code, 0);

    FillChip(7);
    const TProcessResult Refused =
        Run({"--port", Port, "write", Part, "--first", "0", "--last", "110"});
    EXPECT_EQ(Refused.Code, 2);
    EXPECT_NE(Refused.Err.find("В образе нет страниц: 0-99."), std::string::npos) << Refused.Err;
    EXPECT_EQ(Simulator->GetPage(100), PatternPage(100, 7));
}

// ---- Several ports at once ----

class SeveralPortsCli : public ProgrammerCli {
protected:
    // Starts a simulator for each of Options and returns their ports.
    std::vector<std::string> StartSimulators(const std::vector<TSimulatorOptions>& Options) {
        std::vector<std::string> Ports;
        for (const TSimulatorOptions& One : Options) {
            Boards.push_back(::StartSimulator(One));
            Ports.push_back(Boards.back()->GetPortPath());
        }
        return Ports;
    }

    // "--port P" for each of Ports, then Command.
    static std::vector<std::string> OnPorts(const std::vector<std::string>& Ports,
                                            std::vector<std::string> Command) {
        std::vector<std::string> Words;
        for (const std::string& Port : Ports) {
            Words.insert(Words.end(), {"--port", Port});
        }
        Words.insert(Words.end(), Command.begin(), Command.end());
        return Words;
    }

    // The summary table's rows after its header, port -> its words; fails the test unless the
    // table ends the output with one row per port.
    static std::map<std::string, std::vector<std::string>>
    SummaryRows(const std::string& Out, const std::vector<std::string>& Ports) {
        const std::vector<std::string> Lines = SplitLines(Out);
        std::map<std::string, std::vector<std::string>> Rows;
        if (Lines.size() <= Ports.size()) {
            ADD_FAILURE() << "no summary table in:\n" << Out;
            return Rows;
        }
        const std::size_t Header = Lines.size() - Ports.size() - 1;
        EXPECT_EQ(Lines[Header].rfind("PORT", 0), 0u) << Lines[Header];
        for (std::size_t Index = Header + 1; Index < Lines.size(); ++Index) {
            static const std::regex Row("^(\\S+)\\s+(.+?)\\s{2,}(.+?)\\s+([0-9]+\\.[0-9])$");
            std::smatch Match;
            EXPECT_TRUE(std::regex_match(Lines[Index], Match, Row)) << Lines[Index];
            Rows[Match[1]] = {Match[2], Match[3]};
        }
        return Rows;
    }

    // Starts a whole-chip erase on two slow boards, whose ports go to Ports, and returns once it
    // is under way on both.
    pid_t StartEraseOnTwoSlowBoards(std::vector<std::string>& Ports) {
        TSimulatorOptions Slow;
        Slow.ReplyDelayMs = 5;
        Ports = StartSimulators({Slow, Slow});
        const pid_t Child = Spawn(OnPorts(Ports, {"erase"}));
        for (const auto& Board : Boards) {
            EXPECT_TRUE(Board->WaitForHandledRequests(4, TestWaitBoundMs));
        }
        return Child;
    }

    // A station in this process that runs Job on every board at once, its log going on from
    // board to board, recording into boards.csv of the test's folder.
    TStationSetup StationSetup(std::vector<std::string> Job, bool Json = false) const {
        TStationSetup Setup;
        Setup.Job.Words = std::move(Job);
        Setup.Global.Json = Json;
        Setup.Global.LogAppend = true;
        Setup.RecordFile = (Folder / "boards.csv").string();
        Setup.Settle = std::chrono::milliseconds(0);
        return Setup;
    }

    // The records store of the test's stations: a database file in the test's folder.
    std::unique_ptr<IRecordStore> RecordStore() const {
        return OpenRecordStore((Folder / "records.sqlite").string());
    }

    std::vector<std::unique_ptr<TProgrammerSimulator>> Boards;
};

TEST_F(SeveralPortsCli, BoardsThatFailLeaveTheOthersToFinish) {
    TSimulatorOptions Silent;
    Silent.NeverAnswer = true;
    TSimulatorOptions Refusing;
    Refusing.ForcedReplies = {{0x20, 0x23}};
    TSimulatorOptions Unplugged;
    Unplugged.HangUpAfter = 30;
    const std::vector<std::string> Ports =
        StartSimulators({TSimulatorOptions{}, Silent, Refusing, Unplugged, TSimulatorOptions{}});
    const std::string Image = MakeImage("image.ldr", 40);
    const TProcessResult Result = Run(OnPorts(Ports, {"write", Image, "--verify"}));
    EXPECT_EQ(Result.Code, 1) << Result.Err;

    for (const std::size_t Good : {0u, 4u}) {
        for (int Page = 0; Page < 40; ++Page) {
            EXPECT_EQ(Boards[Good]->GetPage(static_cast<std::uint16_t>(Page)), PatternPage(Page));
        }
    }
    const auto Rows = SummaryRows(Result.Out, Ports);
    using TRow = std::vector<std::string>;
    EXPECT_EQ(Rows.at(Ports[0]), (TRow{"Velmora simulator 1.0", "ok"}));
    EXPECT_EQ(Rows.at(Ports[1]), (TRow{"-", "failed: Программатор не подключен. Команда F0h."}));
    EXPECT_EQ(Rows.at(Ports[2]),
              (TRow{"Velmora simulator 1.0", "failed: Ошибка работы с контроллером. Страница 0, "
                                             "команда 20h, ответ 23h."}));
    EXPECT_EQ(Rows.at(Ports[3]).at(1).rfind("failed: ", 0), 0u);
    EXPECT_EQ(Rows.at(Ports[4]), (TRow{"Velmora simulator 1.0", "ok"}));

    // Every message line names its port; each port has a traffic log of its own.
    const std::vector<std::string> Lines = SplitLines(Result.Out);
    for (std::size_t Index = 0; Index + Ports.size() + 1 < Lines.size(); ++Index) {
        EXPECT_TRUE(std::any_of(Ports.begin(), Ports.end(), [&](const std::string& Port) {
            return Lines[Index].rfind(Port + ": ", 0) == 0;
        })) << Lines[Index];
    }
    const fs::path Data = Folder / "xdg" / "Velmora";
    EXPECT_FALSE(fs::exists(Data / "Velmora.log"));
    for (const std::string& Port : Ports) {
        const fs::path Log = Data / ("Velmora-pts-" + Port.substr(9) + ".log");
        EXPECT_TRUE(fs::exists(Log) && fs::file_size(Log) > 0) << Log;
    }
}

// On a terminal each port has a line of its own, drawn again in place as the ports go on, and
// the table follows the last drawing.
TEST_F(SeveralPortsCli, OnATerminalEachPortKeepsOneLiveLine) {
    TSimulatorOptions Slow;
    Slow.ReplyDelayMs = 2;
    const std::vector<std::string> Ports = StartSimulators({Slow, Slow});
    std::string Command = VELMORA_CLI_PATH;
    for (const std::string& Port : Ports) {
        Command += " --port " + Port;
    }
    Command += " erase --first 0 --last 99";
    const TProcessResult Result =
        WaitForProcess(StartProcess({"/usr/bin/script", "-qefc", Command, "/dev/null"}, Folder,
                                    {"XDG_DATA_HOME=" + (Folder / "xdg").string()}),
                       Folder);
    ASSERT_EQ(Result.Code, 0) << Result.Out << Result.Err;
    // Every drawing after the first goes back up over the two lines before it.
    const std::string Up = "\033[2A\r\033[J";
    const std::size_t LastDrawing = Result.Out.rfind(Up);
    ASSERT_NE(LastDrawing, std::string::npos) << Result.Out;
    std::vector<std::string> Lines;
    std::istringstream Rest(Result.Out.substr(LastDrawing + Up.size()));
    for (std::string Line; std::getline(Rest, Line);) {
        Lines.push_back(Line.substr(0, Line.find_last_not_of('\r') + 1));
    }
    ASSERT_EQ(Lines.size(), 5u) << Result.Out;
    // Each port's name, padded to the longest, then its result.
    for (std::size_t Index = 0; Index < Ports.size(); ++Index) {
        EXPECT_TRUE(std::regex_match(Lines[Index], std::regex(Ports[Index] + "  +ok")))
            << Lines[Index];
    }
    EXPECT_EQ(Lines[2].rfind("PORT", 0), 0u);
    EXPECT_NE(Result.Out.find("%"), std::string::npos) << "no progress shown";
}

TEST_F(SeveralPortsCli, DifferencesAloneGiveTheirExitCodeAndEveryJsonLineNamesItsPort) {
    const std::vector<std::string> Ports = StartSimulators({TSimulatorOptions{}, {}});
    for (int Page = 0; Page < 3; ++Page) {
        Boards[0]->SetPage(static_cast<std::uint16_t>(Page), PatternPage(Page));
        Boards[1]->SetPage(static_cast<std::uint16_t>(Page), PatternPage(Page));
    }
    Boards[1]->SetPage(2, PatternPage(7));
    const std::string Image = MakeImage("image.ldr", 3);
    const TProcessResult Result = Run(OnPorts(Ports, {"--json", "compare", Image}));
    EXPECT_EQ(Result.Code, 3) << Result.Err;
    const std::vector<std::string> Lines = SplitLines(Result.Out);
    ASSERT_FALSE(Lines.empty());
    std::map<std::string, nlohmann::json> Results;
    for (const std::string& Line : Lines) {
        const nlohmann::json Object = nlohmann::json::parse(Line);
        if (Object["type"] == "summary") {
            EXPECT_EQ(&Line, &Lines.back());
            continue;
        }
        ASSERT_TRUE(Object["port"].is_string()) << Line;
        if (Object["type"] == "result") {
            Results[Object["port"]] = Object;
        }
    }
    EXPECT_EQ(Results.at(Ports[0])["exit_code"], 0);
    EXPECT_EQ(Results.at(Ports[1])["differing_pages"], nlohmann::json::array({{{"page", 2}}}));
    const nlohmann::json Summary = nlohmann::json::parse(Lines.back());
    EXPECT_EQ(Summary["exit_code"], 3);
    ASSERT_EQ(Summary["ports"].size(), 2u);
    EXPECT_EQ(Summary["ports"][1]["port"], Ports[1]);
    EXPECT_EQ(Summary["ports"][1]["result"], "different");
}

// A port that does not exist fails in the table with the reason, not just as a silent board;
// its entry in the --json summary gives the port and the reason as fields.
TEST_F(SeveralPortsCli, APortThatDoesNotExistIsNamedWithItsReason) {
    const std::vector<std::string> Ports = {StartSimulators({TSimulatorOptions{}}).front(),
                                            (Folder / "no-such-port").string()};
    const std::string Text = "Программатор не подключен. Команда F0h. Не удалось открыть порт " +
                             Ports[1] + ": нет такого устройства.";
    const TProcessResult Plain = Run(OnPorts(Ports, {"erase", "--first", "0", "--last", "1"}));
    EXPECT_EQ(Plain.Code, 1) << Plain.Err;
    const auto Rows = SummaryRows(Plain.Out, Ports);
    using TRow = std::vector<std::string>;
    EXPECT_EQ(Rows.at(Ports[0]), (TRow{"Velmora simulator 1.0", "ok"}));
    EXPECT_EQ(Rows.at(Ports[1]), (TRow{"-", "failed: " + Text}));

    const TProcessResult Json =
        Run(OnPorts(Ports, {"--json", "erase", "--first", "0", "--last", "1"}));
    EXPECT_EQ(Json.Code, 1) << Json.Err;
    const std::vector<std::string> Lines = SplitLines(Json.Out);
    ASSERT_FALSE(Lines.empty());
    const nlohmann::json Summary = nlohmann::json::parse(Lines.back());
    ASSERT_EQ(Summary["ports"].size(), 2u);
    EXPECT_EQ(Summary["ports"][1]["error"], nlohmann::json({{"text", Text},
                                                            {"command", 0xF0},
                                                            {"port", Ports[1]},
                                                            {"reason", "нет такого устройства"}}));
    EXPECT_FALSE(Summary["ports"][0].contains("error"));
    EXPECT_EQ(Summary["ports"][0]["identification"], "Velmora simulator 1.0");
    EXPECT_TRUE(Summary["ports"][1]["identification"].is_null()) << Summary;

    // A command line that does not fit still ends with the summary of the ports.
    const TProcessResult Usage = Run(OnPorts(Ports, {"--json", "write"}));
    EXPECT_EQ(Usage.Code, 2);
    const nlohmann::json Last = nlohmann::json::parse(SplitLines(Usage.Out).back());
    EXPECT_EQ(Last["type"], "summary");
    EXPECT_EQ(Last["ports"].size(), 2u);
}

TEST_F(SeveralPortsCli, ReadSavesAFilePerPortNamedByItsTag) {
    const std::vector<std::string> Ports = StartSimulators({TSimulatorOptions{}, {}});
    Boards[0]->SetPage(0, PatternPage(0, 1));
    Boards[1]->SetPage(0, PatternPage(0, 2));
    const std::string Target = (Folder / "chip-{port}.bin").string();
    const TProcessResult Untagged =
        Run(OnPorts(Ports, {"read", (Folder / "chip.bin").string(), "--first=0", "--last=0"}));
    EXPECT_EQ(Untagged.Code, 2);
    EXPECT_NE(Untagged.Err.find("{port}"), std::string::npos) << Untagged.Err;

    const TProcessResult Result = Run(OnPorts(Ports, {"read", Target, "--first=0", "--last=0"}));
    EXPECT_EQ(Result.Code, 0) << Result.Err;
    for (std::size_t Index = 0; Index < Ports.size(); ++Index) {
        std::ifstream File(Folder / ("chip-pts-" + Ports[Index].substr(9) + ".bin"),
                           std::ios::binary);
        const TByteArray Bytes{std::istreambuf_iterator<char>(File), {}};
        EXPECT_EQ(Bytes, PatternPage(0, static_cast<int>(Index) + 1));
    }

    // One port: the log of every run before, no other.
    EXPECT_EQ(Run({"--port", Ports[0], "init"}).Code, 0);
    const fs::path Data = Folder / "xdg" / "Velmora";
    EXPECT_TRUE(fs::exists(Data / "Velmora.log"));
    EXPECT_EQ(std::count_if(fs::directory_iterator(Data), fs::directory_iterator(),
                            [](const fs::directory_entry& Entry) {
                                return Entry.path().extension() == ".log";
                            }),
              3);
}

TEST_F(SeveralPortsCli, CtrlCStopsEveryPortAfterItsPage) {
    std::vector<std::string> Ports;
    const pid_t Child = StartEraseOnTwoSlowBoards(Ports);
    kill(Child, SIGINT);
    const TProcessResult Result = Finish(Child);
    EXPECT_EQ(Result.Code, 4) << Result.Err;
    const auto Rows = SummaryRows(Result.Out, Ports);
    for (const std::string& Port : Ports) {
        EXPECT_EQ(Rows.at(Port).at(1), "stopped");
        // Each port says once that it stopped.
        std::size_t Said = 0;
        for (const std::string& Line : SplitLines(Result.Out)) {
            Said += Line.rfind(Port + ": ", 0) == 0 && Line.find("прервано") != std::string::npos;
        }
        EXPECT_EQ(Said, 1u) << Port << ":\n" << Result.Out;
    }
    for (const auto& Board : Boards) {
        EXPECT_LT(Board->GetRequestCount(), 4096u);
    }
}

// A terminal's Ctrl-C pressed twice in quick succession: the second neither ends a port in the
// middle nor loses what it reported, every port stops after its page with its identification.
TEST_F(SeveralPortsCli, TwoQuickCtrlCsStopEveryPortAndKeepItsResult) {
    std::vector<std::string> Ports;
    const pid_t Child = StartEraseOnTwoSlowBoards(Ports);
    PressCtrlCTwice(Child);
    const TProcessResult Result = Finish(Child);
    EXPECT_EQ(Result.Code, 4) << Result.Out << Result.Err;
    const auto Rows = SummaryRows(Result.Out, Ports);
    for (const std::string& Port : Ports) {
        EXPECT_EQ(Rows.at(Port), (std::vector<std::string>{"Velmora simulator 1.0", "stopped"}));
    }
}

TEST_F(SeveralPortsCli, PortAutoTakesTheOneFreePortAProgrammerAnswersOn) {
    TSimulatorOptions Silent;
    Silent.NeverAnswer = true;
    TSimulatorOptions BoardA;
    BoardA.IdentificationText = "Board A";
    TSimulatorOptions BoardC;
    BoardC.IdentificationText = "Board C";
    const std::vector<std::string> Ports = StartSimulators({Silent, BoardA, BoardC});
    const auto Plug = [&](const char* Name, const std::string& Port) {
        Sysfs.AddUsbPort(Name, "ftdi_sio", {"0403", "6001", "FTDI", "FT232R", Name},
                         Port.substr(5));
    };

    Plug("ttyUSB0", Ports[0]);
    const TProcessResult None = Run({"--port", "auto", "init"});
    EXPECT_EQ(None.Code, 2);
    EXPECT_EQ(None.Err, "velmora-cli: --port auto: no programmer answered (asked: " + Ports[0] +
                            " (failed: Программатор не подключен. Команда F0h.))\n");

    Plug("ttyUSB1", Ports[1]);
    const TProcessResult One = Run({"--port", "auto", "init"});
    EXPECT_EQ(One.Code, 0) << One.Err;
    EXPECT_EQ(Messages(One.Out).front(),
              "Выбран порт " + Ports[1] + ": на нём отвечает программатор.");
    EXPECT_EQ(Messages(One.Out).back(), "Контроллер: Board A.");

    Plug("ttyUSB2", Ports[2]);
    const TProcessResult Two = Run({"--json", "--port", "auto", "init"});
    EXPECT_EQ(Two.Code, 2);
    EXPECT_EQ(JsonObjects(Two.Out).back()["error"]["text"],
              "velmora-cli: --port auto: programmers answered on several ports: " + Ports[1] +
                  " (Board A), " + Ports[2] + " (Board C); choose one with --port");
}

// ---- The production station ----

// Holds a simulated board in the middle of its work: the board's serving thread waits in its
// trace once it has seen a number of lines, until the test opens the gate. Shared with the
// simulator's trace, so that it outlives the board.
class TBoardGate : public std::enable_shared_from_this<TBoardGate> {
public:
    explicit TBoardGate(std::size_t Lines) : Lines(Lines) {}
    void Attach(TSimulatorOptions& Options) {
        Options.OnTrace = [Gate = shared_from_this()](const std::string&) { Gate->Pass(); };
    }
    testing::AssertionResult WaitUntilHeld() {
        std::unique_lock<std::mutex> Lock(Mutex);
        return Changed.wait_for(Lock, TestWaitBound, [&] { return Held; })
                   ? testing::AssertionSuccess()
                   : testing::AssertionFailure() << "the board never reached the gate";
    }
    void Open() {
        const std::lock_guard<std::mutex> Lock(Mutex);
        Opened = true;
        Changed.notify_all();
    }

private:
    void Pass() {
        std::unique_lock<std::mutex> Lock(Mutex);
        if (++Seen != Lines) {
            return;
        }
        Held = true;
        Changed.notify_all();
        Changed.wait_for(Lock, TestWaitBound, [&] { return Opened; });
    }

    const std::size_t Lines;
    std::mutex Mutex;
    std::condition_variable Changed;
    std::size_t Seen = 0;
    bool Held = false;
    bool Opened = false;
};

// The six digits a board's serial number was written as at 0x212 (byte 2 of page 1).
std::string SerialInChip(const TProgrammerSimulator& Board) {
    const TByteArray Page = Board.GetPage(1);
    return std::string(Page.begin() + 2, Page.begin() + 8);
}

std::string SixDigits(std::uint64_t Number) {
    const std::string Digits = std::to_string(Number);
    return std::string(6 - std::min<std::size_t>(6, Digits.size()), '0') + Digits;
}

// Runs the station's loop until Done holds; false when it does not within the test bound.
bool PollUntil(TStation& Station, const std::function<bool()>& Done) {
    return WaitUntil(
        [&] {
            Station.Poll(std::chrono::milliseconds(20));
            return Done();
        },
        TestWaitBound);
}

TEST_F(SeveralPortsCli, StationProgramsEachBoardPluggedInOnceAndFinishesTheOneInProgress) {
    const TTemporaryDataHome Home("velmora-station");
    TSimulatorOptions Slow;
    Slow.ReplyDelayMs = 5;
    const std::vector<std::string> Ports = StartSimulators({TSimulatorOptions{}, {}, Slow});
    const std::string Image = MakeImage("image.ldr", 20);
    const TStationSetup Setup = StationSetup({"write", Image, "--verify"});
    const std::string RecordFile = Setup.RecordFile;
    std::ostringstream Out;
    std::ostringstream Err;
    const std::unique_ptr<IRecordStore> Records = RecordStore();
    TStation Station(Setup, *Records, Out, Err);

    Station.PortArrived(Ports[0]);
    Station.PortArrived(Ports[1]);
    ASSERT_TRUE(PollUntil(Station, [&] { return Station.GetBoardsDone() == 2; }));
    // Still plugged: a second notice of the same board starts nothing.
    Station.PortArrived(Ports[0]);
    Station.Poll(std::chrono::milliseconds(50));
    EXPECT_EQ(Station.GetBoardsInProgress(), 0u);
    // Pulled out and plugged in again: programmed again.
    Boards[0]->SetPage(3, TByteArray(PageLength, 0));
    Station.PortRemoved(Ports[0]);
    Station.PortArrived(Ports[0]);
    ASSERT_TRUE(PollUntil(Station, [&] { return Station.GetBoardsDone() == 3; }));
    EXPECT_EQ(Boards[0]->GetPage(3), PatternPage(3));

    // A stop lets the board in progress finish and takes no new one.
    Station.PortArrived(Ports[2]);
    ASSERT_TRUE(PollUntil(Station, [&] { return Boards[2]->GetRequestCount() > 4; }));
    Station.RequestStop();
    Station.PortRemoved(Ports[1]);
    Station.PortArrived(Ports[1]);
    ASSERT_TRUE(PollUntil(Station, [&] { return Station.IsFinished(); }));
    EXPECT_EQ(Station.Finish(), 0);
    EXPECT_EQ(Boards[2]->GetPage(19), PatternPage(19));

    const std::vector<std::string> Lines = SplitLines(Out.str());
    ASSERT_EQ(Lines.size(), 5u) << Out.str();
    for (std::size_t Index = 0; Index < 4; ++Index) {
        static const std::regex Board(
            "^[0-9:]{8}  (/dev/pts/[0-9]+)  -  Velmora simulator 1.0  -  ok  [0-9]+\\.[0-9]$");
        EXPECT_TRUE(std::regex_match(Lines[Index], Board)) << Lines[Index];
    }
    EXPECT_EQ(Lines[2].find(Ports[0]), 10u);
    EXPECT_EQ(Lines[3].find(Ports[2]), 10u);
    EXPECT_EQ(Lines[4], "Boards: 4 (ok 4, different 0, failed 0, stopped 0)");
    const std::vector<std::string> Record = SplitLines(ReadFileText(RecordFile));
    ASSERT_EQ(Record.size(), 5u);
    EXPECT_EQ(Record[0], "time,port,usb_serial,identification,serial,image,sha256,result,exit_code,"
                         "page,command,reply,seconds");
    EXPECT_NE(Record[4].find("," + Ports[2] + ",-,Velmora simulator 1.0,-," + Image + ","),
              std::string::npos)
        << Record[4];
    EXPECT_NE(Record[4].find(",ok,0,-,-,-,"), std::string::npos) << Record[4];
    // Each port's log goes on from board to board: two runs ended in the log of the port
    // programmed twice.
    const std::string Log =
        ReadFileText(Home.Path() + "/Velmora/Velmora-pts-" + Ports[0].substr(9) + ".log");
    std::size_t Runs = 0;
    for (std::size_t At = 0;
         (At = Log.find("Поток извлечения пакетов уничтожен.", At)) != std::string::npos; ++At) {
        ++Runs;
    }
    EXPECT_EQ(Runs, 2u);
}

// The record and the board's --json line say where a board failed.
TEST_F(SeveralPortsCli, StationRecordsWhereABoardFailed) {
    const TTemporaryDataHome Home("velmora-station");
    TSimulatorOptions Refusing;
    Refusing.ForcedReplies = {{SimCmdErase, 0x13}};
    const std::vector<std::string> Ports = StartSimulators({Refusing});
    const TStationSetup Setup = StationSetup({"erase", "--first", "2", "--last", "3"}, true);
    const std::string RecordFile = Setup.RecordFile;
    std::ostringstream Out;
    std::ostringstream Err;
    const std::unique_ptr<IRecordStore> Records = RecordStore();
    TStation Station(Setup, *Records, Out, Err);
    Station.PortArrived(Ports[0]);
    ASSERT_TRUE(PollUntil(Station, [&] { return Station.GetBoardsDone() == 1; }));

    const std::string Text = "Ошибка работы с контроллером. Страница 2, команда 50h, ответ 13h.";
    const nlohmann::json Board = nlohmann::json::parse(SplitLines(Out.str()).at(0));
    EXPECT_EQ(Board["result"], "failed: " + Text);
    EXPECT_EQ(Board["error"],
              nlohmann::json({{"text", Text}, {"page", 2}, {"command", 0x50}, {"reply", 0x13}}));
    const std::vector<std::string> Record = SplitLines(ReadFileText(RecordFile));
    ASSERT_EQ(Record.size(), 2u);
    EXPECT_NE(Record[1].find(",\"failed: " + Text + "\",1,2,50h,13h,"), std::string::npos)
        << Record[1];
}

// A board whose identification holds bytes that are not UTF-8 (and a control character among
// well-formed Cyrillic): every place that shows or keeps it has the board's bytes as init shows
// them, \xHH, never a replacement character that would hide which bytes they were.
TEST_F(SeveralPortsCli, AnIdentificationThatIsNotUtf8IsKeptAsInitShowsIt) {
    const TTemporaryDataHome Home("velmora-station");
    TSimulatorOptions Odd;
    Odd.IdentificationText = "Плата \xFF\xC3\x1B 7";
    const std::string Shown = "Плата \\xFF\\xC3\\x1B 7";
    const std::vector<std::string> Ports = StartSimulators({Odd});

    const TProcessResult Init = Run({"--port", Ports[0], "init"});
    EXPECT_EQ(Messages(Init.Out).back(), "Контроллер: " + Shown + ".");
    const TProcessResult Json = Run({"--port", Ports[0], "init", "--json"});
    EXPECT_EQ(JsonObjects(Json.Out).back()["identification"], Shown) << Json.Out;

    const TStationSetup Setup = StationSetup({"init"});
    std::ostringstream Out;
    std::ostringstream Err;
    const std::unique_ptr<IRecordStore> Records = RecordStore();
    TStation Station(Setup, *Records, Out, Err);
    Station.PortArrived(Ports[0]);
    ASSERT_TRUE(PollUntil(Station, [&] { return Station.GetBoardsDone() == 1; }));
    EXPECT_NE(Out.str().find("  " + Ports[0] + "  -  " + Shown + "  -  ok  "), std::string::npos)
        << Out.str();
    const std::vector<std::string> Csv = SplitLines(ReadFileText(Setup.RecordFile));
    ASSERT_EQ(Csv.size(), 2u);
    EXPECT_NE(Csv[1].find("," + Ports[0] + ",-," + Shown + ",-,"), std::string::npos) << Csv[1];
    const std::vector<TBoardRecord> Kept = Records->Find({});
    ASSERT_EQ(Kept.size(), 1u);
    EXPECT_EQ(Kept[0].Identification, Shown);
}

TEST_F(SeveralPortsCli, StationOnNamedPortsFindsTheProgrammerAndEndsAtCtrlC) {
    const std::vector<std::string> Ports = StartSimulators({TSimulatorOptions{}});
    const pid_t Child =
        Spawn({"--json", "--port", Ports[0], "station", "erase", "--first", "0", "--last", "9"});
    ASSERT_TRUE(WaitUntil([&] { return Boards[0]->GetRequestCount() >= 11; }, TestWaitBound));
    kill(Child, SIGINT);
    const TProcessResult Result = Finish(Child);
    EXPECT_EQ(Result.Code, 0) << Result.Err;
    const std::vector<std::string> Lines = SplitLines(Result.Out);
    ASSERT_EQ(Lines.size(), 2u) << Result.Out;
    const nlohmann::json Board = nlohmann::json::parse(Lines[0]);
    EXPECT_EQ(Board["type"], "board");
    EXPECT_EQ(Board["port"], Ports[0]);
    EXPECT_EQ(Board["result"], "ok");
    const nlohmann::json Totals = nlohmann::json::parse(Lines[1]);
    EXPECT_EQ(Totals["boards"], 1);
    EXPECT_EQ(Totals["ok"], 1);
}

// Ctrl-C twice at the station: no new boards, and the board in progress stops after its page
// with its result and identification on its line and in the record.
TEST_F(SeveralPortsCli, StationStoppedByTwoQuickCtrlCsRecordsTheBoardAsStopped) {
    TSimulatorOptions Slow;
    Slow.ReplyDelayMs = 5;
    const std::vector<std::string> Ports = StartSimulators({Slow});
    const std::string RecordFile = (Folder / "boards.csv").string();
    const pid_t Child =
        Spawn({"--json", "--port", Ports[0], "station", "erase", "--record", RecordFile});
    ASSERT_TRUE(WaitUntil([&] { return Boards[0]->GetRequestCount() >= 10; }, TestWaitBound));
    PressCtrlCTwice(Child);
    const TProcessResult Result = Finish(Child);
    EXPECT_EQ(Result.Code, 4) << Result.Out << Result.Err;
    const std::vector<std::string> Lines = SplitLines(Result.Out);
    ASSERT_EQ(Lines.size(), 2u) << Result.Out;
    const nlohmann::json Board = nlohmann::json::parse(Lines[0]);
    EXPECT_EQ(Board["result"], "stopped");
    EXPECT_EQ(Board["identification"], "Velmora simulator 1.0");
    EXPECT_EQ(nlohmann::json::parse(Lines[1])["stopped"], 1);
    const std::vector<std::string> Record = SplitLines(ReadFileText(RecordFile));
    ASSERT_EQ(Record.size(), 2u);
    EXPECT_NE(Record[1].find("," + Ports[0] + ",-,Velmora simulator 1.0,-,-,-,stopped,4,"),
              std::string::npos)
        << Record[1];
    EXPECT_LT(Boards[0]->GetRequestCount(), 4096u);
}

} // namespace

// A station on a port named by a link: the board there misses one look (its answer comes late),
// then it is swapped for another between two looks (the link re-pointed at once); the second
// board is held in the middle of its work while Ctrl-C comes twice to the process group, 10 ms
// apart, as a terminal sends it. Each board is programmed once, with its own serial number in
// its chip, counted once and recorded with the hash of what it was written.
TEST_F(SeveralPortsCli, StationKnowsABoardByItsAnswerNotByItsPort) {
    TSimulatorOptions First;
    First.IdentificationText = "Board A";
    // Frames: a look, the board's own seven (identification, three pages of two), then the
    // second look, whose answer comes only with the third look's.
    First.LateFrames = {9};
    const auto Gate = std::make_shared<TBoardGate>(8);
    TSimulatorOptions Second;
    Second.IdentificationText = "Board B";
    Gate->Attach(Second);
    const std::vector<std::string> Ports = StartSimulators({First, Second});
    const fs::path Link = Folder / "station-port";
    fs::create_symlink(Ports[0], Link);

    const pid_t Child =
        Spawn({"--json", "--port", Link.string(), "station", "--serial-start", "100", "write",
               MakeImage("image.ldr", 3), "--serial-at", "0x212", "--serial-format", "ascii:6"});
    // The look after the missed one has been answered.
    ASSERT_TRUE(WaitUntil([&] { return Boards[0]->GetRequestCount() >= 11; }, TestWaitBound));
    const fs::path Swapped = Folder / "station-port.new";
    fs::create_symlink(Ports[1], Swapped);
    fs::rename(Swapped, Link);
    ASSERT_TRUE(Gate->WaitUntilHeld());
    kill(-Child, SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(-Child, SIGINT);
    Gate->Open();
    const TProcessResult Result = Finish(Child);

    // Two signals so close may reach the station as one: the board then finishes instead of
    // stopping after its page. Either way it is reported once, with what it answered.
    std::vector<std::string> Boarded;
    std::map<std::string, nlohmann::json> ByBoard;
    nlohmann::json Totals;
    for (const std::string& Text : SplitLines(Result.Out)) {
        const nlohmann::json Line = nlohmann::json::parse(Text);
        if (Line["type"] == "board") {
            Boarded.push_back(Line["identification"]);
            ByBoard[Line["identification"]] = Line;
        } else {
            Totals = Line;
        }
    }
    ASSERT_EQ(Boarded, (std::vector<std::string>{"Board A", "Board B"})) << Result.Out;
    EXPECT_EQ(ByBoard["Board A"]["result"], "ok");
    EXPECT_EQ(ByBoard["Board A"]["serial"], 100);
    EXPECT_EQ(SerialInChip(*Boards[0]), "000100");
    const nlohmann::json& Held = ByBoard["Board B"];
    EXPECT_EQ(Held["serial"], 101);
    EXPECT_TRUE(Held["result"] == "ok" || Held["result"] == "stopped") << Held;
    EXPECT_EQ(Result.Code, Held["result"] == "ok" ? 0 : 4) << Result.Err;
    EXPECT_EQ(Totals["boards"], 2) << Result.Out;

    const std::vector<TBoardRecord> Kept =
        OpenRecordStore((Folder / "xdg" / "Velmora" / "records.sqlite").string())->Find({});
    ASSERT_EQ(Kept.size(), 2u);
    EXPECT_EQ(Kept[0].Identification, "Board A");
    EXPECT_EQ(Kept[0].Serial, 100u);
    EXPECT_EQ(Kept[0].Sha256, ByBoard["Board A"]["sha256"]);
    EXPECT_EQ(Kept[0].Sha256.size(), 64u);
    EXPECT_EQ(Kept[1].Identification, "Board B");
    EXPECT_EQ(Kept[1].Serial, 101u);
    EXPECT_TRUE(fs::exists(Folder / "xdg" / "Velmora" /
                           ("Velmora-" + PortFileTag(Link.string()) + ".log")));
}

// Every board of a station gets its own serial number, in its own chip at the address given,
// recorded with the SHA-256 of the bytes written; the number is taken before the board starts,
// so a failed board's number is not given again, nor are the numbers of a station started anew
// on the same counter.
TEST_F(SeveralPortsCli, StationGivesEachBoardItsOwnSerialNumberAndNeverOneTwice) {
    const TTemporaryDataHome Home("velmora-station");
    TSimulatorOptions Refusing;
    Refusing.ForcedReplies = {{SimCmdWrite, 0x23}};
    const std::vector<std::string> Ports = StartSimulators({{}, Refusing, {}});
    const std::string Image = MakeImage("image.ldr", 3);
    const std::string RecordFile = (Folder / "boards.csv").string();
    const auto RunStation = [&](const std::vector<std::string>& BoardPorts) {
        TStationSetup Setup = StationSetup(
            {"write", Image, "--serial-at", "0x212", "--serial-format", "ascii:6"}, true);
        Setup.FirstSerial = 1000;
        std::ostringstream Out;
        std::ostringstream Err;
        const std::unique_ptr<IRecordStore> Records = RecordStore();
        TStation Station(Setup, *Records, Out, Err);
        for (const std::string& Port : BoardPorts) {
            Station.PortArrived(Port);
        }
        EXPECT_TRUE(
            PollUntil(Station, [&] { return Station.GetBoardsDone() == BoardPorts.size(); }));
        std::vector<nlohmann::json> Boards;
        for (const std::string& Line : SplitLines(Out.str())) {
            Boards.push_back(nlohmann::json::parse(Line));
        }
        return Boards;
    };
    const auto SerialIn = [&](std::size_t Board) {
        // 0x212 is byte 2 of page 1: the six digits lie in that page.
        const TByteArray Page = this->Boards[Board]->GetPage(1);
        return std::string(Page.begin() + 2, Page.begin() + 8);
    };

    std::vector<nlohmann::json> First = RunStation({Ports[0], Ports[1]});
    std::sort(First.begin(), First.end(),
              [](const auto& A, const auto& B) { return A["serial"] < B["serial"]; });
    ASSERT_EQ(First.size(), 2u);
    EXPECT_EQ(First[0]["serial"].get<std::uint64_t>() + 1, First[1]["serial"].get<std::uint64_t>());
    EXPECT_EQ(First[0]["serial"], 1000);
    const auto Good = First[0]["port"] == Ports[0] ? First[0] : First[1];
    EXPECT_EQ(Good["result"], "ok");
    EXPECT_EQ(SerialIn(0), "00" + std::to_string(Good["serial"].get<std::uint64_t>()));
    EXPECT_EQ(Good["sha256"].get<std::string>().size(), 64u);

    const std::vector<nlohmann::json> Second = RunStation({Ports[2]});
    ASSERT_EQ(Second.size(), 1u);
    EXPECT_EQ(Second[0]["serial"], 1002) << "the failed board's number is not given again";
    EXPECT_EQ(SerialIn(2), "001002");
    EXPECT_NE(Second[0]["sha256"], Good["sha256"]) << "the number is in the bytes written";

    const std::vector<std::string> Record = SplitLines(ReadFileText(RecordFile));
    ASSERT_EQ(Record.size(), 4u);
    EXPECT_NE(
        Record[3].find(",1002," + Image + "," + Second[0]["sha256"].get<std::string>() + ",ok,0,"),
        std::string::npos)
        << Record[3];
    const std::vector<TBoardRecord> Kept = RecordStore()->Find({});
    ASSERT_EQ(Kept.size(), 3u);
    EXPECT_EQ(Kept[2].Serial, 1002u);
    EXPECT_EQ(Kept[2].Sha256, Second[0]["sha256"]);
    EXPECT_EQ(RecordStore()->TakeSerialNumber(1000), 1003u);
}

// ---- The records of a line ----

// Two stations of a line on one PostgreSQL database, four boards each at once: every board gets
// a number no other board has, in its own chip, and is recorded once; the records command sums
// them up.
TEST_F(SeveralPortsCli, TwoStationsOnOneDatabaseNeverShareASerialNumber) {
    if (!TPostgresTestDatabase::ServerGiven()) {
        GTEST_SKIP() << "no PostgreSQL server (run under pg_virtualenv)";
    }
    const TPostgresTestDatabase Database;
    const std::vector<std::string> Ports = StartSimulators(std::vector<TSimulatorOptions>(8));
    const std::string Image = MakeImage("image.ldr", 3);
    std::vector<std::unique_ptr<IRecordStore>> Stores;
    std::vector<std::unique_ptr<TStation>> Stations;
    std::ostringstream Out[2];
    std::ostringstream Err[2];
    for (std::size_t Index = 0; Index < 2; ++Index) {
        TStationSetup Setup = StationSetup(
            {"write", Image, "--serial-at", "0x212", "--serial-format", "ascii:6"}, true);
        Setup.RecordFile.clear();
        Setup.FirstSerial = 1;
        Stores.push_back(OpenRecordStore(Database.Location()));
        Stations.push_back(
            std::make_unique<TStation>(Setup, *Stores.back(), Out[Index], Err[Index]));
    }
    for (std::size_t Board = 0; Board < Ports.size(); ++Board) {
        Stations[Board % 2]->PortArrived(Ports[Board]);
    }
    ASSERT_TRUE(WaitUntil([&] {
        for (const auto& Station : Stations) {
            Station->Poll(std::chrono::milliseconds(10));
        }
        return Stations[0]->GetBoardsDone() == 4 && Stations[1]->GetBoardsDone() == 4;
    }));

    std::set<std::uint64_t> Given;
    for (const TBoardRecord& Record : Stores[0]->Find({})) {
        ASSERT_TRUE(Record.Serial);
        EXPECT_EQ(Record.Result, "ok");
        EXPECT_TRUE(Given.insert(*Record.Serial).second)
            << "number given twice: " << *Record.Serial;
        const auto Port = std::find(Ports.begin(), Ports.end(), Record.Port);
        ASSERT_NE(Port, Ports.end());
        EXPECT_EQ(SerialInChip(*Boards[static_cast<std::size_t>(Port - Ports.begin())]),
                  SixDigits(*Record.Serial));
    }
    EXPECT_EQ(Given, (std::set<std::uint64_t>{1, 2, 3, 4, 5, 6, 7, 8}));

    std::ostringstream Summary;
    std::ostringstream Problems;
    EXPECT_EQ(RunCli({"--records", Database.Location(), "records", "--summary"}, Summary, Problems),
              0)
        << Problems.str();
    EXPECT_NE(Summary.str().find("Boards: 8\n"), std::string::npos) << Summary.str();
    EXPECT_TRUE(std::regex_search(Summary.str(), std::regex("\n  ok +8\n"))) << Summary.str();
    EXPECT_NE(Summary.str().find(Image + "  8 / 8"), std::string::npos) << Summary.str();
}

// The line's database gone while a board is in progress (its connection cut, new ones refused):
// the board's record waits, no new board is programmed (it could not be recorded), and once the
// database is back the record is kept and the waiting board is done.
TEST_F(SeveralPortsCli, StationWaitsForItsDatabaseAndGoesOnWhenItIsBack) {
    if (!TPostgresTestDatabase::ServerGiven()) {
        GTEST_SKIP() << "no PostgreSQL server (run under pg_virtualenv)";
    }
    const TPostgresTestDatabase Database;
    const auto Gate = std::make_shared<TBoardGate>(6);
    TSimulatorOptions Held;
    Gate->Attach(Held);
    const std::vector<std::string> Ports = StartSimulators({Held, {}});
    TStationSetup Setup = StationSetup(
        {"write", MakeImage("image.ldr", 3), "--serial-at", "0x212", "--serial-format", "ascii:6"},
        true);
    Setup.FirstSerial = 1;
    const std::unique_ptr<IRecordStore> Records = OpenRecordStore(Database.Location());
    std::ostringstream Out;
    std::ostringstream Err;
    TStation Station(Setup, *Records, Out, Err);
    Station.PortArrived(Ports[0]);
    ASSERT_TRUE(WaitUntil([&] {
        Station.Poll(std::chrono::milliseconds(10));
        return Boards[0]->GetRequestCount() >= 3;
    }));
    ASSERT_TRUE(Gate->WaitUntilHeld());
    Database.TakeAway();
    Gate->Open();
    ASSERT_TRUE(PollUntil(Station, [&] { return Station.GetBoardsDone() == 1; }));
    EXPECT_NE(Err.str().find("no new board is taken"), std::string::npos) << Err.str();

    Station.PortArrived(Ports[1]);
    for (int Round = 0; Round < 20; ++Round) {
        Station.Poll(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(Boards[1]->GetRequestCount(), 0u) << "a board started that could not be recorded";

    Database.GiveBack();
    ASSERT_TRUE(PollUntil(Station, [&] { return Station.GetBoardsDone() == 2; }));
    Station.RequestStop();
    ASSERT_TRUE(PollUntil(Station, [&] { return Station.IsFinished(); }));
    EXPECT_NE(Err.str().find("is back"), std::string::npos) << Err.str();
    const std::vector<TBoardRecord> Kept = OpenRecordStore(Database.Location())->Find({});
    ASSERT_EQ(Kept.size(), 2u);
    EXPECT_EQ(Kept[0].Port, Ports[0]);
    EXPECT_EQ(Kept[0].Serial, 1u);
    EXPECT_EQ(Kept[1].Port, Ports[1]);
    EXPECT_EQ(Kept[1].Serial, 2u);
    EXPECT_EQ(SerialInChip(*Boards[1]), "000002");
}

// kill -9 of a station in the middle of a board, on SQLite and (under pg_virtualenv)
// PostgreSQL: no half record is left, and the number the board had taken is never given again.
TEST_F(SeveralPortsCli, StationKilledMidBoardLeavesNoHalfRecordAndNoNumberTwice) {
    std::vector<std::string> Locations = {(Folder / "line.sqlite").string()};
    std::unique_ptr<TPostgresTestDatabase> Database;
    if (TPostgresTestDatabase::ServerGiven()) {
        Database = std::make_unique<TPostgresTestDatabase>();
        Locations.push_back(Database->Location());
    }
    const std::string Image = MakeImage("image.ldr", 3);
    for (const std::string& Location : Locations) {
        SCOPED_TRACE(Location);
        const auto Gate = std::make_shared<TBoardGate>(6);
        TSimulatorOptions Held;
        Gate->Attach(Held);
        const std::vector<std::string> Ports = StartSimulators({Held, {}});
        const TProgrammerSimulator& Next = *Boards.back();
        const auto StartStation = [&](const std::string& Port) {
            return Spawn({"--json", "--port", Port, "station", "--records", Location,
                          "--serial-start", "500", "write", Image, "--serial-at", "0x212",
                          "--serial-format", "ascii:6"});
        };
        const pid_t Killed = StartStation(Ports[0]);
        ASSERT_TRUE(Gate->WaitUntilHeld());
        kill(Killed, SIGKILL);
        Finish(Killed);
        Gate->Open();

        const pid_t Second = StartStation(Ports[1]);
        ASSERT_TRUE(WaitUntil([&] { return !OpenRecordStore(Location)->Find({}).empty(); }));
        kill(Second, SIGINT);
        EXPECT_EQ(Finish(Second).Code, 0);
        const std::vector<TBoardRecord> Kept = OpenRecordStore(Location)->Find({});
        ASSERT_EQ(Kept.size(), 1u) << "the killed board has no record";
        EXPECT_EQ(Kept[0].Port, Ports[1]);
        EXPECT_EQ(Kept[0].Serial, 501u) << "500 went to the board of the killed station";
        EXPECT_EQ(Kept[0].Result, "ok");
        EXPECT_EQ(SerialInChip(Next), "000501");
    }
}
