// RUN and STOP against the simulated sensor on a pseudo-terminal: the
// requests sent, what is drawn, the button states, time-outs, foreign and
// garbled frames, the line going away, quitting and stopping mid-wait.
//
// The loop runs inside the RUN button's callback, so everything a test does
// while it runs happens from a timer inside the loop's event processing, as
// a user's click would (ClickDuring).
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/integration/support_during.h"
#include "tests/integration/support_harness.h"

namespace {

const char kTimeoutText[] = "Timeout RS232-Line!";
const char kStopped[] = "STOP - data transfer stopped.";
const char kNotSync[] = "read error - not sync byte 0xAA!";
const uint16_t kTeach = 500;

// A measurement frame whose measured value identifies it.
void QueueFrame(uint16_t measured) {
    uint16_t w[16] = {0, 0, measured, 0, 0, kTeach, 20, 2, 1, 2, 600, 3000, 100, 0, 900, 0x1234};
    w[0] = static_cast<uint16_t>(measured - 100);  // left edge
    w[1] = static_cast<uint16_t>(measured + 100);  // right edge
    w[3] = static_cast<uint16_t>(measured * 10);   // micrometres
    SimQueueMeasurement(w);
}

// Dimmed (or visible) flags of main-panel controls, in the order given.
std::vector<int> Flags(int (*flag)(int, int), std::initializer_list<int> controls) {
    std::vector<int> flags;
    for (int control : controls) flags.push_back(flag(pHandle, control));
    return flags;
}

// Measured values drawn in the raw graph, oldest first.
std::vector<double> Drawn(void) {
    double v[200];
    const int n = HostStripTrace(pHandle, MAIN_GRAPHRaw, 4, v, 200);
    return std::vector<double>(v, v + (n > 0 ? n : 0));
}

std::vector<double> Last(const std::vector<double>& v, size_t n) {
    if (v.size() < n) return v;
    return std::vector<double>(v.end() - static_cast<long>(n), v.end());
}

bool Contains(const std::vector<double>& v, double x) {
    return std::find(v.begin(), v.end(), x) != v.end();
}

class Run : public SensorHarness {
protected:
    void SetUp() override {
        StartProgram("standard");  // 4096 subpixels, edge sensor, firmware 302
        parameter[6] = 1;
        parameter[13] = 0;
        parameter[28] = 0;
        std::memset(arrayNORM, 0, sizeof arrayNORM);
        SimResetFaults();
        SimClearRequests();
    }
};

// Catches requests other than command 8 with second word 0, a payload not
// re-packed from the record (the frame's teach value must travel back in
// word 9), frames not drawn in order, writes after STOP, the RAM selection
// not forced, and STOP not restoring the buttons and graphs.
TEST_F(Run, RunsUntilStopDrawingEveryFrame) {
    SetCtrlVal(pHandle, MAIN_RBTEeprom, 1);
    SetCtrlVal(pHandle, MAIN_RBTRam, 0);
    target = EEPROM;
    SetCtrlAttribute(pHandle, MAIN_GRAPHVideo, ATTR_VISIBLE, 1);
    for (uint16_t k = 0; k < 10; ++k) QueueFrame(1000 + k);
    SetFaults([](SimFaults* f) { f->answerLimit = 10; });
    std::vector<int> dimmedWhileRunning;
    ClickDuring(pHandle, MAIN_BTNRun, [&](int n) {
        if (n < 11) return false;
        dimmedWhileRunning = Flags(HostIsDimmed, {MAIN_BTNRun, MAIN_BTNVideo, MAIN_BTNData});
        HostClick(pHandle, MAIN_BTNStop);
        return true;
    });
    EXPECT_EQ((std::vector<int>{1, 1, 1}), dimmedWhileRunning);
    Pump(0.3);
    const std::vector<SimRequest> req = Requests();
    ASSERT_EQ(11u, req.size());
    for (const SimRequest& r : req)
        EXPECT_EQ((std::vector<int>{CMD_MEASURE, 0}),
                  (std::vector<int>{RequestWord(r, 2), RequestWord(r, 4)}));
    CopyVarsToPP(0);
    for (int w = 0; w < kPayloadWords; ++w) EXPECT_EQ(pp[w], RequestWord(req[10], 6 + 2 * w)) << w;
    EXPECT_EQ(kTeach, RequestWord(req[10], 6 + 2 * (9 - 3)));

    std::vector<double> expected;
    for (uint16_t k = 0; k < 10; ++k) expected.push_back(1000 + k);
    EXPECT_EQ(expected, Last(Drawn(), 10));
    double left = 0, mm = 0;
    GetCtrlVal(pHandle, MAIN_DISPedgeLeft, &left);
    GetCtrlVal(pHandle, MAIN_DISPmm, &mm);
    EXPECT_EQ((std::vector<double>{909, 10.09}), (std::vector<double>{left, mm}));
    EXPECT_EQ(kStopped, StatusLine());
    EXPECT_EQ((std::vector<int>{1, RAM}), (std::vector<int>{stop_flag, target}));
    int ram = 0, eeprom = 1;
    GetCtrlVal(pHandle, MAIN_RBTRam, &ram);
    GetCtrlVal(pHandle, MAIN_RBTEeprom, &eeprom);
    EXPECT_EQ((std::vector<int>{1, 0}), (std::vector<int>{ram, eeprom}));
    EXPECT_EQ((std::vector<int>{0, 0, 0}),
              Flags(HostIsDimmed, {MAIN_BTNRun, MAIN_BTNVideo, MAIN_BTNData}));
    EXPECT_EQ((std::vector<int>{1, 0, 0}),
              Flags(HostIsVisible, {MAIN_GRAPHRaw, MAIN_GRAPHVideo, MAIN_GRAPHData}));
}

// Catches a loop that stops on a foreign frame, draws it, or does not send
// the next request after it.
TEST_F(Run, ForeignEchoIsNotDrawnButTheLoopGoesOn) {
    for (uint16_t k = 1; k <= 6; ++k) QueueFrame(2000 + k);
    SetFaults([](SimFaults* f) {
        f->foreignEcho = CMD_READ_RAM;  // a late answer to another command
        f->foreignEchoEvery = 2;        // answers 2, 4, 6
        f->answerLimit = 6;
    });
    ClickStoppingAt(pHandle, MAIN_BTNRun, 7);
    EXPECT_EQ(7, SimRequestCount());
    EXPECT_EQ((std::vector<double>{2001, 2003, 2005}), Last(Drawn(), 3));
    EXPECT_EQ(kStopped, StatusLine());
}

struct GarbleCase {
    const char* name;
    void (*garble)(SimFaults*);
    friend void PrintTo(const GarbleCase& c, std::ostream* os) { *os << c.name; }
};

class RunGarbled : public Run, public ::testing::WithParamInterface<GarbleCase> {};

// Frames that do not begin with the reply sync word (bytes before the
// frame, or a wrong sync word on an otherwise valid measurement frame).
// Catches them drawn, the loop stopping, no status text, or the text
// staying after the line is good again.
TEST_P(RunGarbled, GarbledFramesAreReportedNotDrawnAndTheLoopGoesOn) {
    for (uint16_t k = 1; k <= 60; ++k) QueueFrame(static_cast<uint16_t>(3000 + k));
    // Paced, so that a step late by a few milliseconds on a busy machine
    // does not let the queued frames run out. The simulator shapes an answer
    // when it records the request. After n requests seen, request n + 1 may
    // already be on its way and be shaped either way; answers from n + 2 on
    // follow the faults set now.
    const auto paced = [](SimFaults* f) { f->paced = 1; };
    SetFaults(paced);
    int cleanUpTo = 0, garbledFrom = 0, garbledUpTo = 0, goodFrom = 0;
    std::string statusWhileGarbled;
    ClickDuring(pHandle, MAIN_BTNRun, [&](int n) {
        if (garbledFrom == 0 && n >= 3) {
            SetFaults(GetParam().garble);
            cleanUpTo = n;
            garbledFrom = n + 2;
        } else if (garbledFrom > 0 && goodFrom == 0 && n >= garbledFrom + 2) {
            statusWhileGarbled = StatusLine();  // answers up to n - 1 are in
            SimResetFaults();
            SetFaults(paced);
            garbledUpTo = n;
            goodFrom = n + 2;
        } else if (goodFrom > 0 && n >= goodFrom + 2) {
            HostClick(pHandle, MAIN_BTNStop);
            return true;
        }
        return false;
    });
    ASSERT_GT(goodFrom, 0);
    EXPECT_EQ(kNotSync, statusWhileGarbled);
    const std::vector<double> drawn = Drawn();
    for (int k = 1; k <= cleanUpTo; ++k) EXPECT_TRUE(Contains(drawn, 3000 + k)) << k;
    for (int k = garbledFrom; k <= garbledUpTo; ++k) EXPECT_FALSE(Contains(drawn, 3000 + k)) << k;
    for (int k = goodFrom; k <= goodFrom + 1; ++k) EXPECT_TRUE(Contains(drawn, 3000 + k)) << k;
    EXPECT_EQ(kStopped, StatusLine());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RunGarbled,
    ::testing::Values(GarbleCase{"BytesBeforeFrame", [](SimFaults* f) { f->garbageBefore = 2; }},
                      GarbleCase{"WrongSyncWord", [](SimFaults* f) { f->wrongSync = 1; }}),
    [](const ::testing::TestParamInfo<GarbleCase>& info) { return std::string(info.param.name); });

class RunTimeout : public Run, public ::testing::WithParamInterface<int> {};

// Catches a time-out (also of the very first request) that does not end the
// loop, a wrong text, requests after it, frames lost or invented, and
// VIDEO/DATA coming back without STOP.
TEST_P(RunTimeout, EndsTheLoopAndOnlyRunComesBack) {
    const int answers = GetParam();
    const std::vector<double> before = Drawn();
    std::vector<double> frames;
    for (int k = 1; k <= answers; ++k) {
        QueueFrame(static_cast<uint16_t>(4000 + k));
        frames.push_back(4000 + k);
    }
    SetFaults([answers](SimFaults* f) { f->answerLimit = answers; });
    ASSERT_EQ(1, HostClick(pHandle, MAIN_BTNRun));
    EXPECT_EQ(kTimeoutText, StatusLine());
    EXPECT_EQ(std::vector<uint16_t>(answers + 1, CMD_MEASURE), RequestCommands());
    EXPECT_EQ(answers ? frames : before, answers ? Last(Drawn(), frames.size()) : Drawn());
    EXPECT_EQ(1, stop_flag);
    EXPECT_EQ((std::vector<int>{0, 1, 1}),
              Flags(HostIsDimmed, {MAIN_BTNRun, MAIN_BTNVideo, MAIN_BTNData}));
}

INSTANTIATE_TEST_SUITE_P(AfterAnswers, RunTimeout, ::testing::Values(0, 3));

// Quitting runs the main panel's close handler inside the loop: it sets
// stop_flag and closes the port. Catches the loop writing (or flushing, or
// timing out) on the closed port afterwards.
TEST_F(Run, QuittingDuringRunEndsTheLoopWithoutTouchingThePort) {
    int atClose = -1;
    ClickDuring(pHandle, MAIN_BTNRun, [&](int n) {
        if (n < 5) return false;
        HostClosePanel(pHandle);
        atClose = SimRequestCount();
        return true;
    });
    Pump(0.3);
    EXPECT_GE(atClose, 5);
    EXPECT_EQ(atClose, SimRequestCount());
    EXPECT_EQ(1, stop_flag);
    EXPECT_NE(kTimeoutText, StatusLine());
    EXPECT_LT(GetInQLen(com), 0);  // the port is closed
}

// Choosing a port closes this one and probes the sensor again, all inside
// the loop's event processing. Catches the loop sending on the new port
// afterwards, or reporting a time-out over the probe's result.
TEST_F(Run, PortChangeDuringRunEndsTheLoopAfterTheProbe) {
    int atChange = -1;
    ClickDuring(pHandle, MAIN_BTNRun, [&](int n) {
        if (n < 5) return false;
        atChange = n;
        HostSetValueAsUser(pHandle, MAIN_DropDCom, 1);
        return true;
    });
    Pump(0.3);
    ASSERT_GE(atChange, 5);
    // The request sent just before the change may be counted after it; the
    // probe of the new port begins with the line check.
    const std::vector<uint16_t> commands = RequestCommands();
    size_t probe = static_cast<size_t>(atChange);
    while (probe < commands.size() && commands[probe] != CMD_ECHO) ++probe;
    ASSERT_LT(probe, commands.size());
    EXPECT_LE(probe, static_cast<size_t>(atChange) + 1);
    for (size_t i = probe; i < commands.size(); ++i) EXPECT_NE(CMD_MEASURE, commands[i]) << i;
    EXPECT_EQ(1, stop_flag);
    EXPECT_NE(kTimeoutText, StatusLine());
    EXPECT_GE(GetInQLen(com), 0);  // the new port stays open
}

// STOP while the first request is still unanswered. Catches the wait going
// on to its time-out and reporting one that did not happen.
TEST_F(Run, StopDuringTheFirstWaitEndsWithoutTimeoutText) {
    SetFaults([](SimFaults* f) { f->silent = 1; });
    ClickStoppingAt(pHandle, MAIN_BTNRun, 1);
    EXPECT_EQ((std::vector<int>{1, 1}), (std::vector<int>{stop_flag, SimRequestCount()}));
    EXPECT_EQ(kStopped, StatusLine());
}

// Catches SEND (no reply awaited) discarding an incoming measurement: a false RUN time-out.
TEST_F(Run, SendDuringRunLeavesTheLoopRunning) {
    SetFaults([](SimFaults* f) { f->paced = 1; });
    int sentAt = 0;
    ClickDuring(pHandle, MAIN_BTNRun, [&](int n) {
        if (sentAt == 0 && n >= 3) {
            HostClick(pHandle, MAIN_BTNSend);
            sentAt = SimRequestCount();
        } else if (sentAt > 0 && n >= sentAt + 4) {
            HostClick(pHandle, MAIN_BTNStop);
            return true;
        }
        return false;
    });
    EXPECT_NE(kTimeoutText, StatusLine());
    const std::vector<uint16_t> commands = RequestCommands();
    EXPECT_EQ(2, std::count(commands.begin(), commands.end(), CMD_WRITE_RAM));
    EXPECT_GE(std::count(commands.begin(), commands.end(), CMD_MEASURE), 6);
}

// Catches a frame arriving after STOP overwriting the payload the next RUN sends.
TEST_F(Run, FrameArrivingAfterStopIsDiscarded) {
    SetFaults([](SimFaults* f) { f->replyDelay = 0.05; });
    ClickStoppingAt(pHandle, MAIN_BTNRun, 3);  // the third answer is still in the sensor
    const std::vector<SimRequest> first = Requests();
    ASSERT_GE(first.size(), 3u);
    Pump(0.2);
    EXPECT_EQ(0, rx_flag);
    SimClearRequests();
    ClickStoppingAt(pHandle, MAIN_BTNRun, 1);
    const std::vector<SimRequest> second = Requests();
    ASSERT_FALSE(second.empty());
    for (int w = 0; w < kPayloadWords; ++w)
        EXPECT_EQ(RequestWord(first.back(), 6 + 2 * w), RequestWord(second[0], 6 + 2 * w)) << w;
}

// Catches GET, SEND or RUN waiting out a time-out on a port closed when the line went away.
TEST_F(Run, ClosedPortIsReportedAtOnceByEveryExchange) {
    SetFaults([](SimFaults* f) { f->hangUpAfter = 3; });
    ASSERT_EQ(1, HostClick(pHandle, MAIN_BTNRun));
    EXPECT_EQ(kTxtPortClosed, StatusLine());
    for (int button : {MAIN_BTNGet, MAIN_BTNSend, MAIN_BTNRun}) {
        SetStatus("");
        const double t0 = Timer();
        HostClick(pHandle, button);
        EXPECT_LT(Timer() - t0, 0.5) << button;
        EXPECT_EQ(kTxtPortClosed, StatusLine()) << button;
    }
    EXPECT_EQ(0, HostIsDimmed(pHandle, MAIN_BTNRun));
}

// ------------------------------------------------------- STOP by itself --

class StopButton : public SensorHarness {
protected:
    void SetUp() override { StartPanels(); }
};

// Catches BTNData shown for a trigger mode without trigger buffer (or
// hidden for the internal one), and ButtonTeach not restored.
TEST_F(StopButton, ShowsDataOnlyForInternalTrigger) {
    SetCtrlAttribute(pPara2, PARA2_ButtonTeach, ATTR_DIMMED, 1);
    SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_DIMMED, 1);
    parameter[28] = 2;
    ASSERT_EQ(1, HostClick(pHandle, MAIN_BTNStop));
    EXPECT_EQ((std::vector<int>{0, 0, 0}),
              (std::vector<int>{HostIsVisible(pHandle, MAIN_BTNData),
                                HostIsDimmed(pPara2, PARA2_ButtonTeach),
                                HostIsDimmed(pHandle, MAIN_BTNData)}));
    parameter[28] = 3;
    ASSERT_EQ(1, HostClick(pHandle, MAIN_BTNStop));
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_BTNData));
}

}  // namespace
