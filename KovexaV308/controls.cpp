// Binding table: every control of the five panels with its objectName in
// the .ui files and its callback. Controls whose behaviour is not built yet
// carry no callback; they still exist, so scripts and tests can find them.
#include <cstdio>
#include <cstring>

#include "KovexaV308/forms.h"
#include "KovexaV308/kovexa.h"
#include "core/tooltip.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

enum { kTooltipSize = 256 };

const CtrlBinding kControls[] = {
    {RES_MAIN, MAIN_DECOlogo, "DECOlogo", nullptr},
    {RES_MAIN, MAIN_PICTlogo, "PICTlogo", nullptr},
    {RES_MAIN, MAIN_TOGGBTN_Para1, "TOGGBTN_Para1", CC_TOGGBTN_Para1},
    {RES_MAIN, MAIN_TOGGBTN_Para2, "TOGGBTN_Para2", CC_TOGGBTN_Para2},
    {RES_MAIN, MAIN_TOGGBTN_Calib, "TOGGBTN_Calib", CC_TOGGBTN_Calib},
    {RES_MAIN, MAIN_TOGGBTN_Recorder, "TOGGBTN_Recorder", CC_TOGGBTN_Recorder},
    {RES_MAIN, MAIN_BTNRun, "BTNRun", CC_BTNRun},
    {RES_MAIN, MAIN_BTNStop, "BTNStop", CC_BTNStop},
    {RES_MAIN, MAIN_BTNVideo, "BTNVideo", CC_BTNVideo},
    {RES_MAIN, MAIN_BTNData, "BTNData", CC_BTNData},
    {RES_MAIN, MAIN_BTNGet, "BTNGet", CC_BTNGet},
    {RES_MAIN, MAIN_BTNSend, "BTNSend", CC_BTNSend},
    {RES_MAIN, MAIN_RBTRam, "RBTRam", CC_RBTRam},
    {RES_MAIN, MAIN_RBTEeprom, "RBTEeprom", CC_RBTEeprom},
    {RES_MAIN, MAIN_RBTFile, "RBTFile", CC_RBTFile},
    {RES_MAIN, MAIN_NEDITEdgeLeft, "NEDITEdgeLeft", CC_NEDITEdgeLeft},
    {RES_MAIN, MAIN_NEDITEdgeRight, "NEDITEdgeRight", CC_NEDITEdgeRight},
    {RES_MAIN, MAIN_GRAPHRaw, "GRAPHRaw", CC_GRAPHRaw},
    {RES_MAIN, MAIN_GRAPHVideo, "GRAPHVideo", CC_GRAPHVideo},
    {RES_MAIN, MAIN_GRAPHData, "GRAPHData", CC_GRAPHData},
    {RES_MAIN, MAIN_GRAPHBar, "GRAPHBar", CC_GRAPHBar},
    {RES_MAIN, MAIN_ToggButtonZoom, "ToggButtonZoom", CC_ToggButtonZoom},
    {RES_MAIN, MAIN_DISPedgeLeft, "DISPedgeLeft", nullptr},
    {RES_MAIN, MAIN_DISPedgeRight, "DISPedgeRight", nullptr},
    {RES_MAIN, MAIN_DISPpixel, "DISPpixel", nullptr},
    {RES_MAIN, MAIN_DISPmm, "DISPmm", nullptr},
    {RES_MAIN, MAIN_DISPtolHigh, "DISPtolHigh", nullptr},
    {RES_MAIN, MAIN_DISPtolLow, "DISPtolLow", nullptr},
    {RES_MAIN, MAIN_DISPanalog, "DISPanalog", nullptr},
    {RES_MAIN, MAIN_DISPanaMax, "DISPanaMax", nullptr},
    {RES_MAIN, MAIN_DISPanaMin, "DISPanaMin", nullptr},
    {RES_MAIN, MAIN_ButtonReset, "ButtonReset", CC_ButtonReset},
    {RES_MAIN, MAIN_DropDCom, "DropDCom", CC_DropDCom},
    {RES_MAIN, MAIN_TEXTstatus, "TEXTstatus", nullptr},
    {RES_MAIN, MAIN_HelpText1, "HelpText1", CC_HelpText1},
    {RES_MAIN, MAIN_HelpText2, "HelpText2", CC_HelpText2},
    {RES_MAIN, MAIN_BTNCompare, "BTNCompare", CC_BTNCompare},
    {RES_MAIN, MAIN_BTNReport, "BTNReport", CC_BTNReport},
    {RES_COMPARE, COMPARE_TEXTcompare, "TEXTcompare", nullptr},
    {RES_COMPARE, COMPARE_BTNCompareClose, "BTNCompareClose", CC_BTNCompareClose},
    {RES_MAIN, MAIN_BTNLink, "BTNLink", CC_BTNLink},
    {RES_LINK, LINK_TEXTlink, "TEXTlink", CC_TEXTlink},
    {RES_LINK, LINK_BTNLinkRefresh, "BTNLinkRefresh", CC_BTNLinkRefresh},
    {RES_LINK, LINK_BTNLinkClose, "BTNLinkClose", CC_BTNLinkClose},
    {RES_POPUP, POPUP_NUMsample, "NUMsample", CC_NUMsample},
    {RES_POPUP, POPUP_NUMinctime, "NUMinctime", CC_NUMinctime},
    {RES_POPUP, POPUP_CBTNStartRecord, "CBTNStartRecord", CC_CBTNStartRecord},
    {RES_POPUP, POPUP_CBTNStopRecord, "CBTNStopRecord", CC_CBTNStopRecord},
    {RES_POPUP, POPUP_CMDBTNrecfile, "CMDBTNrecfile", CC_CMDBTNrecfile},
    {RES_POPUP, POPUP_TEXTrecfile, "TEXTrecfile", nullptr},
    {RES_POPUP, POPUP_TEXTrecstatus, "TEXTrecstatus", nullptr},
    {RES_POPUP, POPUP_DISPrecdate, "DISPrecdate", nullptr},
    {RES_POPUP, POPUP_DISPrectime, "DISPrectime", nullptr},
    {RES_POPUP, POPUP_DISPcount, "DISPcount", nullptr},
    {RES_POPUP, POPUP_DISPdays, "DISPdays", nullptr},
    {RES_POPUP, POPUP_DISPhours, "DISPhours", nullptr},
    {RES_POPUP, POPUP_DISPminutes, "DISPminutes", nullptr},
    {RES_POPUP, POPUP_DISPseconds, "DISPseconds", nullptr},
    {RES_POPUP, POPUP_DISPrecLedge, "DISPrecLedge", nullptr},
    {RES_POPUP, POPUP_DISPrecRedge, "DISPrecRedge", nullptr},
    {RES_POPUP, POPUP_DISPrecMvalue, "DISPrecMvalue", nullptr},
    {RES_POPUP, POPUP_DISPrecmm, "DISPrecmm", nullptr},
    {RES_PARA1, PARA1_DROPpolarity, "DROPpolarity", CC_DROPpolarity},
    {RES_PARA1, PARA1_DROPevalmode, "DROPevalmode", CC_DROPevalmode},
    {RES_PARA1, PARA1_NEDITTolerance, "NEDITTolerance", CC_NEDITTolerance},
    {RES_PARA1, PARA1_NEDITToleranceUP, "NEDITToleranceUP", CC_NEDITToleranceUP},
    {RES_PARA1, PARA1_DROPaverage, "DROPaverage", CC_DROPaverage},
    {RES_PARA1, PARA1_DROPtrigmode, "DROPtrigmode", CC_DROPtrigmode},
    {RES_PARA1, PARA1_DROPanaMode, "DROPanaMode", CC_DROPanaMode},
    {RES_PARA1, PARA1_CTRLstdOption, "CTRLstdOption", nullptr},
    {RES_PARA1, PARA1_DROPhardware, "DROPhardware", CC_DROPhardware},
    {RES_PARA1, PARA1_DROPhold, "DROPhold", CC_DROPhold},
    {RES_PARA2, PARA2_SLIDEpower, "SLIDEpower", CC_SLIDEpower},
    {RES_PARA2, PARA2_DROPpowermode, "DROPpowermode", CC_DROPpowermode},
    {RES_PARA2, PARA2_SLIDEVideoThreshold, "SLIDEVideoThreshold", CC_SLIDEVideoThreshold},
    {RES_PARA2, PARA2_NUMTriggThreshold, "NUMTriggThreshold", CC_NUMTriggThreshold},
    {RES_PARA2, PARA2_NEDITTeach, "NEDITTeach", CC_NEDITTeach},
    {RES_PARA2, PARA2_ButtonTeach, "ButtonTeach", CC_ButtonTeach},
    {RES_CALIB, CALIB_NUMcalSlope, "NUMcalSlope", nullptr},
    {RES_CALIB, CALIB_NUMcalOffset, "NUMcalOffset", nullptr},
    {RES_CALIB, CALIB_BINSWopmode, "BINSWopmode", CC_BINSWopmode},
    {RES_CALIB, CALIB_TEXTmodel, "TEXTmodel", nullptr},
    {RES_CALIB, CALIB_BTNWriteXFLASH, "BTNWriteXFLASH", CC_WriteXFLASH},
    {RES_CALIB, CALIB_BTNReadXFLASH, "BTNReadXFLASH", CC_ReadXFLASH},
};

const PanelBinding kPanels[] = {
    {RES_MAIN, "PANEL", CC_PANEL}, {RES_POPUP, "POPUP", CC_POPUP},
    {RES_PARA1, "PARA1", nullptr}, {RES_PARA2, "PARA2", nullptr},
    {RES_CALIB, "CALIB", nullptr}, {RES_COMPARE, "COMPARE", nullptr},
    {RES_LINK, "LINK", nullptr},
};

}  // namespace

void RegisterKovexaControls(void) {
    RegisterKovexaForms();
    RegisterControls(kControls, static_cast<int>(sizeof kControls / sizeof kControls[0]), kPanels,
                     static_cast<int>(sizeof kPanels / sizeof kPanels[0]));
    InstallUserEventHook(NotePanelEdits);
}

void InstallTooltips(void) {
    static const char kGraphNote[] = "Ctrl+S saves what this graph shows.";
    static const int kGraphs[] = {MAIN_GRAPHRaw, MAIN_GRAPHVideo, MAIN_GRAPHData, MAIN_GRAPHBar};
    const struct {
        int resourceId;
        const int* panel;
    } kPanelOf[] = {{RES_MAIN, &pHandle}, {RES_POPUP, &pPopup}, {RES_PARA1, &pPara1},
                    {RES_PARA2, &pPara2}, {RES_CALIB, &pCalib}, {RES_COMPARE, &pCompare}};
    for (const CtrlBinding& b : kControls) {
        int panel = 0;
        for (const auto& p : kPanelOf)
            if (p.resourceId == b.resourceId) panel = *p.panel;
        if (panel <= 0 || b.callback == nullptr) continue;
        char tip[kTooltipSize];
        FirstSentence(HelpTextOf(b.callback, panel, b.controlId), tip, sizeof tip);
        int isGraph = 0;
        for (int g : kGraphs) isGraph |= b.resourceId == RES_MAIN && g == b.controlId;
        if (isGraph) {
            const size_t n = std::strlen(tip);
            std::snprintf(tip + n, sizeof tip - n, "%s%s", n ? "\n" : "", kGraphNote);
        }
        if (tip[0] != '\0') SetCtrlAttribute(panel, b.controlId, ATTR_TOOLTIP_TEXT, tip);
    }
}
