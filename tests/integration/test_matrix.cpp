// Every exchange with the sensor against every way the simulated sensor can
// misbehave: each cell must end within its time-outs, say what happened in
// one of the exchange's own texts, lose nothing already recorded, and
// leave the line usable for the next exchange once the sensor behaves.
#include <unistd.h>

#include <QTimer>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/integration/support_harness.h"

namespace {

// ------------------------------------------------------------- faults --

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

// ---------------------------------------------------------- exchanges --

std::string RecFile(void) {
    return "/tmp/kovexa_matrix_" + std::to_string(getpid()) + ".dat";
}

std::string LinFile(void) {
    return "/tmp/kovexa_matrix_" + std::to_string(getpid()) + ".lin";
}

std::string RecStatus(void) {
    char buf[128];
    HostCtrlText(pPopup, POPUP_TEXTrecstatus, buf, sizeof buf);
    return buf;
}

// Clicks the button; loops are stopped as a user would once the simulator
// has taken in stopAt requests since the click.
void ClickStopping(int panel, int button, int stopAt, int stopPanel, int stopButton) {
    const int base = SimRequestCount();
    bool stopped = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (stopped || SimRequestCount() - base < stopAt) return;
        stopped = true;
        HostClick(stopPanel, stopButton);
    });
    if (stopAt > 0) timer.start(1);
    EXPECT_EQ(1, HostClick(panel, button)) << "click refused";
    timer.stop();
}

void Probe(void) {
    InitRS232(com);
    InitGUI();
}
void Get(void) {
    ClickStopping(pHandle, MAIN_BTNGet, 0, 0, 0);
}
void Send(void) {
    ClickStopping(pHandle, MAIN_BTNSend, 0, 0, 0);
}
void Run(void) {
    ClickStopping(pHandle, MAIN_BTNRun, 4, pHandle, MAIN_BTNStop);
}
void Video(void) {
    ClickStopping(pHandle, MAIN_BTNVideo, 8, pHandle, MAIN_BTNStop);
}
void Data(void) {
    // Shown for the internal trigger only; the block read is the same.
    SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_VISIBLE, 1);
    SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_DIMMED, 0);
    ClickStopping(pHandle, MAIN_BTNData, 0, 0, 0);
}
void Teach(void) {
    ClickStopping(pPara2, PARA2_ButtonTeach, 0, 0, 0);
}
void Reset(void) {
    ClickStopping(pHandle, MAIN_ButtonReset, 0, 0, 0);
}
void Record(void) {
    DisplayPanel(pPopup);
    SetCtrlVal(pPopup, POPUP_NUMsample, 3);
    SetCtrlVal(pPopup, POPUP_NUMinctime, 0);
    ClickStopping(pPopup, POPUP_CBTNStartRecord, 0, 0, 0);
}
// Stopped after the clear frame and two write frames: a sensor that never
// confirms would otherwise cost a time-out for each of 257 frames.
void XFlash(void) {
    {
        std::ofstream out(LinFile(), std::ios::binary);
        for (int i = 0; i < kLinWords; ++i) out << "0\r\n";
    }
    HostSetValueAsUser(pPopup, POPUP_NUMinctime, kServiceCode);
    HostQueueFileAnswer(LinFile().c_str());
    ClickStopping(pCalib, CALIB_BTNWriteXFLASH, 3, pHandle, MAIN_BTNStop);
}

const char kTimeout[] = "Timeout-RS-232...";
const char kTimeoutLine[] = "Timeout RS232-Line!";
const char kNotSync[] = "read error - not sync byte 0xAA!";
const char kClosed[] = "Port is not open - choose the port again!";

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
    {"Probe", Probe, 1, StatusLine,
     {"Parameter-frame received! - Line Ok!", "K-VEX-RZ firmware*"},
     {kTimeout, kNotSync}, "Cannot open port"},
    {"Get", Get, 2, StatusLine, {"Parameter-frame received! - Line Ok!"}, {kTimeout}, kClosed},
    // SEND awaits no answer: a sensor that gives none leaves it as it is.
    {"Send", Send, 0, StatusLine, {}, {"Line Ok!"}, kClosed},
    {"Run", Run, 1, StatusLine, {"Line Ok!"}, {kTimeoutLine, kNotSync}, kClosed},
    {"Video", Video, 1, StatusLine, {"Line Ok!"}, {kTimeoutLine, kNotSync}, kClosed},
    // A measurement first, then the four blocks.
    {"Data", Data, 1, StatusLine, {"Line Ok!", "Data[64] block received!"},
     {kTimeoutLine, kNotSync, "Timeout-RS-232 while reading 64 data-words!"}, kClosed},
    {"Teach", Teach, 2, StatusLine, {"Parameter-frame received! - Line Ok!"}, {kTimeoutLine},
     kClosed},
    {"Reset", Reset, 1, StatusLine, {"Reset of analog-output Max/Min OK!"}, {kTimeout}, kClosed},
    // A recording ends on a time-out of its request or when no frame came
    // for a time-out after the one-second spacing of its requests.
    {"Recorder", Record, 2, RecStatus, {"DATA-RECORDER COMPLETED SUCCESSFULLY"},
     {"DATA-RECORDER INTERRUPTED - TIMEOUT RS-232 LINE!", "DATA-RECORDER INTERRUPTED!"}, kClosed},
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

struct Cell {
    int exchange, fault;
};

std::vector<Cell> AllCells(void) {
    std::vector<Cell> cells;
    for (int e = 0; e < static_cast<int>(sizeof kExchanges / sizeof kExchanges[0]); ++e)
        for (int f = 0; f < static_cast<int>(sizeof kFaults / sizeof kFaults[0]); ++f)
            cells.push_back({e, f});
    return cells;
}

std::string CellName(const ::testing::TestParamInfo<Cell>& info) {
    return std::string(kExchanges[info.param.exchange].name) + "_" + kFaults[info.param.fault].name;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Matrix : public SensorTest, public ::testing::WithParamInterface<Cell> {
protected:
    void TearDown() override {
        std::remove(RecFile().c_str());
        std::remove(LinFile().c_str());
        SensorTest::TearDown();
    }
};

// Catches a hang or a wait beyond the exchange's time-outs, a text that is
// not one of the exchange's own (or success reported for a reply that never
// came), recorded lines lost or cut, and a line left unusable afterwards.
TEST_P(Matrix, EndsInTimeSaysWhatHappenedLosesNothingAndTheLineRecovers) {
    const ExchangeRow& ex = kExchanges[GetParam().exchange];
    const FaultRow& fault = kFaults[GetParam().fault];
    StartProgram("edge1024");
    std::snprintf(rec_fname, sizeof rec_fname, "%s", RecFile().c_str());
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
    if (fault.fails) {
        EXPECT_FALSE(Said(ex.success, said)) << "success reported: " << said;
        if (!fault.apply && ex.lineGone) EXPECT_EQ(ex.lineGone, StatusLine());
        if (fault.apply) EXPECT_TRUE(Said(ex.failure, said)) << said;
    } else {
        EXPECT_TRUE(Said(ex.success, said) || Said(ex.failure, said)) << said;
    }

    if (ex.act == Record) {
        unsigned count = 0;
        GetCtrlVal(pPopup, POPUP_DISPcount, &count);
        const std::string file = Slurp(RecFile());
        int lines = 0;
        for (size_t i = 0; i < file.size(); ++i)
            if (file[i] == '\n') ++lines;
        EXPECT_EQ(7 + static_cast<int>(count), lines) << file;
        EXPECT_TRUE(file.empty() || file.back() == '\n');
    }

    // The next exchange, with the sensor behaving again (plugged in again
    // and the port chosen anew when the line went away).
    Pump(0.1);
    SimResetFaults();
    // Late answers still under way come in first, as a busy sensor's would.
    if (GetParam().fault == kLate) {
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
    EXPECT_EQ("Parameter-frame received! - Line Ok!", StatusLine());
}

INSTANTIATE_TEST_SUITE_P(Cells, Matrix, ::testing::ValuesIn(AllCells()), CellName);

}  // namespace
