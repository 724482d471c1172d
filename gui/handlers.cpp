// Callbacks of the parameter controls, the page buttons, the help boxes,
// the curve graphs, the zoom toggle and the port drop-down. None of them
// talks to the sensor except the port change; an edited value reaches the
// record at the next SEND (or file save), except the evaluation window,
// whose corrected edges are stored at once into the standard layout's
// words, whatever the variant.
//
// Facts owned here: every control explains itself in a help box on a right
// click (the box moves beside it, flips its visibility and takes the text,
// also when the click hides it); entries out of range are corrected in
// place without a message; tolerances show in millimetres as the record's
// slope makes them.
#include "core/record_layout.h"
#include "core/sanitize.h"
#include "gui/gui.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

// ------------------------------------------------------------ help texts

const char kHelpEvalMode[] =
    "EVALUATION-MODE:\nDrop-down element to select an\nevaluation mode at the K-VEX-sensor.";
const char kHelpHardware[] =
    "HARDWARE OPERATION-MODE:\nDrop-down element to enable or disable \nharware components "
    "e.g. the button or\npotentiometer at the K-VEX-housing.";
const char kHelpTrigMode[] =
    "TRIGGER-MODE:\nSelect a trigg.-mode at the K-VEX-sensor.\nFor external trigger mode "
    "IN0=Pin3[green]\nof 8-pole. female plc-connector is used !";
const char kHelpPolarity[] =
    "POLARITY:\nDrop-down element to change the polarity\n(0V,+24VDC) of the digital outputs "
    "OUT0,\nOUT1 and OUT2 at the K-VEX-sensor.";
const char kHelpAverage[] =
    "AVERAGE:\nNumber of CCD-scans which are stored\nin a ring-buffer. On every main-loop\n"
    "-cycle a mean-value is calculated\nfrom the ring-buffer.\nThe switching frequency is not "
    "reduced!\nAveraging affects the analog output\nvoltage (smoothing).";
const char kHelpAnaMode[] =
    "ANALOG-OUT:\nDrop-down element to preset the mode\nof the analog output. The "
    "analog-output\nis connected to /pin8/red/8-pole socket.";
const char kHelpHold[] =
    "HOLD [ms]:\nWith this drop-down, the hold-time in [ms]\nof the OUT0 (pin5\\grey) "
    "digital-output can be set.";
const char kHelpPowerMode[] =
    "PMODE:\nWith this drop-down, the working-mode\nof the light-source at the K-VEX-sensor "
    "can be set.";
const char kHelpPower[] =
    "POWER:\nWith this slider, the power of the light-\nsource at the K-VEX-sensor can be set.";
const char kHelpVideoThd[] =
    "V-THD:\nWith this slider, the video-threshold for\nthe calculation of the edges can be "
    "set.\nIt is displayed by the green horiz. line!";
const char kHelpTrigThd[] =
    "V-THD:\nWith edit-field, the trigger-threshold for\nthe internal trigger function can be "
    "set.\nIt is displayed by the black horiz. line!";
const char kHelpOpMode[] =
    "OPERATION-MODE:\nBinary-switch to set the operation mode\nof the CCD-receiver amplifier.";
const char kHelpToleranceLow[] =
    "TOLERANCE-LOW:\nNumerical input field to preset the lower\ntolerance limit in [pixel] at "
    "the hardware.";
const char kHelpToleranceValue[] =
    "TOLERANCE-VALUE:\nNumerical input field to preset the lower\nand upper tolerance limit in "
    "[pixel] \nat the hardware.";
const char kHelpToleranceHigh[] =
    "TOLERANCE-HIGH:\nNumerical input field to preset the upper\ntolerance limit in [pixel] at "
    "the hardware.";
const char kHelpEdgeLeft[] =
    "E-BEG:\nSet evaluation begin at the K-VEX sensor\nEvaluation starts with this pixel ...";
const char kHelpEdgeRight[] =
    "E-END:\nSet evaluation end at the K-VEX sensor\nEvaluation ends with this pixel ...";
#ifdef _WIN32
const char kHelpPort[] =
    "DROP-DOWN-CONNECT:\nSelect the port-number of the serial RS232 comunication interface of "
    "the PC.\n\nThe port-number (COMn) can be found in the Device Manager\nunder "
    "'Ports (COM & LPT)'.";
#else
const char kHelpPort[] =
    "DROP-DOWN-CONNECT:\nSelect the port-number of the serial RS232 comunication interface of "
    "the PC.\n\nUSB adapters appear as /dev/ttyUSB0 or /dev/ttyACM0,\nbuilt-in ports as "
    "/dev/ttyS0. Using a port needs\nmembership of the dialout group.";
#endif
const char kHelpRawGraph[] =
    "ROLL-GRAPH-WINDOW:\nVisualizes the actual measurement value\nin pixel. The Graph is "
    "displayed in a\n'roll-mode', the latest value is rolling from\nthe left (index=100) to the "
    "right.\nThe baudrate of the serial rs232-interface\nlimits the update-rate of this graph.";
const char kHelpVideoGraph[] =
    "VIDEO-GRAPH-WINDOW:\nVisualizes the actual video signal\nof the CCD-sensor. The video "
    "signal\nrepresents the analog-value of each pixel.\nBecause of the limited baudrate of "
    "the\nserial RS232 interface, the graph is\nrefreshed slowly.\n";
const char kHelpZoom[] =
    "ZOOM-TOGGLE-BUTTON:\nActivate / Deactivate automatic\nzoom function for y-axis of "
    "\nmeasurement-values. RUN-mode";

// ------------------------------------------------------- help placement

enum : uint16_t { kFirmwareTwoTolerances = 302 };

// A parameter control explains itself beside the control named by anchor
// (its own box, except the trigger threshold, which sits beside the video
// threshold slider).
struct ParamHelp {
    int control;
    const int* panel;
    int anchor;
    int box;
    int gap;
    const char* text;
    const char* textOldFirmware;  // nullptr: same text for every firmware
};

const ParamHelp kParamHelp[] = {
    {PARA1_DROPevalmode, &pPara1, PARA1_DROPevalmode, MAIN_HelpText1, 20, kHelpEvalMode, nullptr},
    {PARA1_DROPpolarity, &pPara1, PARA1_DROPpolarity, MAIN_HelpText1, 20, kHelpPolarity, nullptr},
    {PARA1_DROPaverage, &pPara1, PARA1_DROPaverage, MAIN_HelpText2, 20, kHelpAverage, nullptr},
    {PARA1_DROPhold, &pPara1, PARA1_DROPhold, MAIN_HelpText1, 25, kHelpHold, nullptr},
    {PARA2_DROPpowermode, &pPara2, PARA2_DROPpowermode, MAIN_HelpText1, 25, kHelpPowerMode,
     nullptr},
    {PARA2_SLIDEpower, &pPara2, PARA2_SLIDEpower, MAIN_HelpText1, 135, kHelpPower, nullptr},
    {CALIB_BINSWopmode, &pCalib, CALIB_BINSWopmode, MAIN_HelpText1, 120, kHelpOpMode, nullptr},
    {PARA1_DROPhardware, &pPara1, PARA1_DROPhardware, MAIN_HelpText1, 20, kHelpHardware, nullptr},
    {PARA1_DROPtrigmode, &pPara1, PARA1_DROPtrigmode, MAIN_HelpText1, 20, kHelpTrigMode, nullptr},
    {PARA1_DROPanaMode, &pPara1, PARA1_DROPanaMode, MAIN_HelpText1, 20, kHelpAnaMode, nullptr},
    {PARA2_SLIDEVideoThreshold, &pPara2, PARA2_SLIDEVideoThreshold, MAIN_HelpText1, 30,
     kHelpVideoThd, nullptr},
    {PARA2_NUMTriggThreshold, &pPara2, PARA2_SLIDEVideoThreshold, MAIN_HelpText1, 30, kHelpTrigThd,
     nullptr},
    {PARA1_NEDITTolerance, &pPara1, PARA1_NEDITTolerance, MAIN_HelpText1, 20, kHelpToleranceLow,
     kHelpToleranceValue},
    {PARA1_NEDITToleranceUP, &pPara1, PARA1_NEDITToleranceUP, MAIN_HelpText1, 20,
     kHelpToleranceHigh, nullptr},
};

enum {
    kPageHelpRise = 10,   // box top above the control's top
    kEdgeHelpGap = 10,    // the window fields sit at the panel's right edge:
    kEdgeHelpRise = 20,   // their box goes to the left of the field
    kGraphHelpLeft = 80,  // graph box inside the graph area
    kGraphHelpTop = 40,
    kButtonHelpGap = 10,
};

const ParamHelp* HelpOf(int control) {
    for (const ParamHelp& h : kParamHelp)
        if (h.control == control) return &h;
    return nullptr;
}

int ClampTo(int value, int low, int high) {
    if (value > high) value = high;
    return value < low ? low : value;
}

// A rectangle in main-panel coordinates.
struct Area {
    int left, top, right, bottom;
};

Area AreaOf(int panel, int control) {
    int top = 0, left = 0, height = 0, width = 0;
    GetCtrlBoundingRect(panel, control, &top, &left, &height, &width);
    if (panel != pHandle) {
        int panelLeft = 0, panelTop = 0;
        GetPanelAttribute(panel, ATTR_LEFT, &panelLeft);
        GetPanelAttribute(panel, ATTR_TOP, &panelTop);
        left += panelLeft;
        top += panelTop;
    }
    return {left, top, left + width, top + height};
}

int Overlaps(const Area& a, const Area& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Where a help box goes, given its size: at (left, top) when that shows it
// whole and clear of what it explains; else kept inside the main panel,
// and moved to the other side of the control when it would cover it.
struct HelpSpot {
    int left, top;
    Area anchor;
    int hasAnchor;
};

Area FitInPanel(int left, int top, int width, int height) {
    int panelWidth = 0, panelHeight = 0;
    GetPanelAttribute(pHandle, ATTR_WIDTH, &panelWidth);
    GetPanelAttribute(pHandle, ATTR_HEIGHT, &panelHeight);
    if (panelWidth > 0) left = ClampTo(left, 0, panelWidth - width);
    if (panelHeight > 0) top = ClampTo(top, 0, panelHeight - height);
    return {left, top, left + width, top + height};
}

// While tooltips are made, a help text is taken instead of shown.
const char** gHelpTaken = nullptr;

// The box measured after its text is in: it sizes itself to the text.
void ToggleHelpAt(int box, const HelpSpot& spot, const char* text) {
    if (gHelpTaken != nullptr) {
        *gHelpTaken = text;
        return;
    }
    SetCtrlVal(pHandle, box, text);
    int boxTop = 0, boxLeft = 0, height = 0, width = 0;
    GetCtrlBoundingRect(pHandle, box, &boxTop, &boxLeft, &height, &width);
    Area at = FitInPanel(spot.left, spot.top, width, height);
    if (spot.hasAnchor && Overlaps(at, spot.anchor)) {
        const int gap = spot.left - spot.anchor.right;
        const int leftSide = spot.anchor.left - (gap > 0 ? gap : 0) - width;
        const int rightSide = spot.anchor.right + (gap > 0 ? gap : 0);
        at = FitInPanel(spot.left < spot.anchor.left ? rightSide : leftSide, spot.top, width,
                        height);
    }
    SetCtrlAttribute(pHandle, box, ATTR_LEFT, at.left);
    SetCtrlAttribute(pHandle, box, ATTR_TOP, at.top);
    int visible = 0;
    GetCtrlAttribute(pHandle, box, ATTR_VISIBLE, &visible);
    SetCtrlAttribute(pHandle, box, ATTR_VISIBLE, visible ? 0 : 1);
}

void ShowParamHelp(int control) {
    const ParamHelp* h = HelpOf(control);
    if (h == nullptr) return;
    const Area anchor = AreaOf(*h->panel, h->anchor);
    const char* text = h->text;
    if (h->textOldFirmware != nullptr && softversion <= kFirmwareTwoTolerances)
        text = h->textOldFirmware;
    ToggleHelpAt(h->box, {anchor.right + h->gap, anchor.top - kPageHelpRise, anchor, 1}, text);
}

// Help of a main-panel field, to the left of it.
void ShowFieldHelp(int control, const char* text) {
    if (gHelpTaken != nullptr) {
        *gHelpTaken = text;
        return;
    }
    const Area anchor = AreaOf(pHandle, control);
    SetCtrlVal(pHandle, MAIN_HelpText1, text);
    int boxWidth = 0;
    GetCtrlAttribute(pHandle, MAIN_HelpText1, ATTR_WIDTH, &boxWidth);
    ToggleHelpAt(MAIN_HelpText1,
                 {anchor.left - boxWidth - kEdgeHelpGap, anchor.top - kEdgeHelpRise, anchor, 1},
                 text);
}

// Help right of a main-panel control, slightly above it.
// The three graphs share one place; the box goes inside it.
void ShowGraphHelp(const char* text) {
    int top = 0, left = 0, height = 0, width = 0;
    GetCtrlBoundingRect(pHandle, MAIN_GRAPHRaw, &top, &left, &height, &width);
    ToggleHelp(MAIN_HelpText2, left + kGraphHelpLeft, top + kGraphHelpTop, text);
}

// ------------------------------------------------------ control actions

enum : uint16_t {
    kTrigModeIntern = 3,
};

const int kGraphs[] = {MAIN_GRAPHRaw, MAIN_GRAPHVideo, MAIN_GRAPHData};

int ReadInt(int panel, int control) {
    int value = 0;
    GetCtrlVal(panel, control, &value);
    return value;
}

void ShowTriggerControls(int trigMode) {
    const int on = trigMode >= kTrigModeIntern ? 1 : 0;
    SetCtrlAttribute(pHandle, MAIN_BTNData, ATTR_VISIBLE, on);
    SetCtrlAttribute(pPara2, PARA2_NUMTriggThreshold, ATTR_DIMMED, on ? 0 : 1);
}

void ShowOnlyGraph(int graph) {
    CloseCompare();
    for (int g : kGraphs)
        if (g != graph) SetCtrlAttribute(pHandle, g, ATTR_VISIBLE, 0);
    SetCtrlAttribute(pHandle, graph, ATTR_VISIBLE, 1);
}

// A tolerance in millimetres beside its field; the standard variant's one
// tolerance serves both displays.
void ShowTolerance(int display, int tolerance) {
    const Variant v = VariantOf();
    const double mm = RecordToleranceMm(parameter, v, static_cast<uint32_t>(tolerance));
    if (!HasField(v, FIELD_TOLERANCE_HIGH)) {
        SetCtrlVal(pHandle, MAIN_DISPtolHigh, mm);
        SetCtrlVal(pHandle, MAIN_DISPtolLow, mm);
    } else {
        SetCtrlVal(pHandle, display, mm);
    }
}

uint16_t TeachOfVariant(void) {
    return parameter[RecordWord(VariantOf(), FIELD_TEACH)];
}

// The edge fields store a corrected edge into the standard layout's words
// whatever the variant; the variant's own words take the field's value at
// the next read of the panels.
constexpr int kEdgeStoreBegin = RecordWord(VARIANT_STANDARD, FIELD_EVAL_BEGIN);
constexpr int kEdgeStoreEnd = RecordWord(VARIANT_STANDARD, FIELD_EVAL_END);
const double kCursorY = 1.0;

uint16_t ReadU16(int panel, int control) {
    return static_cast<uint16_t>(ReadInt(panel, control));
}

// ---------------------------------------------------------------- pages

struct Page {
    int button;
    const int* panel;
};

const Page kPages[] = {
    {MAIN_TOGGBTN_Para1, &pPara1},
    {MAIN_TOGGBTN_Para2, &pPara2},
    {MAIN_TOGGBTN_Calib, &pCalib},
};

const int kHelpBoxes[] = {MAIN_HelpText1, MAIN_HelpText2};

void PageEvent(int button, int event) {
    if (event != EVENT_LEFT_CLICK && event != EVENT_COMMIT) return;
    for (const Page& p : kPages)
        if (p.button != button) SetCtrlVal(pHandle, p.button, 0);
    if (event != EVENT_COMMIT) return;
    // A tab stays selected when clicked again.
    SetCtrlVal(pHandle, button, 1);
    for (const Page& p : kPages) {
        if (p.button == button) continue;
        HidePanel(*p.panel);
    }
    for (const Page& p : kPages) {
        if (p.button != button) continue;
        int left = 0, top = 0;
        GetPanelAttribute(*p.panel, ATTR_LEFT, &left);
        GetPanelAttribute(*p.panel, ATTR_TOP, &top);
        SetPanelAttribute(*p.panel, ATTR_LEFT, left);
        SetPanelAttribute(*p.panel, ATTR_TOP, top);
        DisplayPanel(*p.panel);
    }
    // The page just shown lies over everything; a help box shown before
    // stays in front of it.
    for (int box : kHelpBoxes) {
        int visible = 0;
        GetCtrlAttribute(pHandle, box, ATTR_VISIBLE, &visible);
        if (visible) SetCtrlAttribute(pHandle, box, ATTR_VISIBLE, 1);
    }
}

int HelpOnly(int control, int event) {
    if (event == EVENT_RIGHT_CLICK) ShowParamHelp(control);
    return 0;
}

const double kPortPause = 0.1;

}  // namespace

const char* HelpTextOf(CtrlCallbackPtr callback, int panel, int control) {
    const char* text = nullptr;
    gHelpTaken = &text;
    callback(panel, control, EVENT_RIGHT_CLICK, nullptr, 0, 0);
    gHelpTaken = nullptr;
    return text;
}

void ToggleHelpBeside(int box, int control, int gap, const char* text) {
    const Area anchor = AreaOf(pHandle, control);
    ToggleHelpAt(box, {anchor.right + gap, anchor.top - gap, anchor, 1}, text);
}

void ToggleHelp(int box, int left, int top, const char* text) {
    ToggleHelpAt(box, {left, top, {0, 0, 0, 0}, 0}, text);
}

// ------------------------------------------------- parameter controls --

int CC_DROPevalmode(int, int, int event, void*, int, int) {
    return HelpOnly(PARA1_DROPevalmode, event);
}

int CC_DROPpolarity(int, int, int event, void*, int, int) {
    return HelpOnly(PARA1_DROPpolarity, event);
}

int CC_DROPaverage(int, int, int event, void*, int, int) {
    return HelpOnly(PARA1_DROPaverage, event);
}

int CC_DROPhold(int, int, int event, void*, int, int) {
    return HelpOnly(PARA1_DROPhold, event);
}

int CC_DROPpowermode(int, int, int event, void*, int, int) {
    return HelpOnly(PARA2_DROPpowermode, event);
}

int CC_SLIDEpower(int, int, int event, void*, int, int) {
    return HelpOnly(PARA2_SLIDEpower, event);
}

int CC_BINSWopmode(int, int, int event, void*, int, int) {
    return HelpOnly(CALIB_BINSWopmode, event);
}

int CC_DROPhardware(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) DimTolerancesByHardware(ReadInt(pPara1, PARA1_DROPhardware));
    return HelpOnly(PARA1_DROPhardware, event);
}

int CC_DROPtrigmode(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) ShowTriggerControls(ReadInt(pPara1, PARA1_DROPtrigmode));
    return HelpOnly(PARA1_DROPtrigmode, event);
}

int CC_DROPanaMode(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) ShowAnalogControls();
    return HelpOnly(PARA1_DROPanaMode, event);
}

int CC_SLIDEVideoThreshold(int, int, int event, void*, int, int) {
    if (event == EVENT_VAL_CHANGED) {
        const uint16_t line = ThresholdLine(ADCMAX, ReadU16(pPara2, PARA2_SLIDEVideoThreshold));
        for (uint16_t& v : thdArray) v = line;
        ShowOnlyGraph(MAIN_GRAPHVideo);
        PlotVIDEOCurve(adcbuf, thdArray, xArray);
    }
    return HelpOnly(PARA2_SLIDEVideoThreshold, event);
}

int CC_NUMTriggThreshold(int, int, int event, void*, int, int) {
    if (event == EVENT_VAL_CHANGED) {
        const int16_t line = static_cast<int16_t>(ReadU16(pPara2, PARA2_NUMTriggThreshold));
        for (int16_t& v : trgArray) v = line;
        ShowOnlyGraph(MAIN_GRAPHData);
        PlotDATACurve(adcbuf, xArray256);
    }
    return HelpOnly(PARA2_NUMTriggThreshold, event);
}

int CC_NEDITTolerance(int, int, int event, void*, int, int) {
    if (event == EVENT_VAL_CHANGED) {
        const int t = LimitToleranceLow(ReadInt(pPara1, PARA1_NEDITTolerance), TeachOfVariant());
        SetCtrlVal(pPara1, PARA1_NEDITTolerance, t);
        ShowTolerance(MAIN_DISPtolLow, t);
    }
    return HelpOnly(PARA1_NEDITTolerance, event);
}

int CC_NEDITToleranceUP(int, int, int event, void*, int, int) {
    if (event == EVENT_VAL_CHANGED) {
        const int u = LimitToleranceHigh(ReadInt(pPara1, PARA1_NEDITToleranceUP), TeachOfVariant(),
                                         ccdvirtpixel);
        SetCtrlVal(pPara1, PARA1_NEDITToleranceUP, u);
        ShowTolerance(MAIN_DISPtolHigh, u);
    }
    return HelpOnly(PARA1_NEDITToleranceUP, event);
}

int CC_NEDITEdgeLeft(int, int, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK) ShowFieldHelp(MAIN_NEDITEdgeLeft, kHelpEdgeLeft);
    if (event != EVENT_COMMIT) return 0;
    uint16_t begin = ReadU16(pHandle, MAIN_NEDITEdgeLeft);
    if (LimitEdgeBegin(&begin, pixB, pixE)) parameter[kEdgeStoreBegin] = begin;
    SetCtrlVal(pHandle, MAIN_NEDITEdgeLeft, static_cast<int>(begin));
    SetGraphCursor(pHandle, MAIN_GRAPHBar, 2, begin, kCursorY);
    return 0;
}

int CC_NEDITEdgeRight(int, int, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK) ShowFieldHelp(MAIN_NEDITEdgeRight, kHelpEdgeRight);
    if (event != EVENT_COMMIT) return 0;
    uint16_t end = ReadU16(pHandle, MAIN_NEDITEdgeRight);
    if (LimitEdgeEnd(&end, pixB, pixE)) parameter[kEdgeStoreEnd] = end;
    SetCtrlVal(pHandle, MAIN_NEDITEdgeRight, static_cast<int>(end));
    SetGraphCursor(pHandle, MAIN_GRAPHBar, 3, end, kCursorY);
    return 0;
}

// ------------------------------------------------- pages and help boxes

int CC_TOGGBTN_Para1(int, int, int event, void*, int, int) {
    PageEvent(MAIN_TOGGBTN_Para1, event);
    return 0;
}

int CC_TOGGBTN_Para2(int, int, int event, void*, int, int) {
    PageEvent(MAIN_TOGGBTN_Para2, event);
    return 0;
}

int CC_TOGGBTN_Calib(int, int, int event, void*, int, int) {
    PageEvent(MAIN_TOGGBTN_Calib, event);
    return 0;
}

int CC_HelpText1(int, int, int event, void*, int, int) {
    if (event == EVENT_LEFT_CLICK || event == EVENT_RIGHT_CLICK)
        SetCtrlAttribute(pHandle, MAIN_HelpText1, ATTR_VISIBLE, 0);
    return 0;
}

int CC_HelpText2(int, int, int event, void*, int, int) {
    if (event == EVENT_LEFT_CLICK || event == EVENT_RIGHT_CLICK)
        SetCtrlAttribute(pHandle, MAIN_HelpText2, ATTR_VISIBLE, 0);
    return 0;
}

// ------------------------------------------------------ graphs and zoom

int CC_GRAPHRaw(int, int control, int event, void*, int key, int modifiers) {
    if (event == EVENT_RIGHT_CLICK) ShowGraphHelp(kHelpRawGraph);
    SaveGraphOnKey(control, event, key, modifiers);
    return 0;
}

int CC_GRAPHVideo(int, int control, int event, void*, int key, int modifiers) {
    if (event == EVENT_RIGHT_CLICK) ShowGraphHelp(kHelpVideoGraph);
    SaveGraphOnKey(control, event, key, modifiers);
    return 0;
}

int CC_GRAPHData(int, int control, int event, void*, int key, int modifiers) {
    if (event == EVENT_RIGHT_CLICK) ShowGraphHelp(kHelpVideoGraph);
    SaveGraphOnKey(control, event, key, modifiers);
    return 0;
}

int CC_ToggButtonZoom(int, int, int event, void*, int, int) {
    // The raw graph reads the toggle at every frame; switching does nothing.
    if (event == EVENT_RIGHT_CLICK)
        ToggleHelpBeside(MAIN_HelpText1, MAIN_ToggButtonZoom, kButtonHelpGap, kHelpZoom);
    return 0;
}

// ---------------------------------------------------------------- port --

int CC_DropDCom(int, int, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK)
        ToggleHelpBeside(MAIN_HelpText2, MAIN_DropDCom, kButtonHelpGap, kHelpPort);
    if (event == EVENT_LEFT_CLICK) {
        // The list opens on this click: it shows the ports present now, so
        // an adapter plugged in after start-up can be chosen.
        PortTableAddDetected();
        FillPortRing();
    }
    // Choosing the port in use again reopens it: after an unplugged adapter
    // came back under its name, this reconnects and identifies the sensor.
    if (event != EVENT_COMMIT) return 0;
    int chosen = com;
    GetCtrlVal(pHandle, MAIN_DropDCom, &chosen);
    if (!ConfirmDiscardEdits()) {
        SetCtrlVal(pHandle, MAIN_DropDCom, com);
        return 0;
    }
    if (chosen == kPortItemNetwork) {
        // Nothing is closed until an address was given.
        chosen = AskNetworkPort();
        FillPortRing();
        if (!chosen) return 0;
    }
    // Ends a RUN loop or a recording at its next pass before the port goes.
    stop_flag = 1;
    Delay(kPortPause);
    CloseCom(com);
    Delay(kPortPause);
    com = chosen;
    SetCtrlVal(pHandle, MAIN_DropDCom, com);
    SetStatus(kTxtInitCom);
    NoteSensorChanged();
    SetTitleSensor(nullptr);
    InitRS232(com);
    // Another sensor may sit on the new port: its record decides these as at
    // start-up, not the previous sensor's.
    ShowDependentControls();
    return 0;
}
