// Every exchange with the sensor against every way the simulated sensor can misbehave:
// in time, its own texts, nothing recorded lost, the line usable afterwards.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/integration/support_during.h"
#include "tests/integration/support_harness.h"

namespace {

enum Fault { kSilent, kLate, kWrongSync, kGarbage, kShort, kLong, kUnsolicited, kLineGone };

struct FaultRow {
    const char* name;
    void (*apply)(SimFaults* f);
    bool fails;  // the exchange cannot succeed under it
};

const FaultRow kFaults[] = {
    {"Silent", [](SimFaults* f) { f->silent = 1; }, true},
    {"Late", [](SimFaults* f) { f->replyDelay = 2.0; }, true},
    {"WrongSync", [](SimFaults* f) { f->wrongSync = 1; }, false},
    {"Garbage", [](SimFaults* f) { f->garbageBefore = 5; }, false},
    {"Short", [](SimFaults* f) { f->shortReply = 20; }, false},
    {"Long", [](SimFaults* f) { f->extraBytes = 4; }, false},
    // A frame's worth of bytes nobody asked for, after each answer.
    {"Unsolicited",
     [](SimFaults* f) {
         f->extraBytes = kFrameSize;
         f->extraDelay = 0.05;
     },
     false},
    {"LineGone", nullptr, true},
};

std::string RecStatus(void) {
    return CtrlText(pPopup, POPUP_TEXTrecstatus);
}

// Loops are stopped as a user would once the simulator has taken in stopAt requests.
void Click(int panel, int button, int stopAt = 0) {
    if (stopAt) {
        ClickStoppingAt(panel, button, stopAt);
    } else {
        EXPECT_EQ(1, HostClick(panel, button)) << "click refused";
    }
}

void Data(void) {
    // Shown for the internal trigger only; the block read is the same.
    SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_VISIBLE, 1);
    SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_DIMMED, 0);
    Click(pHandle, MAIN_BTNData);
}
void Record(void) {
    DisplayPanel(pPopup);
    SetCtrlVal(pPopup, POPUP_NUMsample, 3);
    SetCtrlVal(pPopup, POPUP_NUMinctime, 0);
    Click(pPopup, POPUP_CBTNStartRecord);
}
// Stopped after the clear frame and two write frames: a sensor that never
// confirms would otherwise cost a time-out for each of 257 frames.
void XFlash(void) {
    {
        std::ofstream out(ScratchPath("matrix.lin"), std::ios::binary);
        for (int i = 0; i < kLinWords; ++i) out << "0\r\n";
    }
    HostSetValueAsUser(pPopup, POPUP_NUMinctime, kServiceCode);
    HostQueueFileAnswer(ScratchPath("matrix.lin").c_str());
    Click(pCalib, CALIB_BTNWriteXFLASH, 3);
}

const char kTimeout[] = "Timeout-RS-232...";
const char kTimeoutLine[] = "Timeout RS232-Line!";
const char kNotSync[] = "read error - not sync byte 0xAA!";
const char* const kClosed = kTxtPortClosed;
const char kParamOk[] = "Parameter-frame received! - Line Ok!";
const char kStopped[] = "STOP - data transfer stopped.";

struct ExchangeRow {
    const char* name;
    void (*act)(void);
    int waits;  // time-outs it may wait in a row
    std::string (*status)(void);
    std::vector<std::string> success;  // its texts for a good answer
    std::vector<std::string> failure;  // its texts for a fault
    const char* lineGone;              // status line once the line went away
};

// clang-format off
const ExchangeRow kExchanges[] = {
    {"Probe", [] { InitRS232(com); InitGUI(); }, 1, StatusLine,
     {kParamOk, "K-VEX-RZ firmware*"}, {kTimeout, kNotSync}, "Cannot open port"},
    {"Get", [] { Click(pHandle, MAIN_BTNGet); }, 2, StatusLine, {kParamOk}, {kTimeout}, kClosed},
    // SEND awaits no answer: a sensor that gives none leaves it as it is.
    {"Send", [] { Click(pHandle, MAIN_BTNSend); }, 0, StatusLine, {}, {"Line Ok!"}, kClosed},
    {"Run", [] { Click(pHandle, MAIN_BTNRun, 4); }, 1, StatusLine, {"Line Ok!", kStopped},
     {kTimeoutLine, kNotSync}, kClosed},
    {"Video", [] { Click(pHandle, MAIN_BTNVideo, 8); }, 1, StatusLine, {"Line Ok!", kStopped},
     {kTimeoutLine, kNotSync}, kClosed},
    // A measurement first, then the four blocks.
    {"Data", Data, 1, StatusLine, {"Line Ok!", "Data[64] block received!"},
     {kTimeoutLine, kNotSync, "Timeout-RS-232 while reading 64 data-words!"}, kClosed},
    {"Teach", [] { Click(pPara2, PARA2_ButtonTeach); }, 2, StatusLine, {kParamOk},
     {kTimeoutLine}, kClosed},
    {"Reset", [] { Click(pHandle, MAIN_ButtonReset); }, 1, StatusLine,
     {"Reset of analog-output Max/Min OK!"}, {kTimeout}, kClosed},
    // A recording ends on a time-out of its request or when no valid frame
    // came for a time-out after the one-second spacing of its requests.
    {"Recorder", Record, 2, RecStatus, {"DATA-RECORDER COMPLETED SUCCESSFULLY"},
     {"DATA-RECORDER INTERRUPTED - TIMEOUT RS-232 LINE!", "DATA-RECORDER INTERRUPTED!",
      "DATA-RECORDER INTERRUPTED - NO VALID MEASUREMENT FRAMES!"}, kClosed},
    // Stopped after three frames, each of which may wait out its time-out.
    {"XFlash", XFlash, 3, StatusLine, {}, {"X-FLASH write NOT completed: *"}, nullptr},
};
// clang-format on

bool Said(const std::vector<std::string>& texts, const std::string& said) {
    for (const std::string& t : texts) {
        if (t == said) return true;
        if (t.back() == '*' && said.compare(0, t.size() - 1, t, 0, t.size() - 1) == 0) return true;
    }
    return false;
}

constexpr int kExchangeCount = sizeof kExchanges / sizeof kExchanges[0];
constexpr int kFaultCount = sizeof kFaults / sizeof kFaults[0];
using Cell = std::tuple<int, int>;  // exchange, fault

class Matrix : public SensorHarness, public ::testing::WithParamInterface<Cell> {};

// Catches a hang or overlong wait, a foreign or false-success text, lost records, a dead line.
TEST_P(Matrix, EndsInTimeSaysWhatHappenedLosesNothingAndTheLineRecovers) {
    const ExchangeRow& ex = kExchanges[std::get<0>(GetParam())];
    const FaultRow& fault = kFaults[std::get<1>(GetParam())];
    StartProgram("edge1024");
    std::snprintf(rec_fname, sizeof rec_fname, "%s", ScratchPath("matrix.dat").c_str());
    if (fault.apply) {
        SetFaults(fault.apply);
    } else {
        SimHangUp();
    }
    SimClearRequests();

    const double t0 = Timer();
    ex.act();
    const double took = Timer() - t0;
    const std::string said = ex.status();
    EXPECT_LT(took, ex.waits * TIMEOUT + 1.0);
    // Not given up early either: a silent sensor is waited for a whole time-out.
    EXPECT_GE(took, std::get<1>(GetParam()) == kSilent && ex.waits ? TIMEOUT : 0.0);
    if (fault.fails) {
        EXPECT_FALSE(Said(ex.success, said)) << "success reported: " << said;
        if (!fault.apply && ex.lineGone) {
            EXPECT_EQ(ex.lineGone, StatusLine());
        }
        if (fault.apply) {
            EXPECT_TRUE(Said(ex.failure, said)) << said;
        }
    } else {
        EXPECT_TRUE(Said(ex.success, said) || Said(ex.failure, said)) << said;
    }

    if (ex.status == RecStatus) {
        unsigned count = 0;
        GetCtrlVal(pPopup, POPUP_DISPcount, &count);
        const std::string file = Slurp(ScratchPath("matrix.dat"));
        EXPECT_EQ(static_cast<long>(7 + count), std::count(file.begin(), file.end(), '\n')) << file;
        EXPECT_TRUE(file.empty() || file.back() == '\n');
    }

    // The next exchange, the sensor behaving again (replugged and reselected if the line went).
    Pump(0.1);
    SimResetFaults();
    // Late answers still under way come in first, as a busy sensor's would.
    if (std::get<1>(GetParam()) == kLate) {
        int answers;
        do {
            answers = SimAnswerCount();
            Pump(2.1);
        } while (SimAnswerCount() != answers);
    }
    if (!fault.apply) {
        char path[256];
        SimStop();
        ASSERT_EQ(1, SimStart("edge1024", path, sizeof path));
        PortTableSetDevice(1, path);
        ASSERT_EQ(1, HostSetValueAsUser(pHandle, MAIN_DropDCom, 1));
    }
    Pump(0.1);
    HostClick(pHandle, MAIN_BTNGet);
    EXPECT_EQ(kParamOk, StatusLine());
}

INSTANTIATE_TEST_SUITE_P(Cells, Matrix,
                         ::testing::Combine(::testing::Range(0, kExchangeCount),
                                            ::testing::Range(0, kFaultCount)),
                         [](const ::testing::TestParamInfo<Cell>& info) {
                             return std::string(kExchanges[std::get<0>(info.param)].name) + "_" +
                                    kFaults[std::get<1>(info.param)].name;
                         });

}  // namespace
