// TEACH, the typed set point and the buttons' help texts against the simulated sensor.
#include <string>
#include <vector>

#include "tests/integration/support_during.h"
#include "tests/integration/support_harness.h"

namespace {

const char kTeached[] = "New setpoint value teached!";

double TeachCursor(void) {
    double x = 0, y = 0;
    HostGraphCursor(pHandle, MAIN_GRAPHBar, 1, &x, &y);
    return x;
}

class Teach : public SensorHarness {
protected:
    void SetUp() override {
        StartProgram("standard");
        SimSetScene(1000, 1400, 0);
        SimResetFaults();
        SimClearRequests();
    }
};

// Catches a wrong request or payload, no (or too fast) read-back, field or cursor not updated,
// or the cursor taken from another variant's word.
using TeachEachVariant = SensorHarness;

TEST_F(TeachEachVariant, TeachesReadsTheRecordBackAndMovesTheCursor) {
    const struct {
        const char* model;
        int teachWord;
    } kVariants[] = {{"standard", 9}, {"v303", 24}, {"tarvo", 39}};
    for (const auto& v : kVariants) {
        SCOPED_TRACE(v.model);
        StartProgram(v.model);
        SimSetScene(300, 700, 0);
        SimClearRequests();
        SetCtrlVal(pPara1, PARA1_DROPaverage, 4);  // an edit the payload must carry
        stop_flag = 1;                             // an earlier STOP
        const uint16_t before = SimGetWord(0, v.teachWord);
        HostQueueConfirmAnswer(1);  // the panels are read back after the teach
        ASSERT_EQ(1, HostClick(pPara2, PARA2_ButtonTeach));
        const std::vector<SimRequest> req = Requests();
        ASSERT_EQ(3u, req.size());
        EXPECT_EQ((std::vector<uint16_t>{CMD_TEACH, 0, CMD_READ_RAM, 0, CMD_READ_RAM, 1}),
                  (std::vector<uint16_t>{RequestWord(req[0], 2), RequestWord(req[0], 4),
                                         RequestWord(req[1], 2), RequestWord(req[1], 4),
                                         RequestWord(req[2], 2), RequestWord(req[2], 4)}));
        // The panels are read with the standard binding: its half 0 carries the edit (word 11).
        if (v.teachWord == 9) {
            EXPECT_EQ(4, RequestWord(req[0], 6 + 2 * (11 - 3)));
        }
        EXPECT_GE(req[2].time - req[1].time, 0.1);
        const uint16_t taught = SimGetWord(0, v.teachWord);
        EXPECT_NE(before, taught);
        EXPECT_EQ(taught, Value(pPara2, PARA2_NEDITTeach));
        EXPECT_EQ(taught, TeachCursor());
        StopProgram();
    }
}

// Catches the teach text not shown first, a reload after the time-out, or the cursor moved.
TEST_F(Teach, SilentSensorTimesOutTeach) {
    SetFaults([](SimFaults* f) { f->silent = 1; });
    const double cursor = TeachCursor();
    stop_flag = 0;
    std::string waiting;
    ClickDuring(pPara2, PARA2_ButtonTeach, [&](int) {
        waiting = StatusLine();
        return true;
    });
    EXPECT_EQ(kTeached, waiting);
    EXPECT_EQ(1, stop_flag);
    EXPECT_EQ(cursor, TeachCursor());
    EXPECT_EQ((std::vector<uint16_t>{CMD_TEACH}), RequestCommands());
}

// ------------------------------------------------------ typed set point --

// Catches an uncorrected field, limits wrapping or past the sensor, the data graph not redrawn.
using TypedTeach = SensorHarness;

TEST_F(TypedTeach, CorrectsTheValueAndRedrawsTheDataLines) {
    StartPanels();
    ccdvirtpixel = 4096;
    const struct {
        int typed;
        uint16_t tolHigh, tolLow;
        int shown, lower, upper;
    } kCases[] = {{5000, 0, 0, 4095, 4095, 4095},  // beyond the sensor
                  {4096, 0, 0, 4096, 4096, 4096},  // last pixel
                  {0, 0, 0, 1, 1, 1},
                  {10, 20, 100, 10, 0, 30},             // lower limit below zero
                  {4000, 200, 100, 4000, 3900, 4096}};  // upper limit past the sensor
    for (const auto& c : kCases) {
        parameter[25] = c.tolHigh;
        parameter[26] = c.tolLow;
        HostSetValueAsUser(pPara2, PARA2_NEDITTeach, c.typed);
        EXPECT_EQ(c.shown, Value(pPara2, PARA2_NEDITTeach)) << c.typed;
        EXPECT_EQ((std::vector<int>{c.shown, c.lower, c.upper}),
                  (std::vector<int>{REFArray[255], loTHDArray[0], upTHDArray[128]}));
        ASSERT_EQ(5, HostGraphCurveCount(pHandle, MAIN_GRAPHData));
        double lo[256];
        HostGraphCurve(pHandle, MAIN_GRAPHData, 3, nullptr, lo, 256, nullptr);
        EXPECT_EQ(c.lower, lo[0]) << c.typed;
    }
}

// Catches a RUN, VIDEO, DATA, TEACH or RESET button without its help text, or no toggle.
TEST(ButtonHelp, RightClickTogglesTheButtonsHelp) {
    StartPanels();
    const struct {
        int panel;
        int control;
        const char* head;
    } kHelp[] = {{pHandle, MAIN_BTNRun, "RUN-BUTTON:\n"},
                 {pHandle, MAIN_BTNVideo, "VIDEO-BUTTON:\n"},
                 {pHandle, MAIN_BTNData, "DATA-BUTTON:\n"},
                 {pPara2, PARA2_ButtonTeach, "TEACH-BUTTON:\n"},
                 {pHandle, MAIN_ButtonReset, "RESET-BUTTON:\n"}};
    for (const auto& h : kHelp) {
        HostRightClick(h.panel, h.control);
        EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_HelpText1)) << h.head;
        EXPECT_EQ(0u, CtrlText(pHandle, MAIN_HelpText1).rfind(h.head, 0));
        HostRightClick(h.panel, h.control);
        EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText1)) << h.head;
    }
}

}  // namespace
