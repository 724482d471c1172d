// VIDEO and DATA: the sensor's two 256-word buffers fetched as four blocks
// of 64 words (command 9) and drawn as curves. VIDEO shows the video signal
// of the CCD line with the video threshold and refreshes it until STOP or a
// time-out; DATA fetches the internal trigger buffer once and shows it with
// the trigger threshold, the tolerance limits and the set point.
//
// Each refresh first fetches one measurement frame (command 8) so the bar
// graph and its numbers stay current, then the blocks. A refresh whose
// blocks do not all arrive draws nothing new; adcbuf keeps what arrived.
//
// While either runs, RUN, VIDEO, DATA and TEACH are dimmed. VIDEO's end
// brings back RUN, VIDEO and TEACH, DATA's end all four; after a VIDEO
// time-out DATA waits for STOP, as after RUN.
#include "com232/data64.h"
#include "gui/gui.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

const char kHelpVideo[] =
    "VIDEO-BUTTON:\nTransfer video-signal (pixel information)\n= intensity profile at CCD-line, "
    "via\nserial communication interface to PC.";
const char kHelpData[] =
    "DATA-BUTTON:\nTransfer intern-trigger-buffer via\nserial communication interface to PC.";

enum {
    kHelpOffset = 10,
    kDataGraphPoints = 256,
};
const double kAxisStart = 1.0;

struct CtrlSetting {
    const int* panel;
    int control;
    int value;
};
const CtrlSetting kDimmedWhileCapturing[] = {
    {&pHandle, MAIN_BTNRun, 1},
    {&pHandle, MAIN_BTNVideo, 1},
    {&pHandle, MAIN_BTNData, 1},
    {&pPara2, PARA2_ButtonTeach, 1},
};
const CtrlSetting kEnabledAfterVideo[] = {
    {&pHandle, MAIN_BTNRun, 0},
    {&pHandle, MAIN_BTNVideo, 0},
    {&pPara2, PARA2_ButtonTeach, 0},
};
const CtrlSetting kEnabledAfterData[] = {
    {&pHandle, MAIN_BTNRun, 0},
    {&pHandle, MAIN_BTNVideo, 0},
    {&pHandle, MAIN_BTNData, 0},
    {&pPara2, PARA2_ButtonTeach, 0},
};
const int kCurveGraphs[] = {MAIN_GRAPHRaw, MAIN_GRAPHVideo, MAIN_GRAPHData};

// A click that arrives while a capture runs (a script, a test) must not
// start a second one inside the first.
int captureActive;

void SetDimmedAs(const CtrlSetting* settings, int count) {
    for (int i = 0; i < count; ++i)
        SetCtrlAttribute(*settings[i].panel, settings[i].control, ATTR_DIMMED, settings[i].value);
}
#define SET_DIMMED(table) SetDimmedAs(table, static_cast<int>(sizeof table / sizeof table[0]))

void ShowOnly(int graph) {
    CloseCompare();
    for (int g : kCurveGraphs) SetCtrlAttribute(pHandle, g, ATTR_VISIBLE, g == graph ? 1 : 0);
}

// One measurement frame, unpacked. A frame without the reply sync word is
// garbage and is not taken in.
int FetchMeasurement(void) {
    if (!PushGETRAW()) return 0;
    if (!ReplyInSync()) {
        SetStatus(kTxtNotSync);
        return 0;
    }
    CopyPPtoRAWVars();
    return 1;
}

// A capture button: commit selects RAM and runs the capture, a right click
// explains the button.
int CaptureButton(int control, int event, void (*push)(void), const char* help) {
    if (event == EVENT_COMMIT) {
        SelectRamTarget();
        push();
    }
    if (event == EVENT_RIGHT_CLICK) ToggleHelpBeside(MAIN_HelpText1, control, kHelpOffset, help);
    return 0;
}

}  // namespace

void PushVIDEO(void) {
    if (captureActive) return;
    captureActive = 1;
    SetTitleLoop("VIDEO");
    ShowOnly(MAIN_GRAPHVideo);
    SET_DIMMED(kDimmedWhileCapturing);
    stop_flag = 0;
    while (stop_flag == 0) {
        // PushGETRAW has set stop_flag on a time-out; a garbled frame only
        // skips this refresh.
        if (FetchMeasurement() && ReadDataBlocks(kBlockKindVideo, adcbuf)) {
            SetAxisScalingMode(pHandle, MAIN_GRAPHVideo, VAL_XAXIS, VAL_MANUAL, kAxisStart,
                               ccdvirtpixel);
            PlotVIDEOBarGraphOfVariant();
            SetAxisScalingMode(pHandle, MAIN_GRAPHVideo, VAL_LEFT_YAXIS, VAL_MANUAL, kAxisStart,
                               ADCMAX);
            PlotVIDEOCurve(adcbuf, thdArray, xArray);
        }
        ProcessSystemEvents();
    }
    SET_DIMMED(kEnabledAfterVideo);
    AttachReceiveCallback();
    FlushPortQueues();
    captureActive = 0;
    SetTitleLoop(nullptr);
}

void PushDATA(void) {
    if (captureActive) return;
    captureActive = 1;
    ShowOnly(MAIN_GRAPHData);
    SET_DIMMED(kDimmedWhileCapturing);
    // Running as a loop lets STOP, quitting or a port change end the waits
    // at once; stop_flag goes back to what it was unless one of them (or a
    // time-out) set it.
    const int stopBefore = stop_flag;
    stop_flag = 0;
    if (FetchMeasurement() && ReadDataBlocks(kBlockKindTrigger, adcbuf)) {
        SetAxisScalingMode(pHandle, MAIN_GRAPHData, VAL_XAXIS, VAL_MANUAL, kAxisStart,
                           kDataGraphPoints);
        SetAxisScalingMode(pHandle, MAIN_GRAPHData, VAL_LEFT_YAXIS, VAL_MANUAL, kAxisStart,
                           YAXISMAX);
        PlotDATACurve(adcbuf, xArray256);
    }
    if (stop_flag == 0) stop_flag = stopBefore;
    SET_DIMMED(kEnabledAfterData);
    AttachReceiveCallback();
    FlushPortQueues();
    captureActive = 0;
}

int CC_BTNVideo(int, int control, int event, void*, int, int) {
    return CaptureButton(control, event, PushVIDEO, kHelpVideo);
}

int CC_BTNData(int, int control, int event, void*, int, int) {
    return CaptureButton(control, event, PushDATA, kHelpData);
}
