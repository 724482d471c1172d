// Rings (drop-down lists) and text boxes: items replaced, inserted and
// cleared; text boxes set whole and line by line. None of it raises events.
#include <QComboBox>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "platform/cvi.h"
#include "platform/userint_internal.h"

using namespace kui;

namespace {

enum { kMaxTextBoxLines = 10000 };

}  // namespace

// ========================================================== rings =======

int ReplaceListItem(int panel, int control, int index, const char* label, int value) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (c->kind != kKindRing) return kUiErrKind;
    if (!label) return kUiErrValue;
    auto* r = static_cast<QComboBox*>(c->widget.data());
    if (index < 0 || index > r->count()) return kUiErrValue;
    const QString text = FromC(label, nullptr);
    Quiet quiet;
    if (index == r->count()) {
        if (r->count() >= kMaxRingItems) return kUiErrValue;
        r->addItem(text, value);
    } else {
        r->setItemText(index, text);
        r->setItemData(index, value);
    }
    return 0;
}

int InsertListItem(int panel, int control, int index, const char* label, int value) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (c->kind != kKindRing) return kUiErrKind;
    if (!label) return kUiErrValue;
    auto* r = static_cast<QComboBox*>(c->widget.data());
    if (index == -1) index = r->count();  // -1: at the end
    if (index < 0 || index > r->count()) return kUiErrValue;
    if (r->count() >= kMaxRingItems) return kUiErrValue;
    Quiet quiet;
    r->insertItem(index, FromC(label, nullptr), value);
    return 0;
}

int ClearListCtrl(int panel, int control) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (c->kind != kKindRing) return kUiErrKind;
    Quiet quiet;
    static_cast<QComboBox*>(c->widget.data())->clear();
    return 0;
}

// ====================================================== text boxes ======

int ResetTextBox(int panel, int control, const char* text) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (c->kind != kKindTextBox && c->kind != kKindLine) return kUiErrKind;
    int was8bit = 0;
    const QString s = FromC(text ? text : "", &was8bit);
    Quiet quiet;
    SetText(c, s, was8bit);
    return 0;
}

int ReplaceTextBoxLine(int panel, int control, int line, const char* text) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (c->kind != kKindTextBox) return kUiErrKind;
    if (!text || line < 0 || line >= kMaxTextBoxLines) return kUiErrValue;
    int was8bit = 0;
    QString s = FromC(text, &was8bit);
    // One line stays one line.
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    if (was8bit) c->legacy8bit = 1;
    auto* box = static_cast<QPlainTextEdit*>(c->widget.data());
    QTextDocument* doc = box->document();
    Quiet quiet;
    QTextCursor cur(doc);
    if (line >= doc->blockCount()) {
        cur.movePosition(QTextCursor::End);
        QString pad;
        for (int i = doc->blockCount(); i <= line; ++i) pad += QLatin1Char('\n');
        cur.insertText(pad);
    }
    QTextBlock block = doc->findBlockByNumber(line);
    cur.setPosition(block.position());
    cur.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    cur.insertText(s);
    return 0;
}

int GetTextBoxLine(int panel, int control, int line, char* buffer, int size) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (c->kind != kKindTextBox) return kUiErrKind;
    if (!buffer || size < 1) return kUiErrValue;
    QTextDocument* doc = static_cast<QPlainTextEdit*>(c->widget.data())->document();
    if (line < 0 || line >= doc->blockCount()) {
        buffer[0] = '\0';
        return kUiErrValue;
    }
    CopyOut(doc->findBlockByNumber(line).text(), buffer, size, c->legacy8bit);
    return 0;
}
