// Times the programmer link over a pseudo-terminal against the in-process programmer simulator:
//  1. request/reply exchanges per second with the simulator answering at once, traffic log on;
//  2. erasing every chip page with the line paced at 115200 baud, against the pure wire time of
//     the frames that crossed it (log on, then off).
// With --noise instead: how soon the link recognises a reply frame that follows noise of AA 00
// pairs (each pair a start marker that the next one overrides), from one pair to 4 MiB, sent
// over a pseudo-terminal as fast as it takes them.
// usage: link-bench [--exchanges N] [--pages N] | --noise
#include "link/ConnectionManager.h"
#include "link/Protocol.h"
#include "logging/LogManager.h"
#include "package/PackageComposer.h"
#include "package/PackageObjects.h"
#include "simulator/ProgrammerSimulator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

constexpr std::uint32_t PacedBaudRate = 115200;
constexpr double BitsPerByte = 10.0;

double SecondsSince(TClock::time_point Start) {
    return std::chrono::duration<double>(TClock::now() - Start).count();
}

// A traffic log in a temporary folder, removed again when it goes.
class TBenchLog {
public:
    TBenchLog() {
        char Template[] = "/tmp/velmora-link-bench-XXXXXX";
        if (mkdtemp(Template) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        Folder = Template;
        Log = std::make_unique<TLogManager>(Folder + "/Velmora.log");
        Log->HexMode = true;
    }
    ~TBenchLog() {
        const std::string FileName = Log->GetFileName();
        Log.reset();
        std::remove(FileName.c_str());
        rmdir(Folder.c_str());
    }
    TBenchLog(const TBenchLog&) = delete;
    TBenchLog& operator=(const TBenchLog&) = delete;

    TLogManager& Get() { return *Log; }

private:
    std::string Folder;
    std::unique_ptr<TLogManager> Log;
};

// Each exchange was one request and one reply, in step.
void CheckEveryRequestAnswered(const TProgrammerSimulator& Simulator, int Exchanges) {
    const std::vector<TSimulatorRequest> Requests = Simulator.GetRequests();
    const std::vector<TSimulatorReply> Replies = Simulator.GetReplies();
    if (Requests.size() != static_cast<std::size_t>(Exchanges) ||
        Replies.size() != Requests.size()) {
        throw std::runtime_error("requests and replies out of step");
    }
}

void MeasureExchangeRate(int Exchanges, bool WithLog) {
    std::unique_ptr<TBenchLog> Log = WithLog ? std::make_unique<TBenchLog>() : nullptr;
    TLogManager NoLog;
    TSimulatorOptions Options;
    Options.RecordTraffic = true; // read by CheckEveryRequestAnswered
    TProgrammerSimulator Simulator(Options);
    TProtocolManager Protocol(Simulator.Start(), nullptr, Log ? Log->Get() : NoLog);
    const TClock::time_point Start = TClock::now();
    for (int i = 0; i < Exchanges; ++i) {
        Protocol.DeletePage(i % 4096);
    }
    const double Seconds = SecondsSince(Start);
    CheckEveryRequestAnswered(Simulator, Exchanges);
    std::printf("exchanges at full speed, log %s: %d in %.3f s = %.0f exchanges/s (%.1f us each)\n",
                WithLog ? "on " : "off", Exchanges, Seconds, Exchanges / Seconds,
                Seconds / Exchanges * 1e6);
}

void MeasurePacedErase(int Pages, bool WithLog) {
    std::unique_ptr<TBenchLog> Log = WithLog ? std::make_unique<TBenchLog>() : nullptr;
    TLogManager NoLog;
    TSimulatorOptions Options;
    Options.BaudRate = PacedBaudRate;
    Options.RecordTraffic = true; // the wire bytes are counted from the recorded frames
    TProgrammerSimulator Simulator(Options);
    TProtocolManager Protocol(Simulator.Start(), nullptr, Log ? Log->Get() : NoLog);
    const TClock::time_point Start = TClock::now();
    for (int Page = 0; Page < Pages; ++Page) {
        Protocol.DeletePage(Page);
    }
    const double Seconds = SecondsSince(Start);
    CheckEveryRequestAnswered(Simulator, Pages);

    std::size_t WireBytes = 0;
    for (const TSimulatorRequest& Request : Simulator.GetRequests()) {
        WireBytes += Request.Frame.size();
    }
    for (const TSimulatorReply& Reply : Simulator.GetReplies()) {
        WireBytes += Reply.Frame.size();
    }
    const double WireSeconds = WireBytes * BitsPerByte / PacedBaudRate;
    std::printf("erase of %d pages at %u baud, log %s: %.3f s, pure wire time %.3f s "
                "(%zu bytes), ratio %.3f\n",
                Pages, PacedBaudRate, WithLog ? "on " : "off", Seconds, WireSeconds, WireBytes,
                Seconds / WireSeconds);
}

// A pseudo-terminal whose master side this program plays as the board; the link opens the other.
class TBenchLine {
public:
    TBenchLine() : Master(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
        char Name[128];
        if (Master < 0 || grantpt(Master) != 0 || unlockpt(Master) != 0 ||
            ptsname_r(Master, Name, sizeof Name) != 0) {
            throw std::runtime_error("cannot create a pseudo-terminal");
        }
        PortPath = Name;
    }
    ~TBenchLine() { close(Master); }
    TBenchLine(const TBenchLine&) = delete;
    TBenchLine& operator=(const TBenchLine&) = delete;

    const std::string& Port() const { return PortPath; }
    void Send(const TByteArray& Bytes) const {
        for (std::size_t Sent = 0; Sent < Bytes.size();) {
            const ssize_t Written = write(Master, Bytes.data() + Sent, Bytes.size() - Sent);
            if (Written <= 0) {
                throw std::runtime_error("the pseudo-terminal took no more bytes");
            }
            Sent += static_cast<std::size_t>(Written);
        }
    }

private:
    int Master;
    std::string PortPath;
};

TByteArray ReplyFrame() {
    TByteArray Package;
    TPackageManager().MakePackage(0x51, 0, {}, Package);
    TByteArray Frame;
    TPackageComposer Composer(TConnectionManager::StartMarker, TConnectionManager::EndMarker,
                              TConnectionManager::Terminator);
    Composer.OnPackageComposed = [&Frame](void*, const TByteArray& Composed) { Frame = Composed; };
    Composer.Compose(Package);
    return Frame;
}

void MeasureFrameAfterNoise(std::size_t NoiseBytes) {
    TByteArray Bytes(NoiseBytes, 0x00);
    for (std::size_t Index = 0; Index < NoiseBytes; Index += 2) {
        Bytes[Index] = TConnectionManager::StartMarker;
    }
    const TByteArray Frame = ReplyFrame();
    Bytes.insert(Bytes.end(), Frame.begin(), Frame.end());
    TBenchLine Line;
    TLogManager NoLog;
    TConnectionManager Link(Line.Port(), nullptr, NoLog);
    const TClock::time_point Start = TClock::now();
    Line.Send(Bytes);
    constexpr std::uint32_t GiveUpMs = 60000;
    if (!Link.WaitForPackagesReceived(1, GiveUpMs)) {
        throw std::runtime_error("no frame recognised after the noise");
    }
    std::printf("%8zu bytes of AA 00 noise, then a frame: recognised after %.4f s\n", NoiseBytes,
                SecondsSince(Start));
}

void MeasureNoise() {
    for (const std::size_t NoiseBytes :
         {std::size_t{2}, std::size_t{1} << 10, std::size_t{64} << 10, std::size_t{1} << 20,
          std::size_t{4} << 20}) {
        MeasureFrameAfterNoise(NoiseBytes);
    }
}

int ParseCount(const char* Text) {
    const int Value = std::atoi(Text);
    if (Value <= 0) {
        throw std::runtime_error(std::string("not a positive count: ") + Text);
    }
    return Value;
}

} // namespace

int main(int Argc, char** Argv) {
    int Exchanges = 20000;
    int Pages = 4096;
    try {
        if (Argc == 2 && std::string(Argv[1]) == "--noise") {
            MeasureNoise();
            return 0;
        }
        for (int i = 1; i < Argc; ++i) {
            const std::string Argument = Argv[i];
            if (Argument == "--exchanges" && i + 1 < Argc) {
                Exchanges = ParseCount(Argv[++i]);
            } else if (Argument == "--pages" && i + 1 < Argc) {
                Pages = ParseCount(Argv[++i]);
            } else {
                std::fprintf(stderr, "usage: link-bench [--exchanges N] [--pages N] | --noise\n");
                return 2;
            }
        }
        MeasureExchangeRate(Exchanges, true);
        MeasureExchangeRate(Exchanges, false);
        MeasurePacedErase(Pages, true);
        MeasurePacedErase(Pages, false);
    } catch (const std::exception& Error) {
        std::fprintf(stderr, "link-bench: %s\n", Error.what());
        return 1;
    }
    return 0;
}
