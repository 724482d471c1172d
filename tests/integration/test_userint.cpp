// Panels and controls of the runtime layer on the real forms, offscreen:
// loading, bad arguments, value limits, rings by value, list and text-box
// calls, display text, attributes, and the events that user actions (and
// only user actions) deliver. What the program's own tests already pin
// through these calls (banner texts, pictures, colours of the displays,
// relabelled captions, every widget kind's value) is not repeated here.
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <cstring>
#include <string>
#include <vector>

#include "KovexaV308/forms.h"
#include "tests/integration/support_harness.h"

namespace {

char gArg0[] = "test_userint";
char* gArgv[] = {gArg0, nullptr};
int gArgc = 1;

struct Seen {
    int control, event, value;  // value as the callback reads it
};
std::vector<Seen> gSeen;

int Record(int panel, int control, int event, void*, int, int) {
    int value = -1;
    GetCtrlVal(panel, control, &value);
    gSeen.push_back({control, event, value});
    return 0;
}

enum { kNoSuchWidget = 900 };

// A few controls of each kind with a recording callback, and one the form
// does not have.
const CtrlBinding kTestControls[] = {
    {RES_MAIN, MAIN_BTNRun, "BTNRun", Record},
    {RES_MAIN, MAIN_TOGGBTN_Para1, "TOGGBTN_Para1", Record},
    {RES_MAIN, MAIN_RBTRam, "RBTRam", Record},
    {RES_MAIN, MAIN_NEDITEdgeLeft, "NEDITEdgeLeft", Record},
    {RES_MAIN, MAIN_DropDCom, "DropDCom", Record},
    {RES_MAIN, MAIN_HelpText1, "HelpText1", Record},
    {RES_MAIN, MAIN_DISPmm, "DISPmm", Record},
    {RES_MAIN, kNoSuchWidget, "NoSuchWidget", Record},
    {RES_PARA1, PARA1_CTRLstdOption, "CTRLstdOption", Record},
    {RES_PARA2, PARA2_SLIDEpower, "SLIDEpower", Record},
};

// The five panels in the program's order, with the program's own bindings.
// TearDown discards every panel and lets the event loop delete the widgets,
// so a test that looks widgets up by name finds its own.
class RealPanels : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1, HostInit(&gArgc, gArgv));
        Register();
        main_ = LoadPanel(0, KOVEXA_UIR, RES_MAIN);
        popup_ = LoadPanel(0, KOVEXA_UIR, RES_POPUP);
        para1_ = LoadPanel(main_, KOVEXA_UIR, RES_PARA1);
        para2_ = LoadPanel(main_, KOVEXA_UIR, RES_PARA2);
        calib_ = LoadPanel(main_, KOVEXA_UIR, RES_CALIB);
        gSeen.clear();
    }
    void TearDown() override {
        for (int h = 1; h < 1000; ++h) DiscardPanel(h);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    virtual void Register() { RegisterKovexaControls(); }
    int Panel(int resourceId) { return resourceId == RES_MAIN ? main_ : para2_; }
    std::string Text(int panel, int control) {
        char buf[512] = "";
        EXPECT_EQ(0, GetCtrlString(panel, control, buf, sizeof buf));
        return buf;
    }
    int Value(int panel, int control) {
        int v = -12345;
        GetCtrlVal(panel, control, &v);
        return v;
    }
    int PanelAttr(int panel, int attribute) {
        int v = -1;
        GetPanelAttribute(panel, attribute, &v);
        return v;
    }
    std::string Shown(int panel, int control) {
        char buf[64] = "";
        HostCtrlText(panel, control, buf, sizeof buf);
        return buf;
    }
    // Every item of a ring as "label value, ...".
    std::string Items(int panel, int control) {
        std::string out;
        char label[32];
        int value = 0;
        for (int i = 0; i < HostListCount(panel, control); ++i) {
            HostListItem(panel, control, i, label, sizeof label, &value);
            out += std::string(i ? ", " : "") + label + " " + std::to_string(value);
        }
        return out;
    }
    std::string Line(int line) {
        char buf[64] = "";
        GetTextBoxLine(calib_, CALIB_TEXTmodel, line, buf, sizeof buf);
        return buf;
    }
    int main_ = 0, popup_ = 0, para1_ = 0, para2_ = 0, calib_ = 0;
};

// The same panels with test callbacks on a few controls.
class TestPanels : public RealPanels {
protected:
    void Register() override {
        RegisterKovexaForms();
        RegisterControls(kTestControls, sizeof kTestControls / sizeof kTestControls[0], nullptr, 0);
    }
    std::vector<int> Events(int control) {
        std::vector<int> out;
        for (const Seen& s : gSeen)
            if (s.control == control) out.push_back(s.event);
        return out;
    }
};

// ------------------------------------------------------------ loading ---

// Catches handles counted from 0 or out of load order, pages that show
// with their parent before anyone displays them, and a main window that can
// be shrunk below its form and cut off.
TEST_F(RealPanels, HandlesCountFromOnePagesWaitAndMainKeepsItsSize) {
    EXPECT_EQ(std::vector<int>({1, 2, 3, 4, 5}),
              std::vector<int>({main_, popup_, para1_, para2_, calib_}));
    DisplayPanel(main_);
    EXPECT_EQ(0, PanelAttr(para2_, ATTR_VISIBLE));
    DisplayPanel(para2_);
    EXPECT_EQ(1, PanelAttr(para2_, ATTR_VISIBLE));
    HidePanel(para2_);
    EXPECT_EQ(0, PanelAttr(para2_, ATTR_VISIBLE));
    SetPanelAttribute(main_, ATTR_WIDTH, 100);
    SetPanelAttribute(main_, ATTR_HEIGHT, 100);
    EXPECT_GE(PanelAttr(main_, ATTR_WIDTH), 1000);
    EXPECT_GE(PanelAttr(main_, ATTR_HEIGHT), 690);
}

// Catches a crash or a bogus handle for a resource, parent or panel that
// does not exist, a control the binding table names but the form lacks, or
// a missing picture, unknown control style or colour accepted.
TEST_F(TestPanels, BadPanelsControlsAndArgumentsFail) {
    int v = 0;
    char buf[16];
    EXPECT_LT(DisplayImageFile(main_, MAIN_PICTlogo, "/nonexistent/qd.bmp"), 0);
    EXPECT_LT(NewCtrl(main_, 3, "x", 0, 0), 0);
    EXPECT_LT(SetCtrlAttribute(main_, MAIN_DISPmm, ATTR_TEXT_BGCOLOR, 0x1000000), 0);
    EXPECT_LT(LoadPanel(0, KOVEXA_UIR, 77), 0);
    EXPECT_LT(LoadPanel(42, KOVEXA_UIR, RES_PARA1), 0);
    EXPECT_LT(SetCtrlVal(42, MAIN_BTNRun, 1), 0);
    EXPECT_LT(SetCtrlVal(main_, 9999, 1), 0);
    EXPECT_LT(DisplayPanel(0), 0);
    EXPECT_LT(SetCtrlVal(main_, kNoSuchWidget, 1), 0);
    EXPECT_LT(GetCtrlVal(main_, kNoSuchWidget, &v), 0);
    EXPECT_LT(GetCtrlString(main_, kNoSuchWidget, buf, sizeof buf), 0);
    EXPECT_LT(SetCtrlAttribute(main_, kNoSuchWidget, ATTR_VISIBLE, 1), 0);
    EXPECT_LT(PlotStripChart(main_, kNoSuchWidget, nullptr, 0, 0, 0), 0);
    EXPECT_EQ(0, HostClick(main_, kNoSuchWidget));
}

// Catches a discarded panel whose controls still answer (use after free),
// also those of the windows that belong to the main window.
TEST_F(RealPanels, DiscardedPanelAndItsPagesNoLongerAnswer) {
    ASSERT_EQ(0, DiscardPanel(main_));
    int v = 0;
    EXPECT_LT(GetCtrlVal(main_, MAIN_NEDITEdgeLeft, &v), 0);
    EXPECT_LT(GetCtrlVal(para1_, PARA1_DROPevalmode, &v), 0);
    EXPECT_LT(DiscardPanel(main_), 0);
    Pump(0.02);  // the widgets are deleted by the event loop
    EXPECT_LT(SetCtrlVal(popup_, POPUP_DISPcount, 5), 0);
}

// ------------------------------------------------------------- values ---

// Catches a spin box that keeps a value outside its range or wraps it, a
// wider value read into a narrow type by plain truncation (wrap), and radio
// buttons that switch each other.
TEST_F(RealPanels, ValuesClampToTheWidgetRangeAndToNarrowTypes) {
    ASSERT_EQ(0, SetCtrlVal(main_, MAIN_NEDITEdgeLeft, 2000000000));
    const int high = Value(main_, MAIN_NEDITEdgeLeft);
    EXPECT_LT(high, 2000000000);
    SetCtrlVal(main_, MAIN_NEDITEdgeLeft, high + 1);
    EXPECT_EQ(high, Value(main_, MAIN_NEDITEdgeLeft));
    SetCtrlVal(main_, MAIN_NEDITEdgeLeft, -2000000000);
    const int low = Value(main_, MAIN_NEDITEdgeLeft);
    EXPECT_TRUE(low > -2000000000 && low < high) << low;

    ASSERT_EQ(0, SetCtrlVal(main_, MAIN_DISPedgeLeft, 70000));
    unsigned short u = 0;
    short s = 0;
    ASSERT_EQ(0, GetCtrlVal(main_, MAIN_DISPedgeLeft, &u));
    ASSERT_EQ(0, GetCtrlVal(main_, MAIN_DISPedgeLeft, &s));
    EXPECT_EQ(65535, u);
    EXPECT_EQ(32767, s);
    SetCtrlVal(main_, MAIN_DISPedgeLeft, -5);
    ASSERT_EQ(0, GetCtrlVal(main_, MAIN_DISPedgeLeft, &u));
    EXPECT_EQ(0, u);
    // Radio buttons are set one by one: the program switches its pairs itself.
    SetCtrlVal(main_, MAIN_RBTRam, 1);
    SetCtrlVal(main_, MAIN_RBTEeprom, 1);
    EXPECT_EQ(1, Value(main_, MAIN_RBTRam));
    SetCtrlVal(main_, MAIN_RBTRam, 0);
    EXPECT_EQ(0, Value(main_, MAIN_RBTRam));
    EXPECT_EQ(1, Value(main_, MAIN_RBTEeprom));
}

// Catches an empty ring that reports a value (and overwrites the caller's),
// an append at index == count refused or an index past it accepted, a ring
// that selects by index, and an unknown value swapped for another item's.
TEST_F(RealPanels, RingsListAndSelectByValue) {
    ClearListCtrl(main_, MAIN_DropDCom);
    int v = 12345;
    EXPECT_LT(GetCtrlVal(main_, MAIN_DropDCom, &v), 0);
    EXPECT_EQ(12345, v);
    EXPECT_EQ(0, ReplaceListItem(main_, MAIN_DropDCom, 0, "COM1", 1));
    EXPECT_EQ(0, ReplaceListItem(main_, MAIN_DropDCom, 1, "COM4", 4));
    EXPECT_LT(ReplaceListItem(main_, MAIN_DropDCom, 5, "COM9", 9), 0);
    EXPECT_EQ(0, ReplaceListItem(main_, MAIN_DropDCom, 0, "ttyS0", 10));
    EXPECT_EQ(0, InsertListItem(main_, MAIN_DropDCom, 0, "first", 20));
    ASSERT_EQ(0, SetCtrlVal(main_, MAIN_DropDCom, 4));
    EXPECT_EQ(4, Value(main_, MAIN_DropDCom));
    ASSERT_EQ(0, SetCtrlVal(main_, MAIN_DropDCom, 77));
    EXPECT_EQ(77, Value(main_, MAIN_DropDCom));
    SetCtrlVal(main_, MAIN_DropDCom, 10);
    EXPECT_EQ("first 20, ttyS0 10, COM4 4, 77 77", Items(main_, MAIN_DropDCom));
}

// Catches doubles shown without the form's digits, ints shown as doubles,
// and display text that reads back stale or never reaches the screen.
TEST_F(RealPanels, DisplaysShowTheirNumbersAndReachTheScreen) {
    auto shows = [this](int control, auto value) {  // the value's own type goes through
        SetCtrlVal(main_, control, value);
        return Text(main_, control);
    };
    EXPECT_EQ("1.235", shows(MAIN_DISPmm, 1.23456));
    EXPECT_EQ("7", shows(MAIN_DISPmm, 7));
    EXPECT_EQ("42", shows(MAIN_DISPedgeLeft, 41.6));
    EXPECT_EQ("-12", shows(MAIN_DISPanalog, -12));
    EXPECT_EQ("4000000000", shows(MAIN_DISPedgeLeft, 4000000000u));
    QLineEdit* field = qobject_cast<QLineEdit*>(WidgetNamed("DISPpixel"));
    ASSERT_NE(nullptr, field);
    for (int i = 0; i <= 500; ++i) SetCtrlVal(main_, MAIN_DISPpixel, i);
    EXPECT_EQ("500", Text(main_, MAIN_DISPpixel));
    EXPECT_EQ(500, Value(main_, MAIN_DISPpixel));
    for (const double t0 = Timer(); field->text() != "500" && Timer() - t0 < 3.0;)
        ProcessSystemEvents();
    EXPECT_EQ("500", field->text().toStdString());
}

// Catches a copy past the caller's buffer, half a UTF-8 character at the
// end, code page text (0xB5 micro sign) mangled on the way in or out, and a
// text-box line index past the end that is refused or written to line 0.
TEST_F(RealPanels, StringsAndTextBoxLinesReadBackWithinTheBuffer) {
    SetCtrlVal(main_, MAIN_TEXTstatus, "Timeout RS232-Line!");
    char buf[8];
    std::memset(buf, 'X', sizeof buf);
    ASSERT_EQ(0, GetCtrlString(main_, MAIN_TEXTstatus, buf, 6));
    EXPECT_STREQ("Timeo", buf);
    EXPECT_EQ('X', buf[6]);
    SetCtrlVal(main_, MAIN_TEXTstatus, "ab\xC3\xA4");  // "abä"
    ASSERT_EQ(0, GetCtrlString(main_, MAIN_TEXTstatus, buf, 4));
    EXPECT_STREQ("ab", buf);
    const char line[] = "0.4\xB5m resolution";
    SetCtrlVal(main_, MAIN_TEXTstatus, line);
    EXPECT_EQ(std::string(line), Text(main_, MAIN_TEXTstatus));
    ResetTextBox(calib_, CALIB_TEXTmodel, "");
    ASSERT_EQ(0, ReplaceTextBoxLine(calib_, CALIB_TEXTmodel, 3, "line three"));
    ASSERT_EQ(0, ReplaceTextBoxLine(calib_, CALIB_TEXTmodel, 0, "name"));
    EXPECT_EQ("name", Line(0));
    EXPECT_EQ("", Line(2));
    EXPECT_EQ("line three", Line(3));
    EXPECT_LT(GetTextBoxLine(calib_, CALIB_TEXTmodel, 4, buf, sizeof buf), 0);
    EXPECT_LT(ReplaceTextBoxLine(calib_, CALIB_TEXTmodel, -1, "x"), 0);
}

// --------------------------------------------------------- attributes ---

// Catches hiding or moving the wrong widget, a label left behind by either,
// a move in the wrong coordinates, or a help box shown under the page panels.
TEST_F(RealPanels, VisibilityAndPositionTakeTheLabelAndHelpLiesOnTop) {
    QWidget* label = WidgetNamed("NEDITEdgeLeft_label");
    ASSERT_NE(nullptr, label);
    const QPoint label0 = label->pos();
    int t0 = 0, l0 = 0, t = 0, l = 0, h = 0, w = 0, v = -1;
    GetCtrlBoundingRect(main_, MAIN_NEDITEdgeLeft, &t0, &l0, nullptr, nullptr);
    ASSERT_EQ(0, SetCtrlAttribute(main_, MAIN_NEDITEdgeLeft, ATTR_LEFT, l0 + 30));
    ASSERT_EQ(0, SetCtrlAttribute(main_, MAIN_NEDITEdgeLeft, ATTR_TOP, t0 - 10));
    GetCtrlBoundingRect(main_, MAIN_NEDITEdgeLeft, &t, &l, &h, &w);
    EXPECT_EQ(l0 + 30, l);
    EXPECT_EQ(t0 - 10, t);
    EXPECT_TRUE(h > 0 && w > 0);
    EXPECT_EQ(label0 + QPoint(30, -10), label->pos());
    SetCtrlAttribute(main_, MAIN_DISPanalog, ATTR_VISIBLE, 0);
    EXPECT_EQ(0, HostIsVisible(main_, MAIN_DISPanalog));
    GetCtrlAttribute(main_, MAIN_DISPanalog, ATTR_LABEL_VISIBLE, &v);
    EXPECT_EQ(0, v);
    SetCtrlAttribute(main_, MAIN_DISPanalog, ATTR_VISIBLE, 1);
    EXPECT_EQ(1, HostIsVisible(main_, MAIN_DISPanalog));
    DisplayPanel(main_);
    DisplayPanel(para1_);
    SetCtrlAttribute(main_, MAIN_HelpText1, ATTR_VISIBLE, 1);
    GetCtrlBoundingRect(main_, MAIN_HelpText1, &t, &l, nullptr, nullptr);
    QWidget* window = WidgetNamed("PANEL");
    ASSERT_NE(nullptr, window);
    QWidget* hit = window->childAt(l + 3, t + 3);
    ASSERT_NE(nullptr, hit);
    EXPECT_EQ("HelpText1", hit->objectName());
}

// Catches button text not following its label, binary-switch text that
// does not follow the state, and a colour lost on a widget the form styles
// with a style sheet.
TEST_F(RealPanels, ButtonSwitchAndStyledTextsShowWhatWasSet) {
    ASSERT_EQ(0, SetCtrlAttribute(main_, MAIN_BTNRun, ATTR_LABEL_TEXT, "GO"));
    EXPECT_EQ("GO", Shown(main_, MAIN_BTNRun));
    SetCtrlAttribute(calib_, CALIB_BINSWopmode, ATTR_ON_TEXT, "HIGH");
    SetCtrlAttribute(calib_, CALIB_BINSWopmode, ATTR_OFF_TEXT, "LOW");
    SetCtrlVal(calib_, CALIB_BINSWopmode, 1);
    EXPECT_EQ("HIGH", Shown(calib_, CALIB_BINSWopmode));
    SetCtrlVal(calib_, CALIB_BINSWopmode, 0);
    EXPECT_EQ("LOW", Shown(calib_, CALIB_BINSWopmode));
    ASSERT_EQ(0, SetCtrlAttribute(main_, MAIN_HelpText1, ATTR_TEXT_BGCOLOR, 0x0080FF));
    EXPECT_EQ(0x0080FF, HostBackgroundColor(main_, MAIN_HelpText1));
}

// ------------------------------------------------------------- events ---

enum ActionKind { kClick, kAsUser, kRightClick, kLeftClick };

struct UserAction {
    const char* name;
    ActionKind kind;
    int resourceId, control;
    double value;             // typed or chosen (kAsUser)
    std::vector<int> events;  // in order
    int seen;                 // value every callback reads; -1 when none
};

const UserAction kUserActions[] = {
    {"ButtonClick", kClick, RES_MAIN, MAIN_BTNRun, 0, {EVENT_COMMIT}, -1},
    {"ToggleClick", kClick, RES_MAIN, MAIN_TOGGBTN_Para1, 0, {EVENT_COMMIT}, 1},
    {"RadioClick", kClick, RES_MAIN, MAIN_RBTRam, 0, {EVENT_VAL_CHANGED, EVENT_COMMIT}, 1},
    {"SpinTyped", kAsUser, RES_MAIN, MAIN_NEDITEdgeLeft, 77, {EVENT_VAL_CHANGED, EVENT_COMMIT}, 77},
    {"SliderMoved", kAsUser, RES_PARA2, PARA2_SLIDEpower, 3, {EVENT_VAL_CHANGED, EVENT_COMMIT}, 3},
    {"RightClickSpin", kRightClick, RES_MAIN, MAIN_NEDITEdgeLeft, 0, {EVENT_RIGHT_CLICK}, -1},
    {"RightClickDisplay", kRightClick, RES_MAIN, MAIN_DISPmm, 0, {EVENT_RIGHT_CLICK}, -1},
    {"LeftClickHelp", kLeftClick, RES_MAIN, MAIN_HelpText1, 0, {EVENT_LEFT_CLICK}, -1},
};

// Catches a commit missing or doubled, user edits that skip VAL_CHANGED or
// deliver it after COMMIT, a callback that runs before the value changed,
// and right clicks lost, turned into left clicks, or shown as context menus.
TEST_F(TestPanels, UserActionsDeliverTheirEventsInOrderAfterTheChange) {
    for (const UserAction& a : kUserActions) {
        SCOPED_TRACE(a.name);
        const int panel = Panel(a.resourceId);
        gSeen.clear();
        if (a.seen >= 0) SetCtrlVal(panel, a.control, 0);
        const int done = a.kind == kClick        ? HostClick(panel, a.control)
                         : a.kind == kAsUser     ? HostSetValueAsUser(panel, a.control, a.value)
                         : a.kind == kRightClick ? HostRightClick(panel, a.control)
                                                 : HostLeftClick(panel, a.control);
        ASSERT_EQ(1, done);
        EXPECT_EQ(a.events, Events(a.control));
        for (const Seen& s : gSeen) EXPECT_TRUE(a.seen < 0 || a.seen == s.value) << s.value;
        EXPECT_TRUE(QApplication::activePopupWidget() == nullptr);
    }
}

// Catches program value changes echoed to callbacks (feedback loops), a
// dimmed control that still answers clicks, and a ring choice of a value no
// item has (a user cannot make it).
TEST_F(TestPanels, OnlyChoicesAUserCanMakeDeliverEvents) {
    ClearListCtrl(main_, MAIN_DropDCom);
    ReplaceListItem(main_, MAIN_DropDCom, 0, "COM1", 1);
    ReplaceListItem(main_, MAIN_DropDCom, 1, "COM2", 2);
    EXPECT_EQ(0, HostSetValueAsUser(main_, MAIN_DropDCom, 5));
    const int kSet[][3] = {{main_, MAIN_DropDCom, 2},      {main_, MAIN_NEDITEdgeLeft, 55},
                           {main_, MAIN_TOGGBTN_Para1, 1}, {main_, MAIN_RBTRam, 1},
                           {para2_, PARA2_SLIDEpower, 2},  {para1_, PARA1_CTRLstdOption, 1}};
    for (const auto& c : kSet) SetCtrlVal(c[0], c[1], c[2]);
    SetCtrlAttribute(main_, MAIN_BTNRun, ATTR_DIMMED, 1);
    EXPECT_EQ(0, HostClick(main_, MAIN_BTNRun));
    HostRightClick(main_, MAIN_BTNRun);
    Pump(0.02);
    EXPECT_TRUE(gSeen.empty());
    EXPECT_EQ(1, HostSetValueAsUser(main_, MAIN_DropDCom, 1));
    EXPECT_EQ(std::vector<int>({EVENT_VAL_CHANGED, EVENT_COMMIT}), Events(MAIN_DropDCom));
}

// Catches a quit asked before the loop starts being lost (the loop would
// hang), and a loop that QuitUserInterface from a callback cannot end.
TEST_F(TestPanels, QuitEndsTheLoopAskedBeforeOrInsideIt) {
    QuitUserInterface(3);
    EXPECT_EQ(3, RunUserInterface());
    QTimer::singleShot(10, [] { QuitUserInterface(7); });
    EXPECT_EQ(7, RunUserInterface());
}

}  // namespace
