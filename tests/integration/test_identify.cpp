// Identification against the simulated sensor: the start-up probe, the
// identity it leaves, the model box, the panel adaptation per model, and
// the firmware text.
#include <cstring>
#include <functional>
#include <string>

#include "core/models.h"
#include "tests/integration/support_harness.h"

namespace {

std::string Label(int panel, int control) {
    char buf[64] = "";
    HostLabel(panel, control, buf, sizeof buf);
    return buf;
}

// Starts the sensor (its identity edited first, if asked) and runs only the
// opening of the link, so what the identification did is seen before InitGUI
// changes dependent controls.
void Probe(const char* model, const std::function<void(SimIdentity*)>& edit = nullptr) {
    StartProgram(model, false);
    if (edit) {
        SimIdentity id;
        SimGetIdentity(&id);
        edit(&id);
        SimSetIdentity(&id);
    }
    SimClearRequests();
    InitRS232(com);
}

// ------------------------------------------------- the probe and identity

class IdentifyTest : public SensorHarness {};

// Catches a probe that skips, repeats or reorders a step, reads the halves
// from EEPROM or sends the wrong half number; and identity globals, derived
// limits, x positions, axes or the model box not following the answer of
// the connected sensor; and the box's bytes changed on the way in (the micro
// sign turned into '?' or two bytes).
TEST_F(IdentifyTest, ProbeOfEveryPresetSendsTheOpeningSequenceAndTakesTheIdentity) {
    const struct {
        const char* model;
        uint16_t virtpixel, HWTYPE, ADCMAX;
        double step;
        const char* name;
        Variant variant;
    } kPresets[] = {{"edge1024", 4096, 1, 1024, 16, "K-VEX-RZ-M01", VARIANT_V303},
                    {"standard", 4096, 1, 1024, 16, "K-VEX-RZ-M01", VARIANT_STANDARD},
                    {"v303", 4096, 1, 1024, 16, "K-VEX-RZ-M03", VARIANT_V303},
                    {"tarvo", 1024, 1, 1024, 4, "K-VEX-RZ-M11", VARIANT_TARVO},
                    {"type500", 1024, 0, 1024, 4, "K-VEX-RZ-M13", VARIANT_V303},
                    {"peak", 4096, 2, 1024, 16, "K-VEX-RZ-M18", VARIANT_V303},
                    {"m02", 2048, 1, 256, 8, "K-VEX-RZ-M02", VARIANT_V303},
                    {"unknown", 1024, 0, 1024, 4, "No information avialable!", VARIANT_STANDARD},
                    {"pcb0", 4096, 1, 1024, 16, "K-VEX-RZ-M01", VARIANT_V303}};
    for (const auto& c : kPresets) {
        SCOPED_TRACE(c.model);
        Probe(c.model);
        const std::vector<SimRequest> req = Requests();
        std::vector<std::vector<uint16_t>> sent;  // sync, command, half
        for (const SimRequest& r : req)
            sent.push_back({RequestWord(r, 0), RequestWord(r, 2), RequestWord(r, 4)});
        ASSERT_EQ((std::vector<std::vector<uint16_t>>{
                      {0x55, 5, 0}, {0x55, 10, 0}, {0x55, 2, 0}, {0x55, 2, 1}, {0x55, 7, 0}}),
                  sent);
        // The halves are paced by 0.1 s pauses (a lower bound only).
        EXPECT_GE(req[3].time - req[2].time, 0.09);

        EXPECT_EQ((std::vector<int>{c.virtpixel, c.HWTYPE, c.ADCMAX, c.virtpixel, 1, c.virtpixel}),
                  (std::vector<int>{ccdvirtpixel, HWTYPE, ADCMAX, YAXISMAX, pixB, pixE}));
        EXPECT_EQ((std::vector<double>{0, c.step, 255 * c.step}),
                  (std::vector<double>{xArray[0], xArray[1], xArray[255]}));
        EXPECT_EQ(c.variant, VariantOf());
        EXPECT_EQ(c.name, ModelLine(0));
        const ModelRow* row = FindModel(ccdtype, hwtype);
        for (int i = 0; i < kModelLines; ++i)
            EXPECT_EQ((row ? row : UnidentifiedModel())->line[i], ModelLine(i)) << i;
        double lo = 0, hi = 0;
        ASSERT_EQ(1, HostGraphAxis(pHandle, MAIN_GRAPHVideo, VAL_XAXIS, &lo, &hi));
        EXPECT_EQ(std::make_pair(1.0, 1.0 * c.virtpixel), std::make_pair(lo, hi));
        ASSERT_EQ(1, HostGraphAxis(pHandle, MAIN_GRAPHData, VAL_XAXIS, &lo, &hi));
        EXPECT_EQ(256.0, hi);
    }
}

// Catches an unlisted subpixel count kept: step 4 and 1024 for the pixel
// limits, while the video axis keeps the reported 1..3000.
TEST_F(IdentifyTest, UnlistedSubpixelCountFallsBackTo1024) {
    Probe("edge1024", [](SimIdentity* id) { id->ccdvirtpixel = 3000; });
    EXPECT_EQ((std::vector<int>{1024, 1024}), (std::vector<int>{ccdvirtpixel, pixE}));
    EXPECT_EQ(4.0, xArray[1]);
    double lo = 0, hi = 0;
    HostGraphAxis(pHandle, MAIN_GRAPHVideo, VAL_XAXIS, &lo, &hi);
    EXPECT_EQ(3000.0, hi);
}

// Catches a stray frame (the late answer to an earlier read, echo 2) taken
// for the hardware answer: the identity must stay as it was.
TEST_F(IdentifyTest, StrayFrameWithOtherEchoLeavesIdentityUnchanged) {
    Probe("edge1024");
    auto identity = [] {
        return std::vector<int>{ccdtype, ccdvirtpixel, softversion, hwtype, pcbtype, HWTYPE};
    };
    const std::vector<int> before = identity();
    // The late answer arrives after the request for the hardware answer
    // went out; the hardware request itself stays unanswered.
    SetFaults([](SimFaults* f) {
        f->replyDelay = 0.2;
        f->silentCommands = 1u << CMD_HARDWARE;
    });
    // An earlier read whose answer comes late.
    CopyVarsToPP(0);
    FillTxBuf(CMD_READ_RAM, 0, pp);
    const int sent = SimRequestCount();
    ASSERT_EQ(kFrameSize, ComWrt(com, szWriteBuf, kFrameSize));
    for (int i = 0; i < 200 && SimRequestCount() == sent; ++i) Pump(0.005);
    ASSERT_EQ(sent + 1, SimRequestCount());
    EXPECT_EQ(0, GetHARDWAREInfo());
    EXPECT_EQ(before, identity());
    EXPECT_EQ(2, WordAt(szReadBuf, 2));  // it really was the read's answer
}

// ------------------------------------------------------- firmware text

// Catches the firmware text not shown, or cut: a 72-character text with no
// zero byte is shown whole (szStatus holds only 71 characters); and a
// pcbtype-0 answer read as bytes: one character per word.
TEST_F(IdentifyTest, FirmwareTextIsShownWholeAndPcbType0OneCharacterPerWord) {
    const char* const kTexts[][2] = {
        {"m02", "K-VEX-RZ-M02 firmware V3.06 (sim) 512 pixel 2048 subpixel ADC 8 bit 0042"},
        {"pcb0", "K-VEX-RZ V3.08 sim pcb0"}};
    for (const auto& t : kTexts) {
        Probe(t[0]);
        const std::string text = t[1];
        EXPECT_EQ(text, std::string(szVersion));
        EXPECT_EQ(text, StatusLine());
        EXPECT_EQ(text.substr(0, 71), std::string(szStatus));
    }
}

// Catches a reader that takes any count as a text, or reads past its
// buffer: 8 bytes too many are counted, not decoded, and not reported as
// an error (the count is at least 72); and the callback left detached.
TEST_F(IdentifyTest, LongFirmwareAnswerIsCountedButNotDecoded) {
    Probe("edge1024");
    CopyStatus("before");
    SetFaults([](SimFaults* f) { f->extraBytes = 8; });
    EXPECT_EQ(80, GetVERSIONInfo());
    EXPECT_STREQ("", szVersion);
    EXPECT_STREQ("before", szStatus);
    // The receive callback is back after the raw read.
    SimResetFaults();
    EXPECT_EQ(1, CheckComLine(com));
}

// Catches a sensor that answers only the line check hanging the start-up
// or ending with a success text (the firmware error is the last word), or
// the title still naming the sensor identified before.
TEST_F(IdentifyTest, SensorAnsweringOnlyLineCheckEndsWithFirmwareError) {
    StartProgram("edge1024");
    SetFaults([](SimFaults* f) { f->answerEchoOnly = 1; });
    const uint16_t virtBefore = ccdvirtpixel;
    InitRS232(com);
    EXPECT_EQ("Error reading firmware-info!", StatusLine());
    EXPECT_EQ(virtBefore, ccdvirtpixel);
    EXPECT_EQ(0, HWTYPE);
    char title[128] = "";
    HostWindowTitle(pHandle, title, sizeof title);
    EXPECT_NE(nullptr, std::strstr(title, " - no sensor")) << title;
}

// --------------------------------------------------------- adaptation

std::string Visible(int panel, int control) {
    return std::to_string(HostIsVisible(panel, control));
}

std::string Dimmed(int panel, int control) {
    return std::to_string(HostIsDimmed(panel, control));
}

// A list item as "label/value".
std::string Item(int panel, int control, int index) {
    char buf[64] = "";
    int value = -1;
    HostListItem(panel, control, index, buf, sizeof buf, &value);
    return std::string(buf) + "/" + std::to_string(value);
}

// What a case may ask of the adapted panels, by name: item label/value,
// control label and text, or visible/dimmed flag.
const struct {
    const char* name;
    std::string (*read)(void);
} kFacts[] = {
    {"eval0", [] { return Item(pPara1, PARA1_DROPevalmode, 0); }},
    {"eval2", [] { return Item(pPara1, PARA1_DROPevalmode, 2); }},
    {"trig3", [] { return Item(pPara1, PARA1_DROPtrigmode, 3); }},
    {"ana1", [] { return Item(pPara1, PARA1_DROPanaMode, 1); }},
    {"tolLabel", [] { return Label(pPara1, PARA1_NEDITTolerance); }},
    {"opmodeText", [] { return CtrlText(pCalib, CALIB_BINSWopmode); }},
    {"tol", [] { return Visible(pPara1, PARA1_NEDITTolerance); }},
    {"tolUp", [] { return Visible(pPara1, PARA1_NEDITToleranceUP); }},
    {"std", [] { return Visible(pPara1, PARA1_CTRLstdOption); }},
    {"hold", [] { return Visible(pPara1, PARA1_DROPhold); }},
    {"hardware", [] { return Visible(pPara1, PARA1_DROPhardware); }},
    {"threshold", [] { return Visible(pPara2, PARA2_NUMTriggThreshold); }},
    {"data", [] { return Visible(pHandle, MAIN_BTNData); }},
    {"opmode", [] { return Visible(pCalib, CALIB_BINSWopmode); }},
    {"dimStd", [] { return Dimmed(pPara1, PARA1_CTRLstdOption); }},
    {"dimOpmode", [] { return Dimmed(pCalib, CALIB_BINSWopmode); }},
    {"dimSend", [] { return Dimmed(pHandle, MAIN_BTNSend); }},
};

// The facts an expectation names ("name=value|name=value"), as read now.
std::string Read(const std::string& expected) {
    std::string actual;
    for (size_t at = 0; at < expected.size();) {
        size_t end = expected.find('|', at);
        if (end == std::string::npos) end = expected.size();
        const std::string name = expected.substr(at, expected.find('=', at) - at);
        std::string value = "(no such fact)";
        for (const auto& f : kFacts)
            if (name == f.name) value = f.read();
        actual += (at ? "|" : "") + name + "=" + value;
        at = end + 1;
    }
    return actual;
}

struct AdaptCase {
    const char* name;
    const char* model;
    uint16_t softversion;  // 0: the preset's
    const char* facts;
    friend void PrintTo(const AdaptCase& c, std::ostream* os) { *os << c.name; }
};

class Adaptation : public SensorHarness, public ::testing::WithParamInterface<AdaptCase> {};

// Catches the panels not following the identified sensor: peak sensors
// offered edge modes (or the reverse); firmware 308 keeping the
// single-tolerance layout; trigger functions offered on firmware without a
// trigger buffer (item 3 "NOT-USED" with value 1, threshold and DATA
// hidden), also where the 512-pixel type 37 would offer them (the firmware
// rule comes last and wins); the internal-trigger models without their
// controls; Tarvo showing a hardware mode it has not or hiding its hold;
// type 500 keeping controls it has not; SEND left possible towards an
// unidentified sensor; a control the variant in force never reads or
// sends left on offer (tolerance-high and hold on firmware 302, hold on
// type 500, the amplifier switch on Tarvo).
TEST_P(Adaptation, PanelsFollowTheIdentifiedSensor) {
    const AdaptCase& c = GetParam();
    Probe(c.model, [&c](SimIdentity* id) {
        if (c.softversion) id->softversion = c.softversion;
    });
    EXPECT_EQ(c.facts, Read(c.facts));
}

INSTANTIATE_TEST_SUITE_P(
    Models, Adaptation,
    ::testing::Values(
        AdaptCase{"PeakOffersPeakModes", "peak", 0, "eval0=LEFT-PEAK/0|eval2=PEAK-TO-PEAK/2"},
        AdaptCase{"Edge308", "edge1024", 0,
                  "eval0=LEFT-EDGE/0|eval2=WIDTH/2|ana1=DIRECT 5V/SET/1|std=0|hold=0|tolUp=1|"
                  "tol=1|tolLabel=TOLERANCE-LOW|dimSend=0|trig3=INTERN TRIG/3"},
        AdaptCase{"V303Below305WithdrawsTrigger", "v303", 0,
                  "trig3=NOT-USED/1|threshold=0|data=0|tolLabel=TOLERANCE-LOW"},
        AdaptCase{"Type37On512OffersInternalTrigger", "m02", 0,
                  "eval0=LEFT-EDGE/0|eval2=WIDTH/2|trig3=INTERN TRIG/3|hold=0|threshold=1|data=1|"
                  "std=0|dimOpmode=0|opmodeText=ADC-CONV"},
        AdaptCase{"Type37On512Firmware304EndsWithNotUsed", "m02", 304,
                  "trig3=NOT-USED/1|threshold=0|data=0|dimOpmode=1"},
        AdaptCase{"TarvoHidesHardwareModeShowsHold", "tarvo", 0,
                  "hardware=0|opmode=0|hold=1|std=0|tolUp=1|tolLabel=TOLERANCE-LOW|dimSend=0"},
        AdaptCase{"Type500HidesAmplifierAndHardwareMode", "type500", 0,
                  "opmode=0|hardware=0|std=0|hold=0|tolUp=1|tolLabel=TOLERANCE-LOW|"
                  "ana1=DIRECT 5V/SET/1"},
        AdaptCase{"Standard302OffersOnlyWhatItSends", "standard", 0,
                  "tolUp=0|hold=0|std=1|tol=1|tolLabel=TOLERANCE|hardware=1"},
        AdaptCase{"UnidentifiedDimsSendOneTolerance", "unknown", 0,
                  "dimSend=1|tolLabel=TOLERANCE|tolUp=0|std=1|dimStd=1|hold=0|hardware=0"}),
    [](const ::testing::TestParamInfo<AdaptCase>& p) { return std::string(p.param.name); });

// Catches relabelled items surviving a change of sensor: after an old
// V303 sensor, a 308 sensor gets its internal trigger item back.
TEST_F(IdentifyTest, NextSensorStartsFromTheStartUpItems) {
    Probe("v303");
    ASSERT_EQ("NOT-USED/1", Item(pPara1, PARA1_DROPtrigmode, 3));
    SimIdentity id;
    ASSERT_EQ(1, SimPreset("edge1024", &id));
    SimSetIdentity(&id);
    ASSERT_EQ(1, GetHARDWAREInfo());
    EXPECT_EQ("INTERN TRIG/3", Item(pPara1, PARA1_DROPtrigmode, 3));
}

}  // namespace
