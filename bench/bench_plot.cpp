// Cost of drawing one measurement frame: the main panel shown offscreen,
// then per frame what the program does for it (raw strip chart of 600
// values in 6 traces, bar graph cleared and 3 rectangles, 3 cursors, 10
// displays, 2 background colours) with ProcessSystemEvents between frames.
//
// Prints, one figure per line:
//   plot_frame_us       microseconds of plot calls per frame (drawing excluded)
//   frame_total_us      microseconds per frame including event processing
//   plot_replots_per_s  replots of the raw graph per second of the run
//   plot_replots        replots of the raw graph in all
//
//   bench_plot [FRAMES]   (default 20000)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "KovexaV308/kovexa.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"
#include "platform/host.h"

namespace {

enum { kDefaultFrames = 20000, kValues = 600, kTraces = 6, kPointsPerScreen = 101 };

const int kDisplays[] = {MAIN_DISPedgeLeft, MAIN_DISPedgeRight, MAIN_DISPpixel,  MAIN_DISPmm,
                         MAIN_DISPtolHigh,  MAIN_DISPtolLow,    MAIN_DISPanalog, MAIN_DISPanaMax,
                         MAIN_DISPanaMin,   MAIN_TEXTstatus};
const int kTraceColours[kTraces] = {VAL_DK_GREEN, VAL_DK_GREEN, VAL_BLACK,
                                    VAL_RED,      VAL_RED,      VAL_RED};

double history[kValues];

using Clock = std::chrono::steady_clock;

double Micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

void Frame(int panel, int k) {
    // The history moves on by one sample per frame, as the raw graph's does.
    for (int i = 0; i < kValues - kTraces; ++i) history[i] = history[i + kTraces];
    const double m = 2000.0 + (k % 200);
    const double sample[kTraces] = {2100, 1900, 2000, m, m, m};
    for (int t = 0; t < kTraces; ++t) history[kValues - kTraces + t] = sample[t];
    SetCtrlAttribute(panel, MAIN_DISPmm, ATTR_TEXT_BGCOLOR, (k & 64) ? VAL_RED : VAL_DK_GREEN);
    SetCtrlAttribute(panel, MAIN_DISPpixel, ATTR_TEXT_BGCOLOR, (k & 64) ? VAL_RED : VAL_DK_GREEN);
    for (int d : kDisplays) SetCtrlVal(panel, d, k + d);
    SetAxisScalingMode(panel, MAIN_GRAPHBar, VAL_XAXIS, VAL_MANUAL, 1.0, 4096.0);
    SetGraphCursor(panel, MAIN_GRAPHBar, 2, 1.0, 0.75);
    SetGraphCursor(panel, MAIN_GRAPHBar, 3, 4096.0, 0.75);
    DeleteGraphPlot(panel, MAIN_GRAPHBar, VAL_ALL_PLOTS, VAL_DELAYED_DRAW);
    SetGraphCursor(panel, MAIN_GRAPHBar, 1, m, 0.75);
    PlotRectangle(panel, MAIN_GRAPHBar, m - 200, 0.25, m + 200, 1.0, VAL_RED, VAL_RED);
    PlotRectangle(panel, MAIN_GRAPHBar, 1790, 0.0, 1810, 0.35, VAL_GREEN, VAL_GREEN);
    PlotRectangle(panel, MAIN_GRAPHBar, 2190, 0.0, 2210, 0.35, VAL_GREEN, VAL_GREEN);
    SetCtrlAttribute(panel, MAIN_GRAPHRaw, ATTR_POINTS_PER_SCREEN, kPointsPerScreen);
    SetCtrlAttribute(panel, MAIN_GRAPHRaw, ATTR_STRIP_CHART_PAUSED, 1);
    SetAxisScalingMode(panel, MAIN_GRAPHRaw, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, 4096.0);
    for (int t = 0; t < kTraces; ++t)
        SetTraceAttribute(panel, MAIN_GRAPHRaw, t + 1, ATTR_TRACE_COLOR, kTraceColours[t]);
    SetCtrlAttribute(panel, MAIN_GRAPHRaw, ATTR_NUM_TRACES, kTraces);
    PlotStripChart(panel, MAIN_GRAPHRaw, history, kValues, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
    int frames = kDefaultFrames;
    if (argc > 1) frames = std::atoi(argv[1]);
    if (frames < 1) frames = kDefaultFrames;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    if (!HostInit(&qtArgc, argv)) {
        std::fprintf(stderr, "bench_plot: the toolkit did not start\n");
        return 1;
    }
    RegisterKovexaControls();
    const int panel = LoadPanel(0, KOVEXA_UIR, RES_MAIN);
    if (panel < 0) {
        std::fprintf(stderr, "bench_plot: main panel not loaded\n");
        return 1;
    }
    DisplayPanel(panel);
    for (int i = 0; i < 50; ++i) ProcessSystemEvents();  // first drawing out of the way

    const long replots0 = HostReplotCount(panel, MAIN_GRAPHRaw);
    Clock::duration plotting{};
    const Clock::time_point start = Clock::now();
    for (int k = 0; k < frames; ++k) {
        const Clock::time_point t0 = Clock::now();
        Frame(panel, k);
        plotting += Clock::now() - t0;
        ProcessSystemEvents();
    }
    const Clock::duration total = Clock::now() - start;
    const long replots = HostReplotCount(panel, MAIN_GRAPHRaw) - replots0;
    const double seconds = Micros(total) / 1e6;

    std::printf("plot_frame_us %.2f\n", Micros(plotting) / frames);
    std::printf("frame_total_us %.2f\n", Micros(total) / frames);
    std::printf("plot_replots_per_s %.1f\n", seconds > 0 ? replots / seconds : 0.0);
    std::printf("plot_replots %ld\n", replots);
    return 0;
}
