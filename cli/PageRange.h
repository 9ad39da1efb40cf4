// The page range of the programmer commands (--first N --last M): both bounds or neither,
// decimal digits only, checked against the pages the command may touch.
#pragma once

#include "cli/CliCommands.h"
#include "common/Exception.h"

#include <optional>
#include <string>

// A range given in a form or with bounds the command does not accept; its message is the
// complaint shown to the user.
class ECliRangeError : public Exception {
public:
    using Exception::Exception;
};

struct TPageRange {
    int First = 0;
    int Last = 0;
};

// A page index as the range dialog accepts it: decimal digits only, within int. Raises
// ECliRangeError otherwise.
int ParseIndex(const std::string& Text);

// The range of --first and --last, checked against MinIndex..MaxIndex as the range dialog
// checks it (the last failing check gives the complaint), except that one page is a range.
// Nothing when neither option is given; ECliRangeError when only one is, or the range fails a
// check.
std::optional<TPageRange> ParseRange(const std::string& CommandName, const TCliArguments& Arguments,
                                     int MinIndex, int MaxIndex);
