// Packing and unpacking of the parameter record, the measurement record,
// the marker lines, and the history shift.
#include <gtest/gtest.h>

#include "com232/kvex_link.h"

namespace {

struct LayoutCase {
    uint16_t hwtype;
    uint16_t softversion;
    int base;
};

class HalfZeroLayout : public ::testing::TestWithParam<LayoutCase> {
protected:
    void SetUp() override {
        for (int i = 0; i < kParamWords; ++i) parameter[i] = static_cast<uint16_t>(1000 + i);
        ccdvirtpixel = 4096;
    }
};

// Catches a layout chosen by firmware alone (Tarvo is chosen by hwtype
// whatever the firmware says) or an off-by-one at 303.
TEST_P(HalfZeroLayout, PacksTheFifteenWordsOfTheLayoutInForce) {
    hwtype = GetParam().hwtype;
    softversion = GetParam().softversion;
    CopyVarsToPP(0);
    for (int i = 0; i < kPayloadWords; ++i) EXPECT_EQ(1000 + GetParam().base + i, pp[i]) << i;
}

// Catches an unpack that writes 16 words (clobbering the word after the
// layout) or writes into another layout.
TEST_P(HalfZeroLayout, UnpacksExactlyFifteenWords) {
    hwtype = GetParam().hwtype;
    softversion = GetParam().softversion;
    uint16_t before[kParamWords];
    for (int i = 0; i < kParamWords; ++i) before[i] = parameter[i];
    for (int i = 0; i < kMeasureWords; ++i) pp[i] = static_cast<uint16_t>(7 + i);
    CopyPPtoVars(0);
    const int base = GetParam().base;
    for (int w = 0; w < kParamWords; ++w) {
        if (w >= base && w < base + kPayloadWords)
            EXPECT_EQ(7 + (w - base), parameter[w]) << w;
        else
            EXPECT_EQ(before[w], parameter[w]) << w;
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, HalfZeroLayout,
                         ::testing::Values(LayoutCase{37, 302, 3}, LayoutCase{37, 0, 3},
                                           LayoutCase{37, 303, 18}, LayoutCase{55, 308, 18},
                                           LayoutCase{400, 302, 33}, LayoutCase{400, 308, 33}));

// Catches word 59 travelling in half 1 or the slope/offset words shifted.
TEST(HalfOne, SkipsWord59BothWays) {
    for (int i = 0; i < kParamWords; ++i) parameter[i] = static_cast<uint16_t>(i);
    CopyVarsToPP(1);
    const int expected[15] = {48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 60, 61, 62, 63};
    for (int i = 0; i < 15; ++i) EXPECT_EQ(expected[i], pp[i]) << i;
    parameter[59] = 0x5959;
    for (int i = 0; i < 15; ++i) pp[i] = static_cast<uint16_t>(0x100 + i);
    CopyPPtoVars(1);
    EXPECT_EQ(0x5959, parameter[59]);
    EXPECT_EQ(0x100, parameter[48]);
    EXPECT_EQ(0x10A, parameter[58]);
    EXPECT_EQ(0x10B, parameter[60]);
    EXPECT_EQ(0x10E, parameter[63]);
}

// Catches a 16-bit umValue, swapped halves, or the teach value stored in
// only one layout.
TEST(MeasurementRecord, UnpacksAllSixteenWords) {
    for (int i = 0; i < 16; ++i) pp[i] = static_cast<uint16_t>(100 + i);
    pp[3] = 0x5678;
    pp[4] = 0x1234;
    CopyPPtoRAWVars();
    EXPECT_EQ(0x12345678u, umValue);
    EXPECT_EQ(100, Ledge);
    EXPECT_EQ(101, Redge);
    EXPECT_EQ(102, Mvalue);
    EXPECT_EQ(105, parameter[9]);
    EXPECT_EQ(105, parameter[24]);
    EXPECT_EQ(105, parameter[39]);
    EXPECT_EQ(106, tol);
    EXPECT_EQ(107, edcnt);
    EXPECT_EQ(108, mvstart);
    EXPECT_EQ(109, mvend);
    EXPECT_EQ(110, dynpow);
    EXPECT_EQ(111, anaMax);
    EXPECT_EQ(112, anaMin);
    EXPECT_EQ(113, in0);
    EXPECT_EQ(114, videoMax);
    EXPECT_EQ(115, raw15);
}

// Catches unsigned arithmetic (a lower line of 65526) and a missing clamp
// at the pixel count.
TEST(MarkerLines, ClampLowerAtZeroAndUpperAtPixelCount) {
    ccdvirtpixel = 4096;
    parameter[9] = 10;
    parameter[26] = 20;
    parameter[25] = 5;
    parameter[48] = 300;
    FillMarkerLines();
    for (int i : {0, 255}) {
        EXPECT_EQ(0, loTHDArray[i]);
        EXPECT_EQ(15, upTHDArray[i]);
        EXPECT_EQ(10, REFArray[i]);
        EXPECT_EQ(300, trgArray[i]);
    }
    parameter[9] = 4090;
    parameter[25] = 100;
    CopyVarsToPP(0);  // every pack refills the lines
    EXPECT_EQ(4096, upTHDArray[128]);
    EXPECT_EQ(4070, loTHDArray[128]);
}

// Catches an overlapping copy done bottom-up (smearing) and wrong result
// codes.
TEST(Shift, MovesInPlaceAndReportsBadArguments) {
    double a[4] = {1, 2, 3, 4};
    EXPECT_EQ(0, Shift(a, 4, 2, a));
    EXPECT_DOUBLE_EQ(0, a[0]);
    EXPECT_DOUBLE_EQ(0, a[1]);
    EXPECT_DOUBLE_EQ(1, a[2]);
    EXPECT_DOUBLE_EQ(2, a[3]);
    double b[4] = {1, 2, 3, 4};
    EXPECT_EQ(0, Shift(b, 4, -1, b));
    EXPECT_DOUBLE_EQ(2, b[0]);
    EXPECT_DOUBLE_EQ(4, b[2]);
    EXPECT_DOUBLE_EQ(0, b[3]);
    EXPECT_EQ(-20102, Shift(b, 4, 4, b));
    EXPECT_EQ(-20102, Shift(b, 4, -4, b));
    EXPECT_EQ(-20003, Shift(b, 0, 1, b));
    EXPECT_EQ(-20003, Copy1D(b, 0, a));
    double c[4];
    EXPECT_EQ(0, Shift(b, 4, 0, c));
    EXPECT_DOUBLE_EQ(2, c[0]);
}

}  // namespace
