// The notify-count callback rule, shared by local serial ports and network
// ports: the callback runs while notifyCount bytes wait, is never
// re-entered, and is not called again after a call that took nothing, so
// it cannot spin.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <cstdint>

#include "platform/cvi.h"
#include "platform/userint_internal.h"

namespace kui {

enum { kMaxDeliveriesPerCheck = 256 };  // callbacks per check before other events get a turn

// Port has open, callback, callbackData, eventMask, notifyCount, inCallback
// and taken (counts reads and flushes that took bytes); waiting() is the
// byte count in its queue. Bytes that arrive while the callback runs raise
// no notification of their own, so the queue is looked at again after each
// call. Returns 1 when the check must be posted again (its turns are used
// up), else 0.
template <typename Port, typename Waiting>
int DeliverWhileWaiting(int port, Port& p, Waiting waiting) {
    if (p.inCallback) return 0;  // the running call is re-checked when it returns
    for (int n = 0; n < kMaxDeliveriesPerCheck; ++n) {
        if (!p.open || !p.callback || !(p.eventMask & kComEventRxCount)) return 0;
        if (waiting() < p.notifyCount) return 0;
        ComCallbackPtr callback = p.callback;
        void* data = p.callbackData;
        const uint32_t takenBefore = p.taken;
        p.inCallback = 1;
        callback(port, kComEventRxCount, data);
        p.inCallback = 0;
        LineTurnBegin();
        if (!p.open || p.taken == takenBefore) return 0;
    }
    return 1;
}

// Posts one look at port's queue to the event loop (at most one waits per
// port; owner is the port's Qt object, so a look posted for a port closed
// meanwhile is dropped). A look that finds a call of the port layer running
// (*depth > 0) is posted again rather than calling back into it.
template <typename PortOf, typename Deliver>
void QueueDeliveryCheck(int port, QObject* owner, PortOf portOf, const int* depth,
                        Deliver deliver) {
    auto& p = portOf(port);
    if (p.checkQueued || !owner) return;
    p.checkQueued = 1;
    QMetaObject::invokeMethod(
        owner,
        [port, owner, portOf, depth, deliver]() {
            portOf(port).checkQueued = 0;
            if (*depth > 0) {
                QueueDeliveryCheck(port, owner, portOf, depth, deliver);
                return;
            }
            deliver(port);
        },
        Qt::QueuedConnection);
}

}  // namespace kui
