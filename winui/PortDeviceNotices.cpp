#include "winui/PortDeviceNotices.h"

#include "winui/WinText.h"

#include <dbt.h>

std::optional<TPortDeviceNotice> PortDeviceNoticeOf(WPARAM Event, LPARAM Data) {
    if ((Event != DBT_DEVICEARRIVAL && Event != DBT_DEVICEREMOVECOMPLETE) || Data == 0) {
        return std::nullopt;
    }
    const auto* Header = reinterpret_cast<const DEV_BROADCAST_HDR*>(Data);
    if (Header->dbch_devicetype != DBT_DEVTYP_PORT) {
        return std::nullopt;
    }
    const auto* Port = reinterpret_cast<const DEV_BROADCAST_PORT_W*>(Data);
    return TPortDeviceNotice{Event == DBT_DEVICEARRIVAL, Narrow(Port->dbcp_name)};
}
