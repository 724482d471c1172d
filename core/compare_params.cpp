// Parameter comparison tables and formatting (see compare.h).
#include "core/compare_params.h"

#include <cstdio>

#include "core/sanitize.h"
#include "panels/kovexa_panels.h"

namespace {

// In the panels' order: parameter page 1, page 2, main, calibration.
const CompareParam kParams[] = {
    {"DROPevalmode", RES_PARA1, PARA1_DROPevalmode, FIELD_EVAL_MODE, kShowRing},
    {"DROPpolarity", RES_PARA1, PARA1_DROPpolarity, FIELD_POLARITY, kShowRing},
    {"NEDITTolerance", RES_PARA1, PARA1_NEDITTolerance, FIELD_TOLERANCE, kShowTolerance},
    {"NEDITToleranceUP", RES_PARA1, PARA1_NEDITToleranceUP, FIELD_TOLERANCE_HIGH, kShowTolerance},
    {"DROPaverage", RES_PARA1, PARA1_DROPaverage, FIELD_AVERAGE, kShowRing},
    {"DROPtrigmode", RES_PARA1, PARA1_DROPtrigmode, FIELD_TRIG_MODE, kShowRing},
    {"DROPanaMode", RES_PARA1, PARA1_DROPanaMode, FIELD_ANALOG_MODE, kShowRing},
    {"CTRLstdOption", RES_PARA1, PARA1_CTRLstdOption, FIELD_STD_OPTION, kShowNumber},
    {"DROPhardware", RES_PARA1, PARA1_DROPhardware, FIELD_HARDWARE_MODE, kShowRing},
    {"DROPhold", RES_PARA1, PARA1_DROPhold, FIELD_HOLD, kShowRing},
    {"SLIDEpower", RES_PARA2, PARA2_SLIDEpower, FIELD_POWER, kShowNumber},
    {"DROPpowermode", RES_PARA2, PARA2_DROPpowermode, FIELD_POWER_MODE, kShowRing},
    {"SLIDEVideoThreshold", RES_PARA2, PARA2_SLIDEVideoThreshold, FIELD_VIDEO_THRESHOLD,
     kShowNumber},
    {"NUMTriggThreshold", RES_PARA2, PARA2_NUMTriggThreshold, FIELD_TRIG_THRESHOLD, kShowNumber},
    {"NEDITTeach", RES_PARA2, PARA2_NEDITTeach, FIELD_TEACH, kShowNumber},
    {"NEDITEdgeLeft", RES_MAIN, MAIN_NEDITEdgeLeft, FIELD_EVAL_BEGIN, kShowNumber},
    {"NEDITEdgeRight", RES_MAIN, MAIN_NEDITEdgeRight, FIELD_EVAL_END, kShowNumber},
    {"BINSWopmode", RES_CALIB, CALIB_BINSWopmode, FIELD_AMP_MODE, kShowNumber},
    {"NUMcalSlope", RES_CALIB, CALIB_NUMcalSlope, FIELD_SLOPE, kShowSlope},
    {"NUMcalOffset", RES_CALIB, CALIB_NUMcalOffset, FIELD_OFFSET, kShowOffset},
};

const int kParamCount = static_cast<int>(sizeof kParams / sizeof kParams[0]);

int WordOf(const CompareParam* p, Variant variant) {
    const int v = static_cast<int>(variant);
    return v >= 0 && v < kVariantCount ? RecordWord(variant, p->field) : kNoWord;
}

int IsWide(const CompareParam* p) {
    return p->show == kShowSlope || p->show == kShowOffset;
}

}  // namespace

int CompareParamCount(void) {
    return kParamCount;
}

const CompareParam* CompareParamAt(int index) {
    return index >= 0 && index < kParamCount ? &kParams[index] : nullptr;
}

int CompareBinds(const CompareParam* p, Variant variant) {
    return p && WordOf(p, variant) != kNoWord ? 1 : 0;
}

uint32_t CompareValue(const CompareParam* p, Variant variant, const uint16_t* record) {
    if (!CompareBinds(p, variant) || !record) return 0;
    const int word = WordOf(p, variant);
    return IsWide(p) ? RecordU32(record, word) : record[word];
}

int CompareDiffers(const CompareParam* p, Variant variant, const uint16_t* a, const uint16_t* b) {
    return CompareBinds(p, variant) && CompareValue(p, variant, a) != CompareValue(p, variant, b)
               ? 1
               : 0;
}

int CompareCountDiffers(Variant variant, const uint16_t* a, const uint16_t* b) {
    int n = 0;
    for (const CompareParam& p : kParams) n += CompareDiffers(&p, variant, a, b);
    return n;
}

void CompareFormat(const CompareParam* p, Variant variant, const uint16_t* record, char* out,
                   int size) {
    if (!out || size < 1) return;
    out[0] = '\0';
    if (!CompareBinds(p, variant) || !record) return;
    const uint32_t value = CompareValue(p, variant, record);
    const size_t n = static_cast<size_t>(size);
    switch (p->show) {
        case kShowTolerance:
            std::snprintf(out, n, "%u (%.3f mm)", static_cast<unsigned>(value),
                          RecordToleranceMm(record, variant, value));
            break;
        case kShowSlope:
            std::snprintf(out, n, "%.4f", WordsToSlope(value, SlopeScaleOf(variant)));
            break;
        case kShowOffset:
            std::snprintf(out, n, "%d", static_cast<int32_t>(value));
            break;
        case kShowNumber:
        case kShowRing:
            std::snprintf(out, n, "%u", static_cast<unsigned>(value));
            break;
    }
}
