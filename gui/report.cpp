// REPORT: a commissioning record in one click. Reads RAM and EEPROM as
// COMPARE does, then writes a PDF (date and time, program version, port and
// its device, the sensor's identity, the values the displays show and
// whether the measurement is within tolerance, the parameter table with RAM
// and EEPROM values, the bar graph and the graph shown) and the parameter
// table as CSV beside it (same name, ".csv"; the PDF always ends in ".pdf",
// so one never overwrites the other). The file popup proposes
// "<model>_<date>.pdf". A file that cannot be written leaves nothing under
// its name and says so on the status line.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "core/plotmath.h"
#include "gui/gui.h"
#include "kovexa_version.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

const char kHelpReport[] =
    "REPORT-BUTTON:\nWrite a commissioning report (PDF) of\nthe sensor: identity, RAM- and "
    "EEPROM-\nparameters, graphs; the table also as CSV.";
const char kReportAction[] = "REPORT";
const char kReportTitle[] = "Commissioning Report";
const char kReportFilter[] = "*.pdf";
const char kTxtReporting[] = "Writing report ...";
const char kTxtReportWritten[] = "Report written (PDF and CSV):";
const char kTxtReportFailed[] = "Report NOT written - the file cannot be written there!";
const char kTxtCsvFailed[] = "Report PDF written - CSV NOT written!";
const char kTxtReportNotAFile[] = "Report NOT written - that is a device, pipe or folder!";
const char kSignatureLine[] =
    "Commissioned by: ______________________    Date, signature: ______________________";
const char kMarkDiffers[] = "*";

enum { kLineSize = 160, kHelpGap = 20, kRowSize = 256 };

struct GraphShown {
    int control;
    const char* caption;
};
// The measurement displays, by their panel labels.
struct Shown {
    int control;
    const char* label;
};
const Shown kMeasuredDisplays[] = {
    {MAIN_DISPedgeLeft, "E-LEFT"},
    {MAIN_DISPedgeRight, "E-RIGHT"},
    {MAIN_DISPpixel, "M-VALUE [pixel]"},
    {MAIN_DISPmm, "M-VALUE [mm]"},
};
// The tolerance verdict the displays' colour shows.
struct Verdict {
    int colour;
    const char* text;
};
const Verdict kVerdicts[] = {
    {kColourIn, "within tolerance"},
    {kColourOut, "OUT OF TOLERANCE"},
};
const char kTxtNotMeasured[] = "not measured yet";

const GraphShown kCurveGraphs[] = {
    {MAIN_GRAPHRaw, "Measurement (roll graph)"},
    {MAIN_GRAPHVideo, "Video signal"},
    {MAIN_GRAPHData, "Trigger buffer"},
};

void Now(const char* format, char* out, size_t size) {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    if (std::strftime(out, size, format, &local) == 0 && size > 0) out[0] = '\0';
}

void ModelLine(int line, char* out, int size) {
    if (GetTextBoxLine(pCalib, CALIB_TEXTmodel, line, out, size) < 0) out[0] = '\0';
}

// "<model>_<date>.pdf" with only letters, digits, '-' and '_' from the model.
void DefaultName(char* out, size_t size) {
    char model[kLineSize], date[32];
    ModelLine(0, model, sizeof model);
    for (char* c = model; *c; ++c)
        if (!std::isalnum(static_cast<unsigned char>(*c)) && *c != '-') *c = '_';
    Now("%Y-%m-%d", date, sizeof date);
    std::snprintf(out, size, "%s_%s.pdf", model[0] ? model : "K-VEX", date);
}

void PortText(char* out, int size) {
    int index = 0;
    if (GetIndexFromValue(pHandle, MAIN_DropDCom, &index, com) < 0 ||
        GetLabelFromIndex(pHandle, MAIN_DropDCom, index, out, size) < 0)
        std::snprintf(out, static_cast<size_t>(size), "COM%d", com);
}

void Line(const char* format, const char* a, const char* b = "") {
    char text[2 * kLineSize + 32];  // a format and two lines
    std::snprintf(text, sizeof text, format, a, b);
    ReportAddText(text, VAL_REPORT_TEXT);
}

void AddIdentity(void) {
    char text[kLineSize], value[kLineSize];
    Now("%Y-%m-%d %H:%M", value, sizeof value);
    Line("Date: %s", value);
    Line("Program: Kovexa %s", KOVEXA_VERSION);
    PortText(value, sizeof value);
    // The drop-down's label names the device where the platform knows it.
    const char* device = PortTableDevice(com);
    if (device && *device && !std::strstr(value, device))
        Line("Port: %s, device %s", value, device);
    else
        Line("Port: %s", value);
    ReportAddText("Sensor", VAL_REPORT_HEADING);
    for (int line = 0; line < 4; ++line) {
        ModelLine(line, value, sizeof value);
        if (value[0]) Line(line == 0 ? "Model: %s" : "       %s", value);
    }
    Line("Firmware: %s", szVersion);
    std::snprintf(text, sizeof text,
                  "Pixels: %u CCD pixels, %u virtual pixels (subpixel %u), evaluated %u to %u",
                  unsigned{ccdmaxpixel}, unsigned{ccdvirtpixel}, unsigned{ccdsubpixel},
                  unsigned{pixB}, unsigned{pixE});
    ReportAddText(text, VAL_REPORT_TEXT);
    std::snprintf(text, sizeof text, "Hardware type: %u", unsigned{hwtype});
    ReportAddText(text, VAL_REPORT_TEXT);
}

void AddMeasured(void) {
    ReportAddText("Measured values (as shown)", VAL_REPORT_HEADING);
    const char* header[] = {"VALUE", "SHOWN"};
    ReportAddRow(header, 2, VAL_ROW_HEADER);
    char value[kLineSize];
    for (const Shown& d : kMeasuredDisplays) {
        if (GetCtrlString(pHandle, d.control, value, sizeof value) < 0) value[0] = '\0';
        const char* cells[] = {d.label, value[0] ? value : "-"};
        ReportAddRow(cells, 2, VAL_ROW_PLAIN);
    }
    int colour = -1;
    GetCtrlAttribute(pHandle, MAIN_DISPmm, ATTR_TEXT_BGCOLOR, &colour);
    const char* verdict = kTxtNotMeasured;
    for (const Verdict& v : kVerdicts)
        if (v.colour == colour) verdict = v.text;
    const char* cells[] = {"TOLERANCE", verdict};
    ReportAddRow(cells, 2, colour == kColourOut ? VAL_ROW_MARKED : VAL_ROW_PLAIN);
}

void AddTable(const CompareTable& t) {
    char outcome[kTextSize];
    CompareOutcome(&t, outcome, sizeof outcome);
    ReportAddText("Parameters", VAL_REPORT_HEADING);
    ReportAddText(outcome, VAL_REPORT_TEXT);
    const char* header[] = {"PARAMETER", "RAM", "EEPROM", ""};
    ReportAddRow(header, 4, VAL_ROW_HEADER);
    for (int i = 0; i < t.count; ++i) {
        const CompareRow& r = t.rows[i];
        const char* cells[] = {r.label, r.ram, r.eeprom, r.differs ? kMarkDiffers : ""};
        ReportAddRow(cells, 4, r.differs ? VAL_ROW_MARKED : VAL_ROW_PLAIN);
    }
}

void AddGraphs(void) {
    ReportAddGraph(pHandle, MAIN_GRAPHBar, "CCD line (bar graph)");
    for (const GraphShown& g : kCurveGraphs) {
        int visible = 0;
        GetCtrlAttribute(pHandle, g.control, ATTR_VISIBLE, &visible);
        if (visible || g.control == CompareCoveredGraph())
            ReportAddGraph(pHandle, g.control, g.caption);
    }
}

// One CSV cell: quoted, quotes doubled.
void Cell(std::string* csv, const char* text, char end) {
    csv->push_back('"');
    for (const char* c = text; *c; ++c) {
        if (*c == '"') csv->push_back('"');
        csv->push_back(*c);
    }
    csv->push_back('"');
    csv->push_back(end);
}

int WriteCsv(const char* path, const CompareTable& t) {
    std::string csv = "parameter,RAM,EEPROM,differs\n";
    for (int i = 0; i < t.count; ++i) {
        const CompareRow& r = t.rows[i];
        Cell(&csv, r.label, ',');
        Cell(&csv, r.ram, ',');
        Cell(&csv, r.eeprom, ',');
        csv += r.differs ? "1\n" : "0\n";
    }
    return SaveTextFile(path, csv.data(), static_cast<int>(csv.size())) == 0;
}

CompareTable gReportTable;

}  // namespace

int CC_BTNReport(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK)
        ToggleHelpBeside(MAIN_HelpText1, control, kHelpGap, kHelpReport);
    if (event != EVENT_COMMIT || !SensorFreeFor(kReportAction)) return 0;
    char name[kPathSize], path[kPathSize];
    DefaultName(name, sizeof name);
    const int chosen = FileSelectPopup(proj_dir, name, kReportFilter, kReportTitle, 0, 0, 1, 1, 1,
                                       path, sizeof path);
    if (chosen != VAL_EXISTING_FILE_SELECTED && chosen != VAL_NEW_FILE_SELECTED) return 0;
    char pdfPath[kPathSize], csvPath[kPathSize];
    if (!ReportFileNames(path, pdfPath, csvPath, kPathSize)) {
        SetStatus(kTxtReportFailed);
        return 0;
    }
    SetStatus(kTxtReporting);
    if (!ReadCompareTable(&gReportTable, 0)) {
        ShowStatus();
        return 0;
    }
    char title[kLineSize], model[kLineSize];
    ModelLine(0, model, sizeof model);
    std::snprintf(title, sizeof title, "%s %s", kReportTitle, model);
    ReportBegin(title);
    ReportAddText(kReportTitle, VAL_REPORT_TITLE);
    AddIdentity();
    AddMeasured();
    AddTable(gReportTable);
    AddGraphs();
    ReportAddLinkHealth();  // link health section (gui/linkpanel.cpp)
    ReportAddText(kSignatureLine, VAL_REPORT_HEADING);
    const int saved = ReportSave(pdfPath);
    if (saved < 0) {
        SetStatus(saved == VAL_ERR_NOT_REGULAR_FILE ? kTxtReportNotAFile : kTxtReportFailed);
        return 0;
    }
    if (WriteCsv(csvPath, gReportTable))
        SetStatusNaming(kTxtReportWritten, pdfPath);
    else
        SetStatus(kTxtCsvFailed);
    return 0;
}
