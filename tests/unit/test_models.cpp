// Identification without a port: the model table row by row, the step
// table, decoding the hardware answer, the identity rules per family, and
// the firmware text decoding.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "com232/kvex_link.h"
#include "com232/models.h"

namespace {

struct ModelCase {
    uint16_t ccdtype;
    uint16_t hwtype;
    const char* name;
    uint16_t family;
    const char* line1;
    const char* line2;
    const char* line3;
};

// Every row as the data sheets print it (0xB5 is the micro sign).
const ModelCase kModelCases[] = {
    {1, 37, "K-VEX-RZ-M01", 1, "1024-pixel;  7.8\xB5m pixel-pitch",
     "4096-subpixel;  resolution=1\xB5m", "working-range = 37 +/- 2.0mm"},
    {4, 37, "K-VEX-RZ-M02", 1, "512-pixel;  12.5\xB5m pixel-pitch",
     "2048-subpixel;  resolution=2\xB5m", "working-range = 55 +/- 2.0mm"},
    {1, 55, "K-VEX-RZ-M03", 1, "1024-pixel;  7.8\xB5m pixel-pitch",
     "4096-subpixel;  resolution=3\xB5m", "working-range = 55mm +/- 5.0mm"},
    {4, 55, "K-VEX-RZ-M04", 1, "512-pixel;  12.5\xB5m pixel-pitch",
     "2048-subpixel;  resolution=5\xB5m", "working-range = 55 +/- 5.0mm"},
    {1, 80, "K-VEX-RZ-M05", 1, "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=5\xB5m", "working-range = 80mm +/- 10mm"},
    {1, 110, "K-VEX-RZ-M06", 1, "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=10\xB5m", "working-range = 110mm  +/- 20mm"},
    {1, 135, "K-VEX-RZ-M07", 1, "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=16\xB5m", "working-range = 110mm ... 175mm"},
    {1, 160, "K-VEX-RZ-M08", 1, "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=25\xB5m", "working-range = 125mm ... 215mm"},
    {1, 200, "K-VEX-RZ-M09", 1, "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=25\xB5m", "working-range = 160mm ... 255mm"},
    {1, 275, "K-VEX-RZ-M10", 1, "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=55\xB5m", "working-range = 200mm ... 425mm"},
    {4, 400, "K-VEX-RZ-M11", 1, "512-pixel;  12.5\xB5m pixel-pitch",
     "1024-subpixel;  resolution=+/-0.4mm", "working-range = 50mm ... 450mm"},
    {1, 450, "K-VEX-RZ-M12", 1, "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=150\xB5m", "working-range = 285mm ...715mm"},
    {101, 500, "K-VEX-RZ-M13", 0, "256-pixel;  63.5\xB5m pixel-pitch",
     "1024-subpixel; resolution=0.5mm", "working-range = 35mm ... 460mm"},
    {1, 10037, "K-VEX-RZ-M14", 2, "1024-pixel;  7.8\xB5m pixel-pitch",
     "4096-subpixel;  resolution=1\xB5m", "working-range = 37 +/- 2.0mm"},
    {1, 10055, "K-VEX-RZ-M15", 2, "1024-pixel;  7.8\xB5m pixel-pitch",
     "4096-subpixel;  resolution=3\xB5m", "working-range = 55mm +/- 5.0mm"},
    {4, 10055, "K-VEX-RZ-M16", 2, "512-pixel;  12.5\xB5m pixel-pitch",
     "2048-subpixel;  resolution=5\xB5m", "working-range = 55 +/- 5.0mm"},
    {1, 10080, "K-VEX-RZ-M17", 2, "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=5\xB5m", "working-range = 80mm +/- 10mm"},
    {1, 10110, "K-VEX-RZ-M18", 2, "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=10\xB5m", "working-range = 110mm  +/- 20mm"},
    {1, 10135, "K-VEX-RZ-M19", 2, "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=16\xB5m", "working-range = 110mm ... 175mm"},
    {1, 10160, "K-VEX-RZ-M20", 2, "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=25\xB5m", "working-range = 125mm ... 215mm"},
    {1, 10200, "K-VEX-RZ-M21", 2, "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=25\xB5m", "working-range = 160mm ... 255mm"},
    {1, 10275, "K-VEX-RZ-M22", 2, "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=55\xB5m", "working-range = 200mm ... 425mm"},
    {1, 10450, "K-VEX-RZ-M23", 2, "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=150\xB5m", "working-range = 285mm ...715mm"},
};

class ModelTable : public ::testing::TestWithParam<ModelCase> {};

// Catches a row looked up in the wrong ccdtype group, a changed spacing or
// micro sign, or the wrong HWTYPE family for a code.
TEST_P(ModelTable, RowMatchesDataSheetByteForByte) {
    const ModelCase& c = GetParam();
    const ModelRow* row = FindModel(c.ccdtype, c.hwtype);
    ASSERT_NE(nullptr, row);
    EXPECT_STREQ(c.name, row->line[0]);
    EXPECT_EQ(c.family, row->family);
    EXPECT_STREQ(c.line1, row->line[1]);
    EXPECT_STREQ(c.line2, row->line[2]);
    EXPECT_STREQ(c.line3, row->line[3]);
}

INSTANTIATE_TEST_SUITE_P(EveryRow, ModelTable, ::testing::ValuesIn(kModelCases),
                         [](const ::testing::TestParamInfo<ModelCase>& p) {
                             return std::string(p.param.name).substr(9);  // "M01", ...
                         });

// Catches an extra or missing row (the parametrised test sees only the
// listed ones).
TEST(ModelTableShape, HoldsExactlyTheTwentyThreeModels) {
    EXPECT_EQ(static_cast<int>(sizeof kModelCases / sizeof kModelCases[0]), ModelCount());
    EXPECT_EQ(nullptr, ModelAt(ModelCount()));
    EXPECT_EQ(nullptr, ModelAt(-1));
}

// Catches a lookup by code alone: 37 means M01 with 1024 pixels but M02
// (working range 55, not 37) with 512; 10037 is unknown among 512 pixels.
TEST(ModelTableShape, CodeIsLookedUpWithinItsCcdTypeGroup) {
    EXPECT_STREQ("working-range = 55 +/- 2.0mm", FindModel(4, 37)->line[3]);
    EXPECT_STREQ("working-range = 37 +/- 2.0mm", FindModel(1, 37)->line[3]);
    EXPECT_EQ(nullptr, FindModel(4, 10037));
    EXPECT_EQ(nullptr, FindModel(1, 400));
    EXPECT_EQ(nullptr, FindModel(101, 37));
    EXPECT_EQ(nullptr, FindModel(7, 37));
}

// Catches the micro sign stored as UTF-8 (two bytes) instead of 0xB5.
TEST(ModelTableShape, MicroSignIsTheSingleLatin1Byte) {
    const std::string line = FindModel(1, 37)->line[1];
    EXPECT_EQ(std::string::npos, line.find("\xC2\xB5"));
    EXPECT_EQ(30u, line.size());
}

// Catches a misspelt or trimmed unidentified box: 25 blanks per line.
TEST(ModelTableShape, UnidentifiedBoxHasItsFixedLines) {
    const ModelRow* row = UnidentifiedModel();
    EXPECT_STREQ("No information avialable!", row->line[0]);
    for (int i = 1; i < kModelLines; ++i) EXPECT_EQ(std::string(25, ' '), row->line[i]);
}

struct StepCase {
    uint16_t virtpixel;
    uint16_t step;
};

class StepTable : public ::testing::TestWithParam<StepCase> {};

// Catches a wrong step for a listed subpixel count (xArray would place the
// video points at the wrong pixels).
TEST_P(StepTable, FillsXArrayWithTheStepOfTheCount) {
    ccdvirtpixel = GetParam().virtpixel;
    EXPECT_EQ(GetParam().step, FillXArray());
    EXPECT_EQ(GetParam().virtpixel, ccdvirtpixel);
    for (int i = 0; i < kLineCount; ++i) ASSERT_EQ(i * GetParam().step, xArray[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(EveryRow, StepTable,
                         ::testing::Values(StepCase{256, 1}, StepCase{512, 2}, StepCase{768, 3},
                                           StepCase{1024, 4}, StepCase{1180, 5}, StepCase{1280, 5},
                                           StepCase{1536, 6}, StepCase{2048, 8}, StepCase{2360, 10},
                                           StepCase{2560, 10}, StepCase{4096, 16},
                                           StepCase{8192, 32}),
                         [](const ::testing::TestParamInfo<StepCase>& p) {
                             return "count" + std::to_string(p.param.virtpixel);
                         });

// Catches an unlisted count kept as reported (the step and the pixel
// limits would not match any sensor).
TEST(StepTableEdges, UnlistedCountFallsBackToStep4And1024) {
    for (uint16_t odd : {3000, 0, 1023, 65535}) {
        ccdvirtpixel = odd;
        EXPECT_EQ(4, FillXArray()) << odd;
        EXPECT_EQ(1024, ccdvirtpixel) << odd;
        EXPECT_EQ(1020.0, xArray[255]) << odd;
    }
}

// Builds a hardware answer frame with the given words after the echo.
void HardwareFrame(char* frame, uint16_t echo, const uint16_t words[11]) {
    std::memset(frame, 0x5A, kFrameSize);
    PutWordAt(frame, 0, kSyncReply);
    PutWordAt(frame, 2, echo);
    for (int i = 0; i < 11; ++i) PutWordAt(frame, 4 + 2 * i, words[i]);
}

// Catches swapped bytes or a field decoded from the wrong offset.
TEST(HardwareAnswer, DecodesElevenBigEndianWordsFromByte4) {
    const uint16_t w[11] = {1, 1024, 7, 101, 4096, 16, 3, 4093, 308, 10110, 1024};
    char frame[kFrameSize];
    HardwareFrame(frame, 10, w);
    HardwareInfo hw{};
    EXPECT_EQ(1, DecodeHardwareFrame(frame, &hw));
    EXPECT_EQ(1, hw.ccdtype);
    EXPECT_EQ(1024, hw.ccdmaxpixel);
    EXPECT_EQ(7, hw.ccdresolution);
    EXPECT_EQ(101, hw.pcbtype);
    EXPECT_EQ(4096, hw.ccdvirtpixel);
    EXPECT_EQ(16, hw.ccdsubpixel);
    EXPECT_EQ(3, hw.ccdpixB);
    EXPECT_EQ(4093, hw.ccdpixE);
    EXPECT_EQ(308, hw.softversion);
    EXPECT_EQ(10110, hw.hwtype);
    EXPECT_EQ(1024, hw.adcmax);
}

// Catches an answer accepted whatever its echo (a late reply to another
// command would be taken for the sensor's identity).
TEST(HardwareAnswer, RejectsAnyEchoButTen) {
    const uint16_t w[11] = {};
    char frame[kFrameSize];
    HardwareInfo hw{};
    for (uint16_t echo : {0, 2, 8, 0x0A00, 0xFFFF}) {
        HardwareFrame(frame, echo, w);
        EXPECT_EQ(0, DecodeHardwareFrame(frame, &hw)) << echo;
    }
}

// Sets the stored identity as an answer would.
void Identity(uint16_t type, uint16_t code, uint16_t virtpixel, uint16_t adc) {
    ccdtype = type;
    hwtype = code;
    ccdvirtpixel = virtpixel;
    adcmax = adc;
}

class Identify : public ::testing::Test {
protected:
    void SetUp() override {
        HWTYPE = 0;
        pixB = 7;
        pixE = 7;
        YAXISMAX = 7;
        ADCMAX = 255;
    }
    Identification id{};
};

// Catches ADCMAX copied from the answer: anything but 1024 means 256.
TEST_F(Identify, AdcFullScale4095Gives256) {
    Identity(1, 37, 4096, 4095);
    IdentifySensor(&id);
    EXPECT_EQ(256, ADCMAX);
    EXPECT_EQ(1, HWTYPE);
}

// Catches an unknown code in the 1024 family adapting the panels or
// setting limits although no model was ever recognised.
TEST_F(Identify, UnknownCodeIn1024FamilyWithoutEarlierModelAdaptsNothing) {
    Identity(1, 999, 2048, 1024);
    IdentifySensor(&id);
    EXPECT_EQ(nullptr, id.model);
    EXPECT_EQ(0, HWTYPE);
    EXPECT_EQ(0, id.adaptPanels);
    EXPECT_EQ(1, id.knownFamily);
    EXPECT_EQ(7, pixE);
    EXPECT_EQ(1024, ADCMAX);
}

// Catches HWTYPE reset by type 500 (it keeps the earlier family).
TEST_F(Identify, Type500AfterPeakSensorKeepsHwtype2) {
    HWTYPE = 2;
    Identity(101, 500, 1024, 1024);
    IdentifySensor(&id);
    EXPECT_STREQ("K-VEX-RZ-M13", id.model->line[0]);
    EXPECT_EQ(2, HWTYPE);
    EXPECT_EQ(1, id.adaptPanels);
    EXPECT_EQ(1024, pixE);
}

// Catches the 512 family skipping adaptation for a code not in the table
// (it always adapts; the limits only with a known family).
TEST_F(Identify, UnknownCodeIn512FamilyStillAdapts) {
    Identity(4, 999, 2048, 255);
    IdentifySensor(&id);
    EXPECT_EQ(nullptr, id.model);
    EXPECT_EQ(1, id.adaptPanels);
    EXPECT_EQ(7, pixE);
    EXPECT_EQ(256, ADCMAX);
}

// Catches an overrun of a buffer smaller than the text.
TEST(FirmwareText, NeverWritesPastTheOutputBuffer) {
    char raw[kFirmwareBytes];
    std::memset(raw, 'Q', sizeof raw);
    char out[12];
    out[11] = '#';
    EXPECT_EQ(10, DecodeFirmwareText(raw, kFirmwareBytes, 101, out, 11));
    EXPECT_EQ(std::string(10, 'Q'), std::string(out));
    EXPECT_EQ('#', out[11]);
}

// Catches the text cut at the first zero byte being ignored.
TEST(FirmwareText, StopsAtTheFirstZeroByte) {
    char raw[kFirmwareBytes] = "K-VEX FW 3.08";
    char out[kTextSize + 1];
    EXPECT_EQ(13, DecodeFirmwareText(raw, kFirmwareBytes, 101, out, sizeof out));
    EXPECT_STREQ("K-VEX FW 3.08", out);
}

// Catches a pcbtype-0 answer read as bytes (it would show a zero byte
// first and end empty) instead of one character per word's low byte.
TEST(FirmwareText, PcbType0TakesTheLowByteOfEachWord) {
    char raw[kFirmwareBytes];
    const char text[] = "FIRMWARE-V308-WORD-PER-CHARACTER-OK";  // 35 + 1 more
    for (int i = 0; i < 36; ++i) {
        raw[2 * i] = static_cast<char>(0x01);
        raw[2 * i + 1] = i < 35 ? text[i] : '!';
    }
    char out[kTextSize + 1];
    EXPECT_EQ(36, DecodeFirmwareText(raw, kFirmwareBytes, 0, out, sizeof out));
    EXPECT_EQ(std::string(text) + "!", std::string(out));
}

}  // namespace
