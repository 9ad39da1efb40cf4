// The command line of velmora-cli: the input is one argument per line. The arguments go through
// the parsing steps one by one and through RunCli as a whole; page ranges through ParseRange and
// ParseIndex; every argument through the port name rules.
//
// The parsing steps sit in an unnamed namespace of cli/CliCommands.cpp, so this target compiles
// that unit itself. The programmer commands, the run on several ports, the station, the records
// and the ports commands are replaced by stand-ins that only record how they were called, and
// "usb:" and "auto" port names stand for no port: no port is opened or looked for, no database
// opened and no child started. The file commands run for real, but only for arguments that name
// nothing on disk, so that they fail to load and never write.
#include "cli/CliCommands.cpp" // NOLINT(bugprone-suspicious-include)

#include "cli/PageRange.h"
#include "cli/PortCommands.h"
#include "fuzz/FuzzCheck.h"
#include "serial/PortNames.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int LastChipPage = 4095;
constexpr int StandInResult = 77;

struct TProgrammerCall {
    TCliArguments Arguments;
    TCliGlobalOptions Global;
};
std::optional<TProgrammerCall> LastCall;

int RecordCall(const TCliArguments& Arguments, const TCliGlobalOptions& Global) {
    LastCall = TProgrammerCall{Arguments, Global};
    return StandInResult;
}

// True when Part holds words of Whole in their order (Whole without the options of the whole
// line, which may stand before the command or among its words).
bool IsSubsequence(const std::vector<std::string>& Part, const std::vector<std::string>& Whole) {
    auto Next = Whole.begin();
    for (const std::string& Word : Part) {
        Next = std::find(Next, Whole.end(), Word);
        if (Next == Whole.end()) {
            return false;
        }
        ++Next;
    }
    return true;
}

bool AllDigits(const std::string& Text) {
    return Text.find_first_not_of("0123456789") == std::string::npos;
}

// Decimal digits without leading zeros for a value that fits int.
bool IsPlainIndex(const std::string& Text) {
    const std::string Largest = std::to_string(2147483647);
    return !Text.empty() && AllDigits(Text) && (Text == "0" || Text[0] != '0') &&
           (Text.size() < Largest.size() || (Text.size() == Largest.size() && Text <= Largest));
}

void CheckIndex(const std::string& Text) {
    try {
        const int Value = ParseIndex(Text);
        FUZZ_REQUIRE(AllDigits(Text) && Value >= 0);
        const std::size_t Zeros = std::min(Text.find_first_not_of('0'), Text.size() - 1);
        FUZZ_REQUIRE(std::to_string(Value) == Text.substr(Zeros));
    } catch (const ECliRangeError&) {
        FUZZ_REQUIRE(!IsPlainIndex(Text));
    }
}

void CheckRange(const TCliCommand& Command, const TCliArguments& Arguments, int MaxIndex) {
    const bool Given = Arguments.Options.count("first") + Arguments.Options.count("last") > 0;
    try {
        const std::optional<TPageRange> Range = ParseRange(Command.Name, Arguments, 0, MaxIndex);
        FUZZ_REQUIRE(Range.has_value() == Given);
        if (Range) {
            FUZZ_REQUIRE(0 <= Range->First && Range->First <= Range->Last &&
                         Range->Last <= MaxIndex);
            FUZZ_REQUIRE(Range->First == ParseIndex(Arguments.Options.at("first")));
            FUZZ_REQUIRE(Range->Last == ParseIndex(Arguments.Options.at("last")));
        }
    } catch (const ECliRangeError&) {
        FUZZ_REQUIRE(Given);
    }
}

bool SameText(const std::string& A, const std::string& B) {
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
               return std::toupper(static_cast<unsigned char>(X)) ==
                      std::toupper(static_cast<unsigned char>(Y));
           });
}

void CheckPortName(const std::string& Name) {
    const std::string Path = ResolveDeviceName(Name);
    FUZZ_REQUIRE(IsSamePort(Name, Path) && IsSamePort(Path, Name));
    if (Name.empty() || Name.find('/') != std::string::npos) {
        FUZZ_REQUIRE(Path == Name);
        return;
    }
    // A name without a slash stays a node of /dev.
    FUZZ_REQUIRE(Path.compare(0, 5, "/dev/") == 0 && Path.find('/', 5) == std::string::npos);
    const std::string Number = Name.substr(std::min<std::size_t>(3, Name.size()));
    if (SameText(Name.substr(0, 3), "COM") && IsPlainIndex(Number) && Number != "0" &&
        Number.size() <= 8) {
        FUZZ_REQUIRE(Path == "/dev/ttyS" + std::to_string(std::stol(Number) - 1));
    }
}

// True when some argument names a file or folder, or is a path: a file command could then load
// an image, and resave write one.
bool NamesSomething(const std::vector<std::string>& Words) {
    struct stat Info {};
    return std::any_of(Words.begin(), Words.end(), [&](const std::string& Word) {
        return Word.find('/') != std::string::npos || ::stat(Word.c_str(), &Info) == 0;
    });
}

} // namespace

int RunInitCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global, std::ostream&,
                   std::ostream&) {
    return RecordCall(Arguments, Global);
}
int RunWriteCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global, std::ostream&,
                    std::ostream&) {
    return RecordCall(Arguments, Global);
}
int RunReadCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global, std::ostream&,
                   std::ostream&) {
    return RecordCall(Arguments, Global);
}
int RunEraseCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global, std::ostream&,
                    std::ostream&) {
    return RecordCall(Arguments, Global);
}
int RunCompareCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                      std::ostream&, std::ostream&) {
    return RecordCall(Arguments, Global);
}

int RunPortsCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global, std::ostream&,
                    std::ostream&) {
    return RecordCall(Arguments, Global);
}
std::string ResolveUsbPort(const std::string& Selector) {
    throw ECliPortChoice(Selector);
}
std::string ResolveAutoPort(const TCliGlobalOptions&) {
    throw ECliPortChoice("auto");
}
int RunOnSeveralPorts(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                      std::ostream&, std::ostream&) {
    return RecordCall(Arguments, Global);
}
int RunStationCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                      std::ostream&, std::ostream&) {
    return RecordCall(Arguments, Global);
}
int RunRecordsCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                      std::ostream&, std::ostream&) {
    return RecordCall(Arguments, Global);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    std::vector<std::string> Words;
    std::istringstream Lines(std::string(reinterpret_cast<const char*>(Data), Size));
    for (std::string Word; std::getline(Lines, Word);) {
        Words.push_back(Word);
    }
    for (const std::string& Word : Words) {
        CheckIndex(Word);
        CheckPortName(Word);
    }

    // The steps of RunCli one by one.
    std::vector<std::string> Rest = Words;
    TCliGlobalOptions Global;
    const TCliCommand* Command = nullptr;
    TCliArguments Parsed;
    bool HelpAsked = false;
    try {
        Global = TakeGlobalOptions(Rest);
        FUZZ_REQUIRE(IsSubsequence(Rest, Words));
        if (!Rest.empty()) {
            Command = &FindCommand(Rest[0]);
            FUZZ_REQUIRE(Command->Name == Rest[0]);
            Parsed = ParseArguments(*Command, Rest);
            // The records command's own location is checked as the one before the command.
            if (Parsed.Options.count("records") != 0) {
                CheckRecordsLocation(Parsed.Options.at("records"));
            }
        }
    } catch (const ECliUsage&) {
        Command = nullptr;
    } catch (const TCommandHelpAsked&) {
        // COMMAND --help: that command's help instead of the command. The station reads its
        // words its own way (checked below).
        HelpAsked = Rest[0] != "station";
        Command = nullptr;
    }
    if (Command != nullptr) {
        FUZZ_REQUIRE(Parsed.Positional.size() == Command->Parameters.size());
        for (const auto& [Name, Value] : Parsed.Options) {
            FUZZ_REQUIRE(Accepts(*Command, Name) || (IsFlag(*Command, Name) && Value.empty()) ||
                         TakesOptionalValue(*Command, Name));
        }
        for (const int MaxIndex : {LastChipPage, 0, -1}) {
            CheckRange(*Command, Parsed, MaxIndex);
        }
        CheckPortName(Global.PortName);
    }

    // RunCli as a whole, agreeing with the steps.
    if (NamesSomething(Words)) {
        return 0;
    }
    LastCall.reset();
    std::ostringstream Out;
    std::ostringstream Err;
    const int Result = RunCli(Words, Out, Err);
    // The usage, the version, or the help of the command named after the help word (a name
    // that is no command is a usage error).
    const auto ExpectHelp = [&](const std::vector<std::string>& From) {
        const bool Known =
            From.size() < 2 || !IsHelp(From[0]) ||
            std::any_of(CliCommands().begin(), CliCommands().end(),
                        [&](const TCliCommand& Each) { return Each.Name == From[1]; });
        FUZZ_REQUIRE(!LastCall && (Known ? Result == CliSuccess && !Out.str().empty()
                                         : Result == CliUsageError));
    };
    if (!Words.empty() && (IsHelp(Words[0]) || IsVersion(Words[0]))) {
        ExpectHelp(Words);
        return 0;
    }
    // With --json, the usage and the version may also follow the options before the command.
    if (Global.Json && !Rest.empty() && (IsHelp(Rest[0]) || IsVersion(Rest[0]))) {
        ExpectHelp(Rest);
        return 0;
    }
    if (HelpAsked) {
        FUZZ_REQUIRE(Result == CliSuccess && !LastCall && !Out.str().empty());
        return 0;
    }
    if (Command == nullptr && Rest.size() > 0 && Rest[0] == "station") {
        // The station's words are the command it runs: checked as that command's line (whose
        // --help gives that command's help).
        FUZZ_REQUIRE((Result == StandInResult && LastCall && !Global.Simulate) ||
                     (Result == CliUsageError && !LastCall) || (Result == CliSuccess && !LastCall));
        return 0;
    }
    if (Command == nullptr) {
        FUZZ_REQUIRE(Result == CliUsageError && !LastCall);
        return 0;
    }
    if (Command->Name == "station") {
        FUZZ_REQUIRE((Result == StandInResult && LastCall && !Global.Simulate) ||
                     (Result == CliUsageError && !LastCall));
        return 0;
    }
    const bool OnlyFileOptions = !Global.Simulate && Global.PortNames.empty() && !Global.LogLimit &&
                                 !Global.Identify && Global.LogFile.empty() && !Global.LogAppend &&
                                 (Global.RecordsLocation.empty() || Command->Name == "records");
    if (Command->RunOwnOutput != nullptr) {
        FUZZ_REQUIRE(OnlyFileOptions ? Result == StandInResult && LastCall
                                     : Result == CliUsageError && !LastCall);
        return 0;
    }
    if (Command->RunProgrammer == nullptr) {
        FUZZ_REQUIRE((Result == CliFailure || Result == CliUsageError) && !LastCall);
        return 0;
    }
    std::vector<std::string> PortNames = Global.PortNames;
    const auto Port = Parsed.Options.find("port");
    if (Port != Parsed.Options.end()) {
        PortNames.push_back(Port->second);
    }
    // The range and the serial number options are checked before any port is looked at.
    try {
        CheckRangeEarly(*Command, Parsed);
        CheckSerialEarly(Parsed, false, PortNames.size() > 1);
    } catch (const std::exception&) {
        FUZZ_REQUIRE(Result == CliUsageError && !LastCall);
        return 0;
    }
    const bool Unresolvable =
        std::any_of(PortNames.begin(), PortNames.end(), [](const std::string& Name) {
            return IsUsbPortSelector(Name) || Name == "auto";
        });
    if ((Global.Simulate && !PortNames.empty()) || Unresolvable ||
        (!Global.RecordsLocation.empty() && PortNames.size() < 2)) {
        FUZZ_REQUIRE(Result == CliUsageError && !LastCall);
        return 0;
    }
    if (PortNames.size() > 1) {
        bool Twice = false;
        for (std::size_t Index = 0; Index < PortNames.size(); ++Index) {
            for (std::size_t Before = 0; Before < Index; ++Before) {
                Twice = Twice || IsSamePort(PortNames[Before], PortNames[Index]);
            }
        }
        const bool Untagged =
            Command->Name == "read" && Parsed.Positional[0].find("{port}") == std::string::npos;
        FUZZ_REQUIRE((Twice || Untagged) ? Result == CliUsageError && !LastCall
                                         : Result == StandInResult && LastCall &&
                                               LastCall->Global.PortNames == PortNames);
        return 0;
    }
    const std::string PortName = PortNames.empty() ? "" : PortNames.front();
    FUZZ_REQUIRE(Result == StandInResult && LastCall);
    FUZZ_REQUIRE(LastCall->Arguments.Positional == Parsed.Positional &&
                 LastCall->Arguments.Options == Parsed.Options);
    FUZZ_REQUIRE(LastCall->Global.PortName == PortName &&
                 LastCall->Global.Simulate == Global.Simulate);
    return 0;
}
