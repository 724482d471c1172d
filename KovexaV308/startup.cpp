// Start values of the program's state, the dependent controls after the
// start-up probe, the status line, and quitting.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "KovexaV308/kovexa.h"
#include "KovexaV308/panels/kovexa_panels.h"
#include "core/sanitize.h"
#include "platform/cvi.h"

namespace {

struct WordDefault {
    uint8_t word;
    uint16_t value;
};

// The record's defaults: standard layout 3..17, V303 18..32, Tarvo 33..47,
// trigger threshold 48, slope 60-61 (1.0 on a standard sensor), offset 62-63.
const WordDefault kRecordDefaults[] = {
    {3, 500},
    {4, 1},
    {5, 1},
    {6, 1},
    {7, 1},
    {8, 1024},
    {9, 512},
    {10, 100},
    {11, 1},
    {12, 0},
    {13, 0},
    {14, 0},
    {15, 0},
    {16, 1},
    {17, 40},
    {18, 500},
    {19, 1},
    {20, 1},
    {21, 1},
    {22, 1},
    {23, 1024},
    {24, 512},
    {25, 100},
    {26, 100},
    {27, 1},
    {28, 0},
    {29, 0},
    {30, 0},
    {31, 1},
    {32, 40},
    {33, 500},
    {34, 1},
    {35, 1},
    {36, 1},
    {37, 1},
    {38, 1024},
    {39, 512},
    {40, 100},
    {41, 100},
    {42, 1},
    {43, 0},
    {44, 0},
    {45, 65535},
    {46, 40},
    {47, 0},
    {48, 256},
    {60, 16384},
    {61, 0},
    {62, static_cast<uint16_t>(30000)},
    {63, 0},
};

// Every entry of the start-up trigger line reads 0x6565: far above any
// video value until the first parameter transfer replaces it.
const int16_t kTriggerLineStart = 0x6565;

const char kTxtInitVars[] = "InitVars";
const char kTxtHelp1[] = "HELPTEXT1";
const char kTxtHelp2[] = "HELPTEXT2";
const char kRecordFile[] = "RECORD.DAT";

enum { kPageLeft = 8, kPageTop = 105, kHelpLeft = 10, kHelpTop = 110 };

}  // namespace

void InitVars(void) {
    for (uint16_t& w : parameter) w = 0;
    for (const WordDefault& d : kRecordDefaults) parameter[d.word] = d.value;
    parameter[0] = kSyncRequest;
    parameter[1] = 1;
    parameter[2] = 0;
    com = com_start;
    target = RAM;
    rx_flag = 0;
    graph_flag = 0;
    stop_flag = 1;
    pixB = 1;
    pixE = 1024;
    ccdmaxpixel = 1024;
    ccdvirtpixel = 4096;
    videoMax = 1;
    pcbtype = 101;
    hwtype = 37;
    YAXISMAX = 2048;
    ADCMAX = 255;
    HWTYPE = 0;

    SetStatus(kTxtInitVars);
    std::strcpy(szSoftVersion, "Version 3.08");
    std::strcpy(szSoftName, "Kovexa");
    ShowLogo();

    // The panels' loaded values win over the defaults above.
    GetPanelValues();

    DeleteGraphPlot(pHandle, MAIN_GRAPHBar, VAL_ALL_PLOTS, VAL_IMMEDIATE_DRAW);
    // Until a sensor is identified the default pixel count spans the bar
    // graph, so the start-up cursors and band lie on it.
    SetAxisScalingMode(pHandle, MAIN_GRAPHBar, VAL_XAXIS, VAL_MANUAL, 1.0, ccdvirtpixel);
    SetGraphCursor(pHandle, MAIN_GRAPHBar, 1, parameter[9], 1.0);
    SetGraphCursor(pHandle, MAIN_GRAPHBar, 2, parameter[7], 1.0);
    SetGraphCursor(pHandle, MAIN_GRAPHBar, 3, parameter[8], 1.0);
    const int teach = parameter[9];
    const int band = parameter[10];
    PlotRectangle(pHandle, MAIN_GRAPHBar, teach - band, 0.0, teach + band, 0.25, VAL_GREEN,
                  VAL_GREEN);

    const uint16_t threshold = static_cast<uint16_t>(ADCMAX * parameter[17] / 100);
    for (int i = 0; i < kLineCount; ++i) {
        xArray256[i] = i;
        xArray[i] = 4.0 * i;
        thdArray[i] = threshold;
        trgArray[i] = kTriggerLineStart;
    }
    for (uint16_t& w : linArray) w = 0;
}

void ShowDependentControls(void) {
    int hardware = 0;
    GetCtrlVal(pPara1, PARA1_DROPhardware, &hardware);
    // Sensors without a hardware operation mode (Tarvo, type 500, an
    // unidentified one) hide the drop-down; its value locks nothing there.
    DimTolerancesByHardware(hardware);

    ShowAnalogControls();

    int triggerMode = 0;
    GetCtrlVal(pPara1, PARA1_DROPtrigmode, &triggerMode);
    SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_VISIBLE, triggerMode < 3 ? 0 : 1);
    SetCtrlAttribute(pPara2, PARA2_NUMTriggThreshold, ATTR_DIMMED, triggerMode < 3 ? 1 : 0);

    const double slope = RecordU32(parameter, kWordSlopeLow);
    if (softversion < 303) {
        const double t = slope * parameter[10] / 16384000.0;
        SetCtrlVal(pHandle, MAIN_DISPtolHigh, t);
        SetCtrlVal(pHandle, MAIN_DISPtolLow, t);
    } else {
        SetCtrlVal(pHandle, MAIN_DISPtolHigh, slope * parameter[25] / 1024000.0);
        SetCtrlVal(pHandle, MAIN_DISPtolLow, slope * parameter[26] / 1024000.0);
    }
}

void InitGUI(void) {
    ShowDependentControls();
    NameGraphTraces();

    for (int page : {pPara1, pPara2, pCalib}) {
        SetPanelAttribute(page, ATTR_LEFT, kPageLeft);
        SetPanelAttribute(page, ATTR_TOP, kPageTop);
    }

    const struct {
        int box;
        const char* text;
    } kHelpBoxes[] = {{MAIN_HelpText1, kTxtHelp1}, {MAIN_HelpText2, kTxtHelp2}};
    for (const auto& h : kHelpBoxes) {
        SetCtrlAttribute(pHandle, h.box, ATTR_LEFT, kHelpLeft);
        SetCtrlAttribute(pHandle, h.box, ATTR_TOP, kHelpTop);
        SetCtrlAttribute(pHandle, h.box, ATTR_VISIBLE, 0);
        SetCtrlVal(pHandle, h.box, h.text);
    }

    SetCtrlVal(pHandle, MAIN_TOGGBTN_Recorder, 0);
    // An installed program's folder is not the user's to write into.
    char recDir[kPathSize];
    if (GetWritableDir(recDir, sizeof recDir) != 0)
        std::snprintf(recDir, sizeof recDir, "%s", proj_dir);
    if (MakePathname(recDir, kRecordFile, rec_fname, sizeof rec_fname) != 0)
        std::strcpy(rec_fname, kRecordFile);
    SetCtrlVal(pPopup, POPUP_TEXTrecfile, rec_fname);

    SetActiveCtrl(pHandle, MAIN_BTNStop);
    SetActivePanel(pHandle);
    // Whatever the panels show now, with or without a sensor, is no edit.
    MarkPanelsSent();
}

int CC_PANEL(int panel, int event, void* callbackData, int eventData1, int eventData2) {
    (void)panel;
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_CLOSE) return 0;
    if (!ConfirmQuit()) return 0;
    SaveSettings();
    // A running RUN loop or recording sees the flag at its next pass; the
    // pause gives it that pass before the port goes.
    stop_flag = 1;
    Delay(0.2);
    CloseCom(com);
    QuitUserInterface(0);
    return 0;
}

int CC_POPUP(int panel, int event, void* callbackData, int eventData1, int eventData2) {
    (void)callbackData;
    (void)eventData1;
    (void)eventData2;
    if (event != EVENT_CLOSE) return 0;
    HidePanel(panel);
    SetCtrlVal(pHandle, MAIN_TOGGBTN_Recorder, 0);
    return 0;
}
