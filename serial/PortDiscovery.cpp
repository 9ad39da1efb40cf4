// What the port lists of every platform share: the order of port names, the names of port
// states and the choice of USB ports by a "usb:" name.
#include "serial/PortDiscovery.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsHexId(const std::string& Text) {
    return Text.size() == 4 && std::all_of(Text.begin(), Text.end(), [](char C) {
               return std::isxdigit(static_cast<unsigned char>(C));
           });
}

std::string LowerCase(std::string Text) {
    for (char& C : Text) {
        C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    }
    return Text;
}

} // namespace

bool NaturalNameLess(const std::string& First, const std::string& Second) {
    std::size_t I = 0;
    std::size_t J = 0;
    while (I < First.size() && J < Second.size()) {
        const bool DigitI = std::isdigit(static_cast<unsigned char>(First[I])) != 0;
        const bool DigitJ = std::isdigit(static_cast<unsigned char>(Second[J])) != 0;
        if (DigitI && DigitJ) {
            const std::size_t EndI = First.find_first_not_of("0123456789", I);
            const std::size_t EndJ = Second.find_first_not_of("0123456789", J);
            std::string A = First.substr(I, EndI - I);
            std::string B = Second.substr(J, EndJ - J);
            A.erase(0, std::min(A.find_first_not_of('0'), A.size()));
            B.erase(0, std::min(B.find_first_not_of('0'), B.size()));
            if (A.size() != B.size() || A != B) {
                return A.size() != B.size() ? A.size() < B.size() : A < B;
            }
            I = EndI == std::string::npos ? First.size() : EndI;
            J = EndJ == std::string::npos ? Second.size() : EndJ;
        } else if (First[I] != Second[J]) {
            return First[I] < Second[J];
        } else {
            ++I;
            ++J;
        }
    }
    return First.size() - I < Second.size() - J;
}

const char* PortStateName(TPortState State) {
    switch (State) {
    case TPortState::Free:
        return "free";
    case TPortState::Busy:
        return "busy";
    case TPortState::NoAccess:
        return "no-access";
    case TPortState::Unavailable:
        break;
    }
    return "unavailable";
}

bool IsUsbPortSelector(const std::string& PortName) {
    return PortName.compare(0, 4, "usb:") == 0;
}

std::vector<TSerialPortInfo> MatchUsbPorts(const std::vector<TSerialPortInfo>& Ports,
                                           const std::string& Selector) {
    const std::string Key = IsUsbPortSelector(Selector) ? Selector.substr(4) : Selector;
    const auto Colon = Key.find(':');
    const bool ById =
        Key.size() == 9 && Colon == 4 && IsHexId(Key.substr(0, 4)) && IsHexId(Key.substr(5));
    std::vector<TSerialPortInfo> Matches;
    for (const TSerialPortInfo& Port : Ports) {
        if (!Port.Usb || Key.empty()) {
            continue;
        }
        const bool Matching = ById ? LowerCase(Port.Usb->Vendor) == LowerCase(Key.substr(0, 4)) &&
                                         LowerCase(Port.Usb->Product) == LowerCase(Key.substr(5))
                                   : Port.Usb->Serial == Key;
        if (Matching) {
            Matches.push_back(Port);
        }
    }
    return Matches;
}
