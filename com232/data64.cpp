// The block read over the serial port: one command-9 request, then the
// input queue polled until the 128-byte answer is there or TIMEOUT (1.5 s)
// has passed. The answer is no frame, so the receive callback must be
// detached meanwhile (ReadDataBlocks does that around the four blocks).
//
// Anything but exactly 128 bytes is rejected: more bytes waiting than
// szReadBuf holds are drained in pieces, never read past it. A loop that
// runs (stop_flag 0) may be stopped inside the wait by STOP, by quitting or
// by a port change; the wait then ends without a time-out text that did
// not happen. After a port change or a quit the port is not touched again;
// after STOP the block asked for may still be on its way, and is let in
// (or its time-out passes) with the callback detached and thrown away, so
// that its bytes are never taken for a reply frame.
#include "com232/data64.h"

#include "com232/kvex_link.h"
#include "platform/cvi.h"

namespace {

const uint16_t kBlockStarts[kBlocksPerBuffer] = {0, 64, 128, 192};

// Where bytes beyond the first szReadBuf-full go when a flood is drained.
char spill[kBufSize];
// A line that keeps streaming is drained this far and no further, so the
// read ends; what is left goes with the next flush.
const int kDrainLimit = 4 * kBufSize;

// Reads every byte waiting, in pieces of szReadBuf; the first piece stays
// in szReadBuf. Returns the bytes read.
int DrainInput(int waiting) {
    int total = 0;
    while (waiting > 0 && total < kDrainLimit) {
        const int piece = waiting < kBufSize ? waiting : kBufSize;
        const int got = ComRd(com, total == 0 ? szReadBuf : spill, piece);
        if (got <= 0) break;
        total += got;
        waiting = GetInQLen(com);
    }
    nBytesR = total;
    return total;
}

// Waits, without running other callbacks, until the block requested at
// requestedAt is in or its time-out has passed, then empties the queue.
void DrainLateBlock(double requestedAt) {
    const double kPollStep = 0.005;
    while (ComIsOpen(com) && GetInQLen(com) < kBlockBytes && Timer() - requestedAt <= TIMEOUT)
        Delay(kPollStep);
    if (ComIsOpen(com)) FlushInQ(com);
}

}  // namespace

int ReadData64(uint16_t start, uint16_t kind, uint16_t* buffer) {
    const int loopRunning = stop_flag == 0;
    const unsigned opening = portOpenings;
    parameter[1] = CMD_DATA64;
    FlushPortQueues();
    FillData64Request(szWriteBuf, start, kind);
    nBytesW = ComWrt(com, szWriteBuf, kFrameSize);
    ShowStatusText(Data64WaitingText(start));

    const double t0 = Timer();
    int waiting = 0;
    for (;;) {
        ProcessSystemEvents();
        // Ended by STOP: the line shows again what it said before the wait,
        // not a wait that is over.
        if (loopRunning && stop_flag != 0) {
            if (portOpenings == opening) DrainLateBlock(t0);
            ShowStatus();
            return 0;
        }
        waiting = GetInQLen(com);
        if (waiting >= kBlockBytes) break;
        // A line that went away sends nothing more: say so now.
        if (!PortUsable()) {
            ShowStatus();
            return 0;
        }
        if (Timer() - t0 > TIMEOUT) {
            CopyStatus(kTxtTimeoutData64);
            break;
        }
    }

    int result = 0;
    const int got = DrainInput(waiting);
    if (StoreData64Block(szReadBuf, got, start, buffer)) {
        CopyStatus(kTxtBlockReceived);
        result = 1;
    }
    ShowStatus();
    return result;
}

int ReadDataBlocks(uint16_t kind, uint16_t* buffer) {
    // STOP that came with the measurement frame before the blocks: no block
    // is asked for after it, and the line keeps STOP's text.
    if (stop_flag != 0) return 0;
    DetachReceiveCallback();
    FlushPortQueues();
    int ok = 1;
    for (uint16_t start : kBlockStarts) {
        ok = ReadData64(start, kind, buffer);
        if (!ok) break;
    }
    AttachReceiveCallback();
    return ok;
}
