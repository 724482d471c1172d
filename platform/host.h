// Host side of the runtime layer: start-up of the toolkit, the command
// line, answering popups in advance, driving controls as a user would, and
// reading back what the panels and graphs show. Used by main, the script
// runner and the tests; the program's own modules never call it.
#pragma once

#include <cstdint>

// Creates the application object (QApplication). argc/argv must outlive it.
// Returns 1, or 0 when the toolkit cannot start.
int HostInit(int* argc, char** argv);

// Parsed command line:
//   kovexa [--port DEVICE]... [--ports FILE] [--simulate[=MODEL] | --simulate-fast[=MODEL]]
//          [--script FILE] [--trace FILE] [--screenshot FILE] [--headless] [--help]
//          [--version]
// Several --port, or --ports, make a fleet: the script runs on every port.
enum { kHostMaxFleet = 64, kHostDeviceSize = 256 };
struct HostOptions {
    char port[kHostDeviceSize];                  // the first --port DEVICE, "" when not given
    char ports[kHostMaxFleet][kHostDeviceSize];  // every --port, in order
    int portCount;
    char portsFile[512];   // --ports FILE: one port a line
    char trace[512];       // --trace FILE: every frame each way
    int simulate;          // 1 with --simulate or --simulate-fast
    int simFast;           // 1 with --simulate-fast: answers without the line's pace
    char simModel[64];     // model of --simulate=MODEL, "" for the default
    char script[512];      // --script FILE
    char screenshot[512];  // --screenshot FILE
    int help;
    int version;
    int headless;  // 1 with --headless: no display needed
};
// Returns 1 when the arguments are valid; else 0 with a message in error.
int HostParseArgs(int argc, char** argv, HostOptions* options, char* error, int errorSize);
const char* HostUsage(void);

// Popups answered in advance, in order (a script step or a test). With no
// answer queued and no display (offscreen), a file popup is cancelled and a
// confirm popup answered no, so nothing ever blocks.
void HostQueueFileAnswer(const char* path);  // nullptr or "" = cancel
void HostQueueConfirmAnswer(int yes);
void HostQueuePromptAnswer(const char* text);  // nullptr = cancel
void HostClearAnswers(void);
int HostFileAnswersQueued(void);  // answers not yet used
int HostConfirmAnswersQueued(void);

// Script runner (--script): loads the steps and runs them from timers in
// the event loop. Returns 1, or 0 with a message naming the bad line.
int HostLoadScript(const char* path, char* error, int errorSize);
// Steps given as text, one per line (tests).
int HostLoadScriptText(const char* text, char* error, int errorSize);
// expect, export and report steps that failed so far (exit status 1).
int HostScriptFailures(void);
// With 1, the program ends after the last step even without quit (headless).
void HostScriptQuitAtEnd(int on);
// Chooses the display-less platform before HostInit (--headless).
void HostUseOffscreen(void);
// 1 when the options ask for a fleet (several --port, or --ports).
int HostIsFleet(const HostOptions* options);

// The port and model that {PORT} and {MODEL} stand for in the file names
// of script steps, asked for when a step runs (the model is known only
// once the sensor answered).
typedef void (*HostNameSource)(char* port, int portSize, char* model, int modelSize);
void HostSetNameSource(HostNameSource source);
// The first failed check of the script ("" when none failed): its line and
// what failed. The file of the last report step run, "" when none ran.
const char* HostScriptFirstFailure(void);
const char* HostScriptReportFile(void);

// A fleet: the script of options on every port at once, one process of
// this program per port (program is its path, argv the command line it was
// given). Prints a line per sensor, writes fleet-summary.csv; returns the
// exit status (0 every sensor held, 1 one failed, 2 a bad ports file).
int HostRunFleet(const HostOptions* options, int argc, char** argv);
// Set in the environment of a fleet's member processes: they end with a
// line naming model, firmware, first failure and report for the summary.
extern const char kHostFleetMemberEnv[];
void HostPrintFleetMember(const char* model, const char* firmware, const char* failed);

// Control lookup by name as in the binding table: sets *panel and
// *control; 1 when found.
int HostFindControl(const char* name, int* panel, int* control);

// Acting as a user: a click on a button (commit), or a new value typed into
// or chosen in a control (value changed, then commit), or a right click.
// They run the control's callback exactly as the toolkit would.
int HostClick(int panel, int control);
int HostSetValueAsUser(int panel, int control, double value);
int HostRightClick(int panel, int control);
int HostLeftClick(int panel, int control);
// Title of the panel's window (at most size-1 bytes); 1/0.
int HostWindowTitle(int panel, char* title, int size);
// Tooltip of a control (at most size-1 bytes); 1/0.
int HostToolTip(int panel, int control, char* text, int size);
// A keyboard shortcut of the panel's window, as if pressed. 1 when it exists.
int HostPressShortcut(int panel, const char* keys);
// Close request of a panel (window close button).
int HostClosePanel(int panel);

// The top-level panel whose window the last popup belonged to (0: none).
int HostLastPopupParent(void);
// The top-level panel whose window owns the panel's window, 0 when the
// panel is no window or stands alone.
int HostWindowOwner(int panel);
// A panel's place on the screen (its client area): 1/0.
int HostScreenRect(int panel, int* left, int* top, int* width, int* height);

// Grabs the top-level window of a panel to a PNG. Returns 1/0.
int HostScreenshot(int panel, const char* path);

// Reading back (tests).
int HostIsVisible(int panel, int control);  // visible flag of the control itself
int HostIsDimmed(int panel, int control);
// 1 when the control is shown and no sibling drawn after it covers it.
int HostIsOnTop(int panel, int control);
int HostListItem(int panel, int control, int index, char* label, int size, int* value);
int HostListCount(int panel, int control);
int HostBackgroundColor(int panel, int control);                   // text background 0xRRGGBB
int HostCtrlText(int panel, int control, char* buffer, int size);  // what it shows
int HostLabel(int panel, int control, char* buffer, int size);

struct HostRect {
    double x1, y1, x2, y2;
    int color, fillColor;
};
int HostGraphRects(int panel, int control, HostRect* out, int max);  // count
int HostGraphCursor(int panel, int control, int cursor, double* x, double* y);
int HostGraphAxis(int panel, int control, int axis, double* min, double* max);
// Curves of PlotXY: count of plots; with index, its points and colour.
int HostGraphCurveCount(int panel, int control);
int HostGraphCurve(int panel, int control, int index, double* x, double* y, int max, int* color);
// Strip chart: the samples of one trace (1-based) as shown, oldest first.
int HostStripTrace(int panel, int control, int trace, double* out, int max);
int HostStripTraceColor(int panel, int control, int trace);
// Replots actually done on a graph (coalescing check in benchmarks).
long HostReplotCount(int panel, int control);
// Redraws a graph's data now the way the next plot call would (the frame
// kept when nothing in it changed). 1/0.
int HostRedrawGraph(int panel, int control);

// The last report written: the page (1-based) of its item index (0 when
// none), and its graphs' smallest text on paper in points.
int HostReportItemPage(int index);
double HostReportGraphTextPoints(void);
// Its texts and table rows, one a line, cells separated by tabs; length.
int HostReportText(char* out, int size);
