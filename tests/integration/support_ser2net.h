// A serial device server for tests and benchmarks: ser2net started on
// 127.0.0.1 with a free port in front of a serial device (the simulated
// sensor's pseudo-terminal), stopped again at the end. No GoogleTest here,
// so the benchmarks use it too.
#pragma once

#include <sys/types.h>

#include <string>

struct DeviceServerProcess {
    pid_t pid = 0;
    int port = 0;     // TCP port on 127.0.0.1
    std::string dir;  // configuration and log
};

// Starts ser2net with accepter ("tcp(nodelay)" or
// "telnet(rfc2217),tcp(nodelay)") in front of device at 19200 8N1, passing
// bytes on without waiting (chardelay off), and waits until it listens. 1, or 0 with why in
// *error (ser2net missing, ended at start, or not listening in time).
int DeviceServerStart(const char* accepter, const char* device, DeviceServerProcess* server,
                      std::string* error);
// Stops ser2net (the connections end with it) and removes its files.
void DeviceServerStop(DeviceServerProcess* server);
// A TCP port on 127.0.0.1 nobody listens on now.
int FreeTcpPort(void);
