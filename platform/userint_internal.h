// Shared state of the user-interface half of the runtime layer: the panel
// and control registry that panels.cpp builds from the registered forms and
// the binding table, the calls the panel and control files make on each
// other, and the hooks that graphs, popups, host and script code use on it.
// Internal to platform/: program code sees only cvi.h.
//
// Facts owned here:
//  - panel handles count 1, 2, 3, ... in load order and are never reused;
//  - a control is (panel handle, control id); ids from the binding table,
//    run-time text messages from kFirstNewCtrlId on;
//  - error results: kUiErrPanel (no such panel), kUiErrControl (no such
//    control, or the form lacks it), kUiErrKind (call or attribute does not
//    apply to that control), kUiErrValue (value refused), kUiErrFile.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <vector>

#include "platform/cvi.h"

class QLabel;
class QCustomPlot;

namespace kui {

enum {
    kUiErrPanel = -1,
    kUiErrControl = -2,
    kUiErrKind = -3,
    kUiErrValue = -4,
    kUiErrFile = -5,
};

enum { kFirstNewCtrlId = 1000, kPathBytes = 4096 };

// Widget kinds, decided once when a panel is loaded.
enum Kind {
    kKindOther = 0,
    kKindButton,      // QPushButton, not checkable
    kKindToggle,      // QPushButton, checkable (binary switches too)
    kKindRadio,       // QRadioButton
    kKindCheck,       // QCheckBox
    kKindRing,        // QComboBox
    kKindSpin,        // QSpinBox
    kKindDoubleSpin,  // QDoubleSpinBox
    kKindSlider,      // QSlider
    kKindLine,        // QLineEdit (displays, text lines)
    kKindTextBox,     // QPlainTextEdit
    kKindLabel,       // QLabel (text messages, pictures, help boxes)
    kKindFrame,       // QFrame (decorations)
    kKindGraph,       // QCustomPlot
};

struct GraphState;  // graphs.cpp

struct Ctrl {
    int panel = 0;
    int id = 0;
    const char* name = "";
    CtrlCallbackPtr callback = nullptr;
    Kind kind = kKindOther;
    QPointer<QWidget> widget;
    QPointer<QLabel> label;       // "<name>_label" when the form has one
    QPointer<QLabel> valueLabel;  // "<name>_value" beside sliders
    QString baseStyle;            // the form's own style sheet
    int bgColor = -1;             // colours set at run time, -1 = form's
    int textColor = -1;
    int isBinarySwitch = 0;  // BINSW: text follows the state
    QString onText, offText;
    int autoSize = 0;    // run-time text messages size to their text
    int legacy8bit = 0;  // last text came as 8-bit (code page) bytes
    int hasPending = 0;  // display text waiting for the next refresh
    QString pending;
    GraphState* graph = nullptr;
    QPointer<QWidget> mark;  // frame around an edited control (desk.cpp)
    int markColor = -1;
};

struct Panel {
    int handle = 0;
    int resourceId = 0;
    int parent = 0;
    const char* name = "";
    PanelCallbackPtr callback = nullptr;
    QPointer<QWidget> widget;
    std::vector<Ctrl*> ctrls;  // indexed by control id
    int nextNewCtrl = kFirstNewCtrlId;
};

// Lookups; nullptr when the handle, the id or the widget is gone.
Panel* FindPanel(int handle);
Ctrl* FindCtrl(int panel, int control);
// As FindCtrl, but also a control whose form lacks the widget.
Ctrl* FindCtrlRecord(int panel, int control);
int PanelCount(void);  // highest handle given so far

// Binding table lookups by name (script and host).
int BindingByName(const char* name, int* resourceId, int* controlId);
// First live panel loaded from a resource, or 0.
int PanelOfResource(int resourceId);

// What a control shows, as text (host read-back).
QString CtrlText(Ctrl* c);
// Background colour 0xRRGGBB as shown.
int CtrlBackground(Ctrl* c);
// Sets a value as quietly as SetCtrlVal; 0 or a kUiErr code.
int CtrlSetNumber(Ctrl* c, double value);

// Runs a control's callback (nothing when it has none or is dimmed).
void Deliver(Ctrl* c, int event, int data1, int data2);
// Runs a panel's callback; 1 when it had one.
int DeliverPanel(Panel* p, int event);
// Quiet scope: value changes made by the program raise no events.
struct Quiet {
    Quiet();
    ~Quiet();
};
int IsQuiet(void);

// The mouse path: sends a synthetic press of the button to the control's
// widget so it goes through the same filter as a real one. 1/0.
int SendPress(Ctrl* c, int rightButton);
// Close request of a panel's window through the same path as the close box.
int SendClose(Panel* p);

// The window a popup belongs to: the window of the panel whose callback is
// running, else the active window of the program, else the main window
// (the first top-level panel). Remembered for LastPopupParent.
QWidget* PopupParent(void);
int LastPopupParent(void);  // its top-level panel, 0 when none
int WindowPanel(const QWidget* window);

// Controls of a top-level panel that follow its size (follow.cpp).
void FollowPanelSize(QWidget* panel);

// Graph side (graphs.cpp).
GraphState* GraphAttach(Ctrl* c, QCustomPlot* plot);
void GraphDetach(GraphState* g);
int GraphSetAttribute(Ctrl* c, int attribute, int value);
int GraphGetAttribute(Ctrl* c, int attribute, int* value);
// Mouse navigation of a graph's x axis (PlotWidget): the user's range
// holds over the program's until GraphAutoX. GraphUserX refuses (0) a
// range that is empty, not finite, or far off the program's span.
int GraphUserX(const QCustomPlot* plot, double lower, double upper);
void GraphAutoX(const QCustomPlot* plot);
// Replots every graph with pending changes now (screenshots).
void GraphFlushAll(void);
// What a graph shows as CSV text (header row, then data rows); 1/0.
int GraphTableText(Ctrl* c, QString* out);
// The graph drawn at its own size (0, 0) or the given one, scale times as
// many pixels each way; null if none. The graph on screen stays as it was.
QPixmap GraphPicture(Ctrl* c, int width, int height, double scale = 1.0);
// Height of a graph's smallest text (tick labels, legend) in its pixels.
double GraphTextPixels(Ctrl* c);
// Replots the graphs with pending changes if the refresh rate allows.
void GraphFlushDue(void);

// Drawing yields to the serial line: from a reply handed to the program
// until the program's next write (at most a few milliseconds) the refresh
// timers wait, so a repaint never sits between a reply and the request it
// lets go.
void LineTurnBegin(void);  // serial: a reply was delivered
void LineTurnEnd(void);    // serial: a frame was written
// 1 while drawing must wait; then *retryMs says when to look again.
int LineTurnHeld(int* retryMs);
// Shows every display text still waiting for its refresh (screenshots).
void DisplayFlushAll(void);

// The control a widget (or a child of it) belongs to, or nullptr.
Ctrl* CtrlOfWidget(QObject* w);
// Desk side (desk.cpp): the mark frame around a control (-1 none), and the
// program's hook after a user event.
int CtrlSetMark(Ctrl* c, int rgb);
int CtrlMark(Ctrl* c);
void RunUserEventHook(int event);

// Serial side (porthint.cpp): the device of a port that would not open,
// and whether the system refused it (permission, busy).
void NoteOpenRefusal(int port, const char* device, int refused);

// Calls of QuitUserInterface so far (the script's quit sees a refusal).
int QuitCount(void);

// Script side (script.cpp): starts the loaded steps once the event loop
// runs.
void ScriptStartIfPending(void);
// Appends steps to the loaded script (main: --screenshot after --script).
int ScriptAppendText(const char* text, char* error, int errorSize);

// ---- Between the panel and control files -------------------------------

enum {
    kMaxRingItems = 4096,
    kMaxCoordinate = 100000,  // places and sizes, either way
};

// kUiErrPanel when the panel is gone, else kUiErrControl (a lookup failed).
int ErrorFor(int panel);
// 1 while a QApplication runs: panels need one.
int HasApp(void);
// 1 when a place lies within kMaxCoordinate either way.
int InRange(int v);

// Input (input.cpp): the event filter on a control's widget tree and on a
// top-level panel's window; how many callbacks run now, one in another.
void MapWidgetTree(QWidget* w, Ctrl* c);
void UnmapWidgetTree(QWidget* w);
void WatchPanelWindow(QWidget* w, Panel* p);
int CallbackDepth(void);
// Event loops of RunUserInterface running now (uiloop.cpp).
int LoopDepth(void);

// Kinds (ctrlkinds.cpp). BindControl makes the record of a binding on a
// loaded panel and ties it to its widget; nullptr for a duplicate id.
Ctrl* BindControl(Panel* p, const CtrlBinding& b);
void UpdateSwitchText(Ctrl* c);  // a binary switch's text follows its state
void UpdateValueLabel(Ctrl* c);  // a slider's value readout
void SizeToText(Ctrl* c);        // labels that size to their text
void ApplyColors(Ctrl* c);       // the run-time colours onto the widget
int CtrlTextColor(Ctrl* c);      // text colour 0xRRGGBB as shown

// What a text control shows (ctrlvalues.cpp); raises no events inside a
// Quiet scope.
void SetText(Ctrl* c, const QString& text, int was8bit);

// Displays (displays.cpp): an editable line shows text at once, a
// read-only one at its next refresh; a discarded panel's waiting texts go.
void ShowLineText(Ctrl* c, const QString& text);
void QueueDisplayText(Ctrl* c, const QString& text);
void DropPendingDisplays(int panel);
// Shows the waiting display texts when their refresh is due.
void DisplayFlushDue(void);

// Text from the program: UTF-8 when it is valid UTF-8, else the 8-bit
// code page text of the original program (0xB5 micro sign), read as
// Latin-1. *was8bit (may be null) tells which.
QString FromC(const char* text, int* was8bit);
// Copies text into a C buffer, never more than size-1 bytes, never cutting
// a UTF-8 sequence in half; as 8-bit bytes when as8bit and the text fits
// (so code page text set by the program reads back byte for byte).
// Returns the bytes copied, or -1 when the buffer is null or size < 1.
int CopyOut(const QString& text, char* buffer, int size, int as8bit);

}  // namespace kui
