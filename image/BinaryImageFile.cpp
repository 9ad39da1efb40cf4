#include "image/BinaryImageFile.h"

#include "common/ResourseStrings.h"
#include "image/FileErrors.h"
#include "image/HexFileObjects.h"
#include "image/HexFileToMemoryMapConverter.h"
#include "image/PageList.h"
#include "platform/SafeFile.h"

#include <algorithm>
#include <stdexcept>

namespace {

constexpr std::uint8_t ErasedByte = 0xFF;

} // namespace

TBinaryImage LoadBinaryImage(const std::string& FileName, std::int32_t PageSize,
                             std::int32_t MaxPages) {
    const auto CannotRead = [&FileName] {
        return Exception(FormatText(SCannotReadFile, FileName.c_str()));
    };
    const std::int64_t MaxSize = static_cast<std::int64_t>(PageSize) * MaxPages;
    const auto TooLarge = [&](std::uint64_t Size) {
        return EImageIsTooLarge(FormatText(SBinaryFileTooLarge, FileName.c_str(),
                                           static_cast<long long>(Size),
                                           static_cast<long long>(MaxSize)));
    };
    TBinaryImage Image{std::make_shared<TMemoryMap>(), {}};
    TFileReader Reader;
    switch (Reader.Open(FileName)) {
    case TOpenResult::Opened:
        break;
    case TOpenResult::Missing:
        return Image;
    case TOpenResult::Refused:
        throw CannotRead();
    }
    // The size is checked before reading, so that a huge file is refused without taking its
    // size in memory, and again after, for a file that grew meanwhile.
    const std::optional<std::uint64_t> Size = Reader.Size();
    if (!Size) {
        throw CannotRead();
    }
    if (*Size > static_cast<std::uint64_t>(MaxSize)) {
        throw TooLarge(*Size);
    }
    std::string Content;
    if (!Reader.ReadAll(Content)) {
        throw CannotRead();
    }
    if (Content.empty()) {
        throw EFileIsEmpty(SFileIsEmpty);
    }
    if (Content.size() > static_cast<std::uint64_t>(MaxSize)) {
        throw TooLarge(Content.size());
    }
    const std::size_t Page = static_cast<std::size_t>(PageSize);
    if (Content.size() % Page != 0) {
        Content.resize((Content.size() / Page + 1) * Page, static_cast<char>(ErasedByte));
        Image.Note = FormatText(SBinaryLastPagePadded, FileName.c_str(), PageSize);
    }
    TByteArray Data(Page);
    for (std::size_t Offset = 0; Offset < Content.size(); Offset += Page) {
        std::copy_n(Content.begin() + static_cast<std::ptrdiff_t>(Offset), Page, Data.begin());
        const auto Number = static_cast<std::int32_t>(Offset / Page);
        Image.Map->AddPage(Number, static_cast<std::int32_t>(Offset), Data);
    }
    return Image;
}

void SaveBinaryImage(const IMemoryMap& Map, const std::string& FileName) {
    const std::vector<std::int32_t> Numbers = Map.GetPageNumbers();
    if (!Numbers.empty()) {
        const std::vector<TPageRun> Missing = MissingPageRuns(Map, 0, Numbers.back());
        if (!Missing.empty()) {
            throw Exception(
                FormatText(SBinaryImageHasGaps, FileName.c_str(), FormatPageRuns(Missing).c_str()));
        }
    }
    std::int64_t End = 0;
    for (std::int32_t Index = 0; Index < Map.GetCount(); ++Index) {
        const TMemoryPage& Page = Map.GetPage(Index);
        if (Page.GetAddress() < 0) {
            throw std::out_of_range("page address");
        }
        End = std::max<std::int64_t>(End, std::int64_t{Page.GetAddress()} +
                                              static_cast<std::int64_t>(Page.GetData().size()));
    }
    if (End > MaxImageSize) {
        throw EImageIsTooLarge(SImageIsTooLarge);
    }
    std::string Content(static_cast<std::size_t>(End), static_cast<char>(ErasedByte));
    for (std::int32_t Index = 0; Index < Map.GetCount(); ++Index) {
        const TMemoryPage& Page = Map.GetPage(Index);
        std::copy(Page.GetData().begin(), Page.GetData().end(),
                  Content.begin() + Page.GetAddress());
    }
    const auto Write = [&Content](TFileHandle& File) {
        return File.WriteAll(Content) == Content.size();
    };
    if (!ReplaceFileContent(FileName, Write)) {
        throw CannotWriteFileError(FileName);
    }
}
