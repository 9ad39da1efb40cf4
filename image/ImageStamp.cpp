#include "image/ImageStamp.h"

#include "common/Exception.h"
#include "common/ResourseStrings.h"
#include "image/PageList.h"
#include "platform/Sha256.h"

#include <algorithm>

std::shared_ptr<IMemoryMap> WithBytesAt(const IMemoryMap& Image, std::int64_t Address,
                                        const TByteArray& Bytes, std::int32_t PageLength,
                                        std::int32_t PageCount) {
    const std::int64_t ChipSize = std::int64_t{PageLength} * PageCount;
    const auto Count = static_cast<std::int64_t>(Bytes.size());
    if (Address < 0 || Address + Count > ChipSize) {
        throw Exception(FormatText(SStampBeyondChip, static_cast<long long>(Address),
                                   static_cast<int>(Count), static_cast<long long>(ChipSize)));
    }
    const auto FirstPage = static_cast<int>(Address / PageLength);
    const auto LastPage =
        static_cast<int>((Address + std::max<std::int64_t>(Count, 1) - 1) / PageLength);
    const std::vector<TPageRun> Missing = MissingPageRuns(Image, FirstPage, LastPage);
    if (!Missing.empty()) {
        throw Exception(FormatText(SPagesNotInImage, FormatPageRuns(Missing).c_str()));
    }
    auto Stamped = std::make_shared<TMemoryMap>();
    for (std::int32_t Index = 0; Index < Image.GetCount(); ++Index) {
        const TMemoryPage& Page = Image.GetPage(Index);
        TByteArray Data = Page.GetData();
        const std::int64_t PageStart = std::int64_t{Page.GetPageNumber()} * PageLength;
        // A page shorter than a whole one grows, as erased flash, to take the bytes.
        const std::int64_t Needed = std::min<std::int64_t>(PageLength, Address + Count - PageStart);
        if (Address < PageStart + PageLength && Needed > static_cast<std::int64_t>(Data.size())) {
            Data.resize(static_cast<std::size_t>(Needed), 0xFF);
        }
        for (std::int64_t Offset = 0; Offset < static_cast<std::int64_t>(Data.size()); ++Offset) {
            const std::int64_t At = PageStart + Offset - Address;
            if (At >= 0 && At < Count) {
                Data[static_cast<std::size_t>(Offset)] = Bytes[static_cast<std::size_t>(At)];
            }
        }
        Stamped->AddPage(Page.GetPageNumber(), Page.GetAddress(), Data);
    }
    return Stamped;
}

std::string PagesSha256(const IMemoryMap& Image, const std::vector<int>& Pages) {
    TSha256 Hash;
    for (const int Number : Pages) {
        if (const TMemoryPage* Page = Image.FindPage(Number)) {
            Hash.Add(Page->GetData().data(), Page->GetData().size());
        }
    }
    return Hash.HexDigest();
}
