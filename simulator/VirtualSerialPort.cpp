#include "simulator/VirtualSerialPort.h"

#include <algorithm>
#include <chrono>

namespace {

// Longest finite read wait (about 35 years); keeps the deadline arithmetic from overflowing.
constexpr std::uint64_t MaxReadWaitMs = std::uint64_t{1} << 40;

} // namespace

TVirtualSerialPort::TVirtualSerialPort(TProgrammerBoard& Board) : Board(Board) {}

TVirtualSerialPort::~TVirtualSerialPort() {
    Close();
}

TCommOpenResult TVirtualSerialPort::Open() {
    {
        std::lock_guard<std::mutex> Guard(Lock);
        Input.clear();
        Opened = true;
    }
    Cutter.Reset();
    OpenedEvent.Set();
    return {};
}

void TVirtualSerialPort::Close() {
    std::lock_guard<std::mutex> Guard(Lock);
    if (!Opened) {
        return;
    }
    Opened = false;
    ++Closings;
    Input.clear();
    if (!ReaderInterrupted) {
        OpenedEvent.Reset();
    }
    Changed.notify_all();
}

TCommOpenResult TVirtualSerialPort::SetPortName(const std::string& Name) {
    Close();
    {
        std::lock_guard<std::mutex> Guard(Lock);
        PortName = Name;
    }
    return Open();
}

std::string TVirtualSerialPort::GetPortName() const {
    std::lock_guard<std::mutex> Guard(Lock);
    return PortName;
}

bool TVirtualSerialPort::IsOpen() const {
    std::lock_guard<std::mutex> Guard(Lock);
    return Opened;
}

std::uint32_t TVirtualSerialPort::Write(const void* Buffer, std::uint32_t Count) {
    if (!IsOpen()) {
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
    TSimulatorRequest Request = SimParseRequest(Frame.Package, Frame.StuffingValid);
    Request.Frame = Frame.Raw;
    const TByteArray Reply = SimComposeFrame(Board.Answer(Request).Package);
    std::lock_guard<std::mutex> Guard(Lock);
    if (Opened) {
        Input.insert(Input.end(), Reply.begin(), Reply.end());
        Changed.notify_all();
    }
}

std::uint32_t TVirtualSerialPort::Read(void* Buffer, std::uint32_t BufferSize, bool& TimedOut,
                                       std::uint32_t MsPerByte, std::uint32_t Count) {
    TimedOut = false;
    Count = std::min(Count, BufferSize);
    std::unique_lock<std::mutex> Guard(Lock);
    if (!Opened || Count == 0) {
        return 0;
    }
    const std::uint64_t Closing = Closings;
    const auto Ended = [&] { return ReaderInterrupted || !Opened || Closings != Closing; };
    const auto Ready = [&] { return Input.size() >= Count || Ended(); };
    if (MsPerByte == INFINITE_WAIT) {
        Changed.wait(Guard, Ready);
    } else {
        const auto Wait = std::chrono::milliseconds(
            std::min<std::uint64_t>(std::uint64_t{MsPerByte} * Count, MaxReadWaitMs));
        TimedOut = !Changed.wait_for(Guard, Wait, Ready);
    }
    if (Ended()) {
        TimedOut = false;
        return 0;
    }
    const auto Taken = static_cast<std::uint32_t>(std::min<std::size_t>(Count, Input.size()));
    std::copy_n(Input.begin(), Taken, static_cast<std::uint8_t*>(Buffer));
    Input.erase(Input.begin(), Input.begin() + Taken);
    return Taken;
}

std::uint32_t TVirtualSerialPort::BytesInQueue() {
    std::lock_guard<std::mutex> Guard(Lock);
    return static_cast<std::uint32_t>(Input.size());
}

void TVirtualSerialPort::Purge() {
    std::lock_guard<std::mutex> Guard(Lock);
    Input.clear();
}

bool TVirtualSerialPort::WaitUntilOpen(std::uint32_t TimeoutMs) {
    return OpenedEvent.Wait(TimeoutMs);
}

void TVirtualSerialPort::InterruptReader() {
    std::lock_guard<std::mutex> Guard(Lock);
    ReaderInterrupted = true;
    OpenedEvent.Set();
    Changed.notify_all();
}

void TVirtualSerialPort::EndReaderInterrupt() {
    std::lock_guard<std::mutex> Guard(Lock);
    ReaderInterrupted = false;
    if (!Opened) {
        OpenedEvent.Reset();
    }
}
