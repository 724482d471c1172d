// The data recorder against the simulated sensor: the file it writes, its
// pacing, the button states, its three end states, the faults of the line
// and of the file, the file popups and the service code.
//
// A recording runs inside the start button's callback, so whatever a test
// does while it runs happens from a timer inside its event processing
// (DuringRecording), as a user's click would.
#include <sys/stat.h>
#include <unistd.h>

#include <QTimer>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "tests/integration/support_harness.h"

namespace {

const char kCompleted[] = "DATA-RECORDER COMPLETED SUCCESSFULLY";
const char kTimedOut[] = "DATA-RECORDER INTERRUPTED - TIMEOUT RS-232 LINE!";
const char kInterrupted[] = "DATA-RECORDER INTERRUPTED!";
const char kFileFailed[] = "DATA-RECORDER STOPPED - CANNOT WRITE DATA-FILE!";
const char kTimeoutLine[] = "Timeout RS232-Line!";
enum { kHeaderLines = 7 };

std::string Slurp(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Lines of the file; -1 when one of them does not end with CR LF.
int CrLfLines(const std::string& text) {
    int lines = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n') continue;
        if (i == 0 || text[i - 1] != '\r') return -1;
        ++lines;
    }
    return !text.empty() && text.back() != '\n' ? -1 : lines;
}

std::string RecStatus(void) {
    char buf[128];
    HostCtrlText(pPopup, POPUP_TEXTrecstatus, buf, sizeof buf);
    return buf;
}

std::vector<int> Dimmed(void) {
    return {HostIsDimmed(pHandle, MAIN_BTNRun), HostIsDimmed(pHandle, MAIN_BTNVideo),
            HostIsDimmed(pPara2, PARA2_ButtonTeach), HostIsDimmed(pPopup, POPUP_CBTNStartRecord)};
}

// Calls step(n) from a timer inside the recording each time the simulator
// has received another request, until it returns true; clicks START and
// returns when the recording has ended.
void DuringRecording(const std::function<bool(int)>& step) {
    QTimer timer;
    int seen = 0;
    bool done = false;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const int n = SimRequestCount();
        if (done || n == seen || stop_flag != 0) return;
        seen = n;
        done = step(n);
    });
    timer.start(1);
    ASSERT_EQ(1, HostClick(pPopup, POPUP_CBTNStartRecord));
    timer.stop();
}

void Record(void) {
    ASSERT_EQ(1, HostClick(pPopup, POPUP_CBTNStartRecord));
}

class Recorder : public SensorTest {
protected:
    void SetUp() override {
        StartProgram("edge1024");
        std::snprintf(dir_, sizeof dir_, "/tmp/kovexa_rec_%d", static_cast<int>(getpid()));
        mkdir(dir_, 0755);
        std::snprintf(rec_fname, sizeof rec_fname, "%s/RECORD.DAT", dir_);
        std::remove(rec_fname);
        SimResetFaults();
        SimClearRequests();
    }
    void TearDown() override {
        std::remove(rec_fname);
        rmdir(rec_fname);
        rmdir(dir_);
        SensorTest::TearDown();
    }
    void Setup(int samples, int inc) {
        SetCtrlVal(pPopup, POPUP_NUMsample, samples);
        SetCtrlVal(pPopup, POPUP_NUMinctime, inc);
    }
    char dir_[64];
};

// Catches a wrong line count or line end, requests closer than one second,
// a first frame written although less than inc seconds passed, the buttons
// not dimmed meanwhile or not restored, and the completion state.
TEST_F(Recorder, ThreeSamplesGiveTenCrLfLinesOneRequestPerSecond) {
    Setup(3, 1);
    std::vector<int> whileRecording;
    DuringRecording([&](int) {
        whileRecording = Dimmed();
        return true;
    });
    EXPECT_EQ((std::vector<int>{1, 1, 1, 1}), whileRecording);
    EXPECT_EQ(kHeaderLines + 3, CrLfLines(Slurp(rec_fname)));
    const std::vector<SimRequest> req = Requests();
    ASSERT_EQ(4u, req.size());  // the first frame is not written with inc 1
    for (size_t i = 0; i < req.size(); ++i) EXPECT_EQ(CMD_MEASURE, RequestWord(req[i], 2));
    for (size_t i = 1; i < req.size(); ++i) EXPECT_GE(req[i].time - req[i - 1].time, 0.98) << i;
    EXPECT_EQ(kCompleted, RecStatus());
    EXPECT_EQ(VAL_LT_GRAY, HostBackgroundColor(pPopup, POPUP_TEXTrecstatus));
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), Dimmed());
    EXPECT_EQ(1, HostIsDimmed(pPopup, POPUP_DISPcount));
    EXPECT_EQ(2, stop_flag);
}

// Catches a sample missing with inc 0 (the first frame counts), and a
// recording of no samples that sends requests or writes more than the
// header.
TEST_F(Recorder, ZeroSamplesWriteTheHeaderOnlyAndIncZeroWritesTheFirstFrame) {
    Setup(0, 0);
    Record();
    EXPECT_EQ(kHeaderLines, CrLfLines(Slurp(rec_fname)));
    EXPECT_EQ(kCompleted, RecStatus());
    HostQueueConfirmAnswer(1);
    Setup(1, 0);
    Record();
    EXPECT_EQ(kHeaderLines + 1, CrLfLines(Slurp(rec_fname)));
    EXPECT_EQ(2, SimRequestCount());
}

// A sensor silent from the start, then one going quiet after two answers
// (the overwrite check answered yes in between). Catches a time-out not
// ending the recording, samples lost, a wrong text or colour.
TEST_F(Recorder, TimeoutEndsTheRecordingKeepingEverySample) {
    SetFaults([](SimFaults* f) { f->silent = 1; });
    Setup(10, 0);
    Record();
    EXPECT_EQ(kHeaderLines, CrLfLines(Slurp(rec_fname)));
    EXPECT_EQ(kTimedOut, RecStatus());
    EXPECT_EQ(VAL_RED, HostBackgroundColor(pPopup, POPUP_TEXTrecstatus));
    EXPECT_EQ(kTimeoutLine, StatusLine());
    EXPECT_EQ(3, stop_flag);

    SimResetFaults();
    SetFaults([](SimFaults* f) { f->answerLimit = 2; });
    HostQueueConfirmAnswer(1);
    Record();
    EXPECT_EQ(kHeaderLines + 2, CrLfLines(Slurp(rec_fname)));
    EXPECT_EQ(kTimedOut, RecStatus());
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), Dimmed());
}

// Catches a crash, a hang, a success text, or a time-out waited out on a
// port already known to be closed when the line goes away.
TEST_F(Recorder, LineGoingAwayEndsAtOnceSayingThePortIsClosed) {
    SetFaults([](SimFaults* f) { f->hangUpAfter = 2; });
    Setup(10, 0);
    const double t0 = Timer();
    Record();
    EXPECT_LT(Timer() - t0, 2.5 + TIMEOUT);
    EXPECT_EQ(kInterrupted, RecStatus());
    EXPECT_EQ("Port is not open - choose the port again!", StatusLine());
    EXPECT_EQ(kHeaderLines + 2, CrLfLines(Slurp(rec_fname)));
}

struct StopCase {
    const char* name;
    void (*stop)(void);
    int portOpen;
    friend void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }
};

class RecorderStopped : public Recorder, public ::testing::WithParamInterface<StopCase> {};

// The recorder's stop button and quitting (which closes the port).
// Catches the loop going on, a time-out reported after the stop, a last
// line cut short, or the port touched after a quit.
TEST_P(RecorderStopped, StopEndsTheRecordingWithEveryLineComplete) {
    Setup(100, 0);
    int atStop = -1;
    DuringRecording([&](int n) {
        if (n < 3) return false;
        GetParam().stop();
        atStop = SimRequestCount();
        return true;
    });
    Pump(0.3);
    EXPECT_EQ(atStop, SimRequestCount());
    EXPECT_EQ(kInterrupted, RecStatus());
    EXPECT_EQ(VAL_RED, HostBackgroundColor(pPopup, POPUP_TEXTrecstatus));
    const int lines = CrLfLines(Slurp(rec_fname));
    EXPECT_GE(lines, kHeaderLines + 2);
    EXPECT_LE(lines, kHeaderLines + 3);
    EXPECT_NE(kTimeoutLine, StatusLine());
    EXPECT_EQ(GetParam().portOpen, GetInQLen(com) >= 0 ? 1 : 0);
    EXPECT_EQ(1, stop_flag);
}

INSTANTIATE_TEST_SUITE_P(
    Stops, RecorderStopped,
    ::testing::Values(StopCase{"StopButton", [] { HostClick(pPopup, POPUP_CBTNStopRecord); }, 1},
                      StopCase{"Quit", [] { HostClosePanel(pHandle); }, 0}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

// A missing folder, then a file that turns into a folder mid-recording.
// Catches a recording that runs on into nothing, a success text for it,
// or a request sent when not even the header could be written.
TEST_F(Recorder, UnwritableFileStopsTheRecordingInRed) {
    const std::string good = rec_fname;
    std::snprintf(rec_fname, sizeof rec_fname, "%s/missing/RECORD.DAT", dir_);
    Setup(5, 0);
    Record();
    EXPECT_EQ(kFileFailed, RecStatus());
    EXPECT_EQ(VAL_RED, HostBackgroundColor(pPopup, POPUP_TEXTrecstatus));
    EXPECT_EQ(0, SimRequestCount());
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), Dimmed());

    std::snprintf(rec_fname, sizeof rec_fname, "%s", good.c_str());
    DuringRecording([&](int n) {
        if (n < 2) return false;
        std::remove(rec_fname);
        mkdir(rec_fname, 0755);
        return true;
    });
    EXPECT_EQ(kFileFailed, RecStatus());
    EXPECT_LE(SimRequestCount(), 3);
    EXPECT_EQ(1, stop_flag);
}

// Catches a recording started over an existing file when the user said no,
// and the file button deleting a file the user kept or not naming it.
TEST_F(Recorder, ExistingFileIsKeptUnlessTheUserAgrees) {
    std::ofstream(rec_fname) << "keep";
    HostQueueConfirmAnswer(0);
    Record();
    EXPECT_EQ("keep", Slurp(rec_fname));
    EXPECT_EQ(0, SimRequestCount());

    const std::string chosen = rec_fname;
    std::snprintf(rec_fname, sizeof rec_fname, "elsewhere.dat");
    HostQueueFileAnswer(chosen.c_str());
    HostQueueConfirmAnswer(0);
    HostClick(pPopup, POPUP_CMDBTNrecfile);
    EXPECT_EQ(chosen, rec_fname);
    EXPECT_EQ("keep", Slurp(rec_fname));
    char box[kPathSize];
    HostCtrlText(pPopup, POPUP_TEXTrecfile, box, sizeof box);
    EXPECT_EQ(chosen, box);
    HostQueueFileAnswer(chosen.c_str());
    HostQueueConfirmAnswer(1);
    HostClick(pPopup, POPUP_CMDBTNrecfile);
    EXPECT_EQ(0, GetFileInfo(rec_fname, nullptr));
}

// Catches the planned time not following the inputs, the service code
// changing it, or the code not revealing the X-FLASH write and slope field.
TEST_F(Recorder, ServiceCodeRevealsXFlashWithoutTouchingThePlannedTime) {
    HostSetValueAsUser(pPopup, POPUP_NUMsample, 10);
    HostSetValueAsUser(pPopup, POPUP_NUMinctime, 500);
    double seconds = 0, minutes = 0, hours = 0, days = 0;
    GetCtrlVal(pPopup, POPUP_DISPdays, &days);
    GetCtrlVal(pPopup, POPUP_DISPhours, &hours);
    GetCtrlVal(pPopup, POPUP_DISPminutes, &minutes);
    GetCtrlVal(pPopup, POPUP_DISPseconds, &seconds);
    EXPECT_EQ((std::vector<double>{0, 1, 23, 20}),
              (std::vector<double>{days, hours, minutes, seconds}));
    EXPECT_EQ(0, HostIsVisible(pCalib, CALIB_BTNWriteXFLASH));
    EXPECT_EQ(1, HostIsDimmed(pCalib, CALIB_NUMcalSlope));
    HostSetValueAsUser(pPopup, POPUP_NUMinctime, kServiceCode);
    EXPECT_EQ(1, HostIsVisible(pCalib, CALIB_BTNWriteXFLASH));
    EXPECT_EQ(0, HostIsDimmed(pCalib, CALIB_BTNWriteXFLASH));
    EXPECT_EQ(0, HostIsDimmed(pCalib, CALIB_NUMcalSlope));
    GetCtrlVal(pPopup, POPUP_DISPminutes, &minutes);
    EXPECT_EQ(23, minutes);
}

}  // namespace
