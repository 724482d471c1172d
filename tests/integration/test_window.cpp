// The main window as a desktop tool: its title, and keyboard shortcuts that
// act exactly as the buttons they stand for.
#include <QImage>
#include <QTimer>
#include <string>

#include "platform/userint_internal.h"
#include "tests/integration/support_during.h"
#include "tests/integration/support_harness.h"

namespace {

std::string Title(void) {
    char t[512];
    return HostWindowTitle(pHandle, t, sizeof t) ? t : "";
}

const int kLoopButtons[] = {MAIN_BTNRun, MAIN_BTNVideo, MAIN_BTNData};

}  // namespace

class WindowTest : public SensorHarness {};

// Catches a title without port, device or model, a stale model after no
// sensor answered, or a loop still named after it ended.
TEST_F(WindowTest, TitleNamesPortDeviceModelAndTheLoopRunning) {
    const std::string device = StartProgram("v303");
    const std::string idle = "Kovexa - COM1 " + device + " - " + ModelLine();
    EXPECT_EQ(idle, Title());
    std::string during;
    ClickDuring(pHandle, MAIN_BTNRun, [&](int n) {
        if (n < 3) return false;
        during = Title();
        HostClick(pHandle, MAIN_BTNStop);
        return true;
    });
    EXPECT_EQ(idle + " - RUN", during);
    EXPECT_EQ(idle, Title());
    SetFaults([](SimFaults* f) { f->silent = 1; });
    HostSetValueAsUser(pHandle, MAIN_DropDCom, 1);
    EXPECT_EQ("Kovexa - COM1 " + device + " - no sensor", Title());
}

// Catches a shortcut bound to the wrong button, missing, or going round the
// quit guard, and Esc doing less than STOP: loops left running or VIDEO, DATA
// and RUN left dimmed after Esc ended VIDEO or RUN.
TEST_F(WindowTest, ShortcutsActAsTheirButtons) {
    StartProgram("v303");
    for (int loop : {MAIN_BTNRun, MAIN_BTNVideo}) {
        SCOPED_TRACE(loop);
        ClickDuring(pHandle, loop, [](int n) {
            if (n < 3) return false;
            EXPECT_EQ(1, HostPressShortcut(pHandle, "Esc"));
            return true;
        });
        for (int b : kLoopButtons) EXPECT_FALSE(HostIsDimmed(pHandle, b)) << b;
        EXPECT_FALSE(HostIsDimmed(pPara2, PARA2_ButtonTeach));
    }
    const struct {
        const char* keys;
        uint16_t command;
    } kSends[] = {{"Ctrl+G", CMD_READ_RAM}, {"Ctrl+Shift+S", CMD_WRITE_RAM}};
    for (const auto& k : kSends) {
        SCOPED_TRACE(k.keys);
        SimClearRequests();
        EXPECT_EQ(1, HostPressShortcut(pHandle, k.keys));
        Pump(0.2);
        EXPECT_TRUE(Sent(k.command));
    }
    // F5 runs until Esc.
    SimClearRequests();
    QTimer::singleShot(300, [] { HostPressShortcut(pHandle, "Esc"); });
    EXPECT_EQ(1, HostPressShortcut(pHandle, "F5"));
    EXPECT_TRUE(Sent(CMD_MEASURE));

    HostSetValueAsUser(pPara2, PARA2_SLIDEpower, 5);
    const int quits = kui::QuitCount();
    HostPressShortcut(pHandle, "Ctrl+Q");  // unsent edit, no answer: stays
    EXPECT_EQ(quits, kui::QuitCount());
    HostQueueConfirmAnswer(1);  // the edits
    HostQueueConfirmAnswer(1);  // RAM written by SEND, not in EEPROM
    HostPressShortcut(pHandle, "Ctrl+Q");
    EXPECT_EQ(quits + 1, kui::QuitCount());
}

// Catches F1 showing nothing or the help of another control than the
// focused one, a help box that runs past the window's edge, a control with help but no tooltip, a
// tooltip that is not the help's first sentence or a graph's without the Ctrl+S note.
TEST_F(WindowTest, F1ShowsFocusedHelpAndTooltipsAreItsFirstSentence) {
    StartProgram("v303");
    const struct {
        const int* panel;
        int control;
        const char* tip;
    } kTips[] = {
        {&pHandle, MAIN_BTNGet,
         "Get parameter-frame of K-VEX sensor from EEPROM- or RAM-memory ..."},
        {&pPara2, PARA2_SLIDEpower,
         "With this slider, the power of the light-source at the K-VEX-sensor can be set."},
        {&pHandle, MAIN_GRAPHRaw, "Ctrl+S saves what this graph shows."},
        {&pHandle, MAIN_GRAPHBar, "Ctrl+S saves what this graph shows."},
        {&pHandle, MAIN_BTNStop, ""},
        {&pHandle, MAIN_DropDCom, ""},
    };
    for (const auto& t : kTips) {
        char tip[512] = "";
        HostToolTip(*t.panel, t.control, tip, sizeof tip);
        EXPECT_FALSE(std::string(tip).empty()) << t.control;
        EXPECT_NE(std::string::npos, std::string(tip).find(t.tip)) << tip;
    }
    EXPECT_FALSE(HostIsVisible(pHandle, MAIN_HelpText2));
    SetActiveCtrl(pHandle, MAIN_BTNGet);
    EXPECT_FALSE(HostIsVisible(pHandle, MAIN_HelpText1));
    EXPECT_EQ(1, HostPressShortcut(pHandle, "F1"));
    EXPECT_TRUE(HostIsVisible(pHandle, MAIN_HelpText1));
    char text[256] = "";
    GetCtrlString(pHandle, MAIN_HelpText1, text, sizeof text);
    EXPECT_EQ(0, std::string(text).rfind("GET-BUTTON", 0)) << text;
    SetCtrlAttribute(pHandle, MAIN_HelpText1, ATTR_VISIBLE, 0);
    int panelWidth = 0, panelHeight = 0;
    GetPanelAttribute(pHandle, ATTR_WIDTH, &panelWidth);
    GetPanelAttribute(pHandle, ATTR_HEIGHT, &panelHeight);
    const struct {
        const int* panel;
        int control;
    } kHelped[] = {
        {&pHandle, MAIN_BTNRun},         {&pHandle, MAIN_BTNStop},
        {&pHandle, MAIN_BTNVideo},       {&pHandle, MAIN_BTNGet},
        {&pHandle, MAIN_BTNSend},        {&pHandle, MAIN_DropDCom},
        {&pHandle, MAIN_ToggButtonZoom}, {&pHandle, MAIN_TOGGBTN_Recorder},
        {&pHandle, MAIN_NEDITEdgeLeft},  {&pHandle, MAIN_NEDITEdgeRight},
        {&pHandle, MAIN_GRAPHRaw},       {&pHandle, MAIN_BTNCompare},
        {&pHandle, MAIN_BTNReport},      {&pPara1, PARA1_DROPevalmode},
        {&pPara1, PARA1_DROPhardware},   {&pPara1, PARA1_NEDITTolerance},
        {&pPara2, PARA2_SLIDEpower},     {&pPara2, PARA2_SLIDEVideoThreshold},
        {&pPara2, PARA2_ButtonTeach},    {&pCalib, CALIB_BINSWopmode},
    };
    for (const auto& h : kHelped) {
        SCOPED_TRACE(h.control);
        HostRightClick(*h.panel, h.control);
        for (int box : {MAIN_HelpText1, MAIN_HelpText2}) {
            if (!HostIsVisible(pHandle, box)) continue;
            int top = 0, left = 0, height = 0, width = 0;
            GetCtrlBoundingRect(pHandle, box, &top, &left, &height, &width);
            EXPECT_GE(left, 0);
            EXPECT_GE(top, 0);
            EXPECT_LE(left + width, panelWidth);
            EXPECT_LE(top + height, panelHeight);
            SetCtrlAttribute(pHandle, box, ATTR_VISIBLE, 0);
        }
    }
}

// Catches a pressed toggle (ZOOM, a page, RECORDER) drawn in nearly the
// same grey as a released one.
TEST_F(WindowTest, PressedTogglesStandOut) {
    StartPanels();
    const std::string shot = ::testing::TempDir() + "kovexa_toggles.png";
    for (int toggle : {MAIN_ToggButtonZoom, MAIN_TOGGBTN_Para2, MAIN_TOGGBTN_Recorder}) {
        int top = 0, left = 0, height = 0, width = 0;
        GetCtrlBoundingRect(pHandle, toggle, &top, &left, &height, &width);
        int grey[2] = {0, 0};
        for (int on : {0, 1}) {
            SetCtrlVal(pHandle, toggle, on);
            ASSERT_EQ(1, HostScreenshot(pHandle, shot.c_str()));
            grey[on] =
                qGray(QImage(QString::fromStdString(shot)).pixel(left + 4, top + height / 2));
        }
        EXPECT_GT(grey[0] - grey[1], 80) << toggle;
        SetCtrlVal(pHandle, toggle, 0);
    }
    std::remove(shot.c_str());
}
