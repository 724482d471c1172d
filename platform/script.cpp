// Script runner: steps, one per line, run from timers inside the event
// loop, so they also run while a callback's own loop (RUN, VIDEO, the
// recorder) keeps the interface alive.
//
// Steps: click CONTROL | set CONTROL VALUE | rightclick CONTROL | wait MS |
// screenshot FILE.png | windowshot CONTROL FILE.png (the window holding
// CONTROL, e.g. the recorder window) | file PATH | file cancel | confirm yes|no | quit;
// checks and records: expect CONTROL VALUE (VALUE is the rest of the line,
// compared with what the control shows; a checkable control shows 1 or 0)
// | print CONTROL (CONTROL<TAB>value on standard output) | export GRAPH
// FILE.csv|FILE.png | report FILE.pdf (answers the file popup of
// BTNReport with FILE alone and clicks it; the PDF and the table beside it
// must both be written). A failed expect, export or report is counted
// (HostScriptFailures) and the script goes on.
// A script acts as a user: click, set, rightclick and report refuse a
// control that is hidden or dimmed, and count as failed. The answers of
// file and confirm steps belong to the next other step only and are
// dropped after it: an unused file answer counts as its failure, an
// unused confirm answer (a question rightly not asked) only gives a note.
// '#' starts a comment line; blank lines are allowed; a byte that is not
// text (NUL and other control characters but tab, CR and LF) makes a bad
// script. Controls are named as in the binding table. Loading checks every
// line and stops at the first bad one with a message naming its number.
// The steps start when RunUserInterface starts; the next step's timer is set before a step
// runs, so a step whose callback loops does not hold up the ones after it
// (report alone finishes first). quit is the main panel's close request:
// the program may refuse it (unsaved settings), and the script goes on.
// After the last step the program keeps running unless that step was quit
// or HostScriptQuitAtEnd asked for an end (headless).
#include <QAbstractButton>
#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/fleet_plan.h"
#include "core/linkwatch.h"
#include "platform/cvi.h"
#include "platform/host.h"
#include "platform/userint_internal.h"

namespace {

enum StepKind {
    kStepClick,
    kStepSet,
    kStepRightClick,
    kStepWait,
    kStepScreenshot,
    kStepWindowShot,
    kStepFile,
    kStepConfirm,
    kStepQuit,
    kStepExpect,
    kStepPrint,
    kStepExport,
    kStepReport,
    kStepPrintLink,  // print LINK: the link counters
};

enum ArgRule {
    kArgNone,
    kArgControl,
    kArgControlValue,
    kArgMs,
    kArgRest,
    kArgYesNo,
    kArgControlText,  // CONTROL, then the rest of the line as text
    kArgControlFile,  // CONTROL FILE with an extension of the step
    kArgFile,         // FILE with an extension of the step
};

struct StepSpec {
    const char* word;
    StepKind kind;
    ArgRule args;
};

const StepSpec kSteps[] = {
    {"click", kStepClick, kArgControl},
    {"set", kStepSet, kArgControlValue},
    {"rightclick", kStepRightClick, kArgControl},
    {"wait", kStepWait, kArgMs},
    {"screenshot", kStepScreenshot, kArgRest},
    {"file", kStepFile, kArgRest},
    {"confirm", kStepConfirm, kArgYesNo},
    {"quit", kStepQuit, kArgNone},
    {"expect", kStepExpect, kArgControlText},
    {"print", kStepPrint, kArgControl},
    {"export", kStepExport, kArgControlFile},
    {"report", kStepReport, kArgFile},
    {"windowshot", kStepWindowShot, kArgControlFile},
};

// File extensions a step accepts, as "csv png".
struct StepFiles {
    StepKind kind;
    const char* suffixes;
    const char* usage;
};
const StepFiles kStepFiles[] = {
    {kStepExport, "csv png", "expected: export GRAPH FILE.csv | export GRAPH FILE.png"},
    {kStepReport, "pdf", "expected: report FILE.pdf"},
    {kStepWindowShot, "png", "expected: windowshot CONTROL FILE.png"},
};
const char kReportButton[] = "BTNReport";
const unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
const unsigned char kDeleteByte = 0x7F;
const char kLineJoin[] = " | ";

const char kCancelWord[] = "cancel";
const char kYesWord[] = "yes";
const char kNoWord[] = "no";
enum {
    kStepGapMs = 20,
    kMaxWaitMs = 24 * 3600 * 1000,
    kMaxScriptBytes = 1 << 20,
    kMainPanel = 1,
    kReportPathSize = 4096,
};

struct Step {
    StepKind kind;
    int line;
    int resourceId = 0;
    int controlId = 0;
    std::string controlName;
    double value = 0.0;
    int ms = 0;
    int yes = 0;
    std::string text;  // file name, empty = cancel
};

std::vector<Step> gScript;
int gFailures = 0;      // checks, refused actions and unused answers
int gAnswersOwner = 0;  // line of the step the queued answers belong to
size_t gNextStep = 0;
int gScriptStarted = 0;
int gGeneration = 0;  // a reload makes pending timers of the old script stale

// ---- print LINK and the {PORT}/{MODEL} names of files ----

const char kLinkName[] = "LINK";
HostNameSource gNameSource = nullptr;
std::string gFirstFailure;
std::string gReportFile;

int IsPrintLink(StepKind kind, const QStringList& parts) {
    return kind == kStepPrint && parts.size() == 1 && parts[0] == QLatin1String(kLinkName);
}

void PrintLink(void) {
    LinkHealth h;
    LinkHealthAt(Timer(), &h);
    char line[kTraceLineSize];
    LinkHealthLine(&h, line, sizeof line);
    std::printf("%s\t%s\n", kLinkName, line);
    std::fflush(stdout);
}

// Steps whose text is a file name.
const StepKind kFileSteps[] = {kStepScreenshot, kStepWindowShot, kStepFile, kStepExport,
                               kStepReport};

// A file name with {PORT} and {MODEL} replaced, so every sensor of a fleet
// gets files of its own.
void ExpandFileName(StepKind kind, std::string* text) {
    int isFile = 0;
    for (StepKind k : kFileSteps) isFile |= k == kind;
    if (!isFile || text->find('{') == std::string::npos) return;
    char port[kFleetFieldSize] = "", model[kFleetFieldSize] = "", out[kFleetLineSize];
    if (gNameSource) gNameSource(port, sizeof port, model, sizeof model);
    if (FleetExpandNames(text->c_str(), port, model, out, sizeof out)) *text = out;
}

// ---- end of print LINK and names ----

void SetError(char* error, int errorSize, int line, const char* what, const QString& detail) {
    if (!error || errorSize < 1) return;
    std::snprintf(error, static_cast<size_t>(errorSize), "script line %d: %s%s", line, what,
                  detail.toUtf8().constData());
}

const StepFiles* FilesOf(StepKind kind) {
    for (const StepFiles& f : kStepFiles)
        if (f.kind == kind) return &f;
    return nullptr;
}

const char* UsageOf(StepKind kind) {
    const StepFiles* f = FilesOf(kind);
    return f ? f->usage : "";
}

int FileFits(StepKind kind, const QString& file) {
    const StepFiles* f = FilesOf(kind);
    if (!f || file.isEmpty()) return 0;
    const QString suffix = QFileInfo(file).suffix().toLower();
    return !suffix.isEmpty() &&
           QString::fromLatin1(f->suffixes).split(QLatin1Char(' ')).contains(suffix);
}

int ParseText(const QString& text, int firstLine, std::vector<Step>* out, char* error,
              int errorSize) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        const int lineNo = firstLine + n;
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const int gap = line.indexOf(QRegularExpression(QStringLiteral("\\s")));
        const QString word = gap < 0 ? line : line.left(gap);
        const QString rest = gap < 0 ? QString() : line.mid(gap + 1).trimmed();
        const StepSpec* spec = nullptr;
        for (const StepSpec& s : kSteps)
            if (word == QLatin1String(s.word)) spec = &s;
        if (!spec) {
            SetError(error, errorSize, lineNo, "unknown step: ", word);
            return 0;
        }
        Step step;
        step.kind = spec->kind;
        step.line = lineNo;
        const QStringList parts =
            rest.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (IsPrintLink(spec->kind, parts)) {  // no control: the link's counters
            step.kind = kStepPrintLink;
            out->push_back(step);
            continue;
        }
        switch (spec->args) {
            case kArgNone:
                if (!parts.isEmpty()) {
                    SetError(error, errorSize, lineNo, "this step takes nothing after ", word);
                    return 0;
                }
                break;
            case kArgControl:
            case kArgControlValue: {
                const int want = spec->args == kArgControl ? 1 : 2;
                if (parts.size() != want) {
                    SetError(error, errorSize, lineNo, "expected: ",
                             word + (want == 1 ? QStringLiteral(" CONTROL")
                                               : QStringLiteral(" CONTROL VALUE")));
                    return 0;
                }
                const QByteArray name = parts[0].toUtf8();
                if (!kui::BindingByName(name.constData(), &step.resourceId, &step.controlId)) {
                    SetError(error, errorSize, lineNo, "unknown control: ", parts[0]);
                    return 0;
                }
                step.controlName = name.toStdString();
                if (want == 2) {
                    bool ok = false;
                    step.value = parts[1].toDouble(&ok);
                    if (!ok || !std::isfinite(step.value)) {
                        SetError(error, errorSize, lineNo, "not a number: ", parts[1]);
                        return 0;
                    }
                }
                break;
            }
            case kArgMs: {
                bool ok = false;
                const qlonglong ms = parts.size() == 1 ? parts[0].toLongLong(&ok) : -1;
                if (!ok || ms < 0 || ms > kMaxWaitMs) {
                    SetError(error, errorSize, lineNo, "expected: wait MS (0 to 86400000)",
                             QString());
                    return 0;
                }
                step.ms = static_cast<int>(ms);
                break;
            }
            case kArgRest:
                if (rest.isEmpty()) {
                    SetError(error, errorSize, lineNo, "expected a file after ", word);
                    return 0;
                }
                if (!(step.kind == kStepFile && rest == QLatin1String(kCancelWord)))
                    step.text = QFile::encodeName(rest).toStdString();
                break;
            case kArgControlText:
            case kArgControlFile:
            case kArgFile: {
                QString fileText = rest;
                if (spec->args != kArgFile) {
                    const int cut = rest.indexOf(QRegularExpression(QStringLiteral("\\s")));
                    const QString name = cut < 0 ? rest : rest.left(cut);
                    fileText = cut < 0 ? QString() : rest.mid(cut + 1).trimmed();
                    const QByteArray bytes = name.toUtf8();
                    if (name.isEmpty()) {
                        SetError(error, errorSize, lineNo, "expected a control after ", word);
                        return 0;
                    }
                    if (!kui::BindingByName(bytes.constData(), &step.resourceId, &step.controlId)) {
                        SetError(error, errorSize, lineNo, "unknown control: ", name);
                        return 0;
                    }
                    step.controlName = bytes.toStdString();
                }
                if (spec->args == kArgControlText) {
                    step.text = fileText.toUtf8().toStdString();
                    break;
                }
                if (!FileFits(step.kind, fileText)) {
                    SetError(error, errorSize, lineNo, UsageOf(step.kind), QString());
                    return 0;
                }
                step.text = QFile::encodeName(fileText).toStdString();
                break;
            }
            case kArgYesNo:
                if (parts.size() == 1 && parts[0] == QLatin1String(kYesWord)) {
                    step.yes = 1;
                } else if (parts.size() == 1 && parts[0] == QLatin1String(kNoWord)) {
                    step.yes = 0;
                } else {
                    SetError(error, errorSize, lineNo, "expected: confirm yes | confirm no",
                             QString());
                    return 0;
                }
                break;
        }
        out->push_back(step);
    }
    return 1;
}

void Report(const Step& s, const char* what) {
    std::fprintf(stderr, "script line %d: %s\n", s.line, what);
}

void NoteFailure(const Step& s, const std::string& what) {
    if (gFirstFailure.empty()) gFirstFailure = "line " + std::to_string(s.line) + ": " + what;
}

void Fail(const Step& s, const char* what) {
    ++gFailures;
    NoteFailure(s, what);
    Report(s, what);
}

// What a control shows, as a check compares it: a checkable button its
// state, every other control its text (ring items by their label), the
// lines of a text box joined by " | " so it fits on one line.
QString Shown(kui::Ctrl* c) {
    if (auto* b = qobject_cast<QAbstractButton*>(c->widget.data()))
        if (b->isCheckable()) return QString::number(b->isChecked() ? 1 : 0);
    QStringList lines = kui::CtrlText(c).split(QLatin1Char('\n'));
    for (QString& l : lines) l = l.trimmed();
    lines.removeAll(QString());
    return lines.join(QLatin1String(kLineJoin));
}

void Expect(const Step& s, int panel) {
    kui::Ctrl* c = kui::FindCtrl(panel, s.controlId);
    if (!c) {
        Fail(s, "the control is not on its panel");
        return;
    }
    const QString shown = Shown(c);
    const QString wanted = QString::fromUtf8(s.text.c_str());
    if (shown == wanted) return;
    ++gFailures;
    NoteFailure(s, "expect " + s.controlName + " " + s.text);
    std::fprintf(stderr, "script line %d: expect %s: expected \"%s\", shown \"%s\"\n", s.line,
                 s.controlName.c_str(), wanted.toUtf8().constData(), shown.toUtf8().constData());
}

void Print(const Step& s, int panel) {
    kui::Ctrl* c = kui::FindCtrl(panel, s.controlId);
    const QString shown = c ? Shown(c) : QString();
    std::printf("%s\t%s\n", s.controlName.c_str(), shown.toUtf8().constData());
    std::fflush(stdout);
}

// Why a user could not act on the control now, or nullptr when one could.
const char* Unreachable(int panel, int control) {
    kui::Ctrl* c = kui::FindCtrl(panel, control);
    if (!c || !c->widget) return "the control is not on its panel";
    if (!c->widget->isVisible()) return "the control is hidden";
    if (!c->widget->isEnabled()) return "the control is dimmed";
    return nullptr;
}

// A refused action: the step did not do what it says.
void Refused(const Step& s, const char* step, const char* why) {
    ++gFailures;
    std::fprintf(stderr, "script line %d: %s %s refused: %s\n", s.line, step, s.controlName.c_str(),
                 why);
}

// A file stands for a new one when it is there and not the one seen before.
struct Seen {
    QString name;
    QDateTime was;
};
Seen Before(const char* path) {
    const QFileInfo info(QFile::decodeName(path));
    return {info.filePath(), info.exists() ? info.lastModified() : QDateTime()};
}
int WrittenSince(const Seen& before) {
    const QFileInfo after(before.name);
    return after.exists() && (!before.was.isValid() || after.lastModified() != before.was);
}

// The report comes from the program's own button: the step answers its
// file popup with its own FILE and nothing else, clicks it, then looks for
// a new document and a new table under the names.
void WriteReport(const Step& s) {
    if (HostFileAnswersQueued() > 0) Fail(s, "a report uses its own FILE, not a file answer");
    HostClearAnswers();
    int panel = 0, control = 0;
    if (!HostFindControl(kReportButton, &panel, &control)) {
        Fail(s, "this program has no report button");
        return;
    }
    char pdf[kReportPathSize], csv[kReportPathSize];
    if (!ReportFileNames(s.text.c_str(), pdf, csv, sizeof pdf)) {
        Fail(s, "report file name too long");
        return;
    }
    if (const char* why = Unreachable(panel, control)) {
        Refused(s, "report", why);
        return;
    }
    const Seen pdfBefore = Before(pdf), csvBefore = Before(csv);
    HostQueueFileAnswer(s.text.c_str());
    HostClick(panel, control);
    HostClearAnswers();  // a refused report leaves its answer to no one
    if (!WrittenSince(pdfBefore))
        Fail(s, "report not written");
    else if (!WrittenSince(csvBefore))
        Fail(s, "report table (CSV) not written");
    else
        gReportFile = pdf;
}

int MainPanel() {
    if (kui::FindPanel(kMainPanel)) return kMainPanel;
    for (int h = 1; h <= kui::PanelCount(); ++h) {
        kui::Panel* p = kui::FindPanel(h);
        if (p && p->widget->isWindow()) return h;
    }
    return 0;
}

void RunNextStep(int generation);

// As the user ends the program: the main panel's close request lets the
// program stop its loops, close the port, and ask what it must ask; a
// panel without a callback just ends. 1 when the program is ending.
int RequestQuit(void) {
    const int before = kui::QuitCount();
    kui::Panel* p = kui::FindPanel(MainPanel());
    if (p && p->callback)
        kui::SendClose(p);
    else
        QuitUserInterface(0);
    if (kui::QuitCount() == before) return 0;
    ++gGeneration;  // nothing runs after the end
    return 1;
}

int gQuitAtEnd = 0;

void ScheduleStep(int delayMs) {
    const int generation = gGeneration;
    QTimer::singleShot(delayMs, [generation]() { RunNextStep(generation); });
}

void Execute(const Step& step) {
    Step s = step;
    ExpandFileName(s.kind, &s.text);
    int panel = 0;
    if (s.kind == kStepClick || s.kind == kStepSet || s.kind == kStepRightClick ||
        s.kind == kStepExpect || s.kind == kStepPrint || s.kind == kStepExport ||
        s.kind == kStepWindowShot) {
        panel = kui::PanelOfResource(s.resourceId);
        if (!panel) {
            // A check that cannot look has not held.
            const int check = s.kind == kStepExpect || s.kind == kStepExport;
            (check ? Fail : Report)(s, "the control's panel is not loaded");
            return;
        }
    }
    const char* unreachable = nullptr;
    if (s.kind == kStepClick || s.kind == kStepSet || s.kind == kStepRightClick)
        unreachable = Unreachable(panel, s.controlId);
    switch (s.kind) {
        case kStepClick:
            if (unreachable || !HostClick(panel, s.controlId))
                Refused(s, "click", unreachable ? unreachable : "the control takes no click");
            break;
        case kStepSet:
            if (unreachable || !HostSetValueAsUser(panel, s.controlId, s.value))
                Refused(s, "set", unreachable ? unreachable : "the value is not one it takes");
            break;
        case kStepRightClick:
            if (unreachable || !HostRightClick(panel, s.controlId))
                Refused(s, "rightclick", unreachable ? unreachable : "it takes no right click");
            break;
        case kStepScreenshot:
            if (!HostScreenshot(MainPanel(), s.text.c_str())) Report(s, "screenshot not written");
            break;
        case kStepWindowShot:
            if (!HostScreenshot(panel, s.text.c_str())) Report(s, "screenshot not written");
            break;
        case kStepFile:
            HostQueueFileAnswer(s.text.empty() ? nullptr : s.text.c_str());
            break;
        case kStepConfirm:
            HostQueueConfirmAnswer(s.yes);
            break;
        case kStepQuit:
            if (!RequestQuit()) Report(s, "quit refused by the program; the script goes on");
            break;
        case kStepExpect:
            Expect(s, panel);
            break;
        case kStepPrint:
            Print(s, panel);
            break;
        case kStepExport:
            if (SaveGraphFile(panel, s.controlId, s.text.c_str()) < 0)
                Fail(s, "graph not saved (not a graph, or the file cannot be written)");
            break;
        case kStepReport:
            WriteReport(s);
            break;
        case kStepPrintLink:
            PrintLink();
            break;
        case kStepWait:
            break;
    }
}

// Answers the previous step left unused were meant for a popup that did
// not come: they must not reach a later, unrelated one. A file popup comes
// whenever the step does what the script meant, so an unused file answer
// is a failed step; a question may rightly not be asked (no file to
// overwrite, nothing unsaved), so an unused confirm answer is only dropped,
// with a note.
void DropUnusedAnswers(void) {
    if (gAnswersOwner && HostFileAnswersQueued() > 0) {
        ++gFailures;
        std::fprintf(stderr, "script line %d: no file popup used the file answer given for it\n",
                     gAnswersOwner);
    } else if (gAnswersOwner && HostConfirmAnswersQueued() > 0) {
        std::fprintf(stderr, "script line %d: no question was asked; confirm answer dropped\n",
                     gAnswersOwner);
    }
    if (gAnswersOwner) HostClearAnswers();
    gAnswersOwner = 0;
}

int AnswersQueued(void) {
    return HostFileAnswersQueued() + HostConfirmAnswersQueued();
}

int IsAnswer(StepKind kind) {
    return kind == kStepFile || kind == kStepConfirm;
}

void RunNextStep(int generation) {
    if (generation != gGeneration) return;
    DropUnusedAnswers();
    if (gNextStep < gScript.size() && !IsAnswer(gScript[gNextStep].kind) && AnswersQueued() > 0)
        gAnswersOwner = gScript[gNextStep].line;
    if (gNextStep >= gScript.size()) {
        // No one can close a window nobody sees: a headless run ends with
        // its script, whatever the program would still ask.
        if (gQuitAtEnd && !RequestQuit()) {
            std::fprintf(stderr, "script: ended; the program asked to stay open\n");
            ++gGeneration;
            QuitUserInterface(0);
        }
        return;
    }
    const Step s = gScript[gNextStep++];
    if (s.kind == kStepWait) {
        ScheduleStep(s.ms);
        return;
    }
    // A report is one piece of work, not a loop: the steps after it wait.
    if (s.kind == kStepReport) {
        Execute(s);
        if (generation == gGeneration) ScheduleStep(kStepGapMs);
        return;
    }
    ScheduleStep(kStepGapMs);
    Execute(s);
}

int Load(const QString& text, char* error, int errorSize, int append) {
    if (error && errorSize > 0) error[0] = '\0';
    std::vector<Step> steps;
    if (!ParseText(text, 1, &steps, error, errorSize)) return 0;
    if (!append) {
        gScript.clear();
        gNextStep = 0;
        gScriptStarted = 0;
        gFailures = 0;
        gAnswersOwner = 0;
        gFirstFailure.clear();
        gReportFile.clear();
        ++gGeneration;
    }
    gScript.insert(gScript.end(), steps.begin(), steps.end());
    return 1;
}

}  // namespace

namespace kui {

void ScriptStartIfPending(void) {
    if (gScriptStarted || gScript.empty()) return;
    gScriptStarted = 1;
    ScheduleStep(0);
}

int ScriptAppendText(const char* text, char* error, int errorSize) {
    return Load(FromC(text ? text : "", nullptr), error, errorSize, 1);
}

}  // namespace kui

int HostScriptFailures(void) {
    return gFailures;
}

void HostSetNameSource(HostNameSource source) {
    gNameSource = source;
}

const char* HostScriptFirstFailure(void) {
    return gFirstFailure.c_str();
}

const char* HostScriptReportFile(void) {
    return gReportFile.c_str();
}

void HostScriptQuitAtEnd(int on) {
    gQuitAtEnd = on ? 1 : 0;
}

int HostLoadScriptText(const char* text, char* error, int errorSize) {
    return Load(kui::FromC(text ? text : "", nullptr), error, errorSize, 0);
}

int HostLoadScript(const char* path, char* error, int errorSize) {
    if (error && errorSize > 0) error[0] = '\0';
    QFile f(QFile::decodeName(path ? path : ""));
    if (!path || !*path || !f.open(QIODevice::ReadOnly)) {
        if (error && errorSize > 0)
            std::snprintf(error, static_cast<size_t>(errorSize), "cannot read script %s",
                          path ? path : "");
        return 0;
    }
    const QByteArray bytes = f.read(kMaxScriptBytes + 1);
    if (bytes.size() > kMaxScriptBytes) {
        if (error && errorSize > 0)
            std::snprintf(error, static_cast<size_t>(errorSize), "script %s is too long", path);
        return 0;
    }
    const QByteArrayView bom(reinterpret_cast<const char*>(kByteOrderMark), sizeof kByteOrderMark);
    const qsizetype skip = bytes.startsWith(bom) ? bom.size() : 0;
    int line = 1;
    for (qsizetype i = skip; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == '\n') ++line;
        if ((c < ' ' && c != '\n' && c != '\r' && c != '\t') || c == kDeleteByte) {
            if (error && errorSize > 0)
                std::snprintf(error, static_cast<size_t>(errorSize),
                              "script line %d: a byte that is not text (0x%02X)", line, c);
            return 0;
        }
    }
    return Load(kui::FromC(bytes.constData() + skip, nullptr), error, errorSize, 0);
}
