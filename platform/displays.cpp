// Read-only displays and the serial line: a display takes new text at once
// for every read-back but shows it at most every kDisplayRefreshMs (one
// shared timer), so a frame stream does not wait for text layout; and
// drawing (displays and graphs) yields to the line from a reply handed to
// the program until its next write.
#include <QElapsedTimer>
#include <QLineEdit>
#include <QObject>
#include <QTimer>
#include <vector>

#include "platform/userint_internal.h"

namespace kui {
namespace {

enum {
    // Digits that change more often than about ten times a second cannot
    // be read, and each change costs a text layout and a repaint.
    kDisplayRefreshMs = 100,
};

std::vector<Ctrl*> gPendingDisplays;
QTimer* gDisplayTimer = nullptr;
QElapsedTimer gSinceDisplayFlush;

// Drawing and the serial line (LineTurnBegin): how long drawing waits at
// most for the write that answers a reply, and how often it looks again.
enum { kLineTurnMaxMs = 8, kLineTurnRetryMs = 1 };
QElapsedTimer gLineTurn;  // valid from a delivered reply to the next write

void FlushDisplays() {
    std::vector<Ctrl*> due;
    due.swap(gPendingDisplays);
    for (Ctrl* c : due) {
        if (!c->hasPending) continue;
        c->hasPending = 0;
        if (c->widget) ShowLineText(c, c->pending);
    }
    gSinceDisplayFlush.restart();
}

}  // namespace

void ShowLineText(Ctrl* c, const QString& text) {
    auto* line = static_cast<QLineEdit*>(c->widget.data());
    if (line->text() == text) return;
    line->setText(text);
    line->setCursorPosition(0);  // long texts show their start
}

void QueueDisplayText(Ctrl* c, const QString& text) {
    c->pending = text;
    if (!c->hasPending) {
        c->hasPending = 1;
        gPendingDisplays.push_back(c);
    }
    if (!gDisplayTimer) {
        gDisplayTimer = new QTimer;
        gDisplayTimer->setSingleShot(true);
        QObject::connect(gDisplayTimer, &QTimer::timeout, [] {
            int retryMs = 0;
            if (LineTurnHeld(&retryMs))
                gDisplayTimer->start(retryMs);
            else
                FlushDisplays();
        });
    }
    if (gDisplayTimer->isActive()) return;
    qint64 wait = 0;
    if (gSinceDisplayFlush.isValid() && gSinceDisplayFlush.elapsed() < kDisplayRefreshMs)
        wait = kDisplayRefreshMs - gSinceDisplayFlush.elapsed();
    gDisplayTimer->start(static_cast<int>(wait));
}

void DropPendingDisplays(int panel) {
    std::vector<Ctrl*>& list = gPendingDisplays;
    for (size_t i = 0; i < list.size();)
        if (list[i]->panel == panel)
            list.erase(list.begin() + static_cast<long>(i));
        else
            ++i;
}

void DisplayFlushDue(void) {
    if (gDisplayTimer && gDisplayTimer->isActive() &&
        (!gSinceDisplayFlush.isValid() || gSinceDisplayFlush.elapsed() >= kDisplayRefreshMs)) {
        gDisplayTimer->stop();
        FlushDisplays();
    }
}

void LineTurnBegin(void) {
    gLineTurn.start();
}

void LineTurnEnd(void) {
    gLineTurn.invalidate();
}

int LineTurnHeld(int* retryMs) {
    if (!gLineTurn.isValid()) return 0;
    if (gLineTurn.elapsed() >= kLineTurnMaxMs) {
        gLineTurn.invalidate();
        return 0;
    }
    *retryMs = kLineTurnRetryMs;
    return 1;
}

void DisplayFlushAll(void) {
    FlushDisplays();
}

}  // namespace kui
