// Speed of the RUN loop against the simulated sensor, with every drawing
// call on (bar graph, raw graph, displays; repaints coalesced by the
// runtime layer):
//  - unpaced (pseudo-terminal at full speed): frames per second and the
//    program's CPU microseconds per frame;
//  - paced at 19200 baud: frames per second as a ratio of the link's limit
//    (72 bytes each way per frame at 1920 bytes/s = 26.7 frames/s) and the
//    CPU the loop takes meanwhile, in percent of one core.
// A script clicks RUN, waits, clicks STOP and quits, as a user would; the
// quit closes the port, which is opened again for the next run. CPU is the user-interface thread's
// own (the simulated sensor runs on a thread of its own in this process and is not counted). Prints
// one figure per line.
#include <cstdio>
#include <cstdlib>

#include "KovexaV308/kovexa.h"
#include "KovexaV308/panels/kovexa_panels.h"
#include "bench/support_bench.h"
#include "platform/cvi.h"
#include "platform/host.h"
#include "sim/kvexsim.h"

namespace {

const double kLinkLimitFps = 1920.0 / 72.0;
const int kRequestsKept = 8192;

struct Result {
    int frames;      // requests of the run (one per frame drawn, but the last)
    int spanFrames;  // frames between the two requests that bound span
    double span;     // seconds
    double cpu;      // UI thread, whole run
    double wall;     // whole run
    long replots;    // raw graph repaints actually done
};

Result RunFor(int milliseconds) {
    char script[96];
    std::snprintf(script, sizeof script, "click BTNRun\nwait %d\nclick BTNStop\nquit\n",
                  milliseconds);
    char error[256];
    Result r{0, 0, 0, 0, 0, 0};
    if (!HostLoadScriptText(script, error, sizeof error)) {
        std::fprintf(stderr, "script: %s\n", error);
        return r;
    }
    SimClearRequests();
    const long p0 = HostReplotCount(pHandle, MAIN_GRAPHRaw);
    const double c0 = ThreadCpuSeconds();
    const double t0 = Timer();
    RunUserInterface();
    r.wall = Timer() - t0;
    r.cpu = ThreadCpuSeconds() - c0;
    r.replots = HostReplotCount(pHandle, MAIN_GRAPHRaw) - p0;
    // The rate between two requests leaves out start-up and STOP's pause:
    // it is the loop's own pace. The simulator keeps the newest requests
    // only, so look no further back than it surely keeps.
    const int requests = SimRequestCount();
    r.frames = requests;
    const int from = requests > kRequestsKept ? requests - kRequestsKept : 0;
    SimRequest first, last;
    if (requests - from < 2 || !SimGetRequest(from, &first) ||
        !SimGetRequest(requests - 1, &last)) {
        std::fprintf(stderr, "run: %d requests, status \"%s\"\n", requests, szStatus);
        return r;
    }
    r.spanFrames = requests - 1 - from;
    r.span = last.time - first.time;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (!StartBenchProgram(&argc, argv, "edge1024")) return 1;
    SetCtrlVal(pHandle, MAIN_ToggButtonZoom, 1);
    SimSetScene(1000, 1400, 1);

    const Result fast = RunFor(3000);
    if (fast.span <= 0.0) {
        std::fprintf(stderr, "unpaced run: no frames\n");
        return 1;
    }
    std::printf("run_unpaced_fps %.1f\n", fast.spanFrames / fast.span);
    std::printf("run_unpaced_cpu_us_per_frame %.1f\n", 1e6 * fast.cpu / fast.frames);
    std::printf("run_unpaced_replots_per_s %.1f\n", fast.replots / fast.wall);

    InitRS232(com);
    SimFaults f;
    SimGetFaults(&f);
    f.paced = 1;
    SimSetFaults(&f);
    const Result paced = RunFor(5000);
    if (paced.span <= 0.0) {
        std::fprintf(stderr, "paced run: no frames\n");
        return 1;
    }
    std::printf("run_paced_fps %.2f\n", paced.spanFrames / paced.span);
    std::printf("run_paced_ratio %.3f\n", paced.spanFrames / paced.span / kLinkLimitFps);
    std::printf("run_paced_cpu_percent %.1f\n", 100.0 * paced.cpu / paced.span);
    std::printf("run_status %s\n", szStatus);

    CloseCom(com);
    SimStop();
    return 0;
}
