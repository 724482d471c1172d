// Identification without a port: the model table row by row, the step
// table, decoding the hardware answer, the identity rules per family, and
// the firmware text decoding.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/protocol.h"
#include "core/models.h"

namespace {

struct ModelCase {
    uint16_t ccdtype, hwtype, family;
    const char *name, *peak;  // peak: the model of code + 10000, or "" when there is none
    const char *pixels, *subpixels, *range;
};

// Every row as the data sheets print it (0xB5 is the micro sign, never the
// two UTF-8 bytes). A peak model has the lines of its edge model's optics.
const ModelCase kModelCases[] = {
    {1, 37, 1, "M01", "M14", "1024-pixel;  7.8\xB5m pixel-pitch",
     "4096-subpixel;  resolution=1\xB5m", "working-range = 37 +/- 2.0mm"},
    {4, 37, 1, "M02", "", "512-pixel;  12.5\xB5m pixel-pitch", "2048-subpixel;  resolution=2\xB5m",
     "working-range = 55 +/- 2.0mm"},
    {1, 55, 1, "M03", "M15", "1024-pixel;  7.8\xB5m pixel-pitch",
     "4096-subpixel;  resolution=3\xB5m", "working-range = 55mm +/- 5.0mm"},
    {4, 55, 1, "M04", "M16", "512-pixel;  12.5\xB5m pixel-pitch",
     "2048-subpixel;  resolution=5\xB5m", "working-range = 55 +/- 5.0mm"},
    {1, 80, 1, "M05", "M17", "1024-pixel; 7.8\xB5m pixel-pitch", "4096-subpixel; resolution=5\xB5m",
     "working-range = 80mm +/- 10mm"},
    {1, 110, 1, "M06", "M18", "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=10\xB5m", "working-range = 110mm  +/- 20mm"},
    {1, 135, 1, "M07", "M19", "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=16\xB5m", "working-range = 110mm ... 175mm"},
    {1, 160, 1, "M08", "M20", "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=25\xB5m", "working-range = 125mm ... 215mm"},
    {1, 200, 1, "M09", "M21", "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=25\xB5m", "working-range = 160mm ... 255mm"},
    {1, 275, 1, "M10", "M22", "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=55\xB5m", "working-range = 200mm ... 425mm"},
    {4, 400, 1, "M11", "", "512-pixel;  12.5\xB5m pixel-pitch",
     "1024-subpixel;  resolution=+/-0.4mm", "working-range = 50mm ... 450mm"},
    {1, 450, 1, "M12", "M23", "1024-pixel; 7.8\xB5m pixel-pitch",
     "4096-subpixel; resolution=150\xB5m", "working-range = 285mm ...715mm"},
    {101, 500, 0, "M13", "", "256-pixel;  63.5\xB5m pixel-pitch", "1024-subpixel; resolution=0.5mm",
     "working-range = 35mm ... 460mm"},
};

void ExpectRow(const ModelCase& c, uint16_t code, uint16_t family, const char* name) {
    const ModelRow* row = FindModel(c.ccdtype, code);
    ASSERT_NE(nullptr, row) << code;
    EXPECT_EQ(family, row->family);
    EXPECT_EQ(
        (std::vector<std::string>{std::string("K-VEX-RZ-") + name, c.pixels, c.subpixels, c.range}),
        std::vector<std::string>(row->line, row->line + kModelLines));
}

// Catches a row looked up in the wrong ccdtype group, a changed spacing or
// micro sign, the wrong HWTYPE family for a code, or a peak model missing
// or invented; an extra row, and a lookup by code alone: 37 is M01/M02 by
// pixel count, but 400 among 1024 pixels or 37 among 256 is no model at all.
TEST(ModelTable, RowsMatchDataSheetByteForByteAndNoOthers) {
    int models = 0;
    for (const ModelCase& c : kModelCases) {
        SCOPED_TRACE(c.name);
        models += *c.peak ? 2 : 1;
        ExpectRow(c, c.hwtype, c.family, c.name);
        const uint16_t peakCode = static_cast<uint16_t>(c.hwtype + 10000);
        if (*c.peak)
            ExpectRow(c, peakCode, 2, c.peak);
        else
            EXPECT_EQ(nullptr, FindModel(c.ccdtype, peakCode));
    }
    EXPECT_EQ(models, ModelCount());
    EXPECT_EQ(nullptr, ModelAt(ModelCount()));
    EXPECT_EQ(nullptr, ModelAt(-1));
    EXPECT_EQ(nullptr, FindModel(1, 400));
    EXPECT_EQ(nullptr, FindModel(101, 37));
    EXPECT_EQ(nullptr, FindModel(7, 37));
}

// Catches a wrong step for a listed subpixel count (xArray would place the
// video points at the wrong pixels), and an unlisted count kept as reported
// (the step and the pixel limits would not match any sensor).
TEST(StepTable, FillsXArrayWithTheStepOfTheCountOr4And1024) {
    const struct {
        uint16_t virtpixel, step, kept;
    } kCases[] = {{256, 1, 256},    {512, 2, 512},    {768, 3, 768},    {1024, 4, 1024},
                  {1180, 5, 1180},  {1280, 5, 1280},  {1536, 6, 1536},  {2048, 8, 2048},
                  {2360, 10, 2360}, {2560, 10, 2560}, {4096, 16, 4096}, {8192, 32, 8192},
                  {3000, 4, 1024},  {0, 4, 1024},     {1023, 4, 1024},  {65535, 4, 1024}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.virtpixel);
        ccdvirtpixel = c.virtpixel;
        EXPECT_EQ(c.step, FillXArray());
        EXPECT_EQ(c.kept, ccdvirtpixel);
        for (int i = 0; i < kLineCount; ++i) ASSERT_EQ(i * c.step, xArray[i]) << i;
    }
}

// Catches swapped bytes or a field decoded from the wrong offset, and an
// answer accepted whatever its echo (a late reply to another command would
// be taken for the sensor's identity).
TEST(HardwareAnswer, DecodesElevenBigEndianWordsFromByte4OnlyWithEcho10) {
    const uint16_t w[11] = {1, 1024, 7, 101, 4096, 16, 3, 4093, 308, 10110, 1024};
    char frame[kFrameSize];
    std::memset(frame, 0x5A, kFrameSize);
    PutWordAt(frame, 0, kSyncReply);
    PutWordAt(frame, 2, 10);
    for (int i = 0; i < 11; ++i) PutWordAt(frame, 4 + 2 * i, w[i]);
    HardwareInfo hw{};
    EXPECT_EQ(1, DecodeHardwareFrame(frame, &hw));
    EXPECT_EQ(std::vector<uint16_t>(w, w + 11),
              (std::vector<uint16_t>{hw.ccdtype, hw.ccdmaxpixel, hw.ccdresolution, hw.pcbtype,
                                     hw.ccdvirtpixel, hw.ccdsubpixel, hw.ccdpixB, hw.ccdpixE,
                                     hw.softversion, hw.hwtype, hw.adcmax}));
    for (uint16_t echo : {0, 2, 8, 0x0A00, 0xFFFF}) {
        PutWordAt(frame, 2, echo);
        EXPECT_EQ(0, DecodeHardwareFrame(frame, &hw)) << echo;
    }
}

struct IdentityCase {
    const char* name;
    uint16_t hwBefore, type, code, virtpixel, adc;
    const char* model;  // nullptr: the model box stays as it is
    uint16_t hwAfter;
    int adapt, known;
    uint16_t pixE, ADCMAX;
};

// Catches ADCMAX copied from the answer (anything but 1024 means 256), an
// unknown 1024-family code adapting the panels or setting limits before any
// model was recognised, the 512 family not always adapting, type 500
// resetting HWTYPE, and an unknown ccdtype allowing SEND.
TEST(IdentityRules, SetHwtypeLimitsAndWhatToAdapt) {
    const IdentityCase kCases[] = {
        {"AdcFullScale4095Gives256", 0, 1, 37, 4096, 4095, "K-VEX-RZ-M01", 1, 1, 1, 4096, 256},
        {"UnknownCodeIn1024FamilyAdaptsNothing", 0, 1, 999, 2048, 1024, nullptr, 0, 0, 1, 7, 1024},
        {"Type500AfterPeakKeepsHwtype2", 2, 101, 500, 1024, 1024, "K-VEX-RZ-M13", 2, 1, 1, 1024,
         1024},
        {"UnknownCodeIn512FamilyStillAdapts", 0, 4, 999, 2048, 255, nullptr, 0, 1, 1, 7, 256},
        {"UnknownCcdTypeIsUnidentified", 1, 7, 37, 2048, 1024, "No information avialable!", 1, 1, 0,
         1024, 1024}};
    for (const IdentityCase& c : kCases) {
        SCOPED_TRACE(c.name);
        HWTYPE = c.hwBefore;
        pixB = pixE = YAXISMAX = 7;
        ADCMAX = 255;
        ccdtype = c.type;
        hwtype = c.code;
        ccdvirtpixel = c.virtpixel;
        adcmax = c.adc;
        Identification id{};
        IdentifySensor(&id);
        EXPECT_STREQ(c.model, id.model ? id.model->line[0] : nullptr);
        EXPECT_EQ((std::vector<int>{c.hwAfter, c.adapt, c.known, c.pixE, c.ADCMAX}),
                  (std::vector<int>{HWTYPE, id.adaptPanels, id.knownFamily, pixE, ADCMAX}));
    }
}

// Catches an overrun of a buffer smaller than the text, the text cut at the
// first zero byte being ignored, and a pcbtype-0 answer read as bytes (it
// would show a zero byte first and end empty) instead of one character per
// word's low byte.
TEST(FirmwareText, StopsAtBufferEndOrZeroByteAndPcbType0TakesLowBytes) {
    char raw[kFirmwareBytes];
    std::memset(raw, 'Q', sizeof raw);
    char out[kTextSize + 1];
    out[11] = '#';
    EXPECT_EQ(10, DecodeFirmwareText(raw, kFirmwareBytes, 101, out, 11));
    EXPECT_EQ(std::string(10, 'Q'), std::string(out));
    EXPECT_EQ('#', out[11]);
    std::strcpy(raw, "K-VEX FW 3.08");
    EXPECT_EQ(13, DecodeFirmwareText(raw, kFirmwareBytes, 101, out, sizeof out));
    EXPECT_STREQ("K-VEX FW 3.08", out);
    const char text[] = "FIRMWARE-V308-WORD-PER-CHARACTER-OK";  // 35 + 1 more
    for (int i = 0; i < 36; ++i) {
        raw[2 * i] = static_cast<char>(0x01);
        raw[2 * i + 1] = i < 35 ? text[i] : '!';
    }
    EXPECT_EQ(36, DecodeFirmwareText(raw, kFirmwareBytes, 0, out, sizeof out));
    EXPECT_EQ(std::string(text) + "!", std::string(out));
}

}  // namespace
