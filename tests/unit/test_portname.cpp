// Port naming: COMn on Windows, the port table elsewhere, and the drop-down texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/portname.h"

namespace {

// Catches a name outside COM1..COM64 taken, a device path or lower case refused, a suffix ignored.
TEST(ComNumber, IsTheNumberOfAValidComName) {
    const struct {
        const char* device;
        int port;
    } kCases[] = {
        {"COM1", 1}, {"com7", 7},       {"\\\\.\\COM12", 12}, {"COM64", 64},        {"COM65", 0},
        {"COM0", 0}, {"COM07", 0},      {"COM7x", 0},         {"COM", 0},           {"COM-1", 0},
        {"", 0},     {"/dev/ttyS0", 0}, {"\\\\.\\", 0},       {"COM99999999999", 0}};
    for (const auto& c : kCases) EXPECT_EQ(c.port, PortNumberOfCom(c.device)) << c.device;
}

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

// Catches COMn not n or only when listed, a port stored elsewhere or twice, a non-COM device.
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
    for (int port = 1; port <= kMaxPorts; ++port)
        if (port != 3 && port != 7) {
            EXPECT_STREQ("", table[port]) << port;
        }
}

// Catches --port not first, detected ones from COM1, out of order or twice, a full table
// overwritten, a name cut.
TEST_F(PortNames, TableHasTheGivenDeviceFirstThenTheDetectedOnes) {
    EXPECT_EQ(2, PortPlaceDetected(kPortNamingTable, table, "/dev/ttyS0"));  // COM1 stays free
    EXPECT_EQ(1, PortPlaceGiven(kPortNamingTable, table, "/dev/ttyUSB1"));
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

// Catches the wrong second text per system, a dangling separator, a cut-off label called whole.
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

namespace {

// Catches a typed address stored twice, over a device, at a number an adapter takes on
// Windows, or opened there as COMn; and a COM port found later overwriting it.
TEST(PortAddresses, TypedAddressesGetANumberOfTheirOwn) {
    const char kAddress[] = "rfc2217://127.0.0.7:2217";
    for (PortNaming naming : {kPortNamingTable, kPortNamingCom}) {
        PortTable table;
        std::memset(table, 0, sizeof table);
        PortPlaceGiven(naming, table, naming == kPortNamingCom ? "COM1" : "/dev/ttyS0");
        const int port = PortPlaceAddress(naming, table, kAddress);
        EXPECT_EQ(naming == kPortNamingCom ? kMaxPorts : 2, port);
        EXPECT_EQ(port, PortPlaceAddress(naming, table, kAddress));
        EXPECT_EQ(0, PortPlaceAddress(naming, table, "/dev/ttyUSB0"));
        char device[kPortDeviceSize];
        ASSERT_EQ(1, PortDeviceName(naming, table, port, device, sizeof device));
        EXPECT_STREQ(kAddress, device);
        char label[kPortDeviceSize + 16];
        PortLabel(naming, port, device, "", label, sizeof label);
        EXPECT_EQ("COM" + std::to_string(port) + "  " + kAddress, std::string(label));
        if (naming == kPortNamingCom) {
            EXPECT_EQ(0, PortPlaceDetected(naming, table, "COM64"));
            EXPECT_STREQ(kAddress, table[kMaxPorts]);
            EXPECT_EQ(kMaxPorts - 1, PortPlaceGiven(naming, table, "socket://host:4001"));
        }
    }
}

}  // namespace
