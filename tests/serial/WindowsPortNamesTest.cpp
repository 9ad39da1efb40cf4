#include "serial/PortDiscovery.h"
#include "serial/PortNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <windows.h>

TEST(WindowsPortNames, NamesAreDevicesOfTheDeviceNamespace) {
    const struct {
        const char* Name;
        const char* Path;
    } Cases[] = {
        {"COM3", "\\\\.\\COM3"},
        {"COM10", "\\\\.\\COM10"},
        {"com2", "\\\\.\\com2"},
        {"CNCA0", "\\\\.\\CNCA0"},
        {"\\\\.\\COM4", "\\\\.\\COM4"},
        {"\\\\?\\COM5", "\\\\?\\COM5"},
        {"", ""},
    };
    for (const auto& Case : Cases) {
        EXPECT_EQ(ResolveDeviceName(Case.Name), Case.Path) << Case.Name;
    }
}

TEST(WindowsPortNames, SamePortWhateverTheCaseOrPrefix) {
    const struct {
        const char* First;
        const char* Second;
        bool Same;
    } Cases[] = {
        {"COM3", "com3", true},   {"COM3", "\\\\.\\COM3", true}, {"\\\\.\\com3", "Com3", true},
        {"COM1", "COM10", false}, {"COM1", "COM2", false},
    };
    for (const auto& Case : Cases) {
        EXPECT_EQ(IsSamePort(Case.First, Case.Second), Case.Same)
            << Case.First << " " << Case.Second;
    }
}

namespace {

// Enters ports into the registry's list of serial devices as a serial driver does, and takes
// them out again. Needs the rights of an administrator, which wine's user has.
class TRegisteredPorts {
public:
    TRegisteredPorts() {
        Ok = RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, nullptr,
                             REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr, &Key,
                             nullptr) == ERROR_SUCCESS;
    }
    ~TRegisteredPorts() {
        for (const std::wstring& Device : Devices) {
            RegDeleteValueW(Key, Device.c_str());
        }
        if (Ok) {
            RegCloseKey(Key);
        }
    }
    TRegisteredPorts(const TRegisteredPorts&) = delete;
    TRegisteredPorts& operator=(const TRegisteredPorts&) = delete;

    bool Add(const std::wstring& Device, const std::wstring& ComName) {
        const auto Bytes = static_cast<DWORD>((ComName.size() + 1) * sizeof(wchar_t));
        if (!Ok || RegSetValueExW(Key, Device.c_str(), 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(ComName.c_str()),
                                  Bytes) != ERROR_SUCCESS) {
            return false;
        }
        Devices.push_back(Device);
        return true;
    }

private:
    bool Ok = false;
    HKEY Key = nullptr;
    std::vector<std::wstring> Devices;
};

} // namespace

TEST(WindowsPortDiscovery, RegisteredPortsAreListedInNaturalOrder) {
    TRegisteredPorts Registered;
    if (!Registered.Add(L"\\Device\\VelmoraTest210", L"COM210") ||
        !Registered.Add(L"\\Device\\VelmoraTest29", L"COM29")) {
        GTEST_SKIP() << "the registry's port list takes no entries from this user";
    }
    const std::vector<TSerialPortInfo> Ports = FindSerialPorts(DefaultSysfsRoot());
    std::vector<std::string> Names;
    for (const TSerialPortInfo& Port : Ports) {
        EXPECT_EQ(Port.Path, Port.ComName);
        EXPECT_FALSE(Port.Usb.has_value());
        Names.push_back(Port.ComName);
    }
    const auto Low = std::find(Names.begin(), Names.end(), "COM29");
    const auto High = std::find(Names.begin(), Names.end(), "COM210");
    ASSERT_NE(Low, Names.end());
    ASSERT_NE(High, Names.end());
    EXPECT_LT(Low, High);
    EXPECT_TRUE(std::is_sorted(Names.begin(), Names.end(), NaturalNameLess));
    EXPECT_EQ(Ports[static_cast<std::size_t>(High - Names.begin())].Driver,
              "\\Device\\VelmoraTest210");
    // Listed is not present: nothing answers at these names.
    EXPECT_EQ(ProbePortState("COM210"), TPortState::Unavailable);
}
