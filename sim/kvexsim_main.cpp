// kvexsim: the simulated K-VEX-RZ sensor as a program of its own, on a new
// pseudo-terminal (its path is printed on stdout) or on a real serial port,
// so a second PC with a null-modem cable can stand in for a sensor.
//
//   kvexsim [--model M] [--device /dev/ttyX] [--paced]
//
// Runs until SIGINT or SIGTERM.
#include <signal.h>

#include <cstdio>
#include <cstring>

#include "sim/kvexsim.h"

static const int kPathSize = 256;

static void Usage(FILE* to) {
    fprintf(to,
            "usage: kvexsim [--model M] [--device /dev/ttyX] [--paced]\n"
            "  --model M      sensor preset: %s\n"
            "  --device PATH  answer on this serial port (19200 8N1) instead of a new\n"
            "                 pseudo-terminal\n"
            "  --paced        19200-baud timing (1920 bytes/s each way)\n"
            "Without --device the path of the pseudo-terminal is printed on stdout.\n",
            SimPresetNames());
}

int main(int argc, char** argv) {
    const char* model = "";
    const char* device = nullptr;
    int paced = 0;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--model") == 0 && i + 1 < argc) {
            model = argv[++i];
        } else if (strcmp(argv[i], "--device") == 0 && i + 1 < argc) {
            device = argv[++i];
        } else if (strcmp(argv[i], "--paced") == 0) {
            paced = 1;
        } else if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            Usage(stdout);
            return 0;
        } else {
            fprintf(stderr, "kvexsim: unknown or incomplete argument: %s\n", argv[i]);
            Usage(stderr);
            return 2;
        }
    }
    SimIdentity probe;
    if (!SimPreset(model, &probe)) {
        fprintf(stderr, "kvexsim: unknown model \"%s\"; known: %s\n", model, SimPresetNames());
        return 2;
    }

    // Block the stop signals before the sensor's thread exists, so only
    // sigwait below ever sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    if (paced) {
        SimFaults faults;
        SimGetFaults(&faults);
        faults.paced = 1;
        SimSetFaults(&faults);
    }
    if (device != nullptr) {
        if (!SimStartOnDevice(model, device)) {
            fprintf(stderr, "kvexsim: cannot open serial device %s\n", device);
            return 1;
        }
        fprintf(stderr, "kvexsim: sensor answering on %s\n", device);
    } else {
        char path[kPathSize];
        if (!SimStart(model, path, kPathSize)) {
            fprintf(stderr, "kvexsim: cannot create a pseudo-terminal\n");
            return 1;
        }
        printf("%s\n", path);
        fflush(stdout);
    }

    int sig = 0;
    sigwait(&stopSignals, &sig);
    SimStop();
    return 0;
}
