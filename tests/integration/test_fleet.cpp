// A fleet in one run: three sensors at once, each with its own result line and report.
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <QProcess>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/integration/support_harness.h"

namespace {

// A stand-alone simulated sensor; its pseudo-terminal is the first line it prints.
struct SimProcess {
    QProcess process;
    std::string device;
    explicit SimProcess(const char* model) {
        process.start(KVEXSIM_BIN, {QStringLiteral("--model"), QString::fromLatin1(model)});
        if (process.waitForReadyRead(5000)) device = process.readLine().trimmed().toStdString();
    }
    ~SimProcess() {
        process.terminate();
        process.waitForFinished(3000);
    }
};

// A pseudo-terminal nobody answers on: a sensor that is there but silent.
struct SilentLine {
    int master = -1, slave = -1;
    char device[256] = "";
    SilentLine() { openpty(&master, &slave, device, nullptr, nullptr); }
    ~SilentLine() {
        close(slave);
        close(master);
    }
};

struct FleetRun {
    int status;
    std::string out, err;
};

FleetRun RunFleet(const QTemporaryDir& dir, const std::string& script, const QStringList& ports,
                  const QStringList& extra = {}) {
    const QString path = dir.filePath("recipe.script");
    std::ofstream(path.toStdString()) << script;
    QProcess p;
    p.setWorkingDirectory(dir.path());
    QStringList args = {QStringLiteral("--headless"), QStringLiteral("--script"), path};
    for (const QString& port : ports) args << QStringLiteral("--port") << port;
    args << extra;
    p.start(KOVEXA_BIN, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
}

const char kRecipe[] =
    "print TEXTmodel\n"
    "expect RBTRam 1\n"
    "report {PORT}-{MODEL}.pdf\n"
    "print LINK\n"
    "quit\n";

// Catches a silent sensor holding up or passing the run, members' reports overwriting each
// other, a line or the summary file missing, and an exit status of 0 with a failed sensor.
TEST(Fleet, TwoGoodSensorsHoldAndASilentOneFailsItsLine) {
    StartPanels();  // the application, for QProcess
    SimProcess good1("edge1024"), good2("tarvo");
    SilentLine silent;
    ASSERT_FALSE(good1.device.empty() || good2.device.empty());
    QTemporaryDir dir;
    const FleetRun run =
        RunFleet(dir, kRecipe,
                 {QString::fromStdString(good1.device), QString::fromStdString(good2.device),
                  QString::fromLatin1(silent.device)});
    EXPECT_EQ(1, run.status) << run.err;
    const std::string name1 = "dev_pts_" + good1.device.substr(9);
    const std::string name2 = "dev_pts_" + good2.device.substr(9);
    const std::string expected =
        good1.device + "\tK-VEX-RZ-M01\tK-VEX-RZ firmware V3.08 (sim)\theld\t-\t" + name1 +
        "-K-VEX-RZ-M01.pdf\n" + good2.device +
        "\tK-VEX-RZ-M11\tK-VEX-RZ-M11 firmware V3.06 (sim)\theld\t-\t" + name2 +
        "-K-VEX-RZ-M11.pdf\n" + silent.device + "\t-\t-\tfailed\tline 3: report not written\t-\n";
    EXPECT_EQ(expected, run.out) << run.err;
    EXPECT_TRUE(QFile::exists(dir.filePath(QString::fromStdString(name1 + "-K-VEX-RZ-M01.pdf"))));
    EXPECT_TRUE(QFile::exists(dir.filePath(QString::fromStdString(name2 + "-K-VEX-RZ-M11.pdf"))));
    std::ifstream summary(dir.filePath("fleet-summary.csv").toStdString());
    const std::string csv{std::istreambuf_iterator<char>(summary), {}};
    EXPECT_EQ(0u, csv.find("port,model,firmware,result,first failed step,report file\n\"" +
                           good1.device + "\",\"K-VEX-RZ-M01\""))
        << csv;
    EXPECT_NE(std::string::npos, csv.find("\"failed\",\"line 3: report not written\",\"\"\n"));
    // Each member's own output, behind its port.
    EXPECT_NE(std::string::npos, run.err.find(std::string(silent.device) + ": LINK\trequests=1 "))
        << run.err;
}

// Catches a bad script found by every member instead of once, a shared trace file or a ports
// file that cannot be read not refused before any member runs; a sensor without any check in
// the script passing although nothing answered, and a ports file whose comments or blank lines
// become ports.
TEST(Fleet, CommandLineErrorsRunNoMemberAndASensorThatNeverAnsweredFails) {
    StartPanels();
    QTemporaryDir dir;
    const QString ports = dir.filePath("ports.txt");
    EXPECT_EQ(2, RunFleet(dir, "click NoSuchControl\n", {"/dev/a", "/dev/b"}).status);
    EXPECT_EQ(2,
              RunFleet(dir, "quit\n", {"/dev/a", "/dev/b"}, {"--trace", dir.filePath("one.trace")})
                  .status);
    EXPECT_EQ(2, RunFleet(dir, "quit\n", {}, {"--ports", ports}).status);
    EXPECT_FALSE(QFile::exists(dir.filePath("fleet-summary.csv")));
    SimProcess good("edge1024");
    std::ofstream(ports.toStdString())
        << "# line 7\n\n  " << good.device << "  \n/dev/kovexa-no-such-port\n";
    const FleetRun run = RunFleet(dir, "print TEXTmodel\n", {}, {QStringLiteral("--ports"), ports});
    EXPECT_EQ(0u, run.out.find(good.device + "\tK-VEX-RZ-M01\t")) << run.out;
    EXPECT_EQ(1, run.status) << run.err;
    EXPECT_NE(
        std::string::npos,
        run.out.find("/dev/kovexa-no-such-port\t-\t-\tfailed\tno sensor answered on this port"))
        << run.out;
}

}  // namespace
