// Layout of the 64-word parameter record: which word holds which setting
// in each sensor variant. Every table and every piece of code that names a
// setting's word takes it from here.
//
// Facts owned here:
//  - three generations lay half 0 out side by side: standard from word 3,
//    V303 from 18, Tarvo from 33, each opening with the light-source power;
//  - the standard variant has one tolerance, applied below and above the
//    teach value; V303 and Tarvo have a lower and an upper one;
//  - the trigger threshold (48), the slope (60-61) and the offset (62-63)
//    are common; the slope and the offset are 32 bits, low half first;
//  - Tarvo sensors have no internal trigger, so no trigger threshold; words
//    47 and 49..59 hold no named setting.
#pragma once

#include <cstdint>

#include "core/protocol.h"

enum { kVariantCount = 3, kNoWord = -1 };

// Named settings, in record order.
enum RecordField : uint8_t {
    FIELD_POWER,            // light-source power
    FIELD_POWER_MODE,       // light-source working mode
    FIELD_POLARITY,         // polarity of the digital outputs
    FIELD_EVAL_MODE,        // evaluation mode
    FIELD_EVAL_BEGIN,       // first pixel of the evaluation window
    FIELD_EVAL_END,         // last pixel of the evaluation window
    FIELD_TEACH,            // teach value (set point), pixels
    FIELD_TOLERANCE_HIGH,   // upper tolerance, pixels
    FIELD_TOLERANCE,        // lower tolerance; standard: the one tolerance, both sides
    FIELD_AVERAGE,          // scans averaged
    FIELD_TRIG_MODE,        // trigger mode
    FIELD_ANALOG_MODE,      // analog-output mode
    FIELD_STD_OPTION,       // on/off setting of standard sensors
    FIELD_AMP_MODE,         // operation mode of the receiver amplifier
    FIELD_HARDWARE_MODE,    // hardware operation mode (housing button, potentiometer)
    FIELD_HOLD,             // hold time of output OUT0, ms
    FIELD_VIDEO_THRESHOLD,  // percent of ADCMAX
    FIELD_TRIG_THRESHOLD,   // threshold of the internal trigger
    FIELD_SLOPE,            // 32 bits: slope x the variant's scale
    FIELD_OFFSET,           // 32 bits, signed
    kFieldCount
};

struct FieldWords {
    RecordField field;
    int8_t word[kVariantCount];  // by Variant; kNoWord where the sensor has no such setting
};

// clang-format off
inline constexpr FieldWords kRecordLayout[kFieldCount] = {
    //                         standard  V303     Tarvo
    {FIELD_POWER,             {3,       18,      33}},
    {FIELD_POWER_MODE,        {4,       19,      34}},
    {FIELD_POLARITY,          {5,       20,      35}},
    {FIELD_EVAL_MODE,         {6,       21,      36}},
    {FIELD_EVAL_BEGIN,        {7,       22,      37}},
    {FIELD_EVAL_END,          {8,       23,      38}},
    {FIELD_TEACH,             {9,       24,      39}},
    {FIELD_TOLERANCE_HIGH,    {kNoWord, 25,      40}},
    {FIELD_TOLERANCE,         {10,      26,      41}},
    {FIELD_AVERAGE,           {11,      27,      42}},
    {FIELD_TRIG_MODE,         {12,      28,      43}},
    {FIELD_ANALOG_MODE,       {13,      29,      44}},
    {FIELD_STD_OPTION,        {14,      kNoWord, kNoWord}},
    {FIELD_AMP_MODE,          {15,      30,      kNoWord}},
    {FIELD_HARDWARE_MODE,     {16,      31,      kNoWord}},
    {FIELD_HOLD,              {kNoWord, kNoWord, 45}},
    {FIELD_VIDEO_THRESHOLD,   {17,      32,      46}},
    {FIELD_TRIG_THRESHOLD,    {48,      48,      kNoWord}},
    {FIELD_SLOPE,             {60,      60,      60}},
    {FIELD_OFFSET,            {62,      62,      62}},
};
// clang-format on

// The setting's word in the variant's layout, or kNoWord.
constexpr int RecordWord(Variant variant, RecordField field) {
    return kRecordLayout[field].word[variant];
}

constexpr int HasField(Variant variant, RecordField field) {
    return RecordWord(variant, field) != kNoWord ? 1 : 0;
}

// Half 0 of a transfer opens with the variant's power word.
constexpr int HalfZeroFirstWord(Variant variant) {
    return RecordWord(variant, FIELD_POWER);
}

// The word holding the tolerance above the teach value: the standard
// variant's one tolerance serves both sides.
constexpr int ToleranceHighWord(Variant variant) {
    return HasField(variant, FIELD_TOLERANCE_HIGH) ? RecordWord(variant, FIELD_TOLERANCE_HIGH)
                                                   : RecordWord(variant, FIELD_TOLERANCE);
}

// Common to every variant.
inline constexpr int kWordSlopeLow = RecordWord(VARIANT_STANDARD, FIELD_SLOPE);
inline constexpr int kWordOffsetLow = RecordWord(VARIANT_STANDARD, FIELD_OFFSET);
inline constexpr int kWordTriggerThreshold = RecordWord(VARIANT_STANDARD, FIELD_TRIG_THRESHOLD);
