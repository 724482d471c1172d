// Desktop habits over Qt: marks around edited controls, tooltips, keyboard
// shortcuts of a window, the hook that lets the program look at its panels
// after each user event, and settings kept between runs (QSettings, INI).
//
// Facts owned here: a mark is a frame drawn over the control's edge, so the
// control keeps its own look; shortcuts act through the same callbacks as
// the mouse (a dimmed control answers nothing); settings that cannot be
// read are left alone and the program starts with its defaults.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeySequence>
#include <QPointer>
#include <QSettings>
#include <QShortcut>
#include <QWidget>
#include <cstdio>
#include <cstring>

#include "platform/cvi.h"
#include "platform/host.h"
#include "platform/userint_internal.h"

namespace {

const char kOrganisation[] = "kovexa";
const char kApplication[] = "kovexa";
const char kShortcutProperty[] = "kovexaShortcutTarget";
enum { kMarkWidth = 3 };

UserEventHookPtr gHook = nullptr;
int gInHook = 0;

void PlaceMark(kui::Ctrl* c, QWidget* f) {
    QWidget* w = c->widget;
    f->setGeometry(w->geometry().adjusted(-kMarkWidth, -kMarkWidth, kMarkWidth, kMarkWidth));
    f->setVisible(!w->isHidden());
    f->raise();
}

int gSettingsBad = -1;  // -1 not opened yet

// A local static: made after the toolkit's own caches it uses, so it is
// gone before them at the end of the process.
QSettings* Settings() {
    if (!QCoreApplication::instance()) return nullptr;
    static QSettings settings(QSettings::IniFormat, QSettings::UserScope,
                              QLatin1String(kOrganisation), QLatin1String(kApplication));
    if (gSettingsBad < 0) {
        gSettingsBad = settings.status() != QSettings::NoError ? 1 : 0;
        if (gSettingsBad)
            std::fprintf(stderr,
                         "kovexa: settings file %s cannot be read; starting with defaults\n",
                         QFile::encodeName(settings.fileName()).constData());
    }
    return gSettingsBad ? nullptr : &settings;
}

void ActOn(QWidget* window, int panel, int control) {
    if (control == kShortcutClose) {
        kui::Panel* p = kui::FindPanel(panel);
        if (p) kui::DeliverPanel(p, EVENT_CLOSE);
        return;
    }
    if (control == kShortcutHelp) {
        QWidget* focus = window->focusWidget();
        kui::Ctrl* c = focus ? kui::CtrlOfWidget(focus) : nullptr;
        if (c) kui::Deliver(c, EVENT_RIGHT_CLICK, 0, 0);
        return;
    }
    kui::Ctrl* c = kui::FindCtrl(panel, control);
    if (c && c->widget && !c->widget->isHidden()) kui::Deliver(c, EVENT_COMMIT, 0, 0);
}

}  // namespace

namespace kui {

int CtrlSetMark(Ctrl* c, int rgb) {
    if (rgb < -1 || rgb > 0xFFFFFF) return kUiErrValue;
    c->markColor = rgb;
    if (rgb < 0) {
        if (c->mark) c->mark->hide();
        return 0;
    }
    QWidget* parent = c->widget->parentWidget();
    if (!parent) return kUiErrKind;
    if (!c->mark) {
        auto* f = new QFrame(parent);
        f->setAttribute(Qt::WA_TransparentForMouseEvents);
        f->setFocusPolicy(Qt::NoFocus);
        c->mark = f;
    }
    c->mark->setStyleSheet(
        QStringLiteral("QFrame { border: %1px solid #%2; background: transparent; }")
            .arg(kMarkWidth)
            .arg(rgb, 6, 16, QLatin1Char('0')));
    PlaceMark(c, c->mark);
    return 0;
}

int CtrlMark(Ctrl* c) {
    return c->markColor;
}

void RunUserEventHook(int event) {
    if (!gHook || gInHook || IsQuiet()) return;
    if (event != EVENT_VAL_CHANGED && event != EVENT_COMMIT) return;
    gInHook = 1;
    gHook();
    gInHook = 0;
}

}  // namespace kui

void InstallUserEventHook(UserEventHookPtr hook) {
    gHook = hook;
}

int SetPanelShortcut(int panel, const char* keys, int control) {
    kui::Panel* p = kui::FindPanel(panel);
    if (!p || !p->widget) return kui::kUiErrPanel;
    const QKeySequence seq(QString::fromLatin1(keys ? keys : ""));
    if (seq.isEmpty()) return kui::kUiErrValue;
    QWidget* window = p->widget->window();
    auto* s = new QShortcut(seq, window);
    s->setContext(Qt::WindowShortcut);
    s->setProperty(kShortcutProperty, control);
    QObject::connect(s, &QShortcut::activated, window,
                     [window, panel, control] { ActOn(window, panel, control); });
    return 0;
}

int HostPressShortcut(int panel, const char* keys) {
    kui::Panel* p = kui::FindPanel(panel);
    if (!p || !p->widget) return 0;
    const QKeySequence seq(QString::fromLatin1(keys ? keys : ""));
    const QList<QShortcut*> all = p->widget->window()->findChildren<QShortcut*>();
    for (QShortcut* s : all) {
        if (s->key() != seq) continue;
        emit s->activated();
        return 1;
    }
    return 0;
}

int HostWindowTitle(int panel, char* title, int size) {
    kui::Panel* p = kui::FindPanel(panel);
    if (!p || !p->widget || !title || size < 1) return 0;
    return kui::CopyOut(p->widget->window()->windowTitle(), title, size, 0) >= 0 ? 1 : 0;
}

int HostToolTip(int panel, int control, char* text, int size) {
    kui::Ctrl* c = kui::FindCtrl(panel, control);
    if (!c || !text || size < 1) return 0;
    return kui::CopyOut(c->widget->toolTip(), text, size, 0) >= 0 ? 1 : 0;
}

int SettingGet(const char* key, char* out, int size) {
    if (!out || size < 1) return 0;
    out[0] = '\0';
    QSettings* s = Settings();
    if (!s || !key) return 0;
    const QVariant v = s->value(QString::fromUtf8(key));
    if (!v.isValid()) return 0;
    return kui::CopyOut(v.toString(), out, size, 0) >= 0 ? 1 : 0;
}

void SettingSet(const char* key, const char* value) {
    QSettings* s = Settings();
    if (!s || !key) return;
    s->setValue(QString::fromUtf8(key), QString::fromUtf8(value ? value : ""));
    s->sync();
}

void SettingSavePanelPlace(int panel, const char* key) {
    kui::Panel* p = kui::FindPanel(panel);
    QSettings* s = Settings();
    if (!p || !p->widget || !s || !key) return;
    s->setValue(QString::fromUtf8(key), p->widget->window()->saveGeometry());
    s->sync();
}

int SettingRestorePanelPlace(int panel, const char* key) {
    kui::Panel* p = kui::FindPanel(panel);
    QSettings* s = Settings();
    if (!p || !p->widget || !s || !key) return 0;
    const QByteArray g = s->value(QString::fromUtf8(key)).toByteArray();
    if (g.isEmpty()) return 0;
    return p->widget->window()->restoreGeometry(g) ? 1 : 0;
}

int GetWritableDir(char* out, int outSize) {
    if (!out || outSize <= 0) return -1;
    out[0] = '\0';
    QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (dir.isEmpty() || !QFileInfo(dir).isWritable()) dir = QDir::homePath();
    const QByteArray bytes = QFile::encodeName(dir);
    if (bytes.isEmpty() || bytes.size() >= outSize) return -1;
    std::memcpy(out, bytes.constData(), static_cast<size_t>(bytes.size()) + 1);
    return 0;
}
