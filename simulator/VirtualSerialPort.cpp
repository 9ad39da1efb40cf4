#include "simulator/VirtualSerialPort.h"

#include "common/ProgrammerConstants.h"

#include <algorithm>
#include <chrono>

TVirtualSerialPort::TVirtualSerialPort(TProgrammerBoard& Board) : Board(Board) {}

TVirtualSerialPort::~TVirtualSerialPort() {
    Close();
}

TCommOpenResult TVirtualSerialPort::OpenDevice(const std::string& /*Name*/,
                                               const std::string& /*Path*/) {
    {
        std::lock_guard<std::mutex> Guard(Lock);
        Input.clear();
    }
    Cutter.Reset();
    return {};
}

void TVirtualSerialPort::SignalClosing(bool NowClosing) {
    std::lock_guard<std::mutex> Guard(Lock);
    Closing = NowClosing;
    Input.clear();
    Changed.notify_all();
}

void TVirtualSerialPort::SignalReaderInterrupt(bool Interrupted) {
    std::lock_guard<std::mutex> Guard(Lock);
    ReaderInterrupted = Interrupted;
    Changed.notify_all();
}

std::uint32_t TVirtualSerialPort::Write(const void* Buffer, std::uint32_t Count) {
    const TDeviceUse Use(*this);
    if (!Use) {
        return 0;
    }
    const auto* Bytes = static_cast<const std::uint8_t*>(Buffer);
    for (std::uint32_t Index = 0; Index < Count; ++Index) {
        if (auto Frame = Cutter.Feed(Bytes[Index])) {
            AnswerFrame(*Frame);
        }
    }
    return Count;
}

void TVirtualSerialPort::AnswerFrame(const TSimReceivedFrame& Frame) {
    if (Silent) {
        return;
    }
    TSimulatorRequest Request = SimParseRequest(Frame.Package, Frame.StuffingValid);
    Request.Frame = Frame.Raw;
    const TByteArray Reply = SimComposeFrame(Board.Answer(Request).Package);
    std::lock_guard<std::mutex> Guard(Lock);
    if (!Closing) {
        Input.insert(Input.end(), Reply.begin(), Reply.end());
        Changed.notify_all();
    }
}

std::uint32_t TVirtualSerialPort::Read(void* Buffer, std::uint32_t BufferSize, bool& TimedOut,
                                       std::uint32_t MsPerByte, std::uint32_t Count) {
    TimedOut = false;
    Count = std::min(Count, BufferSize);
    const TDeviceUse Use(*this);
    if (!Use || Count == 0) {
        return 0;
    }
    std::unique_lock<std::mutex> Guard(Lock);
    TimedOut = !WaitUntilReady(Guard, Count, TReadDeadline(MsPerByte, Count));
    if (ReaderInterrupted || Closing) {
        TimedOut = false;
        return 0;
    }
    const auto Taken = static_cast<std::uint32_t>(std::min<std::size_t>(Count, Input.size()));
    std::copy_n(Input.begin(), Taken, static_cast<std::uint8_t*>(Buffer));
    Input.erase(Input.begin(), Input.begin() + Taken);
    return Taken;
}

bool TVirtualSerialPort::WaitUntilReady(std::unique_lock<std::mutex>& Guard, std::uint32_t Count,
                                        const TReadDeadline& Deadline) {
    while (Input.size() < Count && !ReaderInterrupted && !Closing) {
        const std::uint32_t WaitMs = Deadline.RemainingMs();
        if (WaitMs == 0) {
            return false;
        }
        if (WaitMs == INFINITE_WAIT) {
            Changed.wait(Guard);
        } else {
            Changed.wait_for(Guard, std::chrono::milliseconds(WaitMs));
        }
    }
    return true;
}

std::uint32_t TVirtualSerialPort::BytesInQueue() {
    std::lock_guard<std::mutex> Guard(Lock);
    return static_cast<std::uint32_t>(Input.size());
}

void TVirtualSerialPort::Purge() {
    std::lock_guard<std::mutex> Guard(Lock);
    Input.clear();
}
