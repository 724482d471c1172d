// Script runner, popups answered in advance, the command line and
// screenshots, offscreen on the real main panel with test callbacks.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstring>
#include <string>
#include <vector>

#include "KovexaV308/forms.h"
#include "tests/integration/support_harness.h"

namespace {

char gArg0[] = "test_script";
char* gArgv[] = {gArg0, nullptr};
int gArgc = 1;

std::vector<std::string> gLog;
int gLooping = 0, gStopSeen = 0, gLoopEndedByStop = 0;

// RUN-like: loops on the event queue until STOP, at most 5 s.
int CbRun(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    gLog.push_back("run");
    gLooping = 1;
    for (const double t0 = Timer(); !gStopSeen && Timer() - t0 < 5.0;) ProcessSystemEvents();
    gLoopEndedByStop = gStopSeen;
    gLooping = 0;
    return 0;
}
int CbStop(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    gLog.push_back(gLooping ? "stop-inside-run" : "stop");
    gStopSeen = 1;
    return 0;
}
int CbEdge(int panel, int control, int event, void*, int, int) {
    int v = 0;
    GetCtrlVal(panel, control, &v);
    if (event == EVENT_VAL_CHANGED || event == EVENT_COMMIT)
        gLog.push_back((event == EVENT_COMMIT ? "commit " : "changed ") + std::to_string(v));
    return 0;
}
// GET-like: asks for a file and a confirmation; help on a right click.
int CbGet(int, int, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK) gLog.push_back("help");
    if (event != EVENT_COMMIT) return 0;
    char path[256];
    const int r = FileSelectPopup("", "*.cfg", "*.cfg", "Load", 1, 0, 1, 1, 0, path, sizeof path);
    gLog.push_back("file " + std::to_string(r) + " " + path);
    gLog.push_back("confirm " + std::to_string(ConfirmPopup("Send", "Really?")));
    return 0;
}
int CbPanel(int, int event, void*, int, int) {
    if (event != EVENT_CLOSE) return 0;
    gLog.push_back("close");
    gStopSeen = 1;
    return QuitUserInterface(0);
}

const CtrlBinding kScriptControls[] = {
    {RES_MAIN, MAIN_BTNRun, "BTNRun", CbRun},
    {RES_MAIN, MAIN_BTNStop, "BTNStop", CbStop},
    {RES_MAIN, MAIN_NEDITEdgeLeft, "NEDITEdgeLeft", CbEdge},
    {RES_MAIN, MAIN_BTNGet, "BTNGet", CbGet},
};
const PanelBinding kScriptPanels[] = {{RES_MAIN, "PANEL", CbPanel}};

class Script : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1, HostInit(&gArgc, gArgv));
        RegisterKovexaForms();
        RegisterControls(kScriptControls, sizeof kScriptControls / sizeof kScriptControls[0],
                         kScriptPanels, 1);
        main_ = LoadPanel(0, KOVEXA_UIR, RES_MAIN);
        ASSERT_GT(main_, 0);
        HostClearAnswers();
        gLog.clear();
        gStopSeen = gLoopEndedByStop = 0;
    }
    void TearDown() override {
        DiscardPanel(main_);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Loads the steps and runs them; a guard timer ends a script that never quits.
    void Run(const std::string& steps, int guardMs) {
        DisplayPanel(main_);
        char error[256] = "";
        ASSERT_EQ(1, HostLoadScriptText(steps.c_str(), error, sizeof error)) << error;
        QTimer::singleShot(guardMs, [] {
            gLog.push_back("guard");
            QuitUserInterface(0);
        });
        RunUserInterface();
    }
    char path[512];
    int main_ = 0;
};

// Catches a bad script accepted, or a message that does not lead to the line.
TEST_F(Script, BadScriptLoadStopsWithTheLineNumber) {
    const struct {
        const char *text, *mustContain;
    } kBad[] = {{"click BTNRun\npress BTNStop\n", "line 2: unknown step: press"},
                {"# start\n\nclick BTNRun\nclick BTNRunn\n", "line 4: unknown control: BTNRunn"},
                {"set NEDITEdgeLeft ten\n", "line 1: not a number: ten"},
                {"wait 10\nset NEDITEdgeLeft\n", "line 2"},
                {"wait -5\n", "line 1"},
                {"confirm maybe\n", "line 1"},
                {"quit now\n", "line 1"},
                {"file\n", "line 1"}};
    for (const auto& c : kBad) {
        char error[256] = "";
        EXPECT_EQ(0, HostLoadScriptText(c.text, error, sizeof error)) << c.text;
        EXPECT_NE(nullptr, std::strstr(error, c.mustContain)) << error;
    }
}

// Catches steps out of order, popups not answered from the queue, quit
// ignored, a screenshot that needs a display, or comments, blank lines,
// indentation and CR-LF line ends taken for steps; and a close box that
// closes the window itself instead of asking the program.
TEST_F(Script, StepsRunInOrderAndQuitEndsTheLoop) {
    QTemporaryDir dir;
    const std::string shot = dir.filePath("shot.png").toStdString();
    Run("# a comment\n\n   \n  set NEDITEdgeLeft 12\r\nfile /tmp/kovexa-none.cfg\n"
        "confirm yes\nclick BTNGet\nrightclick BTNGet\nwait 5\nscreenshot " +
            shot + "\nquit\n",
        10000);
    EXPECT_EQ(std::vector<std::string>({"changed 12", "commit 12", "file 2 /tmp/kovexa-none.cfg",
                                        "confirm 1", "help", "close"}),
              gLog);
    int shown = 0;
    GetPanelAttribute(main_, ATTR_VISIBLE, &shown);
    EXPECT_EQ(1, shown);
    QFile png(QString::fromStdString(shot));
    EXPECT_TRUE(png.open(QIODevice::ReadOnly) && png.read(8) == QByteArray("\x89PNG\r\n\x1a\n", 8));
}

// Catches steps that wait for a looping callback to return (STOP never
// arrives), and a program that ends after the last step although it was no quit.
TEST_F(Script, StepsRunWhileACallbackLoopsAndTheProgramOutlivesThem) {
    Run("click BTNRun\nwait 50\nclick BTNStop\n", 300);
    EXPECT_EQ(1, gLoopEndedByStop);
    EXPECT_EQ(std::vector<std::string>({"run", "stop-inside-run", "guard"}), gLog);
}

// Catches a check that could not look at its panel passed as held (exit status 0).
TEST_F(Script, ChecksOnAPanelNotLoadedFail) {
    DiscardPanel(main_);
    Run("expect NEDITEdgeLeft 1\nexport BTNRun x.csv\nclick BTNRun\n", 300);
    EXPECT_EQ(2, HostScriptFailures());
}

// Catches queued answers used out of order, existing and new files mixed
// up, and a popup that blocks a headless run once nothing is queued.
TEST_F(Script, QueuedAnswersComeFirstThenPopupsCancelOffscreen) {
    QTemporaryDir dir;
    const std::string existing = dir.filePath("KVEXpara.cfg").toStdString();
    QFile(QString::fromStdString(existing)).open(QIODevice::WriteOnly);
    HostQueueFileAnswer(existing.c_str());
    HostQueueFileAnswer(dir.filePath("new.cfg").toUtf8().constData());
    HostQueueConfirmAnswer(1);
    auto select = [this](int save) {
        return FileSelectPopup("", "*.cfg", "*.cfg", "t", 1 - save, 0, 1, 1, save, path,
                               sizeof path);
    };
    EXPECT_EQ(VAL_EXISTING_FILE_SELECTED, select(0));
    EXPECT_EQ(existing, path);
    EXPECT_EQ(VAL_NEW_FILE_SELECTED, select(1));
    EXPECT_EQ(1, ConfirmPopup("t", "m"));
    EXPECT_EQ(VAL_NO_FILE_SELECTED, select(0));
    EXPECT_STREQ("", path);
    EXPECT_EQ(0, ConfirmPopup("t", "m"));
    EXPECT_EQ(0, MessagePopup("t", "m"));
}

// Catches a missing script file treated as an empty script, a path cut to
// fit the buffer (it would name another file), and a screenshot that reports
// success for a folder or a panel that does not exist.
TEST_F(Script, MissingScriptOverlongPathAndBadScreenshotTargetsAreRefused) {
    char error[128];
    EXPECT_EQ(0, HostLoadScript("/nonexistent/steps.txt", error, sizeof error));
    EXPECT_NE(nullptr, std::strstr(error, "/nonexistent/steps.txt"));
    HostQueueFileAnswer("/tmp/a-rather-long-directory/KVEXpara.cfg");
    std::memset(path, 'X', sizeof path);
    EXPECT_LT(FileSelectPopup("", "", "*.cfg", "t", 1, 0, 0, 1, 0, path, 16), 0);
    EXPECT_STREQ("", path);
    DisplayPanel(main_);
    EXPECT_EQ(0, HostScreenshot(main_, "/nonexistent/dir/x.png"));
    EXPECT_EQ(0, HostScreenshot(99, "/tmp/kovexa-never.png"));
}

// Catches a script reaching a control no user can (hidden, dimmed, its window not shown), a
// refused step or an answer no popup used not counted as failed, and such an answer taken by a
// later popup (a file written over the wrong name); a question rightly not asked leaves its
// confirm answer dropped, not failed.
TEST_F(Script, RefusedStepsAndUnusedAnswersFailAndAnswersBelongToTheNextStepOnly) {
    const std::vector<std::string> kStopped = {"stop", "close"};
    const std::vector<std::string> kCancelled = {"stop", "file 0 ", "confirm 0", "close"};
    const std::vector<std::string> kUnanswered = {"file 0 ", "confirm 0", "close"};
    const std::vector<std::string> kAnswered = {"file 2 /tmp/a.cfg", "confirm 1", "close"};
    const struct {
        int attribute, value;  // of BTNGet and NEDITEdgeLeft during the run
        const char* steps;
        std::vector<std::string> log;
        int failures;
    } kCases[] = {
        {ATTR_VISIBLE, 0, "click BTNGet\nclick BTNStop\nquit\n", kStopped, 1},
        {ATTR_DIMMED, 1, "click BTNGet\nclick BTNStop\nquit\n", kStopped, 1},
        {ATTR_VISIBLE, 0, "set NEDITEdgeLeft 5\nclick BTNStop\nquit\n", kStopped, 1},
        {ATTR_DIMMED, 1, "rightclick BTNGet\nclick BTNStop\nquit\n", kStopped, 1},
        {ATTR_DIMMED, 0, "file /tmp/a.cfg\nclick BTNStop\nclick BTNGet\nquit\n", kCancelled, 1},
        {ATTR_DIMMED, 0, "confirm yes\nclick BTNStop\nclick BTNGet\nquit\n", kCancelled, 0},
        {ATTR_DIMMED, 0, "file /tmp/a.cfg\nwait 10\nclick BTNGet\nquit\n", kUnanswered, 1},
        {ATTR_DIMMED, 0, "file /tmp/a.cfg\nconfirm yes\nclick BTNGet\nquit\n", kAnswered, 0},
    };
    const auto set = [this](int attribute, int value) {
        for (int control : {MAIN_BTNGet, MAIN_NEDITEdgeLeft})
            SetCtrlAttribute(main_, control, attribute, value);
    };
    for (const auto& c : kCases) {
        gLog.clear();
        set(c.attribute, c.value);
        Run(c.steps, 5000);
        EXPECT_EQ(c.log, gLog) << c.steps;
        EXPECT_EQ(c.failures, HostScriptFailures()) << c.steps;
        set(ATTR_VISIBLE, 1);
        set(ATTR_DIMMED, 0);
    }
}

// Catches bytes that are not text accepted in a script, or a leading byte-order mark taken for
// one. (A NUL cutting the script short is pinned by the checks' tests.)
TEST_F(Script, BytesThatAreNotTextMakeABadScriptNamingTheLine) {
    QTemporaryDir dir;
    const QString file = dir.filePath("steps.txt");
    const struct {
        std::string bytes;
        const char* error;  // nullptr: accepted
    } kCases[] = {{"wait 1\nwait 2\nclick \x01BTNRun\n", "line 3"},
                  {"wait 1\x7F\n", "line 1"},
                  {"\xEF\xBB\xBFwait 1\r\n\tquit\n", nullptr}};
    for (const auto& c : kCases) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes.data(), static_cast<qint64>(c.bytes.size()));
        f.close();
        char error[256] = "";
        EXPECT_EQ(c.error ? 0 : 1, HostLoadScript(file.toUtf8().constData(), error, sizeof error))
            << c.bytes;
        if (c.error) {
            EXPECT_NE(nullptr, std::strstr(error, c.error)) << error;
        }
    }
}

// -------------------------------------------------------- command line ---

// Catches options misread, values taken from the wrong argument, bad input
// accepted, or a value longer than its field copied past it.
TEST(CommandLine, ParsesOrRefuses) {
    const struct {
        std::vector<std::string> argv;
        const char* parsed;  // "port|model|script|simulate fast" once accepted; nullptr: refused
    } kArgs[] = {{{}, "|||0 0"},
                 {{"--port", "/dev/ttyUSB0"}, "/dev/ttyUSB0|||0 0"},
                 {{"--port=/dev/ttyS1"}, "/dev/ttyS1|||0 0"},
                 {{"--simulate"}, "|||1 0"},
                 {{"--simulate=tarvo", "--script", "s.txt"}, "|tarvo|s.txt|1 0"},
                 {{"--simulate-fast=peak"}, "|peak||1 1"},
                 {{"--speed", "9600"}, nullptr},
                 {{"file.cfg"}, nullptr},
                 {{"--port"}, nullptr},
                 {{"--script="}, nullptr},
                 {{"--portx"}, nullptr},
                 {{"--port", "/dev/ttyS0", "--simulate"}, nullptr},
                 {{"--simulate", "--simulate-fast"}, nullptr},
                 {{"--port", std::string(300, 'a')}, nullptr}};
    for (const auto& a : kArgs) {
        std::vector<std::string> store(a.argv);
        store.insert(store.begin(), "kovexa");
        std::vector<char*> argv;
        for (std::string& s : store) argv.push_back(&s[0]);
        SCOPED_TRACE(store.size() > 1 ? store[1].substr(0, 20) : "none");
        HostOptions o;
        char error[128] = "";
        const int ok =
            HostParseArgs(static_cast<int>(argv.size()), argv.data(), &o, error, sizeof error);
        ASSERT_EQ(a.parsed != nullptr, ok) << error;
        EXPECT_TRUE(ok || *error) << "a refusal says why";
        if (ok) {
            EXPECT_EQ(a.parsed, std::string(o.port) + "|" + o.simModel + "|" + o.script + "|" +
                                    std::to_string(o.simulate) + " " + std::to_string(o.simFast));
        }
    }
}

}  // namespace
