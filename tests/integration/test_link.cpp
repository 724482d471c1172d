// The line check and the opening of the port, through the real runtime
// layer against the simulated sensor on a pseudo-terminal.

#include "tests/integration/support_harness.h"

namespace {

class LinkTest : public SensorHarness {};

// Catches a line check that accepts any reply, or sends anything but
// command 5 with the packed half 0 of the record.
TEST_F(LinkTest, LineCheckPassesOnSyncWord00AA) {
    StartProgram("edge1024", false);
    ASSERT_GE(OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096), 0);
    AttachReceiveCallback();
    SimClearRequests();
    EXPECT_EQ(1, CheckComLine(com));
    EXPECT_STREQ("Echo Check - Line Ok!", szStatus);
    EXPECT_EQ("Echo Check - Line Ok!", StatusLine());
    const std::vector<SimRequest> req = Requests();
    ASSERT_EQ(1u, req.size());
    EXPECT_EQ(0x0055, RequestWord(req[0], 0));
    EXPECT_EQ(5, RequestWord(req[0], 2));
    EXPECT_EQ(0, RequestWord(req[0], 4));
    EXPECT_EQ(parameter[3], RequestWord(req[0], 6));  // half 0, standard layout
}

// Catches a line check that ignores the byte order of the sync word.
TEST_F(LinkTest, LineCheckFailsOnSyncWordAA00) {
    StartProgram("edge1024", false);
    ASSERT_GE(OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096), 0);
    AttachReceiveCallback();
    SetFaults([](SimFaults* f) { f->wrongSync = 1; });
    EXPECT_EQ(0, CheckComLine(com));
    EXPECT_EQ("read error - not sync byte 0xAA!", StatusLine());
}

// Catches a wait that never ends, ends early, or reports success when
// nothing came; also that start-up stops after a failed line check.
TEST_F(LinkTest, SilentSensorTimesOutAfterTimeoutAndStartUpStops) {
    StartProgram("edge1024", false);
    SetFaults([](SimFaults* f) { f->silent = 1; });
    SimClearRequests();
    const double t0 = Timer();
    InitRS232(com);
    const double waited = Timer() - t0;
    EXPECT_GE(waited, 1.5);
    EXPECT_EQ("Timeout-RS-232...", StatusLine());
    EXPECT_EQ(0, rx_flag);
    // Nothing but the line check went out.
    EXPECT_EQ(std::vector<uint16_t>{5}, RequestCommands());
}

// Catches garbage before a reply, or a short reply, being taken for a
// valid line check.
TEST_F(LinkTest, GarbageOrShortReplyIsNotALineOk) {
    StartProgram("edge1024", false);
    ASSERT_GE(OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096), 0);
    AttachReceiveCallback();
    SetFaults([](SimFaults* f) { f->garbageBefore = 3; });
    EXPECT_EQ(0, CheckComLine(com));
    EXPECT_NE("Echo Check - Line Ok!", StatusLine());
    SetFaults([](SimFaults* f) {
        f->garbageBefore = 0;
        f->shortReply = 20;
    });
    EXPECT_EQ(0, CheckComLine(com));
    EXPECT_EQ("Timeout-RS-232...", StatusLine());
    // The line recovers once the sensor answers properly again.
    SimResetFaults();
    EXPECT_EQ(1, CheckComLine(com));
}

// Catches an open failure that is not shown, or a program that is left
// unusable: the texts of the open-error table.
TEST_F(LinkTest, PortWithoutDeviceShowsOpenErrorText) {
    StartPanels();
    InitRS232(17);
    EXPECT_EQ("Invalid port number", StatusLine());
    PortTableSetDevice(18, "/dev/kovexa-no-such-device");
    InitRS232(18);
    EXPECT_EQ("Cannot open port", StatusLine());
    // Still usable: a real port opens afterwards.
    StartProgram("edge1024", true);
    EXPECT_GE(GetInQLen(com), 0);
}

}  // namespace
