// Arithmetic of the live measurement pictures: zoom range, tolerance limits
// and colour, analog traces, measured position, edge bar, tolerance bands,
// millimetre displays, the variants' words, and the rolling history.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/plotmath.h"

namespace {

// A standard edge sensor of 4096 subpixels, evaluation window over all of
// it, slope 1.0; the arguments are the quantities most cases vary.
MeasureInputs Inputs(uint16_t sp = 500, uint16_t tolUp = 20, uint16_t tolLo = 20,
                     uint16_t Mvalue = 500) {
    MeasureInputs in{};
    in.sp = sp;
    in.tolUp = tolUp;
    in.tolLo = in.tol = tolLo;
    in.evalMode = 1;
    in.Mvalue = Mvalue;
    in.ccdvirtpixel = in.pixE = 4096;
    in.pixB = in.HWTYPE = 1;
    in.slope = 16384;
    return in;
}

std::pair<int32_t, int32_t> Ends(Span s) {
    return {s.x1, s.x2};
}

// ------------------------------------------------------------------ zoom --

struct ZoomCase {
    const char* name;
    uint16_t sp, tolUp, tolLo, Mvalue, ccdvirtpixel;
    double ymin, ymax;
};

// Catches a wrong span or margin, the 40 threshold taken as > instead of >=,
// the two sides tested together in V303/Tarvo, missing bounds, and an
// inverted axis when the set point lies beyond the sensor.
TEST(Zoom, RangeFollowsSetPointToleranceAndOutlier) {
    const ZoomCase kCases[] = {
        {"Tol20LowOutlierWidensBottomBy60", 500, 20, 20, 400, 4096, 340, 540},
        {"Tol50LowOutlierWidensBottomBy100", 500, 50, 50, 350, 4096, 250, 600},
        {"Tol40UsesTwiceToleranceHighOutlierBy100", 500, 40, 40, 600, 4096, 420, 700},
        {"Tol39UsesFixedFortyHighOutlierBy60", 500, 39, 39, 600, 4096, 460, 660},
        {"SidesDecidedSeparately", 500, 50, 20, 500, 4096, 460, 600},
        {"BottomRaisedToOne", 20, 20, 20, 20, 4096, 1, 60},
        {"TopLoweredToLastPixel", 4090, 50, 50, 4090, 4096, 3990, 4095},
        {"SetPointBeyondSensorFallsBackToFullRange", 5000, 20, 20, 5000, 4096, 0, 4096},
        {"SetPointBeyondSensorMeasuredInsideStaysZoomed", 5000, 20, 20, 1200, 4096, 1140, 4095},
        {"TinySensorFallsBackToFullRange", 0, 20, 20, 0, 1, 0, 1}};
    for (const ZoomCase& c : kCases) {
        MeasureInputs in = Inputs(c.sp, c.tolUp, c.tolLo, c.Mvalue);
        in.ccdvirtpixel = c.ccdvirtpixel;
        const YRange r = ZoomRange(in);
        EXPECT_EQ(std::make_pair(c.ymin, c.ymax), std::make_pair(r.min, r.max)) << c.name;
    }
}

// ------------------------------------------------------ tolerance limits --

struct LimitCase {
    const char* name;
    uint16_t sp, tol, Mvalue;
    int rawWithin, barWithin;
};

// Catches strict comparisons (a value equal to a limit is within), the raw
// graph capped at ccdvirtpixel instead of ccdvirtpixel - 1 (or the bar graph
// the other way round), a lower limit not raised to 1, and 16-bit sums
// (32000 + 1000 wraps to a negative upper limit).
TEST(ToleranceAtLimits, EqualIsWithin) {
    // clang-format off
    const LimitCase kCases[] = {
        {"AtUpper", 500, 20, 520, 1, 1},        {"AboveUpper", 500, 20, 521, 0, 0},
        {"AtLower", 500, 20, 480, 1, 1},        {"BelowLower", 500, 20, 479, 0, 0},
        {"LowerOneZeroIsOut", 10, 20, 0, 0, 0}, {"LowerOneOneIsIn", 10, 20, 1, 1, 1},
        {"RawCapsAtLastPixel", 4090, 20, 4095, 1, 1}, {"BarCapsAtCount", 4090, 20, 4096, 0, 1}};
    // clang-format on
    for (const LimitCase& c : kCases) {
        const MeasureInputs in = Inputs(c.sp, c.tol, c.tol, c.Mvalue);
        EXPECT_EQ(c.rawWithin, WithinTolerance(in.Mvalue, RawToleranceLimits(in))) << c.name;
        EXPECT_EQ(c.barWithin, WithinTolerance(in.Mvalue, BarToleranceLimits(in))) << c.name;
        EXPECT_EQ(c.rawWithin ? kColourIn : kColourOut,
                  ToleranceColour(in.Mvalue, RawToleranceLimits(in)))
            << c.name;
    }
    const MeasureInputs large = Inputs(32000, 1000);
    EXPECT_EQ(4095, RawToleranceLimits(large).up);
    EXPECT_EQ(4096, BarToleranceLimits(large).up);
}

// --------------------------------------------------------- analog traces --

struct AnalogCase {
    uint16_t mode, anaMax, anaMin, Mvalue;
    int32_t lo, hi, display;
};

// Catches swapped traces, the mode-3 "at the top" rule missing, undefined
// modes drawn at the measured value, an unsigned difference in mode 4, and
// 16-bit traces (a value above 32767 turning negative).
TEST(AnalogByMode, TracesAndDisplay) {
    const AnalogCase kCases[] = {
        {0, 3000, 200, 1000, 1000, 1000, 1000}, {1, 3000, 200, 1000, 1000, 1000, 1000},
        {0, 0, 0, 40000, 40000, 40000, 40000},  {2, 3000, 200, 1000, 1000, 3000, 3000},
        {3, 3000, 200, 1000, 200, 1000, 200},   {3, 3000, 4095, 1000, 1, 1000, 4095},
        {4, 3000, 200, 1000, 200, 3000, 2800},  {4, 200, 3000, 1000, 3000, 200, -2800},
        {5, 3000, 200, 1000, 4095, 1, 1000},    {7, 3000, 200, 1000, 4095, 1, 1000}};
    for (const AnalogCase& c : kCases) {
        MeasureInputs in = Inputs(500, 20, 20, c.Mvalue);
        in.anaMode = c.mode;
        in.anaMax = c.anaMax;
        in.anaMin = c.anaMin;
        const AnalogTraces t = AnalogTracesOf(in);
        EXPECT_EQ((std::vector<int32_t>{c.lo, c.hi, c.display}),
                  (std::vector<int32_t>{t.lo, t.hi, AnalogDisplayOf(in)}))
            << "case " << (&c - kCases);
    }
}

// ------------------------------------------------------ measured position --

struct PositionCase {
    uint16_t evalMode, HWTYPE, Ledge, Redge;
    int32_t m;
};

// Catches the edge/peak distinction ignored, left and right swapped, the
// width rule applied to modes 0/1, a missing-edge check on the wrong modes,
// and a 16-bit sum of the two edges; and the cursor bounds applied in the
// wrong order or not at all.
TEST(PositionByModeAndModel, MeasuredPositionAndCursor) {
    const PositionCase kCases[] = {
        {0, 1, 1000, 1400, 1000},   {0, 2, 1000, 1400, 1200}, {0, 0, 1000, 1400, 1200},
        {1, 1, 1000, 1400, 1400},   {1, 2, 1000, 1400, 1200}, {2, 1, 1000, 1400, 1200},
        {2, 2, 1000, 1400, 1200},   {4, 1, 1000, 1400, 1200}, {2, 1, 1000, 0, 1},
        {2, 2, 0, 1400, 1},         {0, 2, 0, 1400, 700},     {2, 1, 1001, 1400, 1200},
        {0, 2, 60000, 60000, 60000}};
    for (const PositionCase& c : kCases) {
        MeasureInputs in = Inputs();
        in.evalMode = c.evalMode;
        in.HWTYPE = c.HWTYPE;
        in.Ledge = c.Ledge;
        in.Redge = c.Redge;
        EXPECT_EQ(c.m, MeasuredPosition(in)) << "case " << (&c - kCases);
    }
    // Width with a missing edge (1, raised to pixB), lowered to pixE, and beyond the sensor in
    // a window wider than it: Ledge, Redge, pixE, cursor.
    const uint16_t kCursor[][4] = {
        {1000, 0, 4096, 100}, {1000, 1400, 1100, 1100}, {5000, 5000, 6000, 4096}};
    for (const auto& c : kCursor) {
        MeasureInputs in = Inputs();
        in.evalMode = 2;
        in.pixB = 100;
        in.Ledge = c[0];
        in.Redge = c[1];
        in.pixE = c[2];
        EXPECT_EQ(c[3], CursorPosition(in)) << c[0] << " " << c[1];
    }
}

// ---------------------------------------------------- edge bar and bands --

struct BarCase {
    uint16_t edcnt, mvstart, mvend;
    int drawn;
    int32_t x1, x2;
};

// Catches a bar drawn without edges, the one-edge direction reversed, or
// the one-edge case drawn between the two edge values.
TEST(EdgeBar, ByEdgeCount) {
    const BarCase kCases[] = {{0, 0, 0, 0, -7, -7},     {1, 10, 20, 1, 1000, 3000},
                              {1, 20, 20, 1, 1, 1000},  {1, 30, 20, 1, 1, 1000},
                              {2, 0, 0, 1, 1000, 1400}, {5, 0, 0, 1, 1000, 1400}};
    for (const BarCase& c : kCases) {
        MeasureInputs in = Inputs();
        in.Ledge = 1000;
        in.Redge = 1400;
        in.pixE = 3000;
        in.edcnt = c.edcnt;
        in.mvstart = c.mvstart;
        in.mvend = c.mvend;
        Span bar{-7, -7};
        ASSERT_EQ(c.drawn, EdgeBarOf(in, &bar)) << "case " << (&c - kCases);
        EXPECT_EQ(std::make_pair(c.x1, c.x2), Ends(bar)) << "case " << (&c - kCases);
    }
}

struct BandCase {
    const char* name;
    uint16_t evalMode, edcnt, sp, tol;
    int32_t m;
    int count;
    Span bands[kMaxToleranceBands];
};

// Catches bands drawn for width without edges, the bounds applied to the
// second width band, and the wrong replacement values at the bounds.
TEST(Bands, ByEvaluationMode) {
    const BandCase kCases[] = {
        {"AroundSetPoint", 1, 2, 500, 20, 0, 1, {{480, 520}}},
        {"AroundSetPointWithoutEdges", 0, 0, 500, 20, 0, 1, {{480, 520}}},
        {"NegativeStartBecomesOne", 1, 2, 10, 20, 0, 1, {{1, 30}}},
        {"ZeroStartStays", 1, 2, 20, 20, 0, 1, {{0, 40}}},
        {"EndBeyondLastPixelBecomesCount", 1, 2, 4090, 20, 0, 1, {{4070, 4096}}},
        {"WidthWithoutEdgesNoBand", 2, 0, 400, 20, 1200, 0, {}},
        {"WidthSecondBandUnbounded", 2, 2, 0, 20, 4095, 2, {{4085, 4096}, {4085, 4105}}}};
    for (const BandCase& c : kCases) {
        MeasureInputs in = Inputs(c.sp, c.tol, c.tol);
        in.evalMode = c.evalMode;
        in.edcnt = c.edcnt;
        Span bands[kMaxToleranceBands] = {{-7, -7}, {-7, -7}};
        ASSERT_EQ(c.count, ToleranceBandsOf(in, c.m, bands)) << c.name;
        for (int i = 0; i < c.count; ++i)
            EXPECT_EQ(Ends(c.bands[i]), Ends(bands[i])) << c.name << " " << i;
    }
}

// -------------------------------------------------------------- variants --

struct VariantCase {
    const char* name;
    const PlotVariant* variant;
    uint16_t hwMode;  // word 31
    uint16_t tolUp, tolLo;
    int sp, evalMode, eBeg, eEnd, anaMode;
};

// Catches a variant reading another layout's words, V303 ignoring hardware
// modes 1 and 3, and the Tarvo variant reacting to word 31.
TEST(VariantWords, GatherReadsTheVariantsWords) {
    const VariantCase kCases[] = {
        {"Standard", &kPlotStandard, 2, 7, 7, 9, 6, 7, 8, 13},
        {"V303Mode0", &kPlotV303, 0, 125, 126, 24, 21, 22, 23, 29},
        {"V303Mode1", &kPlotV303, 1, 7, 7, 24, 21, 22, 23, 29},
        {"V303Mode2", &kPlotV303, 2, 125, 126, 24, 21, 22, 23, 29},
        {"V303Mode3", &kPlotV303, 3, 7, 7, 24, 21, 22, 23, 29},
        {"TarvoIgnoresWord31", &kPlotTarvo, 1, 140, 141, 39, 36, 37, 38, 44}};
    for (const VariantCase& c : kCases) {
        for (int i = 0; i < kParamWords; ++i) parameter[i] = static_cast<uint16_t>(100 + i);
        parameter[31] = c.hwMode;
        tol = 7;
        MeasureInputs in;
        GatherMeasureInputs(*c.variant, &in);
        EXPECT_EQ((std::vector<int>{c.tolUp, c.tolLo, 7, 100 + c.sp, 100 + c.evalMode, 100 + c.eBeg,
                                    100 + c.eEnd, 100 + c.anaMode}),
                  (std::vector<int>{in.tolUp, in.tolLo, in.tol, in.sp, in.evalMode, in.eBeg,
                                    in.eEnd, in.anaMode}))
            << c.name;
    }
}

// Catches the standard divisor used for V303, the raw picture's displays fed
// from the other tolerance, and V303 in hardware mode 3 showing its
// tolerance words instead of the frame's tol; and a slope of 2^31 and above
// read as negative.
TEST(VariantOutputs, V303ToleranceMillimetresByHardwareModeAndUnsignedSlope) {
    for (int i = 0; i < kParamWords; ++i) parameter[i] = 0;
    parameter[25] = 30;
    parameter[26] = 10;
    parameter[60] = 1024;  // 1.0 um/pixel on V303
    tol = 20;
    ccdvirtpixel = 4096;
    MeasureInputs in;
    RawPicture r;
    BarPicture p;
    GatherMeasureInputs(kPlotV303, &in);
    ComputeRawPicture(kPlotV303, in, &r);
    EXPECT_DOUBLE_EQ(0.03, r.tolHighMm);
    EXPECT_DOUBLE_EQ(0.01, r.tolLowMm);
    parameter[31] = 3;
    GatherMeasureInputs(kPlotV303, &in);
    ComputeBarPicture(kPlotV303, in, &p);
    for (double mm : {p.tolHighMm, p.tolLowMm}) EXPECT_DOUBLE_EQ(0.02, mm);
    parameter[60] = 0;
    parameter[61] = 0x8000;
    GatherMeasureInputs(kPlotTarvo, &in);
    EXPECT_EQ(0x80000000u, in.slope);
    EXPECT_GT(ToleranceMm(in.slope, 1, 1024000.0), 0.0);
}

// --------------------------------------------------------------- history --

// Catches the history shifted the wrong way, by one value instead of one
// sample, or the newest sample's traces stored out of order.
TEST(History, NewestSampleAtTheEndInTraceOrder) {
    double history[kHistoryValues] = {};
    MeasureInputs in = Inputs(500, 20, 20, 530);
    in.anaMode = 4;
    in.anaMax = 3000;
    in.anaMin = 200;
    RawPicture p;
    ComputeRawPicture(kPlotStandard, in, &p);
    PushHistorySample(history, in, p);
    const std::vector<double> newest(history + kHistoryValues - kHistoryTraces,
                                     history + kHistoryValues);
    EXPECT_EQ((std::vector<double>{520, 480, 500, 530, 200, 3000}), newest);
    for (int i = 0; i < kHistoryValues - kHistoryTraces; ++i) EXPECT_EQ(0.0, history[i]) << i;
}

}  // namespace
