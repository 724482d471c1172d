// Line-check round trips against the simulated sensor: unpaced (the
// program's own cost per exchange) and paced at 19200 baud (how close the
// exchange comes to the link's limit: 72 bytes each way per round trip at
// 1920 bytes/s is 26.7 round trips/s). Prints one figure per line.
#include <sys/resource.h>

#include <cstdio>

#include "KovexaV308/kovexa.h"
#include "platform/cvi.h"
#include "platform/host.h"
#include "sim/kvexsim.h"

namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Result {
    int ok;
    double wall;
    double cpu;
};

Result RoundTrips(double seconds) {
    Result r{0, 0, 0};
    const double t0 = Timer();
    const double c0 = CpuSeconds();
    while (Timer() - t0 < seconds) r.ok += CheckComLine(com);
    r.wall = Timer() - t0;
    r.cpu = CpuSeconds() - c0;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (!HostInit(&argc, argv)) return 1;
    char path[256];
    if (!SimStart("edge1024", path, sizeof path)) return 1;
    PortTableSetDevice(1, path);
    com = 1;
    if (OpenComConfig(com, "", 19200, 0, 8, 1, 4096, 4096) < 0) return 1;
    AttachReceiveCallback();

    const Result fast = RoundTrips(2.0);
    std::printf("link_unpaced_round_trips_per_s %.1f\n", fast.ok / fast.wall);
    std::printf("link_unpaced_cpu_s_per_round_trip %.6f\n", fast.cpu / (fast.ok ? fast.ok : 1));

    SimFaults f;
    SimGetFaults(&f);
    f.paced = 1;
    SimSetFaults(&f);
    const Result paced = RoundTrips(3.0);
    const double limit = 1920.0 / 72.0;
    std::printf("link_paced_round_trips_per_s %.2f\n", paced.ok / paced.wall);
    std::printf("link_paced_ratio_of_limit %.3f\n", paced.ok / paced.wall / limit);
    std::printf("link_paced_cpu_s_per_round_trip %.6f\n", paced.cpu / (paced.ok ? paced.ok : 1));
    std::printf("link_paced_cpu_percent %.1f\n", 100.0 * paced.cpu / paced.wall);

    CloseCom(com);
    SimStop();
    return 0;
}
