// Packing and unpacking of the parameter record, the measurement record,
// the marker lines, and the history shift.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/arrays.h"
#include "core/protocol.h"
#include "core/record_layout.h"

namespace {

struct LayoutCase {
    uint16_t hwtype;
    uint16_t softversion;
    int base;
};

class HalfZeroLayout : public ::testing::TestWithParam<LayoutCase> {};

// Catches a layout chosen by firmware alone (Tarvo is chosen by hwtype
// whatever the firmware says), an off-by-one at 303, or an unpack that
// writes 16 words (clobbering the word after the layout) or another layout.
TEST_P(HalfZeroLayout, PacksAndUnpacksTheFifteenWordsOfTheLayoutInForce) {
    for (int i = 0; i < kParamWords; ++i) parameter[i] = static_cast<uint16_t>(1000 + i);
    ccdvirtpixel = 4096;
    hwtype = GetParam().hwtype;
    softversion = GetParam().softversion;
    const int base = GetParam().base;
    CopyVarsToPP(0);
    for (int i = 0; i < kPayloadWords; ++i) EXPECT_EQ(1000 + base + i, pp[i]) << i;
    for (int i = 0; i < kMeasureWords; ++i) pp[i] = static_cast<uint16_t>(7 + i);
    CopyPPtoVars(0);
    for (int w = 0; w < kParamWords; ++w) {
        const bool inLayout = w >= base && w < base + kPayloadWords;
        EXPECT_EQ(inLayout ? 7 + (w - base) : 1000 + w, parameter[w]) << w;
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, HalfZeroLayout,
                         ::testing::Values(LayoutCase{37, 302, 3}, LayoutCase{37, 0, 3},
                                           LayoutCase{37, 303, 18}, LayoutCase{55, 308, 18},
                                           LayoutCase{400, 302, 33}, LayoutCase{400, 308, 33}));

// Catches a setting offered to a sensor that lacks it (or lost by one that
// has it), moved out of its variant's block or onto a word another setting
// holds, a common setting on different words per variant, and rows out of
// order.
TEST(RecordLayout, EachVariantHoldsItsSettingsOnDistinctWordsOfItsBlock) {
    const std::vector<std::vector<RecordField>> kLacks = {
        {FIELD_TOLERANCE_HIGH, FIELD_HOLD},                                              // standard
        {FIELD_STD_OPTION, FIELD_HOLD},                                                  // V303
        {FIELD_STD_OPTION, FIELD_AMP_MODE, FIELD_HARDWARE_MODE, FIELD_TRIG_THRESHOLD}};  // Tarvo
    int commonWord[kFieldCount] = {};
    for (int v = 0; v < kVariantCount; ++v) {
        const Variant variant = static_cast<Variant>(v);
        const int base = HalfZeroFirstWord(variant);
        int owner[kParamWords + 1];
        for (int& o : owner) o = -1;
        for (int f = 0; f < kFieldCount; ++f) {
            const RecordField field = static_cast<RecordField>(f);
            const int word = RecordWord(variant, field);
            EXPECT_EQ(f, kRecordLayout[f].field);
            const bool lacks = std::count(kLacks[v].begin(), kLacks[v].end(), field) > 0;
            EXPECT_EQ(lacks, word == kNoWord) << v << " field " << f;
            if (word == kNoWord) continue;
            const int width = field == FIELD_SLOPE || field == FIELD_OFFSET ? 2 : 1;
            const bool inBlock = word >= base && word < base + kPayloadWords;
            ASSERT_TRUE(inBlock || (word >= 48 && word + width <= kParamWords)) << v << " " << f;
            if (!inBlock && commonWord[f]) {
                EXPECT_EQ(commonWord[f], word) << f;
            }
            if (!inBlock) commonWord[f] = word;
            for (int i = 0; i < width; ++i) {
                EXPECT_EQ(-1, owner[word + i]) << v << " word " << word + i;
                owner[word + i] = f;
            }
        }
    }
}

// Catches a 16-bit umValue, swapped halves, or the teach value stored in
// only one layout.
TEST(MeasurementRecord, UnpacksAllSixteenWords) {
    for (int i = 0; i < 16; ++i) pp[i] = static_cast<uint16_t>(100 + i);
    pp[3] = 0x5678;
    pp[4] = 0x1234;
    CopyPPtoRAWVars();
    EXPECT_EQ(0x12345678u, umValue);
    EXPECT_EQ(
        (std::vector<int>{100, 101, 102, 105, 105, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114,
                          115}),
        (std::vector<int>{Ledge, Redge, Mvalue, parameter[9], parameter[24], parameter[39], tol,
                          edcnt, mvstart, mvend, dynpow, anaMax, anaMin, in0, videoMax, raw15}));
}

// Catches a pack that leaves the marker lines as they were.
TEST(MarkerLines, EveryPackRefillsThem) {
    ccdvirtpixel = 4096;
    parameter[9] = 4090;
    parameter[25] = 100;
    parameter[26] = 20;
    CopyVarsToPP(0);
    EXPECT_EQ((std::vector<int>{4096, 4070}), (std::vector<int>{upTHDArray[128], loTHDArray[128]}));
}

// Catches an overlapping copy done bottom-up (smearing) and wrong result
// codes.
TEST(Shift, MovesInPlaceAndReportsBadArguments) {
    double a[4] = {1, 2, 3, 4}, b[4] = {1, 2, 3, 4}, c[4];
    EXPECT_EQ(0, Shift(a, 4, 2, a));
    EXPECT_EQ((std::vector<double>{0, 0, 1, 2}), std::vector<double>(a, a + 4));
    EXPECT_EQ(0, Shift(b, 4, -1, b));
    EXPECT_EQ((std::vector<double>{2, 3, 4, 0}), std::vector<double>(b, b + 4));
    EXPECT_EQ(-20102, Shift(b, 4, 4, b));
    EXPECT_EQ(-20102, Shift(b, 4, -4, b));
    EXPECT_EQ(-20003, Shift(b, 0, 1, b));
    EXPECT_EQ(-20003, Copy1D(b, 0, a));
    EXPECT_EQ(0, Shift(b, 4, 0, c));
    EXPECT_DOUBLE_EQ(2, c[0]);
}

}  // namespace
