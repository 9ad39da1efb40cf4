// A serial port that is no device: the programmer board is simulated in this process behind
// it. What the program writes is cut into request frames, which the board answers at once;
// the reply frames wait in the port's input queue for Read. Used where no pseudo-terminal can
// carry the simulated board (Windows), and by tests of the link without a line in between.
#pragma once

#include "serial/SerialPort.h"
#include "simulator/ProgrammerBoard.h"
#include "simulator/SimulatorWire.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

class TVirtualSerialPort : public ISerialPort {
public:
    // Board answers the requests; it must outlive the port. Only the writing thread reaches it.
    explicit TVirtualSerialPort(TProgrammerBoard& Board);
    ~TVirtualSerialPort() override;

    // Opening always succeeds, whatever the name: the board is always there.
    TCommOpenResult Open() override;
    void Close() override;
    TCommOpenResult SetPortName(const std::string& Name) override;
    std::string GetPortName() const override;
    bool IsOpen() const override;

    std::uint32_t Write(const void* Buffer, std::uint32_t Count) override;
    std::uint32_t Read(void* Buffer, std::uint32_t BufferSize, bool& TimedOut,
                       std::uint32_t MsPerByte, std::uint32_t Count) override;
    std::uint32_t BytesInQueue() override;
    void Purge() override;

    bool WaitUntilOpen(std::uint32_t TimeoutMs) override;
    void InterruptReader() override;
    void EndReaderInterrupt() override;

private:
    void AnswerFrame(const TSimReceivedFrame& Frame);

    TProgrammerBoard& Board;
    // The writer's side: a frame may arrive over several writes. Only Write touches it.
    TSimFrameCutter Cutter;

    // Signalled while the port is open, and while the reader is interrupted.
    TEvent OpenedEvent{TEvent::TResetMode::Manual};

    mutable std::mutex Lock;
    // Signalled when bytes arrive in Input, the port closes or the reader is interrupted.
    std::condition_variable Changed;
    std::string PortName = "COM1";
    bool Opened = false;
    bool ReaderInterrupted = false;
    std::deque<std::uint8_t> Input;
    // Bumped by every Close, so that a Read that began before it returns.
    std::uint64_t Closings = 0;
};
