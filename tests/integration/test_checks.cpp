// Scripted checks run as a production line runs them (--headless, exit status), and saved
// graphs whole or not at all.
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/userint_internal.h"
#include "tests/integration/support_harness.h"

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

std::string ReadAll(const std::string& path) {
    std::ifstream f(path);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Without QT_QPA_PLATFORM, as on a production machine without a desktop.
Outcome RunProgram(const QTemporaryDir& dir, const std::string& steps,
                   const std::string& extra = "") {
    const std::string script = dir.filePath("steps.txt").toStdString();
    std::ofstream(script) << steps;
    const std::string out = dir.filePath("out.txt").toStdString();
    const std::string err = dir.filePath("err.txt").toStdString();
    const std::string command = "env -u QT_QPA_PLATFORM '" KOVEXA_BIN
                                "' --headless --simulate --script '" +
                                script + "' " + extra + " >'" + out + "' 2>'" + err + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(out), ReadAll(err)};
}

}  // namespace

// Catches a failed check passed, a mismatch not saying where and what, a bad script as failed.
TEST(Checks, ExitStatusTellsHeldFailedAndBadScript) {
    QTemporaryDir dir;
    const Outcome held = RunProgram(dir,
                                    "wait 300\nexpect RBTRam 1\nexpect DROPevalmode RIGHT-EDGE\n"
                                    "print NEDITEdgeRight\n");
    EXPECT_EQ(0, held.status) << held.err;
    EXPECT_EQ("NEDITEdgeRight\t4096\n", held.out);

    const Outcome failed = RunProgram(dir, "expect RBTRam 1\nexpect NEDITEdgeRight 99\nquit\n");
    EXPECT_EQ(1, failed.status);
    EXPECT_NE(std::string::npos,
              failed.err.find("line 2: expect NEDITEdgeRight: expected \"99\", shown \"4096\""))
        << failed.err;

    EXPECT_EQ(2, RunProgram(dir, "expect NoSuchControl 1\n").status);
    EXPECT_EQ(2, RunProgram(dir, "export GRAPHRaw picture.jpg\n").status);
    EXPECT_EQ(2, RunProgram(dir, "quit\n", "--headless=1").status);
}

// Catches a quit skipping the unsaved-settings question, or a "no" that still ends the program.
TEST(Checks, ScriptAnswersTheUnsavedSettingsQuestion) {
    QTemporaryDir dir;
    const Outcome o = RunProgram(dir,
                                 "wait 300\nset NEDITEdgeLeft 100\nclick BTNSend\nwait 300\n"
                                 "confirm no\nquit\nprint NEDITEdgeLeft\nconfirm yes\nquit\n"
                                 "print NEDITEdgeLeft\n");
    EXPECT_EQ(0, o.status) << o.err;
    EXPECT_EQ("NEDITEdgeLeft\t100\n", o.out);
    EXPECT_NE(std::string::npos, o.err.find("line 6: quit refused")) << o.err;
}

// Catches tables without named traces, rows lost or added, a failed save done or left partial.
TEST(Checks, ExportWritesNamedTablesAndPicturesOrNothing) {
    QTemporaryDir dir;
    const std::string raw = dir.filePath("raw.csv").toStdString();
    const std::string bar = dir.filePath("bar.csv").toStdString();
    const std::string png = dir.filePath("raw.png").toStdString();
    const std::string lost = dir.filePath("no/such/folder/x.csv").toStdString();
    const Outcome o = RunProgram(dir, "click BTNRun\nwait 1200\nclick BTNStop\nexport GRAPHRaw " +
                                          raw + "\nexport GRAPHBar " + bar + "\nexport GRAPHRaw " +
                                          png + "\nexport GRAPHRaw " + lost + "\nquit\n");
    EXPECT_EQ(1, o.status) << o.err;
    EXPECT_NE(std::string::npos, o.err.find("line 7: graph not saved")) << o.err;
    const std::string table = ReadAll(raw);
    EXPECT_EQ(0u, table.find("sample,upper limit,lower limit,set point,measured value,analog "
                             "low,analog high\n"));
    EXPECT_EQ(1 + 100, std::count(table.begin(), table.end(), '\n'));
    EXPECT_EQ(0u, ReadAll(bar).find("item,x1,y1,x2,y2\ncursor 1,"));
    EXPECT_EQ(0u, ReadAll(png).find("\x89PNG"));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(lost)));
}

// Catches curves saved without names or x positions, Ctrl+S not reaching the graph, S alone
// saving, or the save not reported.
TEST(Checks, CurveTableHasXAndNamedCurvesAndCtrlSSavesIt) {
    StartPanels();
    uint16_t samples[kLineCount], threshold[kLineCount];
    for (int i = 0; i < kLineCount; ++i) samples[i] = static_cast<uint16_t>(i), threshold[i] = 40;
    PlotVIDEOCurve(samples, threshold, xArray);
    QTemporaryDir dir;
    const std::string path = dir.filePath("video.csv").toStdString();
    ASSERT_EQ(0, SaveGraphFile(pHandle, MAIN_GRAPHVideo, path.c_str()));
    const std::string table = ReadAll(path);
    EXPECT_EQ(0u, table.find("x,video signal,video threshold\n0,0,40\n4,1,40\n"));
    EXPECT_EQ(1 + kLineCount, std::count(table.begin(), table.end(), '\n'));
    EXPECT_GT(0, SaveGraphFile(pHandle, MAIN_TEXTstatus, path.c_str()));

    const QString barPath = dir.filePath("bar.csv");
    QWidget* bar = kui::FindCtrl(pHandle, MAIN_GRAPHBar)->widget;
    HostQueueFileAnswer(barPath.toUtf8().constData());
    QKeyEvent plain(QEvent::KeyPress, Qt::Key_S, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &plain);
    EXPECT_FALSE(QFile::exists(barPath));
    QKeyEvent save(QEvent::KeyPress, Qt::Key_S, Qt::ControlModifier);
    QCoreApplication::sendEvent(bar, &save);
    EXPECT_EQ(0u, ReadAll(barPath.toStdString()).find("item,x1,y1,x2,y2\n"));
    EXPECT_EQ("Graph saved.", StatusLine());
}

// Catches the last port forgotten, a remembered port beating --port, or a
// simulated sensor's pseudo-terminal remembered as a port.
TEST(Checks, LastPortIsRememberedAndPortOptionWins) {
    QTemporaryDir dir;
    const std::string script = dir.filePath("steps.txt").toStdString();
    std::ofstream(script) << "print DropDCom\n";
    auto run = [&](const std::string& args) {
        const std::string out = dir.filePath("out.txt").toStdString();
        const std::string command = "env -u QT_QPA_PLATFORM XDG_CONFIG_HOME='" +
                                    dir.path().toStdString() + "' '" KOVEXA_BIN
                                    "' --headless --script '" +
                                    script + "' " + args + " >'" + out + "' 2>/dev/null";
        std::system(command.c_str());
        return ReadAll(out);
    };
    EXPECT_NE(std::string::npos, run("--port /dev/null").find("/dev/null"));
    EXPECT_NE(std::string::npos, run("").find("COM1  /dev/null"));
    EXPECT_NE(std::string::npos, run("--port /dev/zero").find("COM1  /dev/zero"));
    run("--simulate");
    EXPECT_NE(std::string::npos, run("").find("COM1  /dev/zero"));
}
