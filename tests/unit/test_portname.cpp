// Port naming on both systems: COMn on Windows, the port table elsewhere,
// and the drop-down texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "com232/portname.h"

namespace {

struct ComCase {
    const char* device;
    int port;
};

std::ostream& operator<<(std::ostream& os, const ComCase& c) {
    return os << '"' << c.device << "\" -> " << c.port;
}

class ComNumber : public ::testing::TestWithParam<ComCase> {};

// Catches a name outside COM1..COM64 accepted, a Win32 device path or lower
// case refused, and a name with more after the number taken for that number.
TEST_P(ComNumber, IsTheNumberOfAValidComName) {
    EXPECT_EQ(GetParam().port, PortNumberOfCom(GetParam().device));
}

const ComCase kComCases[] = {
    {"COM1", 1}, {"com7", 7},       {"\\\\.\\COM12", 12}, {"COM64", 64},        {"COM65", 0},
    {"COM0", 0}, {"COM07", 0},      {"COM7x", 0},         {"COM", 0},           {"COM-1", 0},
    {"", 0},     {"/dev/ttyS0", 0}, {"\\\\.\\", 0},       {"COM99999999999", 0}};
INSTANTIATE_TEST_SUITE_P(Names, ComNumber, ::testing::ValuesIn(kComCases));

class PortNames : public ::testing::Test {
protected:
    void SetUp() override { std::memset(table, 0, sizeof table); }
    std::string Device(PortNaming naming, int port) {
        char device[kPortDeviceSize];
        int ok = PortDeviceName(naming, table, port, device, sizeof device);
        return ok ? device : "(none) " + std::string(device);
    }
    PortTable table;
};

// Catches a Windows port that opens only when listed, a --port COMn that
// does not select n, a detected port stored under another number or twice,
// and a non-COM device accepted where no number can show it.
TEST_F(PortNames, WindowsPortNIsComN) {
    EXPECT_EQ("COM9", Device(kPortNamingCom, 9));
    EXPECT_EQ("(none) ", Device(kPortNamingCom, 0));
    EXPECT_EQ("(none) ", Device(kPortNamingCom, kMaxPorts + 1));
    EXPECT_EQ(7, PortPlaceGiven(kPortNamingCom, table, "com7"));
    EXPECT_STREQ("COM7", table[7]);
    EXPECT_EQ(3, PortPlaceDetected(kPortNamingCom, table, "\\\\.\\COM3"));
    EXPECT_EQ(3, PortPlaceDetected(kPortNamingCom, table, "COM3"));
    EXPECT_STREQ("COM3", table[3]);
    EXPECT_EQ(0, PortPlaceGiven(kPortNamingCom, table, "/dev/ttyUSB0"));
    EXPECT_EQ(0, PortPlaceDetected(kPortNamingCom, table, "COM65"));
    for (int port = 1; port <= kMaxPorts; ++port) {
        if (port == 3 || port == 7) continue;
        EXPECT_STREQ("", table[port]) << port;
    }
}

// Catches the --port device not at entry 1, detected devices out of order,
// a device listed twice, a full table overwritten, and a name too long for
// an entry stored cut off.
TEST_F(PortNames, TableHasTheGivenDeviceFirstThenTheDetectedOnes) {
    EXPECT_EQ(1, PortPlaceGiven(kPortNamingTable, table, "/dev/ttyUSB1"));
    EXPECT_EQ(2, PortPlaceDetected(kPortNamingTable, table, "/dev/ttyS0"));
    EXPECT_EQ(1, PortPlaceDetected(kPortNamingTable, table, "/dev/ttyUSB1"));
    EXPECT_EQ(3, PortPlaceDetected(kPortNamingTable, table, "/dev/ttyUSB0"));
    EXPECT_EQ(2, PortPlaceDetected(kPortNamingTable, table, "/dev/ttyS0"));
    EXPECT_EQ("/dev/ttyUSB1", Device(kPortNamingTable, 1));
    EXPECT_EQ("/dev/ttyUSB0", Device(kPortNamingTable, 3));
    EXPECT_EQ("(none) ", Device(kPortNamingTable, 4));
    EXPECT_EQ("(none) ", Device(kPortNamingTable, 0));

    const std::string tooLong(kPortDeviceSize, 'x');
    EXPECT_EQ(0, PortPlaceGiven(kPortNamingTable, table, tooLong.c_str()));
    EXPECT_EQ(0, PortPlaceDetected(kPortNamingTable, table, tooLong.c_str()));
    EXPECT_EQ("/dev/ttyUSB1", Device(kPortNamingTable, 1));

    for (int port = 4; port <= kMaxPorts; ++port) std::strcpy(table[port], "/dev/busy");
    EXPECT_EQ(0, PortPlaceDetected(kPortNamingTable, table, "/dev/ttyACM0"));
    EXPECT_EQ("/dev/ttyUSB1", Device(kPortNamingTable, 1));
}

// Catches the device shown on Windows (where it only repeats COMn) instead
// of the adapter, the description shown on table systems instead of the
// device, a dangling separator, and a cut-off text reported as whole.
TEST(PortLabel, ShowsComNThenWhatIdentifiesTheDevice) {
    char label[32];
    EXPECT_EQ(1, PortLabel(kPortNamingCom, 3, "COM3", "USB Serial Port", label, sizeof label));
    EXPECT_STREQ("COM3  USB Serial Port", label);
    EXPECT_EQ(1, PortLabel(kPortNamingCom, 7, "COM7", nullptr, label, sizeof label));
    EXPECT_STREQ("COM7", label);
    EXPECT_EQ(1, PortLabel(kPortNamingTable, 2, "/dev/ttyUSB0", "FT232R", label, sizeof label));
    EXPECT_STREQ("COM2  /dev/ttyUSB0", label);
    EXPECT_EQ(1, PortLabel(kPortNamingTable, 1, "", "", label, sizeof label));
    EXPECT_STREQ("COM1", label);
    EXPECT_EQ(0, PortLabel(kPortNamingTable, 2, "/dev/serial/by-id/usb-0403", "", label, 16));
    EXPECT_EQ(15u, std::strlen(label));
}

}  // namespace
