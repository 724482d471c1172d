// Event processing and timing: ProcessSystemEvents for the program's waiting
// loops, the monotonic Timer they measure time-outs with, and pauses.
//
// Facts owned here:
//  - ProcessSystemEvents runs what is pending; when nothing is, it waits for
//    the next event at most kIdleWaitMs, so a loop waiting 1.5 s for a
//    reply that never comes sleeps instead of spinning;
//  - without a QCoreApplication it does nothing and returns 0;
//  - Timer counts seconds from the start of the program on a monotonic
//    clock; Delay and Sleep pause without processing events.
#include <time.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <cerrno>
#include <cmath>

#include "platform/cvi.h"

namespace {

enum { kIdleWaitMs = 5 };
const double kMaxDelaySeconds = 86400.0;  // longer pauses are cut to a day

double MonotonicSeconds() {
    timespec now = {0, 0};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
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
    if (dispatcher->processEvents(QEventLoop::AllEvents)) return 0;
    // Nothing was pending: sleep until serial data, input or a timer, but
    // no longer than the idle wait.
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
    timespec until = {0, 0};
    clock_gettime(CLOCK_MONOTONIC, &until);
    double whole = std::floor(seconds);
    until.tv_sec += static_cast<time_t>(whole);
    until.tv_nsec += static_cast<long>((seconds - whole) * 1e9);
    if (until.tv_nsec >= 1000000000L) {
        until.tv_sec += 1;
        until.tv_nsec -= 1000000000L;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

void Sleep(int milliseconds) {
    Delay(static_cast<double>(milliseconds) / 1000.0);
}
