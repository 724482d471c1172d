// The data recorder against the simulated sensor: its file, pacing, button
// states, end states, line and file faults, file popups and service code.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/integration/support_during.h"
#include "tests/integration/support_harness.h"

namespace {

const char kCompleted[] = "DATA-RECORDER COMPLETED SUCCESSFULLY";
const char kTimedOut[] = "DATA-RECORDER INTERRUPTED - TIMEOUT RS-232 LINE!";
const char kInterrupted[] = "DATA-RECORDER INTERRUPTED!";
const char kFileFailed[] = "DATA-RECORDER STOPPED - CANNOT WRITE DATA-FILE!";
const char kTimeoutLine[] = "Timeout RS232-Line!";
const std::vector<int> kNoneDimmed{0, 0, 0, 0};
enum { kHeaderLines = 7 };

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

// The recorder's end text and its colour.
std::pair<std::string, int> RecEnd(void) {
    return {CtrlText(pPopup, POPUP_TEXTrecstatus),
            HostBackgroundColor(pPopup, POPUP_TEXTrecstatus)};
}
using End = std::pair<std::string, int>;

std::vector<int> Dimmed(void) {
    return {HostIsDimmed(pHandle, MAIN_BTNRun), HostIsDimmed(pHandle, MAIN_BTNVideo),
            HostIsDimmed(pPara2, PARA2_ButtonTeach), HostIsDimmed(pPopup, POPUP_CBTNStartRecord)};
}

class Recorder : public SensorHarness {
protected:
    void SetUp() override {
        StartProgram("edge1024");
        std::snprintf(rec_fname, sizeof rec_fname, "%s", ScratchPath("RECORD.DAT").c_str());
        SimResetFaults();
        SimClearRequests();
    }
    void Setup(int samples, int inc) {
        SetCtrlVal(pPopup, POPUP_NUMsample, samples);
        SetCtrlVal(pPopup, POPUP_NUMinctime, inc);
    }
};

// Catches wrong lines or line ends, requests under 1 s apart, buttons not dimmed or restored.
TEST_F(Recorder, ThreeSamplesGiveTenCrLfLinesOneRequestPerSecond) {
    Setup(3, 1);
    std::vector<int> whileRecording;
    ClickDuring(pPopup, POPUP_CBTNStartRecord, [&](int) {
        whileRecording = Dimmed();
        return true;
    });
    EXPECT_EQ((std::vector<int>{1, 1, 1, 1}), whileRecording);
    EXPECT_EQ(kHeaderLines + 3, CrLfLines(Slurp(rec_fname)));
    EXPECT_EQ(std::vector<uint16_t>(4, CMD_MEASURE), RequestCommands());  // 1st not written
    const std::vector<SimRequest> req = Requests();
    for (size_t i = 1; i < req.size(); ++i) EXPECT_GE(req[i].time - req[i - 1].time, 0.98) << i;
    EXPECT_EQ(End(kCompleted, VAL_LT_GRAY), RecEnd());
    EXPECT_EQ(kNoneDimmed, Dimmed());
    EXPECT_EQ(1, HostIsDimmed(pPopup, POPUP_DISPcount));
    EXPECT_EQ(2, stop_flag);
}

// Catches the first frame lost with inc 0, and zero samples writing more than the header.
TEST_F(Recorder, ZeroSamplesWriteTheHeaderOnlyAndIncZeroWritesTheFirstFrame) {
    Setup(0, 0);
    ASSERT_EQ(1, HostClick(pPopup, POPUP_CBTNStartRecord));
    EXPECT_EQ(kHeaderLines, CrLfLines(Slurp(rec_fname)));
    EXPECT_EQ(kCompleted, RecEnd().first);
    HostQueueConfirmAnswer(1);
    Setup(1, 0);
    ASSERT_EQ(1, HostClick(pPopup, POPUP_CBTNStartRecord));
    EXPECT_EQ(kHeaderLines + 1, CrLfLines(Slurp(rec_fname)));
    EXPECT_EQ(2, SimRequestCount());
}

// Catches a recording going on, samples lost, a time-out waited out on a closed port, or a
// sensor answering without the sync word or with another reply type called a silent line.
TEST_F(Recorder, LineFaultsEndTheRecordingKeepingEverySampleWithTheirOwnText) {
    const char kNoFrames[] = "DATA-RECORDER INTERRUPTED - NO VALID MEASUREMENT FRAMES!";
    const struct {
        void (*fault)(SimFaults*);
        int samples;
        const char *rec, *status;
    } kCases[] = {
        {[](SimFaults* f) { f->answerLimit = 2; }, 2, kTimedOut, kTimeoutLine},
        {[](SimFaults* f) { f->wrongSync = 1; }, 0, kNoFrames, "read error - not sync byte 0xAA!"},
        {[](SimFaults* f) { f->foreignEcho = CMD_READ_RAM; }, 0, kNoFrames,
         "Sensor answers, but with no measurement-frames!"},
        {[](SimFaults* f) { f->hangUpAfter = 2; }, 2, kInterrupted,  // last: the port stays shut
         "Port is not open - choose the port again!"}};
    Setup(10, 0);
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.status);
        std::remove(rec_fname);
        SimResetFaults();
        SetFaults(c.fault);
        const double t0 = Timer();
        ASSERT_EQ(1, HostClick(pPopup, POPUP_CBTNStartRecord));
        EXPECT_LT(Timer() - t0, 2.5 + TIMEOUT);
        EXPECT_EQ(kHeaderLines + c.samples, CrLfLines(Slurp(rec_fname)));
        EXPECT_EQ(End(c.rec, VAL_RED), RecEnd());
        EXPECT_EQ(c.status, StatusLine());
        EXPECT_EQ(kNoneDimmed, Dimmed());
    }
}

// Catches the loop going on, a false time-out, a line cut short, or the port used after quit.
TEST_F(Recorder, StopOrQuitEndsTheRecordingWithEveryLineComplete) {
    const struct {
        void (*stop)(void);
        int portOpen;
    } kStops[] = {{[] { HostClick(pPopup, POPUP_CBTNStopRecord); }, 1},
                  {[] { HostClosePanel(pHandle); }, 0}};
    Setup(100, 0);
    for (const auto& c : kStops) {
        std::remove(rec_fname);
        int atStop = -1;
        ClickDuring(pPopup, POPUP_CBTNStartRecord, [&](int n) {
            if (n < 3) return false;
            c.stop();
            atStop = SimRequestCount();
            return true;
        });
        Pump(0.3);
        EXPECT_EQ(atStop, SimRequestCount()) << c.portOpen;
        EXPECT_EQ(End(kInterrupted, VAL_RED), RecEnd());
        const int lines = CrLfLines(Slurp(rec_fname)) - kHeaderLines;
        EXPECT_TRUE(lines == 2 || lines == 3) << lines;
        EXPECT_NE(kTimeoutLine, StatusLine());
        EXPECT_EQ(c.portOpen, GetInQLen(com) >= 0 ? 1 : 0);
        EXPECT_EQ(1, stop_flag) << c.portOpen;
        SimClearRequests();
    }
}

// Catches a recording into a missing folder or a vanished file running on or succeeding, a
// deleted file made anew without its header, and a header that failed leaving an empty file.
TEST_F(Recorder, UnwritableFileStopsTheRecordingInRed) {
    const std::string good = rec_fname;
    std::snprintf(rec_fname, sizeof rec_fname, "%s", ScratchPath("missing/RECORD.DAT").c_str());
    Setup(5, 0);
    ASSERT_EQ(1, HostClick(pPopup, POPUP_CBTNStartRecord));
    EXPECT_EQ(End(kFileFailed, VAL_RED), RecEnd());
    EXPECT_EQ(0, SimRequestCount());
    EXPECT_EQ(kNoneDimmed, Dimmed());

    std::snprintf(rec_fname, sizeof rec_fname, "%s", good.c_str());
    signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit tiny = {16, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &tiny);
    HostClick(pPopup, POPUP_CBTNStartRecord);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(End(kFileFailed, VAL_RED), RecEnd());
    EXPECT_EQ(0, GetFileInfo(rec_fname, nullptr));

    for (int folder = 0; folder <= 1; ++folder) {
        SimClearRequests();
        ClickDuring(pPopup, POPUP_CBTNStartRecord, [&](int n) {
            if (n < 2) return false;
            std::remove(rec_fname);
            if (folder) mkdir(rec_fname, 0755);
            return true;
        });
        EXPECT_EQ(End(kFileFailed, VAL_RED), RecEnd()) << folder;
        EXPECT_LE(SimRequestCount(), 3) << folder;
        EXPECT_EQ(1, stop_flag) << folder;
        EXPECT_EQ(0, GetFileInfo(rec_fname, nullptr)) << folder;
        rmdir(rec_fname);
    }
}

// Catches a file overwritten or deleted after a no, or the chosen file not shown.
TEST_F(Recorder, ExistingFileIsKeptUnlessTheUserAgrees) {
    std::ofstream(rec_fname) << "keep";
    HostQueueConfirmAnswer(0);
    ASSERT_EQ(1, HostClick(pPopup, POPUP_CBTNStartRecord));
    EXPECT_EQ("keep", Slurp(rec_fname));
    EXPECT_EQ(0, SimRequestCount());

    const std::string chosen = rec_fname;
    std::snprintf(rec_fname, sizeof rec_fname, "elsewhere.dat");
    HostQueueFileAnswer(chosen.c_str());
    HostQueueConfirmAnswer(0);
    HostClick(pPopup, POPUP_CMDBTNrecfile);
    EXPECT_EQ(chosen, rec_fname);
    EXPECT_EQ("keep", Slurp(rec_fname));
    EXPECT_EQ(chosen, CtrlText(pPopup, POPUP_TEXTrecfile));
    HostQueueFileAnswer(chosen.c_str());
    HostQueueConfirmAnswer(1);
    HostClick(pPopup, POPUP_CMDBTNrecfile);
    EXPECT_EQ(0, GetFileInfo(rec_fname, nullptr));
}

// Catches a wrong planned time, one changed by the service code, or X-FLASH hidden.
TEST_F(Recorder, ServiceCodeRevealsXFlashWithoutTouchingThePlannedTime) {
    const auto planned = [] {
        std::vector<double> shown;
        for (int c : {POPUP_DISPdays, POPUP_DISPhours, POPUP_DISPminutes, POPUP_DISPseconds})
            GetCtrlVal(pPopup, c, &shown.emplace_back());
        return shown;
    };
    HostSetValueAsUser(pPopup, POPUP_NUMsample, 10);
    HostSetValueAsUser(pPopup, POPUP_NUMinctime, 500);
    EXPECT_EQ((std::vector<double>{0, 1, 23, 20}), planned());
    HostSetValueAsUser(pPopup, POPUP_NUMinctime, kServiceCode);
    EXPECT_EQ(1, HostIsVisible(pCalib, CALIB_BTNWriteXFLASH));
    EXPECT_EQ(0, HostIsDimmed(pCalib, CALIB_NUMcalSlope));
    EXPECT_EQ((std::vector<double>{0, 1, 23, 20}), planned());
}

}  // namespace

// Catches a recording started inside RUN: RUN looked active with a frozen graph and
// ended silently behind it.
TEST_F(Recorder, StartIsRefusedWhileRunRuns) {
    Setup(2, 0);
    std::string status, box;
    ClickDuring(pHandle, MAIN_BTNRun, [&](int n) {
        if (n < 3) return false;
        HostClick(pPopup, POPUP_CBTNStartRecord);
        status = StatusLine();
        box = RecEnd().first;
        HostClick(pHandle, MAIN_BTNStop);
        return true;
    });
    EXPECT_EQ("RECORDER START refused - press STOP first (RUN, VIDEO or recording)!", status);
    EXPECT_EQ("DATA-RECORDER NOT STARTED - PRESS STOP FIRST!", box);
    EXPECT_TRUE(Slurp(rec_fname).empty());
    EXPECT_EQ(1, stop_flag);
}
