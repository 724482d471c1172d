// Paced RUN through a serial device server: ser2net on 127.0.0.1 in front
// of the simulated sensor (19200 baud timing), reached by raw TCP and by
// Telnet COM-PORT-CONTROL, against the same run on the local line. The
// server runs as the README recommends: no Nagle delay (nodelay), no wait
// for a pause in the sensor's bytes (chardelay off). Frames
// per second between the first and last request the sensor saw, as a ratio
// of the line's limit (72 bytes each way per frame at 1920 bytes/s).
// Prints one figure per line.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "KovexaV308/kovexa.h"
#include "bench/support_bench.h"
#include "platform/cvi.h"
#include "platform/host.h"
#include "sim/kvexsim.h"
#include "tests/integration/support_ser2net.h"

namespace {

const double kLinkLimitFps = 1920.0 / 72.0;

struct Mode {
    const char* name;
    const char* scheme;    // "" for the local line
    const char* accepter;  // ser2net's
};
const Mode kModes[] = {
    {"local", "", ""},
    {"raw", "socket", "tcp(nodelay)"},
    {"rfc2217", "rfc2217", "telnet(rfc2217),tcp(nodelay)"},
};

// Paced RUN for the given time; frames per second between the first and
// last request, 0 when fewer than two came.
double PacedRun(int milliseconds) {
    char script[96];
    std::snprintf(script, sizeof script, "click BTNRun\nwait %d\nclick BTNStop\nquit\n",
                  milliseconds);
    char error[256];
    if (!HostLoadScriptText(script, error, sizeof error)) return 0.0;
    SimClearRequests();
    RunUserInterface();
    const int n = SimRequestCount();
    SimRequest first, last;
    if (n < 2 || !SimGetRequest(0, &first) || !SimGetRequest(n - 1, &last)) return 0.0;
    return (n - 1) / (last.time - first.time);
}

}  // namespace

int main(int argc, char** argv) {
    if (!StartBenchProgram(&argc, argv, "edge1024")) return 1;
    const std::string device = PortTableDevice(1);
    const char* asked = std::getenv("BENCH_RUN_SECONDS");
    const int seconds = asked && std::atoi(asked) > 0 ? std::atoi(asked) : 4;
    int failed = 0;
    for (const Mode& mode : kModes) {
        CloseCom(com);
        DeviceServerProcess server;
        std::string address = device;
        if (mode.scheme[0]) {
            std::string error;
            if (!DeviceServerStart(mode.accepter, device.c_str(), &server, &error)) {
                std::fprintf(stderr, "%s: %s\n", mode.name, error.c_str());
                return 1;
            }
            address = std::string(mode.scheme) + "://127.0.0.1:" + std::to_string(server.port);
        }
        PortTableSetDevice(1, address.c_str());
        SetSimPaced(0);
        InitRS232(com);
        SetSimPaced(1);
        const double fps = PacedRun(1000 * seconds);
        std::printf("netport_%s_paced_fps %.2f\n", mode.name, fps);
        std::printf("netport_%s_paced_ratio %.3f\n", mode.name, fps / kLinkLimitFps);
        std::printf("netport_%s_status %s\n", mode.name, szStatus);
        failed += fps <= 0.0;
        CloseCom(com);
        DeviceServerStop(&server);
    }
    SimStop();
    return failed ? 1 : 0;
}
