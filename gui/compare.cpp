// COMPARE: reads the parameter record from the sensor's RAM and EEPROM
// (and a parameter file when FILE is selected) and lists every parameter
// the sensor's variant binds, by its panel label, with the values as the
// panels would show them; rows that differ are marked. The panels and the
// record they show are left as they were.
//
// Protocol facts owned here: the reads are the GET exchanges, command 2
// (RAM) then 4 (EEPROM), half 0 then half 1, 0.1 s apart; a reply must
// carry the sync word and echo the read's command. A missing or foreign
// reply ends the comparison with a status text saying which, and no table.
// COMPARE is refused while a loop exchanges frames or another request
// waits for its reply (it would mix its requests into theirs and take
// their replies for its own) and without an identified sensor.
#include <cstdio>
#include <cstring>

#include "core/compare_params.h"
#include "core/models.h"
#include "gui/gui.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"
#include "popup/paramfile.h"

int pCompare;

namespace {

const char kHelpCompare[] =
    "COMPARE-BUTTON:\nCompare the parameter-frame in RAM and\nEEPROM (and the parameter-file "
    "when\nFILE is selected). Differences are marked.";
const char kTxtComparing[] = "Comparing RAM and EEPROM ...";
const char kTxtEqual[] = "RAM and EEPROM are equal";
const char kTxtOneDiffers[] = "1 parameter differs between RAM and EEPROM";
const char kTxtManyDiffer[] = "%d parameters differ between RAM and EEPROM";
const char kTxtFileEqual[] = "%s; FILE equal to RAM (%s)";
const char kTxtFileDiffers[] = "%s; FILE: %d differ from RAM (%s)";
const char kTxtLoopActive[] = "%s refused - press STOP first (RUN, VIDEO or recording)!";
const char kTxtExchangeWaits[] = "%s refused - the sensor has not answered the last request yet!";
const char kTxtNotParamFrame[] = "read error - the answer is no parameter-frame!";
const char kTxtNoSensor[] = "%s refused - no identified sensor on this port!";
const char kCompareAction[] = "COMPARE";
const char kTxtNoFile[] = "-";
const char kRowFormat[] = "%c %-20.20s %-20.20s %-20.20s %-20.20s";
const char kMarkDiffers = '*';

const double kHalfPause = 0.1;
const int kCurveGraphs[] = {MAIN_GRAPHRaw, MAIN_GRAPHVideo, MAIN_GRAPHData};
int gCoveredGraph = 0;
enum { kHelpGap = 20, kPanelLeft = 320, kPanelTop = 105, kRowSize = 128 };

struct Memory {
    uint16_t command;
    uint16_t* record;
};

// Buttons that would start another exchange: dimmed while the reads wait
// for their replies, so no loop or transfer starts in between.
const int kBusyButtons[] = {MAIN_BTNRun,  MAIN_BTNVideo,   MAIN_BTNData,  MAIN_BTNGet,
                            MAIN_BTNSend, MAIN_BTNCompare, MAIN_BTNReport};
enum { kBusyCount = sizeof kBusyButtons / sizeof kBusyButtons[0] };

void DimBusy(int* wasDimmed) {
    for (int i = 0; i < kBusyCount; ++i) {
        GetCtrlAttribute(pHandle, kBusyButtons[i], ATTR_DIMMED, &wasDimmed[i]);
        SetCtrlAttribute(pHandle, kBusyButtons[i], ATTR_DIMMED, 1);
    }
}

void RestoreBusy(const int* wasDimmed) {
    for (int i = 0; i < kBusyCount; ++i)
        SetCtrlAttribute(pHandle, kBusyButtons[i], ATTR_DIMMED, wasDimmed[i]);
}

// Resource of a parameter's panel to its handle.
int PanelOf(int resource) {
    switch (resource) {
        case RES_MAIN:
            return pHandle;
        case RES_PARA1:
            return pPara1;
        case RES_PARA2:
            return pPara2;
        case RES_CALIB:
            return pCalib;
        default:
            return 0;
    }
}

// A reply is this read's only when it carries the sync word and echoes the
// read command: a late answer to another request (or a sensor answering
// with measurement frames) would otherwise be compared as a memory.
int IsParamFrameFor(uint16_t command) {
    if (!ReplyInSync()) {
        CopyStatus(kTxtNotSync);
        return 0;
    }
    if (WordAt(szReadBuf, 2) != command) {
        CopyStatus(kTxtNotParamFrame);
        return 0;
    }
    return 1;
}

// One memory's record: both halves read into the global record, copied
// out, and the global record put back, so nothing else sees the reads.
int ReadMemory(uint16_t command, uint16_t* out) {
    uint16_t saved[kParamWords];
    std::memcpy(saved, parameter, sizeof saved);
    int ok = 1;
    for (uint16_t half = 0; half < 2 && ok; ++half) {
        CopyVarsToPP(half);
        SendCommand(command, half);
        ok = WaitReply(kTxtTimeout) && IsParamFrameFor(command);
        if (ok) CopyPPtoVars(half);
        Delay(kHalfPause);
    }
    std::memcpy(out, parameter, sizeof saved);
    std::memcpy(parameter, saved, sizeof saved);
    return ok;
}

// The parameter file chosen in the load popup, unpacked as the connected
// sensor would load it. 0 on cancel or a bad file (the column stays empty).
int ReadFile(uint16_t* out) {
    uint32_t values[kParamFileValues];
    if (!ChooseParamFile(1) || FileToArray(file_name, values, kParamFileValues) < 0) return 0;
    uint16_t saved[kParamWords];
    std::memcpy(saved, parameter, sizeof saved);
    ParamFileToRecord(values);
    std::memcpy(out, parameter, sizeof saved);
    std::memcpy(parameter, saved, sizeof saved);
    return 1;
}

// A value as its control shows it: ring items by their text.
void ShowValue(const CompareParam* p, Variant variant, const uint16_t* record, char* out,
               int size) {
    CompareFormat(p, variant, record, out, size);
    if (p->show != kShowRing) return;
    const int panel = PanelOf(p->resource);
    int index = 0;
    if (GetIndexFromValue(panel, p->control_id, &index,
                          static_cast<int>(CompareValue(p, variant, record))) == 0)
        GetLabelFromIndex(panel, p->control_id, index, out, size);
}

void Label(const CompareParam* p, char* out, int size) {
    if (GetCtrlLabel(PanelOf(p->resource), p->control_id, out, size) < 0 || !out[0])
        std::snprintf(out, static_cast<size_t>(size), "%s", p->control);
}

void FillTable(CompareTable* t, const uint16_t* ram, const uint16_t* eeprom, const uint16_t* file) {
    const Variant variant = VariantOf();
    t->count = 0;
    t->hasFile = file != nullptr;
    t->differ = CompareCountDiffers(variant, ram, eeprom);
    t->fileDiffer = file ? CompareCountDiffers(variant, ram, file) : 0;
    for (int i = 0; i < CompareParamCount() && t->count < kCompareRows; ++i) {
        const CompareParam* p = CompareParamAt(i);
        if (!CompareBinds(p, variant)) continue;
        CompareRow& row = t->rows[t->count++];
        Label(p, row.label, sizeof row.label);
        ShowValue(p, variant, ram, row.ram, sizeof row.ram);
        ShowValue(p, variant, eeprom, row.eeprom, sizeof row.eeprom);
        if (file)
            ShowValue(p, variant, file, row.file, sizeof row.file);
        else
            std::snprintf(row.file, sizeof row.file, "%s", kTxtNoFile);
        row.differs = CompareDiffers(p, variant, ram, eeprom) ||
                      (file && CompareDiffers(p, variant, ram, file));
    }
}

void ShowTable(const CompareTable* t) {
    char line[kRowSize];
    std::snprintf(line, sizeof line, kRowFormat, ' ', "PARAMETER", "RAM", "EEPROM",
                  t->hasFile ? FileNameOf(file_name)
                             : (target == DATFILE ? "FILE (not read)" : "FILE (not selected)"));
    ResetTextBox(pCompare, COMPARE_TEXTcompare, line);
    for (int i = 0; i < t->count; ++i) {
        const CompareRow& r = t->rows[i];
        std::snprintf(line, sizeof line, kRowFormat, r.differs ? kMarkDiffers : ' ', r.label, r.ram,
                      r.eeprom, r.file);
        ReplaceTextBoxLine(pCompare, COMPARE_TEXTcompare, i + 1, line);
    }
    SetPanelAttribute(pCompare, ATTR_LEFT, kPanelLeft);
    SetPanelAttribute(pCompare, ATTR_TOP, kPanelTop);
    // Under the window a graph drawn on by a loop would come to the front
    // through it: the window hides it while open.
    for (int graph : kCurveGraphs) {
        int visible = 0;
        GetCtrlAttribute(pHandle, graph, ATTR_VISIBLE, &visible);
        if (!visible) continue;
        gCoveredGraph = graph;
        SetCtrlAttribute(pHandle, graph, ATTR_VISIBLE, 0);
    }
    DisplayPanel(pCompare);
}

CompareTable gTable;  // too large for the stack of a nested callback

// Shows why action is refused; 0.
int Refuse(const char* format, const char* action) {
    char text[kTextSize];
    std::snprintf(text, sizeof text, format, action);
    SetStatus(text);
    return 0;
}

}  // namespace

int SensorLoopActive(void) {
    return stop_flag == 0 ? 1 : 0;
}

int SensorLinkFreeFor(const char* action) {
    const char* refusal = SensorLoopActive()  ? kTxtLoopActive
                          : exchangeWaits > 0 ? kTxtExchangeWaits
                                              : nullptr;
    return refusal ? Refuse(refusal, action) : 1;
}

int SensorFreeFor(const char* action) {
    if (!SensorLinkFreeFor(action)) return 0;
    return SensorIdentified() ? 1 : Refuse(kTxtNoSensor, action);
}

int SensorIdentified(void) {
    return ccdtype == kCcdType1024 || ccdtype == kCcdType512 || ccdtype == kCcdType256 ? 1 : 0;
}

void CompareOutcome(const CompareTable* t, char* text, int size) {
    const size_t n = static_cast<size_t>(size);
    char memories[kTextSize];
    if (t->differ == 0)
        std::snprintf(memories, sizeof memories, "%s", kTxtEqual);
    else if (t->differ == 1)
        std::snprintf(memories, sizeof memories, "%s", kTxtOneDiffers);
    else
        std::snprintf(memories, sizeof memories, kTxtManyDiffer, t->differ);
    const char* file = FileNameOf(file_name);
    if (!t->hasFile)
        std::snprintf(text, n, "%s", memories);
    else if (t->fileDiffer == 0)
        std::snprintf(text, n, kTxtFileEqual, memories, file);
    else
        std::snprintf(text, n, kTxtFileDiffers, memories, t->fileDiffer, file);
}

int ReadCompareTable(CompareTable* table, int withFile) {
    static uint16_t ram[kParamWords], eeprom[kParamWords], file[kParamWords];
    table->count = 0;
    table->differ = 0;
    table->hasFile = 0;
    table->fileDiffer = 0;
    const Memory memories[] = {{CMD_READ_RAM, ram}, {CMD_READ_EEPROM, eeprom}};
    int wasDimmed[kBusyCount] = {};
    DimBusy(wasDimmed);
    int ok = 1;
    for (const Memory& m : memories)
        if (ok) ok = ReadMemory(m.command, m.record);
    RestoreBusy(wasDimmed);
    if (!ok) return 0;
    const int hasFile = withFile && ReadFile(file);
    FillTable(table, ram, eeprom, hasFile ? file : nullptr);
    if (table->differ == 0) NoteRamStored();
    if (PanelsMatchRecord(ram)) MarkPanelsSent();
    return 1;
}

int CC_BTNCompare(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK)
        ToggleHelpBeside(MAIN_HelpText1, control, kHelpGap, kHelpCompare);
    if (event != EVENT_COMMIT || !SensorFreeFor(kCompareAction)) return 0;
    SetStatus(kTxtComparing);
    if (!ReadCompareTable(&gTable, target == DATFILE)) {
        CloseCompare();
        ShowStatus();
        return 0;
    }
    ShowTable(&gTable);
    char text[kTextSize + kPathSize];
    CompareOutcome(&gTable, text, sizeof text);
    // The whole text on the line, the file's name included.
    CopyStatus(text);
    ShowStatusText(text);
    return 0;
}

int CC_BTNCompareClose(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) CloseCompare();
    return 0;
}

void CloseCompare(void) {
    HidePanel(pCompare);
    if (gCoveredGraph) SetCtrlAttribute(pHandle, gCoveredGraph, ATTR_VISIBLE, 1);
    gCoveredGraph = 0;
}

int CompareCoveredGraph(void) {
    return gCoveredGraph;
}
