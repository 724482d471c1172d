// Speed of the X-FLASH write against the simulated sensor paced at 19200
// baud: 257 exchanges (clear + 256 write frames) of 36 bytes each way,
// whose link limit is 257 x 72 bytes / 1920 bytes/s = 9.64 s. Prints the
// program's own time per exchange (unpaced), the wall time of the paced
// transfer, its ratio to that limit, the UI thread's CPU meanwhile and the
// end text.
#include <unistd.h>

#include <string>

#include "KovexaV308/kovexa.h"
#include "bench/support_bench.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"
#include "platform/host.h"
#include "sim/kvexsim.h"

namespace {

// One whole transfer as the user starts it: wall seconds, CPU into *cpu.
double Transfer(const char* file, double* cpu) {
    ShowXFlashService(1);
    HostQueueFileAnswer(file);
    SimClearRequests();
    const double c0 = ThreadCpuSeconds();
    const double t0 = Timer();
    HostClick(pCalib, CALIB_BTNWriteXFLASH);
    const double wall = Timer() - t0;
    *cpu = ThreadCpuSeconds() - c0;
    return wall;
}

}  // namespace

int main(int argc, char** argv) {
    if (!StartBenchProgram(&argc, argv, "edge1024")) return 1;
    const std::string file = "/tmp/kovexa_bench_lin_" + std::to_string(getpid()) + ".dat";
    FILE* out = std::fopen(file.c_str(), "w");
    if (!out) return 1;
    for (int i = 0; i < kLinWords; ++i) std::fprintf(out, "%d\r\n", (i * 31) % 65536);
    std::fclose(out);

    const double kLinkLimit = 257 * 72 / 1920.0;
    double cpu = 0.0;
    SetSimPaced(0);
    const double unpaced = Transfer(file.c_str(), &cpu);
    std::printf("xflash_unpaced_ms_per_exchange %.3f\n", 1000.0 * unpaced / 257);
    SetSimPaced(1);
    const double wall = Transfer(file.c_str(), &cpu);
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
