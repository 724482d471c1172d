// Kovexa application core: the program-wide state that is not the sensor
// link's, and every operation and control callback of the program. One
// header for all modules (gui, popup, logo, KovexaV308) because they share
// the same globals and call each other freely; the link is in kvex_link.h.
#pragma once

#include <cstdint>

#include "com232/kvex_link.h"

// ------------------------------------------------------------- state ----

extern int target;  // RAM, EEPROM or DATFILE
extern int pHandle, pPopup, pPara1, pPara2, pCalib;
extern char proj_dir[kPathSize];
extern char file_name[kPathSize];
extern char dir_fname[kPathSize];
extern char rec_fname[kPathSize];
extern char szSoftVersion[kTextSize];  // "Version 3.08"
extern char szSoftName[kTextSize];     // "Kovexa"
extern uint16_t adcbuf[kLineCount];    // video signal or trigger buffer
extern uint16_t linArray[2048];        // linearisation table
extern double arrayNORM[600];          // raw-graph history: 100 samples x 6 traces

// ---------------------------------------------------------- start-up ----

// The program as the runtime runs it: loads panels, probes the sensor, runs
// the event loop, cleans up. Returns the exit code (0, or -1 when a panel
// cannot be loaded).
int KovexaMain(void);
// Loads the five panels into the handles above; 1, or 0 on a failed load.
int LoadPanels(void);
// Fills every ring (drop-down) of the panels with its items and values.
void FillRings(void);
void InitVars(void);
void InitGUI(void);
// The controls that follow the record: tolerance fields by hardware mode,
// analog displays by analog mode, DATA and trigger threshold by trigger
// mode, tolerance displays. Run after every probe of a sensor.
void ShowDependentControls(void);
// Dims both tolerance fields for hardware modes 1 and 3, where the sensor's
// button or potentiometer sets them; only while the hardware-mode
// drop-down is offered.
void DimTolerancesByHardware(int hardwareMode);
// The control table for RegisterControls.
void RegisterKovexaControls(void);

// --------------------------------------------------------- operations ---

void PushGET(uint16_t source, uint16_t half);
void PushRUN(void);

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

// Parameter file.
void SendParaToFile(void);
void ReadParaFromFile(void);

// Graphs.
void PlotRAWGraph(void);
void PlotRAWGraphV303(void);
void PlotRAWGraphTarvo(void);
void PlotVIDEOBarGraph(void);
void PlotVIDEOBarGraphV303(void);
void PlotVIDEOBarGraphTarvo(void);
void PlotVIDEOCurve(const uint16_t* samples, const uint16_t* threshold, const double* x);
void PlotDATACurve(const uint16_t* samples, const double* x);

// Banner.
void ShowLogo(void);
void ShowInfoText(int background, int textColour, const char* text, int left, int top,
                  int pointSize);

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

int CC_PANEL(int panel, int event, void* callbackData, int eventData1, int eventData2);
int CC_POPUP(int panel, int event, void* callbackData, int eventData1, int eventData2);

// ------------------------------------------- identification and panels ---

// Port ring from the port table, with com selected (also after a change).
void FillPortRing(void);
// Start-up labels back on the ring items that AdaptPanels relabels.
void RestoreAdaptedItems(void);
// Firmware below 305 has no trigger buffer: trigger item 3 becomes
// "NOT-USED" (value 1), the trigger threshold and DATA are hidden.
void WithdrawTriggerFunctions(void);
