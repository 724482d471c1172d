// VIDEO, DATA and the block read against the simulated sensor: the requests
// sent, what is drawn and on which axes, the button states, blocks that do
// not come, come with too many bytes or late, the line going away, and
// stops from elsewhere during a block wait.
#include <string>
#include <vector>

#include "com232/data64.h"
#include "tests/integration/support_during.h"
#include "tests/integration/support_harness.h"

namespace {

const char kTimeoutBlock[] = "Timeout-RS-232 while reading 64 data-words!";
const char kBlockReceived[] = "Data[64] block received!";
const uint32_t kNoBlocks = 1u << CMD_DATA64;

// RUN, VIDEO, DATA, TEACH.
std::vector<int> DimmedFlags(void) {
    return {HostIsDimmed(pHandle, MAIN_BTNRun), HostIsDimmed(pHandle, MAIN_BTNVideo),
            HostIsDimmed(pHandle, MAIN_BTNData), HostIsDimmed(pPara2, PARA2_ButtonTeach)};
}

std::pair<double, double> Axis(int graph, int axis) {
    double lo = 0, hi = 0;
    HostGraphAxis(pHandle, graph, axis, &lo, &hi);
    return {lo, hi};
}

// Command, second word and (block requests) kind of each request.
std::vector<std::vector<uint16_t>> Sent(void) {
    std::vector<std::vector<uint16_t>> sent;
    for (const SimRequest& r : Requests()) {
        const uint16_t command = RequestWord(r, 2);
        sent.push_back(
            {command, RequestWord(r, 4), command == CMD_DATA64 ? RequestWord(r, 6) : uint16_t{0}});
    }
    return sent;
}

void ClickStop(void) {
    HostClick(pHandle, MAIN_BTNStop);
}

class Capture : public SensorTest {
protected:
    void Start(const char* model = "edge1024") {
        StartProgram(model);
        SimResetFaults();
        SimClearRequests();
    }
};

// Catches requests out of order or with wrong fields, the curve at the
// wrong x positions, samples or axes, RAM not selected, and the buttons
// not dimmed while it runs or not restored by STOP.
TEST_F(Capture, VideoRefreshesUntilStopAndDrawsTheProfileWithItsThreshold) {
    Start("m02");  // 2048 subpixels, 8-bit video
    EXPECT_EQ(std::make_pair(1.0, 256.0), Axis(MAIN_GRAPHVideo, VAL_LEFT_YAXIS));
    EXPECT_EQ(std::make_pair(1.0, 2048.0), Axis(MAIN_GRAPHData, VAL_LEFT_YAXIS));
    target = EEPROM;
    std::vector<int> dimmed;
    ClickDuring(pHandle, MAIN_BTNVideo, [&](int n) {
        if (n < 11) return false;
        dimmed = DimmedFlags();
        ClickStop();
        return true;
    });
    EXPECT_EQ((std::vector<int>{1, 1, 1, 1}), dimmed);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), DimmedFlags());
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_GRAPHVideo));
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_GRAPHRaw));
    EXPECT_EQ(RAM, target);
    const std::vector<std::vector<uint16_t>> refresh = {
        {8, 0, 0}, {9, 0, 0}, {9, 64, 0}, {9, 128, 0}, {9, 192, 0}};
    const std::vector<std::vector<uint16_t>> sent = Sent();
    ASSERT_GE(sent.size(), 10u);
    for (size_t i = 0; i < 10; ++i) EXPECT_EQ(refresh[i % 5], sent[i]) << i;

    ASSERT_EQ(2, HostGraphCurveCount(pHandle, MAIN_GRAPHVideo));
    double x[256], y[256], t[256];
    ASSERT_EQ(256, HostGraphCurve(pHandle, MAIN_GRAPHVideo, 0, x, y, 256, nullptr));
    HostGraphCurve(pHandle, MAIN_GRAPHVideo, 1, nullptr, t, 256, nullptr);
    EXPECT_EQ(2040.0, x[255]);
    EXPECT_EQ((std::vector<double>{1.0 * adcbuf[0], 1.0 * adcbuf[128], 1.0 * adcbuf[255],
                                   1.0 * thdArray[0]}),
              (std::vector<double>{y[0], y[128], y[255], t[0]}));
    EXPECT_GT(adcbuf[0], 0);
    EXPECT_EQ(std::make_pair(1.0, 2048.0), Axis(MAIN_GRAPHVideo, VAL_XAXIS));
    EXPECT_EQ(std::make_pair(1.0, 256.0), Axis(MAIN_GRAPHVideo, VAL_LEFT_YAXIS));
}

// Catches DATA looping, fetching the video kind, drawing without its four
// marker lines or on the wrong axes, touching stop_flag, or leaving any of
// the four buttons dimmed.
TEST_F(Capture, DataFetchesTheTriggerBufferOnceWithItsLines) {
    Start();
    SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_VISIBLE, 1);
    SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_DIMMED, 0);
    stop_flag = 1;
    ASSERT_EQ(1, HostClick(pHandle, MAIN_BTNData));
    EXPECT_EQ((std::vector<std::vector<uint16_t>>{
                  {8, 0, 0}, {9, 0, 1}, {9, 64, 1}, {9, 128, 1}, {9, 192, 1}}),
              Sent());
    EXPECT_EQ(kBlockReceived, StatusLine());
    EXPECT_EQ(1, stop_flag);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), DimmedFlags());
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_GRAPHData));
    ASSERT_EQ(5, HostGraphCurveCount(pHandle, MAIN_GRAPHData));
    double ref[256];
    HostGraphCurve(pHandle, MAIN_GRAPHData, 4, nullptr, ref, 256, nullptr);
    EXPECT_EQ(REFArray[0], ref[0]);
    EXPECT_EQ(std::make_pair(1.0, 256.0), Axis(MAIN_GRAPHData, VAL_XAXIS));
    EXPECT_EQ(std::make_pair(1.0, 4096.0), Axis(MAIN_GRAPHData, VAL_LEFT_YAXIS));
}

// ------------------------------------------------------- the block read --

struct BlockCase {
    const char* name;
    int extraBytes;
    double extraDelay;
    uint32_t silentCommands;
    uint16_t start;
    int result;
    const char* status;
    friend void PrintTo(const BlockCase& c, std::ostream* os) { *os << c.name; }
};

class BlockRead : public Capture, public ::testing::WithParamInterface<BlockCase> {};

// Catches two bytes too many taken as a block (or two bytes arriving after
// it refusing one), a missing block without its text, a rejected block
// stored, or a block stored anywhere but from its start on.
TEST_P(BlockRead, AcceptsExactly128BytesAtThePoll) {
    const BlockCase& c = GetParam();
    Start();
    SetFaults([&](SimFaults* f) {
        f->extraBytes = c.extraBytes;
        f->extraDelay = c.extraDelay;
        f->silentCommands = c.silentCommands;
    });
    DetachReceiveCallback();
    for (uint16_t& w : adcbuf) w = 0xBEEF;
    SetStatus("before");
    EXPECT_EQ(c.result, ReadData64(c.start, kBlockKindTrigger));
    AttachReceiveCallback();
    EXPECT_EQ(c.status, StatusLine());
    int changed = 0;
    for (int i = 0; i < 256; ++i) {
        const bool inBlock = i >= c.start && i < c.start + 64;
        if (!inBlock || !c.result) {
            EXPECT_EQ(0xBEEF, adcbuf[i]) << i;
        }
        changed += adcbuf[i] != 0xBEEF;
    }
    EXPECT_EQ(c.result != 0, changed > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, BlockRead,
    ::testing::Values(BlockCase{"TwoBytesTooMany", 2, 0.0, 0, 0, 0, "before"},
                      BlockCase{"TwoBytesLater", 2, 0.3, 0, 192, 1, kBlockReceived},
                      BlockCase{"NoAnswer", 0, 0.0, kNoBlocks, 64, 0, kTimeoutBlock}),
    [](const ::testing::TestParamInfo<BlockCase>& info) { return std::string(info.param.name); });

// --------------------------------------------------------------- faults --

// A sensor that answers command 8 but no block. Catches VIDEO ending on a
// block time-out, a refresh that does not wait out the block, or something
// drawn.
TEST_F(Capture, VideoGoesOnWhenNoBlockComes) {
    Start();
    SetFaults([](SimFaults* f) { f->silentCommands = kNoBlocks; });
    DeleteGraphPlot(pHandle, MAIN_GRAPHVideo, VAL_ALL_PLOTS, VAL_IMMEDIATE_DRAW);
    ClickDuring(pHandle, MAIN_BTNVideo, [](int n) {
        if (n < 4) return false;
        ClickStop();
        return true;
    });
    const std::vector<SimRequest> req = Requests();
    ASSERT_GE(req.size(), 4u);
    EXPECT_EQ((std::vector<uint16_t>{8, 9, 8, 9}),
              (std::vector<uint16_t>{RequestWord(req[0], 2), RequestWord(req[1], 2),
                                     RequestWord(req[2], 2), RequestWord(req[3], 2)}));
    // The simulator stamps a request when it has read it, a little after the
    // program's clock started the wait: allow for that, not for a short wait.
    EXPECT_GE(req[2].time - req[1].time, 1.45);
    EXPECT_EQ(0, HostGraphCurveCount(pHandle, MAIN_GRAPHVideo));
}

// Catches a crash, a hang, or the buttons left dimmed when the line goes
// away between two blocks; DATA waits for STOP as after RUN.
TEST_F(Capture, LineGoingAwayMidVideoEndsSayingThePortIsClosed) {
    Start();
    SetFaults([](SimFaults* f) { f->hangUpAfter = 7; });
    ASSERT_EQ(1, HostClick(pHandle, MAIN_BTNVideo));
    EXPECT_EQ(kTxtPortClosed, std::string(StatusLine()));
    EXPECT_EQ(1, stop_flag);
    EXPECT_EQ((std::vector<int>{0, 0, 1, 0}), DimmedFlags());
    EXPECT_LE(SimRequestCount(), 8);
}

// STOP in VIDEO's block wait, and a port change in DATA's block wait after
// an earlier STOP. Catches the wait running on to a time-out that did not
// happen, or DATA going on with the next block on the new port.
TEST_F(Capture, StopOrPortChangeEndsABlockWaitAtOnce) {
    Start();
    SetFaults([](SimFaults* f) { f->silentCommands = kNoBlocks; });
    double clicked = 0;
    ClickDuring(pHandle, MAIN_BTNVideo, [&](int n) {
        if (n < 2) return false;
        clicked = Timer();
        ClickStop();
        return true;
    });
    EXPECT_LT(Timer() - clicked, 0.6);
    EXPECT_NE(kTimeoutBlock, StatusLine());
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), DimmedFlags());

    SetFaults([](SimFaults* f) { f->silentCommands = kNoBlocks; });
    SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_VISIBLE, 1);
    SimClearRequests();
    ASSERT_EQ(1, stop_flag);
    ClickDuring(pHandle, MAIN_BTNData, [&](int n) {
        if (n < 2) return false;
        HostSetValueAsUser(pHandle, MAIN_DropDCom, 1);
        return true;
    });
    const std::vector<uint16_t> commands = RequestCommands();
    ASSERT_GE(commands.size(), 3u);
    EXPECT_EQ(CMD_ECHO, commands[2]);  // the probe of the new port
    for (size_t i = 2; i < commands.size(); ++i) EXPECT_NE(CMD_DATA64, commands[i]) << i;
    EXPECT_NE(kTimeoutBlock, StatusLine());
    EXPECT_GE(GetInQLen(com), 0);
}

}  // namespace
