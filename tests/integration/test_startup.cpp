// Start-up and quitting of the whole program: KovexaMain with the real
// panels (offscreen) against the simulated sensor.
#include <QApplication>
#include <QTimer>

#include "tests/integration/support_harness.h"

namespace {

char gArg0[] = "kovexa_test";
char* gArgv[] = {gArg0, nullptr};
int gArgc = 1;

// Starts the simulator, then runs the program as main does, closing the
// main panel after the given time.
int RunProgram(const char* model, const SimFaults* faults, int closeAfterMs) {
    RegisterKovexaControls();
    char path[256];
    EXPECT_EQ(1, SimStart(model, path, sizeof path));
    if (faults) SimSetFaults(faults);
    PortTableSetDevice(1, path);
    QTimer::singleShot(closeAfterMs, [] { HostClosePanel(pHandle); });
    return KovexaMain();
}

// Catches a start-up that hangs or gives up without a sensor, defaults
// that come from the program image instead of the loaded panels, and a bar
// graph whose x axis leaves the start-up cursors off the scale.
TEST(StartUp, SilentSensorLeavesPlaceholdersAndShowsTimeout) {
    ASSERT_EQ(1, HostInit(&gArgc, gArgv));  // timers need the application
    SimFaults f;
    SimGetFaults(&f);
    f.silent = 1;
    std::string shownAtQuit;
    double barMin = -1, barMax = -1;
    QTimer::singleShot(1800, [&] {
        shownAtQuit = StatusLine();
        HostGraphAxis(pHandle, MAIN_GRAPHBar, VAL_XAXIS, &barMin, &barMax);
    });
    EXPECT_EQ(0, RunProgram("edge1024", &f, 2000));
    EXPECT_EQ("Timeout-RS-232...", shownAtQuit);
    // The start-up cursors and band (512, 412..612) lie on the bar graph.
    EXPECT_EQ((std::vector<double>{1.0, 4096.0}), (std::vector<double>{barMin, barMax}));
    EXPECT_EQ((std::vector<int>{4096, 37, 0, 0}),
              (std::vector<int>{ccdvirtpixel, hwtype, softversion, HWTYPE}));
    // The record holds the panels' start values, which are the defaults.
    const int kWords[] = {3, 7, 8, 9, 10, 17, 60, 61, 62};
    const int kDefaults[] = {500, 1, 1024, 512, 100, 40, 16384, 0, 30000};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(kDefaults[i], parameter[kWords[i]]) << kWords[i];
    // Only the line check went out.
    EXPECT_EQ(std::vector<uint16_t>{5}, RequestCommands());
    SimStop();
}

// Catches a program that leaves the port open or its panels unfreed at
// exit, or probes in another order than line check, hardware, RAM half 0, RAM half 1, version.
TEST(StartUp, ProbesTheSensorAndQuittingClosesThePort) {
    ASSERT_EQ(1, HostInit(&gArgc, gArgv));
    std::string shown;
    int page1 = -1, page2 = -1, helpVisible = -1;
    QTimer::singleShot(1500, [&] {
        shown = StatusLine();
        GetPanelAttribute(pPara1, ATTR_VISIBLE, &page1);
        GetPanelAttribute(pPara2, ATTR_VISIBLE, &page2);
        helpVisible = HostIsVisible(pHandle, MAIN_HelpText1);
    });
    EXPECT_EQ(0, RunProgram("edge1024", nullptr, 1700));
    EXPECT_EQ((std::vector<uint16_t>{5, 10, 2, 2, 7}), RequestCommands());
    EXPECT_EQ((std::vector<int>{1, 0, 0}), (std::vector<int>{page1, page2, helpVisible}));
    EXPECT_NE(std::string::npos, shown.find("firmware")) << shown;
    // Closed: every call on the port fails like on a port never opened.
    EXPECT_EQ(kComErrPortNotOpen, GetInQLen(com));
    // Discarded: the panels' windows are freed, not left for a dead loop.
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    const int requests = SimRequestCount();
    Pump(0.2);
    EXPECT_EQ(requests, SimRequestCount());
    SimStop();
}

class StartupTest : public SensorHarness {};

// Catches tolerance fields dimmed by a hardware mode that the sensor's panels
// do not offer (hidden drop-down; Tarvo has none), with no way to undo it,
// while a V303 sensor in hardware mode 1 keeps them dimmed.
TEST_F(StartupTest, OnlyAnOfferedHardwareModeDimsTheTolerances) {
    const struct {
        const char* model;
        int word;  // hardware mode of the layout in force set to 1, or -1
        int offered;
    } kCases[] = {{"tarvo", -1, 0}, {"type500", 31, 0}, {"unknown", 16, 0}, {"edge1024", -1, 1}};
    for (const auto& c : kCases) {
        StartProgram(c.model, false);
        if (c.word >= 0) SimSetWord(0, c.word, 1);
        InitRS232(com);
        InitGUI();
        EXPECT_EQ(c.offered, HostIsVisible(pPara1, PARA1_DROPhardware)) << c.model;
        EXPECT_EQ(c.offered, HostIsDimmed(pPara1, PARA1_NEDITTolerance)) << c.model;
        if (!c.offered) {
            EXPECT_EQ(0, HostIsDimmed(pPara1, PARA1_NEDITToleranceUP)) << c.model;
        }
        StopProgram();
    }
}

// Catches controls that keep the previous sensor's state after a port
// change: the analog displays follow the new sensor's analog mode.
TEST_F(StartupTest, PortChangeShowsTheNewSensorsDependentControls) {
    StartProgram("edge1024");
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_DISPanalog));
    SimStop();
    char path[256];
    ASSERT_EQ(1, SimStart("tarvo", path, sizeof path));
    SimSetWord(0, 44, 4);  // analog-output mode of the Tarvo layout
    PortTableSetDevice(1, path);
    SetCtrlVal(pHandle, MAIN_DropDCom, 1);
    CC_DropDCom(pHandle, MAIN_DropDCom, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(400, hwtype);
    EXPECT_EQ(4, parameter[44]);
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_DISPanalog));
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_ButtonReset));
}

}  // namespace
