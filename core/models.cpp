// Model table, step table and identity rules of the K-VEX-RZ sensors (see
// models.h). Everything is const data plus small lookups, so identification
// can be tested without a port or a panel.
#include "core/models.h"

#include <cstring>

#include "core/protocol.h"

namespace {

// Description lines shared by several models. Spacing is as the sensors'
// data sheets print it and must stay byte for byte.
const char kPix1024Wide[] = "1024-pixel;  7.8\xB5m pixel-pitch";
const char kPix1024[] = "1024-pixel; 7.8\xB5m pixel-pitch";
const char kPix512[] = "512-pixel;  12.5\xB5m pixel-pitch";
const char kBlank25[] = "                         ";

const ModelRow kModels[] = {
    {kCcdType1024,
     37,
     kFamilyEdge,
     {"K-VEX-RZ-M01", kPix1024Wide, "4096-subpixel;  resolution=1\xB5m",
      "working-range = 37 +/- 2.0mm"}},
    {kCcdType512,
     37,
     kFamilyEdge,
     {"K-VEX-RZ-M02", kPix512, "2048-subpixel;  resolution=2\xB5m",
      "working-range = 55 +/- 2.0mm"}},
    {kCcdType1024,
     55,
     kFamilyEdge,
     {"K-VEX-RZ-M03", kPix1024Wide, "4096-subpixel;  resolution=3\xB5m",
      "working-range = 55mm +/- 5.0mm"}},
    {kCcdType512,
     55,
     kFamilyEdge,
     {"K-VEX-RZ-M04", kPix512, "2048-subpixel;  resolution=5\xB5m",
      "working-range = 55 +/- 5.0mm"}},
    {kCcdType1024,
     80,
     kFamilyEdge,
     {"K-VEX-RZ-M05", kPix1024, "4096-subpixel; resolution=5\xB5m",
      "working-range = 80mm +/- 10mm"}},
    {kCcdType1024,
     110,
     kFamilyEdge,
     {"K-VEX-RZ-M06", kPix1024, "4096-subpixel; resolution=10\xB5m",
      "working-range = 110mm  +/- 20mm"}},
    {kCcdType1024,
     135,
     kFamilyEdge,
     {"K-VEX-RZ-M07", kPix1024, "4096-subpixel; resolution=16\xB5m",
      "working-range = 110mm ... 175mm"}},
    {kCcdType1024,
     160,
     kFamilyEdge,
     {"K-VEX-RZ-M08", kPix1024, "4096-subpixel; resolution=25\xB5m",
      "working-range = 125mm ... 215mm"}},
    {kCcdType1024,
     200,
     kFamilyEdge,
     {"K-VEX-RZ-M09", kPix1024, "4096-subpixel; resolution=25\xB5m",
      "working-range = 160mm ... 255mm"}},
    {kCcdType1024,
     275,
     kFamilyEdge,
     {"K-VEX-RZ-M10", kPix1024, "4096-subpixel; resolution=55\xB5m",
      "working-range = 200mm ... 425mm"}},
    {kCcdType512,
     kHwtypeTarvo,
     kFamilyEdge,
     {"K-VEX-RZ-M11", kPix512, "1024-subpixel;  resolution=+/-0.4mm",
      "working-range = 50mm ... 450mm"}},
    {kCcdType1024,
     450,
     kFamilyEdge,
     {"K-VEX-RZ-M12", kPix1024, "4096-subpixel; resolution=150\xB5m",
      "working-range = 285mm ...715mm"}},
    {kCcdType256,
     kHwtypeType500,
     kFamilyKeep,
     {"K-VEX-RZ-M13", "256-pixel;  63.5\xB5m pixel-pitch", "1024-subpixel; resolution=0.5mm",
      "working-range = 35mm ... 460mm"}},
    {kCcdType1024,
     10037,
     kFamilyPeak,
     {"K-VEX-RZ-M14", kPix1024Wide, "4096-subpixel;  resolution=1\xB5m",
      "working-range = 37 +/- 2.0mm"}},
    {kCcdType1024,
     10055,
     kFamilyPeak,
     {"K-VEX-RZ-M15", kPix1024Wide, "4096-subpixel;  resolution=3\xB5m",
      "working-range = 55mm +/- 5.0mm"}},
    {kCcdType512,
     10055,
     kFamilyPeak,
     {"K-VEX-RZ-M16", kPix512, "2048-subpixel;  resolution=5\xB5m",
      "working-range = 55 +/- 5.0mm"}},
    {kCcdType1024,
     10080,
     kFamilyPeak,
     {"K-VEX-RZ-M17", kPix1024, "4096-subpixel; resolution=5\xB5m",
      "working-range = 80mm +/- 10mm"}},
    {kCcdType1024,
     10110,
     kFamilyPeak,
     {"K-VEX-RZ-M18", kPix1024, "4096-subpixel; resolution=10\xB5m",
      "working-range = 110mm  +/- 20mm"}},
    {kCcdType1024,
     10135,
     kFamilyPeak,
     {"K-VEX-RZ-M19", kPix1024, "4096-subpixel; resolution=16\xB5m",
      "working-range = 110mm ... 175mm"}},
    {kCcdType1024,
     10160,
     kFamilyPeak,
     {"K-VEX-RZ-M20", kPix1024, "4096-subpixel; resolution=25\xB5m",
      "working-range = 125mm ... 215mm"}},
    {kCcdType1024,
     10200,
     kFamilyPeak,
     {"K-VEX-RZ-M21", kPix1024, "4096-subpixel; resolution=25\xB5m",
      "working-range = 160mm ... 255mm"}},
    {kCcdType1024,
     10275,
     kFamilyPeak,
     {"K-VEX-RZ-M22", kPix1024, "4096-subpixel; resolution=55\xB5m",
      "working-range = 200mm ... 425mm"}},
    {kCcdType1024,
     10450,
     kFamilyPeak,
     {"K-VEX-RZ-M23", kPix1024, "4096-subpixel; resolution=150\xB5m",
      "working-range = 285mm ...715mm"}},
};

const ModelRow kUnidentified = {
    0, 0, kFamilyKeep, {"No information avialable!", kBlank25, kBlank25, kBlank25}};

struct StepRow {
    uint16_t virtpixel;
    uint16_t step;
};

const StepRow kSteps[] = {
    {256, 1},  {512, 2},  {768, 3},   {1024, 4},  {1180, 5},  {1280, 5},
    {1536, 6}, {2048, 8}, {2360, 10}, {2560, 10}, {4096, 16}, {8192, 32},
};

// When a family adapts the panels and sets the pixel limits.
enum { kWhenAlways, kWhenFamilyKnown, kWhenModelFound };

struct FamilyRule {
    uint16_t ccdtype;
    uint8_t adaptWhen;
    uint8_t limitsWhen;
};

// The 1024-pixel family adapts only once an edge or peak model has been
// seen (also an earlier one); the 512-pixel family always adapts; the
// 256-pixel family knows type 500 only.
const FamilyRule kFamilies[] = {
    {kCcdType1024, kWhenFamilyKnown, kWhenFamilyKnown},
    {kCcdType512, kWhenAlways, kWhenFamilyKnown},
    {kCcdType256, kWhenModelFound, kWhenModelFound},
};

enum {
    kEchoHardware = 10,
    kAtEcho = 2,
    kAtFirstWord = 4,
};

int Holds(uint8_t when, const ModelRow* model) {
    if (when == kWhenAlways) return 1;
    if (when == kWhenModelFound) return model != nullptr;
    return HWTYPE == kFamilyEdge || HWTYPE == kFamilyPeak;
}

void SetLimits(uint16_t last) {
    pixB = 1;
    pixE = last;
    YAXISMAX = last;
}

}  // namespace

int ModelCount(void) {
    return static_cast<int>(sizeof kModels / sizeof kModels[0]);
}

const ModelRow* ModelAt(int index) {
    if (index < 0 || index >= ModelCount()) return nullptr;
    return &kModels[index];
}

const ModelRow* FindModel(uint16_t type, uint16_t code) {
    for (const ModelRow& row : kModels)
        if (row.ccdtype == type && row.hwtype == code) return &row;
    return nullptr;
}

const ModelRow* UnidentifiedModel(void) {
    return &kUnidentified;
}

uint16_t StepOfVirtPixel(uint16_t virtpixel) {
    for (const StepRow& row : kSteps)
        if (row.virtpixel == virtpixel) return row.step;
    return 0;
}

uint16_t FillXArray(void) {
    uint16_t step = StepOfVirtPixel(ccdvirtpixel);
    if (step == 0) {
        step = kFallbackStep;
        ccdvirtpixel = kFallbackVirtPixel;
    }
    for (int i = 0; i < kLineCount; ++i) xArray[i] = static_cast<double>(i) * step;
    return step;
}

int DecodeHardwareFrame(const char* frame, HardwareInfo* hw) {
    uint16_t* const fields[] = {&hw->ccdtype, &hw->ccdmaxpixel,  &hw->ccdresolution,
                                &hw->pcbtype, &hw->ccdvirtpixel, &hw->ccdsubpixel,
                                &hw->ccdpixB, &hw->ccdpixE,      &hw->softversion,
                                &hw->hwtype,  &hw->adcmax};
    hw->echo = WordAt(frame, kAtEcho);
    int at = kAtFirstWord;
    for (uint16_t* field : fields) {
        *field = WordAt(frame, at);
        at += 2;
    }
    return hw->echo == kEchoHardware;
}

void StoreHardwareInfo(const HardwareInfo* hw) {
    ccdtype = hw->ccdtype;
    ccdmaxpixel = hw->ccdmaxpixel;
    ccdresolution = hw->ccdresolution;
    pcbtype = hw->pcbtype;
    ccdvirtpixel = hw->ccdvirtpixel;
    ccdsubpixel = hw->ccdsubpixel;
    ccdpixB = hw->ccdpixB;
    ccdpixE = hw->ccdpixE;
    softversion = hw->softversion;
    hwtype = hw->hwtype;
    adcmax = hw->adcmax;
}

uint16_t AdcMaxOf(uint16_t reported) {
    return reported == kAdcFullScale1024 ? kAdcFullScale1024 : kAdcFullScaleOther;
}

void IdentifySensor(Identification* out) {
    for (const FamilyRule& family : kFamilies) {
        if (family.ccdtype != ccdtype) continue;
        const ModelRow* model = FindModel(ccdtype, hwtype);
        if (model != nullptr && model->family != kFamilyKeep) HWTYPE = model->family;
        out->model = model;
        out->adaptPanels = Holds(family.adaptWhen, model);
        out->knownFamily = 1;
        if (Holds(family.limitsWhen, model)) SetLimits(ccdvirtpixel);
        ADCMAX = AdcMaxOf(adcmax);
        return;
    }
    out->model = &kUnidentified;
    out->adaptPanels = 1;
    out->knownFamily = 0;
    SetLimits(kUnidentifiedLimit);
    ADCMAX = kUnidentifiedLimit;
}

int DecodeFirmwareText(const char* raw, int count, uint16_t pcbtypeOfSensor, char* out,
                       int outSize) {
    if (outSize < 1) return -1;
    out[0] = '\0';
    if (count != kFirmwareBytes) return -1;
    const int chars = pcbtypeOfSensor == 0 ? kFirmwareWordChars : kFirmwareBytes;
    int n = 0;
    while (n < chars && n < outSize - 1) {
        // One character per word on pcbtype-0 boards: its low byte.
        const char c = pcbtypeOfSensor == 0 ? raw[2 * n + 1] : raw[n];
        if (c == '\0') break;
        out[n++] = c;
    }
    out[n] = '\0';
    return n;
}
