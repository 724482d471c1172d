// Speed of the VIDEO loop against the simulated sensor, with every drawing
// call on (bar graph, displays, video curve; repaints coalesced by the
// runtime layer). One refresh is a measurement exchange (36 + 36 bytes)
// and four block exchanges (36 + 128 bytes each): 728 bytes on the line.
//  - paced at 19200 baud: refreshes per second as a ratio of the link's
//    limit (1920 bytes/s / 728 bytes = 2.64 refreshes/s);
//  - unpaced (pseudo-terminal at full speed): refreshes per second and the
//    user-interface thread's CPU microseconds per refresh.
// A script clicks VIDEO, waits, clicks STOP and quits, as a user would. CPU
// is the user-interface thread's own (the simulated sensor runs on a thread
// of its own in this process). Heap allocations are counted for the whole
// process, toolkit and simulated sensor included: the program's own code
// allocates nothing per refresh, so what shows is theirs. Prints one figure
// per line.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "KovexaV308/kovexa.h"
#include "bench/support_bench.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"
#include "platform/host.h"
#include "sim/kvexsim.h"

namespace {
std::atomic<long> gAllocations{0};
}

void* operator new(std::size_t size) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

const double kBytesPerRefresh = 36 + 36 + 4 * (36 + 128);
const double kLinkLimit = 1920.0 / kBytesPerRefresh;
const int kRequestsKept = 8192;

struct Result {
    int refreshes;      // measurement requests of the run
    int spanRefreshes;  // refreshes between the first and last measurement request
    double span;        // seconds between them
    double cpu;         // UI thread, whole run
    long allocations;   // whole process, whole run
};

Result VideoFor(int milliseconds) {
    char script[96];
    std::snprintf(script, sizeof script, "click BTNVideo\nwait %d\nclick BTNStop\nquit\n",
                  milliseconds);
    char error[256];
    Result r{0, 0, 0, 0, 0};
    if (!HostLoadScriptText(script, error, sizeof error)) {
        std::fprintf(stderr, "script: %s\n", error);
        return r;
    }
    SimClearRequests();
    const double c0 = ThreadCpuSeconds();
    const long a0 = gAllocations.load();
    RunUserInterface();
    r.cpu = ThreadCpuSeconds() - c0;
    r.allocations = gAllocations.load() - a0;
    // The pace between two measurement requests leaves out start-up and
    // STOP's pause. The simulator keeps the newest requests only.
    const int requests = SimRequestCount();
    const int from = requests > kRequestsKept ? requests - kRequestsKept : 0;
    double first = -1, last = -1;
    for (int i = from; i < requests; ++i) {
        SimRequest q;
        if (!SimGetRequest(i, &q) || q.bytes[3] != CMD_MEASURE) continue;
        ++r.refreshes;
        if (first < 0) first = q.time;
        last = q.time;
    }
    if (r.refreshes < 2) {
        std::fprintf(stderr, "video: %d refreshes, status \"%s\"\n", r.refreshes, szStatus);
        return r;
    }
    r.spanRefreshes = r.refreshes - 1;
    r.span = last - first;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (!StartBenchProgram(&argc, argv, "edge1024")) return 1;
    SimSetScene(1000, 1400, 1);

    SetSimPaced(1);
    const Result paced = VideoFor(8000);
    if (paced.span <= 0.0) {
        std::fprintf(stderr, "paced run: no refreshes\n");
        return 1;
    }
    const double pacedRate = paced.spanRefreshes / paced.span;
    std::printf("video_paced_refreshes_per_s %.3f\n", pacedRate);
    std::printf("video_paced_ratio %.3f\n", pacedRate / kLinkLimit);
    std::printf("video_paced_cpu_percent %.1f\n", 100.0 * paced.cpu / paced.span);

    InitRS232(com);
    SimResetFaults();
    const Result fast = VideoFor(3000);
    if (fast.span <= 0.0) {
        std::fprintf(stderr, "unpaced run: no refreshes\n");
        return 1;
    }
    std::printf("video_unpaced_refreshes_per_s %.1f\n", fast.spanRefreshes / fast.span);
    std::printf("video_unpaced_cpu_us_per_refresh %.1f\n", 1e6 * fast.cpu / fast.refreshes);
    std::printf("video_unpaced_heap_allocs_per_refresh_all_code %.1f\n",
                static_cast<double>(fast.allocations) / fast.refreshes);
    std::printf("video_status %s\n", szStatus);

    CloseCom(com);
    SimStop();
    return 0;
}
