// Identification of the sensor on the line: the hardware answer (command
// 10) and the firmware text (command 7), run each time the port is opened;
// and forgetting the sensor before, so that a port that fails its probe
// shows no sensor at all.
//
// Facts owned here: the hardware answer is a 36-byte frame taken in by the
// receive callback; only an answer that echoes 10 may change the identity
// (a late reply to an earlier command must not). The firmware text is not a
// frame: 72 raw bytes read from the input queue with the callback detached.
#include "KovexaV308/kovexa.h"
#include "KovexaV308/panels/kovexa_panels.h"
#include "core/models.h"
#include "platform/cvi.h"

namespace {

enum {
    kFirmwareTriggerBuffer = 305,
    kDataGraphPoints = 256,
};

// Where the last measurement shows on the main panel.
const int kMeasuredDisplays[] = {MAIN_DISPedgeLeft, MAIN_DISPedgeRight, MAIN_DISPpixel, MAIN_DISPmm,
                                 MAIN_DISPanalog,   MAIN_DISPanaMax,    MAIN_DISPanaMin};

void ShowModel(const ModelRow* model) {
    for (int line = 0; line < kModelLines; ++line)
        ReplaceTextBoxLine(pCalib, CALIB_TEXTmodel, line, model->line[line]);
}

}  // namespace

void ForgetSensor(void) {
    ccdtype = 0;
    HWTYPE = 0;
    szVersion[0] = '\0';
    Ledge = Redge = Mvalue = tol = edcnt = mvstart = mvend = dynpow = anaMax = anaMin = in0 = 0;
    raw15 = 0;
    umValue = 0;
    ResetTextBox(pCalib, CALIB_TEXTmodel, "");
    for (int display : kMeasuredDisplays) SetCtrlVal(pHandle, display, 0);
}

int GetHARDWAREInfo(void) {
    SendCommand(CMD_HARDWARE, 0);
    if (!WaitReply(kTxtTimeout)) {
        SetTitleSensor(nullptr);
        return 0;
    }

    // Decoded into locals first: only the answer to this request may
    // become the sensor's identity.
    HardwareInfo hw;
    if (!DecodeHardwareFrame(szReadBuf, &hw)) return 0;
    StoreHardwareInfo(&hw);

    // The video axis keeps the reported count even when the step table
    // falls back to 1024 below.
    SetAxisScalingMode(pHandle, MAIN_GRAPHVideo, VAL_XAXIS, VAL_MANUAL, 1.0, ccdvirtpixel);
    SetAxisScalingMode(pHandle, MAIN_GRAPHData, VAL_XAXIS, VAL_MANUAL, 1.0, kDataGraphPoints);
    FillXArray();

    Identification id;
    IdentifySensor(&id);
    // A threshold moved before any transfer is drawn on the sensor's scale.
    SetAxisScalingMode(pHandle, MAIN_GRAPHVideo, VAL_LEFT_YAXIS, VAL_MANUAL, 1.0, ADCMAX);
    SetAxisScalingMode(pHandle, MAIN_GRAPHData, VAL_LEFT_YAXIS, VAL_MANUAL, 1.0, YAXISMAX);
    if (id.model != nullptr) ShowModel(id.model);
    if (id.model != nullptr) SetTitleSensor(id.model->line[0]);
    if (id.adaptPanels) AdaptPanels();

    SetCtrlAttribute(pHandle, MAIN_BTNSend, ATTR_DIMMED, id.knownFamily ? 0 : 1);
    if (softversion < kFirmwareTriggerBuffer) WithdrawTriggerFunctions();
    return 1;
}

int GetVERSIONInfo(void) {
    DetachReceiveCallback();
    SendCommand(CMD_VERSION, 0);
    ShowStatusText(kTxtWaitingFirmware);

    const double t0 = Timer();
    int queued = 0;
    for (;;) {
        ProcessSystemEvents();
        queued = GetInQLen(com);
        if (queued < 0) queued = 0;
        if (queued >= kFirmwareBytes) break;
        if (!PortUsable()) break;  // nothing more can come: no time-out to wait out
        if (Timer() - t0 > TIMEOUT) {
            CopyStatus(kTxtTimeoutFirmware);
            break;
        }
    }

    szVersion[0] = '\0';
    const int toRead = queued < kBufSize ? queued : kBufSize;
    nBytesR = toRead > 0 ? ComRd(com, szReadBuf, toRead) : 0;
    const int shown = DecodeFirmwareText(szReadBuf, nBytesR, pcbtype, szVersion, sizeof szVersion);

    AttachReceiveCallback();
    FlushInQ(com);
    FlushOutQ(com);
    rx_flag = 0;
    if (shown >= 0) {
        // szStatus holds 71 characters; the line shows the whole text.
        CopyStatus(szVersion);
        ShowStatusText(szVersion);
    } else {
        ShowStatus();
    }
    return queued;
}
