// The user's help (Markdown, docs/help.ru.md with the sections of docs/help.windows.ru.md in
// place of its own) in the blocks the help window shows: headings, paragraphs with their
// wrapped lines joined, list items, table rows with their cells, and bold text between double
// asterisks.
#pragma once

#include <string>
#include <vector>

struct THelpSpan {
    std::string Text;
    bool Bold = false;
};

struct THelpBlock {
    enum TKind { Heading, Paragraph, ListItem, TableRow };
    TKind Kind = Paragraph;
    // A heading's level, 1 to 6; 0 for other blocks.
    int Level = 0;
    // A table row's cells are separated by tabs; its first row is bold.
    std::vector<THelpSpan> Spans;
};

std::vector<THelpBlock> HelpBlocks(const std::string& Markdown);

// Help with each section of Replacements in place of Help's section under the same heading. A
// section is its heading's line and the lines up to the next heading of its level or a higher
// one. Replacements' text before its first heading is a note for the help's writers and is
// left out; a section that Help lacks is added at its end.
std::string WithSectionsReplaced(const std::string& Help, const std::string& Replacements);
