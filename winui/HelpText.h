// The user's help (Markdown, docs/help.ru.md) in the blocks the help window shows: headings,
// paragraphs with their wrapped lines joined, list items, table rows with their cells, and
// bold text between double asterisks.
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
