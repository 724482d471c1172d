// A port that exists but is held elsewhere: the status line keeps the
// described text and adds the cause and the cure.
#include <string>

#include "tests/integration/support_harness.h"

class PortHintTest : public SensorHarness {};

// Catches the refusal of a busy port reported as the bare text. (A device
// that does not exist gets no cure: pinned by the link tests.)
TEST_F(PortHintTest, BusyPortSaysAnotherProgramHoldsIt) {
    const std::string device = StartProgram("v303");
    PortTableSetDevice(2, device.c_str());
    InitRS232(2);
    const std::string busy = StatusLine();
    EXPECT_EQ(0u, busy.rfind("Cannot open port - port busy: ", 0)) << busy;
    CloseCom(2);
}
