// Panels: the forms and binding tables the program registers, the panel
// records built from them, and what a panel does as a whole (load, show,
// hide, discard, focus, place and size).
//
// Facts owned here: handles 1, 2, 3, ... in load order, never given again;
// a control of the binding table whose form lacks its widget keeps a record,
// and every call on it fails; child panels are hidden until displayed;
// further top-level windows belong to the first (the main window).
#include <QApplication>
#include <QGuiApplication>
#include <QObject>
#include <QWidget>
#include <cstring>
#include <vector>

#include "platform/cvi.h"
#include "platform/form_table.h"
#include "platform/userint_internal.h"

namespace kui {
namespace {

const FormBuilder* gForms = nullptr;
int gFormCount = 0;
const CtrlBinding* gCtrlTable = nullptr;
int gCtrlCount = 0;
const PanelBinding* gPanelTable = nullptr;
int gPanelCount = 0;
std::vector<Panel*> gPanels;  // handle - 1

}  // namespace

Panel* FindPanel(int handle) {
    if (handle < 1 || static_cast<size_t>(handle) > gPanels.size()) return nullptr;
    Panel* p = gPanels[static_cast<size_t>(handle - 1)];
    if (!p || !p->widget) return nullptr;
    return p;
}

Ctrl* FindCtrlRecord(int panel, int control) {
    Panel* p = FindPanel(panel);
    if (!p || control < 0 || static_cast<size_t>(control) >= p->ctrls.size()) return nullptr;
    return p->ctrls[static_cast<size_t>(control)];
}

Ctrl* FindCtrl(int panel, int control) {
    Ctrl* c = FindCtrlRecord(panel, control);
    if (!c || !c->widget) return nullptr;
    return c;
}

int PanelCount(void) {
    return static_cast<int>(gPanels.size());
}

int BindingByName(const char* name, int* resourceId, int* controlId) {
    if (!name || !gCtrlTable) return 0;
    for (int i = 0; i < gCtrlCount; ++i) {
        const CtrlBinding& b = gCtrlTable[i];
        if (b.name && std::strcmp(b.name, name) == 0) {
            if (resourceId) *resourceId = b.resourceId;
            if (controlId) *controlId = b.controlId;
            return 1;
        }
    }
    return 0;
}

int PanelOfResource(int resourceId) {
    for (size_t i = 0; i < gPanels.size(); ++i) {
        Panel* p = gPanels[i];
        if (p && p->widget && p->resourceId == resourceId) return p->handle;
    }
    return 0;
}

// The top-level panel of a window, 0 when none.
int WindowPanel(const QWidget* window) {
    for (Panel* p : gPanels)
        if (p && p->widget && p->widget == window) return p->handle;
    return 0;
}

int ErrorFor(int panel) {
    return FindPanel(panel) ? kUiErrControl : kUiErrPanel;
}

int HasApp(void) {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace kui

using namespace kui;

void RegisterForms(const FormBuilder* forms, int formCount) {
    gForms = forms;
    gFormCount = forms && formCount > 0 ? formCount : 0;
}

void RegisterControls(const CtrlBinding* controls, int controlCount, const PanelBinding* panels,
                      int panelCount) {
    gCtrlTable = controls;
    gCtrlCount = controls && controlCount > 0 ? controlCount : 0;
    gPanelTable = panels;
    gPanelCount = panels && panelCount > 0 ? panelCount : 0;
}

int LoadPanel(int parentPanel, const char* resourceFile, int resourceId) {
    (void)resourceFile;  // the program registers its forms instead
    if (!HasApp()) return kUiErrPanel;
    const FormBuilder* form = nullptr;
    for (int i = 0; i < gFormCount; ++i)
        if (gForms[i].resourceId == resourceId && gForms[i].build) form = &gForms[i];
    if (!form) return kUiErrValue;
    Panel* parent = nullptr;
    if (parentPanel != 0) {
        parent = FindPanel(parentPanel);
        if (!parent) return kUiErrPanel;
    }

    auto* p = new Panel;
    p->handle = static_cast<int>(gPanels.size()) + 1;
    p->resourceId = resourceId;
    p->parent = parentPanel;
    QWidget* w = form->build(parent ? parent->widget.data() : nullptr);
    p->widget = w;
    Panel* owner = nullptr;
    for (size_t i = 0; !parent && !owner && i < gPanels.size(); ++i)
        if (gPanels[i] && gPanels[i]->widget && gPanels[i]->widget->isWindow()) owner = gPanels[i];
    if (owner) {
        // Further windows belong to the first (the main window): they stay
        // in front of it, go with it, and have no task-bar entry of their own.
        w->setParent(owner->widget, Qt::Window);
        p->parent = owner->handle;
    }
    if (parent) {
        // A loaded panel waits for DisplayPanel, also inside a shown parent.
        w->hide();
    } else {
        w->setMinimumSize(w->size());
        WatchPanelWindow(w, p);
    }
    for (int i = 0; i < gPanelCount; ++i)
        if (gPanelTable[i].resourceId == resourceId) {
            p->name = gPanelTable[i].name ? gPanelTable[i].name : "";
            p->callback = gPanelTable[i].callback;
            break;
        }
    gPanels.push_back(p);
    for (int i = 0; i < gCtrlCount; ++i)
        if (gCtrlTable[i].resourceId == resourceId) BindControl(p, gCtrlTable[i]);
    return p->handle;
}

// Raises a panel; windows only where the platform can (offscreen cannot and
// says so on every call).
void RaisePanel(QWidget* w) {
    if (w->isWindow() && QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    w->raise();
    if (w->isWindow()) w->activateWindow();
}

int DisplayPanel(int panel) {
    Panel* p = FindPanel(panel);
    if (!p) return kUiErrPanel;
    p->widget->show();
    RaisePanel(p->widget);
    return 0;
}

int HidePanel(int panel) {
    Panel* p = FindPanel(panel);
    if (!p) return kUiErrPanel;
    p->widget->hide();
    return 0;
}

int DiscardPanel(int panel) {
    Panel* p = FindPanel(panel);
    if (!p) return kUiErrPanel;
    for (size_t i = 0; i < gPanels.size(); ++i)
        if (gPanels[i] && gPanels[i]->widget && gPanels[i]->parent == panel)
            DiscardPanel(gPanels[i]->handle);
    QWidget* w = p->widget;
    UnmapWidgetTree(w);
    DropPendingDisplays(panel);
    w->hide();
    std::vector<Ctrl*> records;
    records.swap(p->ctrls);
    for (Ctrl* c : records)
        if (c && c->graph) {
            GraphDetach(c->graph);
            c->graph = nullptr;
        }
    QObject::connect(w, &QObject::destroyed, [records]() {
        for (Ctrl* c : records) delete c;
    });
    // The handle is not given again; its record goes with the panel.
    gPanels[static_cast<size_t>(panel - 1)] = nullptr;
    delete p;
    // A callback that asks for this may still be running inside one of the
    // widgets: they go when the event loop next runs. Outside the loop and
    // every callback (the program's exit) no loop runs again: they go now.
    if (LoopDepth() == 0 && CallbackDepth() == 0)
        delete w;
    else
        w->deleteLater();
    return 0;
}

int SetActivePanel(int panel) {
    Panel* p = FindPanel(panel);
    if (!p) return kUiErrPanel;
    QWidget* top = p->widget->window();
    RaisePanel(top);
    top->activateWindow();
    return 0;
}

int SetActiveCtrl(int panel, int control) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    c->widget->setFocus(Qt::OtherFocusReason);
    return 0;
}

int GetPanelAttribute(int panel, int attribute, int* value) {
    Panel* p = FindPanel(panel);
    if (!p) return kUiErrPanel;
    if (!value) return kUiErrValue;
    QWidget* w = p->widget;
    switch (attribute) {
        case ATTR_LEFT:
            *value = w->isWindow() ? w->geometry().x() : w->x();
            return 0;
        case ATTR_TOP:
            *value = w->isWindow() ? w->geometry().y() : w->y();
            return 0;
        case ATTR_WIDTH:
            *value = w->width();
            return 0;
        case ATTR_HEIGHT:
            *value = w->height();
            return 0;
        case ATTR_VISIBLE:
            *value = w->isHidden() ? 0 : 1;
            return 0;
        case ATTR_DIMMED:
            *value = w->isEnabled() ? 0 : 1;
            return 0;
        default:
            return kUiErrKind;
    }
}

int SetPanelAttribute(int panel, int attribute, int value) {
    Panel* p = FindPanel(panel);
    if (!p) return kUiErrPanel;
    QWidget* w = p->widget;
    switch (attribute) {
        // A window's place is that of its client area, as its controls
        // are placed: the frame around it is the window system's.
        case ATTR_LEFT:
            if (!InRange(value)) return kUiErrValue;
            if (w->isWindow())
                w->setGeometry(value, w->geometry().y(), w->width(), w->height());
            else
                w->move(value, w->y());
            return 0;
        case ATTR_TOP:
            if (!InRange(value)) return kUiErrValue;
            if (w->isWindow())
                w->setGeometry(w->geometry().x(), value, w->width(), w->height());
            else
                w->move(w->x(), value);
            return 0;
        case ATTR_WIDTH:
            if (value < 0 || value > kMaxCoordinate) return kUiErrValue;
            w->resize(value, w->height());
            return 0;
        case ATTR_HEIGHT:
            if (value < 0 || value > kMaxCoordinate) return kUiErrValue;
            w->resize(w->width(), value);
            return 0;
        case ATTR_VISIBLE:
            if (value) {
                w->show();
                RaisePanel(w);
            } else {
                w->hide();
            }
            return 0;
        case ATTR_DIMMED:
            w->setEnabled(value == 0);
            return 0;
        default:
            return kUiErrKind;
    }
}

int SetPanelAttribute(int panel, int attribute, const char* value) {
    Panel* p = FindPanel(panel);
    if (!p) return kUiErrPanel;
    if (!value) return kUiErrValue;
    if (attribute != ATTR_TITLE) return kUiErrKind;
    p->widget->setWindowTitle(FromC(value, nullptr));
    return 0;
}
