// Comparison of parameter records (RAM, EEPROM, a parameter file), without
// the platform: which parameters each sensor variant binds to the panels,
// how each value is shown, and which differ.
//
// Facts owned here:
//  - a parameter is compared by the words of its setting in the variant's
//    layout (record_layout.h); settings the variant lacks are not listed;
//  - values are shown as the panels show them: plain numbers, tolerances
//    in pixels and millimetres (slope of the same record), the slope as the
//    variant's scale divides it, the offset as a signed 32-bit number; ring
//    values as numbers here, replaced by their item text by the caller.
#pragma once

#include <cstdint>

#include "core/protocol.h"
#include "core/record_layout.h"

enum CompareShow : uint8_t {
    kShowNumber = 0,
    kShowRing,       // the caller shows the ring's item text
    kShowTolerance,  // pixels and millimetres
    kShowSlope,      // 32-bit words / scale
    kShowOffset,     // 32-bit signed
};

enum { kCompareValueSize = 40 };

struct CompareParam {
    const char* control;  // control name, as in the binding table
    int resource;         // panel resource of the control
    int control_id;
    RecordField field;  // bound by the variants that have the setting
    CompareShow show;
};

int CompareParamCount(void);
const CompareParam* CompareParamAt(int index);
// 1 when the variant binds the parameter.
int CompareBinds(const CompareParam* p, Variant variant);
// The parameter's value in a record (slope and offset: both words).
uint32_t CompareValue(const CompareParam* p, Variant variant, const uint16_t* record);
// 1 when the two records hold different values for the parameter.
int CompareDiffers(const CompareParam* p, Variant variant, const uint16_t* a, const uint16_t* b);
// Parameters bound by the variant whose values differ between a and b.
int CompareCountDiffers(Variant variant, const uint16_t* a, const uint16_t* b);
// The value as the panels show it, into out (always terminated).
void CompareFormat(const CompareParam* p, Variant variant, const uint16_t* record, char* out,
                   int size);
