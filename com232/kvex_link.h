// Exchanges with the sensor over the serial port: opening the port, the
// receive callback, sending a request and waiting for its reply within
// TIMEOUT (1.5 s), the line check, identification and the raw streams read
// with the receive callback detached. Frames, records and the link's state
// are in core/protocol.h.
#pragma once

#include "core/protocol.h"
#include "core/status.h"

// -------------------------------------------------- exchanges (platform) --

void RX_Receive_Function(int port, int events, void* data);
// Waits for a reply in progress (nested ones each count): while one waits,
// nothing else may send a request whose reply it could take for its own.
extern int exchangeWaits;
int WaitRxFull(void);  // 1 reply arrived, 0 time-out (szStatus = kTxtTimeout)
// Waits for rx_flag up to TIMEOUT; on time-out copies timeoutText into
// szStatus, on a port that is (or goes) closed kTxtPortClosed at once. 1/0.
int WaitReply(const char* timeoutText);
// For a request that expects a reply: flushes the input queue (stale
// bytes), clears rx_flag, writes szWriteBuf (36 bytes) to com behind any
// frame still going out. Returns the bytes written (kept in nBytesW).
int SendFrame(void);
// Builds (command, second, pp) and sends it as SendFrame does.
int SendCommand(uint16_t command, uint16_t second);
// For a frame that gets no reply (the parameter writes): builds (command,
// second, pp) and writes it without flushing or touching rx_flag, so a
// reply another exchange is waiting for is not thrown away. Bytes written.
int WriteCommand(uint16_t command, uint16_t second);
// 1 while the port com is open. Otherwise 0, with kTxtPortClosed in
// szStatus: the line went away or no port could be opened, and only
// choosing the port again brings it back.
int PortUsable(void);
// Empties the input and output queues of the port com.
void FlushPortQueues(void);
void DetachReceiveCallback(void);
void AttachReceiveCallback(void);
int CheckComLine(int port);
// Opens port with the link's settings and installs the receive callback;
// 1, or 0 with the open error in the status line.
int OpenSensorPort(int port);
// Counts the port openings: a wait that sees it change knows that
// its port was closed (and another one probed) under it.
extern unsigned portOpenings;

// No sensor is known on the port any more: identity, firmware text and
// the measurement record are cleared until a probe succeeds.
void ForgetSensorIdentity(void);
// The hardware answer (command 10) made the identity of the sensor, with
// what the panels need to show it in *id and the virtual pixel count as
// reported in *reportedVirtPixel (before any fallback of the step table).
enum { kHardwareRead = 1, kHardwareSilent = 0, kHardwareForeign = -1 };
struct Identification;
int ReadHardwareInfo(Identification* id, uint16_t* reportedVirtPixel);
// Reads the firmware text into szVersion and shows it; the bytes queued.
int GetVERSIONInfo(void);
int PushGETRAW(void);
// One 64-word block (words start..start+63 of buffer); 1 when it arrived.
int ReadData64(uint16_t start, uint16_t kind, uint16_t* buffer);
