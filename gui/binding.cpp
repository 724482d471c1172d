// Panel binding: the parameter record to and from the controls of the four
// panels, for each sensor variant, with the derived lines and displays; and
// the adaptation of the panels to the identified sensor.
//
// Facts owned here:
//  - each variant binds the controls of the settings its layout has
//    (record_layout.h) plus slope and offset; the standard variant shows
//    the trigger threshold but never reads it back;
//  - a record is sanitised before it is shown, and the replacement stays
//    in the record;
//  - ring items relabelled per model: evaluation modes (edge or peak
//    names), analog item 1, trigger item 3 ("INTERN TRIG" 3, or
//    "NOT-USED" 1 on firmware below 305).
#include <cmath>

#include "core/models.h"
#include "core/record_layout.h"
#include "core/sanitize.h"
#include "gui/gui.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

// ------------------------------------------------------------ binding ---

enum : uint8_t {
    kReadAndShow = 0,
    kStandardShowsOnly = 1,  // the standard variant shows it, never reads it back
};

// Each variant binds the controls of the settings its layout has, in
// record order.
struct BoundCtrl {
    const int* panel;
    int control;
    RecordField field;
    uint8_t direction;
};

const BoundCtrl kBoundCtrls[] = {
    {&pPara2, PARA2_SLIDEpower, FIELD_POWER, kReadAndShow},
    {&pPara2, PARA2_DROPpowermode, FIELD_POWER_MODE, kReadAndShow},
    {&pPara1, PARA1_DROPpolarity, FIELD_POLARITY, kReadAndShow},
    {&pPara1, PARA1_DROPevalmode, FIELD_EVAL_MODE, kReadAndShow},
    {&pHandle, MAIN_NEDITEdgeLeft, FIELD_EVAL_BEGIN, kReadAndShow},
    {&pHandle, MAIN_NEDITEdgeRight, FIELD_EVAL_END, kReadAndShow},
    {&pPara2, PARA2_NEDITTeach, FIELD_TEACH, kReadAndShow},
    {&pPara1, PARA1_NEDITToleranceUP, FIELD_TOLERANCE_HIGH, kReadAndShow},
    {&pPara1, PARA1_NEDITTolerance, FIELD_TOLERANCE, kReadAndShow},
    {&pPara1, PARA1_DROPaverage, FIELD_AVERAGE, kReadAndShow},
    {&pPara1, PARA1_DROPtrigmode, FIELD_TRIG_MODE, kReadAndShow},
    {&pPara1, PARA1_DROPanaMode, FIELD_ANALOG_MODE, kReadAndShow},
    {&pPara1, PARA1_CTRLstdOption, FIELD_STD_OPTION, kReadAndShow},
    {&pCalib, CALIB_BINSWopmode, FIELD_AMP_MODE, kReadAndShow},
    {&pPara1, PARA1_DROPhardware, FIELD_HARDWARE_MODE, kReadAndShow},
    {&pPara1, PARA1_DROPhold, FIELD_HOLD, kReadAndShow},
    {&pPara2, PARA2_SLIDEVideoThreshold, FIELD_VIDEO_THRESHOLD, kReadAndShow},
    {&pPara2, PARA2_NUMTriggThreshold, FIELD_TRIG_THRESHOLD, kStandardShowsOnly},
};

// Derived lines a variant fills besides the video threshold.
enum : uint8_t {
    kLinesThreshold = 0,
    kLinesTrigger = 1,   // trgArray from the trigger threshold
    kLinesLimits = 2,    // loTHDArray, upTHDArray from the teach and tolerances
    kLinesReference = 4  // REFArray from the teach word
};

// What a variant shows besides the controls.
enum : uint8_t {
    kPlain = 0,
    kBand = 1,      // the bar graph shows the tolerance band around the teach value
    kModeDims = 2,  // hardware and trigger modes dim their controls
};

struct VariantBinding {
    Variant variant;
    uint8_t linesOnRead;
    uint8_t linesOnShow;
    uint8_t extras;
};

const VariantBinding kStandard = {VARIANT_STANDARD, kLinesThreshold, kLinesTrigger, kBand};
const VariantBinding kV303 = {VARIANT_V303, kLinesTrigger | kLinesLimits,
                              kLinesTrigger | kLinesLimits | kLinesReference, kModeDims};
const VariantBinding kTarvo = {VARIANT_TARVO, kLinesThreshold, kLinesThreshold, kPlain};

int Binds(Variant variant, const BoundCtrl& b) {
    return HasField(variant, b.field);
}

// The setting's value in the variant's layout (the variant has it).
uint16_t& Setting(Variant variant, RecordField field) {
    return parameter[RecordWord(variant, field)];
}

enum {
    kTrigModeIntern = 3,
    kMinPlotPixelE = 256,
    kColourBackground = VAL_GRAY,
    kColourBand = VAL_GREEN,
};
const double kCursorY = 0.75;
const double kBandTop = 0.25;
const double kBackgroundTop = 1.0;

// The slope as last shown: the field has 4 decimals, fewer than the
// record's resolution, so a slope nobody edited is read back as the words
// it was shown from instead of a value rounded twice.
struct ShownSlope {
    double value;
    double scale;
    uint32_t words;
};
ShownSlope gShownSlope = {std::nan(""), 0.0, 0};

void FillU16(uint16_t* line, uint16_t v) {
    for (int i = 0; i < kLineCount; ++i) line[i] = v;
}

void FillI16(int16_t* line, int16_t v) {
    for (int i = 0; i < kLineCount; ++i) line[i] = v;
}

void FillLines(const VariantBinding& v, uint8_t lines) {
    const Variant var = v.variant;
    FillU16(thdArray, ThresholdLine(ADCMAX, Setting(var, FIELD_VIDEO_THRESHOLD)));
    if (lines & kLinesTrigger)
        FillI16(trgArray, static_cast<int16_t>(parameter[kWordTriggerThreshold]));
    const uint16_t teach = Setting(var, FIELD_TEACH);
    if (lines & kLinesLimits) {
        FillI16(loTHDArray, LowerLimit(teach, Setting(var, FIELD_TOLERANCE)));
        FillI16(upTHDArray, UpperLimit(teach, parameter[ToleranceHighWord(var)], ccdvirtpixel));
    }
    if (lines & kLinesReference) FillI16(REFArray, static_cast<int16_t>(teach));
}

void ReadPanels(const VariantBinding& v) {
    for (const BoundCtrl& b : kBoundCtrls) {
        if (!Binds(v.variant, b)) continue;
        if (b.direction == kStandardShowsOnly && v.variant == VARIANT_STANDARD) continue;
        uint16_t& word = Setting(v.variant, b.field);
        int value = word;  // kept when the control cannot be read
        GetCtrlVal(*b.panel, b.control, &value);
        word = static_cast<uint16_t>(value);
    }
    const double scale = SlopeScaleOf(v.variant);
    double slope = 0.0;
    GetCtrlVal(pCalib, CALIB_NUMcalSlope, &slope);
    const int unchanged = slope == gShownSlope.value && scale == gShownSlope.scale;
    SetRecordU32(parameter, kWordSlopeLow,
                 unchanged ? gShownSlope.words : SlopeToWords(slope, scale));
    int offset = static_cast<int>(RecordU32(parameter, kWordOffsetLow));
    GetCtrlVal(pCalib, CALIB_NUMcalOffset, &offset);
    SetRecordU32(parameter, kWordOffsetLow, static_cast<uint32_t>(offset));
    FillLines(v, v.linesOnRead);
}

void DrawWindow(const VariantBinding& v) {
    SetGraphCursor(pHandle, MAIN_GRAPHBar, 2, Setting(v.variant, FIELD_EVAL_BEGIN), kCursorY);
    SetGraphCursor(pHandle, MAIN_GRAPHBar, 3, Setting(v.variant, FIELD_EVAL_END), kCursorY);
    // Drawn anew on every show, so repeated GETs do not pile up plots.
    DeleteGraphPlot(pHandle, MAIN_GRAPHBar, VAL_ALL_PLOTS, VAL_DELAYED_DRAW);
    PlotRectangle(pHandle, MAIN_GRAPHBar, 0.0, 0.0, ccdvirtpixel, kBackgroundTop, kColourBackground,
                  kColourBackground);
    if (v.extras & kBand) PlotToleranceBand(v.variant);
}

void DimByModes(const VariantBinding& v) {
    DimTolerancesByHardware(Setting(v.variant, FIELD_HARDWARE_MODE));
    const int dimTrigger = Setting(v.variant, FIELD_TRIG_MODE) < kTrigModeIntern ? 1 : 0;
    SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_DIMMED, dimTrigger);
    SetCtrlAttribute(pPara2, PARA2_NUMTriggThreshold, ATTR_DIMMED, dimTrigger);
}

void ShowRecord(const VariantBinding& v) {
    SanitizeVariant(v.variant, parameter, ccdvirtpixel);
    for (const BoundCtrl& b : kBoundCtrls)
        if (Binds(v.variant, b))
            SetCtrlVal(*b.panel, b.control, static_cast<int>(Setting(v.variant, b.field)));
    const double scale = SlopeScaleOf(v.variant);
    const uint32_t words = RecordU32(parameter, kWordSlopeLow);
    SetCtrlVal(pCalib, CALIB_NUMcalSlope, WordsToSlope(words, scale));
    double shown = 0.0;
    if (GetCtrlVal(pCalib, CALIB_NUMcalSlope, &shown) >= 0) gShownSlope = {shown, scale, words};
    SetCtrlVal(pCalib, CALIB_NUMcalOffset, static_cast<int>(RecordU32(parameter, kWordOffsetLow)));

    if (ccdpixE < kMinPlotPixelE) ccdpixE = kMinPlotPixelE;
    FillLines(v, v.linesOnShow);
    SetAxisScalingMode(pHandle, MAIN_GRAPHBar, VAL_XAXIS, VAL_MANUAL, 1.0, ccdvirtpixel);
    ShowToleranceDisplays(v.variant);
    DrawWindow(v);
    if (v.extras & kModeDims) DimByModes(v);
    ShowAnalogControls();
}

// --------------------------------------------------------- adaptation ---

enum AdaptOp : uint8_t {
    kHide,
    kShow,
    kDim,
    kEnable,
    kItem,     // ring item index -> text, value
    kLabel,    // label text
    kLabelOn,  // label shown
    kOnText,   // binary switch texts
    kOffText,
};

struct AdaptAction {
    const int* panel;
    int control;
    AdaptOp op;
    int index;
    const char* text;
    int value;
};

const AdaptAction kEdgeModes[] = {
    {&pPara1, PARA1_DROPevalmode, kItem, 0, "LEFT-EDGE", 0},
    {&pPara1, PARA1_DROPevalmode, kItem, 1, "RIGHT-EDGE", 1},
    {&pPara1, PARA1_DROPevalmode, kItem, 2, "WIDTH", 2},
};

const AdaptAction kPeakModes[] = {
    {&pPara1, PARA1_DROPevalmode, kItem, 0, "LEFT-PEAK", 0},
    {&pPara1, PARA1_DROPevalmode, kItem, 1, "RIGHT-PEAK", 1},
    {&pPara1, PARA1_DROPevalmode, kItem, 2, "PEAK-TO-PEAK", 2},
};

const AdaptAction kDirect5V[] = {
    {&pPara1, PARA1_DROPanaMode, kItem, 1, "DIRECT 5V/SET", 1},
};

const AdaptAction kTolerancePair[] = {
    {&pPara1, PARA1_CTRLstdOption, kHide, 0, nullptr, 0},
    {&pPara1, PARA1_DROPhold, kHide, 0, nullptr, 0},
    {&pPara1, PARA1_NEDITToleranceUP, kShow, 0, nullptr, 0},
    {&pPara1, PARA1_NEDITTolerance, kShow, 0, nullptr, 0},
    {&pPara1, PARA1_NEDITTolerance, kLabel, 0, "TOLERANCE-LOW", 0},
    {&pPara1, PARA1_NEDITTolerance, kLabelOn, 0, nullptr, 1},
};

const AdaptAction kSingleTolerance[] = {
    {&pPara1, PARA1_NEDITTolerance, kLabel, 0, "TOLERANCE", 0},
    {&pPara1, PARA1_NEDITTolerance, kShow, 0, nullptr, 0},
    {&pPara1, PARA1_NEDITToleranceUP, kHide, 0, nullptr, 0},
    {&pPara1, PARA1_DROPhold, kHide, 0, nullptr, 0},
    {&pPara1, PARA1_CTRLstdOption, kShow, 0, nullptr, 0},
    {&pPara1, PARA1_CTRLstdOption, kDim, 0, nullptr, 0},
    {&pPara1, PARA1_DROPhardware, kEnable, 0, nullptr, 0},
};

const AdaptAction kTarvo512[] = {
    {&pPara1, PARA1_DROPhardware, kHide, 0, nullptr, 0},
    {&pCalib, CALIB_BINSWopmode, kDim, 0, nullptr, 0},
    {&pPara1, PARA1_DROPhold, kShow, 0, nullptr, 0},
};

const AdaptAction kInternTrigger512[] = {
    {&pPara1, PARA1_DROPtrigmode, kItem, 3, "INTERN TRIG", kTrigModeIntern},
    {&pPara1, PARA1_DROPhold, kHide, 0, nullptr, 0},
    {&pPara2, PARA2_NUMTriggThreshold, kShow, 0, nullptr, 0},
    {&pCalib, CALIB_BINSWopmode, kOffText, 0, "ADC-CONV", 0},
    {&pCalib, CALIB_BINSWopmode, kOnText, 0, "DIG-COMP", 0},
    {&pHandle, MAIN_BTNData, kShow, 0, nullptr, 0},
};

const AdaptAction kEvery512[] = {
    {&pPara1, PARA1_DROPanaMode, kItem, 1, "DIRECT 5V/SET", 1},
    {&pPara1, PARA1_CTRLstdOption, kHide, 0, nullptr, 0},
};

const AdaptAction kOldAmplifier512[] = {
    {&pCalib, CALIB_BINSWopmode, kDim, 0, nullptr, 0},
};

const AdaptAction kTolerances512[] = {
    {&pPara1, PARA1_NEDITToleranceUP, kShow, 0, nullptr, 0},
    {&pPara1, PARA1_NEDITTolerance, kShow, 0, nullptr, 0},
    {&pPara1, PARA1_NEDITTolerance, kLabel, 0, "TOLERANCE-LOW", 0},
    {&pPara1, PARA1_NEDITTolerance, kLabelOn, 0, nullptr, 1},
};

const AdaptAction kType500[] = {
    {&pPara1, PARA1_CTRLstdOption, kHide, 0, nullptr, 0},
    {&pPara1, PARA1_DROPhardware, kHide, 0, nullptr, 0},
    {&pPara1, PARA1_DROPhold, kShow, 0, nullptr, 0},
    {&pPara1, PARA1_DROPanaMode, kItem, 1, "DIRECT 5V/SET", 1},
    {&pPara1, PARA1_NEDITTolerance, kLabel, 0, "TOLERANCE-LOW", 0},
    {&pPara1, PARA1_NEDITToleranceUP, kShow, 0, nullptr, 0},
    {&pCalib, CALIB_BINSWopmode, kHide, 0, nullptr, 0},
};

const AdaptAction kKnownFamily[] = {
    {&pHandle, MAIN_BTNSend, kEnable, 0, nullptr, 0},
};

const AdaptAction kUnidentified[] = {
    {&pPara1, PARA1_DROPanaMode, kItem, 1, "DIRECT 5V/SET", 1},
    {&pPara1, PARA1_NEDITTolerance, kLabel, 0, "TOLERANCE", 0},
    {&pPara1, PARA1_NEDITToleranceUP, kHide, 0, nullptr, 0},
    {&pPara1, PARA1_CTRLstdOption, kShow, 0, nullptr, 0},
    {&pPara1, PARA1_CTRLstdOption, kDim, 0, nullptr, 0},
    {&pPara1, PARA1_DROPhold, kHide, 0, nullptr, 0},
    {&pPara1, PARA1_DROPhardware, kHide, 0, nullptr, 0},
    {&pHandle, MAIN_BTNSend, kDim, 0, nullptr, 0},
};

const AdaptAction kNoTriggerBuffer[] = {
    {&pPara1, PARA1_DROPtrigmode, kItem, 3, "NOT-USED", 1},
    {&pPara2, PARA2_NUMTriggThreshold, kHide, 0, nullptr, 0},
    {&pHandle, MAIN_BTNData, kHide, 0, nullptr, 0},
};

// When a step applies.
enum Cond : uint8_t {
    kAlways,
    kFamilyEdgeOrPeak,  // HWTYPE 1 or 2
    kFamilyIsEdge,      // HWTYPE 1
    kFamilyIsPeak,      // HWTYPE 2
    kFirmwareAtLeast,
    kFirmwareAbove,
    kFirmwareBelow,
    kFirmwareAtMost,
    kHwtypeIs,
};

enum : uint16_t {
    kAnyCcd = 0xFFFF,
    kUnknownCcd = 0,  // any ccdtype outside 1, 4 and 101
    kFirmwareDirect5V = 302,
    kFirmwareTriggerBuffer = 305,
    kFirmwareAmplifier = 305,
    kHwtype37 = 37,
    kHwtype55 = 55,
    kHwtype10055 = 10055,
};

struct AdaptStep {
    uint16_t ccd;
    Cond cond;
    uint16_t arg;
    Cond cond2;
    uint16_t arg2;
    const AdaptAction* actions;
    int count;
};

#define ACTIONS(table) table, static_cast<int>(sizeof table / sizeof table[0])

// In the order they run; later steps win over earlier ones.
const AdaptStep kAdaptSteps[] = {
    // 1024-pixel family, once an edge or peak model is known.
    {kCcdType1024, kFamilyIsEdge, 0, kAlways, 0, ACTIONS(kEdgeModes)},
    {kCcdType1024, kFamilyIsPeak, 0, kAlways, 0, ACTIONS(kPeakModes)},
    {kCcdType1024, kFamilyEdgeOrPeak, 0, kFirmwareAtLeast, kFirmwareDirect5V, ACTIONS(kDirect5V)},
    {kCcdType1024, kFamilyEdgeOrPeak, 0, kFirmwareAbove, kFirmwareDirect5V,
     ACTIONS(kTolerancePair)},
    {kCcdType1024, kFamilyEdgeOrPeak, 0, kFirmwareBelow, kFirmwareDirect5V,
     ACTIONS(kSingleTolerance)},
    // 512-pixel family.
    {kCcdType512, kHwtypeIs, kHwtypeTarvo, kAlways, 0, ACTIONS(kTarvo512)},
    {kCcdType512, kHwtypeIs, kHwtype37, kAlways, 0, ACTIONS(kInternTrigger512)},
    {kCcdType512, kHwtypeIs, kHwtype55, kAlways, 0, ACTIONS(kInternTrigger512)},
    {kCcdType512, kHwtypeIs, kHwtype10055, kAlways, 0, ACTIONS(kInternTrigger512)},
    {kCcdType512, kAlways, 0, kAlways, 0, ACTIONS(kEvery512)},
    {kCcdType512, kFirmwareAtMost, kFirmwareAmplifier, kAlways, 0, ACTIONS(kOldAmplifier512)},
    {kCcdType512, kAlways, 0, kAlways, 0, ACTIONS(kTolerances512)},
    {kCcdType512, kFamilyIsEdge, 0, kAlways, 0, ACTIONS(kEdgeModes)},
    {kCcdType512, kFamilyIsPeak, 0, kAlways, 0, ACTIONS(kPeakModes)},
    // 256-pixel family.
    {kCcdType256, kHwtypeIs, kHwtypeType500, kAlways, 0, ACTIONS(kType500)},
    // Every known family may be written to; an unknown sensor may not.
    {kCcdType1024, kAlways, 0, kAlways, 0, ACTIONS(kKnownFamily)},
    {kCcdType512, kAlways, 0, kAlways, 0, ACTIONS(kKnownFamily)},
    {kCcdType256, kAlways, 0, kAlways, 0, ACTIONS(kKnownFamily)},
    {kUnknownCcd, kAlways, 0, kAlways, 0, ACTIONS(kUnidentified)},
    // Last, for every sensor: no trigger buffer before firmware 305.
    {kAnyCcd, kFirmwareBelow, kFirmwareTriggerBuffer, kAlways, 0, ACTIONS(kNoTriggerBuffer)},
};

#undef ACTIONS

int Holds(Cond cond, uint16_t arg) {
    switch (cond) {
        case kAlways:
            return 1;
        case kFamilyEdgeOrPeak:
            return HWTYPE == kFamilyEdge || HWTYPE == kFamilyPeak;
        case kFamilyIsEdge:
            return HWTYPE == kFamilyEdge;
        case kFamilyIsPeak:
            return HWTYPE == kFamilyPeak;
        case kFirmwareAtLeast:
            return softversion >= arg;
        case kFirmwareAbove:
            return softversion > arg;
        case kFirmwareBelow:
            return softversion < arg;
        case kFirmwareAtMost:
            return softversion <= arg;
        case kHwtypeIs:
            return hwtype == arg;
    }
    return 0;
}

uint16_t CcdFamily(void) {
    if (ccdtype == kCcdType1024 || ccdtype == kCcdType512 || ccdtype == kCcdType256) return ccdtype;
    return kUnknownCcd;
}

// Controls the adaptation shows, hides, dims or enables, apart from those
// that follow the trigger mode (DATA, trigger threshold).
struct AdaptedCtrl {
    const int* panel;
    int control;
};

const AdaptedCtrl kAdaptedCtrls[] = {
    {&pPara1, PARA1_CTRLstdOption},    {&pPara1, PARA1_DROPhold},
    {&pPara1, PARA1_NEDITToleranceUP}, {&pPara1, PARA1_NEDITTolerance},
    {&pPara1, PARA1_DROPhardware},     {&pCalib, CALIB_BINSWopmode},
};

enum { kAdaptedCount = static_cast<int>(sizeof kAdaptedCtrls / sizeof kAdaptedCtrls[0]) };

struct LoadedState {
    int taken;
    int visible[kAdaptedCount];
    int dimmed[kAdaptedCount];
};
LoadedState gLoaded;

// Every identification starts from the panels as loaded, so what an
// earlier sensor hid or dimmed does not stay for the next one.
void RestoreLoadedState(void) {
    for (int i = 0; i < kAdaptedCount; ++i) {
        const AdaptedCtrl& c = kAdaptedCtrls[i];
        if (!gLoaded.taken) {
            GetCtrlAttribute(*c.panel, c.control, ATTR_VISIBLE, &gLoaded.visible[i]);
            GetCtrlAttribute(*c.panel, c.control, ATTR_DIMMED, &gLoaded.dimmed[i]);
        } else {
            SetCtrlAttribute(*c.panel, c.control, ATTR_VISIBLE, gLoaded.visible[i]);
            SetCtrlAttribute(*c.panel, c.control, ATTR_DIMMED, gLoaded.dimmed[i]);
        }
    }
    gLoaded.taken = 1;
}

const VariantBinding* const kBindings[] = {&kStandard, &kV303, &kTarvo};  // by Variant

// What the variant in force never reads nor sends is not offered: the
// panels then show exactly what SEND writes.
void HideUnbound(const VariantBinding& v) {
    for (const AdaptedCtrl& c : kAdaptedCtrls) {
        int bound = 0;
        for (const BoundCtrl& b : kBoundCtrls)
            bound |= b.panel == c.panel && b.control == c.control && Binds(v.variant, b);
        if (!bound) SetCtrlAttribute(*c.panel, c.control, ATTR_VISIBLE, 0);
    }
}

void Apply(const AdaptAction* actions, int count) {
    for (int i = 0; i < count; ++i) {
        const AdaptAction& a = actions[i];
        const int panel = *a.panel;
        switch (a.op) {
            case kHide:
                SetCtrlAttribute(panel, a.control, ATTR_VISIBLE, 0);
                break;
            case kShow:
                SetCtrlAttribute(panel, a.control, ATTR_VISIBLE, 1);
                break;
            case kDim:
                SetCtrlAttribute(panel, a.control, ATTR_DIMMED, 1);
                break;
            case kEnable:
                SetCtrlAttribute(panel, a.control, ATTR_DIMMED, 0);
                break;
            case kItem:
                ReplaceListItem(panel, a.control, a.index, a.text, a.value);
                break;
            case kLabel:
                SetCtrlAttribute(panel, a.control, ATTR_LABEL_TEXT, a.text);
                break;
            case kLabelOn:
                SetCtrlAttribute(panel, a.control, ATTR_LABEL_VISIBLE, a.value);
                break;
            case kOnText:
                SetCtrlAttribute(panel, a.control, ATTR_ON_TEXT, a.text);
                break;
            case kOffText:
                SetCtrlAttribute(panel, a.control, ATTR_OFF_TEXT, a.text);
                break;
        }
    }
}

}  // namespace

void GetPanelValues(void) {
    ReadPanels(kStandard);
}
void GetPanelValuesV303(void) {
    ReadPanels(kV303);
}
void GetPanelValuesTarvo(void) {
    ReadPanels(kTarvo);
}

void SetPanelValues(void) {
    ShowRecord(kStandard);
}
void SetPanelValuesV303(void) {
    ShowRecord(kV303);
}
void SetPanelValuesTarvo(void) {
    ShowRecord(kTarvo);
}

void GetPanelValuesOfVariant(void) {
    static void (*const kRead[])(void) = {GetPanelValues, GetPanelValuesV303, GetPanelValuesTarvo};
    kRead[VariantOf()]();
}

void SetPanelValuesOfVariant(void) {
    static void (*const kShow[])(void) = {SetPanelValues, SetPanelValuesV303, SetPanelValuesTarvo};
    kShow[VariantOf()]();
    MarkPanelsSent();
}

void WithdrawTriggerFunctions(void) {
    Apply(kNoTriggerBuffer, static_cast<int>(sizeof kNoTriggerBuffer / sizeof kNoTriggerBuffer[0]));
}

void AdaptPanels(void) {
    RestoreLoadedState();
    RestoreAdaptedItems();
    const uint16_t family = CcdFamily();
    for (const AdaptStep& step : kAdaptSteps) {
        if (step.ccd != kAnyCcd && step.ccd != family) continue;
        if (!Holds(step.cond, step.arg) || !Holds(step.cond2, step.arg2)) continue;
        Apply(step.actions, step.count);
    }
    HideUnbound(*kBindings[VariantOf()]);
}

void ShowAnalogControls(void) {
    static const int kAnalogControls[] = {MAIN_DISPanalog, MAIN_DISPanaMax, MAIN_DISPanaMin,
                                          MAIN_ButtonReset};
    enum { kAnaModeIndicators = 2 };
    int offered = 0, mode = 0;
    GetCtrlAttribute(pPara1, PARA1_DROPanaMode, ATTR_VISIBLE, &offered);
    GetCtrlVal(pPara1, PARA1_DROPanaMode, &mode);
    const int on = offered && mode >= kAnaModeIndicators ? 1 : 0;
    for (int ctrl : kAnalogControls) SetCtrlAttribute(pHandle, ctrl, ATTR_VISIBLE, on);
}

void ShowToleranceDisplays(Variant variant) {
    SetCtrlVal(pHandle, MAIN_DISPtolHigh,
               RecordToleranceMm(parameter, variant, parameter[ToleranceHighWord(variant)]));
    SetCtrlVal(pHandle, MAIN_DISPtolLow,
               RecordToleranceMm(parameter, variant, Setting(variant, FIELD_TOLERANCE)));
}

void PlotToleranceBand(Variant variant) {
    const int teach = Setting(variant, FIELD_TEACH);
    const int band = Setting(variant, FIELD_TOLERANCE);
    PlotRectangle(pHandle, MAIN_GRAPHBar, teach - band, 0.0, teach + band, kBandTop, kColourBand,
                  kColourBand);
}

void DimTolerancesByHardware(int hardwareMode) {
    // Only a mode the user can see and change may lock the tolerances.
    int offered = 0;
    GetCtrlAttribute(pPara1, PARA1_DROPhardware, ATTR_VISIBLE, &offered);
    const int dim = offered && (hardwareMode == 1 || hardwareMode == 3) ? 1 : 0;
    SetCtrlAttribute(pPara1, PARA1_NEDITToleranceUP, ATTR_DIMMED, dim);
    SetCtrlAttribute(pPara1, PARA1_NEDITTolerance, ATTR_DIMMED, dim);
}

namespace {

// Before a record is shown the tolerance displays follow the firmware
// alone: the standard words below 303, else the V303 ones (a Tarvo sensor
// too).
Variant DisplaysLayout(void) {
    return softversion < 303 ? VARIANT_STANDARD : VARIANT_V303;
}

}  // namespace

void ShowDependentControls(void) {
    int hardware = 0;
    GetCtrlVal(pPara1, PARA1_DROPhardware, &hardware);
    // Sensors without a hardware operation mode (Tarvo, type 500, an
    // unidentified one) hide the drop-down; its value locks nothing there.
    DimTolerancesByHardware(hardware);

    ShowAnalogControls();

    int triggerMode = 0;
    GetCtrlVal(pPara1, PARA1_DROPtrigmode, &triggerMode);
    SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_VISIBLE, triggerMode < 3 ? 0 : 1);
    SetCtrlAttribute(pPara2, PARA2_NUMTriggThreshold, ATTR_DIMMED, triggerMode < 3 ? 1 : 0);

    ShowToleranceDisplays(DisplaysLayout());
}
