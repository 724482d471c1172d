// The opening of a port as the panels see it: forget the sensor shown
// before, open the port, and probe what answers on it (line check,
// hardware answer, both halves of the record from RAM, firmware text),
// showing each result as it comes. Run at start-up and on a port change.
#include "core/models.h"
#include "gui/gui.h"
#include "panels/kovexa_panels.h"
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

void ProbeSensor(int port) {
    if (CheckComLine(port) != 1) return;
    const double kProbePause = 0.1;  // between the requests of the opening
    if (GetHARDWAREInfo() == 0) CopyStatus(kTxtHardwareError);
    Delay(kProbePause);
    PushGET(RAM, 0);
    Delay(kProbePause);
    PushGET(RAM, 1);
    Delay(kProbePause);
    if (GetVERSIONInfo() < kTextSize) {
        CopyStatus(kTxtFirmwareError);
    } else if (szVersion[0] != '\0') {
        // A 72-character firmware text does not fit szStatus: show it whole.
        ShowStatusText(szVersion);
        return;
    }
    ShowStatus();
}

}  // namespace

void ForgetSensor(void) {
    ForgetSensorIdentity();
    ResetTextBox(pCalib, CALIB_TEXTmodel, "");
    for (int display : kMeasuredDisplays) SetCtrlVal(pHandle, display, 0);
}

int GetHARDWAREInfo(void) {
    Identification id;
    uint16_t reportedVirtPixel = 0;
    const int read = ReadHardwareInfo(&id, &reportedVirtPixel);
    if (read == kHardwareSilent) SetTitleSensor(nullptr);
    if (read != kHardwareRead) return 0;

    // The video axis keeps the reported count even when the step table
    // fell back to 1024.
    SetAxisScalingMode(pHandle, MAIN_GRAPHVideo, VAL_XAXIS, VAL_MANUAL, 1.0, reportedVirtPixel);
    SetAxisScalingMode(pHandle, MAIN_GRAPHData, VAL_XAXIS, VAL_MANUAL, 1.0, kDataGraphPoints);
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

void InitRS232(int port) {
    // What the previous port's sensor said stays true of it alone: a port
    // that fails its probe must not go on showing (or proving) that sensor.
    ForgetSensor();
    // The probe's raw firmware wait counts as an exchange as well.
    ++exchangeWaits;
    if (OpenSensorPort(port)) ProbeSensor(port);
    --exchangeWaits;
}
