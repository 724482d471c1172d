// The banner (ShowLogo, ShowInfoText) and the layout of the panel forms,
// with the real runtime layer offscreen. No sensor is needed.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/integration/support_harness.h"

namespace {

const int kBannerColour = 0x0080FF;
const int kScanLimit = 65536;  // control ids made at run time are looked for up to here

struct Rect {
    int top, left, height, width;
};

// The control's rectangle; top is -1 when there is no such control.
Rect Bounds(int panel, int control) {
    Rect r{-1, -1, -1, -1};
    if (GetCtrlBoundingRect(panel, control, &r.top, &r.left, &r.height, &r.width) < 0) r.top = -1;
    return r;
}

bool Apart(const Rect& a, const Rect& b) {
    return a.left + a.width <= b.left || b.left + b.width <= a.left || a.top + a.height <= b.top ||
           b.top + b.height <= a.top;
}

// Runs draw and returns the controls it added to the main panel by their text.
std::multimap<std::string, int> Added(void (*draw)(void)) {
    bool before[kScanLimit] = {};
    for (int id = 1; id < kScanLimit; ++id) before[id] = Bounds(pHandle, id).top >= 0;
    draw();
    std::multimap<std::string, int> added;
    for (int id = 1; id < kScanLimit; ++id) {
        char text[256] = "";
        if (before[id] || Bounds(pHandle, id).top < 0) continue;
        HostCtrlText(pHandle, id, text, sizeof text);
        added.emplace(text, id);
    }
    return added;
}

class Banner : public ::testing::Test {
protected:
    void SetUp() override {
        StartPanels();
        std::strcpy(szSoftName, "Kovexa-T");
        std::strcpy(szSoftVersion, "Version 9.99");
    }
};

// Catches NewCtrl called with (left, top) instead of (top, left), a wrong
// size or colour, more or fewer than five texts, the name or version
// hard-coded instead of taken from the globals, the logo left where the
// form put it or so tall that it hides the name, or a strip too short.
TEST_F(Banner, FiveTextsAtTheirPlacesWhiteOnBlueBesideTheLogo) {
    const std::multimap<std::string, int> added = Added(ShowLogo);
    EXPECT_EQ(5u, added.size());
    const struct {
        const char* text;
        int left, top, pointSize;
    } kLines[] = {{"Quenndal", 15, 10, 11},
                  {"Tel. +49 (0)000 000000", 15, 25, 11},
                  {"www.quenndal.example", 15, 40, 11},
                  {"Kovexa-T", 300, 35, 18},
                  {"Version 9.99", 450, 40, 11}};
    const Rect logo = Bounds(pHandle, MAIN_PICTlogo), strip = Bounds(pHandle, MAIN_DECOlogo);
    for (const auto& line : kLines) {
        ASSERT_EQ(1u, added.count(line.text)) << line.text;
        const int id = added.find(line.text)->second;
        const Rect r = Bounds(pHandle, id);
        int size = 0, colour = 0;
        GetCtrlAttribute(pHandle, id, ATTR_TEXT_POINT_SIZE, &size);
        GetCtrlAttribute(pHandle, id, ATTR_TEXT_COLOR, &colour);
        EXPECT_EQ((std::vector<int>{line.left, line.top, line.pointSize, VAL_WHITE, kBannerColour}),
                  (std::vector<int>{r.left, r.top, size, colour, HostBackgroundColor(pHandle, id)}))
            << line.text;
        EXPECT_LE(r.top + r.height, strip.top + strip.height) << line.text;
    }
    EXPECT_EQ((std::vector<int>{10, 300}), (std::vector<int>{logo.top, logo.left}));
    EXPECT_LE(logo.top + logo.height, 35);
    EXPECT_EQ(kBannerColour, HostBackgroundColor(pHandle, MAIN_DECOlogo));
}

// Catches start-up stopping, or fewer texts drawn, when the bitmap is
// missing, garbage or empty, or its path would not fit the buffer (the
// folder fills proj_dir) and would be loaded truncated.
TEST_F(Banner, BadOrMissingBitmapChangesNothingElse) {
    const std::string garbage("BM\x10\x00\x00\x00not a bitmap at all", 25);
    char dir[] = "/tmp/kovexa_logo_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    const std::string file = std::string(dir) + "/qd.bmp";
    // Bitmap: -1 none, then garbage, empty, and none in a folder that fills proj_dir (-2).
    for (int length : {-1, static_cast<int>(garbage.size()), 0, -2}) {
        std::remove(file.c_str());
        if (length >= 0) std::ofstream(file, std::ios::binary) << garbage.substr(0, length);
        std::snprintf(proj_dir, sizeof proj_dir, "%s", dir);
        if (length == -2) std::memset(proj_dir + 1, 'd', sizeof proj_dir - 2);
        proj_dir[sizeof proj_dir - 1] = '\0';
        EXPECT_EQ(5u, Added(ShowLogo).size()) << length;
        EXPECT_EQ(10, Bounds(pHandle, MAIN_PICTlogo).top) << length;
    }
    std::remove(file.c_str());
    rmdir(dir);
}

// ------------------------------------------------------------ layout ----

// On the main panel the three curve graphs share one place, and the help
// boxes (shown on top) and the banner strip (under the logo) may lie over
// anything.
bool MayOverlap(int panel, int a, int b) {
    const int curves[] = {MAIN_GRAPHRaw, MAIN_GRAPHVideo, MAIN_GRAPHData};
    const int overAll[] = {MAIN_HelpText1, MAIN_HelpText2, MAIN_DECOlogo};
    auto in = [](const int(&ids)[3], int id) { return std::count(ids, ids + 3, id) > 0; };
    return panel == pHandle &&
           ((in(curves, a) && in(curves, b)) || in(overAll, a) || in(overAll, b));
}

// Catches a control missing from its form, one lying on top of another, one cut off by the
// edge of its panel, or a main control between the page buttons and the status line hidden
// under the pages (left 8, top 105, 300 x 410).
TEST_F(Banner, EveryControlPresentInsideAndApart) {
    const struct {
        int panel, first, last, width, height;  // control ids, panel size
    } kPanels[] = {{pHandle, MAIN_DECOlogo, MAIN_HelpText2, 1000, 690},
                   {pPopup, POPUP_NUMsample, POPUP_DISPrecmm, 520, 360},
                   {pPara1, PARA1_DROPpolarity, PARA1_DROPhold, 300, 410},
                   {pPara2, PARA2_SLIDEpower, PARA2_ButtonTeach, 300, 410},
                   {pCalib, CALIB_NUMcalSlope, CALIB_BTNReadXFLASH, 300, 410}};
    for (const auto& p : kPanels) {
        for (int a = p.first; a <= p.last; ++a) {
            const Rect ra = Bounds(p.panel, a);
            ASSERT_GE(ra.top, 0) << "panel " << p.panel << " control " << a;
            EXPECT_TRUE(ra.left >= 0 && ra.left + ra.width <= p.width &&
                        ra.top + ra.height <= p.height)
                << p.panel << ": " << a;
            const bool besidePages =
                p.panel != pHandle || a < MAIN_TOGGBTN_Para1 || a > MAIN_TEXTstatus;
            EXPECT_TRUE(besidePages || Apart(ra, {105, 0, 410, 8 + 300}))
                << a << " under the pages";
            for (int b = a + 1; b <= p.last; ++b) {
                if (MayOverlap(p.panel, a, b)) continue;
                EXPECT_TRUE(Apart(ra, Bounds(p.panel, b))) << p.panel << ": " << a << ", " << b;
            }
        }
    }
}

}  // namespace
