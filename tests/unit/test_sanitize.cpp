// Range rules of the parameter record: the sanitising table per variant,
// slope conversion, tolerance and edge corrections, derived lines.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "gui/sanitize.h"

namespace {

struct SanCase {
    Variant variant;
    int word;
    uint16_t in;
    uint16_t out;
    const char* what;
};

std::ostream& operator<<(std::ostream& os, const SanCase& c) {
    return os << c.what;
}

const uint16_t kVirt = 4096;

// In-range record of every variant, so a case changes one word only.
void ValidRecord(uint16_t* r) {
    for (int i = 0; i < kParamWords; ++i) r[i] = 1;
    for (int w : {3, 18, 33}) r[w] = 500;   // power
    for (int w : {8, 23, 38}) r[w] = 1024;  // evaluation end
    for (int w : {9, 24, 39}) r[w] = 512;   // teach
    for (int w : {17, 32, 46}) r[w] = 40;   // video threshold
    r[45] = 100;                            // hold
    r[48] = 256;
}

class SanitizeTable : public ::testing::TestWithParam<SanCase> {};

// Catches a replacement by the limit where the table replaces by a fixed
// value (or the reverse), a rule applied to the wrong variant's word, and
// a rule that touches any other word.
TEST_P(SanitizeTable, ReplacesOnlyItsWordByTheTablesValue) {
    const SanCase& c = GetParam();
    uint16_t r[kParamWords];
    ValidRecord(r);
    uint16_t before[kParamWords];
    for (int i = 0; i < kParamWords; ++i) before[i] = r[i];
    r[c.word] = c.in;
    const int n = SanitizeVariant(c.variant, r, kVirt);
    EXPECT_EQ(c.out, r[c.word]);
    EXPECT_EQ(c.in == c.out ? 0 : 1, n > 0 ? 1 : 0);
    for (int i = 0; i < kParamWords; ++i) {
        if (i == c.word) continue;
        EXPECT_EQ(before[i], r[i]) << "word " << i;
    }
}

const SanCase kStandardCases[] = {
    {VARIANT_STANDARD, 3, 1001, 500, "power above 1000 becomes 500, not 1000"},
    {VARIANT_STANDARD, 3, 1000, 1000, "power 1000 stays"},
    {VARIANT_STANDARD, 4, 2, 1, "power mode above 1 becomes 1"},
    {VARIANT_STANDARD, 5, 7, 1, "polarity above 1 becomes 1"},
    {VARIANT_STANDARD, 6, 9, 4, "evaluation mode 9 becomes 4, not 3"},
    {VARIANT_STANDARD, 6, 3, 3, "evaluation mode 3 stays"},
    {VARIANT_STANDARD, 7, 4097, 1, "begin beyond the sensor becomes 1"},
    {VARIANT_STANDARD, 7, 4096, 4096, "begin at the last pixel stays"},
    {VARIANT_STANDARD, 8, 5000, 4096, "end beyond the sensor is clamped"},
    {VARIANT_STANDARD, 8, 0, 1, "end 0 becomes 1"},
    {VARIANT_STANDARD, 10, 5000, 4096, "tolerance clamped to the sensor"},
    {VARIANT_STANDARD, 10, 0, 1, "tolerance 0 becomes 1"},
    {VARIANT_STANDARD, 11, 2048, 1024, "standard averages up to 1024"},
    {VARIANT_STANDARD, 11, 1024, 1024, "average 1024 stays"},
    {VARIANT_STANDARD, 12, 4, 0, "trigger mode out of range becomes 0"},
    {VARIANT_STANDARD, 12, 3, 3, "trigger mode 3 stays"},
    {VARIANT_STANDARD, 13, 8, 0, "analog mode out of range becomes 0"},
    {VARIANT_STANDARD, 14, 2, 0, "option above 1 becomes 0"},
    {VARIANT_STANDARD, 15, 65535, 65535, "amplifier mode is never checked"},
    {VARIANT_STANDARD, 16, 9, 3, "hardware mode clamped to 3"},
    {VARIANT_STANDARD, 17, 2000, 950, "video threshold 2000 becomes 950"},
    {VARIANT_STANDARD, 17, 5, 10, "video threshold 5 becomes 10"},
    {VARIANT_STANDARD, 48, 5000, 4096, "trigger threshold clamped to the sensor"},
    {VARIANT_STANDARD, 9, 65535, 65535, "teach is never checked"},
    {VARIANT_STANDARD, 23, 0, 0, "V303 words untouched by the standard table"},
};

const SanCase kV303Cases[] = {
    {VARIANT_V303, 18, 1001, 500, "power above 1000 becomes 500"},
    {VARIANT_V303, 19, 2, 1, "power mode above 1 becomes 1"},
    {VARIANT_V303, 20, 2, 1, "polarity above 1 becomes 1"},
    {VARIANT_V303, 21, 9, 4, "evaluation mode 9 becomes 4"},
    {VARIANT_V303, 22, 4097, 1, "begin beyond the sensor becomes 1"},
    {VARIANT_V303, 23, 5000, 4096, "end beyond the sensor is clamped"},
    {VARIANT_V303, 23, 0, 256, "V303 end 0 becomes 256"},
    {VARIANT_V303, 25, 5000, 4096, "upper tolerance clamped"},
    {VARIANT_V303, 25, 0, 1, "upper tolerance 0 becomes 1"},
    {VARIANT_V303, 26, 5000, 5000, "lower tolerance has no upper bound"},
    {VARIANT_V303, 26, 0, 1, "lower tolerance 0 becomes 1"},
    {VARIANT_V303, 27, 512, 256, "V303 averages up to 256"},
    {VARIANT_V303, 28, 4, 0, "trigger mode out of range becomes 0"},
    {VARIANT_V303, 28, 3, 3, "trigger mode 3 stays"},
    {VARIANT_V303, 29, 8, 0, "analog mode out of range becomes 0"},
    {VARIANT_V303, 30, 65535, 65535, "amplifier mode is never checked"},
    {VARIANT_V303, 31, 4, 3, "hardware mode clamped to 3"},
    {VARIANT_V303, 32, 2000, 950, "video threshold 2000 becomes 950"},
    {VARIANT_V303, 32, 5, 10, "video threshold 5 becomes 10"},
    {VARIANT_V303, 48, 5000, 5000, "trigger threshold is not checked on V303"},
    {VARIANT_V303, 6, 9, 9, "standard words untouched by the V303 table"},
};

const SanCase kTarvoCases[] = {
    {VARIANT_TARVO, 33, 1001, 500, "power above 1000 becomes 500"},
    {VARIANT_TARVO, 34, 2, 1, "power mode above 1 becomes 1"},
    {VARIANT_TARVO, 35, 2, 1, "polarity above 1 becomes 1"},
    {VARIANT_TARVO, 36, 9, 4, "evaluation mode 9 becomes 4"},
    {VARIANT_TARVO, 37, 4097, 1, "begin beyond the sensor becomes 1"},
    {VARIANT_TARVO, 38, 5000, 4096, "end beyond the sensor is clamped"},
    {VARIANT_TARVO, 38, 0, 1, "Tarvo end 0 becomes 1"},
    {VARIANT_TARVO, 40, 5000, 4096, "upper tolerance clamped"},
    {VARIANT_TARVO, 40, 0, 0, "upper tolerance 0 stays on Tarvo"},
    {VARIANT_TARVO, 41, 0, 1, "lower tolerance 0 becomes 1"},
    {VARIANT_TARVO, 42, 512, 256, "Tarvo averages up to 256"},
    {VARIANT_TARVO, 43, 3, 0, "trigger mode 3 becomes 0 on Tarvo only"},
    {VARIANT_TARVO, 43, 2, 2, "trigger mode 2 stays"},
    {VARIANT_TARVO, 44, 8, 0, "analog mode out of range becomes 0"},
    {VARIANT_TARVO, 45, 65535, 1000, "hold 65535 becomes 1000"},
    {VARIANT_TARVO, 46, 2000, 950, "video threshold 2000 becomes 950"},
    {VARIANT_TARVO, 46, 5, 10, "video threshold 5 becomes 10"},
    {VARIANT_TARVO, 47, 65535, 65535, "word 47 is not bound"},
    {VARIANT_TARVO, 48, 5000, 5000, "trigger threshold not bound on Tarvo"},
};

std::string CaseName(const ::testing::TestParamInfo<SanCase>& p) {
    return "word" + std::to_string(p.param.word) + "_" + std::to_string(p.param.in);
}

INSTANTIATE_TEST_SUITE_P(Standard, SanitizeTable, ::testing::ValuesIn(kStandardCases), CaseName);
INSTANTIATE_TEST_SUITE_P(V303, SanitizeTable, ::testing::ValuesIn(kV303Cases), CaseName);
INSTANTIATE_TEST_SUITE_P(Tarvo, SanitizeTable, ::testing::ValuesIn(kTarvoCases), CaseName);

// Catches the sensor's size ignored: with 1024 subpixels an end of 2000 is
// out of range although 2000 < 4096.
TEST(SanitizeLimits, FollowTheConnectedSensorsSubpixelCount) {
    uint16_t r[kParamWords];
    ValidRecord(r);
    r[8] = 2000;
    r[7] = 1025;
    SanitizeStandard(r, 1024);
    EXPECT_EQ(1024, r[8]);
    EXPECT_EQ(1, r[7]);
}

// Catches a valid record being changed at all.
TEST(SanitizeLimits, ValidRecordIsLeftAlone) {
    uint16_t r[kParamWords];
    ValidRecord(r);
    EXPECT_EQ(0, SanitizeStandard(r, kVirt));
    EXPECT_EQ(0, SanitizeV303(r, kVirt));
    EXPECT_EQ(0, SanitizeTarvo(r, kVirt));
}

// Catches the wrong scale per variant: 1.0 is 16384 on standard sensors
// and 1024 on V303 and Tarvo; 16384 shows 1.0 or 16.0.
TEST(Slope, ScalesByVariant) {
    EXPECT_EQ(16384u, SlopeToWords(1.0, SlopeScaleOf(VARIANT_STANDARD)));
    EXPECT_EQ(1024u, SlopeToWords(1.0, SlopeScaleOf(VARIANT_V303)));
    EXPECT_EQ(1024u, SlopeToWords(1.0, SlopeScaleOf(VARIANT_TARVO)));
    EXPECT_DOUBLE_EQ(1.0, WordsToSlope(16384, SlopeScaleOf(VARIANT_STANDARD)));
    EXPECT_DOUBLE_EQ(16.0, WordsToSlope(16384, SlopeScaleOf(VARIANT_V303)));
}

// Catches rounding where the record truncates toward zero.
TEST(Slope, TruncatesTowardZero) {
    EXPECT_EQ(16385u, SlopeToWords(1.0001, 16384.0));  // 16385.6
    EXPECT_EQ(1u, SlopeToWords(1.9999 / 1024.0, 1024.0));
}

// Catches the undefined conversion of a negative, NaN or too large
// product (it must be bounded before converting).
TEST(Slope, OutOfRangeProductsAreBoundedBeforeConverting) {
    EXPECT_EQ(0u, SlopeToWords(-1.0, 16384.0));
    EXPECT_EQ(0u, SlopeToWords(std::numeric_limits<double>::quiet_NaN(), 1024.0));
    EXPECT_EQ(0xFFFFFFFFu, SlopeToWords(262144.0, 16384.0));  // exactly 2^32
    EXPECT_EQ(0xFFFFFFFFu, SlopeToWords(1e300, 1024.0));
    EXPECT_EQ(0xFFFFFFFFu, SlopeToWords(std::numeric_limits<double>::infinity(), 1024.0));
    // 2^31 and above are stored as unsigned values, not wrapped negative.
    EXPECT_EQ(2147483648u, SlopeToWords(131072.0, 16384.0));
}

// Catches the halves of a 32-bit value swapped (word 60 is the low half).
TEST(Slope, LowHalfFirstInTheRecord) {
    uint16_t r[kParamWords] = {};
    SetRecordU32(r, kWordSlopeLow, 0x12345678u);
    EXPECT_EQ(0x5678, r[60]);
    EXPECT_EQ(0x1234, r[61]);
    EXPECT_EQ(0x12345678u, RecordU32(r, kWordSlopeLow));
}

// Catches the wrong divisor: slope x tolerance / 1000 in both cases.
TEST(ToleranceDisplay, ConvertsWithTheVariantsDivisor) {
    EXPECT_DOUBLE_EQ(0.511, ToleranceMm(16384, 511, ToleranceDivisorOf(VARIANT_STANDARD)));
    EXPECT_DOUBLE_EQ(0.095, ToleranceMm(1024, 95, ToleranceDivisorOf(VARIANT_V303)));
    EXPECT_DOUBLE_EQ(4294967295.0 * 65535.0 / 1024000.0,
                     ToleranceMm(0xFFFFFFFFu, 65535, ToleranceDivisorOf(VARIANT_TARVO)));
}

// Worked examples of the tolerance fields.
TEST(ToleranceEntry, LowerAboveTeachBecomesTeachMinusOne) {
    // Catches a clamp to teach instead of teach - 1 (standard: teach 512,
    // entered 600 shows 511).
    EXPECT_EQ(511, LimitToleranceLow(600, 512));
    EXPECT_EQ(512, LimitToleranceLow(512, 512));
    EXPECT_EQ(100, LimitToleranceLow(100, 512));
    // Catches a negative tolerance when the teach value is 0.
    EXPECT_EQ(0, LimitToleranceLow(5, 0));
}

TEST(ToleranceEntry, UpperPastTheSensorIsCutBelowIt) {
    // Catches a clamp to the sensor end: V303, teach 4000 of 4096, upper
    // 200 shows 95.
    EXPECT_EQ(95, LimitToleranceHigh(200, 4000, 4096));
    EXPECT_EQ(96, LimitToleranceHigh(96, 4000, 4096));
    // Catches a negative result when the teach value lies beyond the end.
    EXPECT_EQ(0, LimitToleranceHigh(10, 5000, 4096));
}

// Worked examples of the evaluation window (pixB 1, pixE 1024); catches
// clamping to the limit itself or storing an unchanged value.
TEST(EdgeEntry, BeginAndEndAreKeptInsideTheWindow) {
    uint16_t b = 2000;
    EXPECT_EQ(1, LimitEdgeBegin(&b, 1, 1024));
    EXPECT_EQ(1023, b);
    b = 0;
    EXPECT_EQ(1, LimitEdgeBegin(&b, 1, 1024));
    EXPECT_EQ(1, b);
    b = 1024;
    EXPECT_EQ(0, LimitEdgeBegin(&b, 1, 1024));
    EXPECT_EQ(1024, b);

    uint16_t e = 0;
    EXPECT_EQ(1, LimitEdgeEnd(&e, 1, 1024));
    EXPECT_EQ(2, e);
    e = 1024;
    EXPECT_EQ(0, LimitEdgeEnd(&e, 1, 1024));
    EXPECT_EQ(1024, e);
    e = 1025;
    EXPECT_EQ(1, LimitEdgeEnd(&e, 1, 1024));
    EXPECT_EQ(1024, e);
}

// Catches float arithmetic or rounding in the threshold line: 1024 x 40 /
// 100 is 409, 256 x 50 / 100 is 128.
TEST(DerivedLines, ThresholdIsIntegerPercentOfFullScale) {
    EXPECT_EQ(409, ThresholdLine(1024, 40));
    EXPECT_EQ(128, ThresholdLine(256, 50));
    EXPECT_EQ(9728, ThresholdLine(1024, 950));
}

// Catches unsigned arithmetic (a wrap to 65000-something) or missing
// clamps: teach 10, lower 30, upper 5000 of 4096 give 0 and 4096.
TEST(DerivedLines, ToleranceLimitsAreBoundedSigned16) {
    EXPECT_EQ(0, LowerLimit(10, 30));
    EXPECT_EQ(4096, UpperLimit(10, 5000, 4096));
    EXPECT_EQ(412, LowerLimit(512, 100));
    EXPECT_EQ(612, UpperLimit(512, 100, 4096));
}

}  // namespace
