// The program's single instances that are not the sensor link's: the
// transfer target, the panel handles, the paths in use, and the buffers of
// the video signal, the linearisation table and the raw-graph history.
// Plain data, no platform.
#pragma once

#include <cstdint>

#include "core/protocol.h"

extern int target;  // RAM, EEPROM or DATFILE
extern int pHandle, pPopup, pPara1, pPara2, pCalib;
extern char proj_dir[kPathSize];
extern char file_name[kPathSize];
extern char rec_fname[kPathSize];
extern char szSoftVersion[kTextSize];  // "Version 3.08"
extern char szSoftName[kTextSize];     // "Kovexa"
extern uint16_t adcbuf[kLineCount];    // video signal or trigger buffer
extern uint16_t linArray[2048];        // linearisation table
extern double arrayNORM[600];          // raw-graph history: 100 samples x 6 traces
