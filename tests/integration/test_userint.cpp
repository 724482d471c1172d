// Panels and controls of the runtime layer on the real forms, offscreen:
// loading, values per widget kind, rings by value, list and text-box
// calls, attributes, run-time text messages, pictures, and the events that
// user actions (and only user actions) deliver.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <climits>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "KovexaV308/kovexa.h"
#include "KovexaV308/panels/kovexa_panels.h"
#include "platform/cvi.h"
#include "platform/host.h"

namespace {

char gArg0[] = "test_userint";
char* gArgv[] = {gArg0, nullptr};
int gArgc = 1;

struct Seen {
    int panel, control, event;
};
std::vector<Seen> gSeen;
std::vector<int> gPanelEvents;

int Record(int panel, int control, int event, void*, int, int) {
    gSeen.push_back({panel, control, event});
    return 0;
}
int RecordPanel(int, int event, void*, int, int) {
    gPanelEvents.push_back(event);
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
    {RES_MAIN, MAIN_GRAPHRaw, "GRAPHRaw", Record},
    {RES_MAIN, MAIN_HelpText1, "HelpText1", Record},
    {RES_MAIN, MAIN_DISPmm, "DISPmm", Record},
    {RES_MAIN, kNoSuchWidget, "NoSuchWidget", Record},
    {RES_PARA1, PARA1_CTRLstdOption, "CTRLstdOption", Record},
    {RES_PARA2, PARA2_SLIDEpower, "SLIDEpower", Record},
};
const PanelBinding kTestPanels[] = {{RES_MAIN, "PANEL", RecordPanel}};

// Discards every panel and lets the event loop delete the widgets, so a
// test that looks widgets up by name finds its own (all tests may run in
// one process).
void DiscardAll() {
    for (int h = 1; h < 1000; ++h) DiscardPanel(h);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The program's own table and the five panels in the program's order.
class RealPanels : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1, HostInit(&gArgc, gArgv));
        RegisterKovexaControls();
        main_ = LoadPanel(0, KOVEXA_UIR, RES_MAIN);
        popup_ = LoadPanel(0, KOVEXA_UIR, RES_POPUP);
        para1_ = LoadPanel(main_, KOVEXA_UIR, RES_PARA1);
        para2_ = LoadPanel(main_, KOVEXA_UIR, RES_PARA2);
        calib_ = LoadPanel(main_, KOVEXA_UIR, RES_CALIB);
    }
    void TearDown() override { DiscardAll(); }
    int main_ = 0, popup_ = 0, para1_ = 0, para2_ = 0, calib_ = 0;
};

// Test callbacks on a few controls of the main panel and the pages.
class TestPanels : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1, HostInit(&gArgc, gArgv));
        RegisterControls(kTestControls, sizeof kTestControls / sizeof kTestControls[0], kTestPanels,
                         1);
        main_ = LoadPanel(0, KOVEXA_UIR, RES_MAIN);
        para1_ = LoadPanel(main_, KOVEXA_UIR, RES_PARA1);
        para2_ = LoadPanel(main_, KOVEXA_UIR, RES_PARA2);
        gSeen.clear();
        gPanelEvents.clear();
    }
    void TearDown() override { DiscardAll(); }
    std::vector<int> Events(int control) {
        std::vector<int> out;
        for (const Seen& s : gSeen)
            if (s.control == control) out.push_back(s.event);
        return out;
    }
    int main_ = 0, para1_ = 0, para2_ = 0;
};

std::string Text(int panel, int control) {
    char buf[512];
    EXPECT_EQ(0, GetCtrlString(panel, control, buf, sizeof buf));
    return buf;
}

}  // namespace

// ------------------------------------------------------------ loading ---

// Catches handles counted from 0 or in another order than loading.
TEST_F(RealPanels, HandlesCountFromOneInLoadOrder) {
    EXPECT_EQ(1, main_);
    EXPECT_EQ(2, popup_);
    EXPECT_EQ(3, para1_);
    EXPECT_EQ(4, para2_);
    EXPECT_EQ(5, calib_);
}

// Catches pages that show with their parent before anyone displays them.
TEST_F(RealPanels, ChildPagesStayHiddenUntilDisplayed) {
    DisplayPanel(main_);
    int visible = -1;
    ASSERT_EQ(0, GetPanelAttribute(para2_, ATTR_VISIBLE, &visible));
    EXPECT_EQ(0, visible);
    DisplayPanel(para2_);
    ASSERT_EQ(0, GetPanelAttribute(para2_, ATTR_VISIBLE, &visible));
    EXPECT_EQ(1, visible);
    HidePanel(para2_);
    ASSERT_EQ(0, GetPanelAttribute(para2_, ATTR_VISIBLE, &visible));
    EXPECT_EQ(0, visible);
}

// Catches a page placed in window coordinates instead of its parent's.
TEST_F(RealPanels, PagePlacementRoundTripsInParentCoordinates) {
    ASSERT_EQ(0, SetPanelAttribute(para1_, ATTR_LEFT, 8));
    ASSERT_EQ(0, SetPanelAttribute(para1_, ATTR_TOP, 105));
    int left = 0, top = 0;
    GetPanelAttribute(para1_, ATTR_LEFT, &left);
    GetPanelAttribute(para1_, ATTR_TOP, &top);
    EXPECT_EQ(8, left);
    EXPECT_EQ(105, top);
}

// Catches a main window that can be shrunk below its form and cut off.
TEST_F(RealPanels, MainWindowIsAtLeastItsFormSize) {
    DisplayPanel(main_);
    SetPanelAttribute(main_, ATTR_WIDTH, 100);
    SetPanelAttribute(main_, ATTR_HEIGHT, 100);
    int w = 0, h = 0;
    GetPanelAttribute(main_, ATTR_WIDTH, &w);
    GetPanelAttribute(main_, ATTR_HEIGHT, &h);
    EXPECT_GE(w, 1000);
    EXPECT_GE(h, 720);
}

// Catches a crash or a bogus handle for a resource or parent that does not exist.
TEST_F(RealPanels, BadResourceOrParentFailsNegative) {
    EXPECT_LT(LoadPanel(0, KOVEXA_UIR, 77), 0);
    EXPECT_LT(LoadPanel(42, KOVEXA_UIR, RES_PARA1), 0);
    EXPECT_LT(SetCtrlVal(42, MAIN_BTNRun, 1), 0);
    EXPECT_LT(SetCtrlVal(main_, 9999, 1), 0);
    EXPECT_LT(DisplayPanel(0), 0);
}

// Catches a discarded panel whose controls still answer (use after free).
TEST_F(RealPanels, DiscardedPanelAndItsPagesNoLongerAnswer) {
    ASSERT_EQ(0, DiscardPanel(main_));
    int v = 0;
    EXPECT_LT(GetCtrlVal(main_, MAIN_NEDITEdgeLeft, &v), 0);
    EXPECT_LT(GetCtrlVal(para1_, PARA1_DROPevalmode, &v), 0);
    EXPECT_LT(DiscardPanel(main_), 0);
    Pump(20);  // the widgets are deleted by the event loop
    EXPECT_EQ(0, SetCtrlVal(popup_, POPUP_DISPcount, 5));
}

// Catches a crash when the binding table names a control the form lacks.
TEST_F(TestPanels, ControlMissingFromTheFormFailsEveryCall) {
    EXPECT_GT(main_, 0);
    int v = 0;
    char buf[16];
    EXPECT_LT(SetCtrlVal(main_, kNoSuchWidget, 1), 0);
    EXPECT_LT(GetCtrlVal(main_, kNoSuchWidget, &v), 0);
    EXPECT_LT(GetCtrlString(main_, kNoSuchWidget, buf, sizeof buf), 0);
    EXPECT_LT(SetCtrlAttribute(main_, kNoSuchWidget, ATTR_VISIBLE, 1), 0);
    EXPECT_LT(PlotStripChart(main_, kNoSuchWidget, nullptr, 0, 0, 0), 0);
    EXPECT_EQ(0, HostClick(main_, kNoSuchWidget));
}

// ------------------------------------------------------------- values ---

struct RoundTrip {
    const char* name;
    int resourceId;
    int control;
    double value;
};

// Test names in listings say which case, not the bytes of the parameter.
void PrintTo(const RoundTrip& c, std::ostream* os) {
    *os << c.name;
}

class ValueRoundTrip : public RealPanels, public ::testing::WithParamInterface<RoundTrip> {};

// Catches a widget kind whose value is stored in one place and read from another.
TEST_P(ValueRoundTrip, SetThenGetGivesTheValueBack) {
    const RoundTrip& r = GetParam();
    const int panel = r.resourceId == RES_MAIN    ? main_
                      : r.resourceId == RES_PARA1 ? para1_
                      : r.resourceId == RES_PARA2 ? para2_
                      : r.resourceId == RES_CALIB ? calib_
                                                  : popup_;
    ASSERT_EQ(0, SetCtrlVal(panel, r.control, r.value));
    double got = -1;
    ASSERT_EQ(0, GetCtrlVal(panel, r.control, &got));
    EXPECT_DOUBLE_EQ(r.value, got);
    int asInt = -1;
    ASSERT_EQ(0, GetCtrlVal(panel, r.control, &asInt));
    EXPECT_EQ(static_cast<int>(r.value + 0.5), asInt);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, ValueRoundTrip,
    ::testing::Values(RoundTrip{"spin", RES_MAIN, MAIN_NEDITEdgeLeft, 123},
                      RoundTrip{"toggle", RES_MAIN, MAIN_TOGGBTN_Para2, 1},
                      RoundTrip{"radio", RES_MAIN, MAIN_RBTEeprom, 1},
                      RoundTrip{"display", RES_MAIN, MAIN_DISPedgeLeft, 42},
                      RoundTrip{"ring", RES_PARA1, PARA1_DROPevalmode, 1},
                      RoundTrip{"checkbox", RES_PARA1, PARA1_CTRLstdOption, 1},
                      RoundTrip{"slider", RES_PARA2, PARA2_SLIDEpower, 7},
                      RoundTrip{"doublespin", RES_CALIB, CALIB_NUMcalSlope, 1.25},
                      RoundTrip{"binaryswitch", RES_CALIB, CALIB_BINSWopmode, 1},
                      RoundTrip{"recorderdisplay", RES_POPUP, POPUP_DISPcount, 99}),
    [](const ::testing::TestParamInfo<RoundTrip>& i) { return std::string(i.param.name); });

// Catches a spin box that keeps a value outside its range or wraps it.
TEST_F(RealPanels, NumbersClampToTheWidgetRange) {
    ASSERT_EQ(0, SetCtrlVal(main_, MAIN_NEDITEdgeLeft, 2000000000));
    int high = 0;
    GetCtrlVal(main_, MAIN_NEDITEdgeLeft, &high);
    EXPECT_LT(high, 2000000000);
    SetCtrlVal(main_, MAIN_NEDITEdgeLeft, high + 1);
    int again = 0;
    GetCtrlVal(main_, MAIN_NEDITEdgeLeft, &again);
    EXPECT_EQ(high, again);
    SetCtrlVal(main_, MAIN_NEDITEdgeLeft, -2000000000);
    int low = 0;
    GetCtrlVal(main_, MAIN_NEDITEdgeLeft, &low);
    EXPECT_GT(low, -2000000000);
    EXPECT_LT(low, high);
}

// Catches reading a wider value into a narrow type by plain truncation (wrap).
TEST_F(RealPanels, NarrowReadsClampInsteadOfWrapping) {
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
}

// Catches radio buttons that switch each other (the program does that itself).
TEST_F(RealPanels, RadioButtonsAreSetOneByOne) {
    SetCtrlVal(main_, MAIN_RBTRam, 1);
    SetCtrlVal(main_, MAIN_RBTEeprom, 1);
    int ram = 0, eeprom = 0;
    GetCtrlVal(main_, MAIN_RBTRam, &ram);
    GetCtrlVal(main_, MAIN_RBTEeprom, &eeprom);
    EXPECT_EQ(1, ram);
    EXPECT_EQ(1, eeprom);
    SetCtrlVal(main_, MAIN_RBTRam, 0);
    GetCtrlVal(main_, MAIN_RBTRam, &ram);
    EXPECT_EQ(0, ram);
}

// Catches a ring that selects by index, or swaps an unknown value for another item's.
TEST_F(RealPanels, RingSelectsByValueAndAddsAnUnknownOne) {
    ClearListCtrl(para1_, PARA1_DROPaverage);
    ReplaceListItem(para1_, PARA1_DROPaverage, 0, "ONE", 1);
    ReplaceListItem(para1_, PARA1_DROPaverage, 1, "FOUR", 4);
    ASSERT_EQ(0, SetCtrlVal(para1_, PARA1_DROPaverage, 4));
    int v = 0;
    GetCtrlVal(para1_, PARA1_DROPaverage, &v);
    EXPECT_EQ(4, v);
    EXPECT_EQ(2, HostListCount(para1_, PARA1_DROPaverage));
    ASSERT_EQ(0, SetCtrlVal(para1_, PARA1_DROPaverage, 77));
    GetCtrlVal(para1_, PARA1_DROPaverage, &v);
    EXPECT_EQ(77, v);
    ASSERT_EQ(3, HostListCount(para1_, PARA1_DROPaverage));
    char label[32];
    int value = 0;
    ASSERT_EQ(1, HostListItem(para1_, PARA1_DROPaverage, 2, label, sizeof label, &value));
    EXPECT_STREQ("77", label);
    EXPECT_EQ(77, value);
    SetCtrlVal(para1_, PARA1_DROPaverage, 1);
    EXPECT_EQ(3, HostListCount(para1_, PARA1_DROPaverage));
}

// Catches an append at index == count refused, or an index past it accepted.
TEST_F(RealPanels, ReplaceListItemReplacesOrAppendsAtCount) {
    ClearListCtrl(main_, MAIN_DropDCom);
    EXPECT_EQ(0, ReplaceListItem(main_, MAIN_DropDCom, 0, "COM1", 1));
    EXPECT_EQ(0, ReplaceListItem(main_, MAIN_DropDCom, 1, "COM2", 2));
    EXPECT_LT(ReplaceListItem(main_, MAIN_DropDCom, 5, "COM9", 9), 0);
    EXPECT_EQ(0, ReplaceListItem(main_, MAIN_DropDCom, 0, "ttyS0", 10));
    EXPECT_EQ(0, InsertListItem(main_, MAIN_DropDCom, 0, "first", 20));
    ASSERT_EQ(3, HostListCount(main_, MAIN_DropDCom));
    char label[32];
    int value = 0;
    HostListItem(main_, MAIN_DropDCom, 0, label, sizeof label, &value);
    EXPECT_STREQ("first", label);
    EXPECT_EQ(20, value);
    HostListItem(main_, MAIN_DropDCom, 1, label, sizeof label, &value);
    EXPECT_STREQ("ttyS0", label);
    EXPECT_EQ(10, value);
}

// Catches an empty ring that reports a value (and overwrites the caller's).
TEST_F(RealPanels, EmptyRingHasNoValue) {
    ClearListCtrl(main_, MAIN_DropDCom);
    int v = 12345;
    EXPECT_LT(GetCtrlVal(main_, MAIN_DropDCom, &v), 0);
    EXPECT_EQ(12345, v);
}

// Catches doubles shown without the form's digits, or ints shown as doubles.
TEST_F(RealPanels, DisplaysShowIntegersAsIntegersAndDoublesWithTheirDigits) {
    SetCtrlVal(main_, MAIN_DISPmm, 1.23456);
    EXPECT_EQ("1.235", Text(main_, MAIN_DISPmm));
    SetCtrlVal(main_, MAIN_DISPmm, 7);
    EXPECT_EQ("7", Text(main_, MAIN_DISPmm));
    SetCtrlVal(main_, MAIN_DISPedgeLeft, 41.6);
    EXPECT_EQ("42", Text(main_, MAIN_DISPedgeLeft));
    SetCtrlVal(main_, MAIN_DISPanalog, -12);
    EXPECT_EQ("-12", Text(main_, MAIN_DISPanalog));
    SetCtrlVal(main_, MAIN_DISPedgeLeft, 4000000000u);
    EXPECT_EQ("4000000000", Text(main_, MAIN_DISPedgeLeft));
}

// Catches display text that reads back stale, or never reaches the screen.
TEST_F(RealPanels, DisplayTextReadsBackAtOnceAndIsShownAfterTheRefresh) {
    QLineEdit* field = nullptr;
    for (QWidget* each : QApplication::allWidgets())
        if (each->objectName() == "DISPpixel") field = qobject_cast<QLineEdit*>(each);
    ASSERT_NE(nullptr, field);
    for (int i = 0; i <= 500; ++i) SetCtrlVal(main_, MAIN_DISPpixel, i);
    EXPECT_EQ("500", Text(main_, MAIN_DISPpixel));
    int v = 0;
    GetCtrlVal(main_, MAIN_DISPpixel, &v);
    EXPECT_EQ(500, v);
    QElapsedTimer t;
    t.start();
    while (field->text() != "500" && t.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ("500", field->text().toStdString());
}

// Catches a copy past the caller's buffer or half a UTF-8 character at the end.
TEST_F(RealPanels, StringsNeverOverrunTheBuffer) {
    SetCtrlVal(main_, MAIN_TEXTstatus, "Timeout RS232-Line!");
    char buf[8];
    std::memset(buf, 'X', sizeof buf);
    ASSERT_EQ(0, GetCtrlString(main_, MAIN_TEXTstatus, buf, 6));
    EXPECT_STREQ("Timeo", buf);
    EXPECT_EQ('X', buf[6]);
    SetCtrlVal(main_, MAIN_TEXTstatus, "ab\xC3\xA4");  // "abä"
    ASSERT_EQ(0, GetCtrlString(main_, MAIN_TEXTstatus, buf, 4));
    EXPECT_STREQ("ab", buf);
}

// Catches code page text (0xB5 micro sign) mangled on the way in or out.
TEST_F(RealPanels, CodePageTextReadsBackByteForByte) {
    const char line[] = "0.4\xB5m resolution";
    ASSERT_EQ(0, ReplaceTextBoxLine(calib_, CALIB_TEXTmodel, 1, line));
    char buf[64];
    ASSERT_EQ(0, GetTextBoxLine(calib_, CALIB_TEXTmodel, 1, buf, sizeof buf));
    EXPECT_STREQ(line, buf);
    SetCtrlVal(main_, MAIN_TEXTstatus, line);
    EXPECT_EQ(std::string(line), Text(main_, MAIN_TEXTstatus));
}

// Catches a line index past the end that is refused or written to line 0.
TEST_F(RealPanels, TextBoxLinesPastTheEndAreAppended) {
    ResetTextBox(calib_, CALIB_TEXTmodel, "");
    ASSERT_EQ(0, ReplaceTextBoxLine(calib_, CALIB_TEXTmodel, 3, "line three"));
    ASSERT_EQ(0, ReplaceTextBoxLine(calib_, CALIB_TEXTmodel, 0, "name"));
    char buf[64];
    GetTextBoxLine(calib_, CALIB_TEXTmodel, 0, buf, sizeof buf);
    EXPECT_STREQ("name", buf);
    GetTextBoxLine(calib_, CALIB_TEXTmodel, 2, buf, sizeof buf);
    EXPECT_STREQ("", buf);
    GetTextBoxLine(calib_, CALIB_TEXTmodel, 3, buf, sizeof buf);
    EXPECT_STREQ("line three", buf);
    EXPECT_LT(GetTextBoxLine(calib_, CALIB_TEXTmodel, 4, buf, sizeof buf), 0);
    EXPECT_LT(ReplaceTextBoxLine(calib_, CALIB_TEXTmodel, -1, "x"), 0);
}

// --------------------------------------------------------- attributes ---

// Catches dimming or hiding the wrong widget, or a label left behind.
TEST_F(RealPanels, DimmedAndVisibleFollowTheControlAndItsLabel) {
    SetCtrlAttribute(main_, MAIN_NEDITEdgeLeft, ATTR_DIMMED, 1);
    EXPECT_EQ(1, HostIsDimmed(main_, MAIN_NEDITEdgeLeft));
    int v = 0;
    GetCtrlAttribute(main_, MAIN_NEDITEdgeLeft, ATTR_DIMMED, &v);
    EXPECT_EQ(1, v);
    SetCtrlAttribute(main_, MAIN_NEDITEdgeLeft, ATTR_DIMMED, 0);
    EXPECT_EQ(0, HostIsDimmed(main_, MAIN_NEDITEdgeLeft));

    SetCtrlAttribute(main_, MAIN_DISPanalog, ATTR_VISIBLE, 0);
    EXPECT_EQ(0, HostIsVisible(main_, MAIN_DISPanalog));
    GetCtrlAttribute(main_, MAIN_DISPanalog, ATTR_LABEL_VISIBLE, &v);
    EXPECT_EQ(0, v);
    SetCtrlAttribute(main_, MAIN_DISPanalog, ATTR_VISIBLE, 1);
    EXPECT_EQ(1, HostIsVisible(main_, MAIN_DISPanalog));
}

// Catches a help box shown underneath the page panels.
TEST_F(RealPanels, ControlMadeVisibleLiesOnTopOfPages) {
    DisplayPanel(main_);
    DisplayPanel(para1_);
    SetCtrlAttribute(main_, MAIN_HelpText1, ATTR_VISIBLE, 1);
    int t = 0, l = 0, h = 0, w = 0;
    GetCtrlBoundingRect(main_, MAIN_HelpText1, &t, &l, &h, &w);
    QWidget* window = nullptr;
    for (QWidget* each : QApplication::topLevelWidgets())
        if (each->objectName() == "PANEL") window = each;
    ASSERT_NE(nullptr, window);
    QWidget* hit = window->childAt(l + 3, t + 3);
    ASSERT_NE(nullptr, hit);
    EXPECT_EQ("HelpText1", hit->objectName());
}

// Catches the label text going to the widget when the form has a label.
TEST_F(RealPanels, LabelTextGoesToTheLabelOrTheButtonText) {
    ASSERT_EQ(0, SetCtrlAttribute(main_, MAIN_NEDITEdgeLeft, ATTR_LABEL_TEXT, "E-BEG"));
    char buf[32];
    ASSERT_EQ(1, HostLabel(main_, MAIN_NEDITEdgeLeft, buf, sizeof buf));
    EXPECT_STREQ("E-BEG", buf);
    ASSERT_EQ(0, SetCtrlAttribute(main_, MAIN_BTNRun, ATTR_LABEL_TEXT, "GO"));
    HostLabel(main_, MAIN_BTNRun, buf, sizeof buf);
    EXPECT_STREQ("GO", buf);
    HostCtrlText(main_, MAIN_BTNRun, buf, sizeof buf);
    EXPECT_STREQ("GO", buf);
}

// Catches colours lost on a widget the form styles with a style sheet.
TEST_F(RealPanels, BackgroundColourReadsBackAlsoOnStyledWidgets) {
    ASSERT_EQ(0, SetCtrlAttribute(main_, MAIN_DISPmm, ATTR_TEXT_BGCOLOR, VAL_RED));
    EXPECT_EQ(VAL_RED, HostBackgroundColor(main_, MAIN_DISPmm));
    SetCtrlAttribute(main_, MAIN_DISPmm, ATTR_TEXT_BGCOLOR, VAL_DK_GREEN);
    EXPECT_EQ(VAL_DK_GREEN, HostBackgroundColor(main_, MAIN_DISPmm));
    ASSERT_EQ(0, SetCtrlAttribute(main_, MAIN_HelpText1, ATTR_TEXT_BGCOLOR, 0x0080FF));
    EXPECT_EQ(0x0080FF, HostBackgroundColor(main_, MAIN_HelpText1));
    ASSERT_EQ(0, SetCtrlAttribute(main_, MAIN_DECOlogo, ATTR_FRAME_COLOR, 0x0080FF));
    EXPECT_EQ(0x0080FF, HostBackgroundColor(main_, MAIN_DECOlogo));
    EXPECT_LT(SetCtrlAttribute(main_, MAIN_DISPmm, ATTR_TEXT_BGCOLOR, 0x1000000), 0);
}

// Catches moving in the wrong coordinates or leaving the label behind.
TEST_F(RealPanels, MovingAControlUsesPanelCoordinatesAndTakesItsLabel) {
    QWidget* label = nullptr;
    for (QWidget* each : QApplication::allWidgets())
        if (each->objectName() == "NEDITEdgeLeft_label") label = each;
    ASSERT_NE(nullptr, label);
    const QPoint label0 = label->pos();
    int t0 = 0, l0 = 0;
    GetCtrlBoundingRect(main_, MAIN_NEDITEdgeLeft, &t0, &l0, nullptr, nullptr);
    ASSERT_EQ(0, SetCtrlAttribute(main_, MAIN_NEDITEdgeLeft, ATTR_LEFT, l0 + 30));
    ASSERT_EQ(0, SetCtrlAttribute(main_, MAIN_NEDITEdgeLeft, ATTR_TOP, t0 - 10));
    int t = 0, l = 0, h = 0, w = 0;
    GetCtrlBoundingRect(main_, MAIN_NEDITEdgeLeft, &t, &l, &h, &w);
    EXPECT_EQ(l0 + 30, l);
    EXPECT_EQ(t0 - 10, t);
    EXPECT_GT(h, 0);
    EXPECT_GT(w, 0);
    EXPECT_EQ(label0 + QPoint(30, -10), label->pos());
}

// Catches binary-switch text that does not follow the state.
TEST_F(RealPanels, BinarySwitchShowsItsOnAndOffText) {
    SetCtrlAttribute(calib_, CALIB_BINSWopmode, ATTR_ON_TEXT, "HIGH");
    SetCtrlAttribute(calib_, CALIB_BINSWopmode, ATTR_OFF_TEXT, "LOW");
    char buf[16];
    SetCtrlVal(calib_, CALIB_BINSWopmode, 1);
    HostCtrlText(calib_, CALIB_BINSWopmode, buf, sizeof buf);
    EXPECT_STREQ("HIGH", buf);
    SetCtrlVal(calib_, CALIB_BINSWopmode, 0);
    HostCtrlText(calib_, CALIB_BINSWopmode, buf, sizeof buf);
    EXPECT_STREQ("LOW", buf);
}

// Catches (left, top) swapped, ids reused, or text not shown.
TEST_F(RealPanels, NewTextMessagesGetFreshIdsAtTopLeft) {
    const int a = NewCtrl(main_, CTRL_TEXT_MSG, "", 25, 15);
    const int b = NewCtrl(main_, CTRL_TEXT_MSG, "Kovexa", 35, 300);
    EXPECT_GE(a, 1000);
    EXPECT_GT(b, a);
    int t = 0, l = 0;
    GetCtrlBoundingRect(main_, b, &t, &l, nullptr, nullptr);
    EXPECT_EQ(35, t);
    EXPECT_EQ(300, l);
    ASSERT_EQ(0, SetCtrlVal(main_, a, "Quenndal"));
    EXPECT_EQ("Quenndal", Text(main_, a));
    EXPECT_EQ(0, SetCtrlAttribute(main_, a, ATTR_TEXT_FONT, "NIApp"));
    EXPECT_EQ(0, SetCtrlAttribute(main_, a, ATTR_TEXT_POINT_SIZE, 18));
    int size = 0;
    GetCtrlAttribute(main_, a, ATTR_TEXT_POINT_SIZE, &size);
    EXPECT_EQ(18, size);
    EXPECT_LT(NewCtrl(main_, 3, "x", 0, 0), 0);
}

// Catches a missing picture file that crashes or leaves an old picture.
TEST_F(RealPanels, PictureFromFileOrEmptyWhenMissing) {
    QTemporaryDir dir;
    const QString file = dir.filePath("logo.bmp");
    QImage img(20, 10, QImage::Format_RGB32);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(file, "BMP"));
    EXPECT_EQ(0, DisplayImageFile(main_, MAIN_PICTlogo, file.toUtf8().constData()));
    EXPECT_LT(DisplayImageFile(main_, MAIN_PICTlogo, "/nonexistent/qd.bmp"), 0);
    EXPECT_LT(DisplayImageFile(main_, MAIN_BTNRun, file.toUtf8().constData()), 0);
}

// ------------------------------------------------------------- events ---

// Catches a commit missing, doubled, or preceded by a spurious value change.
TEST_F(TestPanels, ClickOnAButtonDeliversOneCommit) {
    ASSERT_EQ(1, HostClick(main_, MAIN_BTNRun));
    EXPECT_EQ(std::vector<int>({EVENT_COMMIT}), Events(MAIN_BTNRun));
    ASSERT_EQ(1, HostClick(main_, MAIN_TOGGBTN_Para1));
    EXPECT_EQ(std::vector<int>({EVENT_COMMIT}), Events(MAIN_TOGGBTN_Para1));
}

// Catches a toggle whose callback runs before its value changed.
TEST_F(TestPanels, ToggleCommitSeesTheNewValue) {
    SetCtrlVal(main_, MAIN_TOGGBTN_Para1, 0);
    static int seenValue = -1;
    static const CtrlBinding kToggle[] = {{RES_MAIN, MAIN_TOGGBTN_Para1, "TOGGBTN_Para1",
                                           [](int panel, int control, int event, void*, int, int) {
                                               if (event == EVENT_COMMIT)
                                                   GetCtrlVal(panel, control, &seenValue);
                                               return 0;
                                           }}};
    RegisterControls(kToggle, 1, nullptr, 0);
    const int other = LoadPanel(0, KOVEXA_UIR, RES_MAIN);
    SetCtrlVal(other, MAIN_TOGGBTN_Para1, 0);
    HostClick(other, MAIN_TOGGBTN_Para1);
    EXPECT_EQ(1, seenValue);
}

// Catches user edits that skip VAL_CHANGED or deliver it after COMMIT.
TEST_F(TestPanels, ValueSetAsUserDeliversValueChangedThenCommit) {
    ASSERT_EQ(1, HostSetValueAsUser(main_, MAIN_NEDITEdgeLeft, 77));
    EXPECT_EQ(std::vector<int>({EVENT_VAL_CHANGED, EVENT_COMMIT}), Events(MAIN_NEDITEdgeLeft));
    int v = 0;
    GetCtrlVal(main_, MAIN_NEDITEdgeLeft, &v);
    EXPECT_EQ(77, v);
    gSeen.clear();
    ASSERT_EQ(1, HostSetValueAsUser(para2_, PARA2_SLIDEpower, 3));
    EXPECT_EQ(std::vector<int>({EVENT_VAL_CHANGED, EVENT_COMMIT}), Events(PARA2_SLIDEpower));
    gSeen.clear();
    ASSERT_EQ(1, HostClick(main_, MAIN_RBTRam));
    EXPECT_EQ(std::vector<int>({EVENT_VAL_CHANGED, EVENT_COMMIT}), Events(MAIN_RBTRam));
}

// Catches a ring choice of a value no item has (a user cannot make it).
TEST_F(TestPanels, RingSetAsUserOnlyChoosesExistingItems) {
    ClearListCtrl(main_, MAIN_DropDCom);
    ReplaceListItem(main_, MAIN_DropDCom, 0, "COM1", 1);
    ReplaceListItem(main_, MAIN_DropDCom, 1, "COM2", 2);
    EXPECT_EQ(0, HostSetValueAsUser(main_, MAIN_DropDCom, 5));
    EXPECT_TRUE(Events(MAIN_DropDCom).empty());
    EXPECT_EQ(1, HostSetValueAsUser(main_, MAIN_DropDCom, 2));
    EXPECT_EQ(std::vector<int>({EVENT_VAL_CHANGED, EVENT_COMMIT}), Events(MAIN_DropDCom));
}

// Catches program value changes echoed to callbacks (feedback loops).
TEST_F(TestPanels, SetCtrlValDeliversNothing) {
    SetCtrlVal(main_, MAIN_NEDITEdgeLeft, 55);
    SetCtrlVal(main_, MAIN_TOGGBTN_Para1, 1);
    SetCtrlVal(main_, MAIN_RBTRam, 1);
    SetCtrlVal(para2_, PARA2_SLIDEpower, 2);
    SetCtrlVal(para1_, PARA1_CTRLstdOption, 1);
    SetCtrlVal(main_, MAIN_DropDCom, 3);
    Pump(20);
    EXPECT_TRUE(gSeen.empty());
}

// Catches right clicks lost, turned into left clicks, or shown as context menus.
TEST_F(TestPanels, MouseClicksDeliverTheirButtonEvent) {
    ASSERT_EQ(1, HostRightClick(main_, MAIN_NEDITEdgeLeft));
    ASSERT_EQ(1, HostLeftClick(main_, MAIN_HelpText1));
    ASSERT_EQ(1, HostRightClick(main_, MAIN_DISPmm));
    EXPECT_EQ(std::vector<int>({EVENT_RIGHT_CLICK}), Events(MAIN_NEDITEdgeLeft));
    EXPECT_EQ(std::vector<int>({EVENT_LEFT_CLICK}), Events(MAIN_HelpText1));
    EXPECT_EQ(std::vector<int>({EVENT_RIGHT_CLICK}), Events(MAIN_DISPmm));
    EXPECT_TRUE(QApplication::activePopupWidget() == nullptr);
}

// Catches key presses that never reach the callback.
TEST_F(TestPanels, KeyPressDeliversKeypress) {
    QWidget* field = nullptr;
    for (QWidget* each : QApplication::allWidgets())
        if (each->objectName() == "NEDITEdgeLeft") field = each;
    ASSERT_NE(nullptr, field);
    DisplayPanel(main_);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, "5");
    QCoreApplication::sendEvent(field, &key);
    const std::vector<int> ev = Events(MAIN_NEDITEdgeLeft);
    ASSERT_FALSE(ev.empty());
    EXPECT_EQ(EVENT_KEYPRESS, ev.front());
}

// Catches a dimmed control that still answers clicks.
TEST_F(TestPanels, DimmedControlDeliversNothing) {
    SetCtrlAttribute(main_, MAIN_BTNRun, ATTR_DIMMED, 1);
    EXPECT_EQ(0, HostClick(main_, MAIN_BTNRun));
    HostRightClick(main_, MAIN_BTNRun);
    EXPECT_TRUE(Events(MAIN_BTNRun).empty());
}

// Catches the window closing by itself instead of asking the program.
TEST_F(TestPanels, CloseBoxIsRefusedAndReportedAsClose) {
    DisplayPanel(main_);
    ASSERT_EQ(1, HostClosePanel(main_));
    EXPECT_EQ(std::vector<int>({EVENT_CLOSE}), gPanelEvents);
    int visible = 0;
    GetPanelAttribute(main_, ATTR_VISIBLE, &visible);
    EXPECT_EQ(1, visible);
}

// -------------------------------------------------------- event loop ---

// Catches a quit asked before the loop starts being lost (the loop would hang).
TEST_F(TestPanels, QuitBeforeTheLoopEndsItAtOnce) {
    QuitUserInterface(3);
    EXPECT_EQ(3, RunUserInterface());
}

// Catches a loop that QuitUserInterface from a callback cannot end.
TEST_F(TestPanels, QuitFromInsideTheLoopEndsIt) {
    QTimer::singleShot(10, [] { QuitUserInterface(7); });
    EXPECT_EQ(7, RunUserInterface());
}
