#include "simulator/SimulatorOrSystemPort.h"

#include <utility>

TSimulatorOrSystemPort::TSimulatorOrSystemPort(std::string SimulatorName,
                                               std::unique_ptr<ISerialPort> Simulator,
                                               std::unique_ptr<ISerialPort> System)
    : SimulatorName(std::move(SimulatorName)), Simulator(std::move(Simulator)),
      System(std::move(System)) {}

TSimulatorOrSystemPort::~TSimulatorOrSystemPort() {
    Close();
}

TCommOpenResult TSimulatorOrSystemPort::OpenDevice(const std::string& Name,
                                                   const std::string& /*Path*/) {
    ISerialPort& Port = Name == SimulatorName ? *Simulator : *System;
    TCommOpenResult Result = Port.SetPortName(Name);
    Chosen = Result.Opened() ? &Port : nullptr;
    return Result;
}

// Closing the chosen port ends its users' waits at once; they leave through this port's
// bookkeeping afterwards.
void TSimulatorOrSystemPort::SignalClosing(bool Closing) {
    if (Closing && Chosen != nullptr) {
        Chosen->Close();
    }
}

void TSimulatorOrSystemPort::CloseDevice() {
    Chosen = nullptr;
}

void TSimulatorOrSystemPort::SignalReaderInterrupt(bool Interrupted) {
    for (ISerialPort* Port : {Simulator.get(), System.get()}) {
        if (Interrupted) {
            Port->InterruptReader();
        } else {
            Port->EndReaderInterrupt();
        }
    }
}

std::uint32_t TSimulatorOrSystemPort::Write(const void* Buffer, std::uint32_t Count) {
    const TDeviceUse Use(*this);
    return Use ? Chosen->Write(Buffer, Count) : 0;
}

std::uint32_t TSimulatorOrSystemPort::Read(void* Buffer, std::uint32_t BufferSize, bool& TimedOut,
                                           std::uint32_t MsPerByte, std::uint32_t Count) {
    TimedOut = false;
    const TDeviceUse Use(*this);
    return Use ? Chosen->Read(Buffer, BufferSize, TimedOut, MsPerByte, Count) : 0;
}

std::uint32_t TSimulatorOrSystemPort::ReadAvailable(void* Buffer, std::uint32_t BufferSize,
                                                    std::uint32_t TimeoutMs) {
    const TDeviceUse Use(*this);
    return Use ? Chosen->ReadAvailable(Buffer, BufferSize, TimeoutMs) : 0;
}

void TSimulatorOrSystemPort::PauseReading(std::chrono::microseconds Duration) {
    const TDeviceUse Use(*this);
    if (Use) {
        Chosen->PauseReading(Duration);
    }
}

std::uint32_t TSimulatorOrSystemPort::BytesInQueue() {
    const TDeviceUse Use(*this);
    return Use ? Chosen->BytesInQueue() : 0;
}

void TSimulatorOrSystemPort::Purge() {
    const TDeviceUse Use(*this);
    if (Use) {
        Chosen->Purge();
    }
}
