// The measurement pictures through the real graphs and displays (offscreen):
// the bar graph's rectangles and cursors, the raw graph's axis, traces and
// colours, the tolerance colour of the displays, and the two curve graphs.
#include <cstring>
#include <string>
#include <vector>

#include "tests/integration/support_harness.h"

namespace {

const int kRed = 0xFF0000;
const int kDarkGreen = 0x008000;
const int kGreen = 0x00FF00;

typedef std::vector<double> Values;

// Element by element EXPECT_DOUBLE_EQ, naming what and which element.
void ExpectValues(const Values& want, const Values& got, const std::string& what) {
    ASSERT_EQ(want.size(), got.size()) << what;
    for (size_t i = 0; i < want.size(); ++i) EXPECT_DOUBLE_EQ(want[i], got[i]) << what << " " << i;
}

Values Axis(int graph, int axis) {
    double lo = -1, hi = -1;
    HostGraphAxis(pHandle, graph, axis, &lo, &hi);
    return {lo, hi};
}

Values Cursor(int cursor) {
    double x = -1, y = -1;
    HostGraphCursor(pHandle, MAIN_GRAPHBar, cursor, &x, &y);
    return {x, y};
}

double Display(int control) {
    double v = -1.0;
    GetCtrlVal(pHandle, control, &v);
    return v;
}

class Plots : public SensorHarness {
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
        Mvalue = Ledge = Redge = measured;
        edcnt = 1;
    }
};

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
    ASSERT_EQ(3, HostGraphRects(pHandle, MAIN_GRAPHBar, r, 8));
    const Values expected[3] = {{1000, 0.25, 1400, 1.0, kRed, kRed},
                                {990, 0.0, 1010, 0.35, kGreen, kGreen},
                                {1390, 0.0, 1410, 0.35, kGreen, kGreen}};
    for (int i = 0; i < 3; ++i)
        ExpectValues(expected[i],
                     {r[i].x1, r[i].y1, r[i].x2, r[i].y2, 1.0 * r[i].color, 1.0 * r[i].fillColor},
                     "rectangle " + std::to_string(i));
    ExpectValues({1200, 0.75, 100, 4000}, {Cursor(1)[0], Cursor(1)[1], Cursor(2)[0], Cursor(3)[0]},
                 "cursors");
    ExpectValues({1.0, 4096.0}, Axis(MAIN_GRAPHBar, VAL_XAXIS), "x axis");
    // edges, pixel, mm, analog (max - min), tolerance (slope 1.0 x tol 20)
    ExpectValues({1000, 1400, 400, 1234.567, -2800, 0.02},
                 {Display(MAIN_DISPedgeLeft), Display(MAIN_DISPedgeRight), Display(MAIN_DISPpixel),
                  Display(MAIN_DISPmm), Display(MAIN_DISPanalog), Display(MAIN_DISPtolLow)},
                 "displays");
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
    ASSERT_EQ(1, HostGraphRects(pHandle, MAIN_GRAPHBar, r, 8));
    EXPECT_EQ(kRed, r[0].color);
    ExpectValues({0.03, 0.01}, {Display(MAIN_DISPtolHigh), Display(MAIN_DISPtolLow)}, "tolerances");
}

// Catches a history that is not handed over whole (the chart scrolling on
// by itself), a wrong length, or traces in the wrong colour; then the worked
// zoom example (its arithmetic is pinned by the unit tests): the range not
// reaching the axis, the zoom button ignored either way, or the tolerance
// colour of DISPmm not set by the raw graph.
TEST_F(Plots, RawGraphShowsTheHundredNewestSamplesAndZooms) {
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
    StandardFrame(500, 20, 560);
    SetCtrlVal(pHandle, MAIN_ToggButtonZoom, 1);
    PlotRAWGraph();
    ExpectValues({460, 620}, Axis(MAIN_GRAPHRaw, VAL_LEFT_YAXIS), "zoomed");
    EXPECT_EQ(kRed, HostBackgroundColor(pHandle, MAIN_DISPmm));
    SetCtrlVal(pHandle, MAIN_ToggButtonZoom, 0);
    StandardFrame(500, 50, 520);
    PlotRAWGraph();
    ExpectValues({0, 4096}, Axis(MAIN_GRAPHRaw, VAL_LEFT_YAXIS), "not zoomed");
    EXPECT_EQ(kDarkGreen, HostBackgroundColor(pHandle, MAIN_DISPmm));
}

// A measured value equal to the pixel count: within for the bar graph
// (capped at ccdvirtpixel), out for the raw graph (capped one below).
// Catches the raw graph of the standard and Tarvo variants colouring
// DISPpixel, or V303's not colouring it.
TEST_F(Plots, ToleranceColoursWhichGraphColoursWhichDisplay) {
    const struct {
        const char* name;
        void (*bar)(void);
        void (*raw)(void);
        int pixelColour;
    } kCases[] = {{"Standard", PlotVIDEOBarGraph, PlotRAWGraph, kDarkGreen},
                  {"V303", PlotVIDEOBarGraphV303, PlotRAWGraphV303, kRed},
                  {"Tarvo", PlotVIDEOBarGraphTarvo, PlotRAWGraphTarvo, kDarkGreen}};
    for (const auto& c : kCases) {
        StandardFrame(4090, 20, 4096);
        parameter[25] = parameter[26] = parameter[40] = parameter[41] = 20;
        parameter[31] = 2;
        c.bar();
        c.raw();
        EXPECT_EQ(c.pixelColour, HostBackgroundColor(pHandle, MAIN_DISPpixel)) << c.name;
        EXPECT_EQ(kRed, HostBackgroundColor(pHandle, MAIN_DISPmm)) << c.name;
    }
}

// Catches curves added on top of old ones, the wrong x array, or the
// marker lines in the wrong order or colour.
TEST_F(Plots, CurvesReplaceTheirGraphsContent) {
    for (int i = 0; i < kLineCount; ++i) {
        adcbuf[i] = static_cast<uint16_t>(i * 3);
        thdArray[i] = 77;
        xArray[i] = 4.0 * i;
        xArray256[i] = i;
    }
    parameter[48] = 300;
    parameter[9] = 500;
    parameter[25] = parameter[26] = 20;
    FillMarkerLines();
    for (int twice = 0; twice < 2; ++twice) {
        PlotVIDEOCurve(adcbuf, thdArray, xArray);
        PlotDATACurve(adcbuf, xArray256);
    }
    struct Curve {
        int graph, index, colour;
        double x255, y255;
    };
    const Curve kCurves[] = {
        {MAIN_GRAPHVideo, 0, kRed, 1020, 765},     {MAIN_GRAPHVideo, 1, kDarkGreen, 1020, 77},
        {MAIN_GRAPHData, 0, kRed, 255, 765},       {MAIN_GRAPHData, 1, 0x808080, 255, 300},
        {MAIN_GRAPHData, 2, kDarkGreen, 255, 520}, {MAIN_GRAPHData, 3, kDarkGreen, 255, 480},
        {MAIN_GRAPHData, 4, 0x000000, 255, 500}};
    EXPECT_EQ(2, HostGraphCurveCount(pHandle, MAIN_GRAPHVideo));
    EXPECT_EQ(5, HostGraphCurveCount(pHandle, MAIN_GRAPHData));
    for (const Curve& c : kCurves) {
        double x[kLineCount], y[kLineCount];
        int colour = -1;
        SCOPED_TRACE(std::to_string(c.graph) + "/" + std::to_string(c.index));
        ASSERT_EQ(kLineCount, HostGraphCurve(pHandle, c.graph, c.index, x, y, kLineCount, &colour));
        ExpectValues({1.0 * c.colour, c.x255, c.y255}, {1.0 * colour, x[255], y[255]}, "curve");
    }
}

}  // namespace
