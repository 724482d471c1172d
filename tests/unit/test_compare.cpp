// Comparison tables: which parameters each variant binds, how values are shown, which differ.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/compare_params.h"

namespace {

const CompareParam* Param(const char* control) {
    for (int i = 0; i < CompareParamCount(); ++i)
        if (std::strcmp(CompareParamAt(i)->control, control) == 0) return CompareParamAt(i);
    return nullptr;
}

int BoundCount(Variant v) {
    int n = 0;
    for (int i = 0; i < CompareParamCount(); ++i) n += CompareBinds(CompareParamAt(i), v);
    return n;
}

std::string Shown(const char* control, Variant v, const uint16_t* record) {
    char out[kCompareValueSize];
    CompareFormat(Param(control), v, record, out, sizeof out);
    return out;
}

}  // namespace

// Catches a variant listing a control it does not bind, or missing one.
TEST(Compare, EachVariantListsExactlyTheControlsItBinds) {
    EXPECT_EQ(18, BoundCount(VARIANT_STANDARD));  // 15 words, trigger threshold, slope, offset
    EXPECT_EQ(18, BoundCount(VARIANT_V303));
    EXPECT_EQ(16, BoundCount(VARIANT_TARVO));
}

// Catches another layout's word counted, the slope's high half missed, or a pair counted twice.
TEST(Compare, CountsOnlyDifferencesInTheVariantsWords) {
    uint16_t a[kParamWords] = {}, b[kParamWords] = {};
    b[10] = 7;  // standard tolerance
    EXPECT_EQ(1, CompareCountDiffers(VARIANT_STANDARD, a, b));
    EXPECT_EQ(0, CompareCountDiffers(VARIANT_V303, a, b));
    b[61] = 1;  // slope, high half
    EXPECT_EQ(2, CompareCountDiffers(VARIANT_STANDARD, a, b));
    EXPECT_EQ(1, CompareCountDiffers(VARIANT_TARVO, a, b));
    b[40] = 3;  // Tarvo upper tolerance
    EXPECT_EQ(2, CompareCountDiffers(VARIANT_TARVO, a, b));
}

// Catches tolerances without millimetres, the slope not scaled per variant, an unsigned offset.
TEST(Compare, ValuesReadAsThePanelsShowThem) {
    uint16_t r[kParamWords] = {};
    r[60] = 16384;  // slope 1.0 standard, 16.0 V303
    r[10] = r[26] = 100;
    r[62] = r[63] = 0xFFFF;
    EXPECT_EQ("100 (0.100 mm)", Shown("NEDITTolerance", VARIANT_STANDARD, r));
    EXPECT_EQ("100 (1.600 mm)", Shown("NEDITTolerance", VARIANT_V303, r));
    EXPECT_EQ("1.0000", Shown("NUMcalSlope", VARIANT_STANDARD, r));
    EXPECT_EQ("16.0000", Shown("NUMcalSlope", VARIANT_V303, r));
    EXPECT_EQ("-1", Shown("NUMcalOffset", VARIANT_TARVO, r));
    EXPECT_EQ("", Shown("DROPhold", VARIANT_V303, r));
}
