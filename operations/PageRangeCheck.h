// Whether the first and last page index typed into a page range dialog make a range the
// command can run on, and the note the dialog shows below the fields: the complaint of the last
// check that failed, or the number of pages of an acceptable range.
#pragma once

#include "operations/MainWindowView.h"

#include <string>

struct TPageRangeVerdict {
    bool Acceptable = false;
    // A complaint (shown in red) or the page count of an acceptable range (shown in grey).
    std::string Note;
    // The range, when it is acceptable.
    TPageRange Range;
};

// Checks the texts of both fields against MinIndex..MaxIndex; both bounds belong to the range.
TPageRangeVerdict CheckPageRange(const std::string& FirstText, const std::string& LastText,
                                 int MinIndex, int MaxIndex);
