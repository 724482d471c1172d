// Unplug and replug: the port list read when the drop-down opens, and a sensor back under the
// same device name on a new pseudo-terminal (a symlink stands for the adapter's fixed name).
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/integration/support_harness.h"

namespace {

std::string gPlugged;  // the adapter the system reports, "" when none

int FakeScanner(int index, char* device, int size) {
    if (index > 0 || gPlugged.empty()) return 0;
    std::snprintf(device, static_cast<size_t>(size), "%s", gPlugged.c_str());
    return 1;
}

std::string Labels(void) {
    std::string all;
    const int n = HostListCount(pHandle, MAIN_DropDCom);
    for (int i = 0; i < n; ++i) {
        char label[300] = "";
        int value = 0;
        HostListItem(pHandle, MAIN_DropDCom, i, label, sizeof label, &value);
        all += std::string(label) + ";";
    }
    return all;
}

class ReplugTest : public SensorHarness {};

// Catches a port list fixed at start-up: adapters plugged in or pulled out later not shown.
TEST_F(ReplugTest, PortListShowsThePortsPresentWhenOpened) {
    const std::string sensor = StartProgram("edge1024");
    PortTableSetScanner(FakeScanner);
    gPlugged = "/dev/kovexa-test-ttyUSB7";
    HostLeftClick(pHandle, MAIN_DropDCom);
    EXPECT_EQ("COM1  " + sensor + ";COM2  " + gPlugged + ";network...;", Labels());
    gPlugged.clear();
    HostLeftClick(pHandle, MAIN_DropDCom);
    EXPECT_EQ("COM1  " + sensor + ";network...;", Labels());
    EXPECT_EQ(1, com);
    PortTableSetScanner(nullptr);
}

// Catches a replugged adapter needing a restart instead of reconnecting when chosen again.
TEST_F(ReplugTest, ChoosingThePortAgainAfterReplugReconnects) {
    char dir[] = "/tmp/kovexa_replug_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    const std::string name = std::string(dir) + "/ttyUSB0";
    ASSERT_EQ(0, symlink(StartProgram("edge1024", false), name.c_str()));
    PortTableSetDevice(1, name.c_str());
    InitRS232(com);
    EXPECT_EQ(37, hwtype);

    SimStop();  // pulled out
    HostClick(pHandle, MAIN_BTNGet);
    EXPECT_EQ("Port is not open - choose the port again!", StatusLine());

    char path[256];
    ASSERT_EQ(1, SimStart("tarvo", path, sizeof path));  // plugged in again
    ASSERT_EQ(0, unlink(name.c_str()));
    ASSERT_EQ(0, symlink(path, name.c_str()));
    ASSERT_EQ(1, HostSetValueAsUser(pHandle, MAIN_DropDCom, 1));
    EXPECT_EQ(400, hwtype);
    EXPECT_EQ((std::vector<uint16_t>{5, 10, 2, 2, 7}), RequestCommands());
    EXPECT_NE(std::string::npos, StatusLine().find("firmware")) << StatusLine();
    unlink(name.c_str());
    rmdir(dir);
}

}  // namespace
