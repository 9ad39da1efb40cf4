#include "cli/CliHelp.h"

#include "common/ResourseStrings.h"

#include <algorithm>
#include <map>
#include <sstream>

namespace {

constexpr std::size_t Columns = 80;

// The options of the commands, each with its value and what it does.
const std::map<std::string, std::pair<const char*, const char*>>& OptionHelp() {
    static const std::map<std::string, std::pair<const char*, const char*>> Help = {
        {"first", {"--first N", SCliHelpFirst}},
        {"last", {"--last M", SCliHelpLast}},
        {"port", {"--port NAME", SCliHelpPort}},
        {"verify", {"--verify", SCliHelpVerify}},
        {"repair", {"--repair[=N]", SCliHelpRepair}},
        {"partial", {"--partial", SCliHelpPartial}},
        {"all", {"--all", SCliHelpAll}},
        {"record", {"--record FILE", SCliHelpRecord}},
        {"only-new", {"--only-new", SCliHelpOnlyNew}},
        {"serial-at", {"--serial-at ADDRESS", SCliHelpSerialAt}},
        {"serial-format", {"--serial-format F", SCliHelpSerialFormat}},
        {"serial", {"--serial N", SCliHelpSerial}},
        {"serial-start", {"--serial-start N", SCliHelpSerialStart}},
        {"records", {"--records LOCATION", SCliHelpRecords}},
        {"since", {"--since TIME", SRecordsHelpSince}},
        {"image", {"--image FILE", SRecordsHelpImage}},
        {"result", {"--result R", SRecordsHelpResult}},
        {"summary", {"--summary", SRecordsHelpSummary}},
        {"csv", {"--csv", SRecordsHelpCsv}},
    };
    return Help;
}

// Text broken into lines of at most Width characters at blanks (a longer word stands alone).
std::vector<std::string> WrapText(const std::string& Text, std::size_t Width) {
    std::vector<std::string> Lines;
    std::istringstream Words(Text);
    std::string Line;
    for (std::string Word; Words >> Word;) {
        if (!Line.empty() && Line.size() + 1 + Word.size() > Width) {
            Lines.push_back(Line);
            Line.clear();
        }
        Line += (Line.empty() ? "" : " ") + Word;
    }
    if (!Line.empty()) {
        Lines.push_back(Line);
    }
    return Lines;
}

// Text wrapped to the columns, each line after the first indented by Indent.
void WriteWrapped(std::ostream& Stream, const std::string& First, const std::string& Text,
                  std::size_t Indent) {
    const std::vector<std::string> Lines = WrapText(Text, Columns - Indent);
    Stream << First;
    for (std::size_t Index = 0; Index < Lines.size(); ++Index) {
        if (Index > 0) {
            Stream << std::string(Indent, ' ');
        }
        Stream << Lines[Index] << '\n';
    }
    if (Lines.empty()) {
        Stream << '\n';
    }
}

// One line of the usage: the call, then its summary in a column. A call too long for the column
// has its summary on lines of their own, in the same column, so that the two never run together.
void WriteUsageLine(std::ostream& Stream, const std::string& Call, const std::string& Summary) {
    const std::size_t Column = FormatText(SCliCommandLine, "", "").size();
    const std::string Head = FormatText(SCliCommandLine, Call.c_str(), "");
    if (Head.size() <= Column) {
        WriteWrapped(Stream, Head, Summary, Column);
        return;
    }
    WriteWrapped(Stream, "  ", "velmora-cli " + Call, 6);
    WriteWrapped(Stream, std::string(Column, ' '), Summary, Column);
}

// The distance between two words: letters put in, left out, changed or swapped with the next.
std::size_t Distance(const std::string& A, const std::string& B) {
    std::vector<std::vector<std::size_t>> D(A.size() + 1, std::vector<std::size_t>(B.size() + 1));
    for (std::size_t I = 0; I <= A.size(); ++I) {
        D[I][0] = I;
    }
    for (std::size_t J = 0; J <= B.size(); ++J) {
        D[0][J] = J;
    }
    for (std::size_t I = 1; I <= A.size(); ++I) {
        for (std::size_t J = 1; J <= B.size(); ++J) {
            const std::size_t Changed = A[I - 1] == B[J - 1] ? 0 : 1;
            D[I][J] = std::min({D[I - 1][J] + 1, D[I][J - 1] + 1, D[I - 1][J - 1] + Changed});
            if (I > 1 && J > 1 && A[I - 1] == B[J - 2] && A[I - 2] == B[J - 1]) {
                D[I][J] = std::min(D[I][J], D[I - 2][J - 2] + 1);
            }
        }
    }
    return D[A.size()][B.size()];
}

} // namespace

std::string CommandParameters(const TCliCommand& Command) {
    std::vector<std::string> Words = Command.Parameters;
    for (const std::string& Option : Command.Options) {
        Words.push_back("[--" + Option + " VALUE]");
    }
    for (const std::string& Flag : Command.Flags) {
        Words.push_back("[--" + Flag + "]");
    }
    for (const std::string& Option : Command.OptionalValues) {
        Words.push_back("[--" + Option + "[=VALUE]]");
    }
    std::string Text;
    for (const std::string& Word : Words) {
        Text += (Text.empty() ? "" : " ") + Word;
    }
    return Text;
}

std::string CommandCall(const TCliCommand& Command) {
    const std::string Parameters = CommandParameters(Command);
    return Parameters.empty() ? Command.Name : Command.Name + " " + Parameters;
}

void WriteCliUsage(std::ostream& Stream) {
    Stream << SCliUsageHeader << '\n';
    for (const TCliCommand& Command : CliCommands()) {
        WriteUsageLine(Stream, CommandCall(Command), Command.Summary);
    }
    WriteUsageLine(Stream, SCliHelpCommand, SCliHelpSummary);
    WriteUsageLine(Stream, SCliHelpOfCommand, SCliHelpOfCommandSummary);
    WriteUsageLine(Stream, SCliVersionCommand, SCliVersionSummary);
    WriteWrapped(Stream, "", SCliGlobalOptions, 0);
    WriteWrapped(Stream, "", SCliExitCodes, 0);
}

void WriteCommandUsage(std::ostream& Stream, const TCliCommand& Command) {
    WriteWrapped(Stream, "", std::string(SCliUsagePrefix) + CommandCall(Command), 6);
}

void WriteCommandHelp(std::ostream& Stream, const TCliCommand& Command) {
    WriteCommandUsage(Stream, Command);
    WriteWrapped(Stream, "", Command.Summary, 0);
    std::vector<std::string> Names = Command.Options;
    Names.insert(Names.end(), Command.Flags.begin(), Command.Flags.end());
    Names.insert(Names.end(), Command.OptionalValues.begin(), Command.OptionalValues.end());
    if (Names.empty()) {
        return;
    }
    Stream << SCliOptionsHeader << '\n';
    constexpr std::size_t Column = 18;
    for (const std::string& Name : Names) {
        const auto Help = OptionHelp().find(Name);
        if (Help == OptionHelp().end()) {
            continue;
        }
        std::string Head = "  " + std::string(Help->second.first);
        Head.resize(std::max(Column, Head.size() + 1), ' ');
        WriteWrapped(Stream, Head, Help->second.second, Head.size());
    }
}

std::string NearestWord(const std::string& Given, const std::vector<std::string>& Known) {
    std::string Nearest;
    std::size_t Best = std::max<std::size_t>(1, Given.size() / 3) + 1;
    for (const std::string& Word : Known) {
        const std::size_t Apart = Distance(Given, Word);
        if (Apart < Best) {
            Best = Apart;
            Nearest = Word;
        }
    }
    return Nearest;
}
