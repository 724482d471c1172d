// Script runner: steps, one per line, run from timers inside the event
// loop, so they also run while a callback's own loop (RUN, VIDEO, the
// recorder) keeps the interface alive.
//
// Steps: click CONTROL | set CONTROL VALUE | rightclick CONTROL | wait MS |
// screenshot FILE.png | windowshot CONTROL FILE.png (the window holding
// CONTROL, e.g. the recorder window) | file PATH | file cancel | confirm yes|no | quit.
// '#' starts a comment line; blank lines are allowed. Controls are named
// as in the binding table. Loading checks every line and stops at the
// first bad one with a message naming its number. The steps start when
// RunUserInterface starts; the next step's timer is set before a step
// runs, so a step whose callback loops does not hold up the ones after it.
// After the last step the program keeps running unless that step was quit.
#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

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
};

enum ArgRule {
    kArgNone,
    kArgControl,
    kArgControlValue,
    kArgControlFile,
    kArgMs,
    kArgRest,
    kArgYesNo
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
    {"windowshot", kStepWindowShot, kArgControlFile},
};

const char kCancelWord[] = "cancel";
const char kYesWord[] = "yes";
const char kNoWord[] = "no";
enum { kStepGapMs = 20, kMaxWaitMs = 24 * 3600 * 1000, kMaxScriptBytes = 1 << 20, kMainPanel = 1 };

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
size_t gNextStep = 0;
int gScriptStarted = 0;
int gGeneration = 0;  // a reload makes pending timers of the old script stale

void SetError(char* error, int errorSize, int line, const char* what, const QString& detail) {
    if (!error || errorSize < 1) return;
    std::snprintf(error, static_cast<size_t>(errorSize), "script line %d: %s%s", line, what,
                  detail.toUtf8().constData());
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
        switch (spec->args) {
            case kArgNone:
                if (!parts.isEmpty()) {
                    SetError(error, errorSize, lineNo, "this step takes nothing after ", word);
                    return 0;
                }
                break;
            case kArgControl:
            case kArgControlValue:
            case kArgControlFile: {
                const int want = spec->args == kArgControl ? 1 : 2;
                if (spec->args == kArgControlFile ? parts.size() < want : parts.size() != want) {
                    SetError(error, errorSize, lineNo, "expected: ",
                             word + (want == 1 ? QStringLiteral(" CONTROL")
                                     : spec->args == kArgControlFile
                                         ? QStringLiteral(" CONTROL FILE")
                                         : QStringLiteral(" CONTROL VALUE")));
                    return 0;
                }
                const QByteArray name = parts[0].toUtf8();
                if (!kui::BindingByName(name.constData(), &step.resourceId, &step.controlId)) {
                    SetError(error, errorSize, lineNo, "unknown control: ", parts[0]);
                    return 0;
                }
                step.controlName = name.toStdString();
                if (spec->args == kArgControlFile) {
                    step.text =
                        QFile::encodeName(rest.mid(parts[0].size()).trimmed()).toStdString();
                } else if (want == 2) {
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

int MainPanel() {
    if (kui::FindPanel(kMainPanel)) return kMainPanel;
    for (int h = 1; h <= kui::PanelCount(); ++h) {
        kui::Panel* p = kui::FindPanel(h);
        if (p && p->widget->isWindow()) return h;
    }
    return 0;
}

void RunNextStep(int generation);

void ScheduleStep(int delayMs) {
    const int generation = gGeneration;
    QTimer::singleShot(delayMs, [generation]() { RunNextStep(generation); });
}

void Execute(const Step& s) {
    int panel = 0;
    if (s.kind == kStepClick || s.kind == kStepSet || s.kind == kStepRightClick ||
        s.kind == kStepWindowShot) {
        panel = kui::PanelOfResource(s.resourceId);
        if (!panel) {
            Report(s, "the control's panel is not loaded");
            return;
        }
    }
    switch (s.kind) {
        case kStepClick:
            if (!HostClick(panel, s.controlId)) Report(s, "click refused (control dimmed?)");
            break;
        case kStepSet:
            if (!HostSetValueAsUser(panel, s.controlId, s.value))
                Report(s, "value refused by the control");
            break;
        case kStepRightClick:
            if (!HostRightClick(panel, s.controlId)) Report(s, "right click refused");
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
        case kStepQuit: {
            // As the user ends the program: the main panel's close request
            // lets the program stop its loops and close the port first.
            kui::Panel* p = kui::FindPanel(MainPanel());
            if (p && p->callback) kui::SendClose(p);
            QuitUserInterface(0);
            break;
        }
        case kStepWait:
            break;
    }
}

void RunNextStep(int generation) {
    if (generation != gGeneration || gNextStep >= gScript.size()) return;
    const Step s = gScript[gNextStep++];
    if (s.kind == kStepWait) {
        ScheduleStep(s.ms);
        return;
    }
    if (s.kind == kStepQuit) {
        ++gGeneration;  // nothing after quit
    } else {
        ScheduleStep(kStepGapMs);
    }
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
    return Load(kui::FromC(bytes.constData(), nullptr), error, errorSize, 0);
}
