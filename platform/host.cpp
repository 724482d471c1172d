// Host side of the runtime layer: toolkit start-up, the command line,
// acting on controls as a user would, screenshots, and reading back what
// controls show (tests and the script runner).
//
// Facts owned here: the command line is
//   kovexa [--port DEVICE]... [--ports FILE] [--simulate[=MODEL] | --simulate-fast[=MODEL]]
//          [--script FILE] [--trace FILE] [--screenshot FILE] [--headless] [--help] [--version]
// (values also as --option=VALUE); --port and a simulated sensor both name
// port 1 and are refused together; a fleet (several --port, or --ports)
// needs a script and takes no simulated sensor and no screenshot; Windows has no simulated sensor
// and refuses --simulate, pointing to kvexsim on a second machine. Acting functions return 1 when
// they acted, 0 when the control is missing or cannot take that action.
#include "platform/host.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QSlider>
#include <QSpinBox>
#include <QStyleFactory>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/cvi.h"
#include "platform/savefile.h"
#include "platform/userint_internal.h"

using namespace kui;

namespace {

// The simulated sensor runs on a pseudo-terminal, which only Unix has.
#ifdef Q_OS_UNIX
const char kUsage[] =
    "kovexa [--port DEVICE]... [--ports FILE] [--simulate[=MODEL] | --simulate-fast[=MODEL]] "
    "[--script FILE] [--trace FILE] [--screenshot FILE] [--headless] [--help] [--version]";
#else
const char kUsage[] =
    "kovexa [--port DEVICE]... [--ports FILE] [--script FILE] [--trace FILE] "
    "[--screenshot FILE] [--headless] [--help] [--version]";
const char kNoSimulator[] =
    "--simulate is not available on Windows: run kvexsim on a second (Linux) machine "
    "connected by a null-modem cable";
#endif
const char kStyle[] = "Fusion";
const char kOffscreenPlatform[] = "offscreen";
#ifdef Q_OS_WIN
const char kAppFontFamily[] = "Segoe UI";
#else
const char kAppFontFamily[] = "DejaVu Sans";
#endif
enum { kAppFontPointSize = 9 };

QApplication* gApp = nullptr;

enum OptionKind {
    kOptPort,
    kOptPorts,
    kOptTrace,
    kOptSimulate,
    kOptSimulateFast,
    kOptScript,
    kOptScreenshot,
    kOptHelp,
    kOptVersion,
    kOptHeadless,
};
enum ValueRule { kNoValue, kValueRequired, kValueOptional };

struct OptionSpec {
    const char* name;
    OptionKind kind;
    ValueRule value;
};

const OptionSpec kOptions[] = {
    {"--port", kOptPort, kValueRequired},
    {"--ports", kOptPorts, kValueRequired},
    {"--trace", kOptTrace, kValueRequired},
    {"--simulate", kOptSimulate, kValueOptional},
    {"--simulate-fast", kOptSimulateFast, kValueOptional},
    {"--script", kOptScript, kValueRequired},
    {"--screenshot", kOptScreenshot, kValueRequired},
    {"--help", kOptHelp, kNoValue},
    {"--version", kOptVersion, kNoValue},
    {"--headless", kOptHeadless, kNoValue},
};

void SetError(char* error, int errorSize, const char* format, const char* what) {
    if (!error || errorSize < 1) return;
    std::snprintf(error, static_cast<size_t>(errorSize), format, what ? what : "");
}

// Copies an option value into its field; 0 when it does not fit.
int StoreValue(char* field, size_t size, const char* value) {
    const size_t n = std::strlen(value);
    if (n >= size) return 0;
    std::memcpy(field, value, n + 1);
    return 1;
}

Ctrl* Control(int panel, int control) {
    return FindCtrl(panel, control);
}

}  // namespace

int HostInit(int* argc, char** argv) {
    if (gApp) return 1;
    if (QCoreApplication::instance()) {
        gApp = qobject_cast<QApplication*>(QCoreApplication::instance());
        return gApp ? 1 : 0;
    }
    if (!argc || !argv) return 0;
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Without a display the toolkit would abort the program; say so instead.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!platform || !*platform) && (!x11 || !*x11) && (!wayland || !*wayland)) return 0;
#endif
    gApp = new QApplication(*argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (QStyleFactory::keys().contains(QLatin1String(kStyle), Qt::CaseInsensitive))
        QApplication::setStyle(QLatin1String(kStyle));
    QFont font(QLatin1String(kAppFontFamily), kAppFontPointSize);
    QApplication::setFont(font);
    return 1;
}

const char* HostUsage(void) {
    return kUsage;
}

int HostParseArgs(int argc, char** argv, HostOptions* options, char* error, int errorSize) {
    if (error && errorSize > 0) error[0] = '\0';
    if (!options) return 0;
    std::memset(options, 0, sizeof *options);
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i] ? argv[i] : "";
        const OptionSpec* spec = nullptr;
        const char* value = nullptr;
        for (const OptionSpec& o : kOptions) {
            const size_t n = std::strlen(o.name);
            if (std::strncmp(arg, o.name, n) != 0) continue;
            if (arg[n] == '\0') {
                spec = &o;
            } else if (arg[n] == '=') {
                spec = &o;
                value = arg + n + 1;
            }
            if (spec) break;
        }
        if (!spec) {
            SetError(error, errorSize, "unknown option: %s", arg);
            return 0;
        }
        if (spec->value == kNoValue && value) {
            SetError(error, errorSize, "%s takes no value", spec->name);
            return 0;
        }
        if (spec->value == kValueRequired && !value) {
            if (i + 1 >= argc || !argv[i + 1]) {
                SetError(error, errorSize, "%s needs a value", spec->name);
                return 0;
            }
            value = argv[++i];
        }
        if (spec->value == kValueRequired && !*value) {
            SetError(error, errorSize, "%s needs a value", spec->name);
            return 0;
        }
        int stored = 1;
        switch (spec->kind) {
            case kOptPort:
                if (options->portCount == kHostMaxFleet) {
                    SetError(error, errorSize, "%s", "too many --port: use --ports FILE");
                    return 0;
                }
                stored = StoreValue(options->ports[options->portCount], kHostDeviceSize, value);
                if (stored && options->portCount++ == 0)
                    StoreValue(options->port, sizeof options->port, value);
                break;
            case kOptPorts:
                stored = StoreValue(options->portsFile, sizeof options->portsFile, value);
                break;
            case kOptTrace:
                stored = StoreValue(options->trace, sizeof options->trace, value);
                break;
            case kOptSimulate:
            case kOptSimulateFast:
#ifdef Q_OS_UNIX
                if (options->simulate) {
                    SetError(error, errorSize, "%s", "give the simulated sensor only once");
                    return 0;
                }
                options->simulate = 1;
                options->simFast = spec->kind == kOptSimulateFast ? 1 : 0;
                if (value) stored = StoreValue(options->simModel, sizeof options->simModel, value);
                break;
#else
                SetError(error, errorSize, "%s", kNoSimulator);
                return 0;
#endif
            case kOptScript:
                stored = StoreValue(options->script, sizeof options->script, value);
                break;
            case kOptScreenshot:
                stored = StoreValue(options->screenshot, sizeof options->screenshot, value);
                break;
            case kOptHelp:
                options->help = 1;
                break;
            case kOptVersion:
                options->version = 1;
                break;
            case kOptHeadless:
                options->headless = 1;
                break;
        }
        if (!stored) {
            SetError(error, errorSize, "value of %s is too long", spec->name);
            return 0;
        }
    }
    if ((options->port[0] || options->portsFile[0]) && options->simulate) {
        SetError(error, errorSize, "%s", "--port and --simulate both name port 1: give one");
        return 0;
    }
    if (HostIsFleet(options) && (!options->script[0] || options->screenshot[0])) {
        SetError(error, errorSize, "%s",
                 "several ports (--port ... --port, --ports) need --script and take no "
                 "--screenshot");
        return 0;
    }
    return 1;
}

int HostIsFleet(const HostOptions* options) {
    return options->portCount > 1 || options->portsFile[0] ? 1 : 0;
}

int HostFindControl(const char* name, int* panel, int* control) {
    int resourceId = 0, controlId = 0;
    if (!BindingByName(name, &resourceId, &controlId)) return 0;
    const int handle = PanelOfResource(resourceId);
    if (!handle) return 0;
    if (panel) *panel = handle;
    if (control) *control = controlId;
    return 1;
}

int HostClick(int panel, int control) {
    Ctrl* c = Control(panel, control);
    if (!c || !c->widget->isEnabled()) return 0;
    if (auto* b = qobject_cast<QAbstractButton*>(c->widget.data())) {
        b->click();
        return 1;
    }
    Deliver(c, EVENT_COMMIT, 0, 0);
    return 1;
}

int HostSetValueAsUser(int panel, int control, double value) {
    Ctrl* c = Control(panel, control);
    if (!c || !c->widget->isEnabled() || !std::isfinite(value)) return 0;
    QWidget* w = c->widget;
    switch (c->kind) {
        case kKindToggle: {
            // A user sets a toggle by clicking it, which commits.
            auto* b = static_cast<QAbstractButton*>(w);
            if (b->isChecked() != (value != 0.0)) b->click();
            return 1;
        }
        case kKindRing: {
            auto* r = static_cast<QComboBox*>(w);
            const int wanted = static_cast<int>(std::lround(value));
            int index = -1;
            for (int i = 0; i < r->count() && index < 0; ++i)
                if (r->itemData(i).toInt() == wanted) index = i;
            if (index < 0) return 0;  // a user can only choose an item there is
            {
                Quiet quiet;
                r->setCurrentIndex(index);
            }
            break;
        }
        case kKindRadio:
        case kKindCheck:
        case kKindSpin:
        case kKindDoubleSpin:
        case kKindSlider:
            if (CtrlSetNumber(c, value) < 0) return 0;
            break;
        case kKindLine:
            if (static_cast<QLineEdit*>(w)->isReadOnly()) return 0;
            if (CtrlSetNumber(c, value) < 0) return 0;
            break;
        default:
            return 0;
    }
    const int owner = c->panel;
    Deliver(c, EVENT_VAL_CHANGED, 0, 0);
    if (FindPanel(owner)) Deliver(c, EVENT_COMMIT, 0, 0);
    return 1;
}

int HostRightClick(int panel, int control) {
    return SendPress(Control(panel, control), 1);
}

int HostLeftClick(int panel, int control) {
    return SendPress(Control(panel, control), 0);
}

int HostClosePanel(int panel) {
    return SendClose(FindPanel(panel));
}

int HostScreenshot(int panel, const char* path) {
    Panel* p = FindPanel(panel);
    if (!p || !path || !*path) return 0;
    GraphFlushAll();
    DisplayFlushAll();
    const QPixmap picture = p->widget->window()->grab();
    if (picture.isNull()) return 0;
    // As every save: whole or not at all, never into a device or a FIFO.
    return kui::SaveWhole(QFile::decodeName(path), [&](QIODevice& file) {
               return picture.save(&file, "PNG");
           }) == kui::kSaveOk;
}

int HostLastPopupParent(void) {
    return kui::LastPopupParent();
}

int HostWindowOwner(int panel) {
    kui::Panel* p = kui::FindPanel(panel);
    if (!p || !p->widget || !p->widget->isWindow() || !p->widget->parentWidget()) return 0;
    return kui::WindowPanel(p->widget->parentWidget()->window());
}

int HostScreenRect(int panel, int* left, int* top, int* width, int* height) {
    kui::Panel* p = kui::FindPanel(panel);
    if (!p || !p->widget) return 0;
    const QPoint at = p->widget->mapToGlobal(QPoint(0, 0));
    *left = at.x();
    *top = at.y();
    *width = p->widget->width();
    *height = p->widget->height();
    return 1;
}

int HostIsVisible(int panel, int control) {
    Ctrl* c = Control(panel, control);
    return c && !c->widget->isHidden() ? 1 : 0;
}

int HostIsOnTop(int panel, int control) {
    Ctrl* c = Control(panel, control);
    if (!c || c->widget->isHidden()) return 0;
    QWidget* w = c->widget;
    QWidget* parent = w->parentWidget();
    if (!parent) return 1;
    // Siblings later in the child list are drawn over earlier ones.
    const QObjectList& siblings = parent->children();
    for (qsizetype i = siblings.indexOf(w) + 1; i < siblings.size(); ++i) {
        auto* s = qobject_cast<QWidget*>(siblings[i]);
        if (s && !s->isHidden() && s->geometry().intersects(w->geometry())) return 0;
    }
    return 1;
}

int HostIsDimmed(int panel, int control) {
    Ctrl* c = Control(panel, control);
    return c && !c->widget->isEnabled() ? 1 : 0;
}

int HostListItem(int panel, int control, int index, char* label, int size, int* value) {
    Ctrl* c = Control(panel, control);
    if (!c || c->kind != kKindRing) return 0;
    auto* r = static_cast<QComboBox*>(c->widget.data());
    if (index < 0 || index >= r->count()) return 0;
    if (label) CopyOut(r->itemText(index), label, size, 0);
    if (value) *value = r->itemData(index).toInt();
    return 1;
}

int HostListCount(int panel, int control) {
    Ctrl* c = Control(panel, control);
    if (!c || c->kind != kKindRing) return 0;
    return static_cast<QComboBox*>(c->widget.data())->count();
}

int HostBackgroundColor(int panel, int control) {
    return CtrlBackground(Control(panel, control));
}

int HostCtrlText(int panel, int control, char* buffer, int size) {
    Ctrl* c = Control(panel, control);
    if (!c || !buffer || size < 1) return 0;
    CopyOut(CtrlText(c), buffer, size, c->legacy8bit);
    return 1;
}

int HostLabel(int panel, int control, char* buffer, int size) {
    return GetCtrlLabel(panel, control, buffer, size) == 0 ? 1 : 0;
}

void HostUseOffscreen(void) {
    qputenv("QT_QPA_PLATFORM", kOffscreenPlatform);
}
