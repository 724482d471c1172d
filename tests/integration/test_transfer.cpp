// GET and SEND against the simulated sensor: the frames per target, the
// record and panels afterwards, sanitising of what the sensor holds, the
// memory buttons, and GET from a file without the port.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/integration/support_harness.h"

namespace {

int Value(int panel, int control) {
    int v = -12345;
    GetCtrlVal(panel, control, &v);
    return v;
}

// Waits until the simulator has taken in n requests (writes get no reply).
void AwaitRequests(int n) {
    for (int i = 0; i < 400 && SimRequestCount() < n; ++i) Pump(0.005);
}

// Clicks a memory button from a known state (the panels outlive a test
// when several run in one process).
void ChooseMemory(int control) {
    for (int c : {MAIN_RBTRam, MAIN_RBTEeprom, MAIN_RBTFile}) SetCtrlVal(pHandle, c, 0);
    HostClick(pHandle, control);
}

std::string TempFile(const char* name) {
    static char dir[] = "/tmp/kovexa_transfer_XXXXXX";
    static bool made = false;
    if (!made) made = mkdtemp(dir) != nullptr;
    return std::string(dir) + "/" + name;
}

// ------------------------------------------------------------------ GET

// Catches GET reading from EEPROM, skipping a half, or packing the wrong
// payload; and the panels not showing what arrived.
TEST_F(SensorTest, GetFromRamReadsBothHalvesAndShowsThem) {
    StartProgram("v303");
    SimSetWord(0, 21, 2);    // evaluation mode
    SimSetWord(0, 48, 777);  // trigger threshold
    const uint16_t firstPayload = parameter[18];
    SimClearRequests();
    ASSERT_EQ(1, HostClick(pHandle, MAIN_BTNGet));
    const std::vector<SimRequest> req = Requests();
    ASSERT_EQ(2u, req.size());
    EXPECT_EQ(2, RequestWord(req[0], 2));
    EXPECT_EQ(0, RequestWord(req[0], 4));
    EXPECT_EQ(firstPayload, RequestWord(req[0], 6));
    EXPECT_EQ(2, RequestWord(req[1], 2));
    EXPECT_EQ(1, RequestWord(req[1], 4));
    EXPECT_EQ(2, parameter[21]);
    EXPECT_EQ(777, parameter[48]);
    EXPECT_EQ(2, Value(pPara1, PARA1_DROPevalmode));
    EXPECT_EQ(777, Value(pPara2, PARA2_NUMTriggThreshold));
    EXPECT_EQ("Parameter-frame received! - Line Ok!", StatusLine());
}

// Catches the EEPROM choice ignored: reads are command 4.
TEST_F(SensorTest, GetFromEepromUsesCommand4) {
    StartProgram("v303");
    SimSetWord(1, 21, 3);
    ChooseMemory(MAIN_RBTEeprom);
    SimClearRequests();
    HostClick(pHandle, MAIN_BTNGet);
    EXPECT_EQ((std::vector<uint16_t>{4, 4}), RequestCommands());
    EXPECT_EQ(3, parameter[21]);
}

// Catches a sensor answering half 0 only: the status ends with the
// time-out, the panels show half 0 new and half 1 as it was.
TEST_F(SensorTest, SensorAnsweringHalfZeroOnlyShowsNewHalfZeroOldHalfOne) {
    StartProgram("v303");
    const uint16_t oldTrigger = parameter[48];
    SimSetWord(0, 21, 2);
    SimSetWord(0, 48, static_cast<uint16_t>(oldTrigger + 11));
    SetFaults([](SimFaults* f) { f->echoHalfOnly = 1; });
    HostClick(pHandle, MAIN_BTNGet);
    EXPECT_EQ("Timeout-RS-232...", StatusLine());
    EXPECT_EQ(2, Value(pPara1, PARA1_DROPevalmode));
    EXPECT_EQ(oldTrigger, parameter[48]);
    EXPECT_EQ(oldTrigger, Value(pPara2, PARA2_NUMTriggThreshold));
}

// Catches a ring value no item has being lost (shown as another item and
// sent back changed): an average of 3 stays 3.
TEST_F(SensorTest, RingValueWithoutItemIsKept) {
    StartProgram("v303");
    SimSetWord(0, 27, 3);
    HostClick(pHandle, MAIN_BTNGet);
    EXPECT_EQ(3, Value(pPara1, PARA1_DROPaverage));
    GetPanelValuesV303();
    EXPECT_EQ(3, parameter[27]);
}

// Catches tolerance displays not following the record after GET: V303
// slope 1.0 (1024) with tolerances 30 up and 10 down.
TEST_F(SensorTest, GetShowsToleranceDisplaysInMillimetres) {
    StartProgram("v303");
    SimSetWord(0, 60, 1024);
    SimSetWord(0, 61, 0);
    SimSetWord(0, 25, 30);
    SimSetWord(0, 26, 10);
    HostClick(pHandle, MAIN_BTNGet);
    double high = 0, low = 0;
    GetCtrlVal(pHandle, MAIN_DISPtolHigh, &high);
    GetCtrlVal(pHandle, MAIN_DISPtolLow, &low);
    EXPECT_DOUBLE_EQ(0.030, high);
    EXPECT_DOUBLE_EQ(0.010, low);
    double slope = 0;
    GetCtrlVal(pCalib, CALIB_NUMcalSlope, &slope);
    EXPECT_DOUBLE_EQ(1.0, slope);
}

// ------------------------------------------------------ sanitising on GET

struct SanitiseCase {
    const char* model;
    int word;
    uint16_t sensorValue;
    uint16_t shown;
};

std::ostream& operator<<(std::ostream& os, const SanitiseCase& c) {
    return os << c.model << " word " << c.word << " " << c.sensorValue;
}

class SanitiseOnGet : public SensorTest, public ::testing::WithParamInterface<SanitiseCase> {};

// Catches an out-of-range word shown as it came, or replaced on the panel
// only: the replacement is in the record and goes back with the next SEND.
TEST_P(SanitiseOnGet, ReplacementIsShownKeptAndSentBack) {
    const SanitiseCase& c = GetParam();
    StartProgram(c.model);
    SimSetWord(0, c.word, c.sensorValue);
    HostClick(pHandle, MAIN_BTNGet);
    EXPECT_EQ(c.shown, parameter[c.word]);
    const int sent = SimRequestCount();
    HostClick(pHandle, MAIN_BTNSend);
    AwaitRequests(sent + 2);
    EXPECT_EQ(c.shown, SimGetWord(0, c.word));
}

INSTANTIATE_TEST_SUITE_P(
    Variants, SanitiseOnGet,
    ::testing::Values(SanitiseCase{"standard", 6, 9, 4}, SanitiseCase{"standard", 3, 2000, 500},
                      SanitiseCase{"standard", 48, 5000, 4096}, SanitiseCase{"v303", 23, 0, 256},
                      SanitiseCase{"tarvo", 43, 3, 0}, SanitiseCase{"tarvo", 45, 65535, 1000}),
    [](const ::testing::TestParamInfo<SanitiseCase>& p) {
        return std::string(p.param.model) + "_word" + std::to_string(p.param.word);
    });

// ----------------------------------------------------------------- SEND

// Catches SEND to RAM sending anything but command 1 with halves 0 and 1,
// or sending the record instead of what the panels show.
TEST_F(SensorTest, SendToRamWritesBothHalvesOfThePanels) {
    StartProgram("v303");
    ASSERT_EQ(1, HostSetValueAsUser(pPara2, PARA2_SLIDEpower, 777));
    SetCtrlVal(pPara2, PARA2_NUMTriggThreshold, 300);
    SimClearRequests();
    HostClick(pHandle, MAIN_BTNSend);
    AwaitRequests(2);
    const std::vector<SimRequest> req = Requests();
    ASSERT_EQ(2u, req.size());
    EXPECT_EQ(1, RequestWord(req[0], 2));
    EXPECT_EQ(0, RequestWord(req[0], 4));
    EXPECT_EQ(777, RequestWord(req[0], 6));  // power, first word of the V303 block
    EXPECT_EQ(1, RequestWord(req[1], 2));
    EXPECT_EQ(1, RequestWord(req[1], 4));
    EXPECT_EQ(300, RequestWord(req[1], 6));  // trigger threshold, word 48
    EXPECT_EQ(777, SimGetWord(0, 18));
    EXPECT_EQ("Line Ok!", StatusLine());
}

// Catches SEND to EEPROM using the RAM command, one frame only, or no
// pause between the halves (lower bound only: machines are noisy).
TEST_F(SensorTest, SendToEepromSendsCommand3TwiceApart) {
    StartProgram("edge1024");
    ChooseMemory(MAIN_RBTEeprom);
    SimClearRequests();
    HostClick(pHandle, MAIN_BTNSend);
    AwaitRequests(2);
    const std::vector<SimRequest> req = Requests();
    ASSERT_EQ(2u, req.size());
    EXPECT_EQ(3, RequestWord(req[0], 2));
    EXPECT_EQ(0, RequestWord(req[0], 4));
    EXPECT_EQ(3, RequestWord(req[1], 2));
    EXPECT_EQ(1, RequestWord(req[1], 4));
    EXPECT_GE(req[1].time - req[0].time, 0.09);
    EXPECT_EQ(parameter[18], SimGetWord(1, 18));
}

// Catches the standard variant reading the trigger threshold back (it only
// shows it): word 48 keeps its value on SEND.
TEST_F(SensorTest, StandardSendKeepsTriggerThresholdWord) {
    StartProgram("standard");
    const uint16_t before = parameter[48];
    SetCtrlVal(pPara2, PARA2_NUMTriggThreshold, before + 100);
    SimClearRequests();
    HostClick(pHandle, MAIN_BTNSend);
    AwaitRequests(2);
    ASSERT_EQ(2, SimRequestCount());
    EXPECT_EQ(before, RequestWord(Requests()[1], 6));
}

// Catches the slope scaled with the wrong factor: 1.0 is 1024 on V303.
TEST_F(SensorTest, SlopeEnteredIsSentScaledByVariant) {
    StartProgram("v303");
    SetCtrlAttribute(pCalib, CALIB_NUMcalSlope, ATTR_DIMMED, 0);
    ASSERT_EQ(1, HostSetValueAsUser(pCalib, CALIB_NUMcalSlope, 1.0));
    SimClearRequests();
    HostClick(pHandle, MAIN_BTNSend);
    AwaitRequests(2);
    ASSERT_EQ(2, SimRequestCount());
    EXPECT_EQ(1024, RequestWord(Requests()[1], 6 + 2 * 11));  // word 60
    EXPECT_EQ(0, RequestWord(Requests()[1], 6 + 2 * 12));     // word 61
}

// Catches a slope nobody edited changing on its way through the panel (its
// field shows 4 decimals, coarser than the record): GET then SEND gives
// back the same words.
TEST_F(SensorTest, UneditedSlopeGoesBackUnchanged) {
    StartProgram("standard");
    SimSetWord(0, 60, 16391);
    SimSetWord(0, 61, 1);
    HostClick(pHandle, MAIN_BTNGet);
    const int sent = SimRequestCount();
    HostClick(pHandle, MAIN_BTNSend);
    AwaitRequests(sent + 2);
    Pump(0.05);
    EXPECT_EQ(16391, SimGetWord(0, 60));
    EXPECT_EQ(1, SimGetWord(0, 61));
}

// ------------------------------------------------------ memory buttons

// Catches the three buttons not acting as one choice, or switching the
// selection off leaving no memory chosen.
TEST_F(SensorTest, MemoryButtonsChooseOneAndFallBackToRam) {
    StartProgram("edge1024", false);
    ChooseMemory(MAIN_RBTRam);
    HostClick(pHandle, MAIN_RBTEeprom);
    EXPECT_EQ(EEPROM, target);
    EXPECT_EQ(0, Value(pHandle, MAIN_RBTRam));
    EXPECT_EQ(1, Value(pHandle, MAIN_RBTEeprom));
    HostClick(pHandle, MAIN_RBTFile);
    EXPECT_EQ(DATFILE, target);
    EXPECT_EQ(0, Value(pHandle, MAIN_RBTEeprom));
    HostClick(pHandle, MAIN_RBTFile);  // switched off
    EXPECT_EQ(RAM, target);
    EXPECT_EQ(1, Value(pHandle, MAIN_RBTRam));
    HostClick(pHandle, MAIN_RBTRam);  // RAM cannot be switched off
    EXPECT_EQ(RAM, target);
    EXPECT_EQ(1, Value(pHandle, MAIN_RBTRam));
}

// -------------------------------------------------------- FILE target

// Catches GET from a file touching the serial port, or not showing the
// loaded record on the panels.
TEST_F(SensorTest, GetFromFileNeverTouchesThePort) {
    StartProgram("v303");
    const std::string path = TempFile("get.cfg");
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(nullptr, f);
    for (int i = 0; i < 30; ++i) std::fprintf(f, "%6d\n", i == 3 ? 2 : (i == 15 ? 321 : 1));
    std::fclose(f);
    ChooseMemory(MAIN_RBTFile);
    HostQueueFileAnswer(path.c_str());
    SimClearRequests();
    HostClick(pHandle, MAIN_BTNGet);
    Pump(0.05);
    EXPECT_EQ(0, SimRequestCount());
    EXPECT_EQ(2, parameter[21]);
    EXPECT_EQ(321, parameter[48]);
    EXPECT_EQ(2, Value(pPara1, PARA1_DROPevalmode));
    EXPECT_EQ(321, Value(pPara2, PARA2_NUMTriggThreshold));
}

// Catches SEND to a file sending frames, or a cancelled save reporting
// anything but "Transmit...".
TEST_F(SensorTest, CancelledSaveSendsNothingAndLeavesTransmit) {
    StartProgram("v303");
    ChooseMemory(MAIN_RBTFile);
    HostQueueFileAnswer(nullptr);
    SimClearRequests();
    HostClick(pHandle, MAIN_BTNSend);
    Pump(0.05);
    EXPECT_EQ(0, SimRequestCount());
    EXPECT_EQ("Transmit...", StatusLine());
}

}  // namespace
