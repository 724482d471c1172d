// Program entry: starts the toolkit, reads the command line, makes the
// simulated sensor (Unix only) or the given device the start port, loads
// a script, then runs the program proper (KovexaMain) and stops the
// simulator.
//
// Exit codes: what KovexaMain returns, or 1 when a check of the script
// (expect, export, report) failed; 2 for a bad command line, an unknown
// simulator model or a bad script; 1 when the simulator cannot start; -1
// when the toolkit cannot start.
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KovexaV308/kovexa.h"
#include "com232/kvex_link.h"
#include "core/linkwatch.h"
#include "core/models.h"
#include "core/portname.h"
#include "core/telnet.h"
#include "kovexa_version.h"
#include "platform/cvi.h"
#include "platform/host.h"
#include "platform/userint_internal.h"
#ifdef Q_OS_UNIX
#include "sim/kvexsim.h"
#endif

namespace {

const char kDefaultModel[] = "edge1024";
const char kPortKey[] = "port";
enum {
    kExitUsage = 2,
    kExitSimulator = 1,
    kExitCheckFailed = 1,
    kExitToolkit = -1,
    kErrorSize = 512,
    kPortDeviceBytes = 256,
};

// The screenshot run: let start-up finish, grab the main window, end.
const char kScreenshotWaitMs[] = "1500";

// --help: the usage line, then these texts in turn; the simulated sensor
// and its models exist on Unix only (pseudo-terminals).
const char kHelpIntro[] =
    "\n"
    "Service and commissioning tool for K-VEX-RZ CCD line sensors on one RS-232\n"
    "port (19200 baud, 8N1, 36-byte frames).\n"
    "\n"
    "Options:\n";

#ifdef Q_OS_UNIX
const char kHelpPortAndSimulator[] =
    "  --port DEVICE           serial device of port 1 (e.g. /dev/ttyUSB0); the\n"
    "                          serial ports found follow as ports 2, 3, ... in the\n"
    "                          port drop-down\n"
    "  --port socket://HOST:PORT, --port rfc2217://HOST:PORT\n"
    "                          a sensor behind a serial device server, by raw TCP\n"
    "                          or by Telnet with COM-PORT-CONTROL\n"
    "  --simulate[=MODEL]      a simulated sensor on a pseudo-terminal as port 1,\n"
    "                          answering at the line's pace (19200 baud), as a\n"
    "                          real sensor does\n"
    "  --simulate-fast[=MODEL] the same sensor answering at once, without the\n"
    "                          line's pace (tests, benchmarks)\n";
#else
const char kHelpPortAndSimulator[] =
    "  --port COMn             the port to start on (COM1 to COM64); the serial\n"
    "                          ports found show with their COM numbers in the\n"
    "                          port drop-down\n"
    "  --port socket://HOST:PORT, --port rfc2217://HOST:PORT\n"
    "                          a sensor behind a serial device server, by raw TCP\n"
    "                          or by Telnet with COM-PORT-CONTROL\n";
#endif

const char kHelpOptions[] =
    "  --port A --port B ...   several sensors: the script runs on every port at\n"
    "  --ports FILE            once (FILE: one port a line), one process each;\n"
    "                          a line per sensor on standard output and\n"
    "                          fleet-summary.csv; {PORT} and {MODEL} in the file\n"
    "                          names of the script's steps give each its own files\n"
    "  --script FILE           run the steps of FILE after start-up\n"
    "  --trace FILE            write every frame each way to FILE as it goes\n"
    "                          (with several ports FILE must hold {PORT})\n"
    "  --screenshot FILE       save the main window as PNG after start-up, then quit\n"
    "  --headless              no display needed; the program ends after the last\n"
    "                          step of its script\n"
    "  --help                  this text\n"
    "  --version               the program's version\n"
    "\n";

#ifdef Q_OS_UNIX
// With the model names for %s.
const char kHelpModels[] =
    "Models: %s (default edge1024).\n"
    "  edge1024  1024-pixel edge sensor, firmware 3.08, 4096 subpixels\n"
    "  standard  firmware 3.02 (standard parameter layout)\n"
    "  v303      firmware 3.03 (V303 layout)\n"
    "  tarvo     512-pixel Tarvo sensor (hardware type 400)\n"
    "  type500   256-pixel type-500 sensor\n"
    "  peak      peak sensor (two bright peaks instead of edges)\n"
    "  m02       512-pixel type-37 sensor, 2048 subpixels, 8-bit video\n"
    "  unknown   a sensor the program cannot identify\n"
    "  pcb0      as edge1024 on the old board (firmware text one word per char)\n"
    "\n";
#else
const char kHelpModels[] =
    "A simulated sensor needs a pseudo-terminal, which Windows lacks: run kvexsim\n"
    "on a second (Linux) machine connected by a null-modem cable.\n"
    "\n";
#endif

const char kHelpKeys[] =
    "Keys in the window: F5 RUN, Esc STOP, Ctrl+G GET, Ctrl+Shift+S SEND,\n"
    "Ctrl+Q quit, F1 help of the control with the focus, Ctrl+S on a graph saves\n"
    "what it shows.\n"
    "\n";

const char kHelpScript[] =
    "Script steps, one per line ('#' starts a comment):\n"
    "  click CONTROL         a left click (commit) on a button or control\n"
    "  set CONTROL VALUE     a value typed or chosen, as the user would\n"
    "  rightclick CONTROL    a right click (help boxes)\n"
    "  wait MS               let the program run MS milliseconds\n"
    "  screenshot FILE.png   save the main window\n"
    "  file PATH | file cancel   answer the next file popup\n"
    "  confirm yes | confirm no  answer the next question\n"
    "  quit                  close the main panel\n"
    "  windowshot CONTROL FILE.png   save the window that holds CONTROL\n"
    "  expect CONTROL VALUE  check what CONTROL shows (VALUE is the rest of the line)\n"
    "  print CONTROL         CONTROL<TAB>value on standard output\n"
    "  print LINK            the link's counters (requests, replies, time-outs, ...)\n"
    "  export GRAPH FILE.csv|FILE.png   save what a graph shows\n"
    "  report FILE.pdf       write the commissioning report (PDF and CSV)\n"
    "Exit status of a script: 0 when every expect, export and report held, 1 when\n"
    "one failed, 2 for a bad command line or script.\n"
    "CONTROL is a control's name: BTNRun, BTNStop, BTNVideo, BTNData, BTNGet,\n"
    "BTNSend, RBTRam, RBTEeprom, RBTFile, TOGGBTN_Para1, TOGGBTN_Para2,\n"
    "TOGGBTN_Calib, DropDCom, NEDITEdgeLeft, NEDITEdgeRight, ToggButtonZoom,\n"
    "DROPevalmode, SLIDEpower, NEDITTolerance, ... (the names on the panels).\n"
    "\n"
    "Without arguments port 1 is opened as it always was; nothing is simulated.\n";

void PrintHelp(void) {
    std::printf("usage: %s\n", HostUsage());
    std::fputs(kHelpIntro, stdout);
    std::fputs(kHelpPortAndSimulator, stdout);
    std::fputs(kHelpOptions, stdout);
#ifdef Q_OS_UNIX
    std::printf(kHelpModels, SimPresetNames());
#else
    std::fputs(kHelpModels, stdout);
#endif
    std::fputs(kHelpKeys, stdout);
    std::fputs(kHelpScript, stdout);
}

#ifdef Q_OS_UNIX
void StopSimulator(void) {
    SimStop();
}
#else
void StopSimulator(void) {}  // no simulated sensor here
#endif

const char kNoSensor[] = "no sensor answered on this port";

// The sensor's model name, "" when none was identified.
const char* ModelName(void) {
    if (ccdtype == 0) return "";
    const ModelRow* row = FindModel(ccdtype, hwtype);
    if (!row) row = UnidentifiedModel();
    return row->line[0] ? row->line[0] : "";
}

// What {PORT} and {MODEL} stand for in a script's file names.
void ScriptNames(char* port, int portSize, char* model, int modelSize) {
    std::snprintf(port, static_cast<size_t>(portSize), "%s", PortTableDevice(com));
    std::snprintf(model, static_cast<size_t>(modelSize), "%s", ModelName());
}

// A fleet member's closing line; a sensor that never answered fails even
// a script without checks. Returns the exit status.
int EndFleetMember(int rc) {
    char firmware[kTextSize + 1];
    std::snprintf(firmware, sizeof firmware, "%s", szVersion);
    for (size_t n = std::strlen(firmware); n > 0 && firmware[n - 1] == ' '; --n)
        firmware[n - 1] = '\0';
    const char* failed = HostScriptFirstFailure();
    if (!ModelName()[0]) {
        if (!failed[0]) failed = kNoSensor;
        if (rc == 0) rc = kExitCheckFailed;
    }
    HostPrintFleetMember(ModelName(), firmware, failed);
    return rc;
}

// Toolkit options (-platform, -style, ...) begin with a single dash; the
// toolkit takes them out of argv when it starts.
int HasToolkitArgs(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (argv[i] && argv[i][0] == '-' && argv[i][1] != '-') return 1;
    return 0;
}

// The port of the last run, when its device is still there; --port wins.
void StartOnRememberedPort(void) {
    char device[kPortDeviceBytes];
    if (!SettingGet(kPortKey, device, sizeof device)) return;
    const int isFile = QFileInfo::exists(QFile::decodeName(device));
    if (PortNumberOfCom(device) == 0 && !isFile && NetKindOf(device) == kNetNone) return;
    const int port = PortTableSetGiven(device);
    if (port) com = com_start = port;
}

}  // namespace

int main(int argc, char** argv) {
    HostOptions options;
    char error[kErrorSize];
    // --help, --version and a bad command line need no display: answer
    // them before the toolkit starts.
    const int parsed = HostParseArgs(argc, argv, &options, error, sizeof error);
    if (parsed && (options.help || options.version)) {
        if (options.help)
            PrintHelp();
        else
            std::printf("kovexa %s\n", KOVEXA_VERSION);
        return 0;
    }
    if (!parsed && !HasToolkitArgs(argc, argv)) {
        std::fprintf(stderr, "kovexa: %s\nusage: %s\n", error, HostUsage());
        return kExitUsage;
    }
    if (parsed && options.headless) HostUseOffscreen();
    if (!HostInit(&argc, argv)) {
        std::fprintf(stderr,
                     "kovexa: cannot start the user interface (no display; "
                     "QT_QPA_PLATFORM=offscreen runs without one)\n");
        return kExitToolkit;
    }
    // The toolkit takes its own options out of argv; the rest is ours.
    if (!HostParseArgs(argc, argv, &options, error, sizeof error)) {
        std::fprintf(stderr, "kovexa: %s\nusage: %s\n", error, HostUsage());
        return kExitUsage;
    }
    if (options.help) {
        PrintHelp();
        return 0;
    }
    if (options.version) {
        std::printf("kovexa %s\n", KOVEXA_VERSION);
        return 0;
    }

    RegisterKovexaControls();

    if (HostIsFleet(&options)) {
        // The script is checked once here, not by every member.
        if (!HostLoadScript(options.script, error, sizeof error)) {
            std::fprintf(stderr, "kovexa: %s\n", error);
            return kExitUsage;
        }
        return HostRunFleet(&options, argc, argv);
    }
    if (options.trace[0] && !LinkTraceOpen(options.trace)) {
        std::fprintf(stderr, "kovexa: cannot write the trace file %s\n", options.trace);
        return kExitUsage;
    }
    HostSetNameSource(ScriptNames);

    if (options.port[0]) {
        // The drop-down is filled before the settings are read: both the
        // current and the start port must name the --port device by then.
        const int port = PortTableSetGiven(options.port);
        if (!port) {
            std::fprintf(stderr,
                         "kovexa: --port %s names no port here (COM1 to COM64 on Windows)\n",
                         options.port);
            return kExitUsage;
        }
        com = com_start = port;
    }
#ifdef Q_OS_UNIX
    if (options.simulate) {
        const char* model = options.simModel[0] ? options.simModel : kDefaultModel;
        SimIdentity identity;
        if (!SimPreset(model, &identity)) {
            std::fprintf(stderr, "kovexa: unknown sensor model '%s' (models: %s)\n", model,
                         SimPresetNames());
            return kExitUsage;
        }
        // A sensor answers at the line's pace; only tests and benchmarks
        // want the answers at once.
        SimFaults pace;
        SimGetFaults(&pace);
        pace.paced = options.simFast ? 0 : 1;
        SimSetFaults(&pace);
        char device[256];
        if (!SimStart(model, device, sizeof device)) {
            std::fprintf(stderr, "kovexa: the simulated sensor did not start\n");
            return kExitSimulator;
        }
        PortTableSetDevice(1, device);
    }
#endif
    if (!options.port[0] && !options.simulate) StartOnRememberedPort();
    PortTableAddDetected();

    if (options.script[0] && !HostLoadScript(options.script, error, sizeof error)) {
        std::fprintf(stderr, "kovexa: %s\n", error);
        StopSimulator();
        return kExitUsage;
    }
    if (options.screenshot[0]) {
        char steps[sizeof options.screenshot + 64];
        std::snprintf(steps, sizeof steps, "wait %s\nscreenshot %s\nquit\n", kScreenshotWaitMs,
                      options.screenshot);
        if (!kui::ScriptAppendText(steps, error, sizeof error)) {
            std::fprintf(stderr, "kovexa: %s\n", error);
            StopSimulator();
            return kExitUsage;
        }
    }

    if (options.headless) HostScriptQuitAtEnd(1);

    int rc = KovexaMain();
    // A simulated sensor's pseudo-terminal is gone with this run.
    const char* device = PortTableDevice(com);
    if (!options.simulate && device[0]) SettingSet(kPortKey, device);
    StopSimulator();
    LinkTraceClose();
    if (rc == 0 && HostScriptFailures() > 0) rc = kExitCheckFailed;
    if (std::getenv(kHostFleetMemberEnv)) rc = EndFleetMember(rc);
    return rc;
}
