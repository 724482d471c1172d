// Graph calls of the runtime layer on the real main panel, offscreen: the
// scrolling strip chart, axes, curves deleted one by one, bad arguments,
// and the coalescing of replots. What the program's own plot tests already
// pin through these calls (the paused raw history by trace, trace colours,
// the bar example's rectangles and cursors, curves replaced per frame) is
// not repeated here.
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "KovexaV308/kovexa.h"
#include "KovexaV308/forms.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"
#include "platform/host.h"
#include "tests/integration/support_harness.h"

namespace {

char gArg0[] = "test_graphs";
char* gArgv[] = {gArg0, nullptr};
int gArgc = 1;

const CtrlBinding kGraphControls[] = {
    {RES_MAIN, MAIN_GRAPHRaw, "GRAPHRaw", nullptr},
    {RES_MAIN, MAIN_GRAPHVideo, "GRAPHVideo", nullptr},
    {RES_MAIN, MAIN_GRAPHData, "GRAPHData", nullptr},
    {RES_MAIN, MAIN_GRAPHBar, "GRAPHBar", nullptr},
    {RES_MAIN, MAIN_DISPmm, "DISPmm", nullptr},
};

class Graphs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1, HostInit(&gArgc, gArgv));
        RegisterKovexaForms();
        RegisterControls(kGraphControls, sizeof kGraphControls / sizeof kGraphControls[0], nullptr,
                         0);
        main_ = LoadPanel(0, KOVEXA_UIR, RES_MAIN);
        ASSERT_GT(main_, 0);
    }
    void TearDown() override {
        DiscardPanel(main_);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::vector<double> Trace(int control, int trace) {
        double shown[16];
        const int n = HostStripTrace(main_, control, trace, shown, 16);
        return std::vector<double>(shown, shown + (n > 0 ? n : 0));
    }
    int Curve(int control, int x0, int y0, int n, int colour) {
        double x[16];
        uint16_t y[16];
        for (int i = 0; i < n; ++i) x[i] = x0 + i, y[i] = static_cast<uint16_t>(y0 + i);
        return PlotXY(main_, control, x, y, n, VAL_THIN_LINE, VAL_NO_POINT, VAL_SOLID, 1, colour);
    }
    // Replots of a control once the window has settled for 200 ms.
    long SettledReplots(int control) {
        Pump(0.2);
        return HostReplotCount(main_, control);
    }
    // Replots after waiting (at most 3 s) for one more than before.
    long ReplotsAfterWaitingForOne(int control, long before) {
        QElapsedTimer t;
        t.start();
        while (HostReplotCount(main_, control) <= before && t.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return HostReplotCount(main_, control);
    }
    int main_ = 0;
};

}  // namespace

// Catches a scrolling chart that keeps more (or fewer) than points-per-screen
// samples per trace, or traces interleaved the wrong way.
TEST_F(Graphs, StripChartKeepsPointsPerScreenPerTrace) {
    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_NUM_TRACES, 2);
    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_POINTS_PER_SCREEN, 5);
    const double a[] = {1, 101, 2, 102, 3, 103};
    const double b[] = {4, 104, 5, 105, 6, 106};
    PlotStripChart(main_, MAIN_GRAPHRaw, a, 6, 0, 0);
    PlotStripChart(main_, MAIN_GRAPHRaw, b, 6, 0, 0);
    EXPECT_EQ(std::vector<double>({2, 3, 4, 5, 6}), Trace(MAIN_GRAPHRaw, 1));
    EXPECT_EQ(std::vector<double>({102, 103, 104, 105, 106}), Trace(MAIN_GRAPHRaw, 2));
}

// Catches an inverted or empty range handed to the plot (nothing drawn, or a
// crash), and a range that is not finite replacing the last good one.
TEST_F(Graphs, ManualRangeIsMadeValidOrRefused) {
    const struct {
        const char* name;
        double min, max;
        int result;  // 0 taken, -1 refused
        double wantMin, wantMax;
    } kCases[] = {{"Normal", 460, 540, 0, 460, 540},
                  {"Swapped", 4096, 1, 0, 1, 4096},
                  {"Empty", 100, 100, 0, 99.5, 100.5},
                  {"NotANumber", NAN, 5, -1, 1, 1024},
                  {"Infinite", 0, INFINITY, -1, 1, 1024}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(0, SetAxisScalingMode(main_, MAIN_GRAPHRaw, VAL_LEFT_YAXIS, VAL_MANUAL, 1, 1024));
        const int result =
            SetAxisScalingMode(main_, MAIN_GRAPHRaw, VAL_LEFT_YAXIS, VAL_MANUAL, c.min, c.max);
        EXPECT_EQ(c.result, result < 0 ? -1 : result);
        double lo = 0, hi = 0;
        ASSERT_EQ(1, HostGraphAxis(main_, MAIN_GRAPHRaw, VAL_LEFT_YAXIS, &lo, &hi));
        EXPECT_EQ(std::make_pair(c.wantMin, c.wantMax), std::make_pair(lo, hi));
    }
}

// Catches deleting one plot by handle taking others with it or being
// accepted twice, and a curve read back past the caller's buffer.
TEST_F(Graphs, CurvesDeleteByHandleAndReadBackWithinTheBuffer) {
    Curve(MAIN_GRAPHData, 0, 9, 10, VAL_RED);
    const int h = Curve(MAIN_GRAPHData, 0, 1, 4, VAL_GRAY);
    ASSERT_GT(h, 0);
    ASSERT_EQ(0, DeleteGraphPlot(main_, MAIN_GRAPHData, h, VAL_DELAYED_DRAW));
    EXPECT_LT(DeleteGraphPlot(main_, MAIN_GRAPHData, h, VAL_DELAYED_DRAW), 0);
    ASSERT_EQ(1, HostGraphCurveCount(main_, MAIN_GRAPHData));
    double out[6] = {0, 0, 0, 0, -7, -7};
    EXPECT_EQ(10, HostGraphCurve(main_, MAIN_GRAPHData, 0, nullptr, out, 4, nullptr));
    EXPECT_EQ(9.0, out[0]);
    EXPECT_EQ(-7, out[4]);
}

// Catches a replot per plot call (a fast frame stream would wait for drawing), and a graph drawn
// while hidden that shows its old picture when shown.
TEST_F(Graphs, PlotCallsCoalesceIntoOneReplotAndAHiddenGraphReplotsWhenShown) {
    DisplayPanel(main_);
    SetCtrlAttribute(main_, MAIN_GRAPHVideo, ATTR_VISIBLE, 0);
    const long raw = SettledReplots(MAIN_GRAPHRaw), video = HostReplotCount(main_, MAIN_GRAPHVideo);
    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_NUM_TRACES, 6);
    std::vector<double> history(600);
    for (int i = 0; i < 600; ++i) history[i] = i;
    for (int i = 0; i < 1000; ++i) PlotStripChart(main_, MAIN_GRAPHRaw, history.data(), 600, 0, 0);
    Curve(MAIN_GRAPHVideo, 0, 5, 2, VAL_RED);
    EXPECT_EQ(raw, HostReplotCount(main_, MAIN_GRAPHRaw));
    EXPECT_EQ(raw + 1, ReplotsAfterWaitingForOne(MAIN_GRAPHRaw, raw));
    EXPECT_EQ(video, SettledReplots(MAIN_GRAPHVideo));
    SetCtrlAttribute(main_, MAIN_GRAPHVideo, ATTR_VISIBLE, 1);
    EXPECT_EQ(video + 1, ReplotsAfterWaitingForOne(MAIN_GRAPHVideo, video));
}

QCustomPlot* PlotNamed(const char* name) {
    return qobject_cast<QCustomPlot*>(WidgetNamed(name));
}

// The mouse as the window would deliver it, at x pixels across the plot
// area's middle row.
void Wheel(QCustomPlot* plot, double x, int notches) {
    const QPointF at(x, plot->axisRect()->center().y());
    QWheelEvent e(at, plot->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(plot, &e);
}
void Mouse(QCustomPlot* plot, QEvent::Type type, double x, Qt::MouseButtons held) {
    const QPointF at(x, plot->axisRect()->center().y());
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, plot->mapToGlobal(at), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(plot, &e);
}
void Drag(QCustomPlot* plot, double from, double to) {
    Mouse(plot, QEvent::MouseButtonPress, from, Qt::LeftButton);
    Mouse(plot, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    Mouse(plot, QEvent::MouseMove, to, Qt::LeftButton);
    Mouse(plot, QEvent::MouseButtonRelease, to, Qt::NoButton);
}
void DoubleClick(QCustomPlot* plot, double x) {
    Mouse(plot, QEvent::MouseButtonPress, x, Qt::LeftButton);
    Mouse(plot, QEvent::MouseButtonRelease, x, Qt::NoButton);
    Mouse(plot, QEvent::MouseButtonDblClick, x, Qt::LeftButton);
    Mouse(plot, QEvent::MouseButtonRelease, x, Qt::NoButton);
}

// Pixels in which the window's picture of a graph differs from its picture
// after a replot of everything, plus those of its last row not white.
int PixelsUnlikeAWholeReplot(const char* name) {
    QCustomPlot* plot = PlotNamed(name);
    if (!plot) return -1;
    const QImage shown = plot->grab().toImage();
    plot->replot(QCustomPlot::rpImmediateRefresh);
    const QImage whole = plot->grab().toImage();
    int unlike = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) unlike += shown.pixel(x, y) != whole.pixel(x, y);
    // Below the axis: the last row shows the background like the rest.
    for (int x = 0; x < shown.width(); ++x)
        unlike += shown.pixel(x, shown.height() - 1) != qRgb(255, 255, 255);
    return unlike;
}

// Catches a replot that redraws only the data while the axes, the legend
// or a colour shown in it changed (a stale frame), and any part of the
// graph, its last pixel row included, left unpainted.
TEST_F(Graphs, WindowShowsWhatAFreshDrawingShowsAfterEachKindOfChange) {
    DisplayPanel(main_);
    QCustomPlot* raw = PlotNamed("GRAPHRaw");
    ASSERT_TRUE(raw);
    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_NUM_TRACES, 2);
    std::vector<double> history(40);
    const auto plot = [&](double offset) {
        for (size_t i = 0; i < history.size(); ++i) history[i] = offset + 7.0 * (i % 5);
        PlotStripChart(main_, MAIN_GRAPHRaw, history.data(), 40, 0, 0);
    };
    // As a curve graph's frame comes: all deleted, then plotted and named.
    const auto curves = [&](int y0) {
        DeleteGraphPlot(main_, MAIN_GRAPHRaw, VAL_ALL_PLOTS, VAL_DELAYED_DRAW);
        for (const char* name : {"left", "right"})
            SetPlotAttribute(main_, MAIN_GRAPHRaw, Curve(MAIN_GRAPHRaw, 3, y0 += 9, 12, VAL_RED),
                             ATTR_PLOT_LG_TEXT, name);
    };
    const struct {
        const char* change;
        std::function<void()> make;
    } steps[] = {
        {"first data", [&] { plot(10); }},
        {"data only", [&] { plot(20); }},
        {"y range",
         [&] { SetAxisScalingMode(main_, MAIN_GRAPHRaw, VAL_LEFT_YAXIS, VAL_MANUAL, 0, 90); }},
        {"cursor", [&] { SetGraphCursor(main_, MAIN_GRAPHRaw, 1, 30, 40); }},
        {"legend on",
         [&] {
             SetTraceAttributeEx(main_, MAIN_GRAPHRaw, 1, ATTR_TRACE_LG_TEXT, "first");
             SetTraceAttributeEx(main_, MAIN_GRAPHRaw, 2, ATTR_TRACE_LG_TEXT, "second");
             SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_LEGEND_VISIBLE, 1);
         }},
        {"colour in the legend",
         [&] { SetTraceAttribute(main_, MAIN_GRAPHRaw, 2, ATTR_TRACE_COLOR, 0x00AAFF); }},
        {"name in the legend",
         [&] { SetTraceAttributeEx(main_, MAIN_GRAPHRaw, 1, ATTR_TRACE_LG_TEXT, "renamed"); }},
        {"data under the legend", [&] { plot(5); }},
        {"named curves", [&] { curves(100); }},
        {"the curves again, same names", [&] { curves(200); }},
        {"legend off", [&] { SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_LEGEND_VISIBLE, 0); }},
        {"wheel zoom", [&] { Wheel(raw, raw->axisRect()->center().x(), 2); }},
        {"pan", [&] { Drag(raw, raw->axisRect()->center().x(), raw->axisRect()->left() + 10); }},
        {"data after a pan", [&] { plot(15); }},
        {"double-click", [&] { DoubleClick(raw, raw->axisRect()->center().x()); }},
    };
    for (const auto& step : steps) {
        step.make();
        Pump(0.12);
        EXPECT_EQ(0, PixelsUnlikeAWholeReplot("GRAPHRaw")) << step.change;
    }
}

// Catches a wheel or drag that does not move the x axis, a zoom not held
// about the pointer, a user range that the next plot call (a rolling chart,
// a new frame's axis) throws away, a double-click that does not give the
// program's latest range back, and a wheel that zooms without end: to a
// sliver the axis cannot label, or out until the data is a speck.
TEST_F(Graphs, MouseZoomsAndPansTheXAxisWithinBoundsUntilADoubleClick) {
    DisplayPanel(main_);
    QCustomPlot* raw = PlotNamed("GRAPHRaw");
    ASSERT_TRUE(raw);
    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_POINTS_PER_SCREEN, 101);
    const double values[] = {1, 2, 3};
    PlotStripChart(main_, MAIN_GRAPHRaw, values, 3, 0, 0);
    Pump(0.08);
    const auto x = [&] {
        double lo = 0, hi = 0;
        HostGraphAxis(main_, MAIN_GRAPHRaw, VAL_XAXIS, &lo, &hi);
        return QCPRange(lo, hi);
    };
    ASSERT_EQ(QCPRange(0, 100), x());

    const double at = raw->xAxis->coordToPixel(75);
    Wheel(raw, at, 1);
    const QCPRange zoomed = x();
    EXPECT_NEAR(80.0, zoomed.size(), 1e-6);
    EXPECT_NEAR(75.0, zoomed.lower + (75.0 - 0.0) * 0.8, 1e-6);
    PlotStripChart(main_, MAIN_GRAPHRaw, values, 3, 0, 0);
    EXPECT_EQ(zoomed, x()) << "the rolling chart keeps the user's range";

    Pump(0.08);
    const double perPixel = zoomed.size() / raw->axisRect()->width();
    Drag(raw, at, at - 40);
    EXPECT_NEAR(zoomed.lower + 40 * perPixel, x().lower, 1e-6);
    EXPECT_NEAR(zoomed.size(), x().size(), 1e-6);

    Wheel(raw, at, -1);
    EXPECT_NEAR(100.0, x().size(), 1e-6) << "a step out undoes a step in";

    SetCtrlAttribute(main_, MAIN_GRAPHRaw, ATTR_POINTS_PER_SCREEN, 51);
    EXPECT_NEAR(100.0, x().size(), 1e-6);
    DoubleClick(raw, at);
    EXPECT_EQ(QCPRange(0, 50), x());

    ASSERT_EQ(0, SetAxisScalingMode(main_, MAIN_GRAPHRaw, VAL_XAXIS, VAL_MANUAL, 1, 256));
    Pump(0.08);
    for (int i = 0; i < 100; ++i) Wheel(raw, raw->axisRect()->center().x(), 1);
    EXPECT_GE(x().size(), 255.0 / 1000);
    for (int i = 0; i < 100; ++i) Wheel(raw, raw->axisRect()->center().x(), -1);
    EXPECT_LE(x().size(), 255.0 * 10);
    EXPECT_GT(x().size(), 255.0 * 5);
}
