// GET and SEND against the simulated sensor: the frames per target, the
// record and panels afterwards, sanitising of what the sensor holds, and
// the memory buttons. The FILE target is in test_paramfile.
#include <string>
#include <utility>
#include <vector>

#include "tests/integration/support_harness.h"

namespace {

// Command and half of each request the simulator received.
std::vector<std::vector<uint16_t>> CommandsAndHalves(void) {
    std::vector<std::vector<uint16_t>> out;
    for (const SimRequest& r : Requests()) out.push_back({RequestWord(r, 2), RequestWord(r, 4)});
    return out;
}

using Frames = std::vector<std::vector<uint16_t>>;

// Clicks SEND and waits for both halves to arrive.
void SendAndAwait(void) {
    const int before = SimRequestCount();
    HostClick(pHandle, MAIN_BTNSend);  // writes get no reply
    for (int i = 0; i < 400 && SimRequestCount() < before + 2; ++i) Pump(0.005);
}

// ------------------------------------------------------------------ GET

class TransferTest : public SensorHarness {};

// Catches GET reading from the wrong memory (RAM is command 2, EEPROM
// command 4), skipping a half, or packing the wrong payload; the panels not
// showing what arrived; and a ring value no item has being lost (shown as
// another item and sent back changed): an average of 3 stays 3; a sensor
// answering half 0 only taken as a full answer.
TEST_F(TransferTest, GetReadsBothHalvesOfTheChosenMemoryAndShowsThem) {
    StartProgram("v303");
    SimSetWord(0, 21, 2);    // evaluation mode
    SimSetWord(0, 48, 777);  // trigger threshold
    SimSetWord(0, 27, 3);    // average without an item
    SimSetWord(1, 21, 3);
    const uint16_t firstPayload = parameter[18];
    SimClearRequests();
    ASSERT_EQ(1, HostClick(pHandle, MAIN_BTNGet));
    ASSERT_EQ((Frames{{2, 0}, {2, 1}}), CommandsAndHalves());
    EXPECT_EQ(firstPayload, RequestWord(Requests()[0], 6));
    EXPECT_EQ((std::vector<int>{2, 777, 2, 777}),
              (std::vector<int>{parameter[21], parameter[48], Value(pPara1, PARA1_DROPevalmode),
                                Value(pPara2, PARA2_NUMTriggThreshold)}));
    EXPECT_EQ("Parameter-frame received! - Line Ok!", StatusLine());
    EXPECT_EQ(3, Value(pPara1, PARA1_DROPaverage));
    GetPanelValuesV303();
    EXPECT_EQ(3, parameter[27]);
    // A sensor answering half 0 only: the time-out is said, half 0 shown new, half 1 as it was.
    SimSetWord(0, 21, 3);
    SimSetWord(0, 48, 788);
    SetFaults([](SimFaults* f) { f->echoHalfOnly = 1; });
    HostClick(pHandle, MAIN_BTNGet);
    EXPECT_EQ("Timeout-RS-232...", StatusLine());
    EXPECT_EQ((std::vector<int>{3, 777, 777}),
              (std::vector<int>{Value(pPara1, PARA1_DROPevalmode), parameter[48],
                                Value(pPara2, PARA2_NUMTriggThreshold)}));
    SimResetFaults();
    ChooseMemory(MAIN_RBTEeprom);
    SimClearRequests();
    HostClick(pHandle, MAIN_BTNGet);
    EXPECT_EQ((Frames{{4, 0}, {4, 1}}), CommandsAndHalves());
    EXPECT_EQ(3, parameter[21]);
}

// ------------------------------------------------------ sanitising on GET

// Catches an out-of-range word shown as it came, or replaced on the panel
// only: the replacement is in the record and goes back with the next SEND.
TEST_F(TransferTest, OutOfRangeWordIsReplacedShownKeptAndSentBack) {
    const struct {
        const char* model;
        int word;
        uint16_t sensorValue, shown;
    } kCases[] = {{"standard", 6, 9, 4}, {"standard", 3, 2000, 500}, {"standard", 48, 5000, 4096},
                  {"v303", 23, 0, 256},  {"tarvo", 43, 3, 0},        {"tarvo", 45, 65535, 1000}};
    for (const auto& c : kCases) {
        StartProgram(c.model);
        SimSetWord(0, c.word, c.sensorValue);
        HostClick(pHandle, MAIN_BTNGet);
        EXPECT_EQ(c.shown, parameter[c.word]) << c.model << " word " << c.word;
        SendAndAwait();
        EXPECT_EQ(c.shown, SimGetWord(0, c.word)) << c.model << " word " << c.word;
    }
}

// ----------------------------------------------------------------- SEND

// Catches SEND to RAM sending anything but command 1 with halves 0 and 1,
// or sending the record instead of what the panels show; tolerance displays
// and the slope not following the record after GET (V303: slope 1.0 is 1024,
// tolerances 30 up and 10 down), an entered slope scaled with the wrong
// factor (2.0 is 2048); and SEND to EEPROM using the RAM command, one frame
// only, or no pause between the halves (lower bound only: machines are noisy).
TEST_F(TransferTest, SendWritesBothHalvesOfThePanelsScaledByVariantToTheChosenMemory) {
    StartProgram("v303");
    const std::pair<int, uint16_t> words[] = {{60, 1024}, {61, 0}, {25, 30}, {26, 10}};
    for (const auto& w : words) SimSetWord(0, w.first, w.second);
    HostClick(pHandle, MAIN_BTNGet);
    EXPECT_DOUBLE_EQ(0.030, Value<double>(pHandle, MAIN_DISPtolHigh));
    EXPECT_DOUBLE_EQ(0.010, Value<double>(pHandle, MAIN_DISPtolLow));
    EXPECT_DOUBLE_EQ(1.0, Value<double>(pCalib, CALIB_NUMcalSlope));
    SetCtrlAttribute(pCalib, CALIB_NUMcalSlope, ATTR_DIMMED, 0);
    ASSERT_EQ(1, HostSetValueAsUser(pCalib, CALIB_NUMcalSlope, 2.0));
    ASSERT_EQ(1, HostSetValueAsUser(pPara2, PARA2_SLIDEpower, 777));
    SetCtrlVal(pPara2, PARA2_NUMTriggThreshold, 300);
    SimClearRequests();
    SendAndAwait();
    ASSERT_EQ((Frames{{1, 0}, {1, 1}}), CommandsAndHalves());
    EXPECT_EQ(777, RequestWord(Requests()[0], 6));            // power, first word of the V303 block
    EXPECT_EQ(300, RequestWord(Requests()[1], 6));            // trigger threshold, word 48
    EXPECT_EQ(2048, RequestWord(Requests()[1], 6 + 2 * 11));  // word 60
    EXPECT_EQ(0, RequestWord(Requests()[1], 6 + 2 * 12));     // word 61
    EXPECT_EQ(777, SimGetWord(0, 18));
    EXPECT_EQ("Line Ok!", StatusLine());
    ChooseMemory(MAIN_RBTEeprom);
    SimClearRequests();
    SendAndAwait();
    ASSERT_EQ((Frames{{3, 0}, {3, 1}}), CommandsAndHalves());
    EXPECT_GE(Requests()[1].time - Requests()[0].time, 0.09);
    EXPECT_EQ(777, SimGetWord(1, 18));
}

// Catches the standard variant reading the trigger threshold back (it only
// shows it), and a slope nobody edited changing on its way through the
// panel (its field shows 4 decimals, coarser than the record): GET then
// SEND gives back the same words.
TEST_F(TransferTest, StandardSendKeepsWordsNobodyCouldEdit) {
    StartProgram("standard");
    SimSetWord(0, 60, 16391);
    SimSetWord(0, 61, 1);
    HostClick(pHandle, MAIN_BTNGet);
    const uint16_t trigger = parameter[48];
    SetCtrlVal(pPara2, PARA2_NUMTriggThreshold, trigger + 100);
    SimClearRequests();
    SendAndAwait();
    ASSERT_EQ(2, SimRequestCount());
    EXPECT_EQ(trigger, RequestWord(Requests()[1], 6));
    Pump(0.05);
    EXPECT_EQ(16391, SimGetWord(0, 60));
    EXPECT_EQ(1, SimGetWord(0, 61));
}

// ------------------------------------------------------ memory buttons

// Memory chosen, then the RAM, EEPROM and FILE buttons.
std::vector<int> Memory(void) {
    return {target, Value(pHandle, MAIN_RBTRam), Value(pHandle, MAIN_RBTEeprom),
            Value(pHandle, MAIN_RBTFile)};
}

// Catches the three buttons not acting as one choice, or switching the
// selection off leaving no memory chosen.
TEST_F(TransferTest, MemoryButtonsChooseOneAndFallBackToRam) {
    StartProgram("edge1024", false);
    ChooseMemory(MAIN_RBTRam);
    HostClick(pHandle, MAIN_RBTEeprom);
    EXPECT_EQ((std::vector<int>{EEPROM, 0, 1, 0}), Memory());
    HostClick(pHandle, MAIN_RBTFile);
    EXPECT_EQ((std::vector<int>{DATFILE, 0, 0, 1}), Memory());
    HostClick(pHandle, MAIN_RBTFile);  // switched off
    EXPECT_EQ((std::vector<int>{RAM, 1, 0, 0}), Memory());
    HostClick(pHandle, MAIN_RBTRam);  // RAM cannot be switched off
    EXPECT_EQ((std::vector<int>{RAM, 1, 0, 0}), Memory());
}

}  // namespace
