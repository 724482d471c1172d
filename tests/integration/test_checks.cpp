// Scripted checks run as a production line runs them (--headless, exit status), and saved
// graphs whole or not at all.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/userint_internal.h"
#include "tests/integration/support_harness.h"
#include "tests/integration/support_ser2net.h"

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

std::string ReadAll(const std::string& path) {
    std::ifstream f(path);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Without QT_QPA_PLATFORM, as on a production machine without a desktop; shell runs first
// (limits), and without headless the program runs as on a desktop (offscreen).
Outcome RunProgram(const QTemporaryDir& dir, const std::string& steps,
                   const std::string& extra = "", const std::string& shell = "", int headless = 1) {
    const std::string script = dir.filePath("steps.txt").toStdString();
    std::ofstream(script) << steps;
    const std::string out = dir.filePath("out.txt").toStdString();
    const std::string err = dir.filePath("err.txt").toStdString();
    const std::string command =
        shell + "timeout 60 env -u QT_QPA_PLATFORM " +
        (headless ? "'" KOVEXA_BIN "' --headless" : "QT_QPA_PLATFORM=offscreen '" KOVEXA_BIN "'") +
        " --simulate --script '" + script + "' " + extra + " >'" + out + "' 2>'" + err + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(out), ReadAll(err)};
}

}  // namespace

// Catches a failed check passed, a mismatch not saying where and what, a bad script as failed,
// a quit skipping the unsaved-settings question or a "no" that still ends the program, and a
// script cut short at a NUL passing without its checks or a desktop run that never ends on it.
TEST(Checks, ExitStatusTellsHeldFailedAndBadScript) {
    QTemporaryDir dir;
    // A quit while settings are unsaved asks; the first answer (no) keeps the program running.
    const Outcome held = RunProgram(dir,
                                    "wait 300\nexpect RBTRam 1\nexpect DROPevalmode RIGHT-EDGE\n"
                                    "print NEDITEdgeRight\nset NEDITEdgeLeft 100\nclick BTNSend\n"
                                    "wait 300\nconfirm no\nquit\nprint NEDITEdgeLeft\n"
                                    "confirm yes\nquit\nprint NEDITEdgeLeft\n");
    EXPECT_EQ(0, held.status) << held.err;
    EXPECT_EQ("NEDITEdgeRight\t4096\nNEDITEdgeLeft\t100\n", held.out);
    EXPECT_NE(std::string::npos, held.err.find("line 9: quit refused")) << held.err;

    const Outcome failed = RunProgram(dir, "expect RBTRam 1\nexpect NEDITEdgeRight 99\nquit\n");
    EXPECT_EQ(1, failed.status);
    EXPECT_NE(std::string::npos,
              failed.err.find("line 2: expect NEDITEdgeRight: expected \"99\", shown \"4096\""))
        << failed.err;

    EXPECT_EQ(2, RunProgram(dir, "expect NoSuchControl 1\n").status);
    EXPECT_EQ(2, RunProgram(dir, "export GRAPHRaw picture.jpg\n").status);
    EXPECT_EQ(2, RunProgram(dir, "quit\n", "--headless=1").status);
    // A NUL would cut the script short: a bad script, and a desktop run must end on it too.
    const std::string steps("wait 400\n\0\nexpect TEXTstatus NEVER\nquit\n", 38);
    for (int headless = 0; headless <= 1; ++headless) {
        const Outcome o = RunProgram(dir, steps, "", "", headless);
        EXPECT_EQ(2, o.status) << headless;
        EXPECT_NE(std::string::npos, o.err.find("script line 2: a byte that is not text")) << o.err;
    }
}

// Catches a script writing the linearisation table through a button no user can see, an
// answer no popup used taken by a later one (a report written over the table file), and a
// report step taking a queued answer instead of its own name or leaving its own to a later
// popup when the program refused it (during RUN).
TEST(Checks, ScriptActsAsAUserAndAnswersOnlyTheNextStep) {
    QTemporaryDir dir;
    const std::string lin = dir.filePath("lin.dat").toStdString();
    std::string table;
    for (int i = 0; i < 2048; ++i) table += "0\r\n";
    std::ofstream(lin) << table;
    const std::string rep = dir.filePath("rep.pdf").toStdString();
    const std::string other = dir.filePath("other.pdf").toStdString();
    const Outcome o = RunProgram(
        dir, "wait 800\nclick BTNRun\nwait 300\nreport " + other +
                 "\nclick BTNStop\nwait 300\nclick TOGGBTN_Recorder\nclick CMDBTNrecfile\n"
                 "print TEXTrecfile\nfile " +
                 lin + "\nclick BTNWriteXFLASH\nfile " + lin + "\nclick BTNGet\nwait 500\nfile " +
                 other + "\nreport " + rep + "\nprint TEXTstatus\nquit\n");
    EXPECT_EQ(1, o.status) << o.err;
    EXPECT_NE(std::string::npos, o.err.find("line 4: report not written")) << o.err;
    EXPECT_EQ(std::string::npos, o.out.find("TEXTrecfile\t" + other)) << o.out;
    EXPECT_NE(std::string::npos,
              o.err.find("line 11: click BTNWriteXFLASH refused: the control is hidden"))
        << o.err;
    EXPECT_NE(std::string::npos, o.err.find("line 13: no file popup used the file answer"))
        << o.err;
    EXPECT_NE(std::string::npos, o.err.find("line 16: a report uses its own FILE")) << o.err;
    EXPECT_EQ(table, ReadAll(lin));
    EXPECT_EQ(0u, ReadAll(rep).find("%PDF"));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(other)));
    EXPECT_EQ(std::string::npos, o.out.find("successfully written")) << o.out;
}

// Catches a report committed short on a nearly full disk (no %%EOF) and passed, or a report
// whose table could not be written passed as done.
TEST(Checks, ReportStepFailsUnlessBothFilesAreWrittenWhole) {
    const struct {
        const char* name;
        const char* shell;
        int tableIsFolder;
        const char* error;
        int pdfWritten;
    } kCases[] = {
        {"nearly full disk", "trap '' XFSZ; ulimit -f 60; ", 0, "line 2: report not written", 0},
        {"table not writable", "", 1, "line 2: report table (CSV) not written", 1}};
    for (const auto& c : kCases) {
        QTemporaryDir dir;
        const std::string rep = dir.filePath("rep.pdf").toStdString();
        if (c.tableIsFolder) QDir().mkdir(dir.filePath("rep.csv"));
        const Outcome o = RunProgram(dir, "wait 800\nreport " + rep + "\nquit\n", "", c.shell);
        EXPECT_EQ(1, o.status) << c.name << o.err;
        EXPECT_NE(std::string::npos, o.err.find(c.error)) << c.name << o.err;
        const std::string pdf = ReadAll(rep);
        EXPECT_EQ(c.pdfWritten, pdf.find("%%EOF") != std::string::npos ? 1 : 0) << c.name;
        EXPECT_TRUE(c.pdfWritten || !QFile::exists(QString::fromStdString(rep))) << c.name;
    }
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
                                    dir.path().toStdString() +
                                    "' '" KOVEXA_BIN "' --headless --script '" + script + "' " +
                                    args + " >'" + out + "' 2>/dev/null";
        std::system(command.c_str());
        return ReadAll(out);
    };
    EXPECT_NE(std::string::npos, run("--port /dev/null").find("/dev/null"));
    EXPECT_NE(std::string::npos, run("").find("COM1  /dev/null"));
    EXPECT_NE(std::string::npos, run("--port /dev/zero").find("COM1  /dev/zero"));
    run("--simulate");
    EXPECT_NE(std::string::npos, run("").find("COM1  /dev/zero"));
    // A device server's address is no file, and is remembered all the same.
    const std::string address = "socket://127.0.0.1:" + std::to_string(FreeTcpPort());
    run("--port " + address);
    EXPECT_NE(std::string::npos, run("").find("COM1  " + address));
}
