// User input on the panels, turned into the program's callbacks: one event
// filter for every control widget and top-level panel (mouse presses, keys,
// close boxes, resizes), the callback calls themselves, the quiet scope of
// values the program sets, and synthetic presses and close requests for the
// script runner.
//
// Facts owned here: values the program sets raise no events (a quiet
// scope); a dimmed control answers nothing; right presses never reach a
// widget (no context menus); a window's close box is refused and reported
// as EVENT_CLOSE.
#include <QApplication>
#include <QCloseEvent>
#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QObject>
#include <QWidget>

#include "platform/cvi.h"
#include "platform/userint_internal.h"

namespace kui {
namespace {

int gQuiet = 0;
int gDelivering = 0;  // callbacks running now
int gAnswering = 0;   // panel whose callback runs (innermost)
int gLastPopupParent = 0;
int gSyntheticPress = 0;

// Event hub: one filter for every control widget and top-level panel.
class Hub : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override;
    QHash<QObject*, Ctrl*> ctrlOf;
    QHash<QObject*, Panel*> panelOf;
    unsigned long lastPressTime = 0;
    Ctrl* lastPressCtrl = nullptr;
};

Hub* gHub = nullptr;

Hub* TheHub() {
    if (!gHub) gHub = new Hub;
    return gHub;
}

QPoint PanelPoint(Ctrl* c, QObject* target, QPointF local) {
    Panel* p = FindPanel(c->panel);
    QWidget* t = qobject_cast<QWidget*>(target);
    if (!p || !p->widget || !t) return local.toPoint();
    return t->mapTo(p->widget, local.toPoint());
}

bool Hub::eventFilter(QObject* o, QEvent* e) {
    switch (e->type()) {
        case QEvent::MouseButtonPress: {
            Ctrl* c = ctrlOf.value(o, nullptr);
            if (!c) break;
            auto* me = static_cast<QMouseEvent*>(e);
            const bool right = me->button() == Qt::RightButton;
            const bool left = me->button() == Qt::LeftButton;
            if (!right && !left) break;
            // A press a child ignored comes again to its parent control.
            const bool again =
                me->timestamp() != 0 && me->timestamp() == lastPressTime && c == lastPressCtrl;
            lastPressTime = me->timestamp();
            lastPressCtrl = c;
            if (!again) {
                const QPoint at = PanelPoint(c, o, me->position());
                Deliver(c, right ? EVENT_RIGHT_CLICK : EVENT_LEFT_CLICK, at.y(), at.x());
            }
            return right || gSyntheticPress > 0;
        }
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            if (!ctrlOf.contains(o)) break;
            return static_cast<QMouseEvent*>(e)->button() == Qt::RightButton;
        }
        case QEvent::ContextMenu:
            if (ctrlOf.contains(o)) return true;
            break;
        case QEvent::KeyPress: {
            Ctrl* c = ctrlOf.value(o, nullptr);
            if (!c) break;
            auto* ke = static_cast<QKeyEvent*>(e);
            if (ke->timestamp() != 0 && ke->timestamp() == lastPressTime && c == lastPressCtrl)
                break;
            lastPressTime = ke->timestamp();
            lastPressCtrl = c;
            Deliver(c, EVENT_KEYPRESS, ke->key(), static_cast<int>(ke->modifiers()));
            break;
        }
        case QEvent::Resize:
            if (panelOf.contains(o)) FollowPanelSize(static_cast<QWidget*>(o));
            break;
        case QEvent::Close: {
            Panel* p = panelOf.value(o, nullptr);
            if (!p) break;
            e->ignore();
            DeliverPanel(p, EVENT_CLOSE);
            return true;
        }
        default:
            break;
    }
    return QObject::eventFilter(o, e);
}

}  // namespace

void MapWidgetTree(QWidget* w, Ctrl* c) {
    Hub* hub = TheHub();
    w->installEventFilter(hub);
    w->setContextMenuPolicy(Qt::PreventContextMenu);
    hub->ctrlOf.insert(w, c);
    const QList<QWidget*> kids = w->findChildren<QWidget*>();
    for (QWidget* k : kids) {
        k->installEventFilter(hub);
        k->setContextMenuPolicy(Qt::PreventContextMenu);
        hub->ctrlOf.insert(k, c);
    }
}

void UnmapWidgetTree(QWidget* w) {
    if (!gHub || !w) return;
    gHub->ctrlOf.remove(w);
    gHub->panelOf.remove(w);
    const QList<QWidget*> kids = w->findChildren<QWidget*>();
    for (QWidget* k : kids) {
        gHub->ctrlOf.remove(k);
        gHub->panelOf.remove(k);
    }
    if (gHub->lastPressCtrl) gHub->lastPressCtrl = nullptr;
}

void WatchPanelWindow(QWidget* w, Panel* p) {
    w->installEventFilter(TheHub());
    TheHub()->panelOf.insert(w, p);
}

void Deliver(Ctrl* c, int event, int data1, int data2) {
    if (!c || !c->callback || !c->widget || !FindPanel(c->panel)) return;
    // A dimmed control answers nothing, as its widget takes no input.
    if (!c->widget->isEnabled()) return;
    ++gDelivering;
    const int outer = gAnswering;
    gAnswering = c->panel;
    c->callback(c->panel, c->id, event, nullptr, data1, data2);
    gAnswering = outer;
    --gDelivering;
    RunUserEventHook(event);
}

Ctrl* CtrlOfWidget(QObject* w) {
    return gHub ? gHub->ctrlOf.value(w, nullptr) : nullptr;
}

int DeliverPanel(Panel* p, int event) {
    if (!p || !p->callback) return 0;
    ++gDelivering;
    const int outer = gAnswering;
    gAnswering = p->handle;
    p->callback(p->handle, event, nullptr, 0, 0);
    gAnswering = outer;
    --gDelivering;
    return 1;
}

int CallbackDepth(void) {
    return gDelivering;
}

QWidget* PopupParent(void) {
    QWidget* window = nullptr;
    if (Panel* p = FindPanel(gAnswering)) window = p->widget ? p->widget->window() : nullptr;
    if (!window) {
        QWidget* active = QApplication::activeWindow();
        if (active && WindowPanel(active)) window = active;
    }
    for (int h = 1; !window && h <= PanelCount(); ++h)
        if (Panel* p = FindPanel(h))
            if (p->widget->isWindow()) window = p->widget;
    gLastPopupParent = WindowPanel(window);
    return window;
}

int LastPopupParent(void) {
    return gLastPopupParent;
}

Quiet::Quiet() {
    ++gQuiet;
}
Quiet::~Quiet() {
    --gQuiet;
}

int IsQuiet(void) {
    return gQuiet > 0;
}

int SendPress(Ctrl* c, int rightButton) {
    if (!c || !c->widget) return 0;
    QWidget* w = c->widget;
    const QPointF local(w->width() / 2.0, w->height() / 2.0);
    const Qt::MouseButton button = rightButton ? Qt::RightButton : Qt::LeftButton;
    QMouseEvent press(QEvent::MouseButtonPress, local, w->mapToGlobal(local), button, button,
                      Qt::NoModifier);
    ++gSyntheticPress;
    QCoreApplication::sendEvent(w, &press);
    --gSyntheticPress;
    return 1;
}

int SendClose(Panel* p) {
    if (!p || !p->widget) return 0;
    if (p->widget->isWindow()) {
        QCloseEvent ev;
        QCoreApplication::sendEvent(p->widget, &ev);
        return 1;
    }
    DeliverPanel(p, EVENT_CLOSE);
    return 1;
}

}  // namespace kui
