// VIDEO, DATA and the block read against the simulated sensor: the requests
// sent, what is drawn and on which axes, the button states, blocks that do
// not come, come with too many bytes or late, the line going away, and
// stops from elsewhere during a block wait.
//
// VIDEO runs inside its button's callback, so what a test does meanwhile
// happens from a timer inside the loop's event processing (ClickDuring).
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "com232/data64.h"
#include "tests/integration/support_during.h"
#include "tests/integration/support_harness.h"

namespace {

const char kTimeoutBlock[] = "Timeout-RS-232 while reading 64 data-words!";
const char kTimeoutLine[] = "Timeout RS232-Line!";
const char kBlockReceived[] = "Data[64] block received!";
const uint32_t kNoBlocks = 1u << CMD_DATA64;

struct Ctl {
    const int* panel;
    int control;
};
const Ctl kCaptureButtons[] = {{&pHandle, MAIN_BTNRun},
                               {&pHandle, MAIN_BTNVideo},
                               {&pHandle, MAIN_BTNData},
                               {&pPara2, PARA2_ButtonTeach}};

std::vector<int> DimmedFlags(void) {
    std::vector<int> flags;
    for (const Ctl& c : kCaptureButtons) flags.push_back(HostIsDimmed(*c.panel, c.control));
    return flags;
}

std::vector<int> VisibleGraphs(void) {
    std::vector<int> v;
    for (int g : {MAIN_GRAPHRaw, MAIN_GRAPHVideo, MAIN_GRAPHData})
        v.push_back(HostIsVisible(pHandle, g));
    return v;
}

std::pair<double, double> Axis(int graph, int axis) {
    double lo = 0, hi = 0;
    HostGraphAxis(pHandle, graph, axis, &lo, &hi);
    return {lo, hi};
}

void ClickStop(void) {
    HostClick(pHandle, MAIN_BTNStop);
}

class Capture : public SensorTest {
protected:
    void Start(const char* model) {
        StartProgram(model);
        SimResetFaults();
        SimClearRequests();
    }
};

// Catches requests out of order or with wrong fields, a refresh that skips
// the measurement frame, the curve drawn at the wrong x positions or on the
// wrong axes, RAM not selected, and the buttons not dimmed while it runs
// or not restored by STOP.
TEST_F(Capture, VideoRefreshesUntilStopAndDrawsTheProfileWithItsThreshold) {
    Start("m02");  // 2048 subpixels, 8-bit video
    EXPECT_EQ(std::make_pair(1.0, 256.0), Axis(MAIN_GRAPHVideo, VAL_LEFT_YAXIS));
    EXPECT_EQ(std::make_pair(1.0, 2048.0), Axis(MAIN_GRAPHData, VAL_LEFT_YAXIS));
    SetCtrlVal(pHandle, MAIN_RBTEeprom, 1);
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
    EXPECT_EQ((std::vector<int>{0, 1, 0}), VisibleGraphs());
    EXPECT_EQ(RAM, target);

    const std::vector<SimRequest> req = Requests();
    ASSERT_GE(req.size(), 10u);
    const uint16_t starts[] = {0, 64, 128, 192};
    for (size_t i = 0; i < 10; ++i) {
        const SimRequest& r = req[i];
        if (i % 5 == 0) {
            EXPECT_EQ(CMD_MEASURE, RequestWord(r, 2)) << i;
            continue;
        }
        EXPECT_EQ((std::vector<uint16_t>{0x55, CMD_DATA64, starts[i % 5 - 1], 0}),
                  (std::vector<uint16_t>{RequestWord(r, 0), RequestWord(r, 2), RequestWord(r, 4),
                                         RequestWord(r, 6)}))
            << i;
        for (int b = 8; b < 34; ++b) EXPECT_EQ(0, r.bytes[b]) << i << " byte " << b;
    }

    ASSERT_EQ(2, HostGraphCurveCount(pHandle, MAIN_GRAPHVideo));
    double x[256], y[256], t[256];
    int colour = 0;
    ASSERT_EQ(256, HostGraphCurve(pHandle, MAIN_GRAPHVideo, 0, x, y, 256, &colour));
    EXPECT_EQ(0xFF0000, colour);
    EXPECT_EQ(2040.0, x[255]);
    int lit = 0;
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(adcbuf[i], y[i]) << i;
        lit += adcbuf[i] > 0;
    }
    EXPECT_GT(lit, 128);
    ASSERT_EQ(256, HostGraphCurve(pHandle, MAIN_GRAPHVideo, 1, nullptr, t, 256, &colour));
    EXPECT_EQ(0x008000, colour);
    EXPECT_EQ(thdArray[0], t[0]);
    EXPECT_EQ(std::make_pair(1.0, 2048.0), Axis(MAIN_GRAPHVideo, VAL_XAXIS));
    EXPECT_EQ(std::make_pair(1.0, 256.0), Axis(MAIN_GRAPHVideo, VAL_LEFT_YAXIS));
}

// Catches DATA looping, fetching the video kind, drawing without its four
// marker lines or on the wrong axes, touching stop_flag, or leaving any of
// the four buttons dimmed.
TEST_F(Capture, DataFetchesTheTriggerBufferOnceWithItsLines) {
    Start("edge1024");
    SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_VISIBLE, 1);
    SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_DIMMED, 0);
    stop_flag = 1;
    ASSERT_EQ(1, HostClick(pHandle, MAIN_BTNData));
    EXPECT_EQ((std::vector<uint16_t>{CMD_MEASURE, 9, 9, 9, 9}), RequestCommands());
    const std::vector<SimRequest> req = Requests();
    for (size_t i = 1; i < req.size(); ++i) EXPECT_EQ(kBlockKindTrigger, RequestWord(req[i], 6));
    EXPECT_EQ(192, RequestWord(req.back(), 4));
    EXPECT_EQ(kBlockReceived, StatusLine());
    EXPECT_EQ(1, stop_flag);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), DimmedFlags());
    EXPECT_EQ((std::vector<int>{0, 0, 1}), VisibleGraphs());
    EXPECT_EQ(5, HostGraphCurveCount(pHandle, MAIN_GRAPHData));
    double ref[256];
    HostGraphCurve(pHandle, MAIN_GRAPHData, 4, nullptr, ref, 256, nullptr);
    EXPECT_EQ(REFArray[0], ref[0]);
    EXPECT_EQ(std::make_pair(1.0, 256.0), Axis(MAIN_GRAPHData, VAL_XAXIS));
    EXPECT_EQ(std::make_pair(1.0, 4096.0), Axis(MAIN_GRAPHData, VAL_LEFT_YAXIS));
}

// ------------------------------------------------------- the block read --

class BlockRead : public Capture {
protected:
    void SetUp() override {
        Start("edge1024");
        DetachReceiveCallback();
        for (uint16_t& w : adcbuf) w = 0xBEEF;
        SetStatus("before");
    }
    void TearDown() override {
        AttachReceiveCallback();
        Capture::TearDown();
    }
};

// Catches two bytes too many taken as a block, adcbuf changed by a rejected
// block, or a text other than the one kept from before.
TEST_F(BlockRead, MoreThan128BytesAtThePollAreRejected) {
    SetFaults([](SimFaults* f) { f->extraBytes = 2; });
    EXPECT_EQ(0, ReadData64(0, kBlockKindVideo));
    for (int i = 0; i < 256; ++i) EXPECT_EQ(0xBEEF, adcbuf[i]) << i;
    EXPECT_EQ("before", StatusLine());
}

// Catches a missing block reported with another text, or stored.
TEST_F(BlockRead, NoAnswerEndsWithTheBlockTimeoutText) {
    SetFaults([](SimFaults* f) { f->silentCommands = kNoBlocks; });
    EXPECT_EQ(0, ReadData64(64, kBlockKindVideo));
    EXPECT_EQ(kTimeoutBlock, StatusLine());
    EXPECT_EQ(0xBEEF, adcbuf[64]);
}

// Catches a block refused because bytes came after it, or the last block
// stored anywhere but at 192..255.
TEST_F(BlockRead, BytesArrivingAfterTheBlockDoNotSpoilIt) {
    SetFaults([](SimFaults* f) {
        f->extraBytes = 2;
        f->extraDelay = 0.3;
    });
    EXPECT_EQ(1, ReadData64(192, kBlockKindTrigger));
    EXPECT_EQ(kBlockReceived, StatusLine());
    for (int i = 0; i < 192; ++i) EXPECT_EQ(0xBEEF, adcbuf[i]) << i;
    int stored = 0;
    for (int i = 192; i < 256; ++i) stored += adcbuf[i] != 0xBEEF;
    EXPECT_GT(stored, 0);
}

// --------------------------------------------------------------- faults --

// A sensor that answers command 8 but no block. Catches VIDEO ending on a
// block time-out, a refresh that does not wait out the block, or something
// drawn.
TEST_F(Capture, VideoGoesOnWhenNoBlockComes) {
    Start("edge1024");
    SetFaults([](SimFaults* f) { f->silentCommands = kNoBlocks; });
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
    EXPECT_GE(req[2].time - req[1].time, 1.5);
    EXPECT_EQ(0, HostGraphCurveCount(pHandle, MAIN_GRAPHVideo));
}

// Catches a crash, a hang, or the buttons left dimmed when the line goes
// away between two blocks; DATA waits for STOP as after RUN.
TEST_F(Capture, LineGoingAwayMidVideoEndsWithTheTimeoutText) {
    Start("edge1024");
    SetFaults([](SimFaults* f) { f->hangUpAfter = 7; });
    ASSERT_EQ(1, HostClick(pHandle, MAIN_BTNVideo));
    EXPECT_EQ(kTimeoutLine, StatusLine());
    EXPECT_EQ(1, stop_flag);
    EXPECT_EQ((std::vector<int>{0, 0, 1, 0}), DimmedFlags());
    EXPECT_LE(SimRequestCount(), 8);
}

// STOP in VIDEO's block wait, and a port change in DATA's block wait after
// an earlier STOP. Catches the wait running on to a time-out that did not
// happen, or DATA going on with the next block on the new port.
TEST_F(Capture, StopOrPortChangeEndsABlockWaitAtOnce) {
    Start("edge1024");
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

// Catches a button without its help text, or a help box that a commit
// would toggle.
TEST_F(Capture, ButtonsExplainThemselvesOnARightClick) {
    StartPanels();
    const struct {
        int control;
        const char* head;
    } kHelp[] = {{MAIN_BTNVideo, "VIDEO-BUTTON:\n"}, {MAIN_BTNData, "DATA-BUTTON:\n"}};
    for (const auto& h : kHelp) {
        HostRightClick(pHandle, h.control);
        EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_HelpText1));
        char text[256];
        HostCtrlText(pHandle, MAIN_HelpText1, text, sizeof text);
        EXPECT_EQ(0u, std::string(text).rfind(h.head, 0));
        HostRightClick(pHandle, h.control);
        EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText1));
    }
}

}  // namespace
