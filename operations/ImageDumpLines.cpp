#include "operations/ImageDumpLines.h"

#include <sstream>

namespace {

constexpr long DataRecord = 0;
constexpr long ExtendedAddressRecord = 4;

// The space-separated hexadecimal fields of a line, the byte count without its colon.
std::vector<long> HexFields(const std::string& Line) {
    std::istringstream Stream(Line);
    std::vector<long> Fields;
    std::string Field;
    while (Stream >> Field) {
        if (Fields.empty() && !Field.empty() && Field[0] == ':') {
            Field.erase(0, 1);
        }
        try {
            Fields.push_back(std::stol(Field, nullptr, 16));
        } catch (const std::exception&) {
            return {};
        }
    }
    return Fields;
}

} // namespace

std::optional<std::size_t> DumpLineOfAddress(const std::vector<std::string>& Lines,
                                             std::int64_t Address) {
    std::int64_t Base = 0;
    for (std::size_t Index = 0; Index < Lines.size(); ++Index) {
        const std::vector<long> Fields = HexFields(Lines[Index]);
        if (Fields.size() < 3) {
            continue;
        }
        const long Count = Fields[0];
        const long Offset = Fields[1];
        const long Type = Fields[2];
        if (Type == ExtendedAddressRecord && Fields.size() >= 5) {
            Base = static_cast<std::int64_t>(Fields[3] << 8 | Fields[4]) << 16;
        } else if (Type == DataRecord && Address >= Base + Offset &&
                   Address < Base + Offset + Count) {
            return Index;
        }
    }
    return std::nullopt;
}
