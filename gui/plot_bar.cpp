// The video bar graph GRAPHBar and the measurement displays: the CCD line
// on a pixel x axis (1..ccdvirtpixel) with the edge bar (red, y 0.25..1.0),
// cursor 1 at the measured position, cursors 2 and 3 at the evaluation
// window (all at y 0.75), and for standard sensors the tolerance band(s)
// (green, y 0..0.35); the edge, analog and millimetre displays, and the
// tolerance colour of DISPpixel and DISPmm.
//
// Called after every unpacked measurement frame (RUN, VIDEO, recorder).
// Every call deletes the graph's plots and draws them anew.
#include "core/plotmath.h"
#include "gui/gui.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

enum { kCursorMeasured = 1, kCursorBegin = 2, kCursorEnd = 3 };

const double kCursorY = 0.75;
const double kBarBottom = 0.25;
const double kBarTop = 1.0;
const double kBandBottom = 0.0;
const double kBandTop = 0.35;

struct Display {
    int control;
    const uint16_t* value;
};
const Display kRecordDisplays[] = {
    {MAIN_DISPedgeLeft, &Ledge},
    {MAIN_DISPedgeRight, &Redge},
    {MAIN_DISPanaMax, &anaMax},
    {MAIN_DISPanaMin, &anaMin},
};

void PlotBarOf(const PlotVariant& variant) {
    MeasureInputs in;
    GatherMeasureInputs(variant, &in);
    BarPicture picture;
    ComputeBarPicture(variant, in, &picture);

    for (const Display& d : kRecordDisplays) SetCtrlVal(pHandle, d.control, int{*d.value});
    SetCtrlVal(pHandle, MAIN_DISPanalog, static_cast<int>(picture.analog));
    SetCtrlAttribute(pHandle, MAIN_DISPmm, ATTR_TEXT_BGCOLOR, picture.colour);
    SetCtrlAttribute(pHandle, MAIN_DISPpixel, ATTR_TEXT_BGCOLOR, picture.colour);
    SetCtrlVal(pHandle, MAIN_DISPpixel, int{in.Mvalue});
    SetCtrlVal(pHandle, MAIN_DISPmm, picture.mm);
    if (variant.barShowsTolHigh) SetCtrlVal(pHandle, MAIN_DISPtolHigh, picture.tolHighMm);
    SetCtrlVal(pHandle, MAIN_DISPtolLow, picture.tolLowMm);

    SetAxisScalingMode(pHandle, MAIN_GRAPHBar, VAL_XAXIS, VAL_MANUAL, 1.0, in.ccdvirtpixel);
    SetGraphCursor(pHandle, MAIN_GRAPHBar, kCursorBegin, in.eBeg, kCursorY);
    SetGraphCursor(pHandle, MAIN_GRAPHBar, kCursorEnd, in.eEnd, kCursorY);
    DeleteGraphPlot(pHandle, MAIN_GRAPHBar, VAL_ALL_PLOTS, VAL_DELAYED_DRAW);
    SetGraphCursor(pHandle, MAIN_GRAPHBar, kCursorMeasured, picture.cursor, kCursorY);
    if (picture.hasBar)
        PlotRectangle(pHandle, MAIN_GRAPHBar, picture.bar.x1, kBarBottom, picture.bar.x2, kBarTop,
                      kColourOut, kColourOut);
    for (int i = 0; i < picture.bandCount; ++i)
        PlotRectangle(pHandle, MAIN_GRAPHBar, picture.bands[i].x1, kBandBottom, picture.bands[i].x2,
                      kBandTop, kColourBand, kColourBand);
}

}  // namespace

void PlotVIDEOBarGraph(void) {
    PlotBarOf(kPlotStandard);
}

void PlotVIDEOBarGraphV303(void) {
    PlotBarOf(kPlotV303);
}

void PlotVIDEOBarGraphTarvo(void) {
    PlotBarOf(kPlotTarvo);
}

void PlotVIDEOBarGraphOfVariant(void) {
    static void (*const kOfVariant[])(void) = {PlotVIDEOBarGraph, PlotVIDEOBarGraphV303,
                                               PlotVIDEOBarGraphTarvo};
    kOfVariant[VariantOf()]();
}
