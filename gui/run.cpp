// RUN and STOP: continuous measurement. RUN polls the sensor with
// CMD_MEASURE (second word 0, payload = half 0 of the record) without pause
// and draws every measurement frame (reply type 8) in the bar graph and the
// raw graph of the sensor's variant, until STOP, a stop from elsewhere
// (quitting, a port change), or no frame within TIMEOUT (1.5 s) of the last
// request ("Timeout RS232-Line!").
//
// The loop runs inside the RUN button's callback; STOP, the receive
// callback and every other callback reach it through ProcessSystemEvents.
// A new request goes out in the first pass after any frame arrived, before
// the frame is drawn, so the line never waits for drawing; a frame of
// another reply type is not drawn but still lets the next request go. A
// frame without the reply sync word 0x00AA is garbage: it is not drawn and
// the status line says so until a good frame arrives.
//
// While RUN runs, BTNRun, BTNVideo and BTNData are dimmed; the loop's end
// brings back RUN only, STOP brings back the rest.
#include <cstring>

#include "core/linkwatch.h"
#include "core/record_layout.h"
#include "gui/gui.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

const char kHelpRun[] =
    "RUN-BUTTON:\nStart the continuosly serial RS232-data-\ntransfer between PC and K-VEX "
    "sensor...\nA frame of 16 meas.-values is transferred!";
const char kHelpStop[] =
    "STOP-BUTTON:\nStops the serial RS232-data-transfer\nbetween PC and K-VEX sensor.";

enum {
    kHelpOffset = 10,
    kTriggerInternal = 3,  // from this mode on the sensor keeps a trigger buffer
};
// STOP offers DATA by the trigger mode of the V303 layout, whatever the
// variant.
constexpr int kStopTrigModeWord = RecordWord(VARIANT_V303, FIELD_TRIG_MODE);
const char kTxtStopped[] = "STOP - data transfer stopped.";
const double kStopPause = 0.2;
// Drawing waits this long after a request went out: the sensor takes the
// request in first (a simulated one needs a processor to do so).
const double kDrawAfter = 0.002;

struct VariantPlots {
    void (*bar)(void);
    void (*raw)(void);
};
// Indexed by Variant.
const VariantPlots kVariantPlots[] = {
    {PlotVIDEOBarGraph, PlotRAWGraph},
    {PlotVIDEOBarGraphV303, PlotRAWGraphV303},
    {PlotVIDEOBarGraphTarvo, PlotRAWGraphTarvo},
};

struct CtrlSetting {
    int control;
    int value;
};
const CtrlSetting kRunGraphsVisible[] = {
    {MAIN_GRAPHVideo, 0},
    {MAIN_GRAPHData, 0},
    {MAIN_GRAPHRaw, 1},
};
const CtrlSetting kRamSelected[] = {
    {MAIN_RBTRam, 1},
    {MAIN_RBTEeprom, 0},
    {MAIN_RBTFile, 0},
};
const int kDimmedWhileRunning[] = {MAIN_BTNRun, MAIN_BTNVideo, MAIN_BTNData};
const int kEnabledByStop[] = {MAIN_BTNVideo, MAIN_BTNRun, MAIN_BTNData};

// RUN's button is dimmed while it runs; this also keeps a scripted or
// programmatic click from starting a second loop inside the first.
int runActive;
// The last frame lacked the reply sync word; its text is on the status line.
int lineGarbled;

// Notes whether the frame in szReadBuf begins with the reply sync word and
// changes the status line only when that changes. 1 when in sync.
int CheckFrameSync(void) {
    const int inSync = ReplyInSync();
    if (!inSync && !lineGarbled) SetStatus(kTxtNotSync);
    if (inSync && lineGarbled) SetStatus(kTxtSent);
    lineGarbled = !inSync;
    return inSync;
}

// Texts of a transfer going on that STOP replaces.
const char* const kTransferTexts[] = {kTxtSent, kTxtBlockReceived};

int SaysTransferGoesOn(void) {
    for (const char* text : kTransferTexts)
        if (std::strcmp(szStatus, text) == 0) return 1;
    return 0;
}

void DrawFrame(void) {
    const VariantPlots& plots = kVariantPlots[VariantOf()];
    plots.bar();
    plots.raw();
    // Drawn now, while the sensor answers the request just sent: drawing
    // never sits between a reply and the next request.
    ProcessDrawEvents();
}

}  // namespace

void SelectRamTarget(void) {
    for (const CtrlSetting& s : kRamSelected) SetCtrlVal(pHandle, s.control, s.value);
    target = RAM;
}

void PushRUN(void) {
    if (runActive) return;
    runActive = 1;
    CloseCompare();
    SetTitleLoop("RUN");
    for (const CtrlSetting& s : kRunGraphsVisible)
        SetCtrlAttribute(pHandle, s.control, ATTR_VISIBLE, s.value);
    for (int control : kDimmedWhileRunning) SetCtrlAttribute(pHandle, control, ATTR_DIMMED, 1);
    SelectRamTarget();

    stop_flag = 0;
    graph_flag = 0;
    rx_flag = 0;
    lineGarbled = 0;
    double t = Timer();
    LinkRunBegin(t);
    PushGETRAW();  // a time-out has set stop_flag; the pass below ends the loop

    // Once stop_flag is set the port may be closed or another one open (a
    // quit or a port change ran inside ProcessSystemEvents): from then on
    // nothing here touches the port.
    int drawPending = 0;
    for (;;) {
        int inSync = 1;
        if (rx_flag == 1) inSync = CheckFrameSync();
        const int measured = graph_flag == 1;
        const int draw = measured && inSync;
        // The frame's values are taken in before the next request is
        // packed: it carries the frame's teach value back.
        if (draw) CopyPPtoRAWVars();
        graph_flag = 0;
        if (rx_flag == 1 && stop_flag == 0) {
            CopyVarsToPP(0);
            t = Timer();
            SendCommand(CMD_MEASURE, 0);  // flushes the input, clears rx_flag
        } else if (measured && stop_flag == 0) {
            FlushPortQueues();
        }
        if (draw) drawPending = 1;
        if (Timer() - t > TIMEOUT) {
            SetStatus(kTxtTimeoutLine);
            stop_flag = 1;
            break;
        }
        ProcessSystemEvents();
        // Drawn once the request is on its way and the line had its turn
        // (the sensor takes it in meanwhile), before the next reply is
        // taken in.
        if (drawPending && (rx_flag == 1 || Timer() - t > kDrawAfter)) {
            DrawFrame();
            drawPending = 0;
        }
        if (stop_flag != 0) break;
        if (!PortUsable()) {
            ShowStatus();
            stop_flag = 1;
            break;
        }
    }

    LinkRunEnd(Timer());
    if (drawPending) DrawFrame();  // the last frame, whatever ended the loop
    rx_flag = 0;
    graph_flag = 0;
    // A frame half in when STOP came would otherwise be taken in later and
    // overwrite the payload the next RUN sends first. After a quit the port
    // is closed (the flush does nothing); after a port change the new
    // sensor's probe has ended, so nothing of its is in flight.
    FlushPortQueues();
    SetCtrlAttribute(pHandle, MAIN_BTNRun, ATTR_DIMMED, 0);
    runActive = 0;
    SetTitleLoop(nullptr);
}

int CC_BTNRun(int panel, int control, int event, void* callbackData, int eventData1,
              int eventData2) {
    (void)panel;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT) PushRUN();
    if (event == EVENT_RIGHT_CLICK)
        ToggleHelpBeside(MAIN_HelpText1, control, kHelpOffset, kHelpRun);
    return 0;
}

int CC_BTNStop(int panel, int control, int event, void* callbackData, int eventData1,
               int eventData2) {
    (void)panel;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event == EVENT_COMMIT || event == EVENT_LEFT_CLICK || event == EVENT_KEYPRESS) {
        // A text saying the transfer goes well would tell of one that no
        // longer runs; a fault's text stays.
        if (stop_flag == 0 && SaysTransferGoesOn()) SetStatus(kTxtStopped);
        stop_flag = 1;
    }
    if (event == EVENT_COMMIT) {
        for (int c : kEnabledByStop) SetCtrlAttribute(pHandle, c, ATTR_DIMMED, 0);
        SetCtrlAttribute(pPara2, PARA2_ButtonTeach, ATTR_DIMMED, 0);
        const int dataOffered = parameter[kStopTrigModeWord] >= kTriggerInternal ? 1 : 0;
        SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_VISIBLE, dataOffered);
        Delay(kStopPause);
    }
    if (event == EVENT_RIGHT_CLICK)
        ToggleHelpBeside(MAIN_HelpText1, control, kHelpOffset, kHelpStop);
    return 0;
}
