// Parameter file contents, without the platform.
//
// Format facts owned here: 30 unsigned numbers, one per line, right-aligned
// in 6 characters; values 1-15 are half 0 of the packed record in the
// layout of the variant in force (standard words 3-17, V303 18-32, Tarvo
// 33-47), values 16-30 half 1 (words 48-58, then 60-63). Word 59 and the
// request words 0-2 are not stored; there is no header and no variant
// marker, so a file loads into the layout of the sensor connected now.
#pragma once

#include <cstdint>

enum {
    kParamFileValues = 30,
    kParamFileField = 6,
};

extern const char kParamFileDefault[];        // "KVEXpara.cfg"
extern const char kParamFileFilter[];         // "*.cfg"
extern const char kParamFileSaveTitle[];      // "K-VEX-RZ-Series Parameter File"
extern const char kParamFileLoadTitle[];      // "K-VEX-RZ-Series-Parameter-File"
extern const char kTxtParamFileWriteError[];  // "Error writing parameter-file!"
extern const char kTxtParamFileReadError[];   // "Error reading parameter-file!"
extern const char kTxtParamFileSaved[];       // "Parameter-file saved:" (the name follows)
extern const char kTxtParamFileLoaded[];      // "Parameter-file loaded:" (the name follows)
extern const char kTxtPathTooLong[];          // "Path of the chosen file is too long!"

// Packs both halves of the record into the 30 file values.
void ParamFileFromRecord(uint32_t* values);
// Unpacks 30 file values into the record (low 16 bits of each).
void ParamFileToRecord(const uint32_t* values);
