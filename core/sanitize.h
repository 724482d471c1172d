// Range rules of the parameter record, without the platform: the
// sanitising table applied per sensor variant before a record is shown,
// the calibration-slope conversion, the tolerance and edge corrections of
// the parameter controls, and the derived threshold and tolerance lines.
//
// Facts owned here:
//  - out-of-range words are replaced, some by their limit and some by a
//    fixed value (power above 1000 becomes 500, evaluation mode above 3
//    becomes 4, trigger and analog modes out of range become 0, an
//    evaluation begin beyond the sensor becomes 1); comparisons are
//    unsigned and the replacement is written back into the record;
//  - words 60-61 hold the slope times 16384 (standard) or 1024 (V303,
//    Tarvo) as one unsigned 32-bit number, low half first; words 62-63 the
//    offset as one 32-bit integer, low half first;
//  - tolerances in millimetres are slope words x tolerance / 16384000
//    (standard) or / 1024000 (V303, Tarvo).
#pragma once

#include <cstdint>

#include "core/protocol.h"
#include "core/record_layout.h"

enum {
    kSlopeScaleStandard = 16384,
    kSlopeScaleV303 = 1024,
};

// Sanitises the settings the variant has, in place. Returns the number of
// replacements made (0: the record was in range).
int SanitizeStandard(uint16_t* record, uint16_t virtpixel);
int SanitizeV303(uint16_t* record, uint16_t virtpixel);
int SanitizeTarvo(uint16_t* record, uint16_t virtpixel);
// The member of the given variant.
int SanitizeVariant(Variant variant, uint16_t* record, uint16_t virtpixel);

// Slope scale and tolerance divisor of a variant.
double SlopeScaleOf(Variant variant);
double ToleranceDivisorOf(Variant variant);

// Two record words as one unsigned 32-bit number, low half first.
uint32_t RecordU32(const uint16_t* record, int lowWord);
void SetRecordU32(uint16_t* record, int lowWord, uint32_t value);

// Slope x scale, truncated toward zero; products below 0 (and NaN) give 0,
// products above 4294967295 give 4294967295.
uint32_t SlopeToWords(double slope, double scale);
// Slope words / scale as the single-precision value the panel shows.
double WordsToSlope(uint32_t words, double scale);
// Slope words x tolerance / divisor (millimetres).
double ToleranceMm(uint32_t slopeWords, uint32_t tolerance, double divisor);
// A tolerance in pixels as millimetres, by the slope of the record and the
// variant's divisor.
double RecordToleranceMm(const uint16_t* record, Variant variant, uint32_t tolerance);

// ADCMAX x percent / 100, integer division.
uint16_t ThresholdLine(uint16_t adcFullScale, uint16_t percent);
// Tolerance limits in 16-bit signed arithmetic: teach - low raised to 0;
// teach + high lowered to virtpixel.
int16_t LowerLimit(uint16_t teach, uint16_t tolLow);
int16_t UpperLimit(uint16_t teach, uint16_t tolHigh, uint16_t virtpixel);

// Entered tolerances: a lower tolerance above the teach value becomes
// teach - 1; an upper tolerance reaching past virtpixel becomes
// virtpixel - teach - 1. Never below 0.
int LimitToleranceLow(int tolerance, uint16_t teach);
int LimitToleranceHigh(int tolerance, uint16_t teach, uint16_t virtpixel);

// Entered evaluation window edges against pixB..pixE (unsigned). Begin
// below pixB becomes pixB, above pixE becomes pixE - 1; end above pixE
// becomes pixE, below pixB becomes pixB + 1. Return 1 when the value was
// corrected (and is to be stored), 0 when it stands.
int LimitEdgeBegin(uint16_t* begin, uint16_t first, uint16_t last);
int LimitEdgeEnd(uint16_t* end, uint16_t first, uint16_t last);
