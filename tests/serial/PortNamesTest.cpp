#include "serial/PortNames.h"

#include <gtest/gtest.h>

TEST(PortNames, ResolveToDevicePaths) {
    const struct {
        const char* Name;
        const char* Path;
    } Cases[] = {
        {"COM1", "/dev/ttyS0"},
        {"COM10", "/dev/ttyS9"},
        {"com2", "/dev/ttyS1"},
        {"ttyUSB0", "/dev/ttyUSB0"},
        {"ttyACM0", "/dev/ttyACM0"},
        {"COM0", "/dev/COM0"},
        {"COMx", "/dev/COMx"},
        {"/dev/pts/4", "/dev/pts/4"},
        {"./serial-link", "./serial-link"},
        {"", ""},
    };
    for (const auto& Case : Cases) {
        EXPECT_EQ(ResolveDeviceName(Case.Name), Case.Path) << Case.Name;
    }
}

TEST(PortNames, SamePortWhenBothStandForOneDevice) {
    const struct {
        const char* First;
        const char* Second;
        bool Same;
    } Cases[] = {
        {"ttyUSB0", "/dev/ttyUSB0", true}, {"COM1", "/dev/ttyS0", true},  {"COM5", "com5", true},
        {"COM1", "COM2", false},           {"ttyUSB0", "ttyUSB1", false},
    };
    for (const auto& Case : Cases) {
        EXPECT_EQ(IsSamePort(Case.First, Case.Second), Case.Same)
            << Case.First << " " << Case.Second;
    }
}
