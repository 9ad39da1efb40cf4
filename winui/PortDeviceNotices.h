// Serial ports arriving and leaving as Windows tells every top-level window: WM_DEVICECHANGE
// with a port's broadcast (a USB serial adapter plugged in or pulled out).
#pragma once

#include "winui/WindowsApi.h"

#include <optional>
#include <string>

struct TPortDeviceNotice {
    bool Arrived = false;
    // The port's name, such as "COM3".
    std::string Name;
};

// The notice a WM_DEVICECHANGE carries about a serial port; none for every other device and
// event.
std::optional<TPortDeviceNotice> PortDeviceNoticeOf(WPARAM Event, LPARAM Data);
