// The two curve graphs that share the raw graph's place: GRAPHVideo (the
// video signal of the CCD line, 256 samples, with the video threshold) and
// GRAPHData (the sensor's trigger buffer, 256 samples, with the trigger
// threshold, both tolerance limits and the set point). Each call replaces
// the whole content of its graph; later plots lie on top of earlier ones.
// The callers set the axes.
#include "core/plotmath.h"
#include "gui/gui.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

struct CurveStyle {
    int plotStyle, lineStyle, colour;
};
const CurveStyle kSignal = {VAL_THIN_STEP, VAL_SOLID, kColourOut};
const CurveStyle kThreshold = {VAL_THIN_STEP, VAL_SOLID, kColourIn};
const CurveStyle kTrigger = {VAL_THIN_STEP, VAL_SOLID, kColourTrigger};
const CurveStyle kSetPoint = {VAL_THIN_LINE, VAL_DASH, kColourSetPoint};

// The marker lines of the data graph, in drawing order after the samples.
struct MarkerCurve {
    const int16_t* line;
    const CurveStyle* style;
    const char* name;
};
const MarkerCurve kDataMarkers[] = {
    {trgArray, &kTrigger, kCurveTrigger},
    {upTHDArray, &kThreshold, kCurveUpperLimit},
    {loTHDArray, &kThreshold, kCurveLowerLimit},
    {REFArray, &kSetPoint, kCurveSetPoint},
};

// The name heads the curve's column when the graph is saved.
void Curve(int control, const double* x, const uint16_t* y, const CurveStyle& s, const char* name) {
    const int plot = PlotXY(pHandle, control, x, y, kLineCount, s.plotStyle, VAL_NO_POINT,
                            s.lineStyle, 1, s.colour);
    if (plot > 0) SetPlotAttribute(pHandle, control, plot, ATTR_PLOT_LG_TEXT, name);
}

}  // namespace

void PlotVIDEOCurve(const uint16_t* samples, const uint16_t* threshold, const double* x) {
    DeleteGraphPlot(pHandle, MAIN_GRAPHVideo, VAL_ALL_PLOTS, VAL_IMMEDIATE_DRAW);
    Curve(MAIN_GRAPHVideo, x, samples, kSignal, kCurveVideo);
    Curve(MAIN_GRAPHVideo, x, threshold, kThreshold, kCurveVideoThreshold);
}

void PlotDATACurve(const uint16_t* samples, const double* x) {
    DeleteGraphPlot(pHandle, MAIN_GRAPHData, VAL_ALL_PLOTS, VAL_IMMEDIATE_DRAW);
    Curve(MAIN_GRAPHData, x, samples, kSignal, kCurveData);
    // The marker lines are kept signed; the graph takes unsigned values. The
    // lower limit is raised to 0, so on-scale values read the same either
    // way, and a wrapped value lands far off the top instead of at 0.
    for (const MarkerCurve& m : kDataMarkers)
        Curve(MAIN_GRAPHData, x, reinterpret_cast<const uint16_t*>(m.line), *m.style, m.name);
}
