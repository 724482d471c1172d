// The rolling raw graph GRAPHRaw: per measurement frame one sample of six
// traces (upper and lower tolerance limit, set point, measured value,
// analog-output low and high) is appended to the 100-sample history
// arrayNORM and the whole history is handed to the strip chart; the y axis
// is 0..ccdvirtpixel, or with ToggButtonZoom on the window around set point
// and tolerances. Also colours DISPmm by tolerance (V303: DISPpixel too) and,
// for V303, shows the tolerances in millimetres.
//
// Called by the RUN loop once per frame after the bar graph of the same
// variant, so its colour is the one that stays on DISPmm. The runtime layer
// coalesces repaints; this only replaces data in place.
#include "core/plotmath.h"
#include "gui/gui.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

const int kTraceColours[kHistoryTraces] = {
    kColourIn, kColourIn, kColourSetPoint, kColourOut, kColourOut, kColourOut,
};

void PlotRawOf(const PlotVariant& variant) {
    MeasureInputs in;
    GatherMeasureInputs(variant, &in);
    RawPicture picture;
    ComputeRawPicture(variant, in, &picture);

    if (variant.rawShowsTolerances) {
        SetCtrlVal(pHandle, MAIN_DISPtolHigh, picture.tolHighMm);
        SetCtrlVal(pHandle, MAIN_DISPtolLow, picture.tolLowMm);
    }
    SetCtrlAttribute(pHandle, MAIN_DISPmm, ATTR_TEXT_BGCOLOR, picture.colour);
    if (variant.rawColoursPixel)
        SetCtrlAttribute(pHandle, MAIN_DISPpixel, ATTR_TEXT_BGCOLOR, picture.colour);

    PushHistorySample(arrayNORM, in, picture);

    SetCtrlAttribute(pHandle, MAIN_GRAPHRaw, ATTR_POINTS_PER_SCREEN, kRawPointsPerScreen);
    SetCtrlAttribute(pHandle, MAIN_GRAPHRaw, ATTR_STRIP_CHART_PAUSED, 1);
    int zoom = 0;
    GetCtrlVal(pHandle, MAIN_ToggButtonZoom, &zoom);
    const YRange& range = zoom ? picture.zoom : picture.full;
    SetAxisScalingMode(pHandle, MAIN_GRAPHRaw, VAL_LEFT_YAXIS, VAL_MANUAL, range.min, range.max);
    for (int trace = 0; trace < kHistoryTraces; ++trace)
        SetTraceAttribute(pHandle, MAIN_GRAPHRaw, trace + 1, ATTR_TRACE_COLOR,
                          kTraceColours[trace]);
    SetCtrlAttribute(pHandle, MAIN_GRAPHRaw, ATTR_NUM_TRACES, kHistoryTraces);
    PlotStripChart(pHandle, MAIN_GRAPHRaw, arrayNORM, kHistoryValues, 0, 0);
}

}  // namespace

void PlotRAWGraph(void) {
    PlotRawOf(kPlotStandard);
}

void PlotRAWGraphV303(void) {
    PlotRawOf(kPlotV303);
}

void PlotRAWGraphTarvo(void) {
    PlotRawOf(kPlotTarvo);
}
