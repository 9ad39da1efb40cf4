// A serial port that is no device: the programmer board is simulated in this process behind
// it. What the program writes is cut into request frames, which the board answers at once;
// the reply frames wait in the port's input queue for Read. Used where no pseudo-terminal can
// carry the simulated board (Windows), and by tests of the link without a line in between.
#pragma once

#include "serial/ReadDeadline.h"
#include "serial/SerialPortBase.h"
#include "simulator/ProgrammerBoard.h"
#include "simulator/SimulatorWire.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

class TVirtualSerialPort : public TSerialPortBase {
public:
    // Board answers the requests; it must outlive the port. Only the writing thread reaches it.
    // Opening always succeeds, whatever the name: the board is always there.
    explicit TVirtualSerialPort(TProgrammerBoard& Board);
    ~TVirtualSerialPort() override;

    std::uint32_t Write(const void* Buffer, std::uint32_t Count) override;
    std::uint32_t Read(void* Buffer, std::uint32_t BufferSize, bool& TimedOut,
                       std::uint32_t MsPerByte, std::uint32_t Count) override;
    std::uint32_t BytesInQueue() override;
    void Purge() override;

    // A silent port takes every request and answers none, as a line without a programmer at
    // its end: each read waits for its time-out.
    void SetSilent(bool NowSilent) { Silent = NowSilent; }

private:
    TCommOpenResult OpenDevice(const std::string& Name, const std::string& Path) override;
    void SignalClosing(bool NowClosing) override;
    void CloseDevice() override {}
    void SignalReaderInterrupt(bool Interrupted) override;

    void AnswerFrame(const TSimReceivedFrame& Frame);
    // Waits with Guard held on Lock until Count bytes are queued, the port is closing or the
    // reader is interrupted, at most until Deadline. False when the time ran out first.
    bool WaitUntilReady(std::unique_lock<std::mutex>& Guard, std::uint32_t Count,
                        const TReadDeadline& Deadline);

    TProgrammerBoard& Board;
    std::atomic<bool> Silent{false};
    // The writer's side: a frame may arrive over several writes. Only Write touches it.
    TSimFrameCutter Cutter;

    mutable std::mutex Lock;
    // Signalled when bytes arrive in Input, the port is closing or the reader is interrupted.
    std::condition_variable Changed;
    bool Closing = false;
    bool ReaderInterrupted = false;
    std::deque<std::uint8_t> Input;
};
