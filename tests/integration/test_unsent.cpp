// Panel edits not yet sent: marks, the count in the status line, and the
// question before an action overwrites them.
#include <functional>
#include <string>

#include "platform/userint_internal.h"
#include "popup/paramfile.h"
#include "tests/integration/support_harness.h"

namespace {

int Marked(int panel, int control) {
    int colour = -1;
    GetCtrlAttribute(panel, control, ATTR_MARK_COLOR, &colour);
    return colour >= 0;
}

// Moves the light power one step away from what the panel shows.
int EditPower(void) {
    const int v = Value(pPara2, PARA2_SLIDEpower);
    const int edited = v > 10 ? v - 1 : v + 1;
    HostSetValueAsUser(pPara2, PARA2_SLIDEpower, edited);
    return edited;
}

int gQuits = 0;  // quits counted before the action under test

struct Overwrite {
    const char* name;
    std::function<void()> act;
    std::function<int()> happened;
};

}  // namespace

class UnsentTest : public SensorHarness {};

// Catches an overwriting action that drops unsent edits without asking, asks
// when nothing was edited, or goes ahead after "no".
TEST_F(UnsentTest, ActionsThatOverwriteEditsAskFirst) {
    const Overwrite kActions[] = {
        {"GET", [] { HostClick(pHandle, MAIN_BTNGet); }, [] { return Sent(CMD_READ_RAM); }},
        {"TEACH", [] { HostClick(pPara2, PARA2_ButtonTeach); }, [] { return Sent(CMD_TEACH); }},
        {"port change", [] { HostSetValueAsUser(pHandle, MAIN_DropDCom, 2); },
         [] { return com == 2 ? 1 : 0; }},
        {"file load", [] { ViaFile(MAIN_BTNGet, ScratchPath("unsent.par")); },
         [] { return Value(pPara2, PARA2_SLIDEpower) == static_cast<int>(parameter[18]); }},
        {"quit", [] { HostClosePanel(pHandle); }, [] { return kui::QuitCount() > gQuits ? 1 : 0; }},
    };
    const struct {
        int edit, answer;  // answer -1: none queued (headless: no)
        int goesAhead;
    } kCases[] = {{0, -1, 1}, {1, 0, 0}, {1, -1, 0}, {1, 1, 1}};
    for (const Overwrite& a : kActions) {
        for (const auto& c : kCases) {
            SCOPED_TRACE(std::string(a.name) + " edit " + std::to_string(c.edit) + " answer " +
                         std::to_string(c.answer));
            StartProgram("v303");
            PortTableSetDevice(2, "/dev/null");
            FillPortRing();
            std::snprintf(file_name, sizeof file_name, "%s", ScratchPath("unsent.par").c_str());
            ASSERT_EQ(1, SendParaToFile());
            gQuits = kui::QuitCount();
            if (c.edit) EditPower();
            ASSERT_EQ(c.edit, UnsentEdits());
            HostClearAnswers();
            if (c.answer >= 0) HostQueueConfirmAnswer(c.answer);
            SimClearRequests();
            a.act();
            Pump(0.05);
            EXPECT_EQ(c.goesAhead, a.happened());
            if (!c.goesAhead) {
                EXPECT_EQ(1, Marked(pPara2, PARA2_SLIDEpower));
                EXPECT_EQ(1, UnsentEdits());
            }
            HostClearAnswers();
            StopProgram();
        }
    }
}

// Catches marks or counts that miss an edit, stay after the value went back
// or after SEND, a file save or COMPARE found the panels equal to RAM.
TEST_F(UnsentTest, EditsAreMarkedUntilSentSavedOrFoundEqual) {
    StartProgram("v303");
    EXPECT_EQ(0, Marked(pPara2, PARA2_SLIDEpower));
    const int before = Value(pPara2, PARA2_SLIDEpower);
    EditPower();
    EXPECT_EQ(1, Marked(pPara2, PARA2_SLIDEpower));
    EXPECT_EQ("1 panel change not sent to the sensor", StatusLine());
    char label[64];
    int first = 0, second = 0;
    HostListItem(pPara1, PARA1_DROPaverage, 0, label, sizeof label, &first);
    HostListItem(pPara1, PARA1_DROPaverage, 1, label, sizeof label, &second);
    HostSetValueAsUser(pPara1, PARA1_DROPaverage,
                       Value(pPara1, PARA1_DROPaverage) == first ? second : first);
    EXPECT_EQ("2 panel changes not sent to the sensor", StatusLine());
    HostSetValueAsUser(pPara2, PARA2_SLIDEpower, before);
    EXPECT_EQ(0, Marked(pPara2, PARA2_SLIDEpower));
    EXPECT_EQ(1, UnsentEdits());

    ChooseMemory(MAIN_RBTRam);
    HostClick(pHandle, MAIN_BTNSend);
    Pump(0.1);
    EXPECT_EQ(0, UnsentEdits());
    EXPECT_EQ(0, Marked(pPara1, PARA1_DROPaverage));

    EditPower();
    ViaFile(MAIN_BTNSend, ScratchPath("unsent.par"));
    EXPECT_EQ(0, UnsentEdits());

    const int again = EditPower();
    EXPECT_EQ(1, UnsentEdits());
    SimSetWord(0, 18, static_cast<uint16_t>(again));
    ChooseMemory(MAIN_RBTRam);
    HostClick(pHandle, MAIN_BTNCompare);
    EXPECT_EQ(0, UnsentEdits());
    EXPECT_EQ(0, Marked(pPara2, PARA2_SLIDEpower));
}

// Catches a start without a sensor counting every panel value as an edit
// (quit and GET would then ask for nothing changed).
TEST_F(UnsentTest, AStartWithoutSensorHasNoEdits) {
    StartProgram("v303", false);
    SetFaults([](SimFaults* f) { f->silent = 1; });
    InitRS232(com);
    InitGUI();
    HostClearAnswers();
    EXPECT_EQ(1, ConfirmDiscardEdits());
    EXPECT_EQ(0, UnsentEdits());
}
