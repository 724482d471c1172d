// Sanitising table, slope conversion and entry corrections (see
// sanitize.h). One rule table by setting, each rule naming the variants it
// applies to; the three Sanitize members are thin calls into its walker.
#include "core/sanitize.h"

namespace {

enum : uint8_t {
    kAbove = 0,  // value > limit -> replacement
    kBelow = 1,  // value < limit -> replacement
};
enum : uint8_t {
    kFixed = 0,
    kLimitVirt = 1,  // limit is ccdvirtpixel
    kToVirt = 2,     // replacement is ccdvirtpixel
};

// Variants a rule applies to.
enum : uint8_t {
    kStd = 1 << VARIANT_STANDARD,
    kV303 = 1 << VARIANT_V303,
    kTarvo = 1 << VARIANT_TARVO,
    kAll = kStd | kV303 | kTarvo,  // those that have the setting
};

struct Rule {
    RecordField field;
    uint8_t variants;
    uint8_t test;
    uint8_t dynamic;
    uint16_t limit;
    uint16_t replacement;
};

enum : uint16_t {
    kPowerMax = 1000,
    kPowerReset = 500,
    kEvalModeMax = 3,
    kEvalModeReset = 4,
    kAverageMaxStandard = 1024,
    kAverageMax = 256,
    kTrigModeMax = 3,
    kTrigModeMaxTarvo = 2,
    kAnaModeMax = 7,
    kHardwareMax = 3,
    kHoldMax = 1000,
    kVideoThdMax = 950,
    kVideoThdMin = 10,
    kEdgeEndV303Reset = 256,
};

// Rules in order; a setting with two rules runs both (the second sees the
// result of the first).
const Rule kRules[] = {
    {FIELD_POWER, kAll, kAbove, kFixed, kPowerMax, kPowerReset},
    {FIELD_POWER_MODE, kAll, kAbove, kFixed, 1, 1},
    {FIELD_POLARITY, kAll, kAbove, kFixed, 1, 1},
    {FIELD_EVAL_MODE, kAll, kAbove, kFixed, kEvalModeMax, kEvalModeReset},
    {FIELD_EVAL_BEGIN, kAll, kAbove, kLimitVirt, 0, 1},
    {FIELD_EVAL_END, kAll, kAbove, kLimitVirt | kToVirt, 0, 0},
    {FIELD_EVAL_END, kStd | kTarvo, kBelow, kFixed, 1, 1},
    {FIELD_EVAL_END, kV303, kBelow, kFixed, 1, kEdgeEndV303Reset},
    {FIELD_TOLERANCE_HIGH, kV303 | kTarvo, kAbove, kLimitVirt | kToVirt, 0, 0},
    {FIELD_TOLERANCE_HIGH, kV303, kBelow, kFixed, 1, 1},
    {FIELD_TOLERANCE, kStd, kAbove, kLimitVirt | kToVirt, 0, 0},
    {FIELD_TOLERANCE, kAll, kBelow, kFixed, 1, 1},
    {FIELD_AVERAGE, kStd, kAbove, kFixed, kAverageMaxStandard, kAverageMaxStandard},
    {FIELD_AVERAGE, kV303 | kTarvo, kAbove, kFixed, kAverageMax, kAverageMax},
    {FIELD_TRIG_MODE, kStd | kV303, kAbove, kFixed, kTrigModeMax, 0},
    {FIELD_TRIG_MODE, kTarvo, kAbove, kFixed, kTrigModeMaxTarvo, 0},
    {FIELD_ANALOG_MODE, kAll, kAbove, kFixed, kAnaModeMax, 0},
    {FIELD_STD_OPTION, kAll, kAbove, kFixed, 1, 0},
    {FIELD_HARDWARE_MODE, kAll, kAbove, kFixed, kHardwareMax, kHardwareMax},
    {FIELD_HOLD, kAll, kAbove, kFixed, kHoldMax, kHoldMax},
    {FIELD_VIDEO_THRESHOLD, kAll, kAbove, kFixed, kVideoThdMax, kVideoThdMax},
    {FIELD_VIDEO_THRESHOLD, kAll, kBelow, kFixed, kVideoThdMin, kVideoThdMin},
    {FIELD_TRIG_THRESHOLD, kStd, kAbove, kLimitVirt | kToVirt, 0, 0},
};

int ApplyRules(Variant variant, uint16_t* record, uint16_t virtpixel) {
    int replaced = 0;
    for (const Rule& rule : kRules) {
        const int word = RecordWord(variant, rule.field);
        if (!(rule.variants & (1 << variant)) || word == kNoWord) continue;
        const uint16_t limit = (rule.dynamic & kLimitVirt) ? virtpixel : rule.limit;
        const uint16_t value = record[word];
        const int out = rule.test == kAbove ? value > limit : value < limit;
        if (!out) continue;
        record[word] = (rule.dynamic & kToVirt) ? virtpixel : rule.replacement;
        ++replaced;
    }
    return replaced;
}

const double kTwoTo32Minus1 = 4294967295.0;
const double kDivisorStandard = 16384000.0;
const double kDivisorV303 = 1024000.0;

}  // namespace

int SanitizeStandard(uint16_t* record, uint16_t virtpixel) {
    return ApplyRules(VARIANT_STANDARD, record, virtpixel);
}

int SanitizeV303(uint16_t* record, uint16_t virtpixel) {
    return ApplyRules(VARIANT_V303, record, virtpixel);
}

int SanitizeTarvo(uint16_t* record, uint16_t virtpixel) {
    return ApplyRules(VARIANT_TARVO, record, virtpixel);
}

int SanitizeVariant(Variant variant, uint16_t* record, uint16_t virtpixel) {
    if (variant == VARIANT_TARVO) return SanitizeTarvo(record, virtpixel);
    if (variant == VARIANT_V303) return SanitizeV303(record, virtpixel);
    return SanitizeStandard(record, virtpixel);
}

double SlopeScaleOf(Variant variant) {
    return variant == VARIANT_STANDARD ? kSlopeScaleStandard : kSlopeScaleV303;
}

double ToleranceDivisorOf(Variant variant) {
    return variant == VARIANT_STANDARD ? kDivisorStandard : kDivisorV303;
}

uint32_t RecordU32(const uint16_t* record, int lowWord) {
    return static_cast<uint32_t>(record[lowWord]) |
           (static_cast<uint32_t>(record[lowWord + 1]) << 16);
}

void SetRecordU32(uint16_t* record, int lowWord, uint32_t value) {
    record[lowWord] = static_cast<uint16_t>(value & 0xFFFFu);
    record[lowWord + 1] = static_cast<uint16_t>(value >> 16);
}

uint32_t SlopeToWords(double slope, double scale) {
    const double product = slope * scale;
    // Converting a double outside the target range is undefined: bound it
    // first (a NaN fails both comparisons and ends at 0).
    if (!(product > 0.0)) return 0;
    if (product >= kTwoTo32Minus1) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(product);
}

double WordsToSlope(uint32_t words, double scale) {
    return static_cast<double>(static_cast<float>(words / scale));
}

double ToleranceMm(uint32_t slopeWords, uint32_t tolerance, double divisor) {
    return static_cast<double>(slopeWords) * static_cast<double>(tolerance) / divisor;
}

double RecordToleranceMm(const uint16_t* record, Variant variant, uint32_t tolerance) {
    return ToleranceMm(RecordU32(record, kWordSlopeLow), tolerance, ToleranceDivisorOf(variant));
}

uint16_t ThresholdLine(uint16_t adcFullScale, uint16_t percent) {
    return static_cast<uint16_t>(static_cast<uint32_t>(adcFullScale) * percent / 100u);
}

int16_t LowerLimit(uint16_t teach, uint16_t tolLow) {
    const int16_t lower = static_cast<int16_t>(teach - tolLow);
    return lower < 0 ? static_cast<int16_t>(0) : lower;
}

int16_t UpperLimit(uint16_t teach, uint16_t tolHigh, uint16_t virtpixel) {
    const int16_t upper = static_cast<int16_t>(teach + tolHigh);
    return upper > virtpixel ? static_cast<int16_t>(virtpixel) : upper;
}

int LimitToleranceLow(int tolerance, uint16_t teach) {
    if (tolerance > teach) tolerance = teach - 1;
    return tolerance < 0 ? 0 : tolerance;
}

int LimitToleranceHigh(int tolerance, uint16_t teach, uint16_t virtpixel) {
    if (teach + tolerance > virtpixel) tolerance = virtpixel - teach - 1;
    return tolerance < 0 ? 0 : tolerance;
}

int LimitEdgeBegin(uint16_t* begin, uint16_t first, uint16_t last) {
    int corrected = 0;
    if (*begin < first) {
        *begin = first;
        corrected = 1;
    }
    if (*begin > last) {
        *begin = static_cast<uint16_t>(last - 1);
        corrected = 1;
    }
    return corrected;
}

int LimitEdgeEnd(uint16_t* end, uint16_t first, uint16_t last) {
    int corrected = 0;
    if (*end > last) {
        *end = last;
        corrected = 1;
    }
    if (*end < first) {
        *end = static_cast<uint16_t>(first + 1);
        corrected = 1;
    }
    return corrected;
}
