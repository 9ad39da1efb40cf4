#include "operations/PortChoices.h"

#include "common/ResourseStrings.h"
#include "serial/PortNames.h"

#include <utility>

namespace {

const char* StateText(const TPortChoice& Choice) {
    if (Choice.InUse) {
        return SPortChoiceInUse;
    }
    switch (Choice.State) {
    case TPortState::Free:
        return SPortChoiceFree;
    case TPortState::Busy:
        return SPortChoiceBusy;
    case TPortState::NoAccess:
        return SPortChoiceNoAccess;
    case TPortState::Unavailable:
        break;
    }
    return SPortChoiceUnavailable;
}

// How the USB device names itself: manufacturer and product, or its ids when it gives neither.
std::string UsbDeviceText(const TUsbPortIdentity& Usb) {
    if (Usb.Manufacturer.empty() && Usb.ProductName.empty()) {
        return FormatText(SPortChoiceUsbId, Usb.Vendor.c_str(), Usb.Product.c_str());
    }
    const char* Space = Usb.Manufacturer.empty() || Usb.ProductName.empty() ? "" : " ";
    return Usb.Manufacturer + Space + Usb.ProductName;
}

// What is known of the port, most telling first: "COM3, свободен" or "FTDI FT232R USB UART,
// серийный номер A10K, занят другой программой".
std::string PortDescription(const TPortChoice& Choice) {
    const TSerialPortInfo& Port = Choice.Port;
    std::vector<std::string> Parts;
    if (!Port.ComName.empty()) {
        Parts.push_back(Port.ComName);
    }
    if (Port.Usb) {
        Parts.push_back(UsbDeviceText(*Port.Usb));
        if (!Port.Usb->Serial.empty()) {
            Parts.push_back(FormatText(SPortChoiceSerialNumber, Port.Usb->Serial.c_str()));
        }
    }
    Parts.emplace_back(StateText(Choice));
    std::string Text;
    for (const std::string& Part : Parts) {
        Text += (Text.empty() ? "" : ", ") + Part;
    }
    return Text;
}

} // namespace

std::vector<TPortChoice> PresentPortChoices(const std::string& SysfsRoot,
                                            const std::string& PortInUse) {
    std::vector<TPortChoice> Choices;
    for (TSerialPortInfo& Port : FindSerialPorts(SysfsRoot)) {
        TPortChoice Choice;
        Choice.InUse = IsSamePort(PortInUse, Port.Path);
        if (!Choice.InUse) {
            Choice.State = ProbePortState(Port.Path);
        }
        Choice.Port = std::move(Port);
        Choices.push_back(std::move(Choice));
    }
    return Choices;
}

std::string PortChoiceText(const TPortChoice& Choice) {
    return FormatText(SPortChoiceEntry, Choice.Port.Path.c_str(), PortDescription(Choice).c_str());
}
