// Pacing of the data recorder against the simulated sensor paced at 19200
// baud: one sample per second (increment 1) for the given number of
// seconds (argument, default 60). Prints the spacing of the requests the
// sensor received (mean, shortest, longest; target 1.0 s +- 0.05), the
// samples written and the UI thread's CPU while recording.
#include <unistd.h>

#include <string>

#include "KovexaV308/kovexa.h"
#include "bench/support_bench.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"
#include "platform/host.h"
#include "sim/kvexsim.h"

int main(int argc, char** argv) {
    int seconds = 60;
    if (argc > 1 && argv[1][0] != '-') seconds = std::atoi(argv[1]);
    if (seconds < 2) seconds = 2;
    if (!StartBenchProgram(&argc, argv, "edge1024")) return 1;
    SetSimPaced(1);
    std::snprintf(rec_fname, sizeof rec_fname, "/tmp/kovexa_bench_rec_%d.dat",
                  static_cast<int>(getpid()));
    std::remove(rec_fname);
    DisplayPanel(pPopup);
    SetCtrlVal(pPopup, POPUP_NUMsample, seconds);
    SetCtrlVal(pPopup, POPUP_NUMinctime, 1);
    SimClearRequests();
    const double c0 = ThreadCpuSeconds();
    const double t0 = Timer();
    HostClick(pPopup, POPUP_CBTNStartRecord);
    const double wall = Timer() - t0;
    const double cpu = ThreadCpuSeconds() - c0;

    const int n = SimRequestCount();
    double shortest = 1e9, longest = 0;
    SimRequest a, b;
    for (int i = 1; i < n && SimGetRequest(i - 1, &a) && SimGetRequest(i, &b); ++i) {
        const double gap = b.time - a.time;
        if (gap < shortest) shortest = gap;
        if (gap > longest) longest = gap;
    }
    SimGetRequest(0, &a);
    SimGetRequest(n - 1, &b);
    char status[128];
    HostCtrlText(pPopup, POPUP_TEXTrecstatus, status, sizeof status);
    unsigned written = 0;
    GetCtrlVal(pPopup, POPUP_DISPcount, &written);
    std::printf("recorder_seconds %d\n", seconds);
    std::printf("recorder_requests %d\n", n);
    std::printf("recorder_samples %u\n", written);
    if (n > 1) {
        std::printf("recorder_spacing_mean_s %.4f\n", (b.time - a.time) / (n - 1));
        std::printf("recorder_spacing_min_s %.4f\n", shortest);
        std::printf("recorder_spacing_max_s %.4f\n", longest);
    }
    std::printf("recorder_cpu_percent %.2f\n", 100.0 * cpu / wall);
    std::printf("recorder_status %s\n", status);
    std::remove(rec_fname);
    CloseCom(com);
    SimStop();
    return 0;
}
