#include "bench/support_bench.h"

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

#include "KovexaV308/kovexa.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"
#include "platform/host.h"
#include "sim/kvexsim.h"

int StartBenchProgram(int* argc, char** argv, const char* model) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!HostInit(argc, argv)) {
        std::fprintf(stderr, "no toolkit\n");
        return 0;
    }
    RegisterKovexaControls();
    if (!LoadPanels()) {
        std::fprintf(stderr, "panels not loaded\n");
        return 0;
    }
    GetProjectDir(proj_dir, sizeof proj_dir);
    FillRings();
    InitVars();
    static char path[256];
    if (!SimStart(model, path, sizeof path)) {
        std::fprintf(stderr, "simulated sensor did not start\n");
        return 0;
    }
    PortTableSetDevice(1, path);
    com = 1;
    InitRS232(com);
    InitGUI();
    DisplayPanel(pHandle);
    return 1;
}

double ThreadCpuSeconds(void) {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void SetSimPaced(int paced) {
    SimFaults f;
    SimGetFaults(&f);
    f.paced = paced;
    SimSetFaults(&f);
}
