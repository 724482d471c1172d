// Saving what a graph shows, so a curve or a measurement can go to a
// colleague: Ctrl+S on the focused graph asks for a file and writes the
// graph's table (CSV, header row naming the traces) or its picture (PNG).
// The raw, video and data graphs carry a legend naming their traces and
// curves, so the screen and a saved picture explain themselves.
#include <cstdio>
#include <cstring>

#include "gui/gui.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

const char kCurveVideo[] = "video signal";
const char kCurveVideoThreshold[] = "video threshold";
const char kCurveData[] = "trigger buffer";
const char kCurveTrigger[] = "trigger threshold";
const char kCurveUpperLimit[] = "upper limit";
const char kCurveLowerLimit[] = "lower limit";
const char kCurveSetPoint[] = "set point";

namespace {

// In the order the raw graph's history interleaves them.
const char* const kRawTraceNames[] = {
    kCurveUpperLimit, kCurveLowerLimit, kCurveSetPoint,
    "measured value", "analog low",     "analog high",
};

const char kSaveKey = 'S';
const char kGraphFileTypes[] = "*.csv;*.png";
const char kGraphFileTitle[] = "Save Graph (CSV table or PNG picture)";
const char kTxtGraphSaved[] = "Graph saved.";
const char kTxtGraphNotSaved[] = "Graph NOT saved - file cannot be written (use .csv or .png)!";
const char kTxtGraphNotAFile[] = "Graph NOT saved - that is a device, pipe or folder!";

struct GraphFile {
    int control;
    const char* name;  // proposed file name
};
const GraphFile kGraphFiles[] = {
    {MAIN_GRAPHRaw, "raw-graph.csv"},
    {MAIN_GRAPHVideo, "video-graph.csv"},
    {MAIN_GRAPHData, "data-graph.csv"},
    {MAIN_GRAPHBar, "bar-graph.csv"},
};

}  // namespace

void NameGraphTraces(void) {
    const int count = static_cast<int>(sizeof kRawTraceNames / sizeof kRawTraceNames[0]);
    for (int trace = 0; trace < count; ++trace)
        SetTraceAttributeEx(pHandle, MAIN_GRAPHRaw, trace + 1, ATTR_TRACE_LG_TEXT,
                            kRawTraceNames[trace]);
    // The curve graphs name their curves as they plot them.
    const int withLegend[] = {MAIN_GRAPHRaw, MAIN_GRAPHVideo, MAIN_GRAPHData};
    for (int control : withLegend) SetCtrlAttribute(pHandle, control, ATTR_LEGEND_VISIBLE, 1);
}

void SaveGraphOnKey(int control, int event, int key, int modifiers) {
    if (event != EVENT_KEYPRESS || key != kSaveKey || !(modifiers & VAL_CTRL_MODIFIER)) return;
    const char* proposed = kGraphFiles[0].name;
    for (const GraphFile& f : kGraphFiles)
        if (f.control == control) proposed = f.name;
    char path[kPathSize];
    const int chosen = FileSelectPopup(proj_dir, proposed, kGraphFileTypes, kGraphFileTitle, 0, 0,
                                       0, 1, 1, path, sizeof path);
    if (chosen != VAL_EXISTING_FILE_SELECTED && chosen != VAL_NEW_FILE_SELECTED) return;
    const int saved = SaveGraphFile(pHandle, control, path);
    SetStatus(saved == VAL_ERR_NOT_REGULAR_FILE ? kTxtGraphNotAFile
              : saved < 0                       ? kTxtGraphNotSaved
                                                : kTxtGraphSaved);
}

int CC_GRAPHBar(int, int control, int event, void*, int eventData1, int eventData2) {
    SaveGraphOnKey(control, event, eventData1, eventData2);
    return 0;
}
