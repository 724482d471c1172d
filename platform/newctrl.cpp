// Controls the program adds at run time (text messages, which size to
// their text) and pictures it loads into a form's picture controls.
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <climits>

#include "platform/cvi.h"
#include "platform/userint_internal.h"

using namespace kui;

int NewCtrl(int panel, int style, const char* label, int top, int left) {
    Panel* p = FindPanel(panel);
    if (!p) return kUiErrPanel;
    if (style != CTRL_TEXT_MSG) return kUiErrKind;
    if (!InRange(top) || !InRange(left)) return kUiErrValue;
    const int id = p->nextNewCtrl;
    if (id < kFirstNewCtrlId || id > INT_MAX - 1) return kUiErrValue;
    int was8bit = 0;
    auto* l = new QLabel(FromC(label ? label : "", &was8bit), p->widget);
    l->setObjectName(QStringLiteral("TextMsg%1").arg(id));
    l->move(left, top);
    auto* c = new Ctrl;
    c->panel = p->handle;
    c->id = id;
    c->name = "";
    c->widget = l;
    c->kind = kKindLabel;
    c->autoSize = 1;
    c->legacy8bit = was8bit;
    l->adjustSize();
    if (static_cast<size_t>(id) >= p->ctrls.size())
        p->ctrls.resize(static_cast<size_t>(id) + 1, nullptr);
    p->ctrls[static_cast<size_t>(id)] = c;
    p->nextNewCtrl = id + 1;
    MapWidgetTree(l, c);
    l->show();
    return id;
}

int DisplayImageFile(int panel, int control, const char* path) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    auto* l = qobject_cast<QLabel*>(c->widget.data());
    if (!l) return kUiErrKind;
    QPixmap pm;
    QString file = FromC(path ? path : "", nullptr);
    if (!file.isEmpty() && QFileInfo(file).isRelative() && !QFileInfo::exists(file)) {
        // A bare name means the file beside the program.
        const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + file;
        if (QFileInfo::exists(beside)) file = beside;
    }
    if (file.isEmpty() || !pm.load(file)) {
        l->clear();
        return kUiErrFile;
    }
    l->setPixmap(pm);
    return 0;
}
