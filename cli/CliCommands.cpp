#include "cli/CliCommands.h"

#include "app/Exception.h"
#include "app/ResourseStrings.h"
#include "image/HexFileToMemoryMapConverter.h"
#include "operations/UIObjects.h"

#include <algorithm>
#include <memory>

namespace {

// A command line that does not fit the command table.
class ECliUsage : public Exception {
public:
    using Exception::Exception;
};

// Loads an image file the way the program does: the file's records cut into 528-byte pages.
// A missing file, or one without data, is a failure.
std::shared_ptr<IMemoryMap> LoadImage(const std::string& FileName) {
    auto HexFile = std::make_shared<THexFile>();
    HexFile->LoadFromFile(FileName);
    std::shared_ptr<IMemoryMap> Map;
    THexFileToMemoryMapConverter().HexToMemoryMap(HexFile, CliPageLength, Map);
    if (!Map || Map->GetCount() == 0) {
        throw Exception(SCannotLoadFile);
    }
    return Map;
}

void RunCheck(const TCliArguments& Arguments, std::ostream& Out) {
    const auto Map = LoadImage(Arguments.Positional[0]);
    const int Count = Map->GetCount();
    Out << FormatText(SPageCountLabel, Count, GetPagesWord(Count).c_str()) << '\n'
        << FormatText(SPageLengthLabel, Map->GetPage(0).GetSize()) << '\n';
}

void RunDump(const TCliArguments& Arguments, std::ostream& Out) {
    const auto Map = LoadImage(Arguments.Positional[0]);
    std::string Text;
    for (const std::string& Line : THexFileToMemoryMapConverter().MemoryMapToStrings(Map)) {
        Text += Line;
        Text += '\n';
    }
    Out << Text;
}

void RunResave(const TCliArguments& Arguments, std::ostream& Out) {
    const auto Map = LoadImage(Arguments.Positional[0]);
    const std::string Target = WithImageExtension(Arguments.Positional[1]);
    std::shared_ptr<IHexFile> HexFile;
    THexFileToMemoryMapConverter().MemoryMapToHex(Map, CliRecordLength, HexFile);
    HexFile->SaveToFile(Target);
    Out << Target << '\n';
}

std::string JoinParameters(const TCliCommand& Command) {
    std::string Text;
    for (const std::string& Parameter : Command.Parameters) {
        Text += Text.empty() ? "" : " ";
        Text += Parameter;
    }
    for (const std::string& Option : Command.Options) {
        Text += " [--" + Option + " VALUE]";
    }
    return Text;
}

const TCliCommand& FindCommand(const std::string& Name) {
    const auto& Commands = CliCommands();
    const auto Found =
        std::find_if(Commands.begin(), Commands.end(),
                     [&](const TCliCommand& Command) { return Command.Name == Name; });
    if (Found == Commands.end()) {
        throw ECliUsage(FormatText(SCliUnknownCommand, Name.c_str()));
    }
    return *Found;
}

bool Accepts(const TCliCommand& Command, const std::string& Option) {
    return std::find(Command.Options.begin(), Command.Options.end(), Option) !=
           Command.Options.end();
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
        const auto Equals = Word.find('=');
        const std::string Name = Word.substr(2, Equals == std::string::npos ? Equals : Equals - 2);
        if (!Accepts(Command, Name)) {
            throw ECliUsage(FormatText(SCliUnknownOption, Command.Name.c_str(), Word.c_str()));
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
        throw ECliUsage(
            FormatText(SCliWrongArguments, Command.Name.c_str(), JoinParameters(Command).c_str()));
    }
    return Arguments;
}

bool IsHelp(const std::string& Word) {
    return Word == "--help" || Word == "-h" || Word == "help";
}

} // namespace

const std::vector<TCliCommand>& CliCommands() {
    static const std::vector<TCliCommand> Commands = {
        {"check", {"FILE"}, {}, SCliCheckSummary, RunCheck},
        {"dump", {"FILE"}, {}, SCliDumpSummary, RunDump},
        {"resave", {"IN", "OUT"}, {}, SCliResaveSummary, RunResave},
    };
    return Commands;
}

void WriteCliUsage(std::ostream& Stream) {
    Stream << SCliUsageHeader << '\n';
    for (const TCliCommand& Command : CliCommands()) {
        const std::string Call = Command.Name + " " + JoinParameters(Command);
        Stream << FormatText(SCliCommandLine, Call.c_str(), Command.Summary.c_str()) << '\n';
    }
    Stream << FormatText(SCliCommandLine, SCliHelpCommand, SCliHelpSummary) << '\n';
}

int RunCli(const std::vector<std::string>& Arguments, std::ostream& Out, std::ostream& Err) {
    if (!Arguments.empty() && IsHelp(Arguments[0])) {
        WriteCliUsage(Out);
        return CliSuccess;
    }
    try {
        if (Arguments.empty()) {
            throw ECliUsage(SCliNoCommand);
        }
        const TCliCommand& Command = FindCommand(Arguments[0]);
        const TCliArguments Parsed = ParseArguments(Command, Arguments);
        Command.Run(Parsed, Out);
        Out.flush();
        return CliSuccess;
    } catch (const ECliUsage& Error) {
        Err << Error.what() << '\n';
        WriteCliUsage(Err);
        return CliUsageError;
    } catch (const std::exception& Error) {
        Err << Error.what() << '\n';
        return CliFailure;
    }
}

std::string WithImageExtension(const std::string& FileName) {
    const auto Slash = FileName.rfind('/');
    const auto Dot = FileName.rfind('.');
    const bool HasExtension =
        Dot != std::string::npos && (Slash == std::string::npos || Dot > Slash);
    if (HasExtension && FileName.compare(Dot, std::string::npos, SImageFileExtension) == 0) {
        return FileName;
    }
    return FileName + SImageFileExtension;
}
