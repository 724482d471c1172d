// One measurement fetch: a CMD_MEASURE request (second word 0, payload as
// left in pp, not re-packed) and the wait for the measurement frame (reply
// type 8, which the receive callback marks with graph_flag).
//
// A frame of another type sets rx_flag but not graph_flag and is not what
// this fetch waits for; only graph_flag ends the wait early. The wait is
// bounded by TIMEOUT (1.5 s); a time-out shows kTxtTimeoutLine and sets
// stop_flag, so a loop that called it ends.
#include "com232/kvex_link.h"
#include "platform/cvi.h"

int PushGETRAW(void) {
    // A loop that runs (stop_flag 0) may be stopped from inside the wait:
    // by STOP, by quitting or by a port change, which closes this port and
    // probes another one. Waiting out the time-out then would only report a
    // time-out that did not happen, over the new port's status.
    const int loopRunning = stop_flag == 0;
    if (SendCommand(CMD_MEASURE, 0) == kFrameSize) SetStatus(kTxtSent);
    graph_flag = 0;
    const double t0 = Timer();
    for (;;) {
        ProcessSystemEvents();
        if (graph_flag == 1) return 1;
        if (loopRunning && stop_flag != 0) return 0;
        if (!PortUsable()) {
            ShowStatus();
            stop_flag = 1;
            return 0;
        }
        if (Timer() - t0 > TIMEOUT) {
            SetStatus(kTxtTimeoutLine);
            stop_flag = 1;
            return 0;
        }
    }
}
