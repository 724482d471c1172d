// Program entry: starts the toolkit, reads the command line, makes the
// simulated sensor or the given device port 1, loads a script, then runs
// the program proper (KovexaMain) and stops the simulator.
//
// Exit codes: what KovexaMain returns, or 1 when a check of the script
// (expect, export, report) failed; 2 for a bad command line, an unknown
// simulator model or a bad script; 1 when the simulator cannot start; -1
// when the toolkit cannot start.
#include <cstdio>
#include <cstring>

#include "KovexaV308/kovexa.h"
#include "platform/cvi.h"
#include "platform/host.h"
#include "platform/userint_internal.h"
#include "sim/kvexsim.h"

#ifndef KOVEXA_VERSION
#define KOVEXA_VERSION "unknown"
#endif

namespace {

const char kDefaultModel[] = "edge1024";
enum {
    kExitUsage = 2,
    kExitSimulator = 1,
    kExitCheckFailed = 1,
    kExitToolkit = -1,
    kErrorSize = 512
};

// The screenshot run: let start-up finish, grab the main window, end.
const char kScreenshotWaitMs[] = "1500";

// Toolkit options (-platform, -style, ...) begin with a single dash; the
// toolkit takes them out of argv when it starts.
int HasToolkitArgs(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (argv[i] && argv[i][0] == '-' && argv[i][1] != '-') return 1;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    HostOptions options;
    char error[kErrorSize];
    // --help, --version and a bad command line need no display: answer
    // them before the toolkit starts.
    const int parsed = HostParseArgs(argc, argv, &options, error, sizeof error);
    if (parsed && (options.help || options.version)) {
        if (options.help)
            std::printf("usage: %s\n", HostUsage());
        else
            std::printf("kovexa %s\n", KOVEXA_VERSION);
        return 0;
    }
    if (!parsed && !HasToolkitArgs(argc, argv)) {
        std::fprintf(stderr, "kovexa: %s\nusage: %s\n", error, HostUsage());
        return kExitUsage;
    }
    if (parsed && options.headless) HostUseOffscreen();
    if (!HostInit(&argc, argv)) {
        std::fprintf(stderr,
                     "kovexa: cannot start the user interface (no display; "
                     "QT_QPA_PLATFORM=offscreen runs without one)\n");
        return kExitToolkit;
    }
    // The toolkit takes its own options out of argv; the rest is ours.
    if (!HostParseArgs(argc, argv, &options, error, sizeof error)) {
        std::fprintf(stderr, "kovexa: %s\nusage: %s\n", error, HostUsage());
        return kExitUsage;
    }
    if (options.help) {
        std::printf("usage: %s\n", HostUsage());
        return 0;
    }
    if (options.version) {
        std::printf("kovexa %s\n", KOVEXA_VERSION);
        return 0;
    }

    RegisterKovexaControls();

    if (options.port[0]) PortTableSetDevice(1, options.port);
    if (options.simulate) {
        const char* model = options.simModel[0] ? options.simModel : kDefaultModel;
        SimIdentity identity;
        if (!SimPreset(model, &identity)) {
            std::fprintf(stderr, "kovexa: unknown sensor model '%s' (models: %s)\n", model,
                         SimPresetNames());
            return kExitUsage;
        }
        char device[256];
        if (!SimStart(model, device, sizeof device)) {
            std::fprintf(stderr, "kovexa: the simulated sensor did not start\n");
            return kExitSimulator;
        }
        PortTableSetDevice(1, device);
    }
    PortTableAddDetected();

    if (options.script[0] && !HostLoadScript(options.script, error, sizeof error)) {
        std::fprintf(stderr, "kovexa: %s\n", error);
        SimStop();
        return kExitUsage;
    }
    if (options.screenshot[0]) {
        char steps[sizeof options.screenshot + 64];
        std::snprintf(steps, sizeof steps, "wait %s\nscreenshot %s\nquit\n", kScreenshotWaitMs,
                      options.screenshot);
        if (!kui::ScriptAppendText(steps, error, sizeof error)) {
            std::fprintf(stderr, "kovexa: %s\n", error);
            SimStop();
            return kExitUsage;
        }
    }

    if (options.headless) HostScriptQuitAtEnd(1);

    int rc = KovexaMain();
    SimStop();
    if (rc == 0 && HostScriptFailures() > 0) rc = kExitCheckFailed;
    return rc;
}
