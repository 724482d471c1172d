// Parameter comparison tables and formatting (see compare.h).
#include <cstdio>

#include "KovexaV308/panels/kovexa_panels.h"
#include "core/compare_params.h"
#include "core/sanitize.h"

namespace {

const int8_t kNone = kCompareUnbound;

// In the panels' order: parameter page 1, page 2, main, calibration.
const CompareParam kParams[] = {
    {"DROPevalmode", RES_PARA1, PARA1_DROPevalmode, {6, 21, 36}, kShowRing},
    {"DROPpolarity", RES_PARA1, PARA1_DROPpolarity, {5, 20, 35}, kShowRing},
    {"NEDITTolerance", RES_PARA1, PARA1_NEDITTolerance, {10, 26, 41}, kShowTolerance},
    {"NEDITToleranceUP", RES_PARA1, PARA1_NEDITToleranceUP, {kNone, 25, 40}, kShowTolerance},
    {"DROPaverage", RES_PARA1, PARA1_DROPaverage, {11, 27, 42}, kShowRing},
    {"DROPtrigmode", RES_PARA1, PARA1_DROPtrigmode, {12, 28, 43}, kShowRing},
    {"DROPanaMode", RES_PARA1, PARA1_DROPanaMode, {13, 29, 44}, kShowRing},
    {"CTRLstdOption", RES_PARA1, PARA1_CTRLstdOption, {14, kNone, kNone}, kShowNumber},
    {"DROPhardware", RES_PARA1, PARA1_DROPhardware, {16, 31, kNone}, kShowRing},
    {"DROPhold", RES_PARA1, PARA1_DROPhold, {kNone, kNone, 45}, kShowRing},
    {"SLIDEpower", RES_PARA2, PARA2_SLIDEpower, {3, 18, 33}, kShowNumber},
    {"DROPpowermode", RES_PARA2, PARA2_DROPpowermode, {4, 19, 34}, kShowRing},
    {"SLIDEVideoThreshold", RES_PARA2, PARA2_SLIDEVideoThreshold, {17, 32, 46}, kShowNumber},
    {"NUMTriggThreshold", RES_PARA2, PARA2_NUMTriggThreshold, {48, 48, kNone}, kShowNumber},
    {"NEDITTeach", RES_PARA2, PARA2_NEDITTeach, {9, 24, 39}, kShowNumber},
    {"NEDITEdgeLeft", RES_MAIN, MAIN_NEDITEdgeLeft, {7, 22, 37}, kShowNumber},
    {"NEDITEdgeRight", RES_MAIN, MAIN_NEDITEdgeRight, {8, 23, 38}, kShowNumber},
    {"BINSWopmode", RES_CALIB, CALIB_BINSWopmode, {15, 30, kNone}, kShowNumber},
    {"NUMcalSlope",
     RES_CALIB,
     CALIB_NUMcalSlope,
     {kWordSlopeLow, kWordSlopeLow, kWordSlopeLow},
     kShowSlope},
    {"NUMcalOffset",
     RES_CALIB,
     CALIB_NUMcalOffset,
     {kWordOffsetLow, kWordOffsetLow, kWordOffsetLow},
     kShowOffset},
};

const int kParamCount = static_cast<int>(sizeof kParams / sizeof kParams[0]);

int WordOf(const CompareParam* p, Variant variant) {
    const int v = static_cast<int>(variant);
    const int unbound = kCompareUnbound;
    return v >= 0 && v < 3 ? p->word[v] : unbound;
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
    return p && WordOf(p, variant) != kCompareUnbound ? 1 : 0;
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
            std::snprintf(
                out, n, "%u (%.3f mm)", static_cast<unsigned>(value),
                ToleranceMm(RecordU32(record, kWordSlopeLow), value, ToleranceDivisorOf(variant)));
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
