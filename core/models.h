// Sensor identification without the platform: decoding the hardware answer,
// the model table, the step table of the video x positions, and the rules
// that turn a decoded identity into the derived globals.
//
// Protocol facts owned here:
//  - the answer to command 10 is a 36-byte frame; bytes 2-3 echo the
//    command (10), bytes 4-25 carry eleven big-endian words: ccdtype,
//    ccdmaxpixel, ccdresolution, pcbtype, ccdvirtpixel, ccdsubpixel,
//    ccdpixB, ccdpixE, softversion, hwtype, adcmax;
//  - the hardware type code is looked up within its ccdtype group (1: 1024
//    pixels, 4: 512 pixels, 101: 256 pixels); base code + 10000 is the peak
//    model of the same optics;
//  - the firmware answer (command 7) is 72 raw bytes: the text itself, or,
//    on boards of pcbtype 0, 36 big-endian words with one character each.
// Model texts are Latin-1 (the micro sign is the single byte 0xB5).
#pragma once

#include <cstdint>

enum {
    kModelLines = 4,          // lines of the model box
    kFirmwareBytes = 72,      // firmware answer
    kFirmwareWordChars = 36,  // characters of a pcbtype-0 answer
    kHwtypeTarvo = 400,
    kHwtypeType500 = 500,
    kPeakCodeOffset = 10000,
    kCcdType1024 = 1,
    kCcdType512 = 4,
    kCcdType256 = 101,
    kAdcFullScale1024 = 1024,
    kAdcFullScaleOther = 256,
    kUnidentifiedLimit = 1024,  // pixE, YAXISMAX and ADCMAX of an unknown sensor
    kFallbackVirtPixel = 1024,  // ccdvirtpixel when the step table has no row
    kFallbackStep = 4,
};

// HWTYPE values; kFamilyKeep leaves the previous HWTYPE in place.
enum { kFamilyKeep = 0, kFamilyEdge = 1, kFamilyPeak = 2 };

struct ModelRow {
    uint16_t ccdtype;
    uint16_t hwtype;
    uint16_t family;                // HWTYPE it sets: kFamilyEdge, kFamilyPeak or kFamilyKeep
    const char* line[kModelLines];  // model name, then three description lines
};

struct HardwareInfo {
    uint16_t echo;
    uint16_t ccdtype, ccdmaxpixel, ccdresolution, pcbtype, ccdvirtpixel, ccdsubpixel, ccdpixB,
        ccdpixE, softversion, hwtype, adcmax;
};

// What identification decided beyond the globals it set.
struct Identification {
    const ModelRow* model;  // text for the model box, nullptr: box unchanged
    int adaptPanels;        // 1: run the panel adaptation
    int knownFamily;        // 1: ccdtype 1, 4 or 101 (SEND allowed)
};

// Model table access (every row, for tests and the model box).
int ModelCount(void);
const ModelRow* ModelAt(int index);
// Row of a code within its ccdtype group, or nullptr.
const ModelRow* FindModel(uint16_t ccdtype, uint16_t hwtype);
// The box shown for a sensor of an unknown ccdtype.
const ModelRow* UnidentifiedModel(void);

// Step of xArray for a ccdvirtpixel, 0 when the table has no row.
uint16_t StepOfVirtPixel(uint16_t virtpixel);
// Fills xArray from ccdvirtpixel; a count not in the table becomes 1024
// with step 4. Returns the step used.
uint16_t FillXArray(void);

// Decodes a 36-byte hardware answer into *hw; 1 when the echo is 10.
int DecodeHardwareFrame(const char* frame, HardwareInfo* hw);
// Makes *hw the identity of the connected sensor (the eleven globals).
void StoreHardwareInfo(const HardwareInfo* hw);
// ADCMAX for a reported full scale.
uint16_t AdcMaxOf(uint16_t reported);
// From ccdtype/hwtype (already stored): HWTYPE, pixB, pixE, YAXISMAX and
// ADCMAX, and what the caller must show and adapt.
void IdentifySensor(Identification* out);

// Firmware answer to text: raw holds count bytes; a text is decoded only
// from exactly 72 bytes. out receives at most outSize-1 characters and is
// always terminated. Returns the text length, or -1 when count is not 72
// (out is then empty).
int DecodeFirmwareText(const char* raw, int count, uint16_t pcbtypeOfSensor, char* out,
                       int outSize);
