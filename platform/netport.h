// Network ports inside the serial service: a sensor behind a serial device
// server, reached by raw TCP or by Telnet with COM-PORT-CONTROL. serial.cpp
// hands every call on a port opened with a network address to these, so
// the program sees the same calls, codes and time-outs as on a local line.
//
// Facts owned here:
//  - open connects with a bounded wait while the window keeps repainting;
//    a host that refuses or does not answer gives kComErrCannotOpen within
//    kNetConnectSeconds, and the system's reason is kept for the status;
//  - the connection closing is the line gone: the port closes and later
//    calls give kComErrPortNotOpen;
//  - Telnet: the server's receive buffer is purged at open and by a flush
//    of the input that found stray bytes.
#pragma once

#include "platform/cvi.h"

// 1 while port is an open network port.
int NetPortIsOpen(int port);
// Opens port to the address device (socket://, rfc2217://). 0 or an error.
int NetPortOpen(int port, const char* device, long baudRate, int queueSize);
// Closes the port if it is a network port; harmless otherwise.
void NetPortClose(int port);

int NetSetComTime(int port, double timeoutSeconds);
int NetFlushInQ(int port);
int NetInstallComCallback(int port, int eventMask, int notifyCount, ComCallbackPtr callback,
                          void* callbackData);
int NetGetInQLen(int port);
int NetComRd(int port, char* buffer, int count);
int NetComWrt(int port, const char* buffer, int count);
