// The banner (ShowLogo, ShowInfoText) and the layout of the panel forms,
// with the real runtime layer offscreen. No sensor is needed.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
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
        GetProjectDir(proj_dir, sizeof proj_dir);
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
    struct Line {
        const char* text;
        int left, top, pointSize;
    };
    const Line kLines[] = {{"Quenndal", 15, 10, 11},
                           {"Tel. +49 (0)000 000000", 15, 25, 11},
                           {"www.quenndal.example", 15, 40, 11},
                           {"Kovexa-T", 300, 35, 18},
                           {"Version 9.99", 450, 40, 11}};
    const Rect logo = Bounds(pHandle, MAIN_PICTlogo), strip = Bounds(pHandle, MAIN_DECOlogo);
    for (const Line& line : kLines) {
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
    EXPECT_EQ(10, logo.top);
    EXPECT_EQ(300, logo.left);
    EXPECT_LE(logo.top + logo.height, 35);
    EXPECT_EQ(kBannerColour, HostBackgroundColor(pHandle, MAIN_DECOlogo));
}

// Catches start-up stopping, or fewer texts drawn, when the bitmap is
// missing, garbage or empty, or its path would not fit the buffer (the
// folder fills proj_dir) and would be loaded truncated.
TEST_F(Banner, BadOrMissingBitmapChangesNothingElse) {
    const char garbage[] = "BM\x10\x00\x00\x00not a bitmap at all";
    char dir[] = "/tmp/kovexa_logo_XXXXXX", file[64];
    ASSERT_NE(nullptr, mkdtemp(dir));
    std::snprintf(file, sizeof file, "%s/qd.bmp", dir);
    // Bytes of the bitmap: -1 none, then garbage, empty, and none again
    // in a folder that fills proj_dir (-2).
    for (int length : {-1, static_cast<int>(sizeof garbage - 1), 0, -2}) {
        std::remove(file);
        if (length >= 0) {
            FILE* f = std::fopen(file, "wb");
            ASSERT_NE(nullptr, f);
            std::fwrite(garbage, 1, static_cast<size_t>(length), f);
            std::fclose(f);
        }
        std::snprintf(proj_dir, sizeof proj_dir, "%s", dir);
        if (length == -2) {
            std::memset(proj_dir + 1, 'd', sizeof proj_dir - 2);
            proj_dir[sizeof proj_dir - 1] = '\0';
        }
        EXPECT_EQ(5u, Added(ShowLogo).size()) << length;
        EXPECT_EQ(10, Bounds(pHandle, MAIN_PICTlogo).top) << length;
    }
    std::remove(file);
    rmdir(dir);
}

// ShowInfoText on its own: catches a null text passed on to the runtime.
TEST_F(Banner, InfoTextWithoutTextMakesAnEmptyLabel) {
    const std::multimap<std::string, int> added =
        Added([] { ShowInfoText(kBannerColour, VAL_WHITE, nullptr, 600, 20, 11); });
    ASSERT_EQ(1u, added.size());
    EXPECT_EQ("", added.begin()->first);
    const Rect r = Bounds(pHandle, added.begin()->second);
    EXPECT_EQ(600, r.left);
    EXPECT_EQ(20, r.top);
}

// ------------------------------------------------------------ layout ----

struct PanelRange {
    const char* name;
    const int* panel;
    int first, last;  // control ids
    int width, height;
    friend void PrintTo(const PanelRange& c, std::ostream* os) { *os << c.name; }
};

bool In(int id, std::initializer_list<int> ids) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// On the main panel the three curve graphs share one place, and the help
// boxes (shown on top) and the banner strip (under the logo) may lie over
// anything.
bool MayOverlap(int panel, int a, int b) {
    const std::initializer_list<int> curves = {MAIN_GRAPHRaw, MAIN_GRAPHVideo, MAIN_GRAPHData};
    const std::initializer_list<int> overAll = {MAIN_HelpText1, MAIN_HelpText2, MAIN_DECOlogo};
    if (panel != pHandle) return false;
    return (In(a, curves) && In(b, curves)) || In(a, overAll) || In(b, overAll);
}

class Layout : public Banner, public ::testing::WithParamInterface<PanelRange> {};

// Catches a control missing from its form, one lying on top of another, one
// cut off by the edge of its panel, or a main control between the page
// buttons and the status line hidden under the pages (left 8, top 105,
// 300 x 440).
TEST_P(Layout, EveryControlPresentInsideAndApart) {
    const PanelRange& p = GetParam();
    const int panel = *p.panel;
    for (int a = p.first; a <= p.last; ++a) {
        const Rect ra = Bounds(panel, a);
        ASSERT_GE(ra.top, 0) << "control " << a;
        EXPECT_GE(ra.left, 0) << a;
        EXPECT_LE(ra.left + ra.width, p.width) << a;
        EXPECT_LE(ra.top + ra.height, p.height) << a;
        const bool besidePages = panel != pHandle || a < MAIN_TOGGBTN_Para1 || a > MAIN_TEXTstatus;
        EXPECT_TRUE(besidePages || Apart(ra, {105, 0, 440, 8 + 300})) << a << " is under the pages";
        for (int b = a + 1; b <= p.last; ++b) {
            if (MayOverlap(panel, a, b)) continue;
            EXPECT_TRUE(Apart(ra, Bounds(panel, b))) << "controls " << a << " and " << b;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Panels, Layout,
    ::testing::Values(PanelRange{"Main", &pHandle, MAIN_DECOlogo, MAIN_HelpText2, 1000, 720},
                      PanelRange{"Recorder", &pPopup, POPUP_NUMsample, POPUP_DISPrecmm, 520, 360},
                      PanelRange{"Page1", &pPara1, PARA1_DROPpolarity, PARA1_DROPhold, 300, 440},
                      PanelRange{"Page2", &pPara2, PARA2_SLIDEpower, PARA2_ButtonTeach, 300, 440},
                      PanelRange{"Calibration", &pCalib, CALIB_NUMcalSlope, CALIB_BTNReadXFLASH,
                                 300, 440}),
    [](const ::testing::TestParamInfo<PanelRange>& info) { return std::string(info.param.name); });

// Catches the service-only controls shown, or the slope enabled, at start.
TEST_F(Banner, ServiceControlsStartHiddenOrDimmed) {
    EXPECT_EQ(0, HostIsVisible(pCalib, CALIB_BTNWriteXFLASH));
    EXPECT_EQ(1, HostIsDimmed(pCalib, CALIB_NUMcalSlope));
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText1));
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText2));
}

}  // namespace
