// X-FLASH exchanges: the clear frame (command 101) and the write frames
// (command 102) of the linearisation table, each answered by one 36-byte
// frame within TIMEOUT (1.5 s). Of a write reply, payload word 0 is the
// offset and word 1 the page the sensor wrote; the clear reply is not
// examined.
//
// The frames are composed in szWriteBuf byte by byte; a write frame leaves
// bytes 24-35 as the clear frame left them. Every wait also ends when
// stop_flag is set (STOP, quitting, a port change): the port may be closed
// or another one open by then, so nothing here touches it afterwards.
#include <cstdio>

#include "core/xflash_frames.h"
#include "gui/gui.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

const char kTxtClearing[] = "clearing X-FLASH...";
const char kTxtCleared[] = "X-FLASH-cleared!";
const char kTxtPageWritten[] = "X-FLASH-write OK: PAGE%u ...";

enum : uint16_t { kFirstReportedPage = 2, kLastReportedPage = 9 };

int progressPlot;  // handle of the progress bar on GRAPHBar

int WaitXFlashReply(void) {
    const double t0 = Timer();
    for (;;) {
        ProcessSystemEvents();
        if (stop_flag != 0) return kXFlashAborted;
        if (rx_flag) return kXFlashConfirmed;
        if (Timer() - t0 > TIMEOUT) {
            CopyStatus(kTxtTimeout);
            return kXFlashUnconfirmed;
        }
    }
}

}  // namespace

int ClearXFLASH(void) {
    parameter[1] = CMD_XFLASH_CLEAR;
    parameter[2] = 0;
    ComposeXFlashClear(szWriteBuf);
    // A port that is not open (the line went away) answers nothing: no wait.
    if (SendFrame() < 0) return kXFlashAborted;
    ShowStatusText(kTxtClearing);
    const int result = WaitXFlashReply();
    if (result == kXFlashAborted) return result;
    if (result == kXFlashConfirmed) CopyStatus(kTxtCleared);
    ShowStatus();
    return result;
}

int WriteXFLASH(uint16_t offset, uint16_t page) {
    parameter[1] = CMD_XFLASH_WRITE;
    ComposeXFlashWrite(szWriteBuf, offset, page, linArray);
    if (SendFrame() < 0) return kXFlashAborted;
    int result = WaitXFlashReply();
    if (result == kXFlashAborted) return result;
    const int s = XFlashIndex(offset, page);
    if (result == kXFlashConfirmed) {
        SetCtrlVal(pHandle, MAIN_DISPanaMax, s);
        const uint16_t reportedOffset = pp[0];
        const uint16_t reportedPage = pp[1];
        if (reportedPage >= kFirstReportedPage && reportedPage <= kLastReportedPage)
            std::snprintf(szStatus, sizeof szStatus, kTxtPageWritten,
                          static_cast<unsigned>(reportedPage));
        // Only the sensor's own word that it wrote this frame confirms it.
        if (reportedOffset != offset || reportedPage != page) result = kXFlashUnconfirmed;
    }
    // One bar that grows: 256 stacked ones look the same but cost every
    // repaint more, and the repaints share the thread with the transfer.
    if (progressPlot > 0) DeleteGraphPlot(pHandle, MAIN_GRAPHBar, progressPlot, VAL_DELAYED_DRAW);
    progressPlot = PlotRectangle(pHandle, MAIN_GRAPHBar, 1.0, 0.0, s, 1.0, VAL_GREEN, VAL_GREEN);
    ShowStatus();
    return result;
}
