// Banner of the main panel: the blue strip across the top with the logo
// bitmap, the maker's three lines, the program name and the version. Drawn
// once at start-up; nothing here is read back or changed later.
//
// Fixed facts: banner colour 0x0080FF, texts white in the application font
// "NIApp", the logo "qd.bmp" beside the program at top 10, left 300, and the
// text positions of kBannerLines (panel coordinates, top left of each text).
#include "logo/logo.h"

#include "core/app_state.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

const int kBannerColour = 0x0080FF;
const int kBannerTextColour = VAL_WHITE;
const char kBannerFont[] = "NIApp";
const char kLogoFile[] = "qd.bmp";
const int kLogoTop = 10;
const int kLogoLeft = 300;

// One banner text; text is used when source is null.
struct BannerLine {
    const char* text;
    const char* source;
    int left;
    int top;
    int pointSize;
};

// Program name and version come from the globals set by the start-up
// defaults, so they are looked up when the banner is drawn.
const BannerLine kBannerLines[] = {
    {"Quenndal", nullptr, 15, 10, 11},
    {"Tel. +49 (0)000 000000", nullptr, 15, 25, 11},
    {"www.quenndal.example", nullptr, 15, 40, 11},
    {nullptr, szSoftName, 300, 35, 18},
    {nullptr, szSoftVersion, 450, 40, 11},
};

}  // namespace

void ShowInfoText(int background, int textColour, const char* text, int left, int top,
                  int pointSize) {
    const int ctrl = NewCtrl(pHandle, CTRL_TEXT_MSG, "", top, left);
    // A panel that cannot take another control simply goes without the text.
    if (ctrl <= 0) return;
    SetCtrlAttribute(pHandle, ctrl, ATTR_TEXT_FONT, kBannerFont);
    SetCtrlAttribute(pHandle, ctrl, ATTR_TEXT_BGCOLOR, background);
    SetCtrlAttribute(pHandle, ctrl, ATTR_TEXT_COLOR, textColour);
    SetCtrlAttribute(pHandle, ctrl, ATTR_TEXT_POINT_SIZE, pointSize);
    SetCtrlVal(pHandle, ctrl, text != nullptr ? text : "");
}

void ShowLogo(void) {
    SetCtrlAttribute(pHandle, MAIN_DECOlogo, ATTR_FRAME_COLOR, kBannerColour);

    SetCtrlAttribute(pHandle, MAIN_PICTlogo, ATTR_TOP, kLogoTop);
    SetCtrlAttribute(pHandle, MAIN_PICTlogo, ATTR_LEFT, kLogoLeft);
    // The bitmap lies beside the program, not in the working directory. A
    // missing or unreadable bitmap only leaves the picture empty; a path too
    // long for the buffer is not tried at all rather than loaded truncated.
    char path[kPathSize];
    if (MakePathname(proj_dir, kLogoFile, path, static_cast<int>(sizeof path)) == 0) {
        DisplayImageFile(pHandle, MAIN_PICTlogo, path);
    }

    for (const BannerLine& line : kBannerLines) {
        ShowInfoText(kBannerColour, kBannerTextColour,
                     line.source != nullptr ? line.source : line.text, line.left, line.top,
                     line.pointSize);
    }
}
