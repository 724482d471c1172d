// The banner (ShowLogo, ShowInfoText) and the layout of the panel forms,
// with the real runtime layer offscreen. No sensor is needed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <set>
#include <string>

#include "KovexaV308/kovexa.h"
#include "KovexaV308/panels/kovexa_panels.h"
#include "platform/cvi.h"
#include "platform/host.h"

namespace {

const int kBannerColour = 0x0080FF;
// Control ids made at run time are looked for up to here.
const int kScanLimit = 65536;

char gArg0[] = "test_logo";
char* gArgv[] = {gArg0, nullptr};
int gArgc = 1;

struct Rect {
    int top, left, height, width;
};

Rect Bounds(int panel, int control) {
    Rect r{-1, -1, -1, -1};
    GetCtrlBoundingRect(panel, control, &r.top, &r.left, &r.height, &r.width);
    return r;
}

bool Exists(int panel, int control) {
    int top, left, height, width;
    return GetCtrlBoundingRect(panel, control, &top, &left, &height, &width) >= 0;
}

std::set<int> ControlsOf(int panel) {
    std::set<int> ids;
    for (int id = 1; id < kScanLimit; ++id)
        if (Exists(panel, id)) ids.insert(id);
    return ids;
}

std::string Text(int panel, int control) {
    char buf[256] = "";
    HostCtrlText(panel, control, buf, sizeof buf);
    return buf;
}

// Runs ShowLogo and returns the controls it added to the main panel.
std::set<int> DrawBanner(void) {
    const std::set<int> before = ControlsOf(pHandle);
    ShowLogo();
    std::set<int> added;
    for (int id : ControlsOf(pHandle))
        if (before.count(id) == 0) added.insert(id);
    return added;
}

// The added control that shows text, or 0.
int FindText(const std::set<int>& ids, const std::string& text) {
    for (int id : ids)
        if (Text(pHandle, id) == text) return id;
    return 0;
}

bool gPanelsLoaded = false;

class Banner : public ::testing::Test {
protected:
    void SetUp() override {
        // The toolkit and the panels are made once per process.
        if (!gPanelsLoaded) {
            ASSERT_EQ(1, HostInit(&gArgc, gArgv));
            RegisterKovexaControls();
            ASSERT_EQ(1, LoadPanels());
            gPanelsLoaded = true;
        }
        std::strcpy(szSoftName, "Kovexa");
        std::strcpy(szSoftVersion, "Version 3.08");
        GetProjectDir(proj_dir, sizeof proj_dir);
    }
    // A folder of its own for proj_dir, optionally holding a qd.bmp.
    void UseFolder(const char* bitmap, int length) {
        std::snprintf(dir_, sizeof dir_, "/tmp/kovexa_logo_XXXXXX");
        ASSERT_NE(nullptr, mkdtemp(dir_));
        std::snprintf(file_, sizeof file_, "%s/qd.bmp", dir_);
        if (bitmap != nullptr) {
            FILE* f = std::fopen(file_, "wb");
            ASSERT_NE(nullptr, f);
            std::fwrite(bitmap, 1, static_cast<size_t>(length), f);
            std::fclose(f);
        }
        std::snprintf(proj_dir, sizeof proj_dir, "%s", dir_);
    }
    void TearDown() override {
        if (dir_[0] != '\0') {
            std::remove(file_);
            rmdir(dir_);
        }
    }
    char dir_[64] = "";
    char file_[96] = "";
};

struct BannerLineCase {
    const char* name;
    const char* text;
    int left, top, pointSize;
};
void PrintTo(const BannerLineCase& c, std::ostream* os) {
    *os << c.name;
}

class BannerLine : public Banner, public ::testing::WithParamInterface<BannerLineCase> {};

// Catches NewCtrl called with (left, top) instead of (top, left), a wrong
// size, or texts that are not white on the banner blue.
TEST_P(BannerLine, ShownAtItsFixedPositionWhiteOnBlue) {
    const BannerLineCase& c = GetParam();
    const std::set<int> added = DrawBanner();
    const int id = FindText(added, c.text);
    ASSERT_NE(0, id) << "no banner text \"" << c.text << "\"";
    const Rect r = Bounds(pHandle, id);
    EXPECT_EQ(c.left, r.left);
    EXPECT_EQ(c.top, r.top);
    int size = 0, colour = 0;
    GetCtrlAttribute(pHandle, id, ATTR_TEXT_POINT_SIZE, &size);
    GetCtrlAttribute(pHandle, id, ATTR_TEXT_COLOR, &colour);
    EXPECT_EQ(c.pointSize, size);
    EXPECT_EQ(VAL_WHITE, colour);
    EXPECT_EQ(kBannerColour, HostBackgroundColor(pHandle, id));
}

INSTANTIATE_TEST_SUITE_P(
    Logo, BannerLine,
    ::testing::Values(BannerLineCase{"Company", "Quenndal", 15, 10, 11},
                      BannerLineCase{"Telephone", "Tel. +49 (0)000 000000", 15, 25, 11},
                      BannerLineCase{"Web", "www.quenndal.example", 15, 40, 11},
                      BannerLineCase{"ProgramName", "Kovexa", 300, 35, 18},
                      BannerLineCase{"Version", "Version 3.08", 450, 40, 11}),
    [](const ::testing::TestParamInfo<BannerLineCase>& info) {
        return std::string(info.param.name);
    });

// Catches a banner that makes more or fewer than its five texts.
TEST_F(Banner, MakesExactlyFiveTexts) {
    EXPECT_EQ(5u, DrawBanner().size());
}

// Catches a program name or version hard-coded instead of taken from the
// globals the start-up defaults fill.
TEST_F(Banner, NameAndVersionComeFromTheGlobals) {
    std::strcpy(szSoftName, "Kovexa-T");
    std::strcpy(szSoftVersion, "Version 9.99");
    const std::set<int> added = DrawBanner();
    EXPECT_NE(0, FindText(added, "Kovexa-T"));
    EXPECT_NE(0, FindText(added, "Version 9.99"));
}

// Catches a logo left where the form put it, or a banner not coloured.
TEST_F(Banner, LogoAtTop10Left300OnTheBlueStrip) {
    DrawBanner();
    const Rect logo = Bounds(pHandle, MAIN_PICTlogo);
    EXPECT_EQ(10, logo.top);
    EXPECT_EQ(300, logo.left);
    EXPECT_EQ(kBannerColour, HostBackgroundColor(pHandle, MAIN_DECOlogo));
}

// Catches a logo so tall that it hides the program name below it (top 35),
// and a blue strip too short for the lowest banner text.
TEST_F(Banner, LogoAndStripLeaveTheTextsReadable) {
    const std::set<int> added = DrawBanner();
    const Rect logo = Bounds(pHandle, MAIN_PICTlogo);
    EXPECT_LE(logo.top + logo.height, 35);
    const Rect strip = Bounds(pHandle, MAIN_DECOlogo);
    for (int id : added) {
        const Rect t = Bounds(pHandle, id);
        EXPECT_LE(t.top + t.height, strip.top + strip.height) << Text(pHandle, id);
    }
}

// Each case catches start-up stopping, or fewer texts drawn, when the
// bitmap cannot be shown.
TEST_F(Banner, MissingBitmapChangesNothingElse) {
    UseFolder(nullptr, 0);
    EXPECT_EQ(5u, DrawBanner().size());
    EXPECT_EQ(10, Bounds(pHandle, MAIN_PICTlogo).top);
}

TEST_F(Banner, GarbageBitmapChangesNothingElse) {
    const char garbage[] = "BM\x10\x00\x00\x00not a bitmap at all";
    UseFolder(garbage, static_cast<int>(sizeof garbage - 1));
    EXPECT_EQ(5u, DrawBanner().size());
}

TEST_F(Banner, EmptyBitmapFileChangesNothingElse) {
    UseFolder("", 0);
    EXPECT_EQ(5u, DrawBanner().size());
}

// Catches a path built into a buffer too small for the folder: the folder
// fills proj_dir, so the joined name cannot fit.
TEST_F(Banner, OverlongProgramFolderIsNotLoadedTruncated) {
    std::memset(proj_dir, 'd', sizeof proj_dir - 1);
    proj_dir[0] = '/';
    proj_dir[sizeof proj_dir - 1] = '\0';
    EXPECT_EQ(5u, DrawBanner().size());
}

// ShowInfoText on its own: catches a null text passed on to the runtime.
TEST_F(Banner, InfoTextWithoutTextMakesAnEmptyLabel) {
    const std::set<int> before = ControlsOf(pHandle);
    ShowInfoText(kBannerColour, VAL_WHITE, nullptr, 600, 20, 11);
    int made = 0;
    for (int id : ControlsOf(pHandle)) {
        if (before.count(id) != 0) continue;
        ++made;
        EXPECT_EQ("", Text(pHandle, id));
        EXPECT_EQ(600, Bounds(pHandle, id).left);
        EXPECT_EQ(20, Bounds(pHandle, id).top);
    }
    EXPECT_EQ(1, made);
}

// ------------------------------------------------------------ layout ----

struct PanelRange {
    const char* name;
    int resourceId;
    int first, last;  // control ids
    int width, height;
};

const PanelRange kPanelRanges[] = {
    {"Main", RES_MAIN, MAIN_DECOlogo, MAIN_HelpText2, 1000, 720},
    {"Recorder", RES_POPUP, POPUP_NUMsample, POPUP_DISPrecmm, 520, 360},
    {"Page1", RES_PARA1, PARA1_DROPpolarity, PARA1_DROPhold, 300, 440},
    {"Page2", RES_PARA2, PARA2_SLIDEpower, PARA2_ButtonTeach, 300, 440},
    {"Calibration", RES_CALIB, CALIB_NUMcalSlope, CALIB_BTNReadXFLASH, 300, 440},
};
void PrintTo(const PanelRange& p, std::ostream* os) {
    *os << p.name;
}

int HandleOf(int resourceId) {
    switch (resourceId) {
        case RES_MAIN:
            return pHandle;
        case RES_POPUP:
            return pPopup;
        case RES_PARA1:
            return pPara1;
        case RES_PARA2:
            return pPara2;
        default:
            return pCalib;
    }
}

// Controls allowed to share space: the three curve graphs (one place),
// and the help boxes (shown on top) and banner strip (under the logo) with
// anything.
const int kOnePlace[] = {MAIN_GRAPHRaw, MAIN_GRAPHVideo, MAIN_GRAPHData};
const int kOverAll[] = {MAIN_HelpText1, MAIN_HelpText2, MAIN_DECOlogo};

template <size_t N>
bool InList(int id, const int (&ids)[N]) {
    for (int x : ids)
        if (x == id) return true;
    return false;
}

bool MayOverlap(int panel, int a, int b) {
    if (panel != pHandle) return false;
    if (InList(a, kOnePlace) && InList(b, kOnePlace)) return true;
    return InList(a, kOverAll) || InList(b, kOverAll);
}

class Layout : public Banner, public ::testing::WithParamInterface<PanelRange> {};
class Forms : public Banner {};

// Catches a control missing from its form, one lying on top of another, or
// one cut off by the edge of its panel.
TEST_P(Layout, EveryControlPresentInsideAndApart) {
    const PanelRange& p = GetParam();
    const int panel = HandleOf(p.resourceId);
    for (int a = p.first; a <= p.last; ++a) {
        ASSERT_TRUE(Exists(panel, a)) << "control " << a;
        const Rect ra = Bounds(panel, a);
        EXPECT_GE(ra.left, 0) << a;
        EXPECT_GE(ra.top, 0) << a;
        EXPECT_LE(ra.left + ra.width, p.width) << a;
        EXPECT_LE(ra.top + ra.height, p.height) << a;
        for (int b = a + 1; b <= p.last; ++b) {
            if (MayOverlap(panel, a, b)) continue;
            const Rect rb = Bounds(panel, b);
            const bool apart = ra.left + ra.width <= rb.left || rb.left + rb.width <= ra.left ||
                               ra.top + ra.height <= rb.top || rb.top + rb.height <= ra.top;
            EXPECT_TRUE(apart) << "controls " << a << " and " << b << " overlap";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Panels, Layout, ::testing::ValuesIn(kPanelRanges),
                         [](const ::testing::TestParamInfo<PanelRange>& info) {
                             return std::string(info.param.name);
                         });

// Catches the page area and the graph area drawn over each other: the pages
// are placed at left 8, top 105 and are 300 wide.
TEST_F(Forms, GraphsAndButtonsClearOfThePageArea) {
    const int pageRight = 8 + 300, pageTop = 105, pageBottom = 105 + 440;
    for (int id = MAIN_TOGGBTN_Para1; id <= MAIN_TEXTstatus; ++id) {
        const Rect r = Bounds(pHandle, id);
        const bool apart =
            r.left >= pageRight || r.top + r.height <= pageTop || r.top >= pageBottom;
        EXPECT_TRUE(apart) << "control " << id << " lies in the page area";
    }
}

// Catches captions that the program relabels or reads but the form lacks.
TEST_F(Forms, ToleranceCaptionCanBeRelabelled) {
    char label[64] = "";
    HostLabel(pPara1, PARA1_NEDITTolerance, label, sizeof label);
    EXPECT_STREQ("TOLERANCE", label);
    SetCtrlAttribute(pPara1, PARA1_NEDITTolerance, ATTR_LABEL_TEXT, "TOLERANCE-LOW");
    HostLabel(pPara1, PARA1_NEDITTolerance, label, sizeof label);
    EXPECT_STREQ("TOLERANCE-LOW", label);
}

// Catches the service-only controls shown, or the slope enabled, at start.
TEST_F(Forms, ServiceControlsStartHiddenOrDimmed) {
    EXPECT_EQ(0, HostIsVisible(pCalib, CALIB_BTNWriteXFLASH));
    EXPECT_EQ(1, HostIsDimmed(pCalib, CALIB_NUMcalSlope));
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText1));
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_HelpText2));
}

}  // namespace
