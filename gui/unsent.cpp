// Panel edits not yet sent: the values the parameter controls held when
// the panels last matched the sensor (or a parameter file) are kept, so
// an edit shows as a coloured frame around its control and a count in the
// status line, and an action that would overwrite the panels asks first.
// A value changed back to the one sent is no edit.
#include <cstdio>
#include <cstring>

#include "gui/gui.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

const char kDiscardTitle[] = "Unsent changes";
const char kDiscardQuestion[] = "Panel changes not sent to the sensor - discard them?";
const char kTxtOneUnsent[] = "1 panel change not sent to the sensor";
const char kTxtManyUnsent[] = "%d panel changes not sent to the sensor";
const int kMarkColour = 0xFF8000;
const int kNoMark = -1;
enum { kFirstCompared = 2, kStatusSize = 72 };

struct Tracked {
    const int* panel;
    int control;
};

// Every control a variant reads into the record at SEND or file save.
const Tracked kTracked[] = {
    {&pPara2, PARA2_SLIDEpower},        {&pPara2, PARA2_DROPpowermode},
    {&pPara1, PARA1_DROPpolarity},      {&pPara1, PARA1_DROPevalmode},
    {&pHandle, MAIN_NEDITEdgeLeft},     {&pHandle, MAIN_NEDITEdgeRight},
    {&pPara2, PARA2_NEDITTeach},        {&pPara1, PARA1_NEDITTolerance},
    {&pPara1, PARA1_NEDITToleranceUP},  {&pPara1, PARA1_DROPaverage},
    {&pPara1, PARA1_DROPtrigmode},      {&pPara1, PARA1_DROPanaMode},
    {&pPara1, PARA1_CTRLstdOption},     {&pCalib, CALIB_BINSWopmode},
    {&pPara1, PARA1_DROPhardware},      {&pPara2, PARA2_SLIDEVideoThreshold},
    {&pPara2, PARA2_NUMTriggThreshold}, {&pPara1, PARA1_DROPhold},
    {&pCalib, CALIB_NUMcalSlope},       {&pCalib, CALIB_NUMcalOffset},
};
enum { kTrackedCount = static_cast<int>(sizeof kTracked / sizeof kTracked[0]) };

double gSent[kTrackedCount];
unsigned char gEdited[kTrackedCount];
int gEditCount;

double ValueOf(const Tracked& t) {
    double v = 0.0;
    GetCtrlVal(*t.panel, t.control, &v);
    return v;
}

void SetMark(int i, int edited) {
    if (gEdited[i] == edited) return;
    gEdited[i] = static_cast<unsigned char>(edited);
    SetCtrlAttribute(*kTracked[i].panel, kTracked[i].control, ATTR_MARK_COLOR,
                     edited ? kMarkColour : kNoMark);
}

}  // namespace

void MarkPanelsSent(void) {
    for (int i = 0; i < kTrackedCount; ++i) {
        gSent[i] = ValueOf(kTracked[i]);
        SetMark(i, 0);
    }
    gEditCount = 0;
}

void NotePanelEdits(void) {
    int count = 0;
    for (int i = 0; i < kTrackedCount; ++i) {
        const int edited = ValueOf(kTracked[i]) != gSent[i] ? 1 : 0;
        SetMark(i, edited);
        count += edited;
    }
    if (count == gEditCount) return;
    gEditCount = count;
    if (count == 0) return;
    char text[kStatusSize];
    if (count == 1)
        std::snprintf(text, sizeof text, "%s", kTxtOneUnsent);
    else
        std::snprintf(text, sizeof text, kTxtManyUnsent, count);
    SetStatus(text);
}

int UnsentEdits(void) {
    return gEditCount;
}

int ConfirmDiscardEdits(void) {
    NotePanelEdits();
    return gEditCount == 0 || ConfirmPopup(kDiscardTitle, kDiscardQuestion) ? 1 : 0;
}

int PanelsMatchRecord(const uint16_t* record) {
    uint16_t saved[kParamWords];
    std::memcpy(saved, parameter, sizeof saved);
    GetPanelValuesOfVariant();
    const int same = std::memcmp(parameter + kFirstCompared, record + kFirstCompared,
                                 (kParamWords - kFirstCompared) * sizeof parameter[0]) == 0;
    std::memcpy(parameter, saved, sizeof saved);
    return same;
}
