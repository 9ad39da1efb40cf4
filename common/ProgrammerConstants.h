// The programmer's fixed values and every time-out of the program, with the layer that owns
// each. The simulated board keeps its own copies of the wire's values on purpose: it is written
// apart from the program so that it can check it; only its virtual port, a serial port like the
// program's own, takes the read-wait limit from here. The threads and locks are mapped in
// ThreadsAndLocks.md beside this file.
#pragma once

#include <chrono>
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
// A byte on the line: start bit, 8 data bits, stop bit.
inline constexpr std::uint32_t BitsPerByte = 10;
// How long Bytes take to cross the line at BaudRate: no device can deliver them sooner.
constexpr std::chrono::microseconds WireTime(std::uint64_t Bytes) {
    return std::chrono::microseconds(Bytes * BitsPerByte * 1000000 / BaudRate);
}

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
// While a reply is awaited, the waiting thread wakes this often to run the front end's waiting
// procedure (link/, the connection manager).
inline constexpr std::uint32_t WaitSliceMs = 20;
// A damaged package may be noise that looked like a frame, just before the answer: the link
// waits on this long for a sound one behind it, and again as long as bytes keep coming, within
// the command's time-out, before it takes the damaged one (link/, the connection manager).
inline constexpr std::uint32_t DamagedReplyGraceMs = 50;
// The serial port gives up a write when the driver takes nothing for this long (serial/).
inline constexpr int WriteStallMs = 2000;
// The longest finite read wait a serial port computes (about 35 years): keeps its deadline
// arithmetic from overflowing (serial/ and the simulator's virtual port).
inline constexpr std::uint64_t MaxReadWaitMs = std::uint64_t{1} << 40;
// The read thread's wait per byte when it takes the bytes already queued behind a burst's
// first byte (serial/).
inline constexpr std::uint32_t DrainMsPerByte = 100;
// The read thread's pause after a read that failed at once on a dead line (serial/).
inline constexpr std::uint32_t FailedReadPauseMs = 30;

// ---- The production station (owned by cli/, velmora-cli station) ----
// How long one round of the station's loop waits for the lines of the boards in progress, and
// how long it waits for a port notice (or sleeps) while none is in progress.
inline constexpr int StationPollMs = 100;
inline constexpr int StationIdleWaitMs = 100;
// A port that arrived is left alone this long before its board is started.
inline constexpr int StationSettleMs = 300;
// With a --port list, the listed ports are asked whether a programmer is there at most this
// often: a round starts only when the last one has ended and no board is in progress.
inline constexpr int StationProbeIntervalMs = 2000;

} // namespace Programmer
