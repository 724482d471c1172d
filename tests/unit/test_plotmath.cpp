// Arithmetic of the live measurement pictures: zoom range, tolerance limits
// and colour, analog traces, measured position, edge bar, tolerance bands,
// millimetre displays, the variants' words, and the rolling history.
#include <gtest/gtest.h>

#include "gui/plotmath.h"

namespace {

// A standard edge sensor of 4096 subpixels, evaluation window over all of it.
MeasureInputs Inputs(void) {
    MeasureInputs in{};
    in.sp = 500;
    in.tolUp = 20;
    in.tolLo = 20;
    in.tol = 20;
    in.evalMode = 1;
    in.Mvalue = 500;
    in.ccdvirtpixel = 4096;
    in.pixB = 1;
    in.pixE = 4096;
    in.HWTYPE = 1;
    in.slope = 16384;
    return in;
}

// ------------------------------------------------------------------ zoom --

struct ZoomCase {
    const char* name;
    uint16_t sp, tolUp, tolLo, Mvalue, ccdvirtpixel;
    double ymin, ymax;
};
void PrintTo(const ZoomCase& c, std::ostream* os) {
    *os << c.name;
}

class Zoom : public ::testing::TestWithParam<ZoomCase> {};

// Catches a wrong span or margin, the 40 threshold taken as > instead of >=,
// the two sides tested together in V303/Tarvo, missing bounds, and an
// inverted axis when the set point lies beyond the sensor.
TEST_P(Zoom, RangeFollowsSetPointToleranceAndOutlier) {
    const ZoomCase& c = GetParam();
    MeasureInputs in = Inputs();
    in.sp = c.sp;
    in.tolUp = c.tolUp;
    in.tolLo = c.tolLo;
    in.tol = c.tolLo;
    in.Mvalue = c.Mvalue;
    in.ccdvirtpixel = c.ccdvirtpixel;
    const YRange r = ZoomRange(in);
    EXPECT_EQ(c.ymin, r.min);
    EXPECT_EQ(c.ymax, r.max);
    EXPECT_LT(r.min, r.max);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, Zoom,
    ::testing::Values(
        ZoomCase{"Tol20Centred", 500, 20, 20, 500, 4096, 460, 540},
        ZoomCase{"Tol20HighOutlierWidensTopBy60", 500, 20, 20, 560, 4096, 460, 620},
        ZoomCase{"Tol20LowOutlierWidensBottomBy60", 500, 20, 20, 400, 4096, 340, 540},
        ZoomCase{"Tol50Centred", 500, 50, 50, 500, 4096, 400, 600},
        ZoomCase{"Tol50HighOutlierWidensTopBy100", 500, 50, 50, 650, 4096, 400, 750},
        ZoomCase{"Tol50LowOutlierWidensBottomBy100", 500, 50, 50, 350, 4096, 250, 600},
        ZoomCase{"Tol40UsesTwiceTolerance", 500, 40, 40, 600, 4096, 420, 700},
        ZoomCase{"Tol39UsesFixedForty", 500, 39, 39, 600, 4096, 460, 660},
        ZoomCase{"SidesDecidedSeparately", 500, 50, 20, 500, 4096, 460, 600},
        ZoomCase{"BottomRaisedToOne", 20, 20, 20, 20, 4096, 1, 60},
        ZoomCase{"TopLoweredToLastPixel", 4090, 50, 50, 4090, 4096, 3990, 4095},
        ZoomCase{"SetPointBeyondSensorFallsBackToFullRange", 5000, 20, 20, 5000, 4096, 0, 4096},
        ZoomCase{"SetPointBeyondSensorMeasuredInsideStaysZoomed", 5000, 20, 20, 1200, 4096, 1140,
                 4095},
        ZoomCase{"TinySensorFallsBackToFullRange", 0, 20, 20, 0, 1, 0, 1}),
    [](const ::testing::TestParamInfo<ZoomCase>& info) { return std::string(info.param.name); });

// ------------------------------------------------------ tolerance limits --

struct LimitCase {
    const char* name;
    uint16_t sp, tol, Mvalue;
    int rawWithin, barWithin;
};
void PrintTo(const LimitCase& c, std::ostream* os) {
    *os << c.name;
}

class ToleranceAtLimits : public ::testing::TestWithParam<LimitCase> {};

// Catches strict comparisons (a value equal to a limit is within), the raw
// graph capped at ccdvirtpixel instead of ccdvirtpixel - 1 (or the bar graph
// the other way round), and a lower limit not raised to 1.
TEST_P(ToleranceAtLimits, EqualIsWithin) {
    const LimitCase& c = GetParam();
    MeasureInputs in = Inputs();
    in.sp = c.sp;
    in.tolUp = in.tolLo = in.tol = c.tol;
    in.Mvalue = c.Mvalue;
    EXPECT_EQ(c.rawWithin, WithinTolerance(in.Mvalue, RawToleranceLimits(in)));
    EXPECT_EQ(c.barWithin, WithinTolerance(in.Mvalue, BarToleranceLimits(in)));
    EXPECT_EQ(c.rawWithin ? kColourIn : kColourOut,
              ToleranceColour(in.Mvalue, RawToleranceLimits(in)));
}

INSTANTIATE_TEST_SUITE_P(Limits, ToleranceAtLimits,
                         ::testing::Values(LimitCase{"AtUpper", 500, 20, 520, 1, 1},
                                           LimitCase{"AboveUpper", 500, 20, 521, 0, 0},
                                           LimitCase{"AtLower", 500, 20, 480, 1, 1},
                                           LimitCase{"BelowLower", 500, 20, 479, 0, 0},
                                           LimitCase{"LowerRaisedToOneZeroIsOut", 10, 20, 0, 0, 0},
                                           LimitCase{"LowerRaisedToOneOneIsIn", 10, 20, 1, 1, 1},
                                           LimitCase{"RawCapsAtLastPixel", 4090, 20, 4095, 1, 1},
                                           LimitCase{"BarCapsAtPixelCount", 4090, 20, 4096, 0, 1}),
                         [](const ::testing::TestParamInfo<LimitCase>& info) {
                             return std::string(info.param.name);
                         });

// Catches 16-bit sums: 32000 + 1000 wraps to a negative upper limit.
TEST(ToleranceLimits, LargeSetPointDoesNotWrap) {
    MeasureInputs in = Inputs();
    in.sp = 32000;
    in.tolUp = 1000;
    EXPECT_EQ(4095, RawToleranceLimits(in).up);
    EXPECT_EQ(4096, BarToleranceLimits(in).up);
}

// --------------------------------------------------------- analog traces --

struct AnalogCase {
    uint16_t mode, anaMax, anaMin;
    int32_t lo, hi, display;
};

class AnalogByMode : public ::testing::TestWithParam<AnalogCase> {};

// Catches swapped traces, the mode-3 "at the top" rule missing, undefined
// modes drawn at the measured value, and an unsigned difference in mode 4.
TEST_P(AnalogByMode, TracesAndDisplay) {
    const AnalogCase& c = GetParam();
    MeasureInputs in = Inputs();
    in.Mvalue = 1000;
    in.anaMode = c.mode;
    in.anaMax = c.anaMax;
    in.anaMin = c.anaMin;
    const AnalogTraces t = AnalogTracesOf(in);
    EXPECT_EQ(c.lo, t.lo);
    EXPECT_EQ(c.hi, t.hi);
    EXPECT_EQ(c.display, AnalogDisplayOf(in));
}

INSTANTIATE_TEST_SUITE_P(Modes, AnalogByMode,
                         ::testing::Values(AnalogCase{0, 3000, 200, 1000, 1000, 1000},
                                           AnalogCase{1, 3000, 200, 1000, 1000, 1000},
                                           AnalogCase{2, 3000, 200, 1000, 3000, 3000},
                                           AnalogCase{3, 3000, 200, 200, 1000, 200},
                                           AnalogCase{3, 3000, 4095, 1, 1000, 4095},
                                           AnalogCase{4, 3000, 200, 200, 3000, 2800},
                                           AnalogCase{4, 200, 3000, 3000, 200, -2800},
                                           AnalogCase{5, 3000, 200, 4095, 1, 1000},
                                           AnalogCase{6, 3000, 200, 4095, 1, 1000},
                                           AnalogCase{7, 3000, 200, 4095, 1, 1000}));

// Catches 16-bit traces: a value above 32767 must not turn negative.
TEST(AnalogTraces, LargeValuesStayPositive) {
    MeasureInputs in = Inputs();
    in.Mvalue = 40000;
    EXPECT_EQ(40000, AnalogTracesOf(in).lo);
    EXPECT_EQ(40000, AnalogTracesOf(in).hi);
}

// ------------------------------------------------------ measured position --

struct PositionCase {
    uint16_t evalMode, HWTYPE, Ledge, Redge;
    int32_t m;
};

class PositionByModeAndModel : public ::testing::TestWithParam<PositionCase> {};

// Catches the edge/peak distinction ignored, left and right swapped, the
// width rule applied to modes 0/1, a missing-edge check on the wrong modes,
// and a 16-bit sum of the two edges.
TEST_P(PositionByModeAndModel, MeasuredPosition) {
    const PositionCase& c = GetParam();
    MeasureInputs in = Inputs();
    in.evalMode = c.evalMode;
    in.HWTYPE = c.HWTYPE;
    in.Ledge = c.Ledge;
    in.Redge = c.Redge;
    EXPECT_EQ(c.m, MeasuredPosition(in));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PositionByModeAndModel,
    ::testing::Values(PositionCase{0, 1, 1000, 1400, 1000}, PositionCase{0, 2, 1000, 1400, 1200},
                      PositionCase{0, 0, 1000, 1400, 1200}, PositionCase{1, 1, 1000, 1400, 1400},
                      PositionCase{1, 2, 1000, 1400, 1200}, PositionCase{2, 1, 1000, 1400, 1200},
                      PositionCase{2, 2, 1000, 1400, 1200}, PositionCase{4, 1, 1000, 1400, 1200},
                      PositionCase{2, 1, 1000, 0, 1}, PositionCase{2, 2, 0, 1400, 1},
                      PositionCase{0, 2, 0, 1400, 700}, PositionCase{2, 1, 1001, 1400, 1200},
                      PositionCase{0, 2, 60000, 60000, 60000}));

// Catches the cursor bounds applied in the wrong order or not at all.
TEST(CursorPosition, BoundedToWindowThenToSensor) {
    MeasureInputs in = Inputs();
    in.evalMode = 2;
    in.Ledge = 1000;
    in.Redge = 0;  // width with a missing edge: 1, raised to pixB
    in.pixB = 100;
    EXPECT_EQ(100, CursorPosition(in));
    in.Redge = 1400;
    in.pixE = 1100;
    EXPECT_EQ(1100, CursorPosition(in));
    in.Ledge = in.Redge = 5000;  // beyond the sensor, window wider than it
    in.pixE = 6000;
    EXPECT_EQ(4096, CursorPosition(in));
}

// ---------------------------------------------------------- edge bar ----

struct BarCase {
    uint16_t edcnt, mvstart, mvend;
    int drawn;
    int32_t x1, x2;
};

class EdgeBar : public ::testing::TestWithParam<BarCase> {};

// Catches a bar drawn without edges, the one-edge direction reversed, or
// the one-edge case drawn between the two edge values.
TEST_P(EdgeBar, ByEdgeCount) {
    const BarCase& c = GetParam();
    MeasureInputs in = Inputs();
    in.Ledge = 1000;
    in.Redge = 1400;
    in.pixE = 3000;
    in.edcnt = c.edcnt;
    in.mvstart = c.mvstart;
    in.mvend = c.mvend;
    Span bar{-7, -7};
    ASSERT_EQ(c.drawn, EdgeBarOf(in, &bar));
    if (c.drawn) {
        EXPECT_EQ(c.x1, bar.x1);
        EXPECT_EQ(c.x2, bar.x2);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Counts, EdgeBar,
    ::testing::Values(BarCase{0, 0, 0, 0, 0, 0}, BarCase{1, 10, 20, 1, 1000, 3000},
                      BarCase{1, 20, 20, 1, 1, 1000}, BarCase{1, 30, 20, 1, 1, 1000},
                      BarCase{2, 0, 0, 1, 1000, 1400}, BarCase{5, 0, 0, 1, 1000, 1400}));

// ----------------------------------------------------- tolerance bands --

// The worked width example: catches bands centred on the edges found
// instead of the edges the set width implies, and a wrong halving.
TEST(BarPicture, WidthExampleGivesBarCursorAndTwoBands) {
    MeasureInputs in = Inputs();
    in.evalMode = 2;
    in.Ledge = 1000;
    in.Redge = 1400;
    in.edcnt = 2;
    in.sp = 400;
    in.tol = in.tolUp = in.tolLo = 20;
    BarPicture p;
    ComputeBarPicture(kPlotStandard, in, &p);
    EXPECT_EQ(1200, p.cursor);
    ASSERT_EQ(1, p.hasBar);
    EXPECT_EQ(1000, p.bar.x1);
    EXPECT_EQ(1400, p.bar.x2);
    ASSERT_EQ(2, p.bandCount);
    EXPECT_EQ(990, p.bands[0].x1);
    EXPECT_EQ(1010, p.bands[0].x2);
    EXPECT_EQ(1390, p.bands[1].x1);
    EXPECT_EQ(1410, p.bands[1].x2);
}

struct BandCase {
    const char* name;
    uint16_t evalMode, edcnt, sp, tol;
    int32_t m;
    int count;
    Span first, second;
};
void PrintTo(const BandCase& c, std::ostream* os) {
    *os << c.name;
}

class Bands : public ::testing::TestWithParam<BandCase> {};

// Catches bands drawn for width without edges, the bounds applied to the
// second width band, and the wrong replacement values at the bounds.
TEST_P(Bands, ByEvaluationMode) {
    const BandCase& c = GetParam();
    MeasureInputs in = Inputs();
    in.evalMode = c.evalMode;
    in.edcnt = c.edcnt;
    in.sp = c.sp;
    in.tol = c.tol;
    Span bands[kMaxToleranceBands] = {{-7, -7}, {-7, -7}};
    ASSERT_EQ(c.count, ToleranceBandsOf(in, c.m, bands));
    if (c.count > 0) {
        EXPECT_EQ(c.first.x1, bands[0].x1);
        EXPECT_EQ(c.first.x2, bands[0].x2);
    }
    if (c.count > 1) {
        EXPECT_EQ(c.second.x1, bands[1].x1);
        EXPECT_EQ(c.second.x2, bands[1].x2);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, Bands,
    ::testing::Values(
        BandCase{"AroundSetPoint", 1, 2, 500, 20, 0, 1, {480, 520}, {}},
        BandCase{"AroundSetPointWithoutEdges", 0, 0, 500, 20, 0, 1, {480, 520}, {}},
        BandCase{"NegativeStartBecomesOne", 1, 2, 10, 20, 0, 1, {1, 30}, {}},
        BandCase{"ZeroStartStays", 1, 2, 20, 20, 0, 1, {0, 40}, {}},
        BandCase{"EndBeyondLastPixelBecomesCount", 1, 2, 4090, 20, 0, 1, {4070, 4096}, {}},
        BandCase{"WidthWithoutEdgesNoBand", 2, 0, 400, 20, 1200, 0, {}, {}},
        BandCase{"WidthSecondBandUnbounded", 2, 2, 0, 20, 4095, 2, {4085, 4096}, {4085, 4105}}),
    [](const ::testing::TestParamInfo<BandCase>& info) { return std::string(info.param.name); });

// -------------------------------------------------------------- variants --

struct VariantCase {
    const char* name;
    const PlotVariant* variant;
    uint16_t hwMode;  // word 31
    uint16_t tolUp, tolLo;
    int sp, evalMode, eBeg, eEnd, anaMode;
};
void PrintTo(const VariantCase& c, std::ostream* os) {
    *os << c.name;
}

class VariantWords : public ::testing::TestWithParam<VariantCase> {
protected:
    void SetUp() override {
        for (int i = 0; i < kParamWords; ++i) parameter[i] = static_cast<uint16_t>(100 + i);
        tol = 7;
    }
};

// Catches a variant reading another layout's words, V303 ignoring hardware
// modes 1 and 3, and the Tarvo variant reacting to word 31.
TEST_P(VariantWords, GatherReadsTheVariantsWords) {
    const VariantCase& c = GetParam();
    parameter[31] = c.hwMode;
    MeasureInputs in;
    GatherMeasureInputs(*c.variant, &in);
    EXPECT_EQ(c.tolUp, in.tolUp);
    EXPECT_EQ(c.tolLo, in.tolLo);
    EXPECT_EQ(7, in.tol);
    EXPECT_EQ(100 + c.sp, in.sp);
    EXPECT_EQ(100 + c.evalMode, in.evalMode);
    EXPECT_EQ(100 + c.eBeg, in.eBeg);
    EXPECT_EQ(100 + c.eEnd, in.eEnd);
    EXPECT_EQ(100 + c.anaMode, in.anaMode);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, VariantWords,
    ::testing::Values(VariantCase{"Standard", &kPlotStandard, 2, 7, 7, 9, 6, 7, 8, 13},
                      VariantCase{"V303Mode0", &kPlotV303, 0, 125, 126, 24, 21, 22, 23, 29},
                      VariantCase{"V303Mode1", &kPlotV303, 1, 7, 7, 24, 21, 22, 23, 29},
                      VariantCase{"V303Mode2", &kPlotV303, 2, 125, 126, 24, 21, 22, 23, 29},
                      VariantCase{"V303Mode3", &kPlotV303, 3, 7, 7, 24, 21, 22, 23, 29},
                      VariantCase{"TarvoIgnoresWord31", &kPlotTarvo, 1, 140, 141, 39, 36, 37, 38,
                                  44}),
    [](const ::testing::TestParamInfo<VariantCase>& info) { return std::string(info.param.name); });

// Catches the standard divisor used for V303 (or the other way round) and
// one display fed from the other tolerance.
TEST(VariantOutputs, ToleranceMillimetresByDivisor) {
    MeasureInputs in = Inputs();
    in.slope = 16384;  // 1.0 um/pixel on a standard sensor
    in.tolUp = in.tolLo = 20;
    BarPicture p;
    ComputeBarPicture(kPlotStandard, in, &p);
    EXPECT_DOUBLE_EQ(0.02, p.tolLowMm);

    in.slope = 1024;  // 1.0 um/pixel on V303
    in.tolUp = 30;
    in.tolLo = 10;
    ComputeBarPicture(kPlotV303, in, &p);
    EXPECT_DOUBLE_EQ(0.03, p.tolHighMm);
    EXPECT_DOUBLE_EQ(0.01, p.tolLowMm);
    RawPicture r;
    ComputeRawPicture(kPlotV303, in, &r);
    EXPECT_DOUBLE_EQ(0.03, r.tolHighMm);
    EXPECT_DOUBLE_EQ(0.01, r.tolLowMm);
}

// Catches V303 in hardware mode 3 showing its tolerance words instead of the
// frame's tol in both displays.
TEST(VariantOutputs, V303HardwareMode3ShowsFrameTolInBoth) {
    for (int i = 0; i < kParamWords; ++i) parameter[i] = 0;
    parameter[25] = 30;
    parameter[26] = 10;
    parameter[31] = 3;
    parameter[60] = 1024;
    tol = 20;
    ccdvirtpixel = 4096;
    MeasureInputs in;
    GatherMeasureInputs(kPlotV303, &in);
    BarPicture p;
    ComputeBarPicture(kPlotV303, in, &p);
    EXPECT_DOUBLE_EQ(0.02, p.tolHighMm);
    EXPECT_DOUBLE_EQ(0.02, p.tolLowMm);
}

// Catches a slope of 2^31 and above read as negative.
TEST(VariantOutputs, SlopeIsUnsigned) {
    for (int i = 0; i < kParamWords; ++i) parameter[i] = 0;
    parameter[61] = 0x8000;
    MeasureInputs in;
    GatherMeasureInputs(kPlotTarvo, &in);
    EXPECT_EQ(0x80000000u, in.slope);
    EXPECT_GT(ToleranceMm(in.slope, 1, 1024000.0), 0.0);
}

// --------------------------------------------------------------- history --

void PushMeasured(double* history, uint16_t mvalue) {
    MeasureInputs in = Inputs();
    in.Mvalue = mvalue;
    RawPicture p;
    ComputeRawPicture(kPlotStandard, in, &p);
    PushHistorySample(history, in, p);
}

// Catches the history shifted the wrong way, by one value instead of one
// sample, or the newest sample's traces stored out of order.
TEST(History, NewestSampleAtTheEndInTraceOrder) {
    double history[kHistoryValues] = {};
    MeasureInputs in = Inputs();
    in.anaMode = 4;
    in.anaMax = 3000;
    in.anaMin = 200;
    in.Mvalue = 530;
    RawPicture p;
    ComputeRawPicture(kPlotStandard, in, &p);
    PushHistorySample(history, in, p);
    const double expected[kHistoryTraces] = {520, 480, 500, 530, 200, 3000};
    for (int t = 0; t < kHistoryTraces; ++t)
        EXPECT_EQ(expected[t], history[kHistoryValues - kHistoryTraces + t]) << t;
    for (int i = 0; i < kHistoryValues - kHistoryTraces; ++i) EXPECT_EQ(0.0, history[i]) << i;
}

// Catches a history longer or shorter than 100 samples: the 100th frame
// fills it, the 101st drops the first.
TEST(History, HundredFirstFrameDropsTheFirst) {
    double history[kHistoryValues] = {};
    for (uint16_t k = 1; k <= 100; ++k) PushMeasured(history, k);
    for (int s = 0; s < kHistorySamples; ++s) EXPECT_EQ(s + 1, history[6 * s + 3]) << s;
    PushMeasured(history, 101);
    for (int s = 0; s < kHistorySamples; ++s) EXPECT_EQ(s + 2, history[6 * s + 3]) << s;
}

}  // namespace
