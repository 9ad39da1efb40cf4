// The serial ports the port dialogs of both desktop windows offer: each port present on this
// computer, what an attempt to open it showed, and the line that describes it in the list.
#pragma once

#include "serial/PortDiscovery.h"

#include <string>
#include <vector>

// A serial port present on this computer and what an attempt to open it showed.
struct TPortChoice {
    TSerialPortInfo Port;
    TPortState State = TPortState::Free;
    // The port the program uses at present: it holds the port open itself, so it is not probed.
    bool InUse = false;
};

// The serial ports sysfs lists under SysfsRoot (Windows: the registry's), each probed except
// the one PortInUse names.
std::vector<TPortChoice> PresentPortChoices(const std::string& SysfsRoot,
                                            const std::string& PortInUse);

// The port's line in the list: its path and what is known of it, most telling first
// ("/dev/ttyUSB0 — FTDI FT232R USB UART, серийный номер A10K, свободен").
std::string PortChoiceText(const TPortChoice& Choice);
