// Range rules of the parameter record: the sanitising table per variant,
// slope conversion, tolerance and edge corrections, derived lines.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <tuple>

#include "core/sanitize.h"

namespace {

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

struct WordCase {
    int word;
    uint16_t in, out;
    uint16_t virt = kVirt;  // the connected sensor's subpixel count
};

class SanitizeTable : public ::testing::TestWithParam<std::tuple<Variant, WordCase>> {};

// Catches a replacement by the limit where the table replaces by a fixed
// value (or the reverse), a rule applied to the wrong variant's word, a
// rule that touches any other word, and a miscounted replacement.
TEST_P(SanitizeTable, ReplacesOnlyItsWordByTheTablesValue) {
    const WordCase c = std::get<1>(GetParam());
    uint16_t r[kParamWords], expected[kParamWords];
    ValidRecord(r);
    ValidRecord(expected);
    r[c.word] = c.in;
    expected[c.word] = c.out;
    EXPECT_EQ(c.in == c.out ? 0 : 1, SanitizeVariant(std::get<0>(GetParam()), r, c.virt));
    for (int i = 0; i < kParamWords; ++i) EXPECT_EQ(expected[i], r[i]) << "word " << i;
}

// Power above 1000 becomes 500 (not 1000), evaluation modes above 3 become
// 4 (not 3), a begin beyond the sensor becomes 1, end, tolerance and trigger
// threshold are clamped to it; teach (9) and amplifier mode (15) are never
// checked, nor are the V303 words. The last two catch the sensor's size
// ignored: with 1024 subpixels an end of 2000 is out of range.
// clang-format off
const WordCase kStandardCases[] = {
    {3, 1001, 500},   {3, 1000, 1000}, {4, 2, 1},        {5, 7, 1},          {6, 9, 4},
    {6, 3, 3},        {7, 4097, 1},    {7, 4096, 4096},  {8, 5000, 4096},    {8, 0, 1},
    {10, 5000, 4096}, {10, 0, 1},      {11, 2048, 1024}, {11, 1024, 1024},   {12, 4, 0},
    {12, 3, 3},       {13, 8, 0},      {14, 2, 0},       {15, 65535, 65535}, {16, 9, 3},
    {17, 2000, 950},  {17, 5, 10},     {48, 5000, 4096}, {9, 65535, 65535},  {23, 0, 0},
    {8, 2000, 1024, 1024}, {7, 1025, 1, 1024}};
// clang-format on

// V303: an end of 0 becomes 256, the lower tolerance has no upper bound,
// averages go up to 256; the trigger threshold and the standard words are
// not checked.
const WordCase kV303Cases[] = {{18, 1001, 500}, {19, 2, 1},       {20, 2, 1},   {21, 9, 4},
                               {22, 4097, 1},   {23, 5000, 4096}, {23, 0, 256}, {25, 5000, 4096},
                               {25, 0, 1},      {26, 5000, 5000}, {26, 0, 1},   {27, 512, 256},
                               {28, 4, 0},      {28, 3, 3},       {29, 8, 0},   {30, 65535, 65535},
                               {31, 4, 3},      {32, 2000, 950},  {32, 5, 10},  {48, 5000, 5000},
                               {6, 9, 9}};

// Tarvo: an upper tolerance of 0 stays, trigger mode 3 becomes 0 (Tarvo
// only), a hold above 1000 becomes 1000; words 47 and 48 are not bound.
const WordCase kTarvoCases[] = {
    {33, 1001, 500},  {34, 2, 1},  {35, 2, 1},         {36, 9, 4},      {37, 4097, 1},
    {38, 5000, 4096}, {38, 0, 1},  {40, 5000, 4096},   {40, 0, 0},      {41, 0, 1},
    {42, 512, 256},   {43, 3, 0},  {43, 2, 2},         {44, 8, 0},      {45, 65535, 1000},
    {46, 2000, 950},  {46, 5, 10}, {47, 65535, 65535}, {48, 5000, 5000}};

std::string CaseName(const ::testing::TestParamInfo<std::tuple<Variant, WordCase>>& p) {
    const WordCase& c = std::get<1>(p.param);
    return "word" + std::to_string(c.word) + "_" + std::to_string(c.in);
}

#define SANITIZE_CASES(name, variant, cases) \
    INSTANTIATE_TEST_SUITE_P(                \
        name, SanitizeTable,                 \
        ::testing::Combine(::testing::Values(variant), ::testing::ValuesIn(cases)), CaseName)
SANITIZE_CASES(Standard, VARIANT_STANDARD, kStandardCases);
SANITIZE_CASES(V303, VARIANT_V303, kV303Cases);
SANITIZE_CASES(Tarvo, VARIANT_TARVO, kTarvoCases);

// Catches the wrong scale per variant (1.0 is 16384 on standard sensors and
// 1024 on V303 and Tarvo), rounding where the record truncates toward zero,
// an unbounded conversion of a negative, NaN or too large product, the
// halves of the 32-bit value swapped (word 60 is the low half), and the
// wrong tolerance divisor (slope x tolerance / 1000 in both cases).
TEST(Slope, ScalesTruncatesBoundsAndStoresLowHalfFirst) {
    EXPECT_EQ(16384u, SlopeToWords(1.0, SlopeScaleOf(VARIANT_STANDARD)));
    EXPECT_EQ(1024u, SlopeToWords(1.0, SlopeScaleOf(VARIANT_V303)));
    EXPECT_EQ(1024u, SlopeToWords(1.0, SlopeScaleOf(VARIANT_TARVO)));
    EXPECT_EQ(16385u, SlopeToWords(1.0001, 16384.0));  // 16385.6
    EXPECT_EQ(1u, SlopeToWords(1.9999 / 1024.0, 1024.0));
    EXPECT_EQ(0u, SlopeToWords(-1.0, 16384.0));
    EXPECT_EQ(0u, SlopeToWords(std::numeric_limits<double>::quiet_NaN(), 1024.0));
    EXPECT_EQ(0xFFFFFFFFu, SlopeToWords(262144.0, 16384.0));  // exactly 2^32
    EXPECT_EQ(0xFFFFFFFFu, SlopeToWords(1e300, 1024.0));
    EXPECT_EQ(0xFFFFFFFFu, SlopeToWords(std::numeric_limits<double>::infinity(), 1024.0));
    EXPECT_EQ(2147483648u, SlopeToWords(131072.0, 16384.0));  // unsigned, not wrapped negative
    EXPECT_DOUBLE_EQ(1.0, WordsToSlope(16384, SlopeScaleOf(VARIANT_STANDARD)));
    EXPECT_DOUBLE_EQ(16.0, WordsToSlope(16384, SlopeScaleOf(VARIANT_V303)));
    uint16_t r[kParamWords] = {};
    SetRecordU32(r, kWordSlopeLow, 0x12345678u);
    EXPECT_EQ(0x5678, r[60]);
    EXPECT_EQ(0x1234, r[61]);
    EXPECT_EQ(0x12345678u, RecordU32(r, kWordSlopeLow));
    EXPECT_DOUBLE_EQ(4294967295.0 * 65535.0 / 1024000.0,
                     ToleranceMm(0xFFFFFFFFu, 65535, ToleranceDivisorOf(VARIANT_TARVO)));
}

// Catches a tolerance equal to the teach value corrected, a negative tolerance when the teach
// value is 0 or lies beyond the end, and an edge clamped to the limit itself or an unchanged
// value stored. The worked examples (pixB 1, pixE 1024; standard teach 512, entered 600 shows
// 511; V303 teach 4000 of 4096, upper 200 shows 95) are pinned through the panels' handlers.
TEST(Entry, TolerancesAndEdgesAreKeptInsideTheirLimits) {
    EXPECT_EQ(512, LimitToleranceLow(512, 512));
    EXPECT_EQ(100, LimitToleranceLow(100, 512));
    EXPECT_EQ(0, LimitToleranceLow(5, 0));
    EXPECT_EQ(96, LimitToleranceHigh(96, 4000, 4096));
    EXPECT_EQ(0, LimitToleranceHigh(10, 5000, 4096));
    struct {
        int (*limit)(uint16_t*, uint16_t, uint16_t);
        uint16_t in;
        int corrected;
        uint16_t out;
    } const cases[] = {
        {LimitEdgeBegin, 0, 1, 1}, {LimitEdgeBegin, 1024, 0, 1024}, {LimitEdgeEnd, 1025, 1, 1024}};
    for (const auto& c : cases) {
        uint16_t v = c.in;
        EXPECT_EQ(c.corrected, c.limit(&v, 1, 1024)) << c.in;
        EXPECT_EQ(c.out, v) << c.in;
    }
}

// Catches float arithmetic or rounding in the threshold line (1024 x 40 /
// 100 is 409), and unsigned arithmetic (a wrap to 65000-something) or
// missing clamps of the tolerance lines: teach 10, lower 30, upper 5000.
TEST(DerivedLines, IntegerThresholdAndSigned16BoundedLimits) {
    EXPECT_EQ(409, ThresholdLine(1024, 40));
    EXPECT_EQ(128, ThresholdLine(256, 50));
    EXPECT_EQ(9728, ThresholdLine(1024, 950));
    EXPECT_EQ(0, LowerLimit(10, 30));
    EXPECT_EQ(4096, UpperLimit(10, 5000, 4096));
    EXPECT_EQ(412, LowerLimit(512, 100));
    EXPECT_EQ(612, UpperLimit(512, 100, 4096));
}

}  // namespace
