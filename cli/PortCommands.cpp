#include "cli/PortCommands.h"

#include "cli/JsonOutput.h"
#include "cli/ParallelRun.h"
#include "common/ResourseStrings.h"
#include "serial/PortDiscovery.h"

#include <algorithm>
#include <array>
#include <chrono>

namespace {

std::string OrDash(const std::string& Text) {
    return Text.empty() ? "-" : Text;
}

// The aligned columns of a plain listing: device, COM name, driver, state, USB id and serial
// number; the USB device's own texts, which may hold spaces, come last.
void WritePortLines(const std::vector<TSerialPortInfo>& Ports,
                    const std::vector<TPortState>& States, std::ostream& Out) {
    std::vector<std::array<std::string, 7>> Rows;
    for (std::size_t Index = 0; Index < Ports.size(); ++Index) {
        const TSerialPortInfo& Port = Ports[Index];
        std::array<std::string, 7> Row = {Port.Path,
                                          OrDash(Port.ComName),
                                          OrDash(Port.Driver),
                                          PortStateName(States[Index]),
                                          "",
                                          "",
                                          ""};
        if (Port.Usb) {
            Row[4] = Port.Usb->Vendor + ":" + Port.Usb->Product;
            Row[5] = OrDash(Port.Usb->Serial);
            Row[6] = Port.Usb->Manufacturer +
                     (Port.Usb->Manufacturer.empty() || Port.Usb->ProductName.empty() ? "" : " ") +
                     Port.Usb->ProductName;
        }
        Rows.push_back(std::move(Row));
    }
    std::array<std::size_t, 6> Widths{};
    for (const auto& Row : Rows) {
        for (std::size_t Column = 0; Column < Widths.size(); ++Column) {
            Widths[Column] = std::max(Widths[Column], Row[Column].size());
        }
    }
    for (const auto& Row : Rows) {
        std::string Line;
        for (std::size_t Column = 0; Column < Row.size(); ++Column) {
            Line += Row[Column];
            if (Column < Widths.size()) {
                Line += std::string(Widths[Column] - Row[Column].size() + 2, ' ');
            }
        }
        Line.erase(Line.find_last_not_of(' ') + 1);
        Out << Line << '\n';
    }
    Out.flush();
}

std::string Candidates(const std::vector<TSerialPortInfo>& Ports) {
    std::string Text;
    for (const TSerialPortInfo& Port : Ports) {
        if (!Port.Usb) {
            continue;
        }
        const std::string& Serial = Port.Usb->Serial;
        Text += Text.empty() ? "" : ", ";
        Text += FormatText(SCliUsbCandidate, Port.Path.c_str(), Port.Usb->Vendor.c_str(),
                           Port.Usb->Product.c_str(),
                           Serial.empty() ? SCliNoSerialNumber : Serial.c_str());
    }
    return Text.empty() ? SCliNoUsbPorts : Text;
}

} // namespace

int RunPortsCommand(const TCliArguments&, const TCliGlobalOptions& Global, std::ostream& Out,
                    std::ostream& Err) {
    const auto Start = std::chrono::steady_clock::now();
    const std::vector<TSerialPortInfo> Ports = FindSerialPorts(DefaultSysfsRoot());
    std::vector<TPortState> States;
    for (const TSerialPortInfo& Port : Ports) {
        States.push_back(ProbePortState(Port.Path));
    }
    if (Global.Json) {
        TJsonLines Json(Out);
        for (std::size_t Index = 0; Index < Ports.size(); ++Index) {
            Json.Port(Ports[Index], States[Index]);
        }
        TCliResult Result;
        Result.Command = "ports";
        Result.Seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
        Json.Result(Result);
    } else if (Ports.empty()) {
        Err << SCliNoPorts << '\n';
    } else {
        WritePortLines(Ports, States, Out);
    }
    return CliSuccess;
}

std::string ResolveUsbPort(const std::string& Selector) {
    const std::vector<TSerialPortInfo> Ports = FindSerialPorts(DefaultSysfsRoot());
    const std::vector<TSerialPortInfo> Matches = MatchUsbPorts(Ports, Selector);
    if (Matches.empty()) {
        throw ECliPortChoice(
            FormatText(SCliNoUsbPortMatch, Selector.c_str(), Candidates(Ports).c_str()));
    }
    if (Matches.size() > 1) {
        throw ECliPortChoice(
            FormatText(SCliUsbPortAmbiguous, Selector.c_str(), Candidates(Matches).c_str()));
    }
    return Matches.front().Path;
}

std::string ResolveAutoPort(const TCliGlobalOptions& Global) {
    std::vector<std::string> Free;
    for (const TSerialPortInfo& Port : FindSerialPorts(DefaultSysfsRoot())) {
        if (ProbePortState(Port.Path) == TPortState::Free) {
            Free.push_back(Port.Path);
        }
    }
    if (Free.empty()) {
        throw ECliPortChoice(SCliAutoNoFreePort);
    }
    std::string Answering;
    std::string Silent;
    std::string Chosen;
    std::size_t AnsweringCount = 0;
    for (const TPortAnswer& Answer : IdentifyProgrammers(Free, Global)) {
        std::string& List = Answer.Answered ? Answering : Silent;
        List += List.empty() ? "" : ", ";
        List += FormatText(SCliAutoCandidate, Answer.Port.c_str(),
                           (Answer.Answered ? Answer.Identification : Answer.Problem).c_str());
        if (Answer.Answered) {
            Chosen = Answer.Port;
            ++AnsweringCount;
        }
    }
    if (AnsweringCount == 0) {
        throw ECliPortChoice(FormatText(SCliAutoNoProgrammer, Silent.c_str()));
    }
    if (AnsweringCount > 1) {
        throw ECliPortChoice(FormatText(SCliAutoSeveralProgrammers, Answering.c_str()));
    }
    return Chosen;
}
