// Start-up and the control table of Kovexa: loading the panels, the start
// values, the event loop, and the callbacks of start-up, teach, reset, the
// recorder and the linearisation memory. It sits on top of everything: the
// panel side (gui/gui.h), the banner, parameter files, the link and the
// Qt-free core.
#pragma once

#include <cstdint>

#include "com232/kvex_link.h"
#include "core/app_state.h"
#include "core/recfile.h"
#include "core/status.h"
#include "core/xflash_frames.h"
#include "gui/gui.h"
#include "logo/logo.h"

// ---------------------------------------------------------- start-up ----

// The program as the runtime runs it: loads panels, probes the sensor, runs
// the event loop, cleans up. Returns the exit code (0, or -1 when a panel
// cannot be loaded).
int KovexaMain(void);
// Loads the panels into their handles (core/app_state.h); 1, or 0 on a failed load.
int LoadPanels(void);
void InitVars(void);
void InitGUI(void);
// The control table for RegisterControls.
void RegisterKovexaControls(void);
// Every control with a help text gets its first sentence as tooltip.
void InstallTooltips(void);
int CC_PANEL(int panel, int event, void* callbackData, int eventData1, int eventData2);
int CC_POPUP(int panel, int event, void* callbackData, int eventData1, int eventData2);

KOVEXA_CALLBACK(CC_ButtonTeach);
KOVEXA_CALLBACK(CC_NEDITTeach);
KOVEXA_CALLBACK(CC_ButtonReset);

// ------------------------------------------ recorder and X-FLASH ---

// Recorder (recorder.cpp).
// Appends the header to rec_fname (creating it). 1, or 0 when it could
// not be written.
int writeFileHeader(void);
void CalcRecTime(uint32_t seconds);
// The recording loop of the start button; returns when it has ended.
void PushRECORD(void);
// Shows (1) or hides and dims (0) the X-FLASH write and the slope field.
void ShowXFlashService(int shown);

KOVEXA_CALLBACK(CC_TOGGBTN_Recorder);
KOVEXA_CALLBACK(CC_NUMsample);
KOVEXA_CALLBACK(CC_NUMinctime);
KOVEXA_CALLBACK(CC_CBTNStartRecord);
KOVEXA_CALLBACK(CC_CBTNStopRecord);
KOVEXA_CALLBACK(CC_CMDBTNrecfile);

// Linearisation file and the write sequence (linmemory.cpp).
// 0 when a table was read into linArray; 1 when the popup was cancelled;
// negative when the file was refused (linArray untouched).
int ReadLinDataFromFile(void);

KOVEXA_CALLBACK(CC_WriteXFLASH);
KOVEXA_CALLBACK(CC_ReadXFLASH);
