// TEACH and the typed set point. TEACH (command 6, second word 0, payload =
// half 0 packed after the panels were read with the standard binding) makes
// the sensor take the position it measures now as its set point; any answer
// frame counts as done, and the record is then read back from RAM (both
// halves, 0.1 s apart), so page 2 shows the taught value. The answer's
// contents are not examined.
//
// The teach cursor of the bar graph follows every answered teach, also
// after an earlier STOP left stop_flag set, and takes the teach word of the
// variant in force (the record just read back holds it there); the data
// graph's lines follow the record read back.
//
// A typed set point only redraws the set point and tolerance lines of the
// data graph; it reaches the sensor with the next SEND.
#include "KovexaV308/kovexa.h"
#include "core/record_layout.h"
#include "core/teach_value.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

const char kTxtTeached[] = "New setpoint value teached!";
const char kHelpTeach[] =
    "TEACH-BUTTON:\nStart teach procedure at K-VEX-sensor.\nThe actual pixel-position == teach "
    "value";

enum {
    kHelpRight = 80,  // box right of the button's left edge
    kHelpRise = 10,
    kCursorTeach = 1,
};
const double kCursorY = 0.75;
const double kReadPause = 0.1;

// 1 when an answer frame came within TIMEOUT.
int TeachExchange(void) {
    parameter[1] = CMD_TEACH;
    parameter[2] = 0;
    FlushPortQueues();
    GetPanelValues();
    CopyVarsToPP(0);
    FillTxBuf(CMD_TEACH, 0, pp);
    nBytesW = ComWrt(com, szWriteBuf, kFrameSize);
    SetStatus(kTxtTeached);
    rx_flag = 0;
    if (!WaitReply(kTxtTimeoutLine)) {
        ShowStatus();
        stop_flag = 1;
        return 0;
    }
    return 1;
}

void ShowTeachHelp(void) {
    int panelLeft = 0, panelTop = 0, top = 0, left = 0, height = 0, width = 0;
    GetPanelAttribute(pPara2, ATTR_LEFT, &panelLeft);
    GetPanelAttribute(pPara2, ATTR_TOP, &panelTop);
    GetCtrlBoundingRect(pPara2, PARA2_ButtonTeach, &top, &left, &height, &width);
    ToggleHelp(MAIN_HelpText1, panelLeft + left + kHelpRight, panelTop + top - kHelpRise,
               kHelpTeach);
}

}  // namespace

int CC_ButtonTeach(int, int, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK) ShowTeachHelp();
    if (event != EVENT_COMMIT || !ConfirmDiscardEdits()) return 0;
    if (!TeachExchange()) return 0;
    PushGET(RAM, 0);
    Delay(kReadPause);
    PushGET(RAM, 1);
    SetGraphCursor(pHandle, MAIN_GRAPHBar, kCursorTeach,
                   parameter[RecordWord(VariantOf(), FIELD_TEACH)], kCursorY);
    // The record read back has refilled the set point and tolerance lines.
    PlotDATACurve(adcbuf, xArray256);
    return 0;
}

int CC_NEDITTeach(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    int typed = 0;
    GetCtrlVal(pPara2, PARA2_NEDITTeach, &typed);
    const uint16_t v = LimitTeachValue(static_cast<uint16_t>(typed), ccdvirtpixel);
    SetCtrlVal(pPara2, PARA2_NEDITTeach, static_cast<int>(v));
    // The V303 tolerances whatever the variant, as after every transfer.
    FillTeachLines(v);
    PlotDATACurve(adcbuf, xArray256);
    return 0;
}
