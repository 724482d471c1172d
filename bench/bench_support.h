// Start-up shared by the service-function benchmarks: the toolkit
// offscreen, the panels, the simulated sensor as port 1 and the start-up
// probe, as the program does it; and the CPU time of the calling thread.
#pragma once

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

#include "KovexaV308/kovexa.h"
#include "KovexaV308/panels/kovexa_panels.h"
#include "platform/cvi.h"
#include "platform/host.h"
#include "sim/kvexsim.h"

inline double BenchThreadCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// 1 when the program runs against a paced simulated sensor of model.
inline int BenchStart(int* argc, char** argv, const char* model) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!HostInit(argc, argv)) return 0;
    RegisterKovexaControls();
    if (!LoadPanels()) return 0;
    GetProjectDir(proj_dir, sizeof proj_dir);
    FillRings();
    InitVars();
    char path[256];
    if (!SimStart(model, path, sizeof path)) return 0;
    PortTableSetDevice(1, path);
    com = 1;
    InitRS232(com);
    InitGUI();
    DisplayPanel(pHandle);
    SimFaults f;
    SimGetFaults(&f);
    f.paced = 1;
    SimSetFaults(&f);
    return 1;
}
