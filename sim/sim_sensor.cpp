// Simulated sensor, model level: identity presets, the two parameter
// memories, the synthetic scene and its video profile, the measurement
// record, the trigger buffer and the X-FLASH (see sim_sensor.h).
#include "sim/sim_sensor.h"

#include <cmath>
#include <cstring>

// ----------------------------------------------------------------- presets --

struct SimPresetEntry {
    const char* name;
    SimIdentity id;
};

// Fields: ccdtype, ccdmaxpixel, ccdresolution, pcbtype, ccdvirtpixel,
// ccdsubpixel, ccdpixB, ccdpixE, softversion, hwtype, adcmax, firmware text.
// "m02" carries exactly 72 characters and no terminating zero on the wire,
// so a reader that expects one is caught.
static const SimPresetEntry kSimPresets[] = {
    {"edge1024",
     {1, 1024, 1, 101, 4096, 4096, 1, 4096, 308, 37, 1024, "K-VEX-RZ firmware V3.08 (sim)"}},
    {"standard",
     {1, 1024, 1, 101, 4096, 4096, 1, 4096, 302, 37, 1024, "K-VEX-RZ firmware V3.02 (sim)"}},
    {"v303",
     {1, 1024, 3, 101, 4096, 4096, 1, 4096, 303, 55, 1024, "K-VEX-RZ firmware V3.03 (sim)"}},
    {"tarvo",
     {4, 512, 400, 101, 1024, 1024, 1, 1024, 306, 400, 1024, "K-VEX-RZ-M11 firmware V3.06 (sim)"}},
    {"type500",
     {101, 256, 500, 101, 1024, 1024, 1, 1024, 306, 500, 1024,
      "K-VEX-RZ-M13 firmware V3.06 (sim)"}},
    {"peak",
     {1, 1024, 10, 101, 4096, 4096, 1, 4096, 308, 10110, 1024,
      "K-VEX-RZ-M18 peak firmware V3.08 (sim)"}},
    {"m02",
     {4, 512, 2, 101, 2048, 2048, 1, 2048, 306, 37, 255,
      "K-VEX-RZ-M02 firmware V3.06 (sim) 512 pixel 2048 subpixel ADC 8 bit 0042"}},
    {"unknown", {7, 1024, 0, 101, 1024, 1024, 1, 1024, 300, 0, 1024, "K-VEX firmware V3.00 (sim)"}},
    {"pcb0", {1, 1024, 1, 0, 4096, 4096, 1, 4096, 308, 37, 1024, "K-VEX-RZ V3.08 sim pcb0"}},
};
static_assert(sizeof("K-VEX-RZ-M02 firmware V3.06 (sim) 512 pixel 2048 subpixel ADC 8 bit 0042") ==
                  kSimVersionBytes + 1,
              "the m02 firmware text must fill all 72 bytes");
static const int kSimPresetCount = static_cast<int>(sizeof(kSimPresets) / sizeof(kSimPresets[0]));
static const char kSimDefaultModel[] = "edge1024";

int SimPreset(const char* model, SimIdentity* id) {
    if (model == nullptr || model[0] == '\0') model = kSimDefaultModel;
    for (int i = 0; i < kSimPresetCount; i++) {
        if (strcmp(kSimPresets[i].name, model) == 0) {
            *id = kSimPresets[i].id;
            return 1;
        }
    }
    return 0;
}

const char* SimPresetNames(void) {
    return "edge1024 standard v303 tarvo type500 peak m02 unknown pcb0";
}

// ------------------------------------------------------- parameter record --

// Half-0 layouts and the words the sensor itself evaluates in each.
struct SimLayout {
    uint16_t first;      // first of the 15 words of half 0
    uint16_t power;      // light-source power 0..1000
    uint16_t evalMode;   // 0 left edge, 1 right edge, 2 width
    uint16_t evalBegin;  // evaluation window, virtual pixels
    uint16_t evalEnd;
    uint16_t teach;       // set point
    uint16_t tolerance;   // the tolerance reported in the measurement record
    uint16_t threshold;   // video threshold, percent of full scale
    uint32_t slopeScale;  // calibration slope units per micrometre per pixel
};
static const int kSimLayoutStandard = 0;
static const int kSimLayoutV303 = 1;
static const int kSimLayoutTarvo = 2;
static const SimLayout kSimLayouts[] = {
    {3, 3, 6, 7, 8, 9, 10, 17, 16384},
    {18, 18, 21, 22, 23, 24, 26, 32, 1024},
    {33, 33, 36, 37, 38, 39, 41, 46, 1024},
};
static const uint16_t kSimHwtypeTarvo = 400;
static const uint16_t kSimFirstV303Firmware = 303;
static const uint16_t kSimPeakHwtypeBase = 10000;

static const uint8_t kSimHalf1Words[kSimPayloadWords] = {48, 49, 50, 51, 52, 53, 54, 55,
                                                         56, 57, 58, 60, 61, 62, 63};
static const uint16_t kSimSlopeLowWord = 60;
static const uint16_t kSimSlopeHighWord = 61;

// The program's own start-up record; evaluation end and teach value are
// then fitted to the sensor's geometry.
static const uint16_t kSimDefaultRecord[kSimRecordWords] = {
    0x0055, 1, 0,  // sync, command, second word of the request being built
    500,    1, 1,     1, 1, 1024, 512, 100, 1,   0, 0, 0, 0,    1,  40,  // standard 3..17
    500,    1, 1,     1, 1, 1024, 512, 100, 100, 1, 0, 0, 0,    1,  40,  // V303 18..32
    500,    1, 1,     1, 1, 1024, 512, 100, 100, 1, 0, 0, 1000, 40, 0,   // Tarvo 33..47
    256,    0, 0,     0, 0, 0,    0,   0,   0,   0, 0,                   // 48..58
    0,                                                                   // 59
    16384,  0, 30000, 0,                                                 // slope, offset
};

// ------------------------------------------------------------------ state --

struct SimScene {
    double left, right;  // edges in virtual pixels
    int motion;
    double since;  // time origin of the motion
};

static SimIdentity g_id;
static uint16_t g_mem[kSimMemories][kSimRecordWords];
static SimScene g_scene;
static uint16_t g_anaMax, g_anaMin;
static uint16_t g_trigger[kSimVideoPoints];  // ring of the last measured values
static int g_triggerNext;
static uint16_t g_profile[kSimVideoPoints];  // video profile of the last scan
static int g_haveProfile;
static double g_now;  // time of the request being answered
static uint16_t g_frameCounter;
static uint16_t g_queue[kSimMeasureQueue][kSimMeasureWords];
static int g_queueHead, g_queueCount;
static uint16_t g_xflash[kSimXFlashWords];

static uint16_t VirtPixels(void) {
    return g_id.ccdvirtpixel ? g_id.ccdvirtpixel : 1;
}

int SimSensorLayout(void) {
    if (g_id.hwtype == kSimHwtypeTarvo) return kSimLayoutTarvo;
    if (g_id.softversion < kSimFirstV303Firmware) return kSimLayoutStandard;
    return kSimLayoutV303;
}

static const SimLayout* Layout(void) {
    return &kSimLayouts[SimSensorLayout()];
}

static int IsPeakModel(void) {
    return g_id.hwtype > kSimPeakHwtypeBase;
}

// Word index of entry i of a half.
static uint16_t HalfWord(uint16_t half, int i) {
    if (half == 0) return static_cast<uint16_t>(Layout()->first + i);
    return kSimHalf1Words[i];
}

static void ResetMaxMin(void) {
    g_anaMax = 0;
    g_anaMin = static_cast<uint16_t>(VirtPixels() - 1);
}

static void DefaultScene(double now) {
    double v = VirtPixels();
    g_scene.left = v / 4.0;
    g_scene.right = v / 2.0 + v / 128.0;
    g_scene.motion = 1;
    g_scene.since = now;
}

static void DefaultMemories(void) {
    static const uint16_t kEvalEndWords[] = {8, 23, 38};
    static const uint16_t kTeachWords[] = {9, 24, 39};
    for (int m = 0; m < kSimMemories; m++) {
        memcpy(g_mem[m], kSimDefaultRecord, sizeof(kSimDefaultRecord));
        for (uint16_t w : kEvalEndWords) g_mem[m][w] = g_id.ccdvirtpixel;
        for (uint16_t w : kTeachWords) g_mem[m][w] = static_cast<uint16_t>(g_id.ccdvirtpixel / 2);
    }
}

int SimSensorReset(const char* model, double now) {
    SimIdentity id;
    if (!SimPreset(model, &id)) return 0;
    g_id = id;
    DefaultMemories();
    DefaultScene(now);
    ResetMaxMin();
    memset(g_trigger, 0, sizeof(g_trigger));
    g_triggerNext = 0;
    memset(g_profile, 0, sizeof(g_profile));
    g_haveProfile = 0;
    g_frameCounter = 0;
    g_queueHead = g_queueCount = 0;
    for (int i = 0; i < kSimXFlashWords; i++) g_xflash[i] = kSimXFlashErased;
    return 1;
}

uint16_t SimSensorGetWord(int mem, int word) {
    if (mem < 0 || mem >= kSimMemories || word < 0 || word >= kSimRecordWords) return 0;
    return g_mem[mem][word];
}

void SimSensorSetWord(int mem, int word, uint16_t value) {
    if (mem < 0 || mem >= kSimMemories || word < 0 || word >= kSimRecordWords) return;
    g_mem[mem][word] = value;
}

void SimSensorSetIdentity(const SimIdentity* id) {
    g_id = *id;
    g_id.firmware[sizeof(g_id.firmware) - 1] = '\0';
}

void SimSensorGetIdentity(SimIdentity* id) {
    *id = g_id;
}

void SimSensorSetScene(uint16_t leftEdge, uint16_t rightEdge, int motion, double now) {
    if (leftEdge > rightEdge) {
        uint16_t t = leftEdge;
        leftEdge = rightEdge;
        rightEdge = t;
    }
    g_scene.left = leftEdge;
    g_scene.right = rightEdge;
    g_scene.motion = motion;
    g_scene.since = now;
}

int SimSensorQueueMeasurement(const uint16_t words[kSimMeasureWords]) {
    if (g_queueCount >= kSimMeasureQueue) return 0;
    int slot = (g_queueHead + g_queueCount) % kSimMeasureQueue;
    memcpy(g_queue[slot], words, sizeof(g_queue[slot]));
    g_queueCount++;
    return 1;
}

uint16_t SimSensorGetXFlash(int index) {
    if (index < 0 || index >= kSimXFlashWords) return 0;
    return g_xflash[index];
}

// ------------------------------------------------------ scene and profile --

static const double kSimPi = 3.14159265358979323846;
static const double kSimMotionPeriod = 9.0;  // seconds for the object to sway back and forth
static const double kSimBreathPeriod = 5.5;  // seconds for its width to change and back
static const double kSimLitLow = 0.30;       // lit level at power 0, share of full scale
static const double kSimLitPerPower = 0.60;  // more light at full power
static const double kSimDark = 0.05;         // shadow level
static const double kSimVignette = 0.20;     // light falls off towards the line's ends
static const double kSimRipple = 0.01;       // fixed-pattern ripple of the pixels
static const uint16_t kSimMaxPower = 1000;
static const uint16_t kSimMaxPercent = 100;

static double Clamp(double v, double lo, double hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

static void ScenePositions(double now, double* left, double* right) {
    double l = g_scene.left, r = g_scene.right;
    if (g_scene.motion) {
        double v = VirtPixels();
        double t = now - g_scene.since;
        double sway = v / 32.0 * sin(2.0 * kSimPi * t / kSimMotionPeriod);
        double breath = v / 128.0 * sin(2.0 * kSimPi * t / kSimBreathPeriod);
        l += sway - breath;
        r += sway + breath;
    }
    *left = l;
    *right = r;
}

// Virtual-pixel position of profile point i.
static double PointX(int i) {
    return static_cast<double>(i) * VirtPixels() / kSimVideoPoints;
}

static void BuildProfile(double left, double right, uint16_t out[kSimVideoPoints]) {
    const SimLayout* lay = Layout();
    double full = g_id.adcmax;
    double v = VirtPixels();
    uint16_t power = g_mem[kSimMemRam][lay->power];
    if (power > kSimMaxPower) power = kSimMaxPower;
    double lit = full * (kSimLitLow + kSimLitPerPower * power / kSimMaxPower);
    double dark = full * kSimDark;
    double ramp = v / 64.0;
    if (ramp < 1.0) ramp = 1.0;
    int peak = IsPeakModel();
    for (int i = 0; i < kSimVideoPoints; i++) {
        double x = PointX(i);
        double u = (x - v / 2.0) / (v / 2.0);
        double bright = lit * (1.0 - kSimVignette * u * u);
        double level;
        if (peak) {
            // Two narrow reflections on a dark line.
            double s = Clamp(1.0 - fabs(x - left) / ramp, 0.0, 1.0);
            double s2 = Clamp(1.0 - fabs(x - right) / ramp, 0.0, 1.0);
            if (s2 > s) s = s2;
            level = dark + (bright - dark) * s;
        } else {
            // The object's shadow on a lit line, with soft edges.
            double sl = Clamp((x - left + ramp / 2.0) / ramp, 0.0, 1.0);
            double sr = Clamp((right + ramp / 2.0 - x) / ramp, 0.0, 1.0);
            double s = sl < sr ? sl : sr;
            level = bright - (bright - dark) * s;
        }
        level += full * kSimRipple * (((i * 37) % 11) - 5) / 5.0;
        out[i] = static_cast<uint16_t>(lround(Clamp(level, 0.0, full)));
    }
}

// --------------------------------------------------------- measurement --

// The evaluation window of the RAM settings, kept inside the line.
static void Window(uint16_t* begin, uint16_t* end) {
    const SimLayout* lay = Layout();
    uint16_t v = VirtPixels();
    *begin = g_mem[kSimMemRam][lay->evalBegin];
    *end = g_mem[kSimMemRam][lay->evalEnd];
    if (*begin < 1) *begin = 1;
    if (*begin > v) *begin = v;
    if (*end > v) *end = v;
    if (*end < *begin) *end = *begin;
}

struct SimCrossing {
    double x;
    int rising;
};
static const int kSimMaxCrossings = 16;

// Threshold crossings of the profile inside the evaluation window, each
// placed by linear interpolation between two profile points.
static int FindCrossings(const uint16_t profile[kSimVideoPoints],
                         SimCrossing out[kSimMaxCrossings]) {
    const SimLayout* lay = Layout();
    uint16_t percent = g_mem[kSimMemRam][lay->threshold];
    if (percent > kSimMaxPercent) percent = kSimMaxPercent;
    double threshold = static_cast<double>(g_id.adcmax) * percent / kSimMaxPercent;
    uint16_t begin, end;
    Window(&begin, &end);
    int n = 0;
    for (int i = 1; i < kSimVideoPoints && n < kSimMaxCrossings; i++) {
        double x0 = PointX(i - 1), x1 = PointX(i);
        if (x0 < begin || x1 > end) continue;
        double a = profile[i - 1], b = profile[i];
        int falling = (a >= threshold && b < threshold);
        int rising = (a < threshold && b >= threshold);
        if (!falling && !rising) continue;
        out[n].x = x0 + (threshold - a) / (b - a) * (x1 - x0);
        out[n].rising = rising;
        n++;
    }
    return n;
}

static uint16_t Position(double x) {
    double v = VirtPixels();
    return static_cast<uint16_t>(lround(Clamp(x, 1.0, v)));
}

struct SimEdges {
    uint16_t left, right, count, start, end;
};

// Edge model: a falling crossing opens the shadow, the next rising one
// closes it. One edge alone goes into left, and start/end tell on which
// side the shadow lies (start < end: towards the window's end).
static void EdgesOfShadow(const SimCrossing* c, int n, uint16_t begin, uint16_t end, SimEdges* e) {
    if (n == 0) return;
    e->left = Position(c[0].x);
    e->count = 1;
    if (c[0].rising) {
        e->start = e->left;
        e->end = begin;
        return;
    }
    for (int i = 1; i < n; i++) {
        if (c[i].rising) {
            e->right = Position(c[i].x);
            e->count = 2;
            e->start = e->left;
            e->end = e->right;
            return;
        }
    }
    e->start = e->left;
    e->end = end;
}

// Peak model: a rising crossing and the falling one after it bound a peak,
// found at their middle; the first two peaks are reported.
static void EdgesOfPeaks(const SimCrossing* c, int n, SimEdges* e) {
    uint16_t found[2];
    int peaks = 0;
    for (int i = 0; i + 1 < n && peaks < 2; i++) {
        if (c[i].rising && !c[i + 1].rising) {
            found[peaks++] = Position((c[i].x + c[i + 1].x) / 2.0);
            i++;
        }
    }
    e->count = static_cast<uint16_t>(peaks);
    if (peaks >= 1) e->left = e->start = e->end = found[0];
    if (peaks == 2) e->right = e->end = found[1];
}

enum { kSimMeasureLeft, kSimMeasureRight, kSimMeasureWidth };
struct SimEvalMode {
    uint16_t mode;
    int measure;
};
static const SimEvalMode kSimEvalModes[] = {
    {0, kSimMeasureLeft},
    {1, kSimMeasureRight},
    {2, kSimMeasureWidth},
};

static uint16_t MeasuredValue(uint16_t mode, const SimEdges* e) {
    int measure = kSimMeasureWidth;  // any other mode measures the width
    for (const SimEvalMode& m : kSimEvalModes)
        if (m.mode == mode) measure = m.measure;
    if (e->count == 0) return 0;
    if (e->count == 1) return measure == kSimMeasureWidth ? 0 : e->left;
    if (measure == kSimMeasureLeft) return e->left;
    if (measure == kSimMeasureRight) return e->right;
    return static_cast<uint16_t>(e->right - e->left);
}

static uint32_t Micrometres(uint16_t value) {
    const SimLayout* lay = Layout();
    uint32_t slope = static_cast<uint32_t>(g_mem[kSimMemRam][kSimSlopeLowWord]) |
                     (static_cast<uint32_t>(g_mem[kSimMemRam][kSimSlopeHighWord]) << 16);
    uint64_t um = static_cast<uint64_t>(value) * slope / lay->slopeScale;
    return um > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(um);
}

// One scan of the scene at time now with the RAM settings. With record set
// it is a real measurement: it becomes the last profile, feeds max/min and
// the trigger buffer and counts; otherwise (teach) it only looks.
static void Measure(double now, int record, uint16_t words[kSimMeasureWords]) {
    const SimLayout* lay = Layout();
    double left, right;
    ScenePositions(now, &left, &right);
    uint16_t profile[kSimVideoPoints];
    BuildProfile(left, right, profile);
    SimCrossing crossings[kSimMaxCrossings];
    int n = FindCrossings(profile, crossings);
    uint16_t begin, end;
    Window(&begin, &end);
    SimEdges e = {0, 0, 0, 0, 0};
    if (IsPeakModel())
        EdgesOfPeaks(crossings, n, &e);
    else
        EdgesOfShadow(crossings, n, begin, end, &e);
    uint16_t value = MeasuredValue(g_mem[kSimMemRam][lay->evalMode], &e);
    uint16_t videoMax = 0;
    for (uint16_t p : profile)
        if (p > videoMax) videoMax = p;
    if (record) {
        memcpy(g_profile, profile, sizeof(g_profile));
        g_haveProfile = 1;
        if (value > 0) {  // a scan without a valid value leaves max/min alone
            if (value > g_anaMax) g_anaMax = value;
            if (value < g_anaMin) g_anaMin = value;
        }
        g_trigger[g_triggerNext] = value;
        g_triggerNext = (g_triggerNext + 1) % kSimVideoPoints;
        g_frameCounter++;
    }
    uint32_t um = Micrometres(value);
    uint16_t power = g_mem[kSimMemRam][lay->power];
    words[0] = e.left;
    words[1] = e.right;
    words[2] = value;
    words[3] = static_cast<uint16_t>(um & 0xFFFF);
    words[4] = static_cast<uint16_t>(um >> 16);
    words[5] = g_mem[kSimMemRam][lay->teach];
    words[6] = g_mem[kSimMemRam][lay->tolerance];
    words[7] = e.count;
    words[8] = e.start;
    words[9] = e.end;
    words[10] = power > kSimMaxPower ? kSimMaxPower : power;
    words[11] = g_anaMax;
    words[12] = g_anaMin;
    words[13] = 0;  // IN0 open
    words[14] = videoMax;
    words[15] = g_frameCounter;
}

// ---------------------------------------------------------------- answers --

static void AnswerFrame(uint16_t type, uint16_t second, const uint16_t words[kSimPayloadWords],
                        SimAnswer* a) {
    SimBuildReply(type, second, words, a->bytes);
    a->count = kSimFrameBytes;
    a->kind = kSimAnswerFrame;
}

static int HalfOf(const uint8_t* request) {
    return SimGetBE(request + kSimSecondOffset) != 0;
}

static void HandleWrite(const uint8_t* request, int mem, SimAnswer*) {
    uint16_t half = static_cast<uint16_t>(HalfOf(request));
    for (int i = 0; i < kSimPayloadWords; i++)
        g_mem[mem][HalfWord(half, i)] = SimGetBE(request + kSimPayloadOffset + 2 * i);
}

static void HandleRead(const uint8_t* request, int mem, SimAnswer* a) {
    uint16_t half = static_cast<uint16_t>(HalfOf(request));
    uint16_t words[kSimPayloadWords];
    for (int i = 0; i < kSimPayloadWords; i++) words[i] = g_mem[mem][HalfWord(half, i)];
    AnswerFrame(SimGetBE(request + kSimCommandOffset), SimGetBE(request + kSimSecondOffset), words,
                a);
}

static void HandleEcho(const uint8_t* request, int, SimAnswer* a) {
    memcpy(a->bytes, request, kSimFrameBytes);
    a->bytes[0] = kSimReplySync0;
    a->bytes[1] = kSimReplySync1;
    a->count = kSimFrameBytes;
    a->kind = kSimAnswerFrame;
}

static void HandleTeach(const uint8_t* request, int, SimAnswer* a) {
    uint16_t m[kSimMeasureWords];
    Measure(g_now, 0, m);
    g_mem[kSimMemRam][Layout()->teach] = m[2];
    uint16_t words[kSimPayloadWords];
    for (int i = 0; i < kSimPayloadWords; i++) words[i] = g_mem[kSimMemRam][HalfWord(0, i)];
    AnswerFrame(kSimCmdTeach, SimGetBE(request + kSimSecondOffset), words, a);
}

static void HandleVersion(const uint8_t*, int, SimAnswer* a) {
    memset(a->bytes, 0, kSimVersionBytes);
    size_t len = strnlen(g_id.firmware, kSimVersionBytes);
    if (g_id.pcbtype == 0) {
        // One character per big-endian word, in the low byte.
        if (len > kSimVersionBytes / 2) len = kSimVersionBytes / 2;
        for (size_t i = 0; i < len; i++)
            a->bytes[2 * i + 1] = static_cast<uint8_t>(g_id.firmware[i]);
    } else {
        memcpy(a->bytes, g_id.firmware, len);
    }
    a->count = kSimVersionBytes;
    a->kind = kSimAnswerRaw;
}

static void HandleMeasure(const uint8_t*, int, SimAnswer* a) {
    uint16_t words[kSimMeasureWords];
    if (g_queueCount > 0) {
        memcpy(words, g_queue[g_queueHead], sizeof(words));
        g_queueHead = (g_queueHead + 1) % kSimMeasureQueue;
        g_queueCount--;
    } else {
        Measure(g_now, 1, words);
    }
    SimBuildMeasureReply(kSimCmdMeasure, words, a->bytes);
    a->count = kSimFrameBytes;
    a->kind = kSimAnswerMeasure;
}

static const uint16_t kSimKindVideo = 0;
static const uint16_t kSimKindTrigger = 1;
static const uint16_t kSimLastBlockStart = kSimVideoPoints - kSimBlockWords;

// A block that would reach past the buffer, or of an unknown kind, is not
// answered: the reader's time-out reports it.
static void HandleData(const uint8_t* request, int, SimAnswer* a) {
    uint16_t start = SimGetBE(request + kSimSecondOffset);
    uint16_t kind = SimGetBE(request + kSimPayloadOffset);
    if (start > kSimLastBlockStart || kind > kSimKindTrigger) return;
    if (kind == kSimKindVideo && !g_haveProfile) {
        double left, right;  // no scan yet: look at the scene now
        ScenePositions(g_now, &left, &right);
        BuildProfile(left, right, g_profile);
        g_haveProfile = 1;
    }
    for (int i = 0; i < kSimBlockWords; i++) {
        int index = start + i;
        uint16_t w = kind == kSimKindVideo
                         ? g_profile[index]
                         : g_trigger[(g_triggerNext + index) % kSimVideoPoints];  // oldest first
        SimPutBE(a->bytes + 2 * i, w);
    }
    a->count = kSimBlockBytes;
    a->kind = kSimAnswerRaw;
}

static void HandleHardware(const uint8_t*, int, SimAnswer* a) {
    const uint16_t info[] = {g_id.ccdtype,      g_id.ccdmaxpixel, g_id.ccdresolution, g_id.pcbtype,
                             g_id.ccdvirtpixel, g_id.ccdsubpixel, g_id.ccdpixB,       g_id.ccdpixE,
                             g_id.softversion,  g_id.hwtype,      g_id.adcmax};
    uint16_t words[kSimPayloadWords] = {};
    // The answer's words start at byte 4, where other replies echo the second word.
    uint16_t second = info[0];
    for (size_t i = 1; i < sizeof(info) / sizeof(info[0]); i++) words[i - 1] = info[i];
    AnswerFrame(kSimCmdHardware, second, words, a);
}

static void HandleResetMaxMin(const uint8_t* request, int, SimAnswer* a) {
    ResetMaxMin();
    uint16_t words[kSimPayloadWords] = {g_anaMax, g_anaMin};
    AnswerFrame(kSimCmdResetMaxMin, SimGetBE(request + kSimSecondOffset), words, a);
}

static void HandleXFlashClear(const uint8_t* request, int, SimAnswer* a) {
    for (int i = 0; i < kSimXFlashWords; i++) g_xflash[i] = kSimXFlashErased;
    uint16_t words[kSimPayloadWords] = {};
    AnswerFrame(kSimCmdXFlashClear, SimGetBE(request + kSimSecondOffset), words, a);
}

static const uint16_t kSimFirstPage = 2;
static const uint16_t kSimLastPage = 9;
static const uint16_t kSimPageWords = 256;
static const int kSimXFlashFrameWords = 8;
static const int kSimXFlashDataOffset = 8;  // bytes 8-23 of the request

// Table index of a page/offset pair, or -1 when the eight words would not
// lie inside pages 2..9 of one page.
static int XFlashIndex(uint16_t offset, uint16_t page) {
    if (page < kSimFirstPage || page > kSimLastPage) return -1;
    if (offset > kSimPageWords - kSimXFlashFrameWords) return -1;
    return page * kSimPageWords - 2 * kSimPageWords + offset;
}

// Reply: word 0 the offset, word 1 the page written (0 when nothing was
// written: the address was outside the X-FLASH), words 2..9 the eight
// words now stored there.
static void XFlashReply(uint16_t command, uint16_t offset, uint16_t page, int index, SimAnswer* a) {
    uint16_t words[kSimPayloadWords] = {};
    words[0] = offset;
    words[1] = index < 0 ? 0 : page;
    for (int i = 0; index >= 0 && i < kSimXFlashFrameWords; i++) words[2 + i] = g_xflash[index + i];
    AnswerFrame(command, offset, words, a);
}

static void HandleXFlashWrite(const uint8_t* request, int, SimAnswer* a) {
    uint16_t offset = SimGetBE(request + kSimSecondOffset);
    uint16_t page = SimGetBE(request + kSimPayloadOffset);
    int index = XFlashIndex(offset, page);
    for (int i = 0; index >= 0 && i < kSimXFlashFrameWords; i++)
        g_xflash[index + i] = SimGetBE(request + kSimXFlashDataOffset + 2 * i);
    XFlashReply(kSimCmdXFlashWrite, offset, page, index, a);
}

static void HandleXFlashRead(const uint8_t* request, int, SimAnswer* a) {
    uint16_t offset = SimGetBE(request + kSimSecondOffset);
    uint16_t page = SimGetBE(request + kSimPayloadOffset);
    XFlashReply(kSimCmdXFlashRead, offset, page, XFlashIndex(offset, page), a);
}

struct SimCommand {
    uint16_t command;
    int mem;  // memory for the parameter transfers
    void (*handle)(const uint8_t* request, int mem, SimAnswer* answer);
};
static const SimCommand kSimCommands[] = {
    {kSimCmdWriteRam, kSimMemRam, HandleWrite},
    {kSimCmdReadRam, kSimMemRam, HandleRead},
    {kSimCmdWriteEeprom, kSimMemEeprom, HandleWrite},
    {kSimCmdReadEeprom, kSimMemEeprom, HandleRead},
    {kSimCmdEcho, 0, HandleEcho},
    {kSimCmdTeach, 0, HandleTeach},
    {kSimCmdVersion, 0, HandleVersion},
    {kSimCmdMeasure, 0, HandleMeasure},
    {kSimCmdData64, 0, HandleData},
    {kSimCmdHardware, 0, HandleHardware},
    {kSimCmdResetMaxMin, 0, HandleResetMaxMin},
    {kSimCmdXFlashClear, 0, HandleXFlashClear},
    {kSimCmdXFlashWrite, 0, HandleXFlashWrite},
    {kSimCmdXFlashRead, 0, HandleXFlashRead},
};

int SimSensorAnswer(const uint8_t request[kSimFrameBytes], double now, SimAnswer* answer) {
    answer->count = 0;
    answer->kind = kSimAnswerNone;
    g_now = now;
    uint16_t command = SimGetBE(request + kSimCommandOffset);
    for (const SimCommand& c : kSimCommands) {
        if (c.command == command) {
            c.handle(request, c.mem, answer);
            break;
        }
    }
    return answer->count;
}
