// Start values of the program's state, the dependent controls after the
// start-up probe, the status line, and quitting.
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "KovexaV308/kovexa.h"
#include "core/record_layout.h"
#include "core/sanitize.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

struct FieldDefault {
    RecordField field;
    uint32_t value;  // slope and offset: both words
};

// The record's defaults, in every layout that has the setting (the slope
// reads 1.0 on a standard sensor); every other word starts at 0.
const FieldDefault kRecordDefaults[] = {
    {FIELD_POWER, 500},    {FIELD_POWER_MODE, 1},       {FIELD_POLARITY, 1},
    {FIELD_EVAL_MODE, 1},  {FIELD_EVAL_BEGIN, 1},       {FIELD_EVAL_END, 1024},
    {FIELD_TEACH, 512},    {FIELD_TOLERANCE_HIGH, 100}, {FIELD_TOLERANCE, 100},
    {FIELD_AVERAGE, 1},    {FIELD_TRIG_MODE, 0},        {FIELD_ANALOG_MODE, 0},
    {FIELD_STD_OPTION, 0}, {FIELD_AMP_MODE, 0},         {FIELD_HARDWARE_MODE, 1},
    {FIELD_HOLD, 65535},   {FIELD_VIDEO_THRESHOLD, 40}, {FIELD_TRIG_THRESHOLD, 256},
    {FIELD_SLOPE, 16384},  {FIELD_OFFSET, 30000},
};

// Start-up shows the record by the standard layout, as the panels were just
// read with the standard binding.
constexpr Variant kStartUpLayout = VARIANT_STANDARD;

int StartUpWord(RecordField field) {
    return RecordWord(kStartUpLayout, field);
}

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
    for (const FieldDefault& d : kRecordDefaults) {
        for (int v = 0; v < kVariantCount; ++v) {
            const int word = RecordWord(static_cast<Variant>(v), d.field);
            if (word == kNoWord) continue;
            if (d.field == FIELD_SLOPE || d.field == FIELD_OFFSET)
                SetRecordU32(parameter, word, d.value);
            else
                parameter[word] = static_cast<uint16_t>(d.value);
        }
    }
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
    SetGraphCursor(pHandle, MAIN_GRAPHBar, 1, parameter[StartUpWord(FIELD_TEACH)], 1.0);
    SetGraphCursor(pHandle, MAIN_GRAPHBar, 2, parameter[StartUpWord(FIELD_EVAL_BEGIN)], 1.0);
    SetGraphCursor(pHandle, MAIN_GRAPHBar, 3, parameter[StartUpWord(FIELD_EVAL_END)], 1.0);
    PlotToleranceBand(kStartUpLayout);

    const uint16_t threshold = ThresholdLine(ADCMAX, parameter[StartUpWord(FIELD_VIDEO_THRESHOLD)]);
    for (int i = 0; i < kLineCount; ++i) {
        xArray256[i] = i;
        xArray[i] = 4.0 * i;
        thdArray[i] = threshold;
        trgArray[i] = kTriggerLineStart;
    }
    for (uint16_t& w : linArray) w = 0;
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
