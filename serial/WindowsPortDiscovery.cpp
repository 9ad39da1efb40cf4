// The serial ports of Windows: the devices that the serial drivers enter into the registry's
// HARDWARE\DEVICEMAP\SERIALCOMM while their ports are present.
#include "serial/PortDiscovery.h"

#include "platform/WindowsText.h"
#include "serial/PortNames.h"
#include "serial/WindowsPortLock.h"

#include <algorithm>
#include <cstdlib>
#include <windows.h>

namespace {

// Closes a registry key on leaving the scope.
class TRegistryKey {
public:
    TRegistryKey(HKEY Parent, const wchar_t* Path) {
        if (RegOpenKeyExW(Parent, Path, 0, KEY_QUERY_VALUE, &Key) != ERROR_SUCCESS) {
            Key = nullptr;
        }
    }
    ~TRegistryKey() {
        if (Key != nullptr) {
            RegCloseKey(Key);
        }
    }
    TRegistryKey(const TRegistryKey&) = delete;
    TRegistryKey& operator=(const TRegistryKey&) = delete;
    HKEY Get() const { return Key; }

private:
    HKEY Key = nullptr;
};

// Registry value names and texts are at most this long (in characters) in the port list.
constexpr DWORD MaxRegistryText = 256;

} // namespace

std::vector<TSerialPortInfo> FindSerialPorts(const std::string&) {
    std::vector<TSerialPortInfo> Ports;
    const TRegistryKey Map(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM");
    if (Map.Get() == nullptr) {
        return Ports; // no serial driver has entered a port
    }
    for (DWORD Index = 0;; ++Index) {
        wchar_t Device[MaxRegistryText] = {};
        wchar_t ComName[MaxRegistryText] = {};
        DWORD DeviceLength = MaxRegistryText;
        DWORD ComNameBytes = sizeof ComName - sizeof ComName[0]; // room for a terminating zero
        DWORD Type = 0;
        const LONG Result = RegEnumValueW(Map.Get(), Index, Device, &DeviceLength, nullptr, &Type,
                                          reinterpret_cast<BYTE*>(ComName), &ComNameBytes);
        if (Result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (Result != ERROR_SUCCESS || Type != REG_SZ) {
            continue; // a value too long for a port name, or not a text
        }
        TSerialPortInfo Port;
        Port.ComName = NarrowToUtf8(std::wstring(ComName));
        if (Port.ComName.empty()) {
            continue;
        }
        Port.Path = Port.ComName;
        Port.Driver = NarrowToUtf8(std::wstring(Device, DeviceLength));
        Ports.push_back(std::move(Port));
    }
    std::sort(Ports.begin(), Ports.end(),
              [](const TSerialPortInfo& First, const TSerialPortInfo& Second) {
                  return NaturalNameLess(First.ComName, Second.ComName);
              });
    return Ports;
}

// Windows has no sysfs; the text is kept for the front ends, which pass it on unused.
std::string DefaultSysfsRoot() {
    const char* Root = std::getenv("VELMORA_SYSFS_ROOT");
    return Root != nullptr && Root[0] != '\0' ? Root : "/sys";
}

// Opens the port as the programmer's port does (for this program alone). A port that another
// program holds answers with access denied or a sharing violation, or carries the lock of a
// Velmora program that has it open.
TPortState ProbePortState(const std::string& Path) {
    if (IsPortLockHeld(ResolveDeviceName(Path))) {
        return TPortState::Busy;
    }
    const HANDLE Device =
        CreateFileW(WidenUtf8(ResolveDeviceName(Path)).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (Device == INVALID_HANDLE_VALUE) {
        const DWORD Error = GetLastError();
        return Error == ERROR_ACCESS_DENIED || Error == ERROR_SHARING_VIOLATION
                   ? TPortState::Busy
                   : TPortState::Unavailable;
    }
    DCB Settings{};
    Settings.DCBlength = sizeof Settings;
    const TPortState State =
        GetCommState(Device, &Settings) ? TPortState::Free : TPortState::Unavailable;
    CloseHandle(Device);
    return State;
}
