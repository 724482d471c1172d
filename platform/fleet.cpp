// A fleet of sensors in one run: the same script on every port at once,
// one process of this program per port, so a sensor that is missing or
// silent waits out only its own time-outs. Each member runs with the
// command line it was given, one --port instead of the list, and its
// trace file named after its port; it ends with a line for the summary.
//
// Facts owned here: members' output goes to standard error, each line
// behind its port; standard output carries only the summary, a line per
// sensor in the order the ports were given, and fleet-summary.csv (in the
// working folder) the same as a table. Exit status 0 when every member
// held, 1 otherwise, 2 for a ports file that cannot be read or names no
// port, or a trace file name without {PORT}.
#include <QByteArray>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/fleet_plan.h"
#include "platform/cvi.h"
#include "platform/host.h"

const char kHostFleetMemberEnv[] = "KOVEXA_FLEET_MEMBER";

namespace {

const char kSummaryFile[] = "fleet-summary.csv";
const char kPortField[] = "{PORT}";
const char kHeadless[] = "--headless";
enum { kExitHeld = 0, kExitFailed = 1, kExitUsage = 2, kMaxPortsFileBytes = 1 << 20 };

// Options a member gets its own value of (or none).
struct DroppedOption {
    const char* name;
    int hasValue;
};
const DroppedOption kDropped[] = {{"--port", 1}, {"--ports", 1}, {"--trace", 1}};

struct Member {
    QProcess* process;
    FleetResult result;
    QByteArray out, err;  // a line not yet complete
    int done;
};

Member gMembers[kHostMaxFleet];
int gMemberCount;
int gDone;

// Ports of the command line, then those of the ports file. 1, or 0 with
// a message on standard error.
int CollectPorts(const HostOptions* o) {
    gMemberCount = 0;
    for (int i = 0; i < o->portCount; ++i)
        std::snprintf(gMembers[gMemberCount++].result.port, kFleetFieldSize, "%s", o->ports[i]);
    if (!o->portsFile[0]) return 1;
    QFile file(QFile::decodeName(o->portsFile));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "kovexa: cannot read the ports file %s\n", o->portsFile);
        return 0;
    }
    const QList<QByteArray> lines = file.read(kMaxPortsFileBytes).split('\n');
    for (const QByteArray& line : lines) {
        char port[kHostDeviceSize];
        if (!FleetPortOfLine(line.constData(), port, sizeof port)) continue;
        if (gMemberCount == kHostMaxFleet) {
            std::fprintf(stderr, "kovexa: more than %d ports\n", kHostMaxFleet);
            return 0;
        }
        std::snprintf(gMembers[gMemberCount++].result.port, kFleetFieldSize, "%s", port);
    }
    if (gMemberCount == 0) {
        std::fprintf(stderr, "kovexa: the ports file %s names no port\n", o->portsFile);
        return 0;
    }
    return 1;
}

// The command line without the options each member gets its own value of.
QStringList CommonArgs(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i] ? argv[i] : "";
        const DroppedOption* dropped = nullptr;
        for (const DroppedOption& d : kDropped) {
            const size_t n = std::strlen(d.name);
            if (std::strncmp(arg, d.name, n) == 0 && (arg[n] == '\0' || arg[n] == '='))
                dropped = &d;
        }
        if (!dropped) {
            args << QString::fromLocal8Bit(arg);
            continue;
        }
        if (dropped->hasValue && std::strchr(arg, '=') == nullptr) ++i;  // its value follows
    }
    return args;
}

// Complete lines of a member's output: the summary line is taken, the rest
// goes to standard error behind the port.
void TakeLines(Member& m, QByteArray* pending, const QByteArray& bytes, int final) {
    pending->append(bytes);
    for (;;) {
        int end = pending->indexOf('\n');
        if (end < 0 && !(final && !pending->isEmpty())) return;
        if (end < 0) end = pending->size();
        const QByteArray line = pending->left(end);
        pending->remove(0, end + 1);
        if (FleetParseMemberLine(line.constData(), &m.result)) continue;
        std::fprintf(stderr, "%s: %s\n", m.result.port, line.constData());
    }
}

void Finished(int index, int exitCode) {
    Member& m = gMembers[index];
    if (m.done) return;
    TakeLines(m, &m.out, m.process->readAllStandardOutput(), 1);
    TakeLines(m, &m.err, m.process->readAllStandardError(), 1);
    m.result.exitCode = exitCode;
    m.done = 1;
    ++gDone;
}

void Start(int index, const QStringList& common, const char* trace, QEventLoop* loop) {
    Member& m = gMembers[index];
    QStringList args = common;
    // No member shows a window or waits for someone to close it.
    if (!args.contains(QLatin1String(kHeadless))) args << QLatin1String(kHeadless);
    args << QStringLiteral("--port") << QString::fromLocal8Bit(m.result.port);
    if (trace[0]) {
        char name[kFleetLineSize];
        FleetExpandNames(trace, m.result.port, "", name, sizeof name);
        args << QStringLiteral("--trace") << QString::fromLocal8Bit(name);
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kHostFleetMemberEnv), QStringLiteral("1"));
    m.process = new QProcess;
    m.process->setProcessEnvironment(env);
    QObject::connect(m.process, &QProcess::readyReadStandardOutput, [index]() {
        Member& x = gMembers[index];
        TakeLines(x, &x.out, x.process->readAllStandardOutput(), 0);
    });
    QObject::connect(m.process, &QProcess::readyReadStandardError, [index]() {
        Member& x = gMembers[index];
        TakeLines(x, &x.err, x.process->readAllStandardError(), 0);
    });
    QObject::connect(m.process, &QProcess::finished,
                     [index, loop](int code, QProcess::ExitStatus how) {
                         Finished(index, how == QProcess::NormalExit ? code : -1);
                         if (gDone == gMemberCount) loop->quit();
                     });
    QObject::connect(m.process, &QProcess::errorOccurred, [index, loop](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart) return;
        std::snprintf(gMembers[index].result.failed, kFleetFieldSize, "the program did not start");
        Finished(index, -1);
        if (gDone == gMemberCount) loop->quit();
    });
    m.process->start(QCoreApplication::applicationFilePath(), args);
}

int Summarise(void) {
    std::string csv = kFleetCsvHeader;
    int held = 1;
    for (int i = 0; i < gMemberCount; ++i) {
        const FleetResult& r = gMembers[i].result;
        char line[kFleetLineSize];
        FleetSummaryLine(&r, 0, line, sizeof line);
        std::fputs(line, stdout);
        FleetSummaryLine(&r, 1, line, sizeof line);
        csv += line;
        if (r.exitCode != kExitHeld) held = 0;
    }
    std::fflush(stdout);
    if (SaveTextFile(kSummaryFile, csv.data(), static_cast<int>(csv.size())) != 0) {
        std::fprintf(stderr, "kovexa: %s cannot be written\n", kSummaryFile);
        held = 0;
    }
    return held ? kExitHeld : kExitFailed;
}

}  // namespace

int HostRunFleet(const HostOptions* options, int argc, char** argv) {
    if (options->trace[0] && !std::strstr(options->trace, kPortField)) {
        std::fprintf(stderr, "kovexa: with several ports, --trace needs %s in its name\n",
                     kPortField);
        return kExitUsage;
    }
    if (!CollectPorts(options)) return kExitUsage;
    const QStringList common = CommonArgs(argc, argv);
    QEventLoop loop;
    gDone = 0;
    for (int i = 0; i < gMemberCount; ++i) Start(i, common, options->trace, &loop);
    if (gDone < gMemberCount) loop.exec();
    const int rc = Summarise();
    for (int i = 0; i < gMemberCount; ++i) {
        delete gMembers[i].process;
        gMembers[i].process = nullptr;
    }
    return rc;
}

void HostPrintFleetMember(const char* model, const char* firmware, const char* failed) {
    char line[kFleetLineSize];
    FleetMemberLine(model, firmware, failed, HostScriptReportFile(), line, sizeof line);
    std::fputs(line, stdout);
    std::fflush(stdout);
}
