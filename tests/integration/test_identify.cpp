// Identification against the simulated sensor: the start-up probe, the
// identity it leaves, the model box, the panel adaptation per model, and
// the firmware text.
#include <cstring>
#include <string>

#include "com232/models.h"
#include "tests/integration/support_harness.h"

namespace {

std::string ModelLine(int line) {
    char buf[128] = "";
    GetTextBoxLine(pCalib, CALIB_TEXTmodel, line, buf, sizeof buf);
    std::string s = buf;
    // The box may pad a line; the model texts never end in a blank that
    // matters except the unidentified lines, which are all blanks.
    return s;
}

std::string ItemLabel(int panel, int control, int index, int* value = nullptr) {
    char buf[64] = "";
    HostListItem(panel, control, index, buf, sizeof buf, value);
    return buf;
}

std::string Label(int panel, int control) {
    char buf[64] = "";
    HostLabel(panel, control, buf, sizeof buf);
    return buf;
}

// Starts the sensor and runs only the opening of the link, so what the
// identification did is seen before InitGUI changes dependent controls.
void Probe(const char* model) {
    StartProgram(model, false);
    SimClearRequests();
    InitRS232(com);
}

// ------------------------------------------------------------ the probe

class ProbeSequence : public SensorTest, public ::testing::WithParamInterface<const char*> {};

// Catches a probe that skips, repeats or reorders a step, reads the halves
// from EEPROM, or sends the wrong half number.
TEST_P(ProbeSequence, IsLineCheckHardwareBothRamHalvesThenFirmware) {
    Probe(GetParam());
    const std::vector<SimRequest> req = Requests();
    ASSERT_EQ(5u, req.size());
    const uint16_t commands[] = {5, 10, 2, 2, 7};
    const uint16_t seconds[] = {0, 0, 0, 1, 0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(0x0055, RequestWord(req[i], 0)) << i;
        EXPECT_EQ(commands[i], RequestWord(req[i], 2)) << i;
        EXPECT_EQ(seconds[i], RequestWord(req[i], 4)) << i;
    }
    // The halves are paced by 0.1 s pauses (a lower bound only).
    EXPECT_GE(req[3].time - req[2].time, 0.09);
}

INSTANTIATE_TEST_SUITE_P(EveryPreset, ProbeSequence,
                         ::testing::Values("edge1024", "standard", "v303", "tarvo", "type500",
                                           "peak", "unknown", "pcb0", "m02"),
                         [](const ::testing::TestParamInfo<const char*>& p) {
                             return std::string(p.param);
                         });

// --------------------------------------------------------- the identity

struct IdentityCase {
    const char* model;
    uint16_t ccdvirtpixel;
    uint16_t HWTYPE;
    uint16_t ADCMAX;
    uint16_t YAXISMAX;
    uint16_t pixE;
    double step;
    const char* name;
    const char* line3;
    Variant variant;
};

std::ostream& operator<<(std::ostream& os, const IdentityCase& c) {
    return os << c.model;
}

class IdentityOfPreset : public SensorTest, public ::testing::WithParamInterface<IdentityCase> {};

// Catches identity globals, derived limits, x positions or the model box
// not following the answer of the connected sensor.
TEST_P(IdentityOfPreset, SetsGlobalsStepsAndModelBox) {
    const IdentityCase& c = GetParam();
    Probe(c.model);
    EXPECT_EQ(c.ccdvirtpixel, ccdvirtpixel);
    EXPECT_EQ(c.HWTYPE, HWTYPE);
    EXPECT_EQ(c.ADCMAX, ADCMAX);
    EXPECT_EQ(c.YAXISMAX, YAXISMAX);
    EXPECT_EQ(1, pixB);
    EXPECT_EQ(c.pixE, pixE);
    EXPECT_EQ(0.0, xArray[0]);
    EXPECT_EQ(c.step, xArray[1]);
    EXPECT_EQ(255 * c.step, xArray[255]);
    EXPECT_EQ(c.variant, VariantOf());
    EXPECT_EQ(c.name, ModelLine(0));
    EXPECT_EQ(c.line3, ModelLine(3));
    double lo = 0, hi = 0;
    ASSERT_EQ(1, HostGraphAxis(pHandle, MAIN_GRAPHVideo, VAL_XAXIS, &lo, &hi));
    EXPECT_EQ(1.0, lo);
    EXPECT_EQ(c.ccdvirtpixel, hi);
    ASSERT_EQ(1, HostGraphAxis(pHandle, MAIN_GRAPHData, VAL_XAXIS, &lo, &hi));
    EXPECT_EQ(256.0, hi);
}

const std::string kBlank25(25, ' ');

INSTANTIATE_TEST_SUITE_P(
    EveryPreset, IdentityOfPreset,
    ::testing::Values(IdentityCase{"edge1024", 4096, 1, 1024, 4096, 4096, 16, "K-VEX-RZ-M01",
                                   "working-range = 37 +/- 2.0mm", VARIANT_V303},
                      IdentityCase{"standard", 4096, 1, 1024, 4096, 4096, 16, "K-VEX-RZ-M01",
                                   "working-range = 37 +/- 2.0mm", VARIANT_STANDARD},
                      IdentityCase{"v303", 4096, 1, 1024, 4096, 4096, 16, "K-VEX-RZ-M03",
                                   "working-range = 55mm +/- 5.0mm", VARIANT_V303},
                      IdentityCase{"tarvo", 1024, 1, 1024, 1024, 1024, 4, "K-VEX-RZ-M11",
                                   "working-range = 50mm ... 450mm", VARIANT_TARVO},
                      IdentityCase{"type500", 1024, 0, 1024, 1024, 1024, 4, "K-VEX-RZ-M13",
                                   "working-range = 35mm ... 460mm", VARIANT_V303},
                      IdentityCase{"peak", 4096, 2, 1024, 4096, 4096, 16, "K-VEX-RZ-M18",
                                   "working-range = 110mm  +/- 20mm", VARIANT_V303},
                      IdentityCase{"m02", 2048, 1, 256, 2048, 2048, 8, "K-VEX-RZ-M02",
                                   "working-range = 55 +/- 2.0mm", VARIANT_V303},
                      IdentityCase{"unknown", 1024, 0, 1024, 1024, 1024, 4,
                                   "No information avialable!", "                         ",
                                   VARIANT_STANDARD},
                      IdentityCase{"pcb0", 4096, 1, 1024, 4096, 4096, 16, "K-VEX-RZ-M01",
                                   "working-range = 37 +/- 2.0mm", VARIANT_V303}),
    [](const ::testing::TestParamInfo<IdentityCase>& p) { return std::string(p.param.model); });

// Catches the micro sign turned into '?' or two bytes on the way into the
// box: it reads back as the single byte 0xB5.
TEST_F(SensorTest, ModelBoxKeepsTheMicroSign) {
    Probe("edge1024");
    EXPECT_EQ("1024-pixel;  7.8\xB5m pixel-pitch", ModelLine(1));
    EXPECT_EQ("4096-subpixel;  resolution=1\xB5m", ModelLine(2));
}

// Catches an unlisted subpixel count kept: step 4 and 1024 for the pixel
// limits, while the video axis keeps the reported 1..3000.
TEST_F(SensorTest, UnlistedSubpixelCountFallsBackTo1024) {
    StartProgram("edge1024", false);
    SimIdentity id;
    SimGetIdentity(&id);
    id.ccdvirtpixel = 3000;
    SimSetIdentity(&id);
    InitRS232(com);
    EXPECT_EQ(1024, ccdvirtpixel);
    EXPECT_EQ(4.0, xArray[1]);
    EXPECT_EQ(1024, pixE);
    double lo = 0, hi = 0;
    HostGraphAxis(pHandle, MAIN_GRAPHVideo, VAL_XAXIS, &lo, &hi);
    EXPECT_EQ(3000.0, hi);
}

// Catches a stray frame (the late answer to an earlier read, echo 2) taken
// for the hardware answer: the identity must stay as it was.
TEST_F(SensorTest, StrayFrameWithOtherEchoLeavesIdentityUnchanged) {
    Probe("edge1024");
    const uint16_t before[] = {ccdtype, ccdvirtpixel, softversion, hwtype, pcbtype, HWTYPE};
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
    const uint16_t after[] = {ccdtype, ccdvirtpixel, softversion, hwtype, pcbtype, HWTYPE};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(before[i], after[i]) << i;
    EXPECT_EQ(2, WordAt(szReadBuf, 2));  // it really was the read's answer
}

// ------------------------------------------------------- firmware text

// Catches the firmware text not shown, or cut: a 72-character text with no
// zero byte is shown whole (szStatus holds only 71 characters).
TEST_F(SensorTest, SeventyTwoCharacterFirmwareTextIsShownWhole) {
    Probe("m02");
    const std::string text =
        "K-VEX-RZ-M02 firmware V3.06 (sim) 512 pixel 2048 subpixel ADC 8 bit 0042";
    ASSERT_EQ(72u, text.size());
    EXPECT_EQ(text, std::string(szVersion));
    EXPECT_EQ(text, StatusLine());
    EXPECT_EQ(text.substr(0, 71), std::string(szStatus));
}

// Catches a pcbtype-0 answer read as bytes: one character per word.
TEST_F(SensorTest, PcbType0FirmwareTextIsOneCharacterPerWord) {
    Probe("pcb0");
    EXPECT_STREQ("K-VEX-RZ V3.08 sim pcb0", szVersion);
    EXPECT_EQ("K-VEX-RZ V3.08 sim pcb0", StatusLine());
}

// Catches a reader that takes any count as a text, or reads past its
// buffer: 8 bytes too many are counted, not decoded, and not reported as
// an error (the count is at least 72); and the callback left detached.
TEST_F(SensorTest, LongFirmwareAnswerIsCountedButNotDecoded) {
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
// or ending with a success text; the firmware error is the last word.
TEST_F(SensorTest, SensorAnsweringOnlyLineCheckEndsWithFirmwareError) {
    StartProgram("edge1024", false);
    SetFaults([](SimFaults* f) { f->answerEchoOnly = 1; });
    const uint16_t virtBefore = ccdvirtpixel;
    InitRS232(com);
    EXPECT_EQ("Error reading firmware-info!", StatusLine());
    EXPECT_EQ(virtBefore, ccdvirtpixel);
    EXPECT_EQ(0, HWTYPE);
}

// --------------------------------------------------------- adaptation

struct EvalCase {
    const char* model;
    const char* item0;
    const char* item2;
};

class EvaluationItems : public SensorTest, public ::testing::WithParamInterface<EvalCase> {};

// Catches peak sensors offered edge modes (or the reverse).
TEST_P(EvaluationItems, FollowTheModelFamily) {
    Probe(GetParam().model);
    int value = -1;
    EXPECT_EQ(GetParam().item0, ItemLabel(pPara1, PARA1_DROPevalmode, 0, &value));
    EXPECT_EQ(0, value);
    EXPECT_EQ(GetParam().item2, ItemLabel(pPara1, PARA1_DROPevalmode, 2, &value));
    EXPECT_EQ(2, value);
}

INSTANTIATE_TEST_SUITE_P(Families, EvaluationItems,
                         ::testing::Values(EvalCase{"peak", "LEFT-PEAK", "PEAK-TO-PEAK"},
                                           EvalCase{"edge1024", "LEFT-EDGE", "WIDTH"},
                                           EvalCase{"m02", "LEFT-EDGE", "WIDTH"}),
                         [](const ::testing::TestParamInfo<EvalCase>& p) {
                             return std::string(p.param.model);
                         });

// Catches the V303 firmware keeping the single-tolerance layout.
TEST_F(SensorTest, Firmware308ShowsTwoTolerancesAndHidesStandardOption) {
    Probe("edge1024");
    EXPECT_EQ("DIRECT 5V/SET", ItemLabel(pPara1, PARA1_DROPanaMode, 1));
    EXPECT_EQ(0, HostIsVisible(pPara1, PARA1_CTRLstdOption));
    EXPECT_EQ(0, HostIsVisible(pPara1, PARA1_DROPhold));
    EXPECT_EQ(1, HostIsVisible(pPara1, PARA1_NEDITToleranceUP));
    EXPECT_EQ(1, HostIsVisible(pPara1, PARA1_NEDITTolerance));
    EXPECT_EQ("TOLERANCE-LOW", Label(pPara1, PARA1_NEDITTolerance));
    EXPECT_EQ(0, HostIsDimmed(pHandle, MAIN_BTNSend));
    int value = -1;
    EXPECT_EQ("INTERN TRIG", ItemLabel(pPara1, PARA1_DROPtrigmode, 3, &value));
    EXPECT_EQ(3, value);
}

// Catches trigger functions offered on firmware without a trigger buffer:
// item 3 is "NOT-USED" with value 1, threshold and DATA hidden.
TEST_F(SensorTest, FirmwareBelow305WithdrawsTriggerFunctions) {
    Probe("v303");
    int value = -1;
    EXPECT_EQ("NOT-USED", ItemLabel(pPara1, PARA1_DROPtrigmode, 3, &value));
    EXPECT_EQ(1, value);
    EXPECT_EQ(0, HostIsVisible(pPara2, PARA2_NUMTriggThreshold));
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_BTNData));
    EXPECT_EQ("TOLERANCE-LOW", Label(pPara1, PARA1_NEDITTolerance));
}

// Catches the 512-pixel type 37 with old firmware keeping "INTERN TRIG":
// the firmware rule comes last and wins.
TEST_F(SensorTest, Type37On512WithFirmware304EndsWithNotUsed) {
    StartProgram("m02", false);
    SimIdentity id;
    SimGetIdentity(&id);
    id.softversion = 304;
    SimSetIdentity(&id);
    InitRS232(com);
    int value = -1;
    EXPECT_EQ("NOT-USED", ItemLabel(pPara1, PARA1_DROPtrigmode, 3, &value));
    EXPECT_EQ(1, value);
    EXPECT_EQ(0, HostIsVisible(pPara2, PARA2_NUMTriggThreshold));
    EXPECT_EQ(0, HostIsVisible(pHandle, MAIN_BTNData));
    EXPECT_EQ(1, HostIsDimmed(pCalib, CALIB_BINSWopmode));  // amplifier fixed before 306
}

// Catches the 512-pixel internal-trigger models not getting their
// trigger item, threshold field, DATA button and amplifier texts.
TEST_F(SensorTest, Type37On512OffersInternalTrigger) {
    Probe("m02");
    int value = -1;
    EXPECT_EQ("INTERN TRIG", ItemLabel(pPara1, PARA1_DROPtrigmode, 3, &value));
    EXPECT_EQ(3, value);
    EXPECT_EQ(0, HostIsVisible(pPara1, PARA1_DROPhold));
    EXPECT_EQ(1, HostIsVisible(pPara2, PARA2_NUMTriggThreshold));
    EXPECT_EQ(1, HostIsVisible(pHandle, MAIN_BTNData));
    EXPECT_EQ(0, HostIsVisible(pPara1, PARA1_CTRLstdOption));
    EXPECT_EQ(0, HostIsDimmed(pCalib, CALIB_BINSWopmode));
    char text[64] = "";
    HostCtrlText(pCalib, CALIB_BINSWopmode, text, sizeof text);
    EXPECT_STREQ(parameter[30] ? "DIG-COMP" : "ADC-CONV", text);
}

// Catches the Tarvo model showing the hardware mode (it has none) or
// hiding its hold time.
TEST_F(SensorTest, TarvoHidesHardwareModeAndShowsHold) {
    Probe("tarvo");
    EXPECT_EQ(0, HostIsVisible(pPara1, PARA1_DROPhardware));
    EXPECT_EQ(1, HostIsDimmed(pCalib, CALIB_BINSWopmode));
    EXPECT_EQ(1, HostIsVisible(pPara1, PARA1_DROPhold));
    EXPECT_EQ(0, HostIsVisible(pPara1, PARA1_CTRLstdOption));
    EXPECT_EQ(1, HostIsVisible(pPara1, PARA1_NEDITToleranceUP));
    EXPECT_EQ("TOLERANCE-LOW", Label(pPara1, PARA1_NEDITTolerance));
    EXPECT_EQ(0, HostIsDimmed(pHandle, MAIN_BTNSend));
}

// Catches the 256-pixel type 500 keeping controls it does not have.
TEST_F(SensorTest, Type500HidesAmplifierAndHardwareMode) {
    Probe("type500");
    EXPECT_EQ(0, HostIsVisible(pCalib, CALIB_BINSWopmode));
    EXPECT_EQ(0, HostIsVisible(pPara1, PARA1_DROPhardware));
    EXPECT_EQ(0, HostIsVisible(pPara1, PARA1_CTRLstdOption));
    EXPECT_EQ(1, HostIsVisible(pPara1, PARA1_DROPhold));
    EXPECT_EQ(1, HostIsVisible(pPara1, PARA1_NEDITToleranceUP));
    EXPECT_EQ("TOLERANCE-LOW", Label(pPara1, PARA1_NEDITTolerance));
    EXPECT_EQ("DIRECT 5V/SET", ItemLabel(pPara1, PARA1_DROPanaMode, 1));
}

// Catches SEND left possible towards an unidentified sensor, or its panels
// showing the two-tolerance layout.
TEST_F(SensorTest, UnidentifiedSensorDimsSendAndShowsOneTolerance) {
    Probe("unknown");
    EXPECT_EQ(1, HostIsDimmed(pHandle, MAIN_BTNSend));
    EXPECT_EQ("TOLERANCE", Label(pPara1, PARA1_NEDITTolerance));
    EXPECT_EQ(0, HostIsVisible(pPara1, PARA1_NEDITToleranceUP));
    EXPECT_EQ(1, HostIsVisible(pPara1, PARA1_CTRLstdOption));
    EXPECT_EQ(1, HostIsDimmed(pPara1, PARA1_CTRLstdOption));
    EXPECT_EQ(0, HostIsVisible(pPara1, PARA1_DROPhold));
    EXPECT_EQ(0, HostIsVisible(pPara1, PARA1_DROPhardware));
    EXPECT_EQ(kBlank25, ModelLine(1));
}

// Catches relabelled items surviving a change of sensor: after an old
// V303 sensor, a 308 sensor gets its internal trigger item back.
TEST_F(SensorTest, NextSensorStartsFromTheStartUpItems) {
    Probe("v303");
    ASSERT_EQ("NOT-USED", ItemLabel(pPara1, PARA1_DROPtrigmode, 3));
    SimIdentity id;
    ASSERT_EQ(1, SimPreset("edge1024", &id));
    SimSetIdentity(&id);
    ASSERT_EQ(1, GetHARDWAREInfo());
    int value = -1;
    EXPECT_EQ("INTERN TRIG", ItemLabel(pPara1, PARA1_DROPtrigmode, 3, &value));
    EXPECT_EQ(3, value);
}

}  // namespace
