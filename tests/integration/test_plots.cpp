// The measurement pictures through the real graphs and displays (offscreen):
// the bar graph's rectangles and cursors, the raw graph's axis, traces and
// colours, the tolerance colour of the displays, and the two curve graphs.
#include <cstring>

#include "tests/integration/support_harness.h"

namespace {

const int kRed = 0xFF0000;
const int kDarkGreen = 0x008000;
const int kGreen = 0x00FF00;

class Plots : public SensorTest {
protected:
    void SetUp() override {
        StartPanels();
        std::memset(arrayNORM, 0, sizeof arrayNORM);
        ccdvirtpixel = 4096;
        pixB = 1;
        pixE = 4096;
        HWTYPE = 1;
        parameter[60] = 16384;
        parameter[61] = 0;
        SetCtrlVal(pHandle, MAIN_ToggButtonZoom, 0);
    }
    // A standard sensor's record and a frame, as the worked examples give them.
    void StandardFrame(uint16_t sp, uint16_t tolerance, uint16_t measured) {
        parameter[6] = 1;  // right edge
        parameter[7] = 100;
        parameter[8] = 4000;
        parameter[9] = parameter[24] = parameter[39] = sp;
        parameter[13] = 0;
        tol = tolerance;
        Mvalue = measured;
        Ledge = measured;
        Redge = measured;
        edcnt = 1;
    }
    double Display(int control) {
        double v = -1.0;
        GetCtrlVal(pHandle, control, &v);
        return v;
    }
};

int Rects(HostRect* out) {
    return HostGraphRects(pHandle, MAIN_GRAPHBar, out, 8);
}

// The worked width example: catches the bands centred on the found edges,
// the bar on the wrong edges, cursors misplaced, or the old plots left.
TEST_F(Plots, BarGraphWidthExampleDrawsBarBandsAndCursors) {
    StandardFrame(400, 20, 400);
    parameter[6] = 2;  // width
    Ledge = 1000;
    Redge = 1400;
    edcnt = 2;
    umValue = 1234567;
    parameter[13] = 4;  // analog output follows max - min
    anaMax = 200;
    anaMin = 3000;
    PlotVIDEOBarGraph();
    PlotVIDEOBarGraph();  // every call replaces the plots
    HostRect r[8];
    ASSERT_EQ(3, Rects(r));
    const HostRect expected[3] = {{1000, 0.25, 1400, 1.0, kRed, kRed},
                                  {990, 0.0, 1010, 0.35, kGreen, kGreen},
                                  {1390, 0.0, 1410, 0.35, kGreen, kGreen}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_DOUBLE_EQ(expected[i].x1, r[i].x1) << i;
        EXPECT_DOUBLE_EQ(expected[i].y1, r[i].y1) << i;
        EXPECT_DOUBLE_EQ(expected[i].x2, r[i].x2) << i;
        EXPECT_DOUBLE_EQ(expected[i].y2, r[i].y2) << i;
        EXPECT_EQ(expected[i].color, r[i].color) << i;
        EXPECT_EQ(expected[i].fillColor, r[i].fillColor) << i;
    }
    double x = 0, y = 0;
    ASSERT_EQ(1, HostGraphCursor(pHandle, MAIN_GRAPHBar, 1, &x, &y));
    EXPECT_DOUBLE_EQ(1200, x);
    EXPECT_DOUBLE_EQ(0.75, y);
    HostGraphCursor(pHandle, MAIN_GRAPHBar, 2, &x, &y);
    EXPECT_DOUBLE_EQ(100, x);
    HostGraphCursor(pHandle, MAIN_GRAPHBar, 3, &x, &y);
    EXPECT_DOUBLE_EQ(4000, x);
    double lo = 0, hi = 0;
    HostGraphAxis(pHandle, MAIN_GRAPHBar, VAL_XAXIS, &lo, &hi);
    EXPECT_DOUBLE_EQ(1.0, lo);
    EXPECT_DOUBLE_EQ(4096.0, hi);
    EXPECT_DOUBLE_EQ(1000, Display(MAIN_DISPedgeLeft));
    EXPECT_DOUBLE_EQ(1400, Display(MAIN_DISPedgeRight));
    EXPECT_DOUBLE_EQ(400, Display(MAIN_DISPpixel));
    EXPECT_DOUBLE_EQ(1234.567, Display(MAIN_DISPmm));
    EXPECT_DOUBLE_EQ(-2800, Display(MAIN_DISPanalog));
    EXPECT_DOUBLE_EQ(0.02, Display(MAIN_DISPtolLow));  // slope 1.0 x tol 20
}

// Catches a V303 bar graph drawing the standard band or showing one
// tolerance in both displays.
TEST_F(Plots, V303BarGraphHasNoBandAndTwoToleranceDisplays) {
    StandardFrame(500, 20, 500);
    edcnt = 2;
    parameter[21] = 1;
    parameter[25] = 30;
    parameter[26] = 10;
    parameter[31] = 2;
    parameter[60] = 1024;
    PlotVIDEOBarGraphV303();
    HostRect r[8];
    ASSERT_EQ(1, Rects(r));
    EXPECT_EQ(kRed, r[0].color);
    EXPECT_DOUBLE_EQ(0.03, Display(MAIN_DISPtolHigh));
    EXPECT_DOUBLE_EQ(0.01, Display(MAIN_DISPtolLow));
}

// The worked zoom example: catches a wrong margin, zoom ignored, an
// inverted axis, or the tolerance colour not set by the raw graph.
TEST_F(Plots, RawGraphZoomExampleAndColour) {
    StandardFrame(500, 20, 560);
    SetCtrlVal(pHandle, MAIN_ToggButtonZoom, 1);
    PlotRAWGraph();
    double lo = 0, hi = 0;
    HostGraphAxis(pHandle, MAIN_GRAPHRaw, VAL_LEFT_YAXIS, &lo, &hi);
    EXPECT_DOUBLE_EQ(460, lo);
    EXPECT_DOUBLE_EQ(620, hi);
    EXPECT_EQ(kRed, HostBackgroundColor(pHandle, MAIN_DISPmm));

    StandardFrame(5000, 20, 5000);  // beyond the sensor: the whole range
    PlotRAWGraph();
    HostGraphAxis(pHandle, MAIN_GRAPHRaw, VAL_LEFT_YAXIS, &lo, &hi);
    EXPECT_DOUBLE_EQ(0, lo);
    EXPECT_DOUBLE_EQ(4096, hi);

    SetCtrlVal(pHandle, MAIN_ToggButtonZoom, 0);
    StandardFrame(500, 50, 520);
    PlotRAWGraph();
    HostGraphAxis(pHandle, MAIN_GRAPHRaw, VAL_LEFT_YAXIS, &lo, &hi);
    EXPECT_DOUBLE_EQ(0, lo);
    EXPECT_DOUBLE_EQ(4096, hi);
    EXPECT_EQ(kDarkGreen, HostBackgroundColor(pHandle, MAIN_DISPmm));
}

// Catches a history that is not handed over whole (the chart scrolling on
// by itself), a wrong length, or traces in the wrong colour.
TEST_F(Plots, RawGraphShowsTheHundredNewestSamplesPerTrace) {
    for (uint16_t k = 1; k <= 101; ++k) {
        StandardFrame(500, 20, k);
        PlotRAWGraph();
    }
    double values[200];
    ASSERT_EQ(100, HostStripTrace(pHandle, MAIN_GRAPHRaw, 4, values, 200));
    for (int i = 0; i < 100; ++i) EXPECT_EQ(i + 2, values[i]) << i;
    ASSERT_EQ(100, HostStripTrace(pHandle, MAIN_GRAPHRaw, 3, values, 200));
    EXPECT_EQ(500, values[99]);
    const int colours[6] = {kDarkGreen, kDarkGreen, 0x000000, kRed, kRed, kRed};
    for (int t = 1; t <= 6; ++t)
        EXPECT_EQ(colours[t - 1], HostStripTraceColor(pHandle, MAIN_GRAPHRaw, t)) << t;
}

struct ColourCase {
    const char* name;
    void (*bar)(void);
    void (*raw)(void);
    int pixelColour;
    int mmColour;
};
void PrintTo(const ColourCase& c, std::ostream* os) {
    *os << c.name;
}

class ToleranceColours : public Plots, public ::testing::WithParamInterface<ColourCase> {};

// A measured value equal to the pixel count: within for the bar graph
// (capped at ccdvirtpixel), out for the raw graph (capped one below).
// Catches the raw graph of the standard and Tarvo variants colouring
// DISPpixel, or V303's not colouring it.
TEST_P(ToleranceColours, WhichGraphColoursWhichDisplay) {
    StandardFrame(4090, 20, 4096);
    parameter[25] = parameter[26] = parameter[40] = parameter[41] = 20;
    parameter[31] = 2;
    GetParam().bar();
    GetParam().raw();
    EXPECT_EQ(GetParam().pixelColour, HostBackgroundColor(pHandle, MAIN_DISPpixel));
    EXPECT_EQ(GetParam().mmColour, HostBackgroundColor(pHandle, MAIN_DISPmm));
}

INSTANTIATE_TEST_SUITE_P(
    Variants, ToleranceColours,
    ::testing::Values(ColourCase{"Standard", PlotVIDEOBarGraph, PlotRAWGraph, kDarkGreen, kRed},
                      ColourCase{"V303", PlotVIDEOBarGraphV303, PlotRAWGraphV303, kRed, kRed},
                      ColourCase{"Tarvo", PlotVIDEOBarGraphTarvo, PlotRAWGraphTarvo, kDarkGreen,
                                 kRed}),
    [](const ::testing::TestParamInfo<ColourCase>& info) { return std::string(info.param.name); });

// Catches curves added on top of old ones, the wrong x array, or the
// marker lines in the wrong order or colour.
TEST_F(Plots, CurvesReplaceTheirGraphsContent) {
    for (int i = 0; i < kLineCount; ++i) {
        adcbuf[i] = static_cast<uint16_t>(i * 3);
        thdArray[i] = 77;
        xArray[i] = 4.0 * i;
        xArray256[i] = i;
    }
    PlotVIDEOCurve(adcbuf, thdArray, xArray);
    PlotVIDEOCurve(adcbuf, thdArray, xArray);
    ASSERT_EQ(2, HostGraphCurveCount(pHandle, MAIN_GRAPHVideo));
    double x[kLineCount], y[kLineCount];
    int colour = 0;
    ASSERT_EQ(kLineCount, HostGraphCurve(pHandle, MAIN_GRAPHVideo, 0, x, y, kLineCount, &colour));
    EXPECT_EQ(kRed, colour);
    EXPECT_DOUBLE_EQ(1020, x[255]);
    EXPECT_DOUBLE_EQ(765, y[255]);
    HostGraphCurve(pHandle, MAIN_GRAPHVideo, 1, x, y, kLineCount, &colour);
    EXPECT_EQ(kDarkGreen, colour);
    EXPECT_DOUBLE_EQ(77, y[0]);

    parameter[48] = 300;
    parameter[9] = 500;
    parameter[25] = parameter[26] = 20;
    FillMarkerLines();
    PlotDATACurve(adcbuf, xArray256);
    PlotDATACurve(adcbuf, xArray256);
    ASSERT_EQ(5, HostGraphCurveCount(pHandle, MAIN_GRAPHData));
    const int colours[5] = {kRed, 0x808080, kDarkGreen, kDarkGreen, 0x000000};
    const double levels[5] = {0, 300, 520, 480, 500};
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(kLineCount,
                  HostGraphCurve(pHandle, MAIN_GRAPHData, i, x, y, kLineCount, &colour));
        EXPECT_EQ(colours[i], colour) << i;
        EXPECT_DOUBLE_EQ(levels[i], y[0]) << i;
        EXPECT_DOUBLE_EQ(255, x[255]) << i;
    }
}

}  // namespace
