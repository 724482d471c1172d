// Identification of the sensor on the line: the hardware answer (command
// 10) and the firmware text (command 7), run each time the port is opened.
// They return what they found; the panel side shows it.
//
// Facts owned here: the hardware answer is a 36-byte frame taken in by the
// receive callback; only an answer that echoes 10 may change the identity
// (a late reply to an earlier command must not). The firmware text is not a
// frame: 72 raw bytes read from the input queue with the callback detached.
#include "com232/kvex_link.h"
#include "core/models.h"
#include "platform/cvi.h"

void ForgetSensorIdentity(void) {
    ccdtype = 0;
    HWTYPE = 0;
    szVersion[0] = '\0';
    Ledge = Redge = Mvalue = tol = edcnt = mvstart = mvend = dynpow = anaMax = anaMin = in0 = 0;
    raw15 = 0;
    umValue = 0;
}

int ReadHardwareInfo(Identification* id, uint16_t* reportedVirtPixel) {
    SendCommand(CMD_HARDWARE, 0);
    if (!WaitReply(kTxtTimeout)) return kHardwareSilent;

    // Decoded into locals first: only the answer to this request may
    // become the sensor's identity.
    HardwareInfo hw;
    if (!DecodeHardwareFrame(szReadBuf, &hw)) return kHardwareForeign;
    StoreHardwareInfo(&hw);
    // Before the step table may fall back to 1024 virtual pixels.
    *reportedVirtPixel = ccdvirtpixel;
    FillXArray();
    IdentifySensor(id);
    return kHardwareRead;
}

int GetVERSIONInfo(void) {
    DetachReceiveCallback();
    SendCommand(CMD_VERSION, 0);
    ShowStatusText(kTxtWaitingFirmware);

    const double t0 = Timer();
    int queued = 0;
    for (;;) {
        ProcessSystemEvents();
        queued = GetInQLen(com);
        if (queued < 0) queued = 0;
        if (queued >= kFirmwareBytes) break;
        if (!PortUsable()) break;  // nothing more can come: no time-out to wait out
        if (Timer() - t0 > TIMEOUT) {
            CopyStatus(kTxtTimeoutFirmware);
            break;
        }
    }

    szVersion[0] = '\0';
    const int toRead = queued < kBufSize ? queued : kBufSize;
    nBytesR = toRead > 0 ? ComRd(com, szReadBuf, toRead) : 0;
    const int shown = DecodeFirmwareText(szReadBuf, nBytesR, pcbtype, szVersion, sizeof szVersion);

    AttachReceiveCallback();
    FlushInQ(com);
    FlushOutQ(com);
    rx_flag = 0;
    if (shown >= 0) {
        // szStatus holds 71 characters; the line shows the whole text.
        CopyStatus(szVersion);
        ShowStatusText(szVersion);
    } else {
        ShowStatus();
    }
    return queued;
}
