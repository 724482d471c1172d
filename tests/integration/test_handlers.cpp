// Control handlers with the real panels: tolerance and edge corrections
// (worked examples), dependent controls, threshold lines, help boxes, page
// buttons, graph and zoom help, and the port change.
#include <string>
#include <utility>
#include <vector>

#include "tests/integration/support_harness.h"

namespace {

const char kEvalHelp[] =
    "EVALUATION-MODE:\nDrop-down element to select an\nevaluation mode at the K-VEX-sensor.";
const char kGetHelp[] =
    "GET-BUTTON:\nGet parameter-frame of K-VEX sensor\nfrom EEPROM- or RAM-memory ...";

// "shown" or "hidden", then the first line of the box, which names the
// control it explains.
std::string Box(int box) {
    const std::string text = CtrlText(pHandle, box);
    return (HostIsVisible(pHandle, box) ? "shown " : "hidden ") + text.substr(0, text.find('\n'));
}

struct Rect {
    int left, top, right, bottom;
};

Rect RectOf(int panel, int control) {
    int top = 0, left = 0, height = 0, width = 0;
    GetCtrlBoundingRect(panel, control, &top, &left, &height, &width);
    return {left, top, left + width, top + height};
}

std::pair<int, int> LeftTop(int box) {
    const Rect r = RectOf(pHandle, box);
    return {r.left, r.top};
}

bool Overlap(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Visibility of the raw, video and data graphs.
std::vector<int> GraphsShown(void) {
    return {HostIsVisible(pHandle, MAIN_GRAPHRaw), HostIsVisible(pHandle, MAIN_GRAPHVideo),
            HostIsVisible(pHandle, MAIN_GRAPHData)};
}

// Starts the program with every help box hidden, as at start-up.
void StartWithoutHelp(const char* model) {
    StartProgram(model);
    SetCtrlAttribute(pHandle, MAIN_HelpText1, ATTR_VISIBLE, 0);
    SetCtrlAttribute(pHandle, MAIN_HelpText2, ATTR_VISIBLE, 0);
}

// ------------------------------------------------------------ tolerances

class HandlersTest : public SensorHarness {};

// Worked examples: standard teach 512, 600 entered -> 511 on both displays;
// V303 teach 4000 of 4096, upper 200 -> 95; Tarvo checks its own teach
// word (39), not the standard one (9, set to 5000 here). Catches a clamp
// to the teach value or the sensor end, a display left out or changed
// wrongly, the wrong teach word, a record word written by the handler, or
// tolerance help that does not follow the firmware (302 one symmetric
// tolerance, 303 a lower and an upper one).
TEST_F(HandlersTest, ToleranceEntryIsCorrectedAndShownInMillimetres) {
    const struct {
        const char* model;
        int teachWord;
        uint16_t teach, slope;
        int control, entered, shown;
        double high, low;  // displays afterwards; both start at 7.0
        const char* help;  // the tolerance field's help box; nullptr: not checked
    } kCases[] = {{"standard", 9, 512, 16384, PARA1_NEDITTolerance, 600, 511, 0.511, 0.511,
                   "shown TOLERANCE-VALUE:"},
                  {"v303", 24, 4000, 1024, PARA1_NEDITToleranceUP, 200, 95, 0.095, 7.0,
                   "shown TOLERANCE-LOW:"},
                  {"tarvo", 39, 100, 2048, PARA1_NEDITTolerance, 150, 99, 7.0,
                   2048.0 * 99 / 1024000.0, nullptr}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.model);
        StartWithoutHelp(c.model);
        SetCtrlAttribute(pPara1, PARA1_NEDITTolerance, ATTR_DIMMED,
                         0);  // dimmed ones take no clicks
        HostRightClick(pPara1, PARA1_NEDITTolerance);
        EXPECT_TRUE(!c.help || c.help == Box(MAIN_HelpText1)) << Box(MAIN_HelpText1);
        parameter[9] = 5000;
        parameter[c.teachWord] = c.teach;
        parameter[60] = c.slope;
        parameter[61] = 0;
        SetCtrlVal(pHandle, MAIN_DISPtolHigh, 7.0);
        SetCtrlVal(pHandle, MAIN_DISPtolLow, 7.0);
        const std::vector<uint16_t> record(parameter, parameter + kParamWords);
        SetCtrlAttribute(pPara1, c.control, ATTR_DIMMED, 0);
        ASSERT_EQ(1, HostSetValueAsUser(pPara1, c.control, c.entered));
        EXPECT_EQ(c.shown, Value(pPara1, c.control));
        EXPECT_DOUBLE_EQ(c.high, Value<double>(pHandle, MAIN_DISPtolHigh));
        EXPECT_DOUBLE_EQ(c.low, Value<double>(pHandle, MAIN_DISPtolLow));
        EXPECT_EQ(record, std::vector<uint16_t>(parameter, parameter + kParamWords));
    }
}

// Worked examples with pixB 1, pixE 1024: begin 2000 -> 1023 (stored),
// end 0 -> 2 (stored), end 1024 stands and is not stored. Catches clamps
// to the limits themselves and stores of unchanged values.
TEST_F(HandlersTest, EvaluationWindowEdgesAreCorrectedAndStored) {
    StartProgram("edge1024", false);
    pixB = 1;
    pixE = 1024;
    const struct {
        int control, entered, shown, word, stored, cursor;
    } steps[] = {{MAIN_NEDITEdgeLeft, 2000, 1023, 7, 1023, 2},
                 {MAIN_NEDITEdgeRight, 0, 2, 8, 2, 3},
                 {MAIN_NEDITEdgeRight, 1024, 1024, 8, 9, 3}};
    for (const auto& s : steps) {
        parameter[s.word] = 9;
        ASSERT_EQ(1, HostSetValueAsUser(pHandle, s.control, s.entered));
        EXPECT_EQ(s.shown, Value(pHandle, s.control)) << s.entered;
        EXPECT_EQ(s.stored, parameter[s.word]) << s.entered;
        double x = -1, y = -1;
        HostGraphCursor(pHandle, MAIN_GRAPHBar, s.cursor, &x, &y);
        EXPECT_EQ(s.shown, x) << s.entered;
    }
}

// ------------------------------------------------- dependent controls

// Catches the trigger mode not switching the DATA button and threshold
// field (3 shows and enables, below 3 hides and dims), hardware modes 1 and
// 3 (potentiometer) leaving the tolerance fields editable or 2 leaving them
// dimmed, and the analog displays and RESET not following the analog mode.
TEST_F(HandlersTest, DropDownsSwitchTheirDependentControls) {
    StartProgram("edge1024");
    SetCtrlAttribute(pPara1, PARA1_DROPtrigmode, ATTR_DIMMED, 0);
    for (int mode : {3, 1}) {
        ASSERT_EQ(1, HostSetValueAsUser(pPara1, PARA1_DROPtrigmode, mode));
        EXPECT_EQ(mode == 3, HostIsVisible(pHandle, MAIN_BTNData)) << mode;
        EXPECT_EQ(mode != 3, HostIsDimmed(pPara2, PARA2_NUMTriggThreshold)) << mode;
    }
    for (int mode : {3, 2}) {
        ASSERT_EQ(1, HostSetValueAsUser(pPara1, PARA1_DROPhardware, mode));
        EXPECT_EQ(mode == 3, HostIsDimmed(pPara1, PARA1_NEDITTolerance)) << mode;
        EXPECT_EQ(mode == 3, HostIsDimmed(pPara1, PARA1_NEDITToleranceUP)) << mode;
    }
    for (int mode : {2, 1}) {
        ASSERT_EQ(1, HostSetValueAsUser(pPara1, PARA1_DROPanaMode, mode));
        for (int c : {MAIN_DISPanalog, MAIN_DISPanaMax, MAIN_DISPanaMin, MAIN_ButtonReset})
            EXPECT_EQ(mode == 2, HostIsVisible(pHandle, c)) << mode << " " << c;
    }
}

// Worked example: slider 50 with ADCMAX 256 gives a line of 128 on the
// video graph; the trigger field draws its line on the data graph. Catches
// float arithmetic, a record word changed, or the wrong graph shown.
TEST_F(HandlersTest, ThresholdFieldsRedrawTheirLineOnly) {
    StartProgram("edge1024", false);
    ADCMAX = 256;
    const std::vector<uint16_t> record(parameter, parameter + kParamWords);
    ASSERT_EQ(1, HostSetValueAsUser(pPara2, PARA2_SLIDEVideoThreshold, 50));
    for (int i = 0; i < kLineCount; ++i) ASSERT_EQ(128, thdArray[i]) << i;
    EXPECT_EQ(record, std::vector<uint16_t>(parameter, parameter + kParamWords));
    EXPECT_EQ((std::vector<int>{0, 1, 0}), GraphsShown());
    SetCtrlAttribute(pPara2, PARA2_NUMTriggThreshold, ATTR_DIMMED, 0);
    ASSERT_EQ(1, HostSetValueAsUser(pPara2, PARA2_NUMTriggThreshold, 333));
    for (int i = 0; i < kLineCount; ++i) ASSERT_EQ(333, trgArray[i]) << i;
    EXPECT_EQ((std::vector<int>{0, 0, 1}), GraphsShown());
}

// ------------------------------------------------------------ help boxes

// Catches a box that only shows, or sets its text only when shown (the
// second click hides it and sets the text again), and a box state kept
// per control: the box is shared, so the next click, on another control,
// shows it and a click back on the first hides it.
TEST_F(HandlersTest, RightClicksToggleTheSharedBoxAndSetItsTextEachTime) {
    StartWithoutHelp("edge1024");
    ASSERT_EQ(1, HostRightClick(pPara1, PARA1_DROPevalmode));
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_HelpText1));
    EXPECT_EQ(kEvalHelp, CtrlText(pHandle, MAIN_HelpText1));
    // page left + control left + control width + gap
    EXPECT_EQ(std::make_pair(8 + 148 + 140 + 20, 105 + 14 - 10), LeftTop(MAIN_HelpText1));
    SetCtrlVal(pHandle, MAIN_HelpText1, "something else");
    HostRightClick(pPara1, PARA1_DROPevalmode);
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText1));
    EXPECT_EQ(kEvalHelp, CtrlText(pHandle, MAIN_HelpText1));
    HostRightClick(pPara1, PARA1_DROPpolarity);
    EXPECT_EQ("shown POLARITY:", Box(MAIN_HelpText1));
    HostRightClick(pPara1, PARA1_DROPevalmode);
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText1));
}

// Catches the averaging, graph or port help in the first box (they share
// the second), a box that stays shown after a click on it, and graph help
// with a state per graph: after VIDEO a right click on the video graph
// hides the box the raw graph showed, with the video text.
TEST_F(HandlersTest, AverageGraphsAndPortShareTheSecondBox) {
    StartWithoutHelp("edge1024");
    HostRightClick(pPara1, PARA1_DROPaverage);
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText1));
    EXPECT_EQ("shown AVERAGE:", Box(MAIN_HelpText2));
    HostLeftClick(pHandle, MAIN_HelpText2);
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText2));
    ASSERT_EQ(1, HostRightClick(pHandle, MAIN_GRAPHRaw));
    EXPECT_EQ("shown ROLL-GRAPH-WINDOW:", Box(MAIN_HelpText2));
    EXPECT_EQ(std::make_pair(320 + 80, 105 + 40), LeftTop(MAIN_HelpText2));
    SetCtrlAttribute(pHandle, MAIN_GRAPHRaw, ATTR_VISIBLE, 0);
    SetCtrlAttribute(pHandle, MAIN_GRAPHVideo, ATTR_VISIBLE, 1);
    ASSERT_EQ(1, HostRightClick(pHandle, MAIN_GRAPHVideo));
    EXPECT_EQ("hidden VIDEO-GRAPH-WINDOW:", Box(MAIN_HelpText2));
    HostRightClick(pHandle, MAIN_DropDCom);
    EXPECT_EQ("shown DROP-DOWN-CONNECT:", Box(MAIN_HelpText2));
}

// Catches the zoom toggle showing help on anything but a right click, the
// trigger-threshold help placed by its own box instead of the slider's, a
// box placed by its previous text's size (cut off, or over its field),
// pushed out of the window near its edges (GET, right edge field), over the
// slider value it explains, or put behind the page by a page switch.
TEST_F(HandlersTest, HelpBoxesSitBesideTheirFieldInsideThePanelAndOnTop) {
    StartWithoutHelp("edge1024");
    HostLeftClick(pHandle, MAIN_ToggButtonZoom);
    HostClick(pHandle, MAIN_ToggButtonZoom);
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText1) + HostIsVisible(pHandle, MAIN_HelpText2));
    HostRightClick(pHandle, MAIN_ToggButtonZoom);
    EXPECT_EQ("shown ZOOM-TOGGLE-BUTTON:", Box(MAIN_HelpText1));
    EXPECT_EQ(std::make_pair(320 + 90 + 10, 74 - 10), LeftTop(MAIN_HelpText1));
    HostRightClick(pHandle, MAIN_ToggButtonZoom);
    HostClick(pHandle, MAIN_TOGGBTN_Para2);
    SetCtrlAttribute(pPara2, PARA2_NUMTriggThreshold, ATTR_DIMMED, 0);
    HostRightClick(pPara2, PARA2_NUMTriggThreshold);
    // right of the slider's value, which the box must not hide
    EXPECT_EQ(std::make_pair(8 + 232 + 56 + 30, 105 + 86 - 10), LeftTop(MAIN_HelpText1));
    HostRightClick(pPara2, PARA2_NUMTriggThreshold);
    int panelWidth = 0, panelHeight = 0;
    GetPanelAttribute(pHandle, ATTR_WIDTH, &panelWidth);
    GetPanelAttribute(pHandle, ATTR_HEIGHT, &panelHeight);
    const struct {
        int control, box;
    } kFields[] = {{MAIN_NEDITEdgeRight, MAIN_HelpText1},
                   {MAIN_DropDCom, MAIN_HelpText2},
                   {MAIN_BTNGet, MAIN_HelpText1}};
    for (const auto& f : kFields) {
        SetCtrlVal(pHandle, f.box, "x");
        HostRightClick(pHandle, f.control);
        const Rect box = RectOf(pHandle, f.box);
        EXPECT_FALSE(Overlap(box, RectOf(pHandle, f.control))) << f.control;
        EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.right <= panelWidth &&
                    box.bottom <= panelHeight)
            << f.control;
        HostRightClick(pHandle, f.control);
    }
    EXPECT_EQ(kGetHelp, CtrlText(pHandle, MAIN_HelpText1));  // page 2 is still open
    HostRightClick(pPara2, PARA2_SLIDEVideoThreshold);
    const Rect sliderValue = {8 + 232, 105 + 86, 8 + 232 + 56, 105 + 86 + 26};
    EXPECT_FALSE(Overlap(RectOf(pHandle, MAIN_HelpText1), sliderValue));
    // Over the page area, then the page changes.
    SetCtrlAttribute(pHandle, MAIN_HelpText1, ATTR_LEFT, 20);
    SetCtrlAttribute(pHandle, MAIN_HelpText1, ATTR_TOP, 120);
    HostClick(pHandle, MAIN_TOGGBTN_Para1);
    EXPECT_EQ(1, HostIsOnTop(pHandle, MAIN_HelpText1));
}

// ------------------------------------------------------ pages and port

// Catches page buttons that do not act as tabs: one page shown, its button
// on, the other two off; a second click keeps the page where it belongs.
TEST_F(HandlersTest, PageButtonsActAsTabs) {
    StartProgram("edge1024");
    const int kButtons[] = {MAIN_TOGGBTN_Para1, MAIN_TOGGBTN_Para2, MAIN_TOGGBTN_Calib};
    const int kPages[] = {pPara1, pPara2, pCalib};
    for (int open : {1, 2, 2, 0}) {
        ASSERT_EQ(1, HostClick(pHandle, kButtons[open]));
        for (int i = 0; i < 3; ++i) {
            int shown = -1;
            GetPanelAttribute(kPages[i], ATTR_VISIBLE, &shown);
            EXPECT_EQ(i == open, shown) << i << " after " << open;
            EXPECT_EQ(i == open, Value(pHandle, kButtons[i])) << i << " after " << open;
        }
    }
    int left = 0, top = 0;
    GetPanelAttribute(pCalib, ATTR_LEFT, &left);
    GetPanelAttribute(pCalib, ATTR_TOP, &top);
    EXPECT_EQ(std::make_pair(8, 105), std::make_pair(left, top));
}

// Catches a port change to a number with no device crashing, hanging or
// hiding the error; the program stays usable and a change back to the
// sensor probes it again.
TEST_F(HandlersTest, PortWithoutDeviceShowsErrorAndProgramStaysUsable) {
    StartProgram("edge1024");
    ASSERT_EQ(0, InsertListItem(pHandle, MAIN_DropDCom, -1, "COM9", 9));
    stop_flag = 0;
    ASSERT_EQ(1, HostSetValueAsUser(pHandle, MAIN_DropDCom, 9));
    EXPECT_EQ(1, stop_flag);
    EXPECT_EQ(9, com);
    EXPECT_EQ("Invalid port number", StatusLine());
    SimClearRequests();
    ASSERT_EQ(1, HostSetValueAsUser(pHandle, MAIN_DropDCom, 1));
    EXPECT_EQ(1, com);
    EXPECT_EQ((std::vector<uint16_t>{5, 10, 2, 2, 7}), RequestCommands());
    EXPECT_EQ("K-VEX-RZ firmware V3.08 (sim)", StatusLine());
}

}  // namespace
