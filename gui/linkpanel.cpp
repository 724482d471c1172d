// LINK: the link's health on demand, in a small window over the graphs,
// and as a section of the commissioning report. The counters run from the
// moment the port was opened (com232/linkwatch.h); the window shows them
// as they stand when it opens or REFRESH is pressed. A right click on the
// counters shows what each one means, another one the counters again.
#include <cstdio>

#include "core/linkwatch.h"
#include "gui/gui.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

int pLink;

namespace {

const char kHelpLink[] =
    "LINK-BUTTON:\nShow the health of the RS-232 link:\nrequests, answers, time-outs, bad "
    "frames\nand turnaround since the port was opened.";
const char kRowFormat[] = "%-14s %10s";
const char kHelpFormat[] = "%s: %s";
const char kReportHeading[] = "Link health since the port was opened";
const char* const kReportHeader[] = {"COUNTER", "VALUE"};

enum { kHelpGap = 20, kPanelLeft = 320, kPanelTop = 105, kLineSize = 160, kValueSize = 32 };

int gShowingHelp;  // 1: the box shows what the counters mean

void FillBox(void) {
    LinkHealth h;
    LinkHealthAt(Timer(), &h);
    char line[kLineSize], value[kValueSize];
    for (int row = 0; row < LinkRowCount(); ++row) {
        LinkRowValue(&h, row, value, sizeof value);
        if (gShowingHelp)
            std::snprintf(line, sizeof line, kHelpFormat, LinkRowName(row), LinkRowHelp(row));
        else
            std::snprintf(line, sizeof line, kRowFormat, LinkRowName(row), value);
        if (row == 0)
            ResetTextBox(pLink, LINK_TEXTlink, line);
        else
            ReplaceTextBoxLine(pLink, LINK_TEXTlink, row, line);
    }
}

}  // namespace

int CC_BTNLink(int, int control, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK) ToggleHelpBeside(MAIN_HelpText1, control, kHelpGap, kHelpLink);
    if (event != EVENT_COMMIT) return 0;
    gShowingHelp = 0;
    FillBox();
    SetPanelAttribute(pLink, ATTR_LEFT, kPanelLeft);
    SetPanelAttribute(pLink, ATTR_TOP, kPanelTop);
    DisplayPanel(pLink);
    return 0;
}

int CC_TEXTlink(int, int, int event, void*, int, int) {
    if (event != EVENT_RIGHT_CLICK) return 0;
    gShowingHelp = !gShowingHelp;
    FillBox();
    return 0;
}

int CC_BTNLinkRefresh(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) FillBox();
    return 0;
}

int CC_BTNLinkClose(int, int, int event, void*, int, int) {
    if (event == EVENT_COMMIT) HidePanel(pLink);
    return 0;
}

void ReportAddLinkHealth(void) {
    LinkHealth h;
    LinkHealthAt(Timer(), &h);
    ReportAddText(kReportHeading, VAL_REPORT_HEADING);
    ReportAddRow(kReportHeader, 2, VAL_ROW_HEADER);
    char value[kValueSize];
    for (int row = 0; row < LinkRowCount(); ++row) {
        LinkRowValue(&h, row, value, sizeof value);
        const char* cells[] = {LinkRowName(row), value};
        ReportAddRow(cells, 2, VAL_ROW_PLAIN);
    }
}
