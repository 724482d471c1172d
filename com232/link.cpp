// The request/reply cycle over the serial port: receive callback, sending a
// frame, waiting for the reply with the 1.5 s time-out, the line check, and
// opening the link. Replies arrive only through RX_Receive_Function, which
// the runtime calls on the UI thread once 36 bytes are queued (event bit
// 0x8000), so the flags need no lock.
#include <cstdio>
#include <cstring>

#include "com232/kvex_link.h"
#include "core/porthint.h"
#include "platform/cvi.h"

namespace {

struct OpenError {
    int code;
    const char* text;
};

const OpenError kOpenErrors[] = {
    {kComErrUnknownSystem, "Unknown system error"}, {kComErrInvalidPort, "Invalid port number"},
    {kComErrPortNotOpen, "Port is not open"},       {kComErrUnknownIo, "Unknown I/0 error"},
    {kComErrNoSerialPort, "No serial port found"},  {kComErrCannotOpen, "Cannot open port"},
    {kComErrInvalidParameter, "Invalid parameter"}, {kComErrTimeout, "Timeout"},
};

const char kTxtRs232Error[] = "RS-232 error!";
enum { kHolderSize = 64, kRefusalSize = 256 };

const char* OpenErrorText(int code) {
    for (const OpenError& e : kOpenErrors)
        if (e.code == code) return e.text;
    return kTxtRs232Error;
}

// The status line keeps the described text; what the system says about
// the refusal is shown after it.
void ShowOpenRefusal(int port, int rc) {
    char holder[kHolderSize];
    PortRefusal r = {0, 1, holder};
    if (rc != kComErrCannotOpen ||
        !ComOpenRefusal(port, &r.exists, &r.permitted, holder, sizeof holder))
        return;
    char text[kRefusalSize];
    if (PortRefusalText(OpenErrorText(rc), &r, text, sizeof text)) ShowStatusText(text);
}

}  // namespace

void RX_Receive_Function(int port, int events, void* data) {
    (void)port;
    (void)data;
    if (!(events & kComEventRxCount)) return;
    const int n = ComRd(com, szReadBuf, kFrameSize);
    // A frame cut short (the line went away mid-frame) would decode stale
    // bytes of the previous reply as if they were new: drop it.
    if (n == kFrameSize) {
        graph_flag = GetRxBuf();
        rx_flag = 1;
    }
    FlushInQ(com);
}

void DetachReceiveCallback(void) {
    InstallComCallback(com, 0, kNotifyCount, kEventChar, nullptr, nullptr);
}

void AttachReceiveCallback(void) {
    InstallComCallback(com, eventMask, kNotifyCount, kEventChar, RX_Receive_Function, nullptr);
}

int SendFrame(void) {
    // Only the input is flushed: what waits in the output queue is a frame
    // on its way (a parameter write sent just before), which a flush would
    // cut off. What could not go out in time the port layer has dropped.
    FlushInQ(com);
    rx_flag = 0;
    nBytesW = ComWrt(com, szWriteBuf, kFrameSize);
    return nBytesW;
}

int SendCommand(uint16_t command, uint16_t second) {
    parameter[1] = command;
    parameter[2] = second;
    FillTxBuf(command, second, pp);
    return SendFrame();
}

int WriteCommand(uint16_t command, uint16_t second) {
    parameter[1] = command;
    parameter[2] = second;
    FillTxBuf(command, second, pp);
    nBytesW = ComWrt(com, szWriteBuf, kFrameSize);
    return nBytesW;
}

void FlushPortQueues(void) {
    FlushInQ(com);
    FlushOutQ(com);
}

int PortUsable(void) {
    if (ComIsOpen(com)) return 1;
    CopyStatus(kTxtPortClosed);
    return 0;
}

int exchangeWaits;

namespace {

int WaitForRxFlag(const char* timeoutText) {
    const double t0 = Timer();
    for (;;) {
        ProcessSystemEvents();
        if (rx_flag) return 1;
        // Nothing can arrive on a closed port: waiting out the time-out
        // would only hide why.
        if (!PortUsable()) return 0;
        if (Timer() - t0 > TIMEOUT) {
            CopyStatus(timeoutText);
            return 0;
        }
    }
}

}  // namespace

int WaitReply(const char* timeoutText) {
    ++exchangeWaits;
    const int arrived = WaitForRxFlag(timeoutText);
    --exchangeWaits;
    return arrived;
}

int WaitRxFull(void) {
    return WaitReply(kTxtTimeout);
}

int CheckComLine(int port) {
    parameter[1] = CMD_ECHO;
    parameter[2] = 0;
    CopyVarsToPP(0);
    FillTxBuf(CMD_ECHO, 0, pp);
    FlushOutQ(port);
    FlushInQ(port);
    rx_flag = 0;
    nBytesW = ComWrt(port, szWriteBuf, kFrameSize);
    int result = 0;
    if (WaitReply(kTxtTimeout)) {
        pp[0] = WordAt(szReadBuf, 0);  // the check leaves the sync word there
        if (ReplyInSync()) {
            CopyStatus(kTxtLineOk);
            result = 1;
        } else {
            CopyStatus(kTxtNotSync);
        }
    }
    ShowStatus();
    return result;
}

unsigned portOpenings;

int OpenSensorPort(int port) {
    ++portOpenings;
    const int rc = OpenComConfig(port, "", kBaudRate, 0, 8, 1, kQueueSize, kQueueSize);
    if (rc < 0) {
        // A network port says why, as "Cannot open port: Connection refused".
        const char* cause = ComOpenErrorCause();
        if (cause[0] == '\0') {
            SetStatus(OpenErrorText(rc));
            ShowOpenRefusal(port, rc);
        } else {
            std::snprintf(szStatus, sizeof szStatus, "%s: %s", OpenErrorText(rc), cause);
            ShowStatus();
        }
        return 0;
    }
    SetComTime(port, TIMEOUT);
    FlushInQ(port);
    FlushOutQ(port);
    SetCTSMode(port, 0);
    InstallComCallback(port, eventMask, kNotifyCount, kEventChar, RX_Receive_Function, nullptr);
    return 1;
}
