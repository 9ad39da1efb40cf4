// The programmer's fixed values and every time-out of the program, with the layer that owns
// each. The simulator keeps its own copies on purpose: it is written apart from the program so
// that it can check it. The threads and locks are mapped in ThreadsAndLocks.md beside this file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Programmer {

// ---- The chip and its image ----
inline constexpr std::int32_t PageLength = 528; // bytes of one chip page
inline constexpr std::int32_t PageCount = 4096; // chip pages 0 .. LastPage
inline constexpr std::int32_t LastPage = PageCount - 1;
inline constexpr std::int32_t RecordLength = 32; // data bytes of a HEX record the program writes

// ---- The serial line (owned by serial/) ----
inline constexpr std::uint32_t BaudRate = 115200; // 8 data bits, no parity, one stop bit

// ---- Frames (owned by package/, set up by the connection manager) ----
inline constexpr std::uint8_t StartMarker = 0xAA;
inline constexpr std::uint8_t EndMarker = 0x55;
inline constexpr std::uint8_t Terminator = 0xFF;

// ---- Time-outs ----
// How long the link waits for the programmer's reply: chosen per command by the protocol
// manager (link/Protocol), waited for by the connection manager. A silent programmer costs
// each command its whole time-out; nothing below the protocol manager waits on its own.
inline constexpr std::uint32_t PageCommandTimeoutMs = 1000; // write, read, compare, erase, init
inline constexpr std::uint32_t RequestPageTimeoutMs = 3000; // fetching the programmer's buffer
inline constexpr std::uint32_t TransferMsPerByte = 10;      // a page transfer: 5280 ms for 528
// How often a page reply damaged on the line is asked for in all (protocol manager).
inline constexpr int PageRequestAttempts = 3;
// The serial port gives up a write when the driver takes nothing for this long (serial/).
inline constexpr int WriteStallMs = 2000;
// The read thread's pause after a read that failed at once on a dead line (serial/).
inline constexpr std::uint32_t FailedReadPauseMs = 30;

} // namespace Programmer
