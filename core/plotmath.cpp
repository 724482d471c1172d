// Arithmetic of the live measurement pictures (see plotmath.h): tables per
// variant, per analog-output mode, per evaluation mode and per zoom rule,
// and the small functions that apply them.
#include "core/plotmath.h"

#include "core/arrays.h"
#include "core/sanitize.h"

namespace {

enum {
    kEdgeModel = 1,  // HWTYPE of the edge models
    kEvalWidth = 2,  // evaluation mode: width / peak-to-peak
};

const double kUmPerMm = 1000.0;

}  // namespace

// Variant tables: layout, tolerance source, then the outputs each variant
// has.
const PlotVariant kPlotStandard = {VARIANT_STANDARD, kTolOfFrame, 0, 1, 0, 0};
const PlotVariant kPlotV303 = {VARIANT_V303, kTolByHardwareMode, 1, 0, 1, 1};
const PlotVariant kPlotTarvo = {VARIANT_TARVO, kTolOfRecord, 1, 0, 0, 0};

namespace {

// Hardware operation modes in which a V303 sensor applies the frame's tol
// to both sides instead of its two tolerance words.
const uint16_t kHwModesUsingFrameTol[] = {1, 3};

int UsesFrameTol(const PlotVariant& v) {
    if (v.tolerances == kTolOfFrame) return 1;
    if (v.tolerances == kTolOfRecord) return 0;
    const uint16_t mode = parameter[RecordWord(v.variant, FIELD_HARDWARE_MODE)];
    for (uint16_t m : kHwModesUsingFrameTol)
        if (mode == m) return 1;
    return 0;
}

uint16_t Setting(const PlotVariant& v, RecordField field) {
    return parameter[RecordWord(v.variant, field)];
}

// ----------------------------------------------- analog-output modes --

enum AnalogSource : uint8_t {
    SRC_MVALUE,
    SRC_ANAMAX,
    SRC_ANAMIN,
    SRC_ANAMIN_TOP_AT_ONE,  // anaMin, but 1 when it sits at the top pixel
    SRC_ONE,
    SRC_TOP,         // ccdvirtpixel - 1
    SRC_DIFFERENCE,  // anaMax - anaMin
};

struct AnalogRow {
    uint16_t mode;
    AnalogSource hi, lo, display;
};

const AnalogRow kAnalogRows[] = {
    {0, SRC_MVALUE, SRC_MVALUE, SRC_MVALUE},     {1, SRC_MVALUE, SRC_MVALUE, SRC_MVALUE},
    {2, SRC_ANAMAX, SRC_MVALUE, SRC_ANAMAX},     {3, SRC_MVALUE, SRC_ANAMIN_TOP_AT_ONE, SRC_ANAMIN},
    {4, SRC_ANAMAX, SRC_ANAMIN, SRC_DIFFERENCE},
};
// Modes the sensor does not define draw both traces out of the way.
const AnalogRow kAnalogOther = {0, SRC_ONE, SRC_TOP, SRC_MVALUE};

const AnalogRow& AnalogRowOf(uint16_t mode) {
    for (const AnalogRow& row : kAnalogRows)
        if (row.mode == mode) return row;
    return kAnalogOther;
}

int32_t Top(const MeasureInputs& in) {
    return static_cast<int32_t>(in.ccdvirtpixel) - 1;
}

int32_t AnalogValue(const MeasureInputs& in, AnalogSource source) {
    switch (source) {
        case SRC_MVALUE:
            return in.Mvalue;
        case SRC_ANAMAX:
            return in.anaMax;
        case SRC_ANAMIN:
            return in.anaMin;
        case SRC_ANAMIN_TOP_AT_ONE:
            return in.anaMin == Top(in) ? 1 : in.anaMin;
        case SRC_ONE:
            return 1;
        case SRC_TOP:
            return Top(in);
        case SRC_DIFFERENCE:
            return static_cast<int32_t>(in.anaMax) - static_cast<int32_t>(in.anaMin);
    }
    return in.Mvalue;
}

// --------------------------------------------------------- zoom rules --

// A narrow tolerance would give a uselessly thin window: below 40 the span
// is fixed, from 40 on it follows the tolerance.
struct ZoomRule {
    uint16_t fromTolerance;
    int32_t fixedSpan;
    int32_t toleranceFactor;
    int32_t outlierMargin;  // room left beyond a measured value outside the span
};
const ZoomRule kZoomRules[] = {
    {0, 40, 0, 60},
    {40, 0, 2, 100},
};

const ZoomRule& ZoomRuleOf(uint16_t tolerance) {
    const ZoomRule* rule = &kZoomRules[0];
    for (const ZoomRule& r : kZoomRules)
        if (tolerance >= r.fromTolerance) rule = &r;
    return *rule;
}

int32_t ZoomSpan(uint16_t tolerance) {
    const ZoomRule& r = ZoomRuleOf(tolerance);
    return r.fixedSpan + r.toleranceFactor * static_cast<int32_t>(tolerance);
}

// ----------------------------------------------------- measured position --

enum PositionRule : uint8_t {
    POS_LEFT,
    POS_RIGHT,
    POS_MIDDLE,
    POS_WIDTH,  // middle, but 1 when an edge is missing (0)
};

struct PositionRow {
    uint16_t evalMode;
    PositionRule edgeModel;   // HWTYPE 1
    PositionRule otherModel;  // peak models and unidentified sensors
};
const PositionRow kPositionRows[] = {
    {0, POS_LEFT, POS_MIDDLE},
    {1, POS_RIGHT, POS_MIDDLE},
};
// Width / peak-to-peak (2) and any other mode.
const PositionRow kPositionOther = {kEvalWidth, POS_WIDTH, POS_WIDTH};

const PositionRow& PositionRowOf(uint16_t evalMode) {
    for (const PositionRow& row : kPositionRows)
        if (row.evalMode == evalMode) return row;
    return kPositionOther;
}

int32_t Middle(const MeasureInputs& in) {
    return (static_cast<int32_t>(in.Ledge) + static_cast<int32_t>(in.Redge)) / 2;
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) {
    if (v < lo) v = lo;
    if (v > hi) v = hi;
    return v;
}

// Band from a to b: a negative start becomes 1, an end beyond the last
// pixel becomes ccdvirtpixel.
Span BoundedBand(const MeasureInputs& in, int32_t a, int32_t b) {
    if (a < 0) a = 1;
    if (b > Top(in)) b = in.ccdvirtpixel;
    return Span{a, b};
}

}  // namespace

ToleranceWindow ToleranceWindowOf(const PlotVariant& v) {
    const uint16_t sp = Setting(v, FIELD_TEACH);
    if (UsesFrameTol(v)) return ToleranceWindow{sp, tol, tol};
    return ToleranceWindow{sp, Setting(v, FIELD_TOLERANCE_HIGH), Setting(v, FIELD_TOLERANCE)};
}

void GatherMeasureInputs(const PlotVariant& v, MeasureInputs* in) {
    const ToleranceWindow window = ToleranceWindowOf(v);
    in->sp = window.sp;
    in->tolUp = window.tolUp;
    in->tolLo = window.tolLo;
    in->tol = tol;
    in->evalMode = Setting(v, FIELD_EVAL_MODE);
    in->eBeg = Setting(v, FIELD_EVAL_BEGIN);
    in->eEnd = Setting(v, FIELD_EVAL_END);
    in->anaMode = Setting(v, FIELD_ANALOG_MODE);
    in->Ledge = Ledge;
    in->Redge = Redge;
    in->Mvalue = Mvalue;
    in->edcnt = edcnt;
    in->mvstart = mvstart;
    in->mvend = mvend;
    in->anaMax = anaMax;
    in->anaMin = anaMin;
    in->umValue = umValue;
    in->slope = RecordU32(parameter, kWordSlopeLow);
    in->ccdvirtpixel = ccdvirtpixel;
    in->pixB = pixB;
    in->pixE = pixE;
    in->HWTYPE = HWTYPE;
}

AnalogTraces AnalogTracesOf(const MeasureInputs& in) {
    const AnalogRow& row = AnalogRowOf(in.anaMode);
    return AnalogTraces{AnalogValue(in, row.lo), AnalogValue(in, row.hi)};
}

int32_t AnalogDisplayOf(const MeasureInputs& in) {
    return AnalogValue(in, AnalogRowOf(in.anaMode).display);
}

namespace {

// The one rule for both graphs; only where the upper limit stops differs.
ToleranceLimits ToleranceLimitsOf(const MeasureInputs& in, int32_t top) {
    int32_t up = static_cast<int32_t>(in.sp) + in.tolUp;
    int32_t dn = static_cast<int32_t>(in.sp) - in.tolLo;
    if (up > top) up = top;
    if (dn < 1) dn = 1;
    return ToleranceLimits{up, dn};
}

}  // namespace

ToleranceLimits RawToleranceLimits(const MeasureInputs& in) {
    return ToleranceLimitsOf(in, Top(in));
}

ToleranceLimits BarToleranceLimits(const MeasureInputs& in) {
    return ToleranceLimitsOf(in, in.ccdvirtpixel);
}

int WithinTolerance(uint16_t value, ToleranceLimits limits) {
    return value <= limits.up && value >= limits.dn ? 1 : 0;
}

int ToleranceColour(uint16_t value, ToleranceLimits limits) {
    return WithinTolerance(value, limits) ? kColourIn : kColourOut;
}

YRange FullRange(const MeasureInputs& in) {
    // A zero pixel count (never reported by a known sensor) would give an
    // empty axis.
    const double top = in.ccdvirtpixel > 0 ? in.ccdvirtpixel : 1.0;
    return YRange{0.0, top};
}

YRange ZoomRange(const MeasureInputs& in) {
    const int32_t sp = in.sp;
    const int32_t mv = in.Mvalue;
    int32_t ymin = sp - ZoomSpan(in.tolLo);
    if (mv < ymin) ymin = mv - ZoomRuleOf(in.tolLo).outlierMargin;
    int32_t ymax = sp + ZoomSpan(in.tolUp);
    if (mv > ymax) ymax = mv + ZoomRuleOf(in.tolUp).outlierMargin;
    if (ymax > Top(in)) ymax = Top(in);
    if (ymin < 1) ymin = 1;
    // With the set point and the measured value both beyond the last pixel
    // the lower bound passes the upper one. Nothing of interest lies inside
    // the sensor's range then, so show all of it, as with zoom off, rather
    // than an inverted or one-pixel axis.
    if (ymin >= ymax) return FullRange(in);
    return YRange{static_cast<double>(ymin), static_cast<double>(ymax)};
}

int32_t MeasuredPosition(const MeasureInputs& in) {
    const PositionRow& row = PositionRowOf(in.evalMode);
    switch (in.HWTYPE == kEdgeModel ? row.edgeModel : row.otherModel) {
        case POS_LEFT:
            return in.Ledge;
        case POS_RIGHT:
            return in.Redge;
        case POS_MIDDLE:
            return Middle(in);
        case POS_WIDTH:
            return (in.Ledge == 0 || in.Redge == 0) ? 1 : Middle(in);
    }
    return Middle(in);
}

int32_t CursorPosition(const MeasureInputs& in) {
    int32_t m = MeasuredPosition(in);
    if (m < in.pixB) m = in.pixB;
    if (m > in.pixE) m = in.pixE;
    return Clamp(m, 1, in.ccdvirtpixel);
}

int EdgeBarOf(const MeasureInputs& in, Span* bar) {
    if (in.edcnt == 0) return 0;
    if (in.edcnt == 1) {
        // One edge: the object covers the line from that edge to the end the
        // measured span points to.
        *bar = in.mvstart < in.mvend ? Span{in.Ledge, in.pixE} : Span{1, in.Ledge};
        return 1;
    }
    *bar = Span{in.Ledge, in.Redge};
    return 1;
}

int ToleranceBandsOf(const MeasureInputs& in, int32_t m, Span* bands) {
    const int32_t sp = in.sp;
    const int32_t t = in.tol;
    if (in.evalMode != kEvalWidth) {
        bands[0] = BoundedBand(in, sp - t, sp + t);
        return 1;
    }
    if (in.edcnt == 0) return 0;
    // Width: one band around each of the two edges the set width implies.
    // Only the first is bounded; the graph clips the second.
    bands[0] = BoundedBand(in, m - sp / 2 - t / 2, m - sp / 2 + t / 2);
    bands[1] = Span{m + sp / 2 - t / 2, m + sp / 2 + t / 2};
    return 2;
}

double MillimetresOf(uint32_t um) {
    return static_cast<double>(um) / kUmPerMm;
}

void ComputeRawPicture(const PlotVariant& v, const MeasureInputs& in, RawPicture* out) {
    out->limits = RawToleranceLimits(in);
    out->analog = AnalogTracesOf(in);
    out->zoom = ZoomRange(in);
    out->full = FullRange(in);
    out->colour = ToleranceColour(in.Mvalue, out->limits);
    out->tolHighMm = ToleranceMm(in.slope, in.tolUp, ToleranceDivisorOf(v.variant));
    out->tolLowMm = ToleranceMm(in.slope, in.tolLo, ToleranceDivisorOf(v.variant));
}

void ComputeBarPicture(const PlotVariant& v, const MeasureInputs& in, BarPicture* out) {
    out->analog = AnalogDisplayOf(in);
    out->colour = ToleranceColour(in.Mvalue, BarToleranceLimits(in));
    out->mm = MillimetresOf(in.umValue);
    out->tolHighMm = ToleranceMm(in.slope, in.tolUp, ToleranceDivisorOf(v.variant));
    out->tolLowMm = ToleranceMm(in.slope, in.tolLo, ToleranceDivisorOf(v.variant));
    out->cursor = CursorPosition(in);
    out->hasBar = EdgeBarOf(in, &out->bar);
    out->bandCount = v.barDrawsBands ? ToleranceBandsOf(in, out->cursor, out->bands) : 0;
}

void PushHistorySample(double* history, const MeasureInputs& in, const RawPicture& picture) {
    enum { kNewest = kHistoryValues - kHistoryTraces };
    Shift(history, kHistoryValues, -kHistoryTraces, history);
    history[kNewest + 0] = picture.limits.up;
    history[kNewest + 1] = picture.limits.dn;
    history[kNewest + 2] = in.sp;
    history[kNewest + 3] = in.Mvalue;
    history[kNewest + 4] = picture.analog.lo;
    history[kNewest + 5] = picture.analog.hi;
}
