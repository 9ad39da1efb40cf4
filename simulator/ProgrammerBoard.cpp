#include "simulator/ProgrammerBoard.h"

#include "platform/SystemError.h"
#include "simulator/SimulatorWire.h"

#include <algorithm>

namespace {

constexpr std::size_t ChipBytes = SimChipPageCount * SimPageLength;
constexpr std::uint8_t ErasedByte = 0xFF;
constexpr std::uint8_t SuccessNibble = 0x01;

std::string SystemErrorText(const std::string& What) {
    return What + ": " + LastSystemError();
}

} // namespace

TSimulatorRequest SimParseRequest(const TByteArray& Package, bool StuffingValid) {
    TSimulatorRequest Request;
    Request.Package = Package;
    Request.StuffingValid = StuffingValid;
    const std::size_t Length = Package.size();
    // Take whatever fields the bytes hold, so that even a short package is echoed sensibly.
    if (Length >= 1) {
        Request.Number = Package[0];
    }
    if (Length >= 2) {
        Request.Command = Package[1];
    }
    if (Length >= 4) {
        Request.PageNumber = static_cast<std::uint16_t>(Package[2] << 8 | Package[3]);
    }
    if (Length >= 6) {
        Request.DataLength = static_cast<std::uint16_t>(Package[4] << 8 | Package[5]);
    }
    if (Length >= SimPackageOverhead) {
        Request.Data.assign(Package.begin() + 6, Package.end() - 1);
        Request.CheckSum = Package.back();
        Request.CheckSumValid = SimCheckSum(Package.data(), Length - 1) == Request.CheckSum;
        Request.LengthValid = Request.DataLength == Length - SimPackageOverhead;
    }
    return Request;
}

TProgrammerBoard::TProgrammerBoard(TBoardOptions Options, TTrace Trace)
    : Options(std::move(Options)), Trace(std::move(Trace)), WritesToLose(this->Options.LostWrites),
      Chip(ChipBytes, ErasedByte), Buffer(SimPageLength, ErasedByte) {}

TProgrammerBoard::~TProgrammerBoard() {
    CloseChipFile();
}

void TProgrammerBoard::OpenChipFile() {
    if (Options.ChipFile.empty()) {
        return;
    }
    try {
        LoadChipFile();
    } catch (...) {
        CloseChipFile();
        throw;
    }
}

void TProgrammerBoard::LoadChipFile() {
    ChipFileHandle = OpenForUpdate(Options.ChipFile);
    if (!ChipFileHandle.IsOpen()) {
        throw ESimulatorError(SystemErrorText("cannot open chip file " + Options.ChipFile));
    }
    const std::optional<std::uint64_t> Size = ChipFileHandle.FileSize();
    if (!Size) {
        throw ESimulatorError(SystemErrorText("cannot examine chip file " + Options.ChipFile));
    }
    if (*Size == 0) {
        // A new file starts as an erased chip.
        if (!ChipFileHandle.WriteAt(0, Chip.data(), Chip.size())) {
            throw ESimulatorError(SystemErrorText("cannot write chip file " + Options.ChipFile));
        }
        return;
    }
    if (*Size != ChipBytes) {
        // Never overwrite a file that is not a chip image.
        throw ESimulatorError("chip file " + Options.ChipFile + " holds " + std::to_string(*Size) +
                              " bytes instead of " + std::to_string(ChipBytes));
    }
    if (!ChipFileHandle.ReadAt(0, Chip.data(), ChipBytes)) {
        throw ESimulatorError(SystemErrorText("cannot read chip file " + Options.ChipFile));
    }
}

void TProgrammerBoard::CloseChipFile() {
    if (ChipFileHandle.IsOpen()) {
        ChipFileHandle.Sync();
        ChipFileHandle.Close();
    }
}

TSimulatorReply TProgrammerBoard::Answer(const TSimulatorRequest& Request) {
    if (!Request.IsWellFormed()) {
        ++MalformedRequests;
        return MakeReply(Request, SimReplyConnectionError, Request.PageNumber);
    }
    const auto Forced = Options.ForcedReplies.find(Request.Command);
    if (Forced != Options.ForcedReplies.end()) {
        return MakeReply(Request, Forced->second, Request.PageNumber);
    }

    const std::uint16_t Page = Request.PageNumber;
    const auto SuccessCode = Options.SuccessCodes.find(Request.Command);
    const std::uint8_t Succeeded = SuccessCode != Options.SuccessCodes.end()
                                       ? SuccessCode->second
                                       : static_cast<std::uint8_t>(Request.Command | SuccessNibble);
    const std::uint8_t Refused = (Request.Command & 0xF0) | SimReplyOperationErrorNibble;
    const bool PageOnChip = Page < SimChipPageCount;
    const auto PageBegin = Chip.begin() + static_cast<std::ptrdiff_t>(Page * SimPageLength);

    switch (Request.Command) {
    case SimCmdTransfer:
        if (!PageOnChip || Request.Data.size() != SimPageLength) {
            return MakeReply(Request, Refused, Page);
        }
        Buffer = Request.Data;
        BufferPageNumber = Page;
        return MakeReply(Request, Succeeded, Page);
    case SimCmdWrite:
        if (!PageOnChip) {
            return MakeReply(Request, Refused, Page);
        }
        if (const auto Refusal = Options.RefusedWrites.find(Page);
            Refusal != Options.RefusedWrites.end()) {
            return MakeReply(Request, Refusal->second, Page);
        }
        if (const auto Lost = WritesToLose.find(Page);
            Lost != WritesToLose.end() && Lost->second > 0) {
            --Lost->second;
            return MakeReply(Request, Succeeded, Page);
        }
        StorePage(Page, Buffer.data());
        return MakeReply(Request, Succeeded, Page);
    case SimCmdRead:
        if (!PageOnChip) {
            return MakeReply(Request, Refused, Page);
        }
        Buffer.assign(PageBegin, PageBegin + SimPageLength);
        BufferPageNumber = Page;
        return MakeReply(Request, Succeeded, Page);
    case SimCmdCompare:
        if (!PageOnChip) {
            return MakeReply(Request, Refused, Page);
        }
        return MakeReply(Request,
                         std::equal(Buffer.begin(), Buffer.end(), PageBegin)
                             ? Succeeded
                             : std::uint8_t{SimReplyCompareDifferent},
                         Page);
    case SimCmdErase: {
        if (!PageOnChip) {
            return MakeReply(Request, Refused, Page);
        }
        const TByteArray Erased(SimPageLength, ErasedByte);
        StorePage(Page, Erased.data());
        return MakeReply(Request, Succeeded, Page);
    }
    case SimCmdRequest: {
        const std::uint16_t Reported = Options.UnknownPages.count(BufferPageNumber) != 0
                                           ? SimUnknownPageNumber
                                           : BufferPageNumber;
        return MakeReply(Request, SimReplyPageData, Reported, Buffer);
    }
    case SimCmdInitialize:
        return MakeReply(
            Request, SimReplyIdentification, 0,
            TByteArray(Options.IdentificationText.begin(), Options.IdentificationText.end()));
    default:
        ++UnknownCommands;
        return MakeReply(Request, Refused, Page);
    }
}

TSimulatorReply TProgrammerBoard::MakeReply(const TSimulatorRequest& Request, std::uint8_t Code,
                                            std::uint16_t PageNumber, const TByteArray& Data) {
    TSimulatorReply Reply;
    Reply.Command = Code;
    Reply.PageNumber = PageNumber;
    const std::uint8_t Number = Options.EchoNumbers ? Request.Number : OwnReplyNumber++;
    Reply.Package = SimBuildPackage(Number, Code, PageNumber, Data);
    if (Options.CutRepliesTo && Reply.Package.size() > *Options.CutRepliesTo) {
        Reply.Package.resize(*Options.CutRepliesTo);
    }
    ++RepliesMade;
    if (Options.DamageEvery != 0 && RepliesMade % Options.DamageEvery == 0 &&
        !Reply.Package.empty()) {
        // One bit of the byte in the middle: the data of a page, the head of a short reply.
        Reply.Package[Reply.Package.size() / 2] ^= 0x10;
    }
    return Reply;
}

TByteArray TProgrammerBoard::GetPage(std::uint16_t PageNumber) const {
    if (PageNumber >= SimChipPageCount) {
        throw ESimulatorError("page " + std::to_string(PageNumber) + " is beyond the chip");
    }
    const auto Begin = Chip.begin() + static_cast<std::ptrdiff_t>(PageNumber * SimPageLength);
    return TByteArray(Begin, Begin + SimPageLength);
}

void TProgrammerBoard::SetPage(std::uint16_t PageNumber, const TByteArray& Data) {
    if (PageNumber >= SimChipPageCount || Data.size() > SimPageLength) {
        throw ESimulatorError("page " + std::to_string(PageNumber) + " with " +
                              std::to_string(Data.size()) + " bytes does not fit the chip");
    }
    TByteArray Page(SimPageLength, ErasedByte);
    std::copy(Data.begin(), Data.end(), Page.begin());
    StorePage(PageNumber, Page.data());
}

void TProgrammerBoard::SetBuffer(const TByteArray& Data, std::uint16_t PageNumber) {
    if (Data.size() > SimPageLength) {
        throw ESimulatorError("the buffer holds " + std::to_string(SimPageLength) + " bytes");
    }
    std::fill(Buffer.begin(), Buffer.end(), ErasedByte);
    std::copy(Data.begin(), Data.end(), Buffer.begin());
    BufferPageNumber = PageNumber;
}

void TProgrammerBoard::StorePage(std::uint16_t PageNumber, const std::uint8_t* Data) {
    const std::size_t Offset = std::size_t(PageNumber) * SimPageLength;
    const auto Begin = Chip.begin() + static_cast<std::ptrdiff_t>(Offset);
    std::copy(Data, Data + SimPageLength, Begin);
    if (Options.StuckPages.count(PageNumber) != 0) {
        std::for_each(Begin, Begin + SimPageLength, [](std::uint8_t& Byte) { Byte &= 0xFE; });
        Data = &*Begin;
    }
    if (ChipFileHandle.IsOpen() && !ChipFileHandle.WriteAt(Offset, Data, SimPageLength)) {
        if (Trace) {
            Trace(SystemErrorText("cannot write chip file " + Options.ChipFile));
        }
    }
}
