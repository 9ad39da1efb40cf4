// The serial port of POSIX systems: a terminal device driven through termios.
#include "serial/AnisochronousCommPort.h"
#include "serial/SerialPort.h"

std::unique_ptr<ISerialPort> MakeSerialPort() {
    return std::make_unique<TAnisochronousComm>();
}
