// Runtime services for Kovexa: serial port, panels and controls, graphs,
// timers, popups and number files, as a C-like API of plain functions.
//
// The program was laid out around a classic instrument runtime; this layer
// gives it the same calls on top of Qt 6 (QSerialPort, Qt Widgets,
// QCustomPlot). Nothing here exposes a Qt type, so program code that
// includes this header stays free of Qt.
//
// Serial facts the program relies on:
//  - ports are numbers (1..kMaxPorts); the port table maps a number to a
//    device (entry 1 is the --port device or the simulated sensor); on
//    Windows port n is COMn;
//  - InstallComCallback with a notify count delivers the callback on the UI
//    thread, inside ProcessSystemEvents or RunUserInterface, with event bit
//    0x8000 (kComEventRxCount) once that many bytes are queued;
//  - a line that goes away (hang-up, unplugged adapter) closes the port at
//    once; later calls fail as on a port that is not open (-3).
//
// One thread only: every function here must be called from the UI thread.
#pragma once

#include <cstdint>

#include "core/portname.h"  // kMaxPorts and the port table

// ---------------------------------------------------------------- serial --

enum {
    kComEventRxCount = 0x8000,  // notify count reached
    kComEventRxChar = 0x0002,   // event character received (never acted on)
    kComEventTxEmpty = 0x0004,  // output queue empty (never acted on)
};

// Open-error codes (negative results of OpenComConfig and the other calls).
enum {
    kComErrUnknownSystem = -1,
    kComErrInvalidPort = -2,
    kComErrPortNotOpen = -3,
    kComErrUnknownIo = -4,
    kComErrNoSerialPort = -6,
    kComErrCannotOpen = -7,
    kComErrInvalidParameter = -13,
    kComErrTimeout = -99,
};

typedef void (*ComCallbackPtr)(int portNumber, int eventMask, void* callbackData);

// Returns >= 0 when open, else one of the negative codes above. deviceName
// may be "" (the port table decides); parity 0 none, 1 odd, 2 even.
int OpenComConfig(int port, const char* deviceName, long baudRate, int parity, int dataBits,
                  int stopBits, int inputQueueSize, int outputQueueSize);
int CloseCom(int port);
int SetComTime(int port, double timeoutSeconds);
int SetCTSMode(int port, int mode);
int FlushInQ(int port);
int FlushOutQ(int port);
// eventMask 0 or callback nullptr removes the callback.
int InstallComCallback(int port, int eventMask, int notifyCount, int eventCharacter,
                       ComCallbackPtr callback, void* callbackData);
// Bytes written (count when the frame went out), or a negative code.
int ComWrt(int port, const char* buffer, int count);
// Reads up to count bytes; waits at most the SetComTime time-out for them.
// Never writes more than count bytes into buffer. Bytes read, or negative.
int ComRd(int port, char* buffer, int count);
int GetInQLen(int port);
// 1 while the port is open; 0 once closed, never opened, or its line went
// away (the layer closes such a port at once). Makes no system call.
int ComIsOpen(int port);
// Why the last OpenComConfig failed as the system put it (a network port's
// "Connection refused"), "" when there is nothing to add to the code.
const char* ComOpenErrorCause(void);

// After kComErrCannotOpen: whether the device exists, whether this user may
// use it, and the program that holds it ("" when unknown). 1 when the
// system refused an existing device, else 0.
int ComOpenRefusal(int port, int* exists, int* permitted, char* holder, int holderSize);

// Port table. Entry 1 is set by the command line; detected serial devices
// follow from entry 2 on. Returns 1/0.
int PortTableSetDevice(int port, const char* device);
// Device of a port number, or "" when the number has none.
const char* PortTableDevice(int port);
// Highest port number with a device (0 when none).
int PortTableCount(void);
// Brings the table up to the serial devices present now (QSerialPortInfo
// order): new ones take the first free numbers from 2 on; detected ones no
// longer present (an unplugged adapter) are dropped unless open. Entries
// set with PortTableSetDevice stay.
void PortTableAddDetected(void);
// Puts the --port device in the table (entry 1; on Windows COMn's own number).
// Returns the port to start on, or 0 when the device names none.
int PortTableSetGiven(const char* device);
// The adapter's description of a detected port, "" when none is known.
const char* PortTableDescription(int port);
// Adds a network address the user typed (socket://HOST:PORT,
// rfc2217://HOST:PORT) to the table for the session, or finds it there.
// Returns its number, or 0 when it is no address or the table is full.
int PortTableAddAddress(const char* address);
// Where PortTableAddDetected looks (tests): scanner(i, device, size) puts
// the i-th device present into device and returns 1, or returns 0 after
// the last. nullptr: the system's serial ports.
typedef int (*PortScanner)(int index, char* device, int size);
void PortTableSetScanner(PortScanner scanner);

// ------------------------------------------------------------ user interface

// Events delivered to control and panel callbacks.
enum {
    EVENT_COMMIT = 1,
    EVENT_VAL_CHANGED = 2,
    EVENT_LEFT_CLICK = 3,
    EVENT_RIGHT_CLICK = 5,
    EVENT_KEYPRESS = 7,
    EVENT_CLOSE = 11,
};
// EVENT_KEYPRESS: eventData1 is the key ('A'..'Z' as upper case), eventData2
// the modifier bits held with it.
enum { VAL_CTRL_MODIFIER = 0x04000000 };

typedef int (*CtrlCallbackPtr)(int panel, int control, int event, void* callbackData,
                               int eventData1, int eventData2);
typedef int (*PanelCallbackPtr)(int panel, int event, void* callbackData, int eventData1,
                                int eventData2);

// Binds a control of a panel resource to its name (the objectName in the
// panel's .ui file) and its callback. The program hands the whole table to
// RegisterControls, and the forms to RegisterForms (form_table.h), before
// loading panels.
struct CtrlBinding {
    int resourceId;
    int controlId;
    const char* name;
    CtrlCallbackPtr callback;  // may be nullptr: no behaviour
};
struct PanelBinding {
    int resourceId;
    const char* name;  // objectName of the panel's top widget
    PanelCallbackPtr callback;
};
void RegisterControls(const CtrlBinding* controls, int controlCount, const PanelBinding* panels,
                      int panelCount);

// Attributes (controls and panels).
enum {
    ATTR_DIMMED = 1,
    ATTR_VISIBLE,
    ATTR_LABEL_TEXT,  // string
    ATTR_LABEL_VISIBLE,
    ATTR_TEXT_BGCOLOR,  // 0xRRGGBB
    ATTR_TEXT_COLOR,
    ATTR_TEXT_BOLD,
    ATTR_TEXT_POINT_SIZE,
    ATTR_TEXT_FONT,  // string
    ATTR_LEFT,
    ATTR_TOP,
    ATTR_WIDTH,
    ATTR_HEIGHT,
    ATTR_FRAME_COLOR,  // decorations: fill colour
    ATTR_ON_TEXT,      // binary switches: string
    ATTR_OFF_TEXT,
    ATTR_POINTS_PER_SCREEN,  // strip charts
    ATTR_NUM_TRACES,
    ATTR_STRIP_CHART_PAUSED,  // strip charts: 1 = show exactly the data handed over
    ATTR_SIZE_TO_TEXT,
    ATTR_TITLE,           // panels: string
    ATTR_TRACE_COLOR,     // SetTraceAttribute
    ATTR_LEGEND_VISIBLE,  // graphs: a legend naming the named traces and plots
    ATTR_TRACE_LG_TEXT,   // SetTraceAttributeEx: string
    ATTR_PLOT_LG_TEXT,    // SetPlotAttribute: string
    ATTR_MARK_COLOR,      // a coloured frame around the control: 0xRRGGBB, -1 none
    ATTR_TOOLTIP_TEXT,    // string shown while the mouse rests on the control
};

// Colours.
enum : int {
    VAL_RED = 0xFF0000,
    VAL_GREEN = 0x00FF00,
    VAL_DK_GREEN = 0x008000,
    VAL_BLACK = 0x000000,
    VAL_WHITE = 0xFFFFFF,
    VAL_GRAY = 0xA0A0A0,
    VAL_DK_GRAY = 0x808080,
    VAL_LT_GRAY = 0xE0E0E0,
};

// Panels. LoadPanel returns a handle > 0, or a negative value on failure.
// parent 0 = top-level window; otherwise the handle of the parent panel.
int LoadPanel(int parentPanel, const char* resourceFile, int resourceId);
int DisplayPanel(int panel);
int HidePanel(int panel);
int DiscardPanel(int panel);
int SetActivePanel(int panel);
int SetActiveCtrl(int panel, int control);
int GetPanelAttribute(int panel, int attribute, int* value);
int SetPanelAttribute(int panel, int attribute, int value);
int SetPanelAttribute(int panel, int attribute, const char* value);

int RunUserInterface(void);
int QuitUserInterface(int returnCode);
// Runs pending events; when none is pending, waits a few milliseconds for
// the next one (serial data, timer, input). Never spins.
int ProcessSystemEvents(void);
// Draws now what waits to be drawn (graph changes, display texts, window
// repaints) as far as the refresh rate allows; takes no serial or input
// events. A loop calls it right after writing a request, while the line is
// busy anyway.
int ProcessDrawEvents(void);

// Values. Numeric controls take and give numbers; text controls strings;
// rings (drop-downs) the value of the selected item.
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, unsigned int value);
int SetCtrlVal(int panel, int control, double value);
int SetCtrlVal(int panel, int control, const char* value);
int GetCtrlVal(int panel, int control, int* value);
int GetCtrlVal(int panel, int control, unsigned short* value);
int GetCtrlVal(int panel, int control, short* value);
int GetCtrlVal(int panel, int control, unsigned int* value);
int GetCtrlVal(int panel, int control, double* value);
int GetCtrlVal(int panel, int control, float* value);
// Text of a text control, terminated, at most size-1 characters.
int GetCtrlString(int panel, int control, char* buffer, int size);

int SetCtrlAttribute(int panel, int control, int attribute, int value);
int SetCtrlAttribute(int panel, int control, int attribute, const char* value);
int GetCtrlAttribute(int panel, int control, int attribute, int* value);
// Panel coordinates of the control.
int GetCtrlBoundingRect(int panel, int control, int* top, int* left, int* height, int* width);

// Rings: item index 0..n-1 gets a new label and value (appended when index
// equals the item count).
int ReplaceListItem(int panel, int control, int index, const char* label, int value);
int ClearListCtrl(int panel, int control);
// Index of the first ring item with that value (into *index), or negative.
int GetIndexFromValue(int panel, int control, int* index, int value);
// Text of a ring item (at most size-1 bytes). 0 or negative.
int GetLabelFromIndex(int panel, int control, int index, char* label, int size);
// The label a control shows beside it (a button: its text). 0 or negative.
int GetCtrlLabel(int panel, int control, char* label, int size);
int InsertListItem(int panel, int control, int index, const char* label, int value);
// Text boxes.
int ResetTextBox(int panel, int control, const char* text);
int ReplaceTextBoxLine(int panel, int control, int line, const char* text);
int GetTextBoxLine(int panel, int control, int line, char* buffer, int size);

// A run-time text message on a panel; returns its control id (> 0).
enum { CTRL_TEXT_MSG = 160 };
int NewCtrl(int panel, int style, const char* label, int top, int left);
int DisplayImageFile(int panel, int control, const char* path);

// ------------------------------------------------------------ desk habits
// Runs after every value change or commit a user made on a control, once
// the control's own callback is done (the program compares its panels).
typedef void (*UserEventHookPtr)(void);
void InstallUserEventHook(UserEventHookPtr hook);
// A key sequence ("F5", "Ctrl+Shift+S") in the panel's window: acts as a
// click on control, or kShortcutClose as the window's close box, or
// kShortcutHelp as a right click on the control that has the keyboard focus.
enum { kShortcutClose = -1, kShortcutHelp = -2 };
int SetPanelShortcut(int panel, const char* keys, int control);

// Settings kept between runs (an INI file in the user's configuration
// folder). A file that cannot be read is ignored with a note on standard
// error. Get returns 1 and the text when the key is known, else 0 and "".
int SettingGet(const char* key, char* out, int size);
void SettingSet(const char* key, const char* value);
// Window size and place of a panel, kept under key.
void SettingSavePanelPlace(int panel, const char* key);
int SettingRestorePanelPlace(int panel, const char* key);
// Folder where the program may write files of its own by default: its own
// folder when writable, else the user's home. 0 or -1.
int GetWritableDir(char* out, int outSize);

// ------------------------------------------------------------------ graphs

enum { VAL_XAXIS = 0, VAL_LEFT_YAXIS = 1 };
enum { VAL_MANUAL = 0 };
enum { VAL_IMMEDIATE_DRAW = 1, VAL_DELAYED_DRAW = 2 };
enum { VAL_ALL_PLOTS = -1 };
// Plot styles used by the curve plots.
enum { VAL_THIN_LINE = 0, VAL_THIN_STEP = 5 };
enum { VAL_SOLID = 0, VAL_DASH = 1 };
enum { VAL_NO_POINT = 10 };

int SetAxisScalingMode(int panel, int control, int axis, int mode, double min, double max);
int SetGraphCursor(int panel, int control, int cursor, double x, double y);
int DeleteGraphPlot(int panel, int control, int plotHandle, int refresh);
// Filled rectangle; returns a plot handle (> 0).
int PlotRectangle(int panel, int control, double x1, double y1, double x2, double y2, int color,
                  int fillColor);
// Curve of n points; y as unsigned 16-bit values. Returns a plot handle.
int PlotXY(int panel, int control, const double* x, const uint16_t* y, int n, int plotStyle,
           int pointStyle, int lineStyle, int pointFrequency, int color);
// Strip chart: n values interleaved by trace (ATTR_NUM_TRACES traces),
// starting at index start, skip 0. Shows exactly the last
// ATTR_POINTS_PER_SCREEN samples per trace handed over.
int PlotStripChart(int panel, int control, const double* values, int n, int start, int skip);
int SetTraceAttribute(int panel, int control, int trace, int attribute, int value);
// Names a strip-chart trace (ATTR_TRACE_LG_TEXT) or a plot (ATTR_PLOT_LG_TEXT)
// for the legend and for the header row of a saved table.
int SetTraceAttributeEx(int panel, int control, int trace, int attribute, const char* value);
int SetPlotAttribute(int panel, int control, int plotHandle, int attribute, const char* value);
// Saves what a graph shows: "*.csv" as a table (header row naming the
// traces, then one row per x), "*.png" as a picture. The file appears
// complete or not at all. 0, or a negative error (kind, value, file).
int SaveGraphFile(int panel, int control, const char* path);

// ------------------------------------------------------------ PDF report
// A document built item by item, then written as one PDF (A4, whole or
// not at all). Items flow down the page and onto new pages as needed.
enum { VAL_REPORT_TITLE = 0, VAL_REPORT_HEADING, VAL_REPORT_TEXT };
enum { VAL_ROW_HEADER = 0, VAL_ROW_PLAIN, VAL_ROW_MARKED };
// title: the document's title in its properties.
void ReportBegin(const char* title);
void ReportAddText(const char* text, int style);
// A table row of up to 8 cells; the first column is the widest.
void ReportAddRow(const char* const* cells, int count, int style);
// The graph as it is drawn now, the page's width, under a caption.
int ReportAddGraph(int panel, int control, const char* caption);
// 0, or negative when the file cannot be written (nothing left under path).
int ReportSave(const char* path);
// The files a report writes for a chosen name: the document with ".pdf",
// its table with ".csv" beside it, so the two never share a name (a chosen
// ".pdf" or ".csv" ending is replaced, any other kept). 1, or 0 when a
// name does not fit size characters.
int ReportFileNames(const char* chosen, char* pdf, char* csv, int size);

// ------------------------------------------------------------------ timing

double Timer(void);  // seconds since start, monotonic
void Delay(double seconds);
void Sleep(int milliseconds);

// ------------------------------------------------------------------ popups

enum {
    VAL_NO_FILE_SELECTED = 0,
    VAL_EXISTING_FILE_SELECTED = 1,
    VAL_NEW_FILE_SELECTED = 2,
};
// buttonIsLoad: 1 opens a file, 0 saves one (the dialog asks before an
// existing file is chosen), VAL_SELECT_BUTTON chooses a file to write that
// the caller asks about itself (no question from the dialog).
enum { VAL_SELECT_BUTTON = 2 };
// The popup belongs to the window whose control is being answered (else the
// main window) and opens over it.
// path receives the chosen file (up to pathSize-1 characters). Returns one
// of the VAL_..._SELECTED codes, or a negative value on failure.
int FileSelectPopup(const char* defaultDirectory, const char* defaultFileName,
                    const char* fileTypeList, const char* title, int buttonIsLoad,
                    int restrictDirectory, int restrictExtension, int allowCancel,
                    int allowMakeDirectory, char* path, int pathSize);
// 1 for yes, 0 for no.
int ConfirmPopup(const char* title, const char* message);
int MessagePopup(const char* title, const char* message);
// Asks for a line of text; 1 with the answer in response (cut to fit),
// 0 when cancelled.
int PromptPopup(const char* title, const char* message, char* response, int responseSize);

// ------------------------------------------------------------ number files

enum { VAL_TRUNCATE = 0, VAL_APPEND = 1 };
// Every save's answer when its target is a device node, a FIFO, a socket or
// a folder: only regular files and new names are written (or deleted).
enum { VAL_ERR_NOT_REGULAR_FILE = -20 };
// A head load's answer for a character that is neither digit nor white
// space, or a number above the largest allowed.
enum { VAL_ERR_BAD_NUMBER = -21 };
// Writes n unsigned numbers, one per line, right-aligned in fieldWidth
// characters. Truncating writes go to a temporary file in the same folder
// that is renamed over the target, so a failed save never destroys the
// earlier file. Returns 0, or a negative value on failure.
int ArrayToFile(const char* path, const uint32_t* values, int n, int fieldWidth, int action);
// Reads exactly n unsigned decimal numbers separated by white space.
// Returns 0 and fills values only when n numbers were read; a negative
// value (values untouched) when the file is missing, unreadable, short or
// holds anything but unsigned decimal numbers.
int FileToArray(const char* path, uint32_t* values, int n);
// Reads the first n unsigned decimal numbers of a text file written by
// another tool: a leading UTF-8 byte-order mark is skipped, and whatever
// follows the n-th number (or a DOS end-of-file byte) is not read. A number
// above largest or a character that is neither digit nor white space
// fails. Returns the count read (values filled only when it is n), or a
// negative value; *line: the line that failed, or of the last number read.
int FileHeadToArray(const char* path, uint32_t* values, int n, uint32_t largest, int* line);
// Appends raw bytes to an existing regular file in one piece and syncs
// them: on failure the file is cut back to its earlier end. A file that is
// gone is not created again. Returns 0 or negative.
int AppendToFile(const char* path, const char* data, int length);
// Creates path (which must not exist) with the bytes, synced; on failure
// no file stays. Returns 0 or negative.
int WriteNewFile(const char* path, const char* data, int length);
// 1 when the file exists (size into *size when non-null), else 0.
int GetFileInfo(const char* path, long* size);
int CVI_DeleteFile(const char* path);
// Writes length bytes as the whole new content of path: the file appears
// complete or, on any failure, not at all (an earlier file stays). 0 or
// negative.
int SaveTextFile(const char* path, const char* data, int length);
// dir + separator + file into out (at most outSize-1 characters); 0 or -1.
int MakePathname(const char* directory, const char* fileName, char* out, int outSize);
// Folder of the program into out; 0 or -1.
int GetProjectDir(char* out, int outSize);
// "MM-DD-YYYY" and "HH:MM:SS".
const char* DateStr(void);
const char* TimeStr(void);
