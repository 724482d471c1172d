// Cost of waiting: a loop that calls ProcessSystemEvents for 1.5 s (the
// reply time-out) with nothing arriving, as every exchange does when the
// sensor stays silent. Prints the CPU share of one core it used and how
// often the thread woke up.
//
//   bench_idle_wait [--core]   --core: QCoreApplication instead of the
//                              offscreen QApplication the program runs with
#include <sys/resource.h>

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/cvi.h"

namespace {

const double kWaitSeconds = 1.5;

double CpuSeconds(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

}  // namespace

int main(int argc, char** argv) {
    int coreOnly = argc > 1 && std::strcmp(argv[1], "--core") == 0;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::unique_ptr<QCoreApplication> app(coreOnly ? new QCoreApplication(argc, argv)
                                                   : new QApplication(argc, argv));
    for (int i = 0; i < 20; ++i) ProcessSystemEvents();  // start-up events out of the way

    rusage before, beforeThread, after, afterThread;
    getrusage(RUSAGE_SELF, &before);
    getrusage(RUSAGE_THREAD, &beforeThread);
    long passes = 0;
    double start = Timer();
    while (Timer() - start < kWaitSeconds) {
        ProcessSystemEvents();
        ++passes;
    }
    double wall = Timer() - start;
    getrusage(RUSAGE_SELF, &after);
    getrusage(RUSAGE_THREAD, &afterThread);

    double cpu = CpuSeconds(after) - CpuSeconds(before);
    // Each voluntary context switch is one sleep of the thread, so one wake-up.
    long wakeups = afterThread.ru_nvcsw - beforeThread.ru_nvcsw;
    std::printf("idle_wait_cpu_percent %.2f\n", 100.0 * cpu / wall);
    std::printf("idle_wait_wakeups_per_s %.1f\n", static_cast<double>(wakeups) / wall);
    std::printf("idle_wait_passes_per_s %.1f\n", static_cast<double>(passes) / wall);
    return 0;
}
