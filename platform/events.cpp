// Event processing and timing: ProcessSystemEvents for the program's waiting
// loops, the monotonic Timer they measure time-outs with, and pauses.
//
// Facts owned here:
//  - ProcessSystemEvents runs what is pending; when nothing is, it waits for
//    the next event at most kIdleWaitMs, so a loop waiting 1.5 s for a
//    reply that never comes sleeps instead of spinning, and a loop waiting
//    for a point in time overshoots it by at most that much;
//  - without a QCoreApplication it does nothing and returns 0;
//  - Timer counts seconds from the start of the program on a monotonic
//    clock; Delay and Sleep pause without processing events.
#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <thread>

#include "platform/cvi.h"

namespace {

enum { kIdleWaitMs = 10 };
const double kMaxDelaySeconds = 86400.0;  // longer pauses are cut to a day

// The standard library's steady clock: monotonic on every system, so a
// clock set back or forward never stretches or cuts a time-out.
double MonotonicSeconds() {
    const std::chrono::duration<double> since = std::chrono::steady_clock::now().time_since_epoch();
    return since.count();
}

double StartSeconds() {
    static const double start = MonotonicSeconds();
    return start;
}

// Fixes the start of Timer() when the program loads, not at its first call.
[[maybe_unused]] const double g_startAtLoad = StartSeconds();

// The single-shot timer that bounds an idle wait. It belongs to the
// application object, so it goes away with it.
QTimer* WakeTimer(QCoreApplication* app) {
    static QPointer<QTimer> timer;
    if (!timer || timer->parent() != app) {
        timer = new QTimer(app);
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    return timer;
}

}  // namespace

int ProcessSystemEvents(void) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return 0;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher) return 0;
    // One pass: what is pending runs without a wait; with nothing pending
    // it sleeps until serial data, input or a timer, but no longer than the
    // idle wait. (A first pass that only looks costs a poll every call.)
    QTimer* timer = WakeTimer(app);
    timer->start(kIdleWaitMs);
    dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    timer->stop();
    return 0;
}

double Timer(void) {
    return MonotonicSeconds() - StartSeconds();
}

void Delay(double seconds) {
    if (!(seconds > 0.0)) return;  // also NaN
    if (seconds > kMaxDelaySeconds) seconds = kMaxDelaySeconds;
    // Sleeping until a fixed point keeps the pause whole when a signal
    // wakes the thread early.
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                           std::chrono::duration<double>(seconds));
    std::this_thread::sleep_until(until);
}

void Sleep(int milliseconds) {
    Delay(static_cast<double>(milliseconds) / 1000.0);
}
