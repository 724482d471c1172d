// Panel resources and control ids of the five panels. The names after the
// prefix are the objectNames in the .ui files of this folder; the binding
// table (controls.cpp) ties each to its callback.
#pragma once

// Resource ids, in the file that the panels are loaded from.
#define KOVEXA_UIR "KovexaV308.uir"
#define RES_MAIN 2     // main panel (pHandle)
#define RES_POPUP 5    // recorder window (pPopup)
#define RES_PARA1 3    // parameter page 1 (pPara1)
#define RES_PARA2 4    // parameter page 2 (pPara2)
#define RES_CALIB 1    // calibration page (pCalib)
#define RES_COMPARE 6  // comparison window over the graphs (pCompare)
#define RES_LINK 7     // link health window over the graphs (pLink)

// main panel (pHandle)
enum {
    MAIN_DECOlogo = 1,
    MAIN_PICTlogo = 2,
    MAIN_TOGGBTN_Para1 = 3,
    MAIN_TOGGBTN_Para2 = 4,
    MAIN_TOGGBTN_Calib = 5,
    MAIN_TOGGBTN_Recorder = 6,
    MAIN_BTNRun = 7,
    MAIN_BTNStop = 8,
    MAIN_BTNVideo = 9,
    MAIN_BTNData = 10,
    MAIN_BTNGet = 11,
    MAIN_BTNSend = 12,
    MAIN_RBTRam = 13,
    MAIN_RBTEeprom = 14,
    MAIN_RBTFile = 15,
    MAIN_NEDITEdgeLeft = 16,
    MAIN_NEDITEdgeRight = 17,
    MAIN_GRAPHRaw = 18,
    MAIN_GRAPHVideo = 19,
    MAIN_GRAPHData = 20,
    MAIN_GRAPHBar = 21,
    MAIN_ToggButtonZoom = 22,
    MAIN_DISPedgeLeft = 23,
    MAIN_DISPedgeRight = 24,
    MAIN_DISPpixel = 25,
    MAIN_DISPmm = 26,
    MAIN_DISPtolHigh = 27,
    MAIN_DISPtolLow = 28,
    MAIN_DISPanalog = 29,
    MAIN_DISPanaMax = 30,
    MAIN_DISPanaMin = 31,
    MAIN_ButtonReset = 32,
    MAIN_DropDCom = 33,
    MAIN_TEXTstatus = 34,
    MAIN_HelpText1 = 35,
    MAIN_HelpText2 = 36,
};

// recorder window (pPopup)
enum {
    POPUP_NUMsample = 37,
    POPUP_NUMinctime = 38,
    POPUP_CBTNStartRecord = 39,
    POPUP_CBTNStopRecord = 40,
    POPUP_CMDBTNrecfile = 41,
    POPUP_TEXTrecfile = 42,
    POPUP_TEXTrecstatus = 43,
    POPUP_DISPrecdate = 44,
    POPUP_DISPrectime = 45,
    POPUP_DISPcount = 46,
    POPUP_DISPdays = 47,
    POPUP_DISPhours = 48,
    POPUP_DISPminutes = 49,
    POPUP_DISPseconds = 50,
    POPUP_DISPrecLedge = 51,
    POPUP_DISPrecRedge = 52,
    POPUP_DISPrecMvalue = 53,
    POPUP_DISPrecmm = 54,
};

// parameter page 1 (pPara1)
enum {
    PARA1_DROPpolarity = 55,
    PARA1_DROPevalmode = 56,
    PARA1_NEDITTolerance = 57,
    PARA1_NEDITToleranceUP = 58,
    PARA1_DROPaverage = 59,
    PARA1_DROPtrigmode = 60,
    PARA1_DROPanaMode = 61,
    PARA1_CTRLstdOption = 62,
    PARA1_DROPhardware = 63,
    PARA1_DROPhold = 64,
};

// parameter page 2 (pPara2)
enum {
    PARA2_SLIDEpower = 65,
    PARA2_DROPpowermode = 66,
    PARA2_SLIDEVideoThreshold = 67,
    PARA2_NUMTriggThreshold = 68,
    PARA2_NEDITTeach = 69,
    PARA2_ButtonTeach = 70,
};

// calibration page (pCalib)
enum {
    CALIB_NUMcalSlope = 71,
    CALIB_NUMcalOffset = 72,
    CALIB_BINSWopmode = 73,
    CALIB_TEXTmodel = 74,
    CALIB_BTNWriteXFLASH = 75,
    CALIB_BTNReadXFLASH = 76,
};

// Added beyond the sensor's own panels: comparison and report. Numbered
// apart from the panels' own controls.
enum {
    MAIN_BTNCompare = 201,
    MAIN_BTNReport = 202,
    COMPARE_TEXTcompare = 203,
    COMPARE_BTNCompareClose = 204,
};

// The link health window and its button.
enum {
    MAIN_BTNLink = 211,
    LINK_TEXTlink = 212,
    LINK_BTNLinkRefresh = 213,
    LINK_BTNLinkClose = 214,
};
