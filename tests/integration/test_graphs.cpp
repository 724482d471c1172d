// Graph calls of the runtime layer on the real main panel, offscreen: the
// interleaved strip chart, rectangles, cursors, axes, XY curves, clicks,
// and the coalescing of replots.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <cmath>
#include <ostream>
#include <vector>

#include "KovexaV308/kovexa.h"
#include "KovexaV308/panels/kovexa_panels.h"
#include "platform/cvi.h"
#include "platform/host.h"

namespace {

char gArg0[] = "test_graphs";
char* gArgv[] = {gArg0, nullptr};
int gArgc = 1;

std::vector<int> gGraphEvents;
int RecordGraph(int, int, int event, void*, int, int) {
    gGraphEvents.push_back(event);
    return 0;
}

const CtrlBinding kGraphControls[] = {
    {RES_MAIN, MAIN_GRAPHRaw, "GRAPHRaw", RecordGraph},
    {RES_MAIN, MAIN_GRAPHVideo, "GRAPHVideo", RecordGraph},
    {RES_MAIN, MAIN_GRAPHData, "GRAPHData", RecordGraph},
    {RES_MAIN, MAIN_GRAPHBar, "GRAPHBar", RecordGraph},
    {RES_MAIN, MAIN_DISPmm, "DISPmm", nullptr},
};

class Graphs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1, HostInit(&gArgc, gArgv));
        RegisterControls(kGraphControls, sizeof kGraphControls / sizeof kGraphControls[0], nullptr,
                         0);
        main_ = LoadPanel(0, KOVEXA_UIR, RES_MAIN);
        ASSERT_GT(main_, 0);
        gGraphEvents.clear();
    }
    void TearDown() override {
        DiscardPanel(main_);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    int main_ = 0;
};

// The raw graph's history: 100 samples of 6 traces, interleaved by trace.
std::vector<double> History(double base) {
    std::vector<double> v(600);
    for (int i = 0; i < 600; ++i) v[i] = base + i;
    return v;
}

void PumpUntil(bool (*done)(void*), void* arg, int maxMs) {
    QElapsedTimer t;
    t.start();
    while (!done(arg) && t.elapsed() < maxMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace

// --------------------------------------------------------- strip chart ---

// Catches a wrong interleaving: trace 4 must be values 3, 9, 15, ...
TEST_F(Graphs, StripChartSplitsInterleavedValuesByTrace) {
    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_POINTS_PER_SCREEN, 101);
    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_STRIP_CHART_PAUSED, 1);
    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_NUM_TRACES, 6);
    const std::vector<double> h = History(0);
    ASSERT_EQ(0, PlotStripChart(main_, MAIN_GRAPHRaw, h.data(), 600, 0, 0));
    double shown[200];
    ASSERT_EQ(100, HostStripTrace(main_, MAIN_GRAPHRaw, 4, shown, 200));
    for (int k = 0; k < 100; ++k) ASSERT_EQ(3 + 6 * k, shown[k]) << "sample " << k;
    ASSERT_EQ(100, HostStripTrace(main_, MAIN_GRAPHRaw, 1, shown, 200));
    EXPECT_EQ(0, shown[0]);
    EXPECT_EQ(594, shown[99]);
    ASSERT_EQ(100, HostStripTrace(main_, MAIN_GRAPHRaw, 6, shown, 200));
    EXPECT_EQ(599, shown[99]);
}

// Catches a paused chart that appends (showing an old sample beside the new history).
TEST_F(Graphs, PausedStripChartShowsExactlyTheLastCall) {
    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_POINTS_PER_SCREEN, 101);
    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_STRIP_CHART_PAUSED, 1);
    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_NUM_TRACES, 6);
    const std::vector<double> first = History(0), second = History(10000);
    PlotStripChart(main_, MAIN_GRAPHRaw, first.data(), 600, 0, 0);
    PlotStripChart(main_, MAIN_GRAPHRaw, second.data(), 600, 0, 0);
    double shown[200];
    ASSERT_EQ(100, HostStripTrace(main_, MAIN_GRAPHRaw, 4, shown, 200));
    EXPECT_EQ(10003, shown[0]);
    EXPECT_EQ(10597, shown[99]);
}

// Catches a scrolling chart that keeps more (or fewer) than points-per-screen samples.
TEST_F(Graphs, ScrollingStripChartKeepsTheLastPointsPerScreen) {
    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_NUM_TRACES, 2);
    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_POINTS_PER_SCREEN, 5);
    const double a[] = {1, 101, 2, 102, 3, 103};
    const double b[] = {4, 104, 5, 105, 6, 106};
    PlotStripChart(main_, MAIN_GRAPHRaw, a, 6, 0, 0);
    PlotStripChart(main_, MAIN_GRAPHRaw, b, 6, 0, 0);
    double shown[10];
    ASSERT_EQ(5, HostStripTrace(main_, MAIN_GRAPHRaw, 1, shown, 10));
    EXPECT_EQ(std::vector<double>({2, 3, 4, 5, 6}), std::vector<double>(shown, shown + 5));
    ASSERT_EQ(5, HostStripTrace(main_, MAIN_GRAPHRaw, 2, shown, 10));
    EXPECT_EQ(std::vector<double>({102, 103, 104, 105, 106}),
              std::vector<double>(shown, shown + 5));
}

// Catches start and skip ignored, or values read past the n handed over.
TEST_F(Graphs, StripChartHonoursStartAndSkip) {
    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_NUM_TRACES, 1);
    const double v[] = {-1, 10, -1, 20, -1, 30, -1, 999};
    ASSERT_EQ(0, PlotStripChart(main_, MAIN_GRAPHRaw, v, 3, 1, 1));
    double shown[4];
    ASSERT_EQ(3, HostStripTrace(main_, MAIN_GRAPHRaw, 1, shown, 4));
    EXPECT_EQ(std::vector<double>({10, 20, 30}), std::vector<double>(shown, shown + 3));
    EXPECT_LT(PlotStripChart(main_, MAIN_GRAPHRaw, nullptr, 3, 0, 0), 0);
    EXPECT_LT(PlotStripChart(main_, MAIN_GRAPHRaw, v, -1, 0, 0), 0);
    EXPECT_LT(SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_NUM_TRACES, 0), 0);
}

// Catches trace colours applied to the wrong trace.
TEST_F(Graphs, TraceColoursReadBackPerTrace) {
    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_NUM_TRACES, 6);
    const int colours[6] = {VAL_DK_GREEN, VAL_DK_GREEN, VAL_BLACK, VAL_RED, VAL_RED, VAL_RED};
    for (int t = 1; t <= 6; ++t)
        ASSERT_EQ(0, SetTraceAttribute(main_, MAIN_GRAPHRaw, t, ATTR_TRACE_COLOR, colours[t - 1]));
    for (int t = 1; t <= 6; ++t)
        EXPECT_EQ(colours[t - 1], HostStripTraceColor(main_, MAIN_GRAPHRaw, t));
    EXPECT_LT(SetTraceAttribute(main_, MAIN_GRAPHRaw, 0, ATTR_TRACE_COLOR, VAL_RED), 0);
}

// ------------------------------------------------ rectangles, cursors ---

// Catches rectangles with swapped corners or colours, or a pool that shows stale ones.
TEST_F(Graphs, RectanglesReadBackAndDeleteAllRemovesThem) {
    // The worked bar example: red edge bar, two green tolerance bands.
    EXPECT_GT(PlotRectangle(main_, MAIN_GRAPHBar, 1000, 0.25, 1400, 1.0, VAL_RED, VAL_RED), 0);
    EXPECT_GT(PlotRectangle(main_, MAIN_GRAPHBar, 990, 0, 1010, 0.35, VAL_GREEN, VAL_GREEN), 0);
    EXPECT_GT(PlotRectangle(main_, MAIN_GRAPHBar, 1390, 0, 1410, 0.35, VAL_GREEN, VAL_GREEN), 0);
    HostRect r[8];
    ASSERT_EQ(3, HostGraphRects(main_, MAIN_GRAPHBar, r, 8));
    EXPECT_EQ(1000, r[0].x1);
    EXPECT_EQ(0.25, r[0].y1);
    EXPECT_EQ(1400, r[0].x2);
    EXPECT_EQ(1.0, r[0].y2);
    EXPECT_EQ(VAL_RED, r[0].color);
    EXPECT_EQ(VAL_GREEN, r[2].fillColor);
    EXPECT_EQ(1390, r[2].x1);
    ASSERT_EQ(0, DeleteGraphPlot(main_, MAIN_GRAPHBar, VAL_ALL_PLOTS, VAL_DELAYED_DRAW));
    EXPECT_EQ(0, HostGraphRects(main_, MAIN_GRAPHBar, r, 8));
    PlotRectangle(main_, MAIN_GRAPHBar, 5, 0, 6, 1, VAL_RED, VAL_RED);
    ASSERT_EQ(1, HostGraphRects(main_, MAIN_GRAPHBar, r, 8));
    EXPECT_EQ(5, r[0].x1);
}

// Catches cursors treated as plots and wiped with them every frame.
TEST_F(Graphs, CursorsSurviveDeleteGraphPlot) {
    ASSERT_EQ(0, SetGraphCursor(main_, MAIN_GRAPHBar, 2, 1, 0.75));
    ASSERT_EQ(0, SetGraphCursor(main_, MAIN_GRAPHBar, 3, 4096, 0.75));
    ASSERT_EQ(0, SetGraphCursor(main_, MAIN_GRAPHBar, 1, 1200, 0.75));
    PlotRectangle(main_, MAIN_GRAPHBar, 1, 0, 2, 1, VAL_RED, VAL_RED);
    DeleteGraphPlot(main_, MAIN_GRAPHBar, VAL_ALL_PLOTS, VAL_IMMEDIATE_DRAW);
    double x = 0, y = 0;
    ASSERT_EQ(1, HostGraphCursor(main_, MAIN_GRAPHBar, 1, &x, &y));
    EXPECT_EQ(1200, x);
    EXPECT_EQ(0.75, y);
    ASSERT_EQ(1, HostGraphCursor(main_, MAIN_GRAPHBar, 3, &x, &y));
    EXPECT_EQ(4096, x);
    EXPECT_LT(SetGraphCursor(main_, MAIN_GRAPHBar, 4, 1, 1), 0);
    EXPECT_LT(SetGraphCursor(main_, MAIN_GRAPHBar, 0, 1, 1), 0);
    EXPECT_LT(SetGraphCursor(main_, MAIN_GRAPHBar, 1, NAN, 1), 0);
}

// ----------------------------------------------------------------- axes ---

struct AxisCase {
    const char* name;
    double min, max;
    double wantMin, wantMax;
};

// Test names in listings say which case, not the bytes of the parameter.
void PrintTo(const AxisCase& c, std::ostream* os) {
    *os << c.name;
}

class AxisRanges : public Graphs, public ::testing::WithParamInterface<AxisCase> {};

// Catches an inverted or empty range handed to the plot (nothing drawn, or a crash).
TEST_P(AxisRanges, ManualRangeIsMadeValid) {
    const AxisCase& c = GetParam();
    ASSERT_EQ(0,
              SetAxisScalingMode(main_, MAIN_GRAPHRaw, VAL_LEFT_YAXIS, VAL_MANUAL, c.min, c.max));
    double lo = 0, hi = 0;
    ASSERT_EQ(1, HostGraphAxis(main_, MAIN_GRAPHRaw, VAL_LEFT_YAXIS, &lo, &hi));
    EXPECT_DOUBLE_EQ(c.wantMin, lo);
    EXPECT_DOUBLE_EQ(c.wantMax, hi);
    EXPECT_LT(lo, hi);
}

INSTANTIATE_TEST_SUITE_P(Ranges, AxisRanges,
                         ::testing::Values(AxisCase{"normal", 460, 540, 460, 540},
                                           AxisCase{"swapped", 4096, 1, 1, 4096},
                                           AxisCase{"empty", 100, 100, 99.5, 100.5},
                                           AxisCase{"zoomoff", 0, 4096, 0, 4096}),
                         [](const ::testing::TestParamInfo<AxisCase>& i) {
                             return std::string(i.param.name);
                         });

// Catches a range that is not finite replacing the last good one.
TEST_F(Graphs, NonFiniteRangeIsRefusedAndTheOldOneKept) {
    SetAxisScalingMode(main_, MAIN_GRAPHVideo, VAL_XAXIS, VAL_MANUAL, 1.0, 1024.0);
    EXPECT_LT(SetAxisScalingMode(main_, MAIN_GRAPHVideo, VAL_XAXIS, VAL_MANUAL, NAN, 5), 0);
    EXPECT_LT(SetAxisScalingMode(main_, MAIN_GRAPHVideo, VAL_XAXIS, VAL_MANUAL, 0, INFINITY), 0);
    double lo = 0, hi = 0;
    HostGraphAxis(main_, MAIN_GRAPHVideo, VAL_XAXIS, &lo, &hi);
    EXPECT_EQ(1.0, lo);
    EXPECT_EQ(1024.0, hi);
}

// --------------------------------------------------------------- curves ---

// Catches curve points or colours mixed up between the plots of one graph.
TEST_F(Graphs, CurvesReadBackInPlotOrder) {
    double x[256];
    uint16_t samples[256], threshold[256];
    for (int i = 0; i < 256; ++i) {
        x[i] = 4.0 * i;
        samples[i] = static_cast<uint16_t>(i * 3);
        threshold[i] = 500;
    }
    ASSERT_GT(PlotXY(main_, MAIN_GRAPHVideo, x, samples, 256, VAL_THIN_STEP, VAL_NO_POINT,
                     VAL_SOLID, 1, VAL_RED),
              0);
    ASSERT_GT(PlotXY(main_, MAIN_GRAPHVideo, x, threshold, 256, VAL_THIN_STEP, VAL_NO_POINT,
                     VAL_SOLID, 1, VAL_DK_GREEN),
              0);
    ASSERT_EQ(2, HostGraphCurveCount(main_, MAIN_GRAPHVideo));
    double gx[300], gy[300];
    int colour = 0;
    ASSERT_EQ(256, HostGraphCurve(main_, MAIN_GRAPHVideo, 0, gx, gy, 300, &colour));
    EXPECT_EQ(VAL_RED, colour);
    EXPECT_EQ(1020.0, gx[255]);
    EXPECT_EQ(765.0, gy[255]);
    ASSERT_EQ(256, HostGraphCurve(main_, MAIN_GRAPHVideo, 1, gx, gy, 300, &colour));
    EXPECT_EQ(VAL_DK_GREEN, colour);
    EXPECT_EQ(500.0, gy[17]);
}

// Catches a redraw that keeps the old curves (graphs filling up frame by frame).
TEST_F(Graphs, DeleteThenPlotReplacesTheCurves) {
    double x[4] = {0, 1, 2, 3};
    uint16_t a[4] = {1, 2, 3, 4}, b[4] = {9, 9, 9, 9};
    for (int round = 0; round < 5; ++round) {
        DeleteGraphPlot(main_, MAIN_GRAPHData, VAL_ALL_PLOTS, VAL_IMMEDIATE_DRAW);
        PlotXY(main_, MAIN_GRAPHData, x, round % 2 ? a : b, 4, VAL_THIN_STEP, VAL_NO_POINT,
               VAL_SOLID, 1, VAL_RED);
        PlotXY(main_, MAIN_GRAPHData, x, a, 4, VAL_THIN_LINE, VAL_NO_POINT, VAL_DASH, 1, VAL_BLACK);
    }
    EXPECT_EQ(2, HostGraphCurveCount(main_, MAIN_GRAPHData));
    double gy[4];
    HostGraphCurve(main_, MAIN_GRAPHData, 0, nullptr, gy, 4, nullptr);
    EXPECT_EQ(9.0, gy[0]);  // the last round drew b first
    const int h =
        PlotXY(main_, MAIN_GRAPHData, x, a, 4, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, VAL_GRAY);
    ASSERT_EQ(0, DeleteGraphPlot(main_, MAIN_GRAPHData, h, VAL_DELAYED_DRAW));
    EXPECT_EQ(2, HostGraphCurveCount(main_, MAIN_GRAPHData));
    EXPECT_LT(DeleteGraphPlot(main_, MAIN_GRAPHData, h, VAL_DELAYED_DRAW), 0);
}

// Catches a copy past the caller's buffer when the curve is longer than it.
TEST_F(Graphs, CurveReadBackNeverWritesPastMax) {
    double x[10];
    uint16_t y[10];
    for (int i = 0; i < 10; ++i) x[i] = i, y[i] = 1;
    PlotXY(main_, MAIN_GRAPHData, x, y, 10, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, VAL_RED);
    double out[6] = {0, 0, 0, 0, -7, -7};
    EXPECT_EQ(10, HostGraphCurve(main_, MAIN_GRAPHData, 0, out, nullptr, 4, nullptr));
    EXPECT_EQ(-7, out[4]);
    EXPECT_LT(
        PlotXY(main_, MAIN_GRAPHData, x, y, 0, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, VAL_RED),
        0);
}

// Catches graph calls accepted on controls that are no graphs.
TEST_F(Graphs, GraphCallsOnOtherControlsFail) {
    EXPECT_LT(SetGraphCursor(main_, MAIN_DISPmm, 1, 1, 1), 0);
    EXPECT_LT(PlotRectangle(main_, MAIN_DISPmm, 0, 0, 1, 1, 0, 0), 0);
    EXPECT_LT(SetCtrlAttribute(main_, MAIN_DISPmm, ATTR_NUM_TRACES, 6), 0);
}

// ------------------------------------------------------- events, speed ---

// Catches graph clicks swallowed by the plot widget.
TEST_F(Graphs, ClicksOnAGraphReachItsCallback) {
    HostRightClick(main_, MAIN_GRAPHRaw);
    HostLeftClick(main_, MAIN_GRAPHVideo);
    EXPECT_EQ(std::vector<int>({EVENT_RIGHT_CLICK, EVENT_LEFT_CLICK}), gGraphEvents);
}

// Catches a replot per plot call (a fast frame stream would wait for drawing).
TEST_F(Graphs, ManyPlotCallsCoalesceIntoOneReplot) {
    DisplayPanel(main_);
    static int panel = 0;
    panel = main_;
    // Let the first drawing of the shown window settle.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const long before = HostReplotCount(main_, MAIN_GRAPHRaw);
    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_NUM_TRACES, 6);
    const std::vector<double> h = History(0);
    for (int i = 0; i < 1000; ++i) PlotStripChart(main_, MAIN_GRAPHRaw, h.data(), 600, 0, 0);
    EXPECT_EQ(before, HostReplotCount(main_, MAIN_GRAPHRaw));
    static long base = 0;
    base = before;
    PumpUntil([](void*) { return HostReplotCount(panel, MAIN_GRAPHRaw) > base; }, nullptr, 3000);
    EXPECT_EQ(before + 1, HostReplotCount(main_, MAIN_GRAPHRaw));
}

// Catches a graph drawn while hidden that shows its old picture when shown.
TEST_F(Graphs, HiddenGraphReplotsWhenShown) {
    DisplayPanel(main_);
    static int panel = 0;
    panel = main_;
    SetCtrlAttribute(main_, MAIN_GRAPHVideo, ATTR_VISIBLE, 0);
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const long before = HostReplotCount(main_, MAIN_GRAPHVideo);
    double x[2] = {0, 1};
    uint16_t y[2] = {5, 6};
    PlotXY(main_, MAIN_GRAPHVideo, x, y, 2, VAL_THIN_STEP, VAL_NO_POINT, VAL_SOLID, 1, VAL_RED);
    settle.restart();
    while (settle.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(before, HostReplotCount(main_, MAIN_GRAPHVideo));
    SetCtrlAttribute(main_, MAIN_GRAPHVideo, ATTR_VISIBLE, 1);
    static long base = 0;
    base = before;
    PumpUntil([](void*) { return HostReplotCount(panel, MAIN_GRAPHVideo) > base; }, nullptr, 3000);
    EXPECT_EQ(before + 1, HostReplotCount(main_, MAIN_GRAPHVideo));
}

// Catches an autoscaled axis that does not follow the data.
TEST_F(Graphs, AutoscaleFollowsTheData) {
    double x[3] = {10, 20, 30};
    uint16_t y[3] = {100, 700, 300};
    PlotXY(main_, MAIN_GRAPHData, x, y, 3, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, VAL_RED);
    ASSERT_EQ(0, SetAxisScalingMode(main_, MAIN_GRAPHData, VAL_LEFT_YAXIS, VAL_AUTOSCALE, 0, 0));
    double lo = 0, hi = 0;
    HostGraphAxis(main_, MAIN_GRAPHData, VAL_LEFT_YAXIS, &lo, &hi);
    EXPECT_LE(lo, 100);
    EXPECT_GE(hi, 700);
    EXPECT_LT(hi - lo, 2000);
}
