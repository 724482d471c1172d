// RESET: clears the maximum and minimum the sensor keeps for its analog
// output (command 11, second word 0, payload as left in pp); it does not
// reset the sensor. Any answer frame within TIMEOUT counts as done; one
// that arrives in the pass in which the time ran out counts as a time-out.
#include "KovexaV308/kovexa.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

const char kTxtResetting[] = "Reset Max/Min values...";
const char kTxtResetOk[] = "Reset of analog-output Max/Min OK!";
const char kHelpReset[] =
    "RESET-BUTTON:\nReset the actual maxima und minima\nvalues at the K-VEX-hardware.\nNo "
    "software/hardware reset is done !";

enum { kHelpOffset = 10 };

// 1 answered in time, 0 timed out, -1 the port closed (status shown).
int WaitResetAnswer(void) {
    const double t0 = Timer();
    double elapsed = 0.0;
    do {
        elapsed = Timer() - t0;
        ProcessSystemEvents();
        // Nothing can arrive on a closed port: say so now.
        if (!rx_flag && !PortUsable()) {
            ShowStatus();
            return -1;
        }
    } while (!rx_flag && elapsed < TIMEOUT);
    return elapsed < TIMEOUT ? 1 : 0;
}

}  // namespace

int CC_ButtonReset(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK)
        ToggleHelpBeside(MAIN_HelpText1, control, kHelpOffset, kHelpReset);
    if (event != EVENT_COMMIT) return 0;
    parameter[1] = CMD_RESET_MAXMIN;
    parameter[2] = 0;
    FillTxBuf(CMD_RESET_MAXMIN, 0, pp);
    if (SendFrame() == kFrameSize) ShowStatusText(kTxtResetting);
    ++exchangeWaits;
    const int answered = WaitResetAnswer();
    --exchangeWaits;
    if (answered >= 0) SetStatus(answered ? kTxtResetOk : kTxtTimeout);
    return 0;
}
