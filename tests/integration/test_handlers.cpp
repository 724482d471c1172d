// Control handlers with the real panels: tolerance and edge corrections
// (worked examples), dependent controls, threshold lines, help boxes, page
// buttons, graph and zoom help, and the port change.
#include <string>

#include "tests/integration/support_harness.h"

namespace {

const char kEvalHelp[] =
    "EVALUATION-MODE:\nDrop-down element to select an\nevaluation mode at the K-VEX-sensor.";
const char kTolLowHelpStart[] = "TOLERANCE-LOW:\n";
const char kTolValueHelpStart[] = "TOLERANCE-VALUE:\n";
const char kRawHelpStart[] = "ROLL-GRAPH-WINDOW:\n";
const char kVideoHelpStart[] = "VIDEO-GRAPH-WINDOW:\n";
const char kZoomHelpStart[] = "ZOOM-TOGGLE-BUTTON:\n";
const char kPortHelpStart[] = "DROP-DOWN-CONNECT:\n";
const char kGetHelp[] =
    "GET-BUTTON:\nGet parameter-frame of K-VEX sensor\nfrom EEPROM- or RAM-memory ...";

int Value(int panel, int control) {
    int v = -12345;
    GetCtrlVal(panel, control, &v);
    return v;
}

double Display(int control) {
    double v = -1.0;
    GetCtrlVal(pHandle, control, &v);
    return v;
}

std::string BoxText(int box) {
    char buf[1024] = "";
    HostCtrlText(pHandle, box, buf, sizeof buf);
    return buf;
}

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

int PanelVisible(int panel) {
    int v = -1;
    GetPanelAttribute(panel, ATTR_VISIBLE, &v);
    return v;
}

void Enable(int panel, int control) {
    SetCtrlAttribute(panel, control, ATTR_DIMMED, 0);
}

// Every help box hidden, as at start-up.
void HideHelp(void) {
    SetCtrlAttribute(pHandle, MAIN_HelpText1, ATTR_VISIBLE, 0);
    SetCtrlAttribute(pHandle, MAIN_HelpText2, ATTR_VISIBLE, 0);
}

// ------------------------------------------------------------ tolerances

// Worked example, standard: teach 512, tolerance entered 600 -> 511, both
// displays slope x 511 / 1000. Catches a clamp to the teach value itself,
// a single display, or the tolerance word written by the handler.
TEST_F(SensorTest, StandardToleranceAboveTeachBecomesTeachMinusOne) {
    StartProgram("standard");
    parameter[9] = 512;
    parameter[60] = 16384;  // slope 1.0
    parameter[61] = 0;
    const uint16_t word10 = parameter[10];
    Enable(pPara1, PARA1_NEDITTolerance);
    ASSERT_EQ(1, HostSetValueAsUser(pPara1, PARA1_NEDITTolerance, 600));
    EXPECT_EQ(511, Value(pPara1, PARA1_NEDITTolerance));
    EXPECT_DOUBLE_EQ(0.511, Display(MAIN_DISPtolHigh));
    EXPECT_DOUBLE_EQ(0.511, Display(MAIN_DISPtolLow));
    EXPECT_EQ(word10, parameter[10]);
}

// Worked example, V303: teach 4000 of 4096, upper tolerance 200 -> 95.
// Catches a clamp to the sensor end, or the lower display changed.
TEST_F(SensorTest, V303UpperToleranceStopsBelowTheSensorEnd) {
    StartProgram("v303");
    parameter[24] = 4000;
    parameter[60] = 1024;  // slope 1.0
    parameter[61] = 0;
    SetCtrlVal(pHandle, MAIN_DISPtolLow, 7.0);
    Enable(pPara1, PARA1_NEDITToleranceUP);
    ASSERT_EQ(1, HostSetValueAsUser(pPara1, PARA1_NEDITToleranceUP, 200));
    EXPECT_EQ(95, Value(pPara1, PARA1_NEDITToleranceUP));
    EXPECT_DOUBLE_EQ(0.095, Display(MAIN_DISPtolHigh));
    EXPECT_DOUBLE_EQ(7.0, Display(MAIN_DISPtolLow));
}

// Catches the Tarvo handler checking the standard teach word (9) instead
// of its own (39).
TEST_F(SensorTest, TarvoLowerToleranceChecksTarvoTeach) {
    StartProgram("tarvo");
    parameter[39] = 100;
    parameter[9] = 5000;
    parameter[60] = 2048;  // slope 2.0
    parameter[61] = 0;
    Enable(pPara1, PARA1_NEDITTolerance);
    ASSERT_EQ(1, HostSetValueAsUser(pPara1, PARA1_NEDITTolerance, 150));
    EXPECT_EQ(99, Value(pPara1, PARA1_NEDITTolerance));
    EXPECT_DOUBLE_EQ(2048.0 * 99 / 1024000.0, Display(MAIN_DISPtolLow));
}

// ---------------------------------------------------------------- edges

// Worked examples with pixB 1, pixE 1024: begin 2000 -> 1023 (stored),
// end 0 -> 2 (stored), end 1024 stands and is not stored. Catches clamps
// to the limits themselves and stores of unchanged values.
TEST_F(SensorTest, EvaluationWindowEdgesAreCorrectedAndStored) {
    StartProgram("edge1024", false);
    pixB = 1;
    pixE = 1024;
    parameter[7] = 9;
    parameter[8] = 9;
    ASSERT_EQ(1, HostSetValueAsUser(pHandle, MAIN_NEDITEdgeLeft, 2000));
    EXPECT_EQ(1023, Value(pHandle, MAIN_NEDITEdgeLeft));
    EXPECT_EQ(1023, parameter[7]);
    double x = 0, y = 0;
    ASSERT_EQ(1, HostGraphCursor(pHandle, MAIN_GRAPHBar, 2, &x, &y));
    EXPECT_EQ(1023.0, x);

    HostSetValueAsUser(pHandle, MAIN_NEDITEdgeRight, 0);
    EXPECT_EQ(2, Value(pHandle, MAIN_NEDITEdgeRight));
    EXPECT_EQ(2, parameter[8]);
    HostGraphCursor(pHandle, MAIN_GRAPHBar, 3, &x, &y);
    EXPECT_EQ(2.0, x);

    parameter[8] = 9;
    HostSetValueAsUser(pHandle, MAIN_NEDITEdgeRight, 1024);
    EXPECT_EQ(1024, Value(pHandle, MAIN_NEDITEdgeRight));
    EXPECT_EQ(9, parameter[8]);
    HostGraphCursor(pHandle, MAIN_GRAPHBar, 3, &x, &y);
    EXPECT_EQ(1024.0, x);
}

// ------------------------------------------------- dependent controls

// Catches the trigger mode not switching the DATA button and threshold
// field (3 shows and enables, below 3 hides and dims).
TEST_F(SensorTest, TriggerModeSwitchesDataButtonAndThreshold) {
    StartProgram("edge1024");
    Enable(pPara1, PARA1_DROPtrigmode);
    ASSERT_EQ(1, HostSetValueAsUser(pPara1, PARA1_DROPtrigmode, 3));
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_BTNData));
    EXPECT_EQ(0, HostIsDimmed(pPara2, PARA2_NUMTriggThreshold));
    ASSERT_EQ(1, HostSetValueAsUser(pPara1, PARA1_DROPtrigmode, 1));
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_BTNData));
    EXPECT_EQ(1, HostIsDimmed(pPara2, PARA2_NUMTriggThreshold));
}

// Catches hardware modes 1 and 3 (potentiometer) leaving the tolerance
// fields editable, or 2 leaving them dimmed.
TEST_F(SensorTest, HardwareModeDimsToleranceFields) {
    StartProgram("edge1024");
    ASSERT_EQ(1, HostSetValueAsUser(pPara1, PARA1_DROPhardware, 3));
    EXPECT_EQ(1, HostIsDimmed(pPara1, PARA1_NEDITTolerance));
    EXPECT_EQ(1, HostIsDimmed(pPara1, PARA1_NEDITToleranceUP));
    ASSERT_EQ(1, HostSetValueAsUser(pPara1, PARA1_DROPhardware, 2));
    EXPECT_EQ(0, HostIsDimmed(pPara1, PARA1_NEDITTolerance));
    EXPECT_EQ(0, HostIsDimmed(pPara1, PARA1_NEDITToleranceUP));
}

// Catches the analog displays and RESET not following the analog mode.
TEST_F(SensorTest, AnalogModeShowsAnalogControlsFromMode2) {
    StartProgram("edge1024");
    const int controls[] = {MAIN_DISPanalog, MAIN_DISPanaMax, MAIN_DISPanaMin, MAIN_ButtonReset};
    ASSERT_EQ(1, HostSetValueAsUser(pPara1, PARA1_DROPanaMode, 2));
    for (int c : controls) EXPECT_EQ(1, HostIsVisible(pHandle, c)) << c;
    ASSERT_EQ(1, HostSetValueAsUser(pPara1, PARA1_DROPanaMode, 1));
    for (int c : controls) EXPECT_EQ(0, HostIsVisible(pHandle, c)) << c;
}

// Worked example: slider 50 with ADCMAX 256 gives a line of 128 and the
// video curve. Catches float arithmetic, the record word changed, or the
// wrong graph shown.
TEST_F(SensorTest, VideoThresholdSliderRedrawsLineOnly) {
    StartProgram("edge1024", false);
    ADCMAX = 256;
    const uint16_t words[] = {parameter[17], parameter[32], parameter[46]};
    ASSERT_EQ(1, HostSetValueAsUser(pPara2, PARA2_SLIDEVideoThreshold, 50));
    for (int i = 0; i < kLineCount; ++i) ASSERT_EQ(128, thdArray[i]) << i;
    EXPECT_EQ(words[0], parameter[17]);
    EXPECT_EQ(words[1], parameter[32]);
    EXPECT_EQ(words[2], parameter[46]);
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_GRAPHVideo));
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_GRAPHRaw));
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_GRAPHData));
}

// Catches the trigger line not following the field, or the data curve not
// shown.
TEST_F(SensorTest, TriggerThresholdRedrawsDataCurve) {
    StartProgram("edge1024", false);
    Enable(pPara2, PARA2_NUMTriggThreshold);
    ASSERT_EQ(1, HostSetValueAsUser(pPara2, PARA2_NUMTriggThreshold, 333));
    for (int i = 0; i < kLineCount; ++i) ASSERT_EQ(333, trgArray[i]) << i;
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_GRAPHData));
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_GRAPHVideo));
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_GRAPHRaw));
}

// ------------------------------------------------------------ help boxes

// Catches a box that only shows, or sets its text only when shown: two
// right clicks show and hide it, and the text is set both times.
TEST_F(SensorTest, RightClickTwiceShowsThenHidesWithTextSetBothTimes) {
    StartProgram("edge1024");
    HideHelp();
    ASSERT_EQ(1, HostRightClick(pPara1, PARA1_DROPevalmode));
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_HelpText1));
    EXPECT_EQ(kEvalHelp, BoxText(MAIN_HelpText1));
    int top = 0, left = 0, height = 0, width = 0;
    GetCtrlBoundingRect(pHandle, MAIN_HelpText1, &top, &left, &height, &width);
    EXPECT_EQ(8 + 148 + 140 + 20, left);  // page left + control left + width + gap
    EXPECT_EQ(105 + 14 - 10, top);
    SetCtrlVal(pHandle, MAIN_HelpText1, "something else");
    HostRightClick(pPara1, PARA1_DROPevalmode);
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText1));
    EXPECT_EQ(kEvalHelp, BoxText(MAIN_HelpText1));
}

// Catches the averaging help in the first box (it has its own), and a box
// that stays shown after a click on it.
TEST_F(SensorTest, AverageUsesSecondBoxAndAClickOnTheBoxHidesIt) {
    StartProgram("edge1024");
    HideHelp();
    HostRightClick(pPara1, PARA1_DROPaverage);
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText1));
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_HelpText2));
    EXPECT_TRUE(StartsWith(BoxText(MAIN_HelpText2), "AVERAGE:\n"));
    HostLeftClick(pHandle, MAIN_HelpText2);
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText2));
}

// Catches each control having its own box state: right clicks on two
// controls that share a box show and hide it in turn.
TEST_F(SensorTest, AlternatingRightClicksShowAndHideInTurn) {
    StartProgram("edge1024");
    HideHelp();
    HostRightClick(pPara1, PARA1_DROPevalmode);
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_HelpText1));
    HostRightClick(pPara1, PARA1_DROPpolarity);
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText1));
    EXPECT_TRUE(StartsWith(BoxText(MAIN_HelpText1), "POLARITY:\n"));
    HostRightClick(pPara1, PARA1_DROPevalmode);
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_HelpText1));
}

// Catches the tolerance help not following the firmware: 302 has one
// symmetric tolerance, 303 a lower and an upper one.
TEST_F(SensorTest, ToleranceHelpFollowsFirmware) {
    StartProgram("standard");
    HideHelp();
    Enable(pPara1, PARA1_NEDITTolerance);  // dimmed ones take no clicks
    HostRightClick(pPara1, PARA1_NEDITTolerance);
    EXPECT_TRUE(StartsWith(BoxText(MAIN_HelpText1), kTolValueHelpStart));
    StopProgram();
    StartProgram("v303");
    Enable(pPara1, PARA1_NEDITTolerance);
    HostRightClick(pPara1, PARA1_NEDITTolerance);
    EXPECT_TRUE(StartsWith(BoxText(MAIN_HelpText1), kTolLowHelpStart));
}

// Catches the trigger-threshold help placed by its own box instead of the
// video-threshold slider's.
TEST_F(SensorTest, TriggerThresholdHelpSitsBesideTheSlider) {
    StartProgram("edge1024");
    HideHelp();
    HostClick(pHandle, MAIN_TOGGBTN_Para2);
    Enable(pPara2, PARA2_NUMTriggThreshold);
    HostRightClick(pPara2, PARA2_NUMTriggThreshold);
    int top = 0, left = 0, height = 0, width = 0;
    GetCtrlBoundingRect(pHandle, MAIN_HelpText1, &top, &left, &height, &width);
    EXPECT_EQ(8 + 12 + 214 + 30, left);
    EXPECT_EQ(105 + 86 - 10, top);
}

// Catches a help box pushed out of the window near its edges: the GET
// button's box is kept inside the main panel.
TEST_F(SensorTest, HelpBoxStaysInsideTheMainPanel) {
    StartProgram("edge1024");
    HideHelp();
    HostRightClick(pHandle, MAIN_BTNGet);
    EXPECT_EQ(kGetHelp, BoxText(MAIN_HelpText1));
    int top = 0, left = 0, height = 0, width = 0, panelHeight = 0, panelWidth = 0;
    GetCtrlBoundingRect(pHandle, MAIN_HelpText1, &top, &left, &height, &width);
    GetPanelAttribute(pHandle, ATTR_HEIGHT, &panelHeight);
    GetPanelAttribute(pHandle, ATTR_WIDTH, &panelWidth);
    EXPECT_EQ(8 + 69 + 20, left);
    EXPECT_LE(top + height, panelHeight);
    HostRightClick(pHandle, MAIN_NEDITEdgeRight);
    GetCtrlBoundingRect(pHandle, MAIN_HelpText1, &top, &left, &height, &width);
    EXPECT_GE(left, 0);
    EXPECT_LE(left + width, panelWidth);
    EXPECT_LE(top + height, panelHeight);
}

// Catches graph help in the wrong box or shared state per graph: raw shows
// it, and after VIDEO a right click on the video graph hides it again with
// the video text.
TEST_F(SensorTest, GraphsShareTheSecondHelpBox) {
    StartProgram("edge1024");
    HideHelp();
    ASSERT_EQ(1, HostRightClick(pHandle, MAIN_GRAPHRaw));
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_HelpText2));
    EXPECT_TRUE(StartsWith(BoxText(MAIN_HelpText2), kRawHelpStart));
    int top = 0, left = 0, height = 0, width = 0;
    GetCtrlBoundingRect(pHandle, MAIN_HelpText2, &top, &left, &height, &width);
    EXPECT_EQ(320 + 80, left);
    EXPECT_EQ(105 + 40, top);
    SetCtrlAttribute(pHandle, MAIN_GRAPHRaw, ATTR_VISIBLE, 0);
    SetCtrlAttribute(pHandle, MAIN_GRAPHVideo, ATTR_VISIBLE, 1);
    ASSERT_EQ(1, HostRightClick(pHandle, MAIN_GRAPHVideo));
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText2));
    EXPECT_TRUE(StartsWith(BoxText(MAIN_HelpText2), kVideoHelpStart));
}

// Catches the zoom toggle showing help on anything but a right click.
TEST_F(SensorTest, ZoomToggleHelpOnlyOnRightClick) {
    StartProgram("edge1024");
    HideHelp();
    HostLeftClick(pHandle, MAIN_ToggButtonZoom);
    HostClick(pHandle, MAIN_ToggButtonZoom);
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText1));
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText2));
    HostRightClick(pHandle, MAIN_ToggButtonZoom);
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_HelpText1));
    EXPECT_TRUE(StartsWith(BoxText(MAIN_HelpText1), kZoomHelpStart));
    int top = 0, left = 0, height = 0, width = 0;
    GetCtrlBoundingRect(pHandle, MAIN_HelpText1, &top, &left, &height, &width);
    EXPECT_EQ(320 + 90 + 10, left);
    EXPECT_EQ(74 - 10, top);
}

// ---------------------------------------------------------------- pages

// Catches page buttons that do not act as tabs: one page shown, its button
// on, the other two off; a second click keeps the page.
TEST_F(SensorTest, PageButtonsActAsTabs) {
    StartProgram("edge1024");
    ASSERT_EQ(1, HostClick(pHandle, MAIN_TOGGBTN_Para2));
    EXPECT_EQ(1, PanelVisible(pPara2));
    EXPECT_EQ(0, PanelVisible(pPara1));
    EXPECT_EQ(0, PanelVisible(pCalib));
    EXPECT_EQ(1, Value(pHandle, MAIN_TOGGBTN_Para2));
    EXPECT_EQ(0, Value(pHandle, MAIN_TOGGBTN_Para1));
    EXPECT_EQ(0, Value(pHandle, MAIN_TOGGBTN_Calib));

    HostClick(pHandle, MAIN_TOGGBTN_Calib);
    EXPECT_EQ(1, PanelVisible(pCalib));
    EXPECT_EQ(0, PanelVisible(pPara2));
    EXPECT_EQ(0, Value(pHandle, MAIN_TOGGBTN_Para2));

    HostClick(pHandle, MAIN_TOGGBTN_Calib);
    EXPECT_EQ(1, PanelVisible(pCalib));
    EXPECT_EQ(1, Value(pHandle, MAIN_TOGGBTN_Calib));
    int left = 0, top = 0;
    GetPanelAttribute(pCalib, ATTR_LEFT, &left);
    GetPanelAttribute(pCalib, ATTR_TOP, &top);
    EXPECT_EQ(8, left);
    EXPECT_EQ(105, top);
}

// ----------------------------------------------------------------- port

// Catches a port change to a number with no device crashing, hanging or
// hiding the error; the program stays usable and a change back to the
// sensor probes it again. The port help goes to the second box.
TEST_F(SensorTest, PortWithoutDeviceShowsErrorAndProgramStaysUsable) {
    StartProgram("edge1024");
    HideHelp();
    HostRightClick(pHandle, MAIN_DropDCom);
    EXPECT_TRUE(StartsWith(BoxText(MAIN_HelpText2), kPortHelpStart));
    ASSERT_EQ(0, InsertListItem(pHandle, MAIN_DropDCom, -1, "COM9", 9));
    stop_flag = 0;
    ASSERT_EQ(1, HostSetValueAsUser(pHandle, MAIN_DropDCom, 9));
    EXPECT_EQ(1, stop_flag);
    EXPECT_EQ(9, com);
    EXPECT_EQ("Invalid port number", StatusLine());

    HostClick(pHandle, MAIN_BTNGet);  // no port: ends with the time-out text
    EXPECT_EQ("Timeout-RS-232...", StatusLine());

    SimClearRequests();
    ASSERT_EQ(1, HostSetValueAsUser(pHandle, MAIN_DropDCom, 1));
    EXPECT_EQ(1, com);
    EXPECT_EQ((std::vector<uint16_t>{5, 10, 2, 2, 7}), RequestCommands());
    EXPECT_EQ("K-VEX-RZ firmware V3.08 (sim)", StatusLine());
}

// Catches the port ring listing numbers without their device, or missing
// the port in use.
TEST_F(SensorTest, PortRingListsPortOneWithItsDevice) {
    const std::string path = StartProgram("edge1024");
    FillPortRing();
    char label[300] = "";
    int value = 0;
    ASSERT_EQ(1, HostListItem(pHandle, MAIN_DropDCom, 0, label, sizeof label, &value));
    EXPECT_EQ(1, value);
    EXPECT_EQ("COM1  " + path, std::string(label));
    EXPECT_EQ(1, Value(pHandle, MAIN_DropDCom));
}

}  // namespace
