// Speed of the RUN loop against the simulated sensor, with every drawing
// call on (bar graph, raw graph, displays; repaints coalesced by the
// runtime layer):
//  - unpaced (pseudo-terminal at full speed): frames per second and the
//    program's CPU microseconds per frame;
//  - paced at 19200 baud: frames per second as a ratio of the link's limit
//    (72 bytes each way per frame at 1920 bytes/s = 26.7 frames/s), the
//    time a frame takes beyond the line's own (mean and worst), the time
//    from a reply handed to the program to the next request seen by the
//    simulator, and the CPU the loop takes meanwhile, in percent of one
//    core; then the same ratio for a bare client without the program (the
//    floor set by this machine and the simulator's own scheduling).
// A script clicks RUN, waits, clicks STOP and quits, as a user would; the
// quit closes the port, which is opened again for the next run. CPU is the user-interface thread's
// own (the simulated sensor runs on a thread of its own in this process and is not counted). Prints
// one figure per line. BENCH_TRACE=FILE writes the frame trace meanwhile.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "KovexaV308/kovexa.h"
#include "bench/support_bench.h"
#include "core/linkwatch.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"
#include "platform/host.h"
#include "sim/kvexsim.h"

namespace {

const double kLinkLimitFps = 1920.0 / 72.0;
const double kRequestSeconds = 36.0 / 1920.0;
const int kRequestsKept = 8192;

// When each reply reached the program (receive callback), on the
// simulator's clock.
double gReplyAt[kRequestsKept];
int gReplies;
double gClockOffset;  // SimNow() - Timer()

void TimedReceive(int port, int events, void* data) {
    const int before = rx_flag;
    RX_Receive_Function(port, events, data);
    if (rx_flag && !before) gReplyAt[gReplies++ % kRequestsKept] = Timer() + gClockOffset;
}

struct Result {
    int frames;        // requests of the run (one per frame drawn, but the last)
    int spanFrames;    // frames between the two requests that bound span
    double span;       // seconds
    double cpu;        // UI thread, whole run
    double wall;       // whole run
    long replots;      // raw graph repaints actually done
    double maxPeriod;  // longest time between two requests, seconds
    double turnMean;   // from a reply in the program to the next request on the line
    double turnMax;
};

Result RunFor(int milliseconds) {
    char script[96];
    std::snprintf(script, sizeof script, "click BTNRun\nwait %d\nclick BTNStop\nquit\n",
                  milliseconds);
    char error[256];
    Result r{0, 0, 0, 0, 0, 0, 0, 0, 0};
    if (!HostLoadScriptText(script, error, sizeof error)) {
        std::fprintf(stderr, "script: %s\n", error);
        return r;
    }
    SimClearRequests();
    gReplies = 0;
    gClockOffset = SimNow() - Timer();
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
    SimRequest prev = first, next;
    int turns = 0;
    for (int i = from + 1; i < requests; ++i) {
        if (!SimGetRequest(i, &next)) break;
        if (next.time - prev.time > r.maxPeriod) r.maxPeriod = next.time - prev.time;
        prev = next;
        // Paced, a request's time is when its last byte is in: its first
        // left the program one request's time earlier.
        const int reply = i - 1;
        if (reply < gReplies && gReplies - reply <= kRequestsKept) {
            const double turn = next.time - kRequestSeconds - gReplyAt[reply % kRequestsKept];
            r.turnMean += turn;
            if (turn > r.turnMax) r.turnMax = turn;
            ++turns;
        }
    }
    if (turns > 0) r.turnMean /= turns;
    return r;
}

// The same paced sensor driven by a bare client that sends the next
// request the moment a reply is complete, without the program: the best
// ratio this machine and the simulator allow, to read run_paced_ratio by.
double FloorRatio(const char* path, int frames) {
    const int fd = open(path, O_RDWR | O_NOCTTY);
    if (fd < 0) return 0.0;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    unsigned char request[36] = {0x00, 0x55, 0x00, CMD_MEASURE};
    unsigned char reply[36];
    double t0 = 0.0;
    const int warmUp = 5;
    for (int i = 0; i < frames + warmUp; ++i) {
        if (i == warmUp) t0 = Timer();
        if (write(fd, request, sizeof request) != static_cast<ssize_t>(sizeof request)) break;
        size_t got = 0;
        while (got < sizeof reply) {
            const ssize_t n = read(fd, reply + got, sizeof reply - got);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        if (got < sizeof reply) {
            close(fd);
            return 0.0;
        }
    }
    const double seconds = Timer() - t0;
    close(fd);
    return frames / seconds / kLinkLimitFps;
}

}  // namespace

int main(int argc, char** argv) {
    if (!StartBenchProgram(&argc, argv, "edge1024")) return 1;
    // BENCH_TRACE=FILE runs with the frame trace on, as --trace FILE does.
    const char* trace = std::getenv("BENCH_TRACE");
    if (trace && !LinkTraceOpen(trace)) {
        std::fprintf(stderr, "cannot write the trace %s\n", trace);
        return 1;
    }
    const char* path = PortTableDevice(1);
    InstallComCallback(com, eventMask, kNotifyCount, kEventChar, TimedReceive, nullptr);
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
    InstallComCallback(com, eventMask, kNotifyCount, kEventChar, TimedReceive, nullptr);
    SetSimPaced(1);
    // BENCH_RUN_SECONDS lengthens the paced run for steadier CPU figures.
    const char* asked = std::getenv("BENCH_RUN_SECONDS");
    const int seconds = asked ? std::atoi(asked) : 0;
    const int pacedMs = 1000 * (seconds > 0 ? seconds : 5);
    const Result paced = RunFor(pacedMs);
    if (paced.span <= 0.0) {
        std::fprintf(stderr, "paced run: no frames\n");
        return 1;
    }
    std::printf("run_paced_fps %.2f\n", paced.spanFrames / paced.span);
    std::printf("run_paced_ratio %.3f\n", paced.spanFrames / paced.span / kLinkLimitFps);
    std::printf("run_paced_cpu_percent %.1f\n", 100.0 * paced.cpu / paced.span);
    // What each frame takes beyond the line's own 72 bytes: from a reply's
    // last byte to the next request's first (plus the simulator's own
    // turnaround), on average and at worst.
    const double linkFrame = 1.0 / kLinkLimitFps;
    std::printf("run_paced_gap_ms_mean %.3f\n",
                1000.0 * (paced.span / paced.spanFrames - linkFrame));
    std::printf("run_paced_gap_ms_max %.3f\n", 1000.0 * (paced.maxPeriod - linkFrame));
    // The program's own share: from the reply handed to it to the next
    // request seen by the simulator.
    std::printf("run_paced_turnaround_ms_mean %.3f\n", 1000.0 * paced.turnMean);
    std::printf("run_paced_turnaround_ms_max %.3f\n", 1000.0 * paced.turnMax);
    std::printf("run_status %s\n", szStatus);

    CloseCom(com);
    std::printf("run_paced_floor_ratio %.3f\n", FloorRatio(path, 120));
    SimStop();
    return 0;
}
