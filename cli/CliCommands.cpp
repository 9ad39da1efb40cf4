#include "cli/CliCommands.h"

#include "operations/ImageFileNames.h"

#include "cli/CliHelp.h"
#include "cli/HeapTuning.h"
#include "cli/JsonOutput.h"
#include "cli/PageRange.h"
#include "cli/ParallelRun.h"
#include "cli/PortCommands.h"
#include "cli/ProgrammerCommands.h"
#include "cli/RecordsCommand.h"
#include "cli/SerialNumbers.h"
#include "cli/Station.h"
#include "common/Exception.h"
#include "common/ProductInfo.h"
#include "common/ProgrammerConstants.h"
#include "common/ResourseStrings.h"
#include "image/HexFileToMemoryMapConverter.h"
#include "logging/LogManager.h"
#include "operations/UIObjects.h"
#include "platform/Console.h"
#include "records/RecordStores.h"
#include "serial/PortDiscovery.h"
#include "serial/PortNames.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <memory>
#include <sstream>
#include <utility>

namespace {

// COMMAND --help: that command's help instead of running it.
struct TCommandHelpAsked {
    const TCliCommand* Command;
};

// About what loading a file of this name and saving the image again take at their peak: the
// pages with their bookkeeping (about 0.6 times the size of an image file), the pieces the file
// is read and written in, and room to spare; 0 when the file cannot be examined.
std::size_t MemoryToLoad(const std::string& FileName) {
    const std::filesystem::path Path = std::filesystem::u8path(FileName);
    std::error_code Error;
    if (!std::filesystem::is_regular_file(Path, Error)) {
        return 0;
    }
    const std::uintmax_t Size = std::filesystem::file_size(Path, Error);
    return Error ? 0 : static_cast<std::size_t>(Size);
}

// Loads an image file the way the program does: the file's records, or a raw binary file's
// bytes, cut into 528-byte pages; the line about a padded last page goes to Err. A missing
// file, or one without data, is a failure.
std::shared_ptr<IMemoryMap> LoadImage(const std::string& FileName, std::ostream& Err) {
    PrefaultHeap(MemoryToLoad(FileName));
    TLoadedImage Loaded = LoadImageFile(FileName, ChipImageGeometry);
    if (!Loaded.Note.empty()) {
        Err << Loaded.Note << '\n';
    }
    if (!Loaded.Map || Loaded.Map->GetCount() == 0) {
        throw CannotLoadFileError(FileName);
    }
    return std::move(Loaded.Map);
}

void RunCheck(const TCliArguments& Arguments, std::ostream& Out, std::ostream& Err) {
    const auto Map = LoadImage(Arguments.Positional[0], Err);
    const int Count = Map->GetCount();
    Out << FormatText(SPageCountLabel, Count, GetPagesWord(Count).c_str()) << '\n'
        << FormatText(SPageLengthLabel, Map->GetPage(0).GetSize()) << '\n';
}

void RunDump(const TCliArguments& Arguments, std::ostream& Out, std::ostream& Err) {
    const auto Map = LoadImage(Arguments.Positional[0], Err);
    std::string Text;
    for (const std::string& Line : THexFileToMemoryMapConverter().MemoryMapToStrings(Map)) {
        Text += Line;
        Text += '\n';
    }
    Out << Text;
}

// The format of each file follows its name.
void RunResave(const TCliArguments& Arguments, std::ostream& Out, std::ostream& Err) {
    const auto Map = LoadImage(Arguments.Positional[0], Err);
    const std::string Target = ImageFileTarget(Arguments.Positional[1]);
    SaveImageFile(Map, Target, ChipImageGeometry);
    Out << Target << '\n';
}

const TCliCommand& FindCommand(const std::string& Name) {
    const auto& Commands = CliCommands();
    const auto Found =
        std::find_if(Commands.begin(), Commands.end(),
                     [&](const TCliCommand& Command) { return Command.Name == Name; });
    if (Found == Commands.end()) {
        std::vector<std::string> Names;
        for (const TCliCommand& Command : Commands) {
            Names.push_back(Command.Name);
        }
        const std::string Nearest = NearestWord(Name, Names);
        if (Nearest.empty()) {
            throw ECliUsage(FormatText(SCliUnknownCommand, Name.c_str()));
        }
        throw ECliUsage(FormatText(SCliUnknownCommand, Name.c_str()) +
                            FormatText(SCliDidYouMean, Nearest.c_str()),
                        &FindCommand(Nearest));
    }
    return *Found;
}

// The complaint about an option Command does not know, naming the nearest one it knows.
ECliUsage UnknownOption(const TCliCommand& Command, const std::string& Word) {
    std::vector<std::string> Known;
    for (const auto* Names : {&Command.Options, &Command.Flags, &Command.OptionalValues}) {
        for (const std::string& Name : *Names) {
            Known.push_back("--" + Name);
        }
    }
    const std::string Given = Word.substr(0, Word.find('='));
    const std::string Nearest = NearestWord(Given, Known);
    std::string Text = FormatText(SCliUnknownOption, Command.Name.c_str(), Word.c_str());
    if (!Nearest.empty()) {
        Text += FormatText(SCliDidYouMean, Nearest.c_str());
    }
    return ECliUsage(Text, &Command);
}

bool Accepts(const TCliCommand& Command, const std::string& Option) {
    return std::find(Command.Options.begin(), Command.Options.end(), Option) !=
           Command.Options.end();
}

bool IsFlag(const TCliCommand& Command, const std::string& Option) {
    return std::find(Command.Flags.begin(), Command.Flags.end(), Option) != Command.Flags.end();
}

bool TakesOptionalValue(const TCliCommand& Command, const std::string& Option) {
    return std::find(Command.OptionalValues.begin(), Command.OptionalValues.end(), Option) !=
           Command.OptionalValues.end();
}

// Splits the arguments after the command name into positional ones and the command's options.
TCliArguments ParseArguments(const TCliCommand& Command, const std::vector<std::string>& Words) {
    TCliArguments Arguments;
    for (std::size_t Index = 1; Index < Words.size(); ++Index) {
        const std::string& Word = Words[Index];
        if (Word.size() <= 2 || Word.compare(0, 2, "--") != 0) {
            Arguments.Positional.push_back(Word);
            continue;
        }
        if (Word == "--help") {
            throw TCommandHelpAsked{&Command};
        }
        const auto Equals = Word.find('=');
        const std::string Name = Word.substr(2, Equals == std::string::npos ? Equals : Equals - 2);
        if (Arguments.Options.count(Name) > 0) {
            throw ECliUsage(FormatText(SCliOptionTwice, Command.Name.c_str(), Name.c_str()),
                            &Command);
        }
        if (IsFlag(Command, Name)) {
            if (Equals != std::string::npos) {
                throw ECliUsage(FormatText(SCliFlagWithValue, Command.Name.c_str(), Word.c_str()));
            }
            Arguments.Options[Name] = "";
            continue;
        }
        if (TakesOptionalValue(Command, Name)) {
            Arguments.Options[Name] = Equals == std::string::npos ? "" : Word.substr(Equals + 1);
            continue;
        }
        if (!Accepts(Command, Name)) {
            throw UnknownOption(Command, Word);
        }
        if (Equals != std::string::npos) {
            Arguments.Options[Name] = Word.substr(Equals + 1);
        } else if (Index + 1 < Words.size()) {
            Arguments.Options[Name] = Words[++Index];
        } else {
            throw ECliUsage(FormatText(SCliMissingOptionValue, Command.Name.c_str(), Word.c_str()));
        }
    }
    if (Arguments.Positional.size() != Command.Parameters.size()) {
        throw ECliUsage(FormatText(SCliWrongArguments, Command.Name.c_str(),
                                   CommandParameters(Command).c_str()));
    }
    return Arguments;
}

bool IsHelp(const std::string& Word) {
    return Word == "--help" || Word == "-h" || Word == "help";
}

bool IsVersion(const std::string& Word) {
    return Word == SCliVersionCommand;
}

// The size a --log-limit option gives; a usage error when the text is not such a size.
std::uint64_t LogLimitOf(const std::string& Text) {
    const std::optional<std::uint64_t> Limit = ParseLogLimit(Text);
    if (!Limit) {
        throw ECliUsage(FormatText(SCliBadLogLimit, Text.c_str()));
    }
    return *Limit;
}

// The options of the whole command line (TCliGlobalOptions): those that take no value, and
// those that take one (in the next word, or after '=').
const std::vector<std::string> GlobalFlags = {"simulate", "json", "identify", "log-append"};
const std::vector<std::string> GlobalValued = {"port", "log", "log-limit", "records"};

bool IsAmong(const std::vector<std::string>& Names, const std::string& Name) {
    return std::find(Names.begin(), Names.end(), Name) != Names.end();
}

// The name of an option word ("--log=x.log" gives "log"); empty for a word that is no option.
std::string OptionName(const std::string& Word) {
    if (Word.size() <= 2 || Word.compare(0, 2, "--") != 0) {
        return "";
    }
    const auto Equals = Word.find('=');
    return Word.substr(2, Equals == std::string::npos ? Equals : Equals - 2);
}

bool IsGlobalOption(const std::string& Name) {
    return IsAmong(GlobalFlags, Name) || IsAmong(GlobalValued, Name);
}

// True when the option Word, named Name, takes the next word as its value.
bool TakesNextWord(const std::vector<std::string>& Valued, const std::string& Name,
                   const std::string& Word) {
    return IsAmong(Valued, Name) && Word.find('=') == std::string::npos;
}

const TCliCommand* CommandNamed(const std::string& Name) {
    for (const TCliCommand& Command : CliCommands()) {
        if (Command.Name == Name) {
            return &Command;
        }
    }
    return nullptr;
}

// The options the words after a command's name are read with: all its own, and which of them
// take the next word as their value.
struct TOwnOptions {
    std::vector<std::string> Named;
    std::vector<std::string> Valued;

    void Add(const TCliCommand& Command) {
        for (const auto* Names : {&Command.Options, &Command.Flags, &Command.OptionalValues}) {
            Named.insert(Named.end(), Names->begin(), Names->end());
        }
        Valued.insert(Valued.end(), Command.Options.begin(), Command.Options.end());
    }
};

// The command line with every option of the whole line first: those before the command's name,
// then those given after it that the command does not take itself ("records --json"), each with
// its value. An option a command has of its own stays its own ("records --port" chooses the
// records of a port, "write --port" names the port as before the name); the station's words
// are read with the options of the command it runs as well.
std::vector<std::string> GlobalOptionsFirst(const std::vector<std::string>& Words) {
    std::size_t Index = 0;
    while (Index < Words.size() && IsGlobalOption(OptionName(Words[Index]))) {
        Index += TakesNextWord(GlobalValued, OptionName(Words[Index]), Words[Index]) ? 2 : 1;
    }
    const TCliCommand* Command = Index < Words.size() ? CommandNamed(Words[Index]) : nullptr;
    if (Command == nullptr) {
        return Words;
    }
    std::vector<std::string> Front(Words.begin(),
                                   Words.begin() + static_cast<std::ptrdiff_t>(Index));
    std::vector<std::string> Own = {Words[Index]};
    TOwnOptions Options;
    Options.Add(*Command);
    bool JobSeen = Command->Name != "station";
    for (++Index; Index < Words.size(); ++Index) {
        const std::string& Word = Words[Index];
        const std::string Name = OptionName(Word);
        const bool Global = IsGlobalOption(Name) && !IsAmong(Options.Named, Name);
        std::vector<std::string>& Into = Global ? Front : Own;
        Into.push_back(Word);
        if (TakesNextWord(Global ? GlobalValued : Options.Valued, Name, Word) &&
            Index + 1 < Words.size()) {
            Into.push_back(Words[++Index]);
        } else if (Name.empty() && !JobSeen) {
            // The station's first word of its own is the command it runs.
            JobSeen = true;
            if (const TCliCommand* Job = CommandNamed(Word)) {
                Options.Add(*Job);
            }
        }
    }
    Front.insert(Front.end(), Own.begin(), Own.end());
    return Front;
}

// A location given with --records that names no records store is refused before anything is
// opened: a typo would otherwise become a new, empty store.
void CheckRecordsLocation(const std::string& Location) {
    const std::string Problem = RecordsLocationProblem(Location);
    if (!Problem.empty()) {
        throw ECliUsage(Problem);
    }
}

// Takes the options of the whole command line (--port NAME, --port=NAME, --simulate, --json,
// --identify, --log FILE, --log=FILE, --log-limit SIZE, --log-limit=SIZE, --records LOCATION,
// --records=LOCATION) out of Arguments: those before the command name and those after it that
// the command does not take itself.
TCliGlobalOptions TakeGlobalOptions(std::vector<std::string>& Arguments) {
    Arguments = GlobalOptionsFirst(Arguments);
    TCliGlobalOptions Global;
    std::size_t Taken = 0;
    while (Taken < Arguments.size()) {
        const std::string& Word = Arguments[Taken];
        if (Word.compare(0, 12, "--log-limit=") == 0) {
            Global.LogLimit = LogLimitOf(Word.substr(12));
            ++Taken;
        } else if (Word == "--log-limit") {
            if (Taken + 1 >= Arguments.size()) {
                throw ECliUsage(FormatText(SCliMissingOptionValue, "", Word.c_str()));
            }
            Global.LogLimit = LogLimitOf(Arguments[Taken + 1]);
            Taken += 2;
        } else if (Word == "--simulate") {
            Global.Simulate = true;
            ++Taken;
        } else if (Word == "--json") {
            Global.Json = true;
            ++Taken;
        } else if (Word == "--identify") {
            Global.Identify = true;
            ++Taken;
        } else if (Word == "--log-append") {
            Global.LogAppend = true;
            ++Taken;
        } else if (Word.compare(0, 7, "--port=") == 0) {
            Global.PortNames.push_back(Word.substr(7));
            ++Taken;
        } else if (Word.compare(0, 6, "--log=") == 0) {
            Global.LogFile = Word.substr(6);
            ++Taken;
        } else if (Word.compare(0, 10, "--records=") == 0) {
            Global.RecordsLocation = Word.substr(10);
            CheckRecordsLocation(Global.RecordsLocation);
            ++Taken;
        } else if (Word == "--port" || Word == "--log" || Word == "--records") {
            if (Taken + 1 >= Arguments.size()) {
                throw ECliUsage(FormatText(SCliMissingOptionValue, "", Word.c_str()));
            }
            (Word == "--port"  ? Global.PortNames.emplace_back()
             : Word == "--log" ? Global.LogFile
                               : Global.RecordsLocation) = Arguments[Taken + 1];
            if (Word == "--records") {
                CheckRecordsLocation(Global.RecordsLocation);
            }
            Taken += 2;
        } else {
            break;
        }
    }
    Arguments.erase(Arguments.begin(), Arguments.begin() + static_cast<std::ptrdiff_t>(Taken));
    return Global;
}

// The range of a programmer command, checked before any port is opened: its form and the
// chip's pages for a read or an erase (a write's or compare's pages are checked against the
// image once it is loaded).
void CheckRangeEarly(const TCliCommand& Command, const TCliArguments& Parsed) {
    const bool ChipPages = Command.Name == "read" || Command.Name == "erase";
    ParseRange(Command.Name, Parsed, 0, ChipPages ? Programmer::LastPage : INT_MAX);
}

// The serial number options, checked before any port is opened. A station's job gets its
// number from the station, and each board of a run on several ports its own from the records
// store, so they only need the place.
void CheckSerialEarly(const TCliArguments& Parsed, bool StationJob, bool SeveralPorts = false) {
    const std::optional<TSerialPlace> Place = SerialPlaceOf(Parsed);
    const auto Number = Parsed.Options.find("serial");
    if (Number != Parsed.Options.end()) {
        if (StationJob) {
            throw ECliSerialError(SCliStationSerialGiven);
        }
        if (SeveralPorts) {
            throw ECliSerialError(SCliSerialOnSeveralPorts);
        }
        if (!Place) {
            throw ECliSerialError(SCliSerialWithoutPlace);
        }
        SerialBytes(ParseSerialNumber("--serial", Number->second), Place->Format);
    } else if (Place && !StationJob && !SeveralPorts) {
        throw ECliSerialError(SCliSerialPlaceWithoutNumber);
    }
}

// "station COMMAND …": --record is the station's own option, every other word belongs to the
// command run on each board, which is checked as that command's line.
TCliArguments ParseStationArguments(const std::vector<std::string>& Words) {
    TCliArguments Parsed;
    Parsed.Words = Words;
    const std::vector<std::string> Valued = {"record", "records", "serial-start"};
    for (std::size_t Index = 1; Index < Words.size(); ++Index) {
        const std::string& Word = Words[Index];
        const auto Equals = Word.find('=');
        const std::string Name = Word.compare(0, 2, "--") == 0 ? Word.substr(2, Equals - 2) : "";
        if (Word == "--only-new") {
            Parsed.Options["only-new"] = "";
        } else if (std::find(Valued.begin(), Valued.end(), Name) != Valued.end()) {
            if (Equals == std::string::npos && Index + 1 >= Words.size()) {
                throw ECliUsage(FormatText(SCliMissingOptionValue, "station", Word.c_str()));
            }
            Parsed.Options[Name] =
                Equals == std::string::npos ? Words[++Index] : Word.substr(Equals + 1);
        } else {
            Parsed.Positional.push_back(Word);
        }
    }
    const std::vector<std::string> Jobs = {"write", "erase", "compare", "init"};
    if (Parsed.Positional.empty() ||
        std::find(Jobs.begin(), Jobs.end(), Parsed.Positional[0]) == Jobs.end()) {
        throw ECliUsage(SCliStationBadJob);
    }
    const TCliCommand& Job = FindCommand(Parsed.Positional[0]);
    const TCliArguments JobArguments = ParseArguments(Job, Parsed.Positional);
    CheckRangeEarly(Job, JobArguments);
    CheckSerialEarly(JobArguments, true);
    if (Parsed.Options.count("serial-start") != 0) {
        ParseSerialNumber("--serial-start", Parsed.Options["serial-start"]);
    }
    return Parsed;
}

// A run on several ports: no port twice, and a file to read into for each.
void CheckSeveralPorts(const TCliCommand& Command, const TCliArguments& Parsed,
                       const std::vector<std::string>& Ports) {
    for (auto Port = Ports.begin(); Port != Ports.end(); ++Port) {
        if (std::any_of(Ports.begin(), Port,
                        [&](const std::string& Other) { return IsSamePort(Other, *Port); })) {
            throw ECliUsage(FormatText(SCliPortGivenTwice, Port->c_str()));
        }
    }
    if (Command.Name == "read" && Parsed.Positional[0].find("{port}") == std::string::npos) {
        throw ECliUsage(SCliReadNeedsPortTag);
    }
}

// Takes the options before the command name off the command line, finds the command and checks
// its arguments against the table; the port of a programmer command may come after its name.
const TCliCommand& PrepareCommand(std::vector<std::string> Arguments, TCliGlobalOptions& Global,
                                  TCliArguments& Parsed) {
    Global = TakeGlobalOptions(Arguments);
    if (Arguments.empty()) {
        throw ECliUsage(SCliNoCommand);
    }
    const TCliCommand& Command = FindCommand(Arguments[0]);
    if (Command.Name == "station") {
        if (Global.Simulate) {
            throw ECliUsage(SCliStationSimulate);
        }
        Parsed = ParseStationArguments(Arguments);
        if (Parsed.Options.count("records") != 0) {
            CheckRecordsLocation(Parsed.Options["records"]);
        }
        return Command;
    }
    Parsed = ParseArguments(Command, Arguments);
    Parsed.Words = Arguments;
    if (Parsed.Options.count("records") != 0) {
        CheckRecordsLocation(Parsed.Options["records"]);
    }
    if (Command.RunProgrammer != nullptr) {
        CheckRangeEarly(Command, Parsed);
        const auto Port = Parsed.Options.find("port");
        CheckSerialEarly(Parsed, false,
                         Global.PortNames.size() + (Port != Parsed.Options.end() ? 1 : 0) > 1);
        if (Port != Parsed.Options.end()) {
            Global.PortNames.push_back(Port->second);
        }
        if (Global.Simulate && !Global.PortNames.empty()) {
            throw ECliUsage(SCliSimulateWithPort);
        }
        // Only boards of a run on several ports are recorded (and stations').
        if (!Global.RecordsLocation.empty() && Global.PortNames.size() < 2) {
            throw ECliUsage(SCliRecordsOnOnePort);
        }
        // The session opens only the port it is given: a USB port named by its ids or serial
        // number, or the one port a programmer answers on, becomes its device path here.
        for (std::string& Name : Global.PortNames) {
            if (IsUsbPortSelector(Name)) {
                Name = ResolveUsbPort(Name);
            } else if (Name == "auto") {
                Name = ResolveAutoPort(Global);
                Global.AutoPort = Name;
            }
        }
        if (Global.PortNames.size() == 1) {
            Global.PortName = Global.PortNames.front();
        } else if (Global.PortNames.size() > 1) {
            CheckSeveralPorts(Command, Parsed, Global.PortNames);
        }
    } else if (Global.Simulate || !Global.PortNames.empty() || Global.LogLimit || Global.Identify ||
               !Global.LogFile.empty() || Global.LogAppend) {
        throw ECliUsage(FormatText(SCliNotAProgrammerCommand, Command.Name.c_str()), &Command);
    } else if (!Global.RecordsLocation.empty() && Command.Name != "records") {
        throw ECliUsage(FormatText(SCliRecordsNotHere, Command.Name.c_str()), &Command);
    }
    return Command;
}

// The longest a page can take when every exchange of it waits out its time-out in each attempt:
// a page transfer, the programmer's buffer fetched and a page command.
constexpr auto LongestPage = std::chrono::milliseconds(
    Programmer::PageRequestAttempts *
    (Programmer::TransferMsPerByte * Programmer::PageLength + Programmer::RequestPageTimeoutMs +
     Programmer::PageCommandTimeoutMs));
// How long after the first Ctrl-C a further one takes a command on one port for stuck: by then
// it would have ended its page and stopped.
constexpr std::chrono::seconds StuckAfterCtrlC(30);
static_assert(StuckAfterCtrlC > LongestPage, "a page that can end must be let end");

// A programmer command on its one port, or on each of several at once. Ctrl-C asks the command
// to stop after its current page, and so does a second one: the command ends as stopped, with
// its result. Only a program still running StuckAfterCtrlC after the first Ctrl-C, with a later
// one given, ends as Ctrl-C ends a program that does not catch it. The run on several ports
// catches Ctrl-C itself and hands every one on to every port.
int RunProgrammerCommand(const TCliCommand& Command, const TCliArguments& Parsed,
                         const TCliGlobalOptions& Global, std::ostream& Out, std::ostream& Err) {
    if (Global.PortNames.size() > 1) {
        return RunOnSeveralPorts(Parsed, Global, Out, Err);
    }
    const TInterruptCatcher Interrupts(StuckAfterCtrlC);
    TCliGlobalOptions OnePort = Global;
    OnePort.StopRequested = &TInterruptCatcher::TakeInterrupt;
    return Command.RunProgrammer(Parsed, OnePort, Out, Err);
}

// The help asked for with "help" or "--help": the whole usage, or with a command's name after
// it, that command's help.
void WriteHelp(const std::vector<std::string>& Words, std::ostream& Stream) {
    if (Words.size() > 1) {
        WriteCommandHelp(Stream, FindCommand(Words[1]));
    } else {
        WriteCliUsage(Stream);
    }
}

// True when --json comes among the options of the whole command line.
bool WantsJson(const std::vector<std::string>& CommandLine) {
    const std::vector<std::string> Words = GlobalOptionsFirst(CommandLine);
    for (std::size_t Index = 0; Index < Words.size(); ++Index) {
        const std::string& Word = Words[Index];
        if (Word == "--json") {
            return true;
        }
        if (TakesNextWord(GlobalValued, OptionName(Word), Word)) {
            ++Index;
        } else if (Word.compare(0, 2, "--") != 0 || IsHelp(Word) || IsVersion(Word)) {
            return false;
        }
    }
    return false;
}

// A command line with --json. A programmer command writes its own messages, progress and
// result; the lines any other command, the usage or the version print become messages, and a
// result line ends them, also after a command line that does not fit the table.
int RunCliAsJson(const std::vector<std::string>& CommandLine, std::ostream& Out,
                 std::ostream& Err) {
    const auto Start = std::chrono::steady_clock::now();
    TJsonLines Json(Out);
    TCliResult Result;
    std::ostringstream Text;
    std::ostringstream Notes;
    // The ports of a run on several: a command line that does not fit ends with their summary
    // too, as every such run does.
    std::vector<std::string> Ports;
    try {
        std::vector<std::string> Arguments = CommandLine;
        TCliGlobalOptions Global = TakeGlobalOptions(Arguments);
        Ports = Global.PortNames;
        if (!Arguments.empty() && IsHelp(Arguments[0])) {
            Result.Command = "help";
            WriteHelp(Arguments, Text);
        } else if (!Arguments.empty() && IsVersion(Arguments[0])) {
            Result.Command = "version";
            Text << "velmora-cli " << SProductVersion << '\n';
        } else {
            // Named in the result as soon as it is known, also when its arguments do not fit.
            const auto& Commands = CliCommands();
            if (!Arguments.empty() &&
                std::any_of(Commands.begin(), Commands.end(), [&](const TCliCommand& Command) {
                    return Command.Name == Arguments[0];
                })) {
                Result.Command = Arguments[0];
            }
            TCliArguments Parsed;
            const TCliCommand& Command = PrepareCommand(CommandLine, Global, Parsed);
            if (Command.RunProgrammer != nullptr) {
                return RunProgrammerCommand(Command, Parsed, Global, Out, Err);
            }
            if (Command.RunOwnOutput != nullptr) {
                return Command.RunOwnOutput(Parsed, Global, Out, Err);
            }
            Command.Run(Parsed, Text, Notes);
        }
    } catch (const TCommandHelpAsked& Asked) {
        WriteCommandHelp(Text, *Asked.Command);
    } catch (const ECliUsage& Error) {
        Result.ExitCode = CliUsageError;
        Result.Error = Error.what();
    } catch (const ECliRangeError& Error) {
        Result.ExitCode = CliUsageError;
        Result.Error = Error.what();
    } catch (const ECliSerialError& Error) {
        Result.ExitCode = CliUsageError;
        Result.Error = Error.what();
    } catch (const ECliPortChoice& Error) {
        Result.ExitCode = CliUsageError;
        Result.Error = Error.what();
    } catch (const std::exception& Error) {
        Result.ExitCode = CliFailure;
        Result.Error = Error.what();
        Result.ErrorDetails = DetailsOf(Error);
    }
    // A file command's notes about its input come first, as they were made while loading.
    for (const std::ostringstream* Stream : {&Notes, &Text}) {
        std::istringstream Lines(Stream->str());
        for (std::string Line; std::getline(Lines, Line);) {
            Json.Message(Line, clBlack);
        }
    }
    Result.Seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    Json.Result(Result);
    if (Ports.size() > 1 && Result.ExitCode == CliUsageError) {
        Json.UsageSummary(Ports, Result);
    }
    return Result.ExitCode;
}

} // namespace

const std::vector<TCliCommand>& CliCommands() {
    static const std::vector<TCliCommand> Commands = {
        {"check", {"FILE"}, {}, SCliCheckSummary, RunCheck},
        {"dump", {"FILE"}, {}, SCliDumpSummary, RunDump},
        {"resave", {"IN", "OUT"}, {}, SCliResaveSummary, RunResave},
        {"init", {}, {"port"}, SCliInitSummary, nullptr, {}, RunInitCommand},
        {"write",
         {"FILE"},
         {"first", "last", "port", "serial-at", "serial-format", "serial"},
         SCliWriteSummary,
         nullptr,
         {"verify"},
         RunWriteCommand,
         {"repair"}},
        {"read",
         {"FILE"},
         {"first", "last", "port"},
         SCliReadSummary,
         nullptr,
         {"partial"},
         RunReadCommand},
        {"erase", {}, {"first", "last", "port"}, SCliEraseSummary, nullptr, {}, RunEraseCommand},
        {"compare",
         {"FILE"},
         {"first", "last", "port", "serial-at", "serial-format", "serial"},
         SCliCompareSummary,
         nullptr,
         {"all"},
         RunCompareCommand},
        {"ports", {}, {}, SCliPortsSummary, nullptr, {}, nullptr, {}, RunPortsCommand},
        {"station",
         {"COMMAND", "..."},
         {"record", "records", "serial-start"},
         SCliStationSummary,
         nullptr,
         {"only-new"},
         nullptr,
         {},
         RunStationCommand},
        {"records",
         {},
         {"records", "since", "image", "result", "port"},
         SRecordsSummary,
         nullptr,
         {"summary", "csv"},
         nullptr,
         {},
         RunRecordsCommand},
    };
    return Commands;
}

int RunProgrammerWords(const std::vector<std::string>& Words, const TCliGlobalOptions& Global,
                       std::ostream& Out, std::ostream& Err) {
    const TCliCommand& Command = FindCommand(Words.at(0));
    if (Command.RunProgrammer == nullptr) {
        throw ECliUsage(FormatText(SCliNotAProgrammerCommand, Command.Name.c_str()));
    }
    TCliArguments Parsed = ParseArguments(Command, Words);
    Parsed.Words = Words;
    return Command.RunProgrammer(Parsed, Global, Out, Err);
}

int RunCli(const std::vector<std::string>& CommandLine, std::ostream& Out, std::ostream& Err) {
    if (!CommandLine.empty() && IsHelp(CommandLine[0])) {
        try {
            WriteHelp(CommandLine, Out);
            return CliSuccess;
        } catch (const ECliUsage& Error) {
            Err << Error.what() << '\n';
            WriteCliUsage(Err);
            return CliUsageError;
        }
    }
    if (!CommandLine.empty() && IsVersion(CommandLine[0])) {
        Out << "velmora-cli " << SProductVersion << '\n';
        return CliSuccess;
    }
    if (WantsJson(CommandLine)) {
        return RunCliAsJson(CommandLine, Out, Err);
    }
    try {
        TCliGlobalOptions Global;
        TCliArguments Parsed;
        const TCliCommand& Command = PrepareCommand(CommandLine, Global, Parsed);
        if (Command.RunProgrammer != nullptr) {
            return RunProgrammerCommand(Command, Parsed, Global, Out, Err);
        }
        if (Command.RunOwnOutput != nullptr) {
            return Command.RunOwnOutput(Parsed, Global, Out, Err);
        }
        Command.Run(Parsed, Out, Err);
        Out.flush();
        return CliSuccess;
    } catch (const TCommandHelpAsked& Asked) {
        WriteCommandHelp(Out, *Asked.Command);
        return CliSuccess;
    } catch (const ECliUsage& Error) {
        Err << Error.what() << '\n';
        if (Error.Command != nullptr) {
            WriteCommandUsage(Err, *Error.Command);
        } else {
            WriteCliUsage(Err);
        }
        return CliUsageError;
    } catch (const ECliRangeError& Error) {
        Err << Error.what() << '\n';
        return CliUsageError;
    } catch (const ECliSerialError& Error) {
        Err << Error.what() << '\n';
        return CliUsageError;
    } catch (const ECliPortChoice& Error) {
        // The candidates are the help here, not the usage.
        Err << Error.what() << '\n';
        return CliUsageError;
    } catch (const std::exception& Error) {
        Err << Error.what() << '\n';
        return CliFailure;
    }
}
