#include "serial/SerialPortBase.h"

#include "common/ProgrammerConstants.h"

#include <algorithm>

#include "serial/PortNames.h"

TSerialPortBase::TDeviceUse::TDeviceUse(TSerialPortBase& Port) : Port(Port) {
    std::lock_guard<std::mutex> Guard(Port.StateLock);
    if (Port.Opened) {
        InUse = true;
        ++Port.ActiveUsers;
    }
}

TSerialPortBase::TDeviceUse::~TDeviceUse() {
    if (!InUse) {
        return;
    }
    std::lock_guard<std::mutex> Guard(Port.StateLock);
    if (--Port.ActiveUsers == 0) {
        Port.UsersGone.notify_all();
    }
}

TCommOpenResult TSerialPortBase::Open() {
    std::lock_guard<std::mutex> OpenClose(OpenCloseLock);
    CloseLocked();
    const std::string Name = GetPortName();
    TCommOpenResult Result = OpenDevice(Name, ResolveDeviceName(Name));
    if (!Result.Opened()) {
        return Result;
    }
    {
        std::lock_guard<std::mutex> Guard(StateLock);
        Opened = true;
    }
    OpenedEvent.Set();
    return Result;
}

void TSerialPortBase::Close() {
    std::lock_guard<std::mutex> OpenClose(OpenCloseLock);
    CloseLocked();
}

void TSerialPortBase::CloseLocked() {
    {
        std::unique_lock<std::mutex> Guard(StateLock);
        if (!Opened) {
            return;
        }
        // Reset before the port counts as closed, so that a reader seeing it closed also finds
        // the event reset and sleeps on it. An interrupted reader must find it signalled.
        if (!ReaderInterrupted) {
            OpenedEvent.Reset();
        }
        Opened = false;
        ReaderPauseEnds.notify_all();
        SignalClosing(true);
        UsersGone.wait(Guard, [this] { return ActiveUsers == 0; });
        SignalClosing(false);
    }
    CloseDevice();
}

TCommOpenResult TSerialPortBase::SetPortName(const std::string& Name) {
    {
        std::lock_guard<std::mutex> OpenClose(OpenCloseLock);
        CloseLocked();
        std::lock_guard<std::mutex> Guard(StateLock);
        PortName = Name;
    }
    return Open();
}

std::string TSerialPortBase::GetPortName() const {
    std::lock_guard<std::mutex> Guard(StateLock);
    return PortName;
}

bool TSerialPortBase::IsOpen() const {
    std::lock_guard<std::mutex> Guard(StateLock);
    return Opened;
}

bool TSerialPortBase::WaitUntilOpen(std::uint32_t TimeoutMs) {
    return OpenedEvent.Wait(TimeoutMs);
}

void TSerialPortBase::InterruptReader() {
    std::lock_guard<std::mutex> OpenClose(OpenCloseLock);
    {
        std::lock_guard<std::mutex> Guard(StateLock);
        ReaderInterrupted = true;
        ReaderPauseEnds.notify_all();
    }
    SignalReaderInterrupt(true);
    OpenedEvent.Set();
}

void TSerialPortBase::EndReaderInterrupt() {
    std::lock_guard<std::mutex> OpenClose(OpenCloseLock);
    std::lock_guard<std::mutex> Guard(StateLock);
    ReaderInterrupted = false;
    SignalReaderInterrupt(false);
    if (!Opened) {
        OpenedEvent.Reset();
    }
}

void TSerialPortBase::PauseReading(std::chrono::microseconds Duration) {
    std::unique_lock<std::mutex> Guard(StateLock);
    ReaderPauseEnds.wait_for(Guard, Duration, [this] { return !Opened || ReaderInterrupted; });
}

std::uint32_t TSerialPortBase::ReadAvailable(void* Buffer, std::uint32_t BufferSize,
                                             std::uint32_t TimeoutMs) {
    if (TimeoutMs == 0 && BytesInQueue() == 0) {
        return 0;
    }
    auto* Bytes = static_cast<std::uint8_t*>(Buffer);
    bool TimedOut = false;
    std::uint32_t Received = Read(Bytes, BufferSize, TimedOut, TimeoutMs, 1);
    if (Received == 0) {
        return 0;
    }
    const std::uint32_t Queued = std::min(BytesInQueue(), BufferSize - Received);
    if (Queued > 0) {
        Received += Read(Bytes + Received, BufferSize - Received, TimedOut,
                         Programmer::DrainMsPerByte, Queued);
    }
    return Received;
}
