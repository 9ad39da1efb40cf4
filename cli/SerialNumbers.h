// The serial numbers of a production line: where a board's number goes in the image and how it
// is written there (--serial-at ADDRESS, --serial-format u32le|u32be|ascii:WIDTH).
#pragma once

#include "cli/CliCommands.h"
#include "common/ArrayTypes.h"
#include "common/Exception.h"

#include <cstdint>
#include <optional>
#include <string>

// A serial number option that does not fit; its message is the complaint shown to the user.
class ECliSerialError : public Exception {
public:
    using Exception::Exception;
};

struct TSerialFormat {
    enum class TKind { U32LittleEndian, U32BigEndian, Ascii };
    TKind Kind = TKind::U32LittleEndian;
    // Decimal digits of an ascii number, zero-padded.
    int Width = 0;
};

// Where and how a board's number is put into the image.
struct TSerialPlace {
    std::int64_t Address = 0;
    TSerialFormat Format;
};

// --serial-at and --serial-format of Arguments; nothing without --serial-at. Raises
// ECliSerialError for an address that is not a number (decimal or 0x hex), a format it does not
// know, or --serial-format without --serial-at.
std::optional<TSerialPlace> SerialPlaceOf(const TCliArguments& Arguments);
// A number as --serial or --serial-start give it: decimal digits. Raises ECliSerialError.
std::uint64_t ParseSerialNumber(const std::string& Option, const std::string& Text);
// Number as Format writes it. Raises ECliSerialError when it does not fit (above 32 bits, or
// more digits than the width).
TByteArray SerialBytes(std::uint64_t Number, const TSerialFormat& Format);
