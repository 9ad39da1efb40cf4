// Chip page numbers as the user reads them: runs of neighbours, and the pages of a range that an
// image does not hold.
#pragma once

#include <string>
#include <vector>

class IMemoryMap;

// Pages First..Last, both included.
struct TPageRun {
    int First = 0;
    int Last = 0;

    bool operator==(const TPageRun& Other) const {
        return First == Other.First && Last == Other.Last;
    }
};

// Ascending page numbers joined into runs of neighbours.
std::vector<TPageRun> PageRuns(const std::vector<int>& Pages);

// Runs as short text: "0-4, 6, 9-11"; after the first few runs the remaining pages are only
// counted (" и ещё 12").
std::string FormatPageRuns(const std::vector<TPageRun>& Runs);

// Ascending page numbers as FormatPageRuns writes them.
std::string FormatPageList(const std::vector<int>& Pages);

// The runs of pages First..Last of which Map holds no page; empty when it holds them all (or
// the range is empty). Takes time in the image's pages, not in the range's length.
std::vector<TPageRun> MissingPageRuns(const IMemoryMap& Map, int First, int Last);
