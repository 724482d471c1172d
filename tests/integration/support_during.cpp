#include "tests/integration/support_during.h"

#include <gtest/gtest.h>

#include <QTimer>

#include "platform/host.h"
#include "sim/kvexsim.h"
#include "tests/integration/support_harness.h"

void ClickDuring(int panel, int button, const std::function<bool(int)>& step) {
    QTimer timer;
    int seen = 0;
    bool busy = false, done = false;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        // A step may run event processing of its own: no step inside another.
        const int n = SimRequestCount();
        if (busy || done || n == seen) return;
        seen = n;
        busy = true;
        done = step(n);
        busy = false;
    });
    timer.start(1);
    const int clicked = HostClick(panel, button);
    timer.stop();
    EXPECT_EQ(1, clicked) << "click refused";
}

void ClickStoppingAt(int panel, int button, int requests) {
    ClickDuring(panel, button, [requests](int n) {
        if (n >= requests) HostClick(pHandle, MAIN_BTNStop);
        return n >= requests;
    });
}
