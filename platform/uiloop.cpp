// The program's event loop: RunUserInterface until QuitUserInterface, and
// ProcessDrawEvents, which shows what waits for its refresh now.
//
// Facts owned here: a quit asked before the loop runs ends it at once;
// loops nest, and a quit ends the innermost.
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <vector>

#include "platform/cvi.h"
#include "platform/userint_internal.h"

namespace {
std::vector<QEventLoop*> gLoops;  // RunUserInterface's loops, innermost last
int gQuitPending = 0;
int gQuitCode = 0;
int gQuitCalls = 0;
}  // namespace

using namespace kui;

int kui::QuitCount(void) {
    return gQuitCalls;
}

int kui::LoopDepth(void) {
    return static_cast<int>(gLoops.size());
}

int ProcessDrawEvents(void) {
    if (!HasApp()) return 0;
    DisplayFlushDue();
    GraphFlushDue();
    // The windows' repaints of what changed, now rather than at the start
    // of the next event processing, which may be the one a reply ends.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    return 0;
}

int RunUserInterface(void) {
    if (!HasApp()) return kUiErrPanel;
    if (gQuitPending) {
        gQuitPending = 0;
        return gQuitCode;
    }
    QEventLoop loop;
    gLoops.push_back(&loop);
    ScriptStartIfPending();
    loop.exec();
    gLoops.pop_back();
    return gQuitCode;
}

int QuitUserInterface(int returnCode) {
    ++gQuitCalls;
    gQuitCode = returnCode;
    if (gLoops.empty()) {
        // Asked before the loop runs: the loop then returns at once.
        gQuitPending = 1;
        return 0;
    }
    gLoops.back()->exit(returnCode);
    return 0;
}
