// The serial ports velmora-cli can see: the ports command, which lists them, the "usb:" port
// names of the programmer commands, which pick one of them by what its USB device says, and
// "auto", which picks the one port a programmer answers on.
#pragma once

#include "cli/CliCommands.h"
#include "common/Exception.h"

#include <ostream>
#include <string>

// A "usb:" or "auto" port name that stands for no port or for more than one; its message names
// the candidates.
class ECliPortChoice : public Exception {
public:
    using Exception::Exception;
};

// Lists every serial port present: plain, one line per port in aligned columns; with --json
// one port object per port and the result line. Always CliSuccess.
int RunPortsCommand(const TCliArguments& Arguments, const TCliGlobalOptions& Global,
                    std::ostream& Out, std::ostream& Err);

// The device path of the one port a "usb:SERIAL" or "usb:VVVV:PPPP" name stands for; raises
// ECliPortChoice when none or several match.
std::string ResolveUsbPort(const std::string& Selector);

// The device path of the one free port on which a programmer answers the initialise command.
// Every free port is asked at once, so the silent ones cost one time-out in all; each port's
// traffic goes to its own log as in a run on several ports. Raises ECliPortChoice when no
// programmer or more than one answers.
std::string ResolveAutoPort(const TCliGlobalOptions& Global);
