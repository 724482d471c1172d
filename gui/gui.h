// The panel side of the program: binding the record to the controls by
// sensor variant, the sequences GET, SEND, RUN, VIDEO and DATA, the probe
// of a port, every graph, the control handlers of the parameter pages and
// the main panel, COMPARE, REPORT, the link window, the unsaved-settings
// and unsent-edits guards, the window title and the settings kept between
// runs. It speaks to the sensor through the link (com232/kvex_link.h) and
// is driven by start-up and the control table (KovexaV308/kovexa.h).
#pragma once

#include <cstdint>

#include "com232/kvex_link.h"
#include "core/app_state.h"
#include "core/status.h"

// ------------------------------------------------------------- panels ---

// Fills every ring (drop-down) of the panels with its items and values.
void FillRings(void);
// The controls that follow the record: tolerance fields by hardware mode,
// analog displays by analog mode, DATA and trigger threshold by trigger
// mode, tolerance displays. Run after every probe of a sensor.
void ShowDependentControls(void);
// Dims both tolerance fields for hardware modes 1 and 3, where the sensor's
// button or potentiometer sets them; only while the hardware-mode
// drop-down is offered.
void DimTolerancesByHardware(int hardwareMode);
// The record's tolerances in millimetres in DISPtolHigh and DISPtolLow, and
// the green tolerance band on GRAPHBar, by the variant's words.
void ShowToleranceDisplays(Variant variant);
void PlotToleranceBand(Variant variant);
// The analog displays and RESET show from analog-out mode 2 on, while the
// analog-out ring is offered; they follow the mode the ring shows.
void ShowAnalogControls(void);

// --------------------------------------------------------- operations ---

int PushGET(uint16_t source, uint16_t half);
void PushRUN(void);
// RAM as source and target: its radio button on, EEPROM and FILE off.
void SelectRamTarget(void);
// VIDEO: refreshes the video curve until STOP or a time-out.
void PushVIDEO(void);
// DATA: one trigger-buffer transfer, drawn with its lines.
void PushDATA(void);

// Panel binding by variant.
void GetPanelValues(void);
void GetPanelValuesV303(void);
void GetPanelValuesTarvo(void);
void SetPanelValues(void);
void SetPanelValuesV303(void);
void SetPanelValuesTarvo(void);
// The members of the variant in force.
void GetPanelValuesOfVariant(void);
void SetPanelValuesOfVariant(void);
// Panel adaptation to the identified sensor.
void AdaptPanels(void);

// Graphs.
void PlotRAWGraph(void);
void PlotRAWGraphV303(void);
void PlotRAWGraphTarvo(void);
void PlotVIDEOBarGraph(void);
void PlotVIDEOBarGraphV303(void);
void PlotVIDEOBarGraphTarvo(void);
// The member of the variant in force.
void PlotVIDEOBarGraphOfVariant(void);
void PlotVIDEOCurve(const uint16_t* samples, const uint16_t* threshold, const double* x);
void PlotDATACurve(const uint16_t* samples, const double* x);

// Help boxes: places box (MAIN_HelpText1 or MAIN_HelpText2) at (left, top)
// of the main panel, toggles its visibility and sets its text.
void ToggleHelp(int box, int left, int top, const char* text);
// The same, with the box gap units right of a main-panel control and gap
// units above its top.
void ToggleHelpBeside(int box, int control, int gap, const char* text);

// ---------------------------------------------------------- callbacks ---

#define KOVEXA_CALLBACK(name) \
    int name(int panel, int control, int event, void* callbackData, int eventData1, int eventData2)

KOVEXA_CALLBACK(CC_TOGGBTN_Para1);
KOVEXA_CALLBACK(CC_TOGGBTN_Para2);
KOVEXA_CALLBACK(CC_TOGGBTN_Calib);
KOVEXA_CALLBACK(CC_HelpText1);
KOVEXA_CALLBACK(CC_HelpText2);
KOVEXA_CALLBACK(CC_DropDCom);
KOVEXA_CALLBACK(CC_BTNGet);
KOVEXA_CALLBACK(CC_BTNSend);
KOVEXA_CALLBACK(CC_RBTRam);
KOVEXA_CALLBACK(CC_RBTEeprom);
KOVEXA_CALLBACK(CC_RBTFile);
KOVEXA_CALLBACK(CC_BTNRun);
KOVEXA_CALLBACK(CC_BTNStop);
KOVEXA_CALLBACK(CC_GRAPHRaw);
KOVEXA_CALLBACK(CC_GRAPHVideo);
KOVEXA_CALLBACK(CC_GRAPHData);
KOVEXA_CALLBACK(CC_ToggButtonZoom);
KOVEXA_CALLBACK(CC_DROPevalmode);
KOVEXA_CALLBACK(CC_DROPpolarity);
KOVEXA_CALLBACK(CC_DROPaverage);
KOVEXA_CALLBACK(CC_DROPhold);
KOVEXA_CALLBACK(CC_DROPpowermode);
KOVEXA_CALLBACK(CC_SLIDEpower);
KOVEXA_CALLBACK(CC_BINSWopmode);
KOVEXA_CALLBACK(CC_DROPhardware);
KOVEXA_CALLBACK(CC_DROPtrigmode);
KOVEXA_CALLBACK(CC_DROPanaMode);
KOVEXA_CALLBACK(CC_SLIDEVideoThreshold);
KOVEXA_CALLBACK(CC_NUMTriggThreshold);
KOVEXA_CALLBACK(CC_NEDITTolerance);
KOVEXA_CALLBACK(CC_NEDITToleranceUP);
KOVEXA_CALLBACK(CC_NEDITEdgeLeft);
KOVEXA_CALLBACK(CC_NEDITEdgeRight);
KOVEXA_CALLBACK(CC_BTNVideo);
KOVEXA_CALLBACK(CC_BTNData);

// ------------------------------------- commissioning records and checks --

// Names the raw graph's traces and shows its legend (once, at start-up).
void NameGraphTraces(void);
// Curve names of the video and data graphs, for their legend and tables.
extern const char kCurveVideo[], kCurveVideoThreshold[], kCurveData[], kCurveTrigger[],
    kCurveUpperLimit[], kCurveLowerLimit[], kCurveSetPoint[];
// Ctrl+S on a focused graph: saves what it shows (file popup, CSV or PNG).
void SaveGraphOnKey(int control, int event, int key, int modifiers);
KOVEXA_CALLBACK(CC_GRAPHBar);

// Comparison of RAM, EEPROM and the parameter file (window pCompare).
extern int pCompare;
// 1 while a loop owns the sensor link (RUN today: stop_flag 0). Every loop
// that exchanges frames runs with stop_flag 0, so COMPARE and REPORT wait.
int SensorLoopActive(void);
// 1 when the connected sensor belongs to a known family (ccdtype 1, 4, 101).
int SensorIdentified(void);
// 1 when an action may use the line now: no loop runs and no reply is
// awaited; else 0 with a status text that names the action and why.
int SensorLinkFreeFor(const char* action);
// SensorLinkFreeFor, and an identified sensor on the port.
int SensorFreeFor(const char* action);
// The compare window lies where the curve graphs are and hides the one
// shown while it is open. Closing it (also when a loop starts drawing)
// shows that graph again.
void CloseCompare(void);
// The curve graph the open compare window hides, 0 when none.
int CompareCoveredGraph(void);
enum { kCompareRows = 24, kCompareLabelSize = 32, kCompareTextSize = 40 };
struct CompareRow {
    char label[kCompareLabelSize];
    char ram[kCompareTextSize], eeprom[kCompareTextSize], file[kCompareTextSize];
    int differs;  // RAM, EEPROM (and file, when read) not all equal
};
struct CompareTable {
    int count;
    int differ;      // parameters whose RAM and EEPROM values differ
    int hasFile;     // file column read
    int fileDiffer;  // parameters whose file value differs from RAM's
    CompareRow rows[kCompareRows];
};
// Reads both halves from RAM and EEPROM (and, withFile, a parameter file
// chosen in the load popup) without touching the panels, and fills table.
// 1, or 0 with the time-out text in szStatus (table empty).
int ReadCompareTable(CompareTable* table, int withFile);
// "RAM and EEPROM are equal" or how many parameters differ; with a file,
// also how many of its values differ from RAM, and its name.
void CompareOutcome(const CompareTable* table, char* text, int size);
KOVEXA_CALLBACK(CC_BTNCompare);
KOVEXA_CALLBACK(CC_BTNCompareClose);
// The link health window (pLink): counters since the port was opened.
extern int pLink;
KOVEXA_CALLBACK(CC_BTNLink);
KOVEXA_CALLBACK(CC_TEXTlink);
KOVEXA_CALLBACK(CC_BTNLinkRefresh);
KOVEXA_CALLBACK(CC_BTNLinkClose);
// The link's counters as a section of the commissioning report.
void ReportAddLinkHealth(void);

// Unsaved-settings guard: RAM written by this program and not yet stored
// in (or read back from) EEPROM of the same sensor.
void NoteRecordCommand(uint16_t command);  // a write or read went to the sensor
void NoteSensorChanged(void);              // another port, another sensor
void NoteRamStored(void);                  // RAM and EEPROM found equal
// Asks before quitting when RAM is unsaved; 1 to go ahead.
int ConfirmQuit(void);

// The help text a control's right click shows (nothing is shown), or
// nullptr when it has none.
const char* HelpTextOf(int (*callback)(int, int, int, void*, int, int), int panel, int control);

// Window title: port and device, sensor model, loop running.
void SetTitleSensor(const char* model);  // nullptr or "": no sensor answered
void SetTitleLoop(const char* loop);     // "RUN", "VIDEO", ...; nullptr: none
void ShowTitle(void);
// Kept between runs: the memory choice (RAM, EEPROM, FILE) and the main
// window's size and place.
void SaveMemoryChoice(void);
void RestoreMemoryChoice(void);
void SaveSettings(void);
void RestoreSettings(void);
// F5 RUN, Esc STOP, Ctrl+G GET, Ctrl+Shift+S SEND, Ctrl+Q quit, F1 help.
void InstallShortcuts(void);

// Panel edits not yet sent to the sensor (or saved to a file), marked on
// their controls and counted in the status line.
void MarkPanelsSent(void);  // the panels now match the sensor or a file
void NotePanelEdits(void);  // after a user event: marks and count again
int UnsentEdits(void);
// Asks before panel edits are overwritten; 1 to go ahead.
int ConfirmDiscardEdits(void);
// 1 when the panels, read into a record, equal record (word 2 on).
int PanelsMatchRecord(const uint16_t* record);

// Commissioning report: PDF (identity, parameter table of RAM and EEPROM,
// bar graph and the graph shown) and the table as CSV beside it.
KOVEXA_CALLBACK(CC_BTNReport);

// ------------------------------------------- identification and panels ---

// Forgets the sensor shown before, opens port and probes what answers on
// it, showing each result; at start-up and on a port change.
void InitRS232(int port);
// No sensor is known on the port any more: identity, firmware text, model
// box and the measured values shown are cleared until a probe succeeds.
void ForgetSensor(void);
// The hardware answer, shown: model box, title, axes, panels adapted to
// the sensor. 1 when it came and was the answer to this request.
int GetHARDWAREInfo(void);

// Port ring from the port table, with com selected (also after a change).
void FillPortRing(void);
// Value of the port drop-down's last item, which asks for a device
// server's address (no port has number 0).
enum { kPortItemNetwork = 0 };
// Asks for a device server's address and adds it to the port table;
// its port number, or 0 when cancelled or not an address (the status line
// then says which form it takes).
int AskNetworkPort(void);
// Start-up labels back on the ring items that AdaptPanels relabels.
void RestoreAdaptedItems(void);
// Firmware below 305 has no trigger buffer: trigger item 3 becomes
// "NOT-USED" (value 1), the trigger threshold and DATA are hidden.
void WithdrawTriggerFunctions(void);

// ---------------------------------------------------------- X-FLASH ---

// X-FLASH exchanges (gui/xflash.cpp). Each waits up to TIMEOUT and ends
// early when stop_flag is set (STOP, quitting, a port change).
enum { kXFlashConfirmed = 1, kXFlashUnconfirmed = 0, kXFlashAborted = -1 };
// Clear frame and its reply: kXFlashConfirmed on a reply in time.
int ClearXFLASH(void);
// One write frame of linArray and its reply, with the progress bar and
// counter: kXFlashConfirmed when the reply reports this offset and page.
int WriteXFLASH(uint16_t offset, uint16_t page);
