#include "cli/SerialNumbers.h"

#include "common/ResourseStrings.h"

#include <limits>

namespace {

// Decimal digits, or hexadecimal after 0x; nothing for anything else or a value too large.
std::optional<std::uint64_t> ParseUnsigned(const std::string& Text) {
    const bool Hex =
        Text.size() > 2 && (Text.compare(0, 2, "0x") == 0 || Text.compare(0, 2, "0X") == 0);
    const std::string Digits = Hex ? Text.substr(2) : Text;
    const char* Allowed = Hex ? "0123456789abcdefABCDEF" : "0123456789";
    if (Digits.empty() || Digits.size() > (Hex ? 15u : 18u) ||
        Digits.find_first_not_of(Allowed) != std::string::npos) {
        return std::nullopt;
    }
    return std::stoull(Digits, nullptr, Hex ? 16 : 10);
}

TSerialFormat ParseFormat(const std::string& Text) {
    if (Text == "u32le") {
        return {TSerialFormat::TKind::U32LittleEndian, 0};
    }
    if (Text == "u32be") {
        return {TSerialFormat::TKind::U32BigEndian, 0};
    }
    if (Text.compare(0, 6, "ascii:") == 0) {
        const std::optional<std::uint64_t> Width = ParseUnsigned(Text.substr(6));
        if (Width && *Width >= 1 && *Width <= 20 && Text.find("0x", 6) == std::string::npos) {
            return {TSerialFormat::TKind::Ascii, static_cast<int>(*Width)};
        }
    }
    throw ECliSerialError(FormatText(SCliBadSerialFormat, Text.c_str()));
}

} // namespace

std::optional<TSerialPlace> SerialPlaceOf(const TCliArguments& Arguments) {
    const auto At = Arguments.Options.find("serial-at");
    const auto Format = Arguments.Options.find("serial-format");
    if (At == Arguments.Options.end()) {
        if (Format != Arguments.Options.end()) {
            throw ECliSerialError(SCliSerialFormatWithoutPlace);
        }
        return std::nullopt;
    }
    const std::optional<std::uint64_t> Address = ParseUnsigned(At->second);
    if (!Address) {
        throw ECliSerialError(FormatText(SCliBadSerialAddress, At->second.c_str()));
    }
    TSerialPlace Place;
    Place.Address = static_cast<std::int64_t>(*Address);
    if (Format != Arguments.Options.end()) {
        Place.Format = ParseFormat(Format->second);
    }
    return Place;
}

std::uint64_t ParseSerialNumber(const std::string& Option, const std::string& Text) {
    if (Text.find_first_not_of("0123456789") != std::string::npos) {
        throw ECliSerialError(FormatText(SCliBadSerialNumber, Option.c_str(), Text.c_str()));
    }
    const std::optional<std::uint64_t> Number = ParseUnsigned(Text);
    if (!Number) {
        throw ECliSerialError(FormatText(SCliBadSerialNumber, Option.c_str(), Text.c_str()));
    }
    return *Number;
}

TByteArray SerialBytes(std::uint64_t Number, const TSerialFormat& Format) {
    if (Format.Kind == TSerialFormat::TKind::Ascii) {
        const std::string Digits = std::to_string(Number);
        if (static_cast<int>(Digits.size()) > Format.Width) {
            throw ECliSerialError(FormatText(SCliSerialTooLong, Digits.c_str(), Format.Width));
        }
        const std::string Padded =
            std::string(static_cast<std::size_t>(Format.Width) - Digits.size(), '0') + Digits;
        return TByteArray(Padded.begin(), Padded.end());
    }
    if (Number > std::numeric_limits<std::uint32_t>::max()) {
        throw ECliSerialError(FormatText(SCliSerialTooLong, std::to_string(Number).c_str(), 32));
    }
    TByteArray Bytes(4);
    for (std::size_t Index = 0; Index < 4; ++Index) {
        const std::size_t Shift =
            Format.Kind == TSerialFormat::TKind::U32LittleEndian ? Index : 3 - Index;
        Bytes[Index] = static_cast<std::uint8_t>(Number >> (8 * Shift));
    }
    return Bytes;
}
