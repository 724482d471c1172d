// Reading back what rings and labels show, for the program's own tables
// (comparison, report): ring items by value and index, control labels.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>

#include "platform/cvi.h"
#include "platform/userint_internal.h"

using namespace kui;

namespace {

QComboBox* RingOf(int panel, int control, int* err) {
    Ctrl* c = FindCtrl(panel, control);
    *err = c ? (c->kind == kKindRing ? 0 : kUiErrKind) : ErrorFor(panel);
    return *err ? nullptr : static_cast<QComboBox*>(c->widget.data());
}

}  // namespace

int GetIndexFromValue(int panel, int control, int* index, int value) {
    int err = 0;
    QComboBox* r = RingOf(panel, control, &err);
    if (!r) return err;
    for (int i = 0; i < r->count(); ++i)
        if (r->itemData(i).toInt() == value) {
            if (index) *index = i;
            return 0;
        }
    return kUiErrValue;
}

int GetLabelFromIndex(int panel, int control, int index, char* label, int size) {
    int err = 0;
    QComboBox* r = RingOf(panel, control, &err);
    if (!r) return err;
    if (!label || size < 1 || index < 0 || index >= r->count()) return kUiErrValue;
    CopyOut(r->itemText(index), label, size, 0);
    return 0;
}

int GetCtrlLabel(int panel, int control, char* label, int size) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (!label || size < 1) return kUiErrValue;
    if (c->label) {
        CopyOut(c->label->text(), label, size, 0);
        return 0;
    }
    if (auto* b = qobject_cast<QAbstractButton*>(c->widget.data())) {
        CopyOut(b->text(), label, size, 0);
        return 0;
    }
    label[0] = '\0';
    return kUiErrKind;
}
