// Soak of the two long-running exchanges against the simulated sensor
// paced at 19200 baud: RUN for the first half of the given minutes
// (argument, default 10; fractions such as 0.5 allowed), then the data
// recorder, one sample a second, for the second half. Prints the resident
// memory at start, after RUN and at the end (a leak per frame shows as
// growth), the time-outs (RUN ends on one and is started again), the
// frames answered in each phase and the recorder's samples against the
// lines of its file.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KovexaV308/kovexa.h"
#include "bench/support_bench.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"
#include "platform/host.h"
#include "sim/kvexsim.h"

namespace {

enum { kSliceSeconds = 60, kHeaderLines = 7 };

long RssKiB(void) {
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return -1;
    const int got = std::fscanf(f, "%ld %ld", &pages, &resident);
    std::fclose(f);
    return got == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

long CountLines(const char* path) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return -1;
    long lines = 0;
    for (int c; (c = std::fgetc(f)) != EOF;)
        if (c == '\n') ++lines;
    std::fclose(f);
    return lines;
}

// RUN for the given seconds, clicked and stopped by a script as a user
// would; the script's quit closes the port, which is opened again. 1 when
// the loop ended on a time-out.
int RunSlice(int seconds) {
    char script[96];
    std::snprintf(script, sizeof script, "click BTNRun\nwait %d\nclick BTNStop\nquit\n",
                  seconds * 1000);
    char error[256];
    if (!HostLoadScriptText(script, error, sizeof error)) {
        std::fprintf(stderr, "script: %s\n", error);
        std::exit(1);
    }
    RunUserInterface();
    const int timedOut = std::strstr(szStatus, "Timeout") != nullptr;
    InitRS232(com);
    return timedOut;
}

}  // namespace

int main(int argc, char** argv) {
    double minutes = 10.0;
    if (argc > 1 && argv[1][0] != '-') minutes = std::atof(argv[1]);
    if (minutes < 0.1) minutes = 0.1;
    if (!StartBenchProgram(&argc, argv, "edge1024")) return 1;
    SetSimPaced(1);
    SimSetScene(1000, 1400, 1);
    const long rssStart = RssKiB();
    const int half = static_cast<int>(minutes * 30.0 + 0.5);

    // RUN, in slices so that a time-out costs one slice, not the phase.
    int runTimeouts = 0;
    const int a0 = SimAnswerCount();
    const double t0 = Timer();
    for (int left = half; left > 0; left -= kSliceSeconds)
        runTimeouts += RunSlice(left < kSliceSeconds ? left : kSliceSeconds);
    const double runWall = Timer() - t0;
    const int runFrames = SimAnswerCount() - a0;
    const long rssRun = RssKiB();

    // The recorder, one sample a second.
    std::snprintf(rec_fname, sizeof rec_fname, "/tmp/kovexa_soak_%d.dat",
                  static_cast<int>(getpid()));
    std::remove(rec_fname);
    DisplayPanel(pPopup);
    SetCtrlVal(pPopup, POPUP_NUMsample, half);
    SetCtrlVal(pPopup, POPUP_NUMinctime, 1);
    const int a1 = SimAnswerCount();
    HostClick(pPopup, POPUP_CBTNStartRecord);
    const int recFrames = SimAnswerCount() - a1;
    char status[128];
    HostCtrlText(pPopup, POPUP_TEXTrecstatus, status, sizeof status);
    unsigned samples = 0;
    GetCtrlVal(pPopup, POPUP_DISPcount, &samples);
    const long lines = CountLines(rec_fname);
    const int recTimeouts = std::strstr(status, "TIMEOUT") != nullptr;
    const long rssEnd = RssKiB();

    std::printf("soak_minutes %.2f\n", minutes);
    std::printf("soak_rss_start_kib %ld\n", rssStart);
    std::printf("soak_rss_after_run_kib %ld\n", rssRun);
    std::printf("soak_rss_end_kib %ld\n", rssEnd);
    std::printf("soak_run_seconds %.1f\n", runWall);
    std::printf("soak_run_frames %d\n", runFrames);
    std::printf("soak_run_fps %.2f\n", runFrames / runWall);
    std::printf("soak_run_timeouts %d\n", runTimeouts);
    std::printf("soak_rec_frames %d\n", recFrames);
    std::printf("soak_rec_samples %u\n", samples);
    std::printf("soak_rec_file_sample_lines %ld\n", lines - kHeaderLines);
    std::printf("soak_rec_timeouts %d\n", recTimeouts);
    std::printf("soak_rec_status %s\n", status);
    std::remove(rec_fname);
    CloseCom(com);
    SimStop();
    return 0;
}
