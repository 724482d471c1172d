// The data recorder: its window, the recorder file's name, header and
// sample lines, and the recording loop of the start button.
//
// The loop fetches measurement frames (CMD_MEASURE) at most once a second:
// a request goes out only when the previous reply has arrived and 1.0 s
// has passed since the previous write. A sample is written from the first
// frame requested inc or more seconds after the previous sample's request
// (the first frame counts only with inc 0), until
// n samples are written (stop_flag 2), the stop button, STOP, quitting or
// a port change set stop_flag 1, or no valid measurement frame comes in
// time (stop_flag 3): a time-out when the sensor fell silent, otherwise
// said as answers that are no measurement frames. RUN, VIDEO, TEACH and
// the start button are dimmed meanwhile; START is refused while RUN or
// VIDEO runs or a reply is awaited.
//
// Every line goes to the disk whole as it is written, so an unplugged
// cable, a crash or a power loss costs at most that line, and a full disk
// leaves no half line. A file that cannot be written, or that was deleted
// meanwhile (its header and earlier lines are lost), ends the recording
// with a red status box saying so.
#include <cstdio>

#include "KovexaV308/kovexa.h"
#include "core/plotmath.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

const char kHelpRecorder[] =
    "RECORDER-BUTTON:\nOpen a new Popup-Window for\nthe K-VEX data recorder.";
const char kRecFileFilter[] = "*.dat";
const char kRecFileTitle[] = "K-VEX-Series Recorder-File:";
const char kTitleChosenExists[] = "ATTENTION!";
const char kAskChosenExists[] = "Output-File already exist! - Overwrite ?";
const char kTitleStartExists[] = "ATTENTION !";
const char kAskStartExists[] = "File already exist - overwrite ?";
const char kTxtAppend[] = "APPEND TO DATA-FILE...";
const char kTxtBusy[] = "DATA-RECORDER: RS-232-BUSY ...";
const char kTxtCompleted[] = "DATA-RECORDER COMPLETED SUCCESSFULLY";
const char kTxtTimedOut[] = "DATA-RECORDER INTERRUPTED - TIMEOUT RS-232 LINE!";
const char kTxtInterrupted[] = "DATA-RECORDER INTERRUPTED!";
const char kTxtFileFailed[] = "DATA-RECORDER STOPPED - CANNOT WRITE DATA-FILE!";
const char kRecorderAction[] = "RECORDER START";
const char kTxtNotStarted[] = "DATA-RECORDER NOT STARTED - PRESS STOP FIRST!";
const char kTxtNoFrames[] = "DATA-RECORDER INTERRUPTED - NO VALID MEASUREMENT FRAMES!";
const char kTxtForeignFrames[] = "Sensor answers, but with no measurement-frames!";

enum {
    kHelpOffset = 10,
    kMaxPlannedSamples = 30000,  // planned time shown below these
    kMaxPlannedIncrement = 3600,
};
// The recorder judges every sensor by the V303 layout's set point and
// tolerances (the frame's tol in hardware modes 1 and 3).
const PlotVariant& kRecorderJudgesBy = kPlotV303;
enum { kStopped = 1, kCompleted = 2, kTimedOut = 3 };
const double kRequestSpacing = 1.0;  // seconds between two requests at least

const int kDimmedWhileRecording[][2] = {
    {RES_MAIN, MAIN_BTNRun},
    {RES_MAIN, MAIN_BTNVideo},
    {RES_PARA2, PARA2_ButtonTeach},
    {RES_POPUP, POPUP_CBTNStartRecord},
};
const int kRecordingDisplays[] = {
    POPUP_DISPrecdate, POPUP_DISPrectime, POPUP_DISPcount,   POPUP_DISPdays,
    POPUP_DISPhours,   POPUP_DISPminutes, POPUP_DISPseconds,
};

struct EndState {
    int background;
    int textColour;
    int bold;
    const char* text;
};
// By end reason; a file that could not be written ends as stopped.
const EndState kEndCompleted = {VAL_LT_GRAY, VAL_BLACK, 0, kTxtCompleted};
const EndState kEndTimedOut = {VAL_RED, VAL_WHITE, 1, kTxtTimedOut};
const EndState kEndStopped = {VAL_RED, VAL_WHITE, 1, kTxtInterrupted};
const EndState kEndFileFailed = {VAL_RED, VAL_WHITE, 1, kTxtFileFailed};
const EndState kEndNoFrames = {VAL_RED, VAL_WHITE, 1, kTxtNoFrames};
const EndState kRecording = {VAL_DK_GREEN, VAL_WHITE, 1, ""};

// The start button is dimmed while recording; this also keeps a scripted
// click from starting a second recording inside the first.
int recActive;

int PanelOf(int resourceId) {
    return resourceId == RES_MAIN ? pHandle : resourceId == RES_PARA2 ? pPara2 : pPopup;
}

void DimCompetitors(int dimmed) {
    for (const auto& c : kDimmedWhileRecording)
        SetCtrlAttribute(PanelOf(c[0]), c[1], ATTR_DIMMED, dimmed);
}

void DimDisplays(int dimmed) {
    for (int c : kRecordingDisplays) SetCtrlAttribute(pPopup, c, ATTR_DIMMED, dimmed);
}

void ShowRecState(const EndState& s) {
    SetCtrlAttribute(pPopup, POPUP_TEXTrecstatus, ATTR_TEXT_BGCOLOR, s.background);
    SetCtrlAttribute(pPopup, POPUP_TEXTrecstatus, ATTR_TEXT_COLOR, s.textColour);
    SetCtrlAttribute(pPopup, POPUP_TEXTrecstatus, ATTR_TEXT_BOLD, s.bold);
    if (s.text[0]) SetCtrlVal(pPopup, POPUP_TEXTrecstatus, s.text);
}

void RecStatus(const char* text) {
    SetCtrlVal(pPopup, POPUP_TEXTrecstatus, text);
}

void ShowPlannedTime(void) {
    unsigned short n = 0, inc = 0;
    GetCtrlVal(pPopup, POPUP_NUMsample, &n);
    GetCtrlVal(pPopup, POPUP_NUMinctime, &inc);
    CalcRecTime(static_cast<uint32_t>(n) * inc);
}

// Latest frame in the window, M-value and millimetres coloured by the
// tolerance window of the V303 layout (16-bit arithmetic, as the sensor).
void ShowLatestFrame(void) {
    SetCtrlVal(pPopup, POPUP_DISPrecLedge, static_cast<int>(Ledge));
    SetCtrlVal(pPopup, POPUP_DISPrecRedge, static_cast<int>(Redge));
    const ToleranceWindow w = ToleranceWindowOf(kRecorderJudgesBy);
    const uint16_t upper = static_cast<uint16_t>(w.sp + w.tolUp);
    const uint16_t lower = static_cast<uint16_t>(w.sp - w.tolLo);
    const int colour = (Mvalue > upper || Mvalue < lower) ? VAL_RED : VAL_DK_GREEN;
    SetCtrlAttribute(pPopup, POPUP_DISPrecMvalue, ATTR_TEXT_BGCOLOR, colour);
    SetCtrlAttribute(pPopup, POPUP_DISPrecmm, ATTR_TEXT_BGCOLOR, colour);
    SetCtrlVal(pPopup, POPUP_DISPrecMvalue, static_cast<int>(Mvalue));
    SetCtrlVal(pPopup, POPUP_DISPrecmm, umValue / 1000.0);
}

// Appends one sample line; 1, or 0 when the file could not be written.
int AppendSample(void) {
    char line[kRecLineSize];
    const int length = FormatRecSample(line, sizeof line);
    return length > 0 && AppendToFile(rec_fname, line, length) == 0;
}

// The loop proper, from the first request on. Returns the end state.
const EndState& Record(void) {
    unsigned short n = 0, inc = 0;
    GetCtrlVal(pPopup, POPUP_NUMinctime, &inc);
    GetCtrlVal(pPopup, POPUP_NUMsample, &n);
    // Cleared before the first request goes out: a quick reply must not be
    // wiped out after it arrived, or no further request would follow.
    stop_flag = 0;
    graph_flag = 0;
    rx_flag = 0;
    uint32_t count = 0;
    int fileFailed = 0, noFrames = 0;
    // Not the last recording's end text on a green box.
    RecStatus(kTxtBusy);
    SendCommand(CMD_MEASURE, 0);  // payload as the previous exchange left it
    ProcessSystemEvents();
    const double start = Timer();
    // lastFrame: the last measurement frame in sync. Replies that are no
    // such frame still clear the way for the next request, so the time-out
    // of a single request alone would never end a recording of garbage.
    double lastRequest = start, lastWrite = start, lastSample = start, lastFrame = start;
    // Any reply, valid or not: only a sensor that fell silent ends in a
    // time-out; one that answers with something else is told as such.
    double lastReply = start;
    int replyNoted = 0, lastReplyInSync = 1;
    uint32_t shownSeconds = 0xFFFFFFFFu;

    // Once stop_flag is 1 the port may be closed or another one open (a
    // quit or a port change ran inside ProcessSystemEvents): from then on
    // nothing here touches the port.
    for (;;) {
        const double sinceWrite = Timer() - lastWrite;
        if (rx_flag == 1 && !replyNoted) {
            replyNoted = 1;
            lastReply = Timer();
            lastReplyInSync = ReplyInSync();
        }
        // A frame without the reply sync word is not what was asked for:
        // neither shown nor recorded.
        if (graph_flag == 1 && ReplyInSync()) {
            lastFrame = Timer();
            CopyPPtoRAWVars();
            PlotVIDEOBarGraphOfVariant();
            ShowLatestFrame();
            // Timed by the request that fetched the frame: requests are at
            // least a second apart, answer and drawing times are not, and
            // their jitter must not skip a sample. Never more than n, also
            // when the first frame is in before the first pass (n = 0).
            if (count < n && lastRequest - lastSample >= inc) {
                ++count;
                if (!AppendSample()) {
                    fileFailed = 1;
                    stop_flag = kStopped;
                    break;
                }
                SetCtrlVal(pPopup, POPUP_DISPcount, static_cast<unsigned>(count));
                RecStatus(kTxtAppend);
                lastSample = lastRequest;
            }
        }
        if (graph_flag == 1) {
            graph_flag = 0;
            if (stop_flag == 0) FlushPortQueues();
        }
        if (rx_flag == 1 && sinceWrite >= kRequestSpacing && stop_flag == 0) {
            RecStatus(kTxtBusy);
            CopyVarsToPP(0);
            lastRequest = Timer();
            SendCommand(CMD_MEASURE, 0);  // flushes both queues, clears rx_flag
            replyNoted = 0;
            ProcessSystemEvents();
            lastWrite = Timer();
            if (stop_flag != 0) break;
        }
        // Nothing can arrive on a closed port: end now and say why.
        if (stop_flag == 0 && !PortUsable()) {
            ShowStatus();
            stop_flag = kStopped;
            break;
        }
        if (Timer() - lastRequest > TIMEOUT || Timer() - lastFrame > TIMEOUT + kRequestSpacing) {
            noFrames = Timer() - lastReply <= TIMEOUT;
            SetStatus(!noFrames         ? kTxtTimeoutLine
                      : lastReplyInSync ? kTxtForeignFrames
                                        : kTxtNotSync);
            stop_flag = kTimedOut;
            break;
        }
        const uint32_t elapsed = static_cast<uint32_t>(Timer() - start);
        if (elapsed != shownSeconds) {
            CalcRecTime(elapsed);
            shownSeconds = elapsed;
        }
        if (count >= n) stop_flag = kCompleted;
        ProcessSystemEvents();
        if (stop_flag != 0) break;
    }

    rx_flag = 0;
    graph_flag = 0;
    if (stop_flag != kStopped || fileFailed) FlushPortQueues();
    if (fileFailed) return kEndFileFailed;
    if (stop_flag == kCompleted) return kEndCompleted;
    if (stop_flag == kTimedOut) return noFrames ? kEndNoFrames : kEndTimedOut;
    return kEndStopped;
}

}  // namespace

void CalcRecTime(uint32_t seconds) {
    int days = 0, hours = 0, minutes = 0, secs = 0;
    SplitRecTime(seconds, &days, &hours, &minutes, &secs);
    SetCtrlVal(pPopup, POPUP_DISPdays, days);
    SetCtrlVal(pPopup, POPUP_DISPhours, hours);
    SetCtrlVal(pPopup, POPUP_DISPminutes, minutes);
    SetCtrlVal(pPopup, POPUP_DISPseconds, secs);
}

int writeFileHeader(void) {
    unsigned short n = 0, inc = 0;
    GetCtrlVal(pPopup, POPUP_NUMinctime, &inc);
    GetCtrlVal(pPopup, POPUP_NUMsample, &n);
    char header[kRecHeaderSize];
    const int length = FormatRecHeader(header, sizeof header, DateStr(), TimeStr(), inc, n);
    // A new file, or none at all: one left over from a failed delete would
    // get a second header, and a header that failed leaves no empty file.
    return length > 0 && WriteNewFile(rec_fname, header, length) == 0;
}

void PushRECORD(void) {
    if (recActive) return;
    // RUN or VIDEO would go on looking active while the recording took
    // their replies; the technician stops them first, as for COMPARE.
    if (!SensorLinkFreeFor(kRecorderAction)) {
        RecStatus(kTxtNotStarted);
        return;
    }
    if (GetFileInfo(rec_fname, nullptr)) {
        if (!ConfirmPopup(kTitleStartExists, kAskStartExists)) return;
        CVI_DeleteFile(rec_fname);  // one that stays is caught by the header write
    }
    recActive = 1;
    SetTitleLoop("RECORD");
    DimCompetitors(1);
    ShowRecState(kRecording);
    DimDisplays(0);
    SetCtrlVal(pPopup, POPUP_DISPrecdate, DateStr());
    SetCtrlVal(pPopup, POPUP_DISPrectime, TimeStr());
    const EndState& end = writeFileHeader() ? Record() : kEndFileFailed;
    DimCompetitors(0);
    ShowRecState(end);
    DimDisplays(1);
    recActive = 0;
    SetTitleLoop(nullptr);
}

// The recorder window opens over the graph area of the main window, where
// it hides nothing the user works with while recording.
static void PlaceRecorder(void) {
    int mainLeft = 0, mainTop = 0, top = 0, left = 0, height = 0, width = 0;
    GetPanelAttribute(pHandle, ATTR_LEFT, &mainLeft);
    GetPanelAttribute(pHandle, ATTR_TOP, &mainTop);
    GetCtrlBoundingRect(pHandle, MAIN_GRAPHRaw, &top, &left, &height, &width);
    SetPanelAttribute(pPopup, ATTR_LEFT, mainLeft + left);
    SetPanelAttribute(pPopup, ATTR_TOP, mainTop + top);
}

int CC_TOGGBTN_Recorder(int panel, int control, int event, void*, int, int) {
    if (event == EVENT_COMMIT) {
        int on = 0, shown = 0;
        GetCtrlVal(panel, control, &on);
        GetPanelAttribute(pPopup, ATTR_VISIBLE, &shown);
        if (on && !shown) PlaceRecorder();
        if (on)
            DisplayPanel(pPopup);
        else
            HidePanel(pPopup);
    }
    if (event == EVENT_RIGHT_CLICK)
        ToggleHelpBeside(MAIN_HelpText1, control, kHelpOffset, kHelpRecorder);
    return 0;
}

int CC_NUMsample(int, int, int event, void*, int, int) {
    if (event != EVENT_VAL_CHANGED) return 0;
    unsigned short n = 0;
    GetCtrlVal(pPopup, POPUP_NUMsample, &n);
    if (n < kMaxPlannedSamples) ShowPlannedTime();
    return 0;
}

int CC_NUMinctime(int, int, int event, void*, int, int) {
    if (event != EVENT_VAL_CHANGED) return 0;
    unsigned short inc = 0;
    GetCtrlVal(pPopup, POPUP_NUMinctime, &inc);
    if (inc < kMaxPlannedIncrement) ShowPlannedTime();
    if (inc == kServiceCode) ShowXFlashService(1);
    return 0;
}

int CC_CBTNStartRecord(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) PushRECORD();
    return 0;
}

int CC_CBTNStopRecord(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    stop_flag = kStopped;
    DimCompetitors(0);
    return 0;
}

int CC_CMDBTNrecfile(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    char path[kPathSize];
    // The question about an existing file is asked below, once.
    const int chosen =
        FileSelectPopup(proj_dir, kRecFileDefault, kRecFileFilter, kRecFileTitle, VAL_SELECT_BUTTON,
                        0, 1, 1, 1, path, static_cast<int>(sizeof path));
    if (chosen != VAL_EXISTING_FILE_SELECTED && chosen != VAL_NEW_FILE_SELECTED) return 0;
    std::snprintf(rec_fname, sizeof rec_fname, "%s", path);
    if (chosen == VAL_EXISTING_FILE_SELECTED && ConfirmPopup(kTitleChosenExists, kAskChosenExists))
        CVI_DeleteFile(rec_fname);
    // The box always names the file a recording goes to, kept or not.
    SetCtrlVal(pPopup, POPUP_TEXTrecfile, rec_fname);
    return 0;
}
