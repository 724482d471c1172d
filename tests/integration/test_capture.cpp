// VIDEO, DATA and the block read against the simulated sensor: requests,
// drawing, button states, missing or odd blocks, and stops during a wait.
#include <QTimer>
#include <algorithm>
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
    for (const SimRequest& r : Requests())
        sent.push_back({RequestWord(r, 2), RequestWord(r, 4),
                        RequestWord(r, 2) == CMD_DATA64 ? RequestWord(r, 6) : uint16_t{0}});
    return sent;
}

class Capture : public SensorHarness {
protected:
    void Start(const char* model = "edge1024") {
        StartProgram(model);
        SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_VISIBLE, 1);  // DATA is a service button
        SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_DIMMED, 0);
        SimResetFaults();
        SimClearRequests();
    }
};

// Catches wrong requests, curve or axes, RAM not selected, buttons not dimmed/restored,
// and a crash, hang or dimmed buttons when the line goes away between blocks.
TEST_F(Capture, VideoRefreshesUntilStopOrLineGoneAndDrawsTheProfileWithItsThreshold) {
    Start("m02");  // 2048 subpixels, 8-bit video
    EXPECT_EQ(std::make_pair(1.0, 256.0), Axis(MAIN_GRAPHVideo, VAL_LEFT_YAXIS));
    EXPECT_EQ(std::make_pair(1.0, 2048.0), Axis(MAIN_GRAPHData, VAL_LEFT_YAXIS));
    target = EEPROM;
    std::vector<int> dimmed;
    ClickDuring(pHandle, MAIN_BTNVideo, [&](int n) {
        if (n < 11) return false;
        dimmed = DimmedFlags();
        HostClick(pHandle, MAIN_BTNStop);
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

    double x[256], y[256], t[256];
    ASSERT_EQ(256, HostGraphCurve(pHandle, MAIN_GRAPHVideo, 0, x, y, 256, nullptr));
    HostGraphCurve(pHandle, MAIN_GRAPHVideo, 1, nullptr, t, 256, nullptr);
    EXPECT_EQ(2040.0, x[255]);
    EXPECT_EQ((std::vector<double>{1.0 * adcbuf[0], 1.0 * adcbuf[128], 1.0 * adcbuf[255],
                                   1.0 * thdArray[0]}),
              (std::vector<double>{y[0], y[128], y[255], t[0]}));
    EXPECT_GT(adcbuf[0], 0);
    // The line going away between blocks: no crash or hang, the port said closed, buttons back.
    SetFaults([](SimFaults* f) { f->hangUpAfter = 7; });
    SimClearRequests();
    ASSERT_EQ(1, HostClick(pHandle, MAIN_BTNVideo));
    EXPECT_EQ(kTxtPortClosed, StatusLine());
    EXPECT_EQ(1, stop_flag);
    EXPECT_EQ((std::vector<int>{0, 0, 1, 0}), DimmedFlags());
    EXPECT_LE(SimRequestCount(), 8);
}

// Catches DATA looping, the video kind, missing marker lines, wrong axes or stop_flag.
TEST_F(Capture, DataFetchesTheTriggerBufferOnceWithItsLines) {
    Start();
    stop_flag = 1;
    ASSERT_EQ(1, HostClick(pHandle, MAIN_BTNData));
    EXPECT_EQ((std::vector<std::vector<uint16_t>>{
                  {8, 0, 0}, {9, 0, 1}, {9, 64, 1}, {9, 128, 1}, {9, 192, 1}}),
              Sent());
    EXPECT_EQ(kBlockReceived, StatusLine());
    EXPECT_EQ(1, stop_flag);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), DimmedFlags());
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_GRAPHData));
    EXPECT_EQ(5, HostGraphCurveCount(pHandle, MAIN_GRAPHData));
    EXPECT_EQ(std::make_pair(1.0, 4096.0), Axis(MAIN_GRAPHData, VAL_LEFT_YAXIS));
}

// Catches two bytes too many taken (or late ones refusing a block), a silent text, misstored
// block, stale bytes not flushed before the request, or a time-out far beyond its 1.5 s.
TEST_F(Capture, BlockReadAcceptsExactly128BytesAtThePoll) {
    const struct {
        int extraBytes;
        double extraDelay;
        uint32_t silentCommands;
        int staleFrames;  // answers already waiting when the block is requested
        uint16_t start;
        int result;
        const char* status;
    } kCases[] = {{2, 0.0, 0, 0, 0, 0, "before"},          // two bytes too many
                  {2, 0.3, 0, 0, 192, 1, kBlockReceived},  // two bytes after the block
                  {0, 0.0, 0, 4, 128, 1, kBlockReceived},  // a full block's worth of stale bytes
                  {0, 0.0, kNoBlocks, 0, 64, 0, kTimeoutBlock}};
    for (const auto& c : kCases) {
        Start();
        SetFaults([&](SimFaults* f) {
            f->extraBytes = c.extraBytes;
            f->extraDelay = c.extraDelay;
            f->silentCommands = c.silentCommands;
        });
        DetachReceiveCallback();
        for (int i = 0; i < c.staleFrames; ++i) {
            FillTxBuf(CMD_ECHO, 0, pp);
            ComWrt(com, szWriteBuf, kFrameSize);
        }
        for (const double t0 = Timer(); GetInQLen(com) < c.staleFrames * kFrameSize;)
            ASSERT_LT(Timer() - t0, 5.0) << "stale answers never came";
        for (uint16_t& w : adcbuf) w = 0xBEEF;
        SetStatus("before");
        const double t0 = Timer();
        EXPECT_EQ(c.result, ReadData64(c.start, kBlockKindTrigger, adcbuf)) << c.start;
        EXPECT_LT(Timer() - t0, 2 * TIMEOUT) << c.start;  // generous: the machine may be loaded
        AttachReceiveCallback();
        EXPECT_EQ(c.status, StatusLine());
        for (int i = 0; i < 256; ++i)
            EXPECT_EQ(c.result && i >= c.start && i < c.start + 64, adcbuf[i] != 0xBEEF) << i;
    }
}

// Catches VIDEO ending on (or not waiting out) a missing block, drawing, STOP not ending
// the loop within the block's time-out, a port change not ending a block wait at once
// (DATA going on on the new port), and a "Waiting for Data" text left after STOP.
TEST_F(Capture, MissingBlocksAreWaitedOutAndStopOrPortChangeEndTheWaitAtOnce) {
    Start();
    SetFaults([](SimFaults* f) { f->silentCommands = kNoBlocks; });
    DeleteGraphPlot(pHandle, MAIN_GRAPHVideo, VAL_ALL_PLOTS, VAL_IMMEDIATE_DRAW);
    double clicked = 0;
    ClickDuring(pHandle, MAIN_BTNVideo, [&](int n) {
        if (n < 4) return false;
        clicked = Timer();
        HostClick(pHandle, MAIN_BTNStop);
        return true;
    });
    EXPECT_LT(Timer() - clicked, 2 * TIMEOUT);
    EXPECT_NE(kTimeoutBlock, StatusLine());
    EXPECT_NE("Waiting", StatusLine().substr(0, 7)) << "still waiting after STOP";
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), DimmedFlags());
    const std::vector<SimRequest> req = Requests();
    ASSERT_GE(req.size(), 4u);
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(i % 2 ? 9 : 8, RequestWord(req[i], 2)) << i;
    // Requests are stamped when read, a little after the wait started.
    EXPECT_GE(req[2].time - req[1].time, 1.45);
    EXPECT_EQ(0, HostGraphCurveCount(pHandle, MAIN_GRAPHVideo));

    SetFaults([](SimFaults* f) { f->silentCommands = kNoBlocks; });
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

// Clicks STOP `after` seconds after the simulator received the first block
// request, while button's callback runs.
void StopIntoBlockRead(int button, double after) {
    QTimer timer;
    double seenAt = -1;
    bool stopped = false;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (stopped) return;
        std::vector<uint16_t> commands = RequestCommands();
        const bool blockAsked =
            std::find(commands.begin(), commands.end(), CMD_DATA64) != commands.end();
        if (blockAsked && seenAt < 0) seenAt = Timer();
        if (seenAt >= 0 && Timer() - seenAt >= after) {
            stopped = true;
            HostClick(pHandle, MAIN_BTNStop);
        }
    });
    timer.start(1);
    EXPECT_EQ(1, HostClick(pHandle, button));
    timer.stop();
    EXPECT_TRUE(stopped);
}

// Catches a block answer still on its way after STOP being taken in as a reply
// frame: its words became the payload of the next request; and RESET re-packing the
// payload as left, or sending another command or second word than 11 and 0.
TEST_F(Capture, BlockArrivingAfterStopNeverBecomesTheNextPayload) {
    const uint16_t kWords[16] = {11, 22,  33,  44,  55,  66,  77,  88,
                                 99, 110, 121, 132, 143, 154, 165, 176};
    const struct {
        int button;
        double stopAfter;
    } kCases[] = {{MAIN_BTNData, 0.04},  {MAIN_BTNData, 0.12},  {MAIN_BTNData, 0.2},
                  {MAIN_BTNVideo, 0.04}, {MAIN_BTNVideo, 0.12}, {MAIN_BTNVideo, 0.2}};
    for (const auto& c : kCases) {
        Start();
        // The sensor gathers a block slowly: it is still coming when STOP has ended.
        SetFaults([](SimFaults* f) {
            f->paced = 1;
            f->replyDelay = 0.45;
        });
        for (int i = 0; i < 4; ++i) SimQueueMeasurement(kWords);
        for (int i = 0; i < 16; ++i) pp[i] = kWords[i];
        StopIntoBlockRead(c.button, c.stopAfter);
        Pump(0.6);
        SimClearRequests();
        CC_ButtonReset(pHandle, MAIN_ButtonReset, EVENT_COMMIT, nullptr, 0, 0);
        const std::vector<SimRequest> req = Requests();
        ASSERT_EQ(1u, req.size()) << c.button << " " << c.stopAfter;
        EXPECT_EQ((std::vector<uint16_t>{CMD_RESET_MAXMIN, 0}),
                  (std::vector<uint16_t>{RequestWord(req[0], 2), RequestWord(req[0], 4)}));
        for (int i = 0; i < 15; ++i)
            EXPECT_EQ(kWords[i], RequestWord(req[0], 6 + 2 * i))
                << c.button << " " << c.stopAfter << " word " << i;
        StopProgram();
    }
}

}  // namespace
