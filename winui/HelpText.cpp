#include "winui/HelpText.h"

#include <cstddef>

namespace {

bool IsBlank(const std::string& Line) {
    return Line.find_first_not_of(" \t") == std::string::npos;
}

bool StartsWith(const std::string& Line, const std::string& Start) {
    return Line.compare(0, Start.size(), Start) == 0;
}

std::string Trimmed(const std::string& Text) {
    const std::size_t First = Text.find_first_not_of(" \t");
    if (First == std::string::npos) {
        return {};
    }
    return Text.substr(First, Text.find_last_not_of(" \t") - First + 1);
}

// A line that starts a block of its own rather than going on with a paragraph.
bool StartsBlock(const std::string& Line) {
    return IsBlank(Line) || StartsWith(Line, "#") || StartsWith(Line, "- ") ||
           StartsWith(Line, "|");
}

std::vector<std::string> LinesOf(const std::string& Text) {
    std::vector<std::string> Lines;
    std::size_t Start = 0;
    while (Start <= Text.size()) {
        std::size_t End = Text.find('\n', Start);
        if (End == std::string::npos) {
            End = Text.size();
        }
        std::string Line = Text.substr(Start, End - Start);
        if (!Line.empty() && Line.back() == '\r') {
            Line.pop_back();
        }
        Lines.push_back(Line);
        Start = End + 1;
    }
    return Lines;
}

// Plain and bold stretches, the bold ones between "**".
std::vector<THelpSpan> SpansOf(const std::string& Text, bool Bold = false) {
    std::vector<THelpSpan> Spans;
    std::size_t Start = 0;
    while (Start < Text.size()) {
        std::size_t Marker = Text.find("**", Start);
        if (Marker == std::string::npos) {
            Marker = Text.size();
        }
        if (Marker > Start) {
            Spans.push_back({Text.substr(Start, Marker - Start), Bold});
        }
        Bold = !Bold;
        Start = Marker + 2;
    }
    return Spans;
}

// "| a | b |" -> "a\tb"; none for the row of dashes under the head.
bool TableCells(const std::string& Line, std::string& Cells) {
    if (Line.find_first_not_of("|-: ") == std::string::npos) {
        return false;
    }
    Cells.clear();
    std::size_t Start = 1;
    for (std::size_t Bar = Line.find('|', Start); Bar != std::string::npos;
         Bar = Line.find('|', Start)) {
        Cells += (Cells.empty() ? "" : "\t") + Trimmed(Line.substr(Start, Bar - Start));
        Start = Bar + 1;
    }
    return true;
}

// Lines that go on with the block started at Lines[Index] (its wrapped lines), joined by spaces.
std::string JoinedFrom(const std::vector<std::string>& Lines, std::size_t& Index,
                       std::string Text) {
    while (++Index < Lines.size() && !StartsBlock(Lines[Index])) {
        Text += ' ' + Trimmed(Lines[Index]);
    }
    return Text;
}

// A heading's level (its number of '#'); 0 for any other line.
std::size_t HeadingLevel(const std::string& Line) {
    return StartsWith(Line, "#") ? Line.find_first_not_of('#') : 0;
}

// The end of the section whose heading is Lines[Start]: the next heading of its level or a
// higher one, or the end of Lines.
std::size_t SectionEnd(const std::vector<std::string>& Lines, std::size_t Start) {
    const std::size_t Level = HeadingLevel(Lines[Start]);
    std::size_t End = Start + 1;
    while (End < Lines.size() &&
           (HeadingLevel(Lines[End]) == 0 || HeadingLevel(Lines[End]) > Level)) {
        ++End;
    }
    return End;
}

std::string Joined(const std::vector<std::string>& Lines) {
    std::string Text;
    for (const std::string& Line : Lines) {
        Text += Line + '\n';
    }
    return Text;
}

} // namespace

std::string WithSectionsReplaced(const std::string& Help, const std::string& Replacements) {
    std::vector<std::string> Lines = LinesOf(Help);
    const std::vector<std::string> New = LinesOf(Replacements);
    std::size_t Start = 0;
    while (Start < New.size() && HeadingLevel(New[Start]) == 0) {
        ++Start;
    }
    while (Start < New.size()) {
        const std::size_t End = SectionEnd(New, Start);
        const auto Heading = Trimmed(New[Start]);
        std::size_t Old = 0;
        while (Old < Lines.size() && Trimmed(Lines[Old]) != Heading) {
            ++Old;
        }
        const auto Section = New.begin() + static_cast<std::ptrdiff_t>(Start);
        const auto SectionStop = New.begin() + static_cast<std::ptrdiff_t>(End);
        if (Old < Lines.size()) {
            const auto From = Lines.begin() + static_cast<std::ptrdiff_t>(Old);
            const auto To = Lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(Lines, Old));
            Lines.insert(Lines.erase(From, To), Section, SectionStop);
        } else {
            Lines.emplace_back();
            Lines.insert(Lines.end(), Section, SectionStop);
        }
        Start = End;
    }
    return Joined(Lines);
}

std::vector<THelpBlock> HelpBlocks(const std::string& Markdown) {
    const std::vector<std::string> Lines = LinesOf(Markdown);
    std::vector<THelpBlock> Blocks;
    std::size_t Index = 0;
    while (Index < Lines.size()) {
        const std::string& Line = Lines[Index];
        if (IsBlank(Line)) {
            ++Index;
        } else if (StartsWith(Line, "#")) {
            const std::size_t Level = Line.find_first_not_of('#');
            Blocks.push_back({THelpBlock::Heading, static_cast<int>(Level),
                              SpansOf(Trimmed(Line.substr(Level)), true)});
            ++Index;
        } else if (StartsWith(Line, "|")) {
            std::string Cells;
            if (TableCells(Line, Cells)) {
                const bool Head = Blocks.empty() || Blocks.back().Kind != THelpBlock::TableRow;
                Blocks.push_back({THelpBlock::TableRow, 0, {{Cells, Head}}});
            }
            ++Index;
        } else if (StartsWith(Line, "- ")) {
            Blocks.push_back(
                {THelpBlock::ListItem, 0, SpansOf(JoinedFrom(Lines, Index, Line.substr(2)))});
        } else {
            Blocks.push_back({THelpBlock::Paragraph, 0, SpansOf(JoinedFrom(Lines, Index, Line))});
        }
    }
    return Blocks;
}
