// Speed of the X-FLASH write against the simulated sensor paced at 19200
// baud: 257 exchanges (clear + 256 write frames) of 36 bytes each way,
// whose link limit is 257 x 72 bytes / 1920 bytes/s = 9.64 s. Prints the
// wall time of the whole transfer, its ratio to that limit, the UI
// thread's CPU meanwhile and the end text.
#include <unistd.h>

#include <string>

#include "bench/bench_support.h"

int main(int argc, char** argv) {
    if (!BenchStart(&argc, argv, "edge1024")) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }
    const std::string file = "/tmp/kovexa_bench_lin_" + std::to_string(getpid()) + ".dat";
    FILE* out = std::fopen(file.c_str(), "w");
    if (!out) return 1;
    for (int i = 0; i < kLinWords; ++i) std::fprintf(out, "%d\r\n", (i * 31) % 65536);
    std::fclose(out);

    const double kLinkLimit = 257 * 72 / 1920.0;
    ShowXFlashService(1);
    HostQueueFileAnswer(file.c_str());
    SimClearRequests();
    const double c0 = BenchThreadCpuSeconds();
    const double t0 = Timer();
    HostClick(pCalib, CALIB_BTNWriteXFLASH);
    const double wall = Timer() - t0;
    const double cpu = BenchThreadCpuSeconds() - c0;
    char status[128];
    HostCtrlText(pHandle, MAIN_TEXTstatus, status, sizeof status);
    std::printf("xflash_exchanges %d\n", SimRequestCount());
    std::printf("xflash_paced_seconds %.2f\n", wall);
    std::printf("xflash_paced_ratio %.3f\n", kLinkLimit / wall);
    std::printf("xflash_cpu_percent %.1f\n", 100.0 * cpu / wall);
    std::printf("xflash_status %s\n", status);
    std::remove(file.c_str());
    CloseCom(com);
    SimStop();
    return 0;
}
