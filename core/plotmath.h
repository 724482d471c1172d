// Arithmetic of the live measurement pictures, kept apart from drawing so
// it can be checked without panels: the analog-output traces by mode, the
// tolerance limits and colour, the y range of the rolling raw graph (zoom),
// the measured position by evaluation mode and HWTYPE, the edge bar, the
// tolerance bands, the millimetre displays, and the 100-sample history.
//
// Facts owned here:
//  - each variant reads its own layout's words (record_layout.h) and
//    divides by its own millimetre divisor;
//  - standard sensors report the tolerance in use in the frame (tol) and it
//    is taken on both sides; V303 sensors in hardware mode 1 or 3 too;
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
#include "core/record_layout.h"
#include "core/sanitize.h"

enum {
    kHistorySamples = 100,
    kHistoryTraces = 6,
    kHistoryValues = kHistorySamples * kHistoryTraces,
    kRawPointsPerScreen = 101,
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

// Where a variant's tolerances come from.
enum ToleranceSource : uint8_t {
    kTolOfFrame,         // the frame's tol on both sides
    kTolOfRecord,        // the tolerance words of the record
    kTolByHardwareMode,  // the record's, but the frame's in hardware modes 1 and 3
};

// Layout and behaviour of one sensor variant.
struct PlotVariant {
    Variant variant;  // record words and millimetre divisor
    ToleranceSource tolerances;
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

// Set point and tolerances in force.
struct ToleranceWindow {
    uint16_t sp, tolUp, tolLo;
};
// From the record and the frame's tol, as the variant takes them.
ToleranceWindow ToleranceWindowOf(const PlotVariant& variant);

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
