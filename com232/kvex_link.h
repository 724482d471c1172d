// Exchanges with the sensor over the serial port: opening the port, the
// receive callback, sending a request and waiting for its reply within
// TIMEOUT (1.5 s), the line check, identification and the raw streams read
// with the receive callback detached. Frames, records and the link's state
// are in core/protocol.h.
#pragma once

#include "core/protocol.h"

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
void InitRS232(int port);
// Counts the openings by InitRS232: a wait that sees it change knows that
// its port was closed (and another one probed) under it.
extern unsigned portOpenings;
// Copies text into szStatus (always terminated, cut at 71 characters).
void CopyStatus(const char* text);
// CopyStatus and show it.
void SetStatus(const char* text);
// Shows szStatus in the status line (provided by the program).
void ShowStatus(void);
// Shows a text in the status line without keeping it in szStatus.
void ShowStatusText(const char* text);

// No sensor is known on the port any more: identity, firmware text, model
// box and the measured values shown are cleared until a probe succeeds.
void ForgetSensor(void);
int GetHARDWAREInfo(void);
int GetVERSIONInfo(void);
int PushGETRAW(void);
int ReadData64(uint16_t start, uint16_t kind);

// Reads one half of the record from RAM or EEPROM (DATFILE: no exchange);
// after half 1 the panels show the record. Part of the opening sequence.
// 1 when the half arrived (always for DATFILE).
int PushGET(uint16_t source, uint16_t half);
