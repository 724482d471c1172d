// Arithmetic of the live measurement pictures, kept apart from drawing so
// it can be checked without panels: the analog-output traces by mode, the
// tolerance limits and colour, the y range of the rolling raw graph (zoom),
// the measured position by evaluation mode and HWTYPE, the edge bar, the
// tolerance bands, the millimetre displays, and the 100-sample history.
//
// Facts owned here:
//  - the three sensor variants read different record words for the same
//    quantity (PlotVariant tables: set point, tolerances, evaluation mode,
//    window begin/end, analog-output mode, millimetre divisor);
//  - V303 sensors in hardware mode 1 or 3 use the frame's tol on both sides;
//  - a value equal to a tolerance limit is within tolerance;
//  - the raw graph caps the upper limit at ccdvirtpixel - 1, the bar graph
//    at ccdvirtpixel; both raise the lower limit to 1;
//  - zoom: a tolerance below 40 gives a fixed 40-pixel span with a 60-pixel
//    margin for an outlier, 40 or more gives 2 x tolerance with 100;
//  - history: 100 samples x 6 traces interleaved, oldest first.
//
// Sums are formed in 32-bit signed integers. The sensor's own values stay
// far below 2^15, where this equals 16-bit arithmetic; a corrupted frame
// above it must not wrap into negative limits or positions.
//
// Pure functions of their arguments, except GatherMeasureInputs, which
// reads the globals of the link. No allocation, no platform calls.
#pragma once

#include <cstdint>

#include "core/protocol.h"

enum {
    kHistorySamples = 100,
    kHistoryTraces = 6,
    kHistoryValues = kHistorySamples * kHistoryTraces,
    kRawPointsPerScreen = 101,
    kNoWord = -1,  // PlotVariant: quantity taken from the frame's tol
    kMaxToleranceBands = 2,
};

// Colours of the pictures.
enum : int {
    kColourOut = 0xFF0000,   // measured signal, out of tolerance, edge bar
    kColourIn = 0x008000,    // within tolerance, tolerance limits
    kColourBand = 0x00FF00,  // tolerance band on the bar graph
    kColourSetPoint = 0x000000,
    kColourTrigger = 0x808080,  // trigger threshold on the data graph
};

// Record words and behaviour of one sensor variant.
struct PlotVariant {
    int8_t wordSp;
    int8_t wordTolUp;   // kNoWord: tol of the frame
    int8_t wordTolLo;   // kNoWord: tol of the frame
    int8_t wordHwMode;  // kNoWord, or the word whose modes 1 and 3 force tol
    int8_t wordEvalMode;
    int8_t wordEBeg;
    int8_t wordEEnd;
    int8_t wordAnaMode;
    double tolDivisor;           // slope x tolerance / divisor = millimetres
    uint8_t barShowsTolHigh;     // bar graph writes DISPtolHigh too
    uint8_t barDrawsBands;       // bar graph draws the tolerance band(s)
    uint8_t rawShowsTolerances;  // raw graph writes DISPtolHigh and DISPtolLow
    uint8_t rawColoursPixel;     // raw graph colours DISPpixel as well as DISPmm
};

extern const PlotVariant kPlotStandard;
extern const PlotVariant kPlotV303;
extern const PlotVariant kPlotTarvo;

// Everything one frame's pictures depend on, with the variant's words
// already resolved.
struct MeasureInputs {
    uint16_t sp, tolUp, tolLo, tol;
    uint16_t evalMode, eBeg, eEnd, anaMode;
    uint16_t Ledge, Redge, Mvalue, edcnt, mvstart, mvend, anaMax, anaMin;
    uint32_t umValue;
    uint32_t slope;  // record words 60 (low) and 61 (high)
    uint16_t ccdvirtpixel, pixB, pixE, HWTYPE;
};

// Reads the record, the measurement record and the sensor identity.
void GatherMeasureInputs(const PlotVariant& variant, MeasureInputs* in);

// ----------------------------------------------------------- pieces ----

struct AnalogTraces {
    int32_t lo;  // trace 5
    int32_t hi;  // trace 6
};
AnalogTraces AnalogTracesOf(const MeasureInputs& in);
// Value of DISPanalog: the quantity the analog output follows (mode 4 is
// anaMax - anaMin and may be negative).
int32_t AnalogDisplayOf(const MeasureInputs& in);

struct ToleranceLimits {
    int32_t up, dn;
};
ToleranceLimits RawToleranceLimits(const MeasureInputs& in);
ToleranceLimits BarToleranceLimits(const MeasureInputs& in);
// 1 when dn <= value <= up.
int WithinTolerance(uint16_t value, ToleranceLimits limits);
int ToleranceColour(uint16_t value, ToleranceLimits limits);

struct YRange {
    double min, max;
};
// Zoomed y range of the raw graph; always min < max within 0..ccdvirtpixel.
YRange ZoomRange(const MeasureInputs& in);
// Zoom off: 0..ccdvirtpixel.
YRange FullRange(const MeasureInputs& in);

// Measured position before bounding (evaluation mode, HWTYPE).
int32_t MeasuredPosition(const MeasureInputs& in);
// Measured position bounded to pixB..pixE, then to 1..ccdvirtpixel.
int32_t CursorPosition(const MeasureInputs& in);

struct Span {
    int32_t x1, x2;
};
// Edge bar by the number of edges; 1 with the span, 0 when none is drawn.
int EdgeBarOf(const MeasureInputs& in, Span* bar);
// Tolerance bands around the bounded measured position m; count 0..2.
int ToleranceBandsOf(const MeasureInputs& in, int32_t m, Span* bands);

double ToleranceMm(uint32_t slope, uint16_t tolerance, double divisor);
double MillimetresOf(uint32_t umValue);

// ----------------------------------------------------------- pictures --

struct RawPicture {
    ToleranceLimits limits;
    AnalogTraces analog;
    YRange zoom;
    YRange full;
    int colour;
    double tolHighMm, tolLowMm;
};
void ComputeRawPicture(const PlotVariant& variant, const MeasureInputs& in, RawPicture* out);

struct BarPicture {
    int32_t analog;
    int colour;
    double mm;
    double tolHighMm, tolLowMm;
    int32_t cursor;
    int hasBar;
    Span bar;
    int bandCount;
    Span bands[kMaxToleranceBands];
};
void ComputeBarPicture(const PlotVariant& variant, const MeasureInputs& in, BarPicture* out);

// Ages the 600-value history by one sample and stores the newest at
// entries 594..599: up, dn, sp, Mvalue, lo, hi.
void PushHistorySample(double* history, const MeasureInputs& in, const RawPicture& picture);
