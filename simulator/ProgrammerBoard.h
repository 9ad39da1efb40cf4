// The programmer board without its line: a 528-byte page buffer and a 4096-page flash chip
// that answer one request package with one reply package, including the faults of a board that
// answers wrongly (forced reply codes, unknown page numbers, no echo of the package number,
// cut or damaged replies). No threads and no terminal: TProgrammerSimulator serves it on a
// pseudo-terminal and guards it with its own lock.
#pragma once

#include "common/ArrayTypes.h"
#include "common/Exception.h"
#include "platform/SafeFile.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

inline constexpr std::size_t SimPageLength = 528;
inline constexpr std::size_t SimChipPageCount = 4096;
inline constexpr std::uint16_t SimUnknownPageNumber = 0xFFFF;

// Command codes the programmer understands.
enum : std::uint8_t {
    SimCmdTransfer = 0x10,
    SimCmdWrite = 0x20,
    SimCmdRead = 0x30,
    SimCmdCompare = 0x40,
    SimCmdErase = 0x50,
    SimCmdRequest = 0x60,
    SimCmdInitialize = 0xF0,
};

// Reply codes beyond "command + 1" (the success code of the page commands).
enum : std::uint8_t {
    SimReplyConnectionError = 0x02,
    SimReplyPageData = 0x65,
    SimReplyCompareDifferent = 0x44,
    SimReplyIdentification = 0xF6,
    // Added to a command's high nibble for a refused command (unknown command, page number
    // beyond the chip, transfer of other than one page of data).
    SimReplyOperationErrorNibble = 0x03,
};

class ESimulatorError : public Exception {
public:
    using Exception::Exception;
};

// What the board is and how it answers wrongly on purpose.
struct TBoardOptions {
    // File that keeps the chip between runs: loaded by OpenChipFile when it exists (it must
    // hold exactly one chip image), created erased otherwise; every changed page is written to
    // it at once. Empty: the chip lives in memory only.
    std::string ChipFile;
    // Text of the answer to the initialise command.
    std::string IdentificationText = "Velmora simulator 1.0";

    // Command -> the code its success is answered with instead of the command's own family
    // with low nibble 1 (the command is carried out): a board that answers every page command
    // with one code (0x51 for all), or with codes of mixed families.
    std::map<std::uint8_t, std::uint8_t> SuccessCodes;

    // Faults.
    std::map<std::uint8_t, std::uint8_t> ForcedReplies; // command -> reply code, not carried out
    // Chip page -> the code every write of that page is refused with (not carried out), as a
    // worn-out page.
    std::map<std::uint16_t, std::uint8_t> RefusedWrites;
    std::set<std::uint16_t> UnknownPages; // request replies for these buffer pages carry 0xFFFF
    bool EchoNumbers = true; // false: replies carry the board's own running number instead
    // Not 0: every N-th reply package has one bit flipped, as a reply damaged on the line (its
    // checksum no longer agrees).
    std::size_t DamageEvery = 0;
    // Every reply package is cut to its first N bytes (N below 7 makes a reply too short to be
    // a package).
    std::optional<std::size_t> CutRepliesTo;
    // Chip pages whose lowest bit of every byte is stuck at 0: whatever is written or erased
    // there reads back with that bit cleared, however often it is written again.
    std::set<std::uint16_t> StuckPages;
    // Chip page -> how many of its next writes are acknowledged but not carried out (the page
    // keeps what it held), as a write that did not take.
    std::map<std::uint16_t, std::size_t> LostWrites;
};

// One request as received.
struct TSimulatorRequest {
    TByteArray Frame;   // raw bytes, start marker to terminator
    TByteArray Package; // unstuffed package
    bool StuffingValid = true;
    bool LengthValid = false;   // at least a package head and checksum, data length field agrees
    bool CheckSumValid = false; // checksum byte agrees with the package
    std::uint8_t Number = 0;
    std::uint8_t Command = 0;
    std::uint16_t PageNumber = 0;
    std::uint16_t DataLength = 0;
    TByteArray Data;
    std::uint8_t CheckSum = 0;

    bool IsWellFormed() const { return StuffingValid && LengthValid && CheckSumValid; }
};

// One reply as sent (without noise).
struct TSimulatorReply {
    TByteArray Package;
    TByteArray Frame;
    std::uint8_t Command = 0;
    std::uint16_t PageNumber = 0;
};

// Takes apart an unstuffed request package. Whatever fields a short package holds are filled
// in, so that even a malformed request is answered with its own number and page. Frame is left
// empty.
TSimulatorRequest SimParseRequest(const TByteArray& Package, bool StuffingValid = true);

class TProgrammerBoard {
public:
    using TTrace = std::function<void(const std::string& Line)>;

    // Trace receives a line for every chip file write that fails.
    explicit TProgrammerBoard(TBoardOptions Options = {}, TTrace Trace = {});
    ~TProgrammerBoard();
    TProgrammerBoard(const TProgrammerBoard&) = delete;
    TProgrammerBoard& operator=(const TProgrammerBoard&) = delete;

    // Loads the chip from the chip file of the options, or creates the file erased. Nothing
    // without a chip file. Raises ESimulatorError, leaving the file closed.
    void OpenChipFile();
    // Flushes and closes the chip file; later changes stay in memory.
    void CloseChipFile();

    // Carries out a request and gives its reply package (Frame left empty). A malformed
    // request is answered with the connection error code and not carried out.
    TSimulatorReply Answer(const TSimulatorRequest& Request);

    TByteArray GetPage(std::uint16_t PageNumber) const;
    // Data shorter than a page is padded with 0xFF. Raises ESimulatorError for a page beyond
    // the chip. Written through to the chip file.
    void SetPage(std::uint16_t PageNumber, const TByteArray& Data);
    const TByteArray& GetBuffer() const { return Buffer; }
    // Data shorter than the buffer is padded with 0xFF. Raises ESimulatorError when it is
    // longer.
    void SetBuffer(const TByteArray& Data, std::uint16_t PageNumber);
    // Page number of the page last read or transferred into the buffer (0xFFFF at start).
    std::uint16_t GetBufferPageNumber() const { return BufferPageNumber; }

    std::size_t GetMalformedRequests() const { return MalformedRequests; }
    std::size_t GetUnknownCommands() const { return UnknownCommands; }

private:
    void LoadChipFile();
    TSimulatorReply MakeReply(const TSimulatorRequest& Request, std::uint8_t Code,
                              std::uint16_t PageNumber, const TByteArray& Data = {});
    void StorePage(std::uint16_t PageNumber, const std::uint8_t* Data);

    const TBoardOptions Options;
    const TTrace Trace;
    // Writes still to be lost, per chip page (from Options.LostWrites).
    std::map<std::uint16_t, std::size_t> WritesToLose;
    TFileHandle ChipFileHandle;
    TByteArray Chip;
    TByteArray Buffer;
    std::uint16_t BufferPageNumber = SimUnknownPageNumber;
    std::size_t MalformedRequests = 0;
    std::size_t UnknownCommands = 0;
    std::size_t RepliesMade = 0;
    std::uint8_t OwnReplyNumber = 0x80; // the running number of a board that does not echo
};
