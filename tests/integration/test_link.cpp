// The line check and the opening of the port, through the real runtime
// layer against the simulated sensor on a pseudo-terminal.

#include "tests/integration/support_harness.h"

namespace {

class LinkTest : public SensorHarness {
protected:
    void SetUp() override {
        StartProgram("edge1024", false);
        ASSERT_GE(OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096), 0);
        AttachReceiveCallback();
        SimClearRequests();
    }
};

// Catches a line check that accepts any reply, or sends anything but
// command 5 with the packed half 0 of the record.
TEST_F(LinkTest, LineCheckPassesOnSyncWord00AA) {
    EXPECT_EQ(1, CheckComLine(com));
    EXPECT_EQ("Echo Check - Line Ok!", StatusLine());
    const std::vector<SimRequest> req = Requests();
    ASSERT_EQ(1u, req.size());
    EXPECT_EQ(0x0055, RequestWord(req[0], 0));
    EXPECT_EQ(5, RequestWord(req[0], 2));
    EXPECT_EQ(0, RequestWord(req[0], 4));
    EXPECT_EQ(parameter[3], RequestWord(req[0], 6));  // half 0, standard layout
}

// Catches a line check that ignores the byte order of the sync word, or takes garbage before a
// reply or a short reply for a valid one; and a line that does not recover once the sensor
// answers properly again.
TEST_F(LinkTest, OnlyAWholeReplyWithSyncWord00AAIsALineOk) {
    const struct {
        void (*fault)(SimFaults*);
        const char* status;  // nullptr: any but the line's OK
    } kReplies[] = {{[](SimFaults* f) { f->wrongSync = 1; }, "read error - not sync byte 0xAA!"},
                    {[](SimFaults* f) { f->garbageBefore = 3; }, nullptr},
                    {[](SimFaults* f) { f->shortReply = 20; }, "Timeout-RS-232..."}};
    for (const auto& r : kReplies) {
        SimResetFaults();
        SetFaults(r.fault);
        EXPECT_EQ(0, CheckComLine(com));
        EXPECT_EQ(r.status ? r.status : StatusLine(), StatusLine());
        EXPECT_NE("Echo Check - Line Ok!", StatusLine());
    }
    SimResetFaults();
    EXPECT_EQ(1, CheckComLine(com));
}

}  // namespace
