// Entry of the program proper (the command line and the toolkit are set up
// by main before): load the panels, give every global its start value, open
// port 1 and probe the sensor, then run the event loop until the main panel
// is closed.
#include "KovexaV308/kovexa.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {
void ShowOnStatusLine(const char* text) {
    SetCtrlVal(pHandle, MAIN_TEXTstatus, text);
}
}  // namespace

int LoadPanels(void) {
    // The pages are children of the first panel loaded, the main panel.
    if ((pHandle = LoadPanel(0, KOVEXA_UIR, RES_MAIN)) < 0) return 0;
    InstallStatusSink(ShowOnStatusLine);
    if ((pPopup = LoadPanel(0, KOVEXA_UIR, RES_POPUP)) < 0) return 0;
    if ((pPara1 = LoadPanel(pHandle, KOVEXA_UIR, RES_PARA1)) < 0) return 0;
    if ((pPara2 = LoadPanel(pHandle, KOVEXA_UIR, RES_PARA2)) < 0) return 0;
    if ((pCalib = LoadPanel(pHandle, KOVEXA_UIR, RES_CALIB)) < 0) return 0;
    if ((pCompare = LoadPanel(pHandle, KOVEXA_UIR, RES_COMPARE)) < 0) return 0;
    if ((pLink = LoadPanel(pHandle, KOVEXA_UIR, RES_LINK)) < 0) return 0;
    InstallShortcuts();
    InstallTooltips();
    return 1;
}

int KovexaMain(void) {
    if (!LoadPanels()) return -1;
    GetProjectDir(proj_dir, sizeof proj_dir);
    FillRings();
    InitVars();
    ShowTitle();
    InitRS232(com);
    InitGUI();
    RestoreSettings();

    DisplayPanel(pHandle);
    DisplayPanel(pPara1);
    SetCtrlVal(pHandle, MAIN_TOGGBTN_Para1, 1);
    SetCtrlVal(pHandle, MAIN_TOGGBTN_Para2, 0);
    SetCtrlVal(pHandle, MAIN_TOGGBTN_Calib, 0);
    SetActivePanel(pHandle);
    SetActiveCtrl(pHandle, MAIN_BTNStop);

    RunUserInterface();

    CloseCom(com);
    DiscardPanel(pPara1);
    DiscardPanel(pPara2);
    DiscardPanel(pCalib);
    DiscardPanel(pCompare);
    DiscardPanel(pLink);
    DiscardPanel(pPopup);
    DiscardPanel(pHandle);
    return 0;
}
