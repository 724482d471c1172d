// What the technician sees, offscreen against the simulated sensor: the
// layout of every panel in every state (nothing visible overlaps or sticks
// out of its panel or window), graphs untouched by writing files, and the
// places of the recorder window and of popups.
#include <QApplication>
#include <QImage>
#include <QRect>
#include <QTemporaryDir>
#include <QWidget>
#include <string>
#include <vector>

#include "tests/integration/support_during.h"
#include "tests/integration/support_harness.h"

namespace {

// Backgrounds that other controls sit on by design, the texts written on
// the banner at start-up, and the help boxes, which show on top of
// everything while asked for.
bool Underlay(const QWidget* w) {
    static const char* const kNames[] = {"DECOlogo", "PageFrame", "CompareFrame", "HelpText1",
                                         "HelpText2"};
    for (const char* n : kNames)
        if (w->objectName() == QLatin1String(n)) return true;
    return w->objectName().startsWith(QLatin1String("TextMsg"));
}

// Checks one panel widget: its visible children lie inside it and none
// covers another. A child panel counts as one control of its parent.
void AuditPanel(QWidget* panel, const std::string& state) {
    std::vector<QWidget*> shown;
    for (QObject* o : panel->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow() || !w->isVisible() || Underlay(w) || w->objectName().isEmpty())
            continue;
        shown.push_back(w);
        EXPECT_TRUE(panel->rect().contains(w->geometry()))
            << state << ": " << w->objectName().toStdString() << " outside "
            << panel->objectName().toStdString();
    }
    for (size_t i = 0; i < shown.size(); ++i)
        for (size_t j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
                << state << ": " << shown[i]->objectName().toStdString() << " overlaps "
                << shown[j]->objectName().toStdString();
}

void Audit(const std::string& state) {
    for (const char* name : {"PANEL", "PARA1", "PARA2", "CALIB", "COMPARE", "POPUP"}) {
        QWidget* panel = WidgetNamed(name);
        ASSERT_NE(nullptr, panel) << name;
        if (panel->isVisible()) AuditPanel(panel, state);
    }
}

const int kPages[] = {MAIN_TOGGBTN_Para1, MAIN_TOGGBTN_Para2, MAIN_TOGGBTN_Calib};

void ShowPage(int page) {
    SetCtrlVal(pHandle, page, 0);
    HostClick(pHandle, page);
}

// Every analog-out mode the panel offers the model, on every page.
void AuditPagesAndAnalogModes(const std::string& model) {
    const int modes = HostListCount(pPara1, PARA1_DROPanaMode);
    for (int page : kPages) {
        ShowPage(page);
        Audit(model + " page " + std::to_string(page));
    }
    ShowPage(MAIN_TOGGBTN_Para1);
    for (int i = 0; i < modes; ++i) {
        int value = 0;
        HostListItem(pPara1, PARA1_DROPanaMode, i, nullptr, 0, &value);
        HostSetValueAsUser(pPara1, PARA1_DROPanaMode, value);
        Audit(model + " analog mode " + std::to_string(value));
    }
}

// A loop or block read is audited while it runs, then stopped.
void AuditDuring(int button, const std::string& state) {
    ClickDuring(pHandle, button, [&](int n) {
        if (n < 3) return false;
        Audit(state);
        HostClick(pHandle, MAIN_BTNStop);
        return true;
    });
}

std::string Start(const char* model) {
    const std::string device = StartProgram(model);
    DisplayPanel(pHandle);
    ShowPage(MAIN_TOGGBTN_Para1);
    return device;
}

const char* const kGraphNames[] = {"GRAPHRaw", "GRAPHVideo", "GRAPHData", "GRAPHBar"};
const int kGraphIds[] = {MAIN_GRAPHRaw, MAIN_GRAPHVideo, MAIN_GRAPHData, MAIN_GRAPHBar};

std::vector<QImage> Redrawn(void) {
    std::vector<QImage> pictures;
    for (size_t i = 0; i < 4; ++i) {
        HostRedrawGraph(pHandle, kGraphIds[i]);
        pictures.push_back(WidgetNamed(kGraphNames[i])->grab().toImage());
    }
    return pictures;
}

using Screen = SensorHarness;

}  // namespace

// Catches controls that cover each other or leave their panel in some state
// (the analog fields over COMPARE and REPORT from analog mode 2 on, the
// compare panel left over a graph that a loop draws), the recorder window
// opening as a window of its own at (0, 0) over the banner, and popups
// without the window they were asked from.
TEST_F(Screen, NoVisibleControlsOverlapInAnyState) {
    const char* const kModels[] = {"edge1024", "standard", "v303",    "tarvo", "type500",
                                   "peak",     "m02",      "unknown", "pcb0"};
    for (const char* model : kModels) {
        Start(model);
        AuditPagesAndAnalogModes(model);
        StopProgram();
    }
    Start("edge1024");
    HostSetValueAsUser(pPara1, PARA1_DROPtrigmode, 3);
    for (int button : {MAIN_BTNRun, MAIN_BTNVideo, MAIN_BTNData}) {
        HostClick(pHandle, MAIN_BTNCompare);
        Audit("compare open");
        AuditDuring(button, "started with compare open " + std::to_string(button));
        Audit("after loop " + std::to_string(button));
    }
    HostSetValueAsUser(pHandle, MAIN_TOGGBTN_Recorder, 1);
    Audit("recorder open");
    EXPECT_EQ(pHandle, HostWindowOwner(pPopup));
    int left = 0, top = 0, width = 0, height = 0;
    ASSERT_EQ(1, HostScreenRect(pHandle, &left, &top, &width, &height));
    int gTop = 0, gLeft = 0, gHeight = 0, gWidth = 0;
    GetCtrlBoundingRect(pHandle, MAIN_GRAPHRaw, &gTop, &gLeft, &gHeight, &gWidth);
    const QRect graphs(left + gLeft, top + gTop, gWidth, gHeight);
    ASSERT_EQ(1, HostScreenRect(pPopup, &left, &top, &width, &height));
    EXPECT_TRUE(graphs.contains(QPoint(left, top))) << left << "," << top;
    HostQueueFileAnswer("");
    HostClick(pPopup, POPUP_CMDBTNrecfile);
    EXPECT_EQ(pPopup, HostLastPopupParent());
    HostQueueFileAnswer("");
    HostClick(pHandle, MAIN_BTNReport);
    EXPECT_EQ(pHandle, HostLastPopupParent());
}

// Catches analog fields that stay (or stay away) after GET brings another
// analog-out mode onto the panel without the user touching the ring.
TEST_F(Screen, AnalogFieldsFollowTheModeAGetShows) {
    Start("edge1024");
    HostSetValueAsUser(pPara1, PARA1_DROPanaMode, 2);
    ASSERT_TRUE(HostIsVisible(pHandle, MAIN_DISPanalog));
    SimSetWord(0, 29, 0);
    HostQueueConfirmAnswer(1);  // the ring's edit is discarded by the GET
    HostClick(pHandle, MAIN_BTNGet);
    for (int c : {MAIN_DISPanalog, MAIN_DISPanaMax, MAIN_DISPanaMin, MAIN_ButtonReset})
        EXPECT_FALSE(HostIsVisible(pHandle, c)) << c;
    SimSetWord(0, 29, 3);
    HostClick(pHandle, MAIN_BTNGet);
    EXPECT_TRUE(HostIsVisible(pHandle, MAIN_DISPanaMin));
}

// Catches a graph laid out for the picture of a file and drawn that way on
// screen afterwards (traces, bars and cursors shifted, background lost), and
// a report without the values shown, the tolerance verdict, the program's
// version or the port's device.
TEST_F(Screen, ReportRecordsWhatIsShownAndLeavesTheGraphsOnScreenAlone) {
    const std::string device = Start("edge1024");
    AuditDuring(MAIN_BTNRun, "run");
    const std::vector<QImage> before = Redrawn();
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString() + "/";
    for (size_t i = 0; i < 4; ++i)
        ASSERT_EQ(0,
                  SaveGraphFile(pHandle, kGraphIds[i], (base + kGraphNames[i] + ".png").c_str()));
    HostQueueFileAnswer((base + "report.pdf").c_str());
    HostClick(pHandle, MAIN_BTNReport);
    ASSERT_EQ("Report written", StatusLine().substr(0, 14));
    const std::vector<QImage> after = Redrawn();
    for (size_t i = 0; i < 4; ++i) EXPECT_TRUE(before[i] == after[i]) << kGraphNames[i];
    std::vector<char> text(20000);
    HostReportText(text.data(), static_cast<int>(text.size()));
    const std::string report(text.data());
    char mm[32];
    GetCtrlString(pHandle, MAIN_DISPmm, mm, sizeof mm);
    for (const std::string& part :
         {std::string("M-VALUE [mm]\t") + mm, std::string("TOLERANCE\t"), std::string("E-LEFT\t"),
          std::string("Program: Kovexa "), device})
        EXPECT_NE(std::string::npos, report.find(part)) << part << "\n" << report;
}

// Catches a heading left alone at the foot of a page, its graph on the
// next, and graph text too small to read on paper (under 8 pt).
TEST_F(Screen, ReportKeepsHeadingsWithTheirGraphsAndPrintsReadableText) {
    StartPanels();
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/keep.pdf";
    int movedOn = 0;
    for (int rows = 30; rows < 90; rows += 2) {
        ReportBegin("keep");
        const char* cells[] = {"ROW", "1"};
        for (int i = 0; i < rows; ++i) ReportAddRow(cells, 2, VAL_ROW_PLAIN);
        ASSERT_EQ(0, ReportAddGraph(pHandle, MAIN_GRAPHBar, "Heading"));
        ASSERT_EQ(0, ReportSave(path.c_str()));
        EXPECT_EQ(HostReportItemPage(rows), HostReportItemPage(rows + 1)) << rows << " rows";
        movedOn += HostReportItemPage(rows) == 2 && HostReportItemPage(rows - 1) == 1;
        EXPECT_GE(HostReportGraphTextPoints(), 8.0);
    }
    EXPECT_GT(movedOn, 0);  // the case came up
}

// Catches a window that does not fit a 1366 x 768 laptop screen with its
// title bar and task bar, and a larger window whose extra room the graphs
// do not get, that lets controls overlap, or that keeps them grown when
// the window shrinks again.
TEST_F(Screen, GraphsTakeTheRoomOfALargerWindowAndTheSmallestFitsALaptop) {
    const int kLaptopWidth = 1366, kLaptopHeight = 768, kTitleAndTaskBar = 76;
    Start("edge1024");
    QWidget* panel = WidgetNamed("PANEL");
    ASSERT_NE(nullptr, panel);
    EXPECT_LE(panel->minimumWidth(), kLaptopWidth);
    EXPECT_LE(panel->minimumHeight() + kTitleAndTaskBar, kLaptopHeight);
    EXPECT_EQ(panel->minimumSize(), panel->size());
    std::vector<QRect> smallest;
    for (const char* g : kGraphNames) smallest.push_back(WidgetNamed(g)->geometry());

    for (const QSize size : {QSize(1600, 1000), panel->minimumSize()}) {
        panel->resize(size);
        QCoreApplication::processEvents();
        const std::string state =
            std::to_string(size.width()) + "x" + std::to_string(size.height());
        AuditPagesAndAnalogModes(state);
        HostClick(pHandle, MAIN_BTNCompare);
        Audit(state + " compare open");
        HostClick(pHandle, MAIN_BTNCompare);
        for (size_t i = 0; i < 4; ++i) {
            const QRect now = WidgetNamed(kGraphNames[i])->geometry();
            if (size == panel->minimumSize()) {
                EXPECT_EQ(smallest[i], now) << kGraphNames[i];
            } else {
                EXPECT_GT(now.width(), smallest[i].width()) << kGraphNames[i];
                EXPECT_GT(now.height(), smallest[i].height()) << kGraphNames[i];
            }
        }
    }
}
