// The simulated sensor seen from the program's side: raw bytes over the
// pseudo-terminal, opened here with plain POSIX calls, so these tests pin
// exactly what the program will receive.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "sim/kvexsim.h"

namespace {

typedef std::vector<uint8_t> Bytes;

const int kFrame = 36;
const double kAnswerWait = 1.0;  // seconds to wait for an answer that must come
const double kQuietWait = 0.15;  // seconds of silence that show no answer came

Bytes Hex(const char* text) {
    Bytes out;
    for (const char* p = text; *p;) {
        if (*p == ' ') {
            p++;
            continue;
        }
        out.push_back(static_cast<uint8_t>(std::stoi(std::string(p, 2), nullptr, 16)));
        p += 2;
    }
    return out;
}

Bytes Request(uint16_t command, uint16_t second, const std::vector<uint16_t>& words = {}) {
    Bytes r(kFrame, 0);
    r[1] = 0x55;
    r[2] = static_cast<uint8_t>(command >> 8);
    r[3] = static_cast<uint8_t>(command);
    r[4] = static_cast<uint8_t>(second >> 8);
    r[5] = static_cast<uint8_t>(second);
    for (size_t i = 0; i < words.size() && i < 15; i++) {
        r[6 + 2 * i] = static_cast<uint8_t>(words[i] >> 8);
        r[7 + 2 * i] = static_cast<uint8_t>(words[i]);
    }
    return r;
}

// Reads from fd until n bytes came or the wait ran out.
Bytes ReadFd(int fd, size_t n, double wait) {
    Bytes out;
    double end = SimNow() + wait;
    while (out.size() < n) {
        double left = end - SimNow();
        if (left <= 0) break;
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left * 1000) + 1) <= 0) continue;
        uint8_t buf[512];
        size_t want = n - out.size() < sizeof(buf) ? n - out.size() : sizeof(buf);
        ssize_t r = read(fd, buf, want);
        if (r <= 0) break;
        out.insert(out.end(), buf, buf + r);
    }
    return out;
}

uint16_t Word(const Bytes& b, size_t offset) {
    return static_cast<uint16_t>((b.at(offset) << 8) | b.at(offset + 1));
}

// Measurement word i of a type-8 answer.
uint16_t MeasureWord(const Bytes& b, int i) {
    return Word(b, 4 + 2 * i);
}

class SimLine : public ::testing::Test {
protected:
    void Start(const char* model) {
        char path[256];
        ASSERT_EQ(1, SimStart(model, path, sizeof(path)));
        path_ = path;
        Open();
    }
    void Open() {
        fd_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd_, 0);
    }
    void TearDown() override {
        if (fd_ >= 0) close(fd_);
        SimStop();
    }
    void Send(const Bytes& b) {
        ASSERT_EQ(static_cast<ssize_t>(b.size()), write(fd_, b.data(), b.size()));
    }
    Bytes Read(size_t n, double wait = kAnswerWait) { return ReadFd(fd_, n, wait); }
    // Everything that arrives until the line stays quiet.
    Bytes ReadAll() {
        Bytes out = Read(1);
        for (Bytes more = Read(4096, kQuietWait); !more.empty(); more = Read(4096, kQuietWait))
            out.insert(out.end(), more.begin(), more.end());
        return out;
    }
    Bytes Exchange(const Bytes& request, size_t n) {
        Send(request);
        return Read(n);
    }
    int NothingArrives() { return Read(1, kQuietWait).empty(); }
    void SetFaults(void (*change)(SimFaults*)) {
        SimFaults f;
        SimGetFaults(&f);
        change(&f);
        SimSetFaults(&f);
    }

    std::string path_;
    int fd_ = -1;
};

// Names parameterised cases after their model.
template <typename Case>
std::string ByModel(const ::testing::TestParamInfo<Case>& info) {
    return info.param.model;
}

// ------------------------------------------------------------ presets --

struct PresetCase {
    const char* model;
    uint16_t ccdtype, ccdvirtpixel, pcbtype, softversion, hwtype, adcmax;
};
void PrintTo(const PresetCase& c, std::ostream* os) {
    *os << c.model;
}
class SimPresets : public ::testing::TestWithParam<PresetCase> {};

// Catches a preset whose identity differs from the table the tests of the
// program are written against.
TEST_P(SimPresets, PresetFillsIdentityAsTabled) {
    const PresetCase& c = GetParam();
    SimIdentity id;
    ASSERT_EQ(1, SimPreset(c.model, &id));
    EXPECT_EQ(c.ccdtype, id.ccdtype);
    EXPECT_EQ(c.ccdvirtpixel, id.ccdvirtpixel);
    EXPECT_EQ(c.pcbtype, id.pcbtype);
    EXPECT_EQ(c.softversion, id.softversion);
    EXPECT_EQ(c.hwtype, id.hwtype);
    EXPECT_EQ(c.adcmax, id.adcmax);
    EXPECT_EQ(1, id.ccdpixB);
    EXPECT_EQ(id.ccdvirtpixel, id.ccdpixE);
    EXPECT_NE(nullptr, strstr(SimPresetNames(), c.model));
}

INSTANTIATE_TEST_SUITE_P(AllModels, SimPresets,
                         ::testing::Values(PresetCase{"edge1024", 1, 4096, 101, 308, 37, 1024},
                                           PresetCase{"standard", 1, 4096, 101, 302, 37, 1024},
                                           PresetCase{"v303", 1, 4096, 101, 303, 55, 1024},
                                           PresetCase{"tarvo", 4, 1024, 101, 306, 400, 1024},
                                           PresetCase{"type500", 101, 1024, 101, 306, 500, 1024},
                                           PresetCase{"peak", 1, 4096, 101, 308, 10110, 1024},
                                           PresetCase{"m02", 4, 2048, 101, 306, 37, 255},
                                           PresetCase{"unknown", 7, 1024, 101, 300, 0, 1024},
                                           PresetCase{"pcb0", 1, 4096, 0, 308, 37, 1024}),
                         ByModel<PresetCase>);

// Catches a silent fallback to the default model for a mistyped name.
TEST(SimPresetNames, UnknownModelIsRefusedAndEmptyIsTheDefault) {
    SimIdentity id;
    EXPECT_EQ(0, SimPreset("edge2048", &id));
    char path[256];
    EXPECT_EQ(0, SimStart("edge2048", path, sizeof(path)));
    EXPECT_EQ(0, SimRunning());
    ASSERT_EQ(1, SimPreset("", &id));
    EXPECT_EQ(308, id.softversion);
    EXPECT_EQ(37, id.hwtype);
}

// ------------------------------------------------- golden request/answer --

// Catches a line check answered with the wrong sync or type.
TEST_F(SimLine, LineCheckAnswersType5WithSync00AAAndEchoedPayload) {
    Start("edge1024");
    Bytes answer = Exchange(Request(5, 0, {500, 1, 2, 3}), kFrame);
    EXPECT_EQ(Hex("00AA 0005 0000 01F4 0001 0002 0003 0000 0000 0000 0000 0000 0000 0000 0000 "
                  "0000 0000 0000"),
              answer);
    EXPECT_TRUE(NothingArrives());  // exactly one frame, and no echo of the request
}

struct HardwareCase {
    const char* model;
    const char* answer;
};
void PrintTo(const HardwareCase& c, std::ostream* os) {
    *os << c.model;
}
class SimHardware : public SimLine, public ::testing::WithParamInterface<HardwareCase> {};

// Catches a field out of place in the hardware answer (bytes 4-25).
TEST_P(SimHardware, HardwareAnswerBytesMatchTheTable) {
    Start(GetParam().model);
    EXPECT_EQ(Hex(GetParam().answer), Exchange(Request(10, 0), kFrame));
}

INSTANTIATE_TEST_SUITE_P(
    TwoPresets, SimHardware,
    ::testing::Values(HardwareCase{"edge1024",
                                   "00AA 000A 0001 0400 0001 0065 1000 1000 0001 1000 0134 0025 "
                                   "0400 0000 0000 0000 0000 0000"},
                      HardwareCase{"tarvo",
                                   "00AA 000A 0004 0200 0190 0065 0400 0400 0001 0400 0132 0190 "
                                   "0400 0000 0000 0000 0000 0000"}),
    ByModel<HardwareCase>);

// Catches a firmware text that is not exactly 72 raw bytes, zero-padded.
TEST_F(SimLine, VersionIs72RawBytesZeroPadded) {
    Start("edge1024");
    Bytes answer = Exchange(Request(7, 0), 72);
    ASSERT_EQ(72u, answer.size());
    const char kText[] = "K-VEX-RZ firmware V3.08 (sim)";
    EXPECT_EQ(0, memcmp(answer.data(), kText, strlen(kText)));
    for (size_t i = strlen(kText); i < 72; i++) EXPECT_EQ(0, answer[i]) << i;
    EXPECT_TRUE(NothingArrives());
}

// Catches pcbtype 0 sent as plain text instead of one word per character.
TEST_F(SimLine, VersionOfPcb0IsOneBigEndianWordPerCharacter) {
    Start("pcb0");
    Bytes answer = Exchange(Request(7, 0), 72);
    ASSERT_EQ(72u, answer.size());
    const char kText[] = "K-VEX-RZ V3.08 sim pcb0";
    for (size_t i = 0; i < 36; i++) {
        EXPECT_EQ(0, answer[2 * i]) << i;
        EXPECT_EQ(i < strlen(kText) ? kText[i] : 0, answer[2 * i + 1]) << i;
    }
}

// Catches a terminating zero slipped into the full-length text of "m02".
TEST_F(SimLine, VersionOfM02Fills72BytesWithNoZero) {
    Start("m02");
    Bytes answer = Exchange(Request(7, 0), 72);
    ASSERT_EQ(72u, answer.size());
    for (uint8_t b : answer) EXPECT_NE(0, b);
    EXPECT_TRUE(NothingArrives());
}

struct LayoutCase {
    const char* model;
    int first;
};
void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.model;
}
class SimLayouts : public SimLine, public ::testing::WithParamInterface<LayoutCase> {};

// Catches half 0 taken from the wrong layout for the sensor's variant.
TEST_P(SimLayouts, ReadHalf0SendsTheLayoutInForce) {
    Start(GetParam().model);
    for (int w = 3; w < 48; w++) SimSetWord(0, w, static_cast<uint16_t>(1000 + w));
    Bytes answer = Exchange(Request(2, 0), kFrame);
    ASSERT_EQ(36u, answer.size());
    EXPECT_EQ(Hex("00AA 0002 0000"), Bytes(answer.begin(), answer.begin() + 6));
    for (int i = 0; i < 15; i++) EXPECT_EQ(1000 + GetParam().first + i, Word(answer, 6 + 2 * i));
}

INSTANTIATE_TEST_SUITE_P(ThreeVariants, SimLayouts,
                         ::testing::Values(LayoutCase{"standard", 3}, LayoutCase{"v303", 18},
                                           LayoutCase{"tarvo", 33}),
                         ByModel<LayoutCase>);

// Catches defaults not fitted to the geometry (end 4096, teach 2048).
TEST_F(SimLine, DefaultHalf0OfV303SensorIsTheProgramsRecord) {
    Start("edge1024");
    EXPECT_EQ(Hex("00AA 0002 0000 01F4 0001 0001 0001 0001 1000 0800 0064 0064 0001 0000 0000 "
                  "0000 0001 0028"),
              Exchange(Request(2, 0), kFrame));
}

// Catches word 59 sent in half 1 or the slope halves swapped.
TEST_F(SimLine, ReadHalf1SkipsWord59) {
    Start("edge1024");
    SimSetWord(0, 59, 0x5959);
    SimSetWord(0, 58, 0x5858);
    Bytes answer = Exchange(Request(2, 1), kFrame);
    EXPECT_EQ(Hex("00AA 0002 0001 0100 0000 0000 0000 0000 0000 0000 0000 0000 0000 5858 4000 "
                  "0000 7530 0000"),
              answer);
}

// Catches writes answered (the program expects none), stored in the wrong
// memory, or spilling over the layout's neighbour.
TEST_F(SimLine, WriteThenReadBackPerMemory) {
    Start("standard");
    std::vector<uint16_t> half0;
    for (int i = 0; i < 15; i++) half0.push_back(static_cast<uint16_t>(700 + i));
    Send(Request(3, 0, half0));
    EXPECT_TRUE(NothingArrives());
    Bytes answer = Exchange(Request(4, 0), kFrame);
    for (int i = 0; i < 15; i++) EXPECT_EQ(700 + i, Word(answer, 6 + 2 * i));
    EXPECT_EQ(500, SimGetWord(0, 3));  // RAM untouched
    EXPECT_EQ(700, SimGetWord(1, 3));
    EXPECT_EQ(500, SimGetWord(1, 18));  // the word after the standard layout
    Send(Request(1, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_TRUE(NothingArrives());
    EXPECT_EQ(11, SimGetWord(0, 58));
    EXPECT_EQ(0, SimGetWord(0, 59));
    EXPECT_EQ(12, SimGetWord(0, 60));
    EXPECT_EQ(15, SimGetWord(0, 63));
    EXPECT_EQ(1, SimAnswerCount());  // only the read was answered
}

// ------------------------------------------------------------ measurement --

struct ModeCase {
    uint16_t mode;
    int expect;  // 0 left edge, 1 right edge, 2 width
};
void PrintTo(const ModeCase& c, std::ostream* os) {
    *os << "mode " << c.mode;
}
class SimModes : public SimLine, public ::testing::WithParamInterface<ModeCase> {};

// Catches edges in profile points instead of subpixels, a wrong evaluation
// mode, or the wrong slope scale for the variant.
TEST_P(SimModes, MeasurementFrameFromStillScene) {
    Start("edge1024");
    SimSetScene(1000, 3000, 0);
    SimSetWord(0, 21, GetParam().mode);
    Bytes a = Exchange(Request(8, 0), kFrame);
    ASSERT_EQ(36u, a.size());
    EXPECT_EQ(Hex("00AA 0008"), Bytes(a.begin(), a.begin() + 4));
    uint16_t left = MeasureWord(a, 0), right = MeasureWord(a, 1), value = MeasureWord(a, 2);
    EXPECT_NEAR(1000, left, 32);
    EXPECT_NEAR(3000, right, 32);
    uint16_t expect[] = {left, right, static_cast<uint16_t>(right - left)};
    EXPECT_EQ(expect[GetParam().expect], value);
    uint32_t um = MeasureWord(a, 3) | (static_cast<uint32_t>(MeasureWord(a, 4)) << 16);
    EXPECT_EQ(static_cast<uint32_t>(value) * 16384u / 1024u, um);
    EXPECT_EQ(2048, MeasureWord(a, 5));  // teach value of the V303 layout
    EXPECT_EQ(100, MeasureWord(a, 6));   // tolerance
    EXPECT_EQ(2, MeasureWord(a, 7));     // edges found
    EXPECT_EQ(left, MeasureWord(a, 8));
    EXPECT_EQ(right, MeasureWord(a, 9));
    EXPECT_EQ(500, MeasureWord(a, 10));  // power
    EXPECT_EQ(value, MeasureWord(a, 11));
    EXPECT_EQ(value, MeasureWord(a, 12));
    EXPECT_GT(MeasureWord(a, 14), 410);  // video maximum above the 40 % threshold
    EXPECT_LE(MeasureWord(a, 14), 1024);
    EXPECT_EQ(1, MeasureWord(a, 15));  // first scan
}

INSTANTIATE_TEST_SUITE_P(EvaluationModes, SimModes,
                         ::testing::Values(ModeCase{0, 0}, ModeCase{1, 1}, ModeCase{2, 2}),
                         [](const ::testing::TestParamInfo<ModeCase>& info) {
                             return "Mode" + std::to_string(info.param.mode);
                         });

// Catches the standard variant scaled by 1024 instead of 16384.
TEST_F(SimLine, StandardSensorScalesMicrometresBy16384) {
    Start("standard");
    SimSetScene(1000, 3000, 0);
    SimSetWord(0, 60, 0);
    SimSetWord(0, 61, 2);  // slope 131072 = 8 um per pixel
    Bytes a = Exchange(Request(8, 0), kFrame);
    uint32_t um = MeasureWord(a, 3) | (static_cast<uint32_t>(MeasureWord(a, 4)) << 16);
    EXPECT_EQ(8u * MeasureWord(a, 2), um);
}

// Catches a window that is ignored: the right edge lies outside it.
TEST_F(SimLine, EdgeOutsideTheWindowLeavesOneEdgeTowardsTheEnd) {
    Start("edge1024");
    SimSetScene(1000, 3000, 0);
    SimSetWord(0, 23, 2000);  // evaluation end
    Bytes a = Exchange(Request(8, 0), kFrame);
    EXPECT_EQ(1, MeasureWord(a, 7));
    EXPECT_NEAR(1000, MeasureWord(a, 0), 32);
    EXPECT_EQ(0, MeasureWord(a, 1));
    EXPECT_LT(MeasureWord(a, 8), MeasureWord(a, 9));
}

// Catches a peak model measured as a shadow: its edges are the two peaks.
TEST_F(SimLine, PeakModelReportsTheTwoPeaks) {
    Start("peak");
    SimSetScene(1000, 3000, 0);
    Bytes a = Exchange(Request(8, 0), kFrame);
    EXPECT_EQ(2, MeasureWord(a, 7));
    EXPECT_NEAR(1000, MeasureWord(a, 0), 8);
    EXPECT_NEAR(3000, MeasureWord(a, 1), 8);
}

// Catches queued frames altered, dropped, or never given back to the scene.
TEST_F(SimLine, QueuedMeasurementsAreAnsweredExactlyThenTheSceneAgain) {
    Start("edge1024");
    SimSetScene(1000, 3000, 0);
    uint16_t q1[16], q2[16];
    for (int i = 0; i < 16; i++) {
        q1[i] = static_cast<uint16_t>(0x1100 + i);
        q2[i] = static_cast<uint16_t>(0xF000 + i);
    }
    SimQueueMeasurement(q1);
    SimQueueMeasurement(q2);
    Bytes a1 = Exchange(Request(8, 0), kFrame), a2 = Exchange(Request(8, 0), kFrame);
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(q1[i], MeasureWord(a1, i));
        EXPECT_EQ(q2[i], MeasureWord(a2, i));
    }
    EXPECT_NEAR(3000, MeasureWord(Exchange(Request(8, 0), kFrame), 2), 32);
}

// Catches max/min not tracked or not reset by command 11.
TEST_F(SimLine, MaxMinTrackAndResetTo0AndLastPixel) {
    Start("edge1024");
    SimSetScene(1000, 3000, 0);
    Exchange(Request(8, 0), kFrame);
    SimSetScene(1000, 2000, 0);
    Bytes a = Exchange(Request(8, 0), kFrame);
    EXPECT_NEAR(3000, MeasureWord(a, 11), 32);
    EXPECT_NEAR(2000, MeasureWord(a, 12), 32);
    Bytes reset = Exchange(Request(11, 0), kFrame);
    EXPECT_EQ(Hex("00AA 000B 0000 0000 0FFF"), Bytes(reset.begin(), reset.begin() + 10));
    SimSetWord(0, 22, 1500);  // a window inside the shadow: no edge, nothing to track
    SimSetWord(0, 23, 1800);
    a = Exchange(Request(8, 0), kFrame);
    EXPECT_EQ(0, MeasureWord(a, 7));
    EXPECT_EQ(0, MeasureWord(a, 11));
    EXPECT_EQ(4095, MeasureWord(a, 12));
}

// Catches a teach that stores anything but the measured value, or in the
// wrong layout.
TEST_F(SimLine, TeachTakesTheMeasuredValueIntoTheLayoutInForce) {
    Start("tarvo");
    SimSetScene(300, 700, 0);
    uint16_t value = MeasureWord(Exchange(Request(8, 0), kFrame), 2);
    Bytes a = Exchange(Request(6, 0), kFrame);
    ASSERT_EQ(36u, a.size());
    EXPECT_EQ(6, Word(a, 2));
    EXPECT_EQ(value, SimGetWord(0, 39));
    EXPECT_EQ(value, Word(a, 6 + 2 * 6));  // word 39 in the answered half 0
    EXPECT_EQ(512, SimGetWord(0, 9));
}

// ------------------------------------------------------------ data blocks --

// Catches a header on the block, a wrong start, or the trigger buffer
// delivered newest first.
TEST_F(SimLine, TriggerBlockIs128RawBytesOldestFirst) {
    Start("edge1024");
    SimSetScene(1000, 3000, 0);
    uint16_t value = 0;
    for (int i = 0; i < 3; i++) value = MeasureWord(Exchange(Request(8, 0), kFrame), 2);
    Bytes block = Exchange(Hex("0055 0009 0040 0001 0000 0000 0000 0000 0000 0000 0000 0000 0000 "
                               "0000 0000 0000 0000 0000"),
                           128);
    EXPECT_EQ(Bytes(128, 0), block);  // entries 64..127: not yet filled
    EXPECT_TRUE(NothingArrives());
    block = Exchange(Request(9, 192, {1}), 128);
    ASSERT_EQ(128u, block.size());
    for (int i = 0; i < 61; i++) EXPECT_EQ(0, Word(block, 2 * i));
    for (int i = 61; i < 64; i++) EXPECT_EQ(value, Word(block, 2 * i));
}

// Catches video blocks that do not piece together the scanned profile.
TEST_F(SimLine, VideoBlocksCarryTheProfileOfTheLastScan) {
    Start("edge1024");
    SimSetScene(1000, 3000, 0);
    uint16_t videoMax = MeasureWord(Exchange(Request(8, 0), kFrame), 14);
    std::vector<uint16_t> profile;
    for (uint16_t start = 0; start < 256; start += 64) {
        Bytes block = Exchange(Request(9, start, {0}), 128);
        ASSERT_EQ(128u, block.size());
        for (int i = 0; i < 64; i++) profile.push_back(Word(block, 2 * i));
    }
    uint16_t highest = 0;
    for (uint16_t v : profile) highest = v > highest ? v : highest;
    EXPECT_EQ(videoMax, highest);
    EXPECT_GT(profile[1000 / 16 - 4], 410);  // lit before the left edge
    EXPECT_LT(profile[2000 / 16], 410);      // in the shadow
    EXPECT_GT(profile[3000 / 16 + 4], 410);  // lit after the right edge
}

// Catches a read past the 256-word buffer for a start beyond 192.
TEST_F(SimLine, BlockBeyondTheBufferIsNotAnswered) {
    Start("edge1024");
    Send(Request(9, 200, {0}));
    EXPECT_TRUE(NothingArrives());
    Send(Request(9, 0, {2}));
    EXPECT_TRUE(NothingArrives());
}

// ---------------------------------------------------------------- X-FLASH --

// Catches a wrong table index or reply words of the X-FLASH frames.
TEST_F(SimLine, XFlashWriteReplyCarriesOffsetAndPageAndStores) {
    Start("edge1024");
    Bytes clear = Exchange(Request(101, 0, std::vector<uint16_t>(15, 0x00AA)), kFrame);
    EXPECT_EQ(Hex("00AA 0065"), Bytes(clear.begin(), clear.begin() + 4));
    Bytes write =
        Exchange(Request(102, 8, {3, 0x7FFF, 1, 2, 3, 4, 5, 6, 0xFFFE, 0x00AA, 0x00AA}), kFrame);
    EXPECT_EQ(Hex("00AA 0066 0008 0008 0003 7FFF 0001 0002 0003 0004 0005 0006 FFFE"),
              Bytes(write.begin(), write.begin() + 26));
    EXPECT_EQ(0x7FFF, SimGetXFlash(264));  // 3 * 256 - 512 + 8
    EXPECT_EQ(0xFFFE, SimGetXFlash(271));
    EXPECT_EQ(0xFFFF, SimGetXFlash(272));
    Bytes read = Exchange(Request(103, 8, {3}), kFrame);
    EXPECT_EQ(Hex("00AA 0067 0008 0008 0003 7FFF 0001 0002 0003 0004 0005 0006 FFFE"),
              Bytes(read.begin(), read.begin() + 26));
}

// Catches writes outside pages 2..9 stored (past the table) or reported as
// written.
TEST_F(SimLine, XFlashWriteOutsideThePagesIsNotStored) {
    Start("edge1024");
    Bytes a = Exchange(Request(102, 0, {10, 1, 2, 3, 4, 5, 6, 7, 8}), kFrame);
    EXPECT_EQ(0, Word(a, 8));  // page 0: nothing written
    a = Exchange(Request(102, 252, {9, 1, 2, 3, 4, 5, 6, 7, 8}), kFrame);
    EXPECT_EQ(0, Word(a, 8));
    for (int i = 0; i < 2048; i++) ASSERT_EQ(0xFFFF, SimGetXFlash(i)) << i;
    EXPECT_EQ(0, SimGetXFlash(2048));
}

// ------------------------------------------------------------- the stream --

// Catches a parser that needs frames aligned to reads or keeps noise.
TEST_F(SimLine, ResynchronisesOnTheSyncWordAfterGarbage) {
    Start("edge1024");
    Bytes noisy = Hex("1234 0056 FF00");
    Bytes request = Request(5, 0, {0x55});
    noisy.insert(noisy.end(), request.begin(), request.end());
    Send(Bytes(noisy.begin(), noisy.begin() + 10));
    Send(Bytes(noisy.begin() + 10, noisy.end()));
    Bytes a = Read(kFrame);
    EXPECT_EQ(Hex("00AA 0005"), Bytes(a.begin(), a.begin() + 4));
    ASSERT_EQ(1, SimRequestCount());
    SimRequest r;
    ASSERT_EQ(1, SimGetRequest(0, &r));
    EXPECT_EQ(request, Bytes(r.bytes, r.bytes + kFrame));
    EXPECT_EQ(6, SimDroppedBytes());
}

// Catches a cut-off request that swallows the start of the next one.
TEST_F(SimLine, StalePartialRequestIsDropped) {
    Start("edge1024");
    Bytes part = Request(8, 0);
    Send(Bytes(part.begin(), part.begin() + 20));
    EXPECT_TRUE(NothingArrives());
    usleep(1200 * 1000);
    Bytes a = Exchange(Request(10, 0), kFrame);
    EXPECT_EQ(10, Word(a, 2));
    EXPECT_EQ(1, SimRequestCount());
}

// Catches requests not recorded in order, or timed outside the exchange.
TEST_F(SimLine, RecordsEveryRequestWithItsTime) {
    Start("edge1024");
    double before = SimNow();
    Exchange(Request(5, 0), kFrame);
    Send(Request(1, 0));
    Exchange(Request(10, 0), kFrame);
    double after = SimNow();
    ASSERT_EQ(3, SimRequestCount());
    uint16_t commands[] = {5, 1, 10};
    double last = before;
    for (int i = 0; i < 3; i++) {
        SimRequest r;
        ASSERT_EQ(1, SimGetRequest(i, &r));
        EXPECT_EQ(commands[i], (r.bytes[2] << 8) | r.bytes[3]);
        EXPECT_GE(r.time, last);
        last = r.time;
    }
    EXPECT_LE(last, after);
    EXPECT_EQ(0, SimGetRequest(3, nullptr));
    SimClearRequests();
    EXPECT_EQ(0, SimRequestCount());
    EXPECT_EQ(2, SimAnswerCount());
}

// Catches the line going away when the program closes and reopens its port.
TEST_F(SimLine, SurvivesTheProgramClosingAndReopeningThePort) {
    Start("edge1024");
    Exchange(Request(5, 0), kFrame);
    close(fd_);
    fd_ = -1;
    Open();
    EXPECT_EQ(36u, Exchange(Request(5, 0), kFrame).size());
}

// ------------------------------------------------------------------ faults --

// Catches a silent sensor that still answers, or forgets the request.
TEST_F(SimLine, SilentAnswersNothingButRecords) {
    Start("edge1024");
    SetFaults([](SimFaults* f) { f->silent = 1; });
    Send(Request(5, 0));
    EXPECT_TRUE(NothingArrives());
    EXPECT_EQ(1, SimRequestCount());
    EXPECT_EQ(0, SimAnswerCount());
}

// Catches a command mask applied to the wrong command.
TEST_F(SimLine, SilentCommandsMuteOnlyThoseCommands) {
    Start("edge1024");
    SetFaults([](SimFaults* f) { f->silentCommands = 1u << 8; });
    Send(Request(8, 0));
    EXPECT_TRUE(NothingArrives());
    EXPECT_EQ(36u, Exchange(Request(5, 0), kFrame).size());
}

// Catches a sync fault that also hits raw streams, which have no sync.
TEST_F(SimLine, WrongSyncSwapsTheReplySyncOfFramesOnly) {
    Start("edge1024");
    SetFaults([](SimFaults* f) { f->wrongSync = 1; });
    Bytes a = Exchange(Request(5, 0), kFrame);
    EXPECT_EQ(Hex("AA00 0005"), Bytes(a.begin(), a.begin() + 4));
    Bytes text = Exchange(Request(7, 0), 72);
    EXPECT_EQ('K', text.at(0));
}

// Catches garbage, short and extra bytes laid out wrongly.
TEST_F(SimLine, GarbageShortAndExtraShapeTheAnswer) {
    Start("edge1024");
    SetFaults([](SimFaults* f) { f->garbageBefore = 3; });
    Bytes a = Exchange(Request(5, 0), 39);
    EXPECT_EQ(Hex("EEEEEE 00AA 0005"), Bytes(a.begin(), a.begin() + 7));
    SetFaults([](SimFaults* f) {
        f->garbageBefore = 0;
        f->shortReply = 20;
    });
    Send(Request(5, 0));
    EXPECT_EQ(20u, ReadAll().size());
    SetFaults([](SimFaults* f) {
        f->shortReply = 0;
        f->extraBytes = 5;
    });
    Send(Request(5, 0));
    EXPECT_EQ(41u, ReadAll().size());
}

// Catches a foreign echo on every frame when only every n-th is asked for.
TEST_F(SimLine, ForeignEchoReplacesTheTypeOfEveryNthMeasurement) {
    Start("edge1024");
    SetFaults([](SimFaults* f) {
        f->foreignEcho = 11;
        f->foreignEchoEvery = 3;
    });
    uint16_t types[6];
    for (uint16_t& t : types) t = Word(Exchange(Request(8, 0), kFrame), 2);
    EXPECT_EQ((std::vector<uint16_t>{8, 8, 11, 8, 8, 11}), std::vector<uint16_t>(types, types + 6));
    EXPECT_EQ(5, Word(Exchange(Request(5, 0), kFrame), 2));
}

// Catches a limit that counts writes or never stops answering.
TEST_F(SimLine, AnswerLimitStopsAnsweringAfterN) {
    Start("edge1024");
    SetFaults([](SimFaults* f) { f->answerLimit = 2; });
    Send(Request(1, 0));
    EXPECT_EQ(36u, Exchange(Request(5, 0), kFrame).size());
    EXPECT_EQ(36u, Exchange(Request(5, 0), kFrame).size());
    Send(Request(5, 0));
    EXPECT_TRUE(NothingArrives());
}

// Catches half-1 reads answered, or other commands muted, by echoHalfOnly.
TEST_F(SimLine, EchoHalfOnlyAnswersHalf0Only) {
    Start("edge1024");
    SetFaults([](SimFaults* f) { f->echoHalfOnly = 1; });
    EXPECT_EQ(36u, Exchange(Request(2, 0), kFrame).size());
    Send(Request(2, 1));
    EXPECT_TRUE(NothingArrives());
    EXPECT_EQ(36u, Exchange(Request(10, 0), kFrame).size());
}

// Catches answerEchoOnly muting the line check itself.
TEST_F(SimLine, AnswerEchoOnlyAnswersTheLineCheckOnly) {
    Start("edge1024");
    SetFaults([](SimFaults* f) { f->answerEchoOnly = 1; });
    Send(Request(10, 0));
    EXPECT_TRUE(NothingArrives());
    EXPECT_EQ(36u, Exchange(Request(5, 0), kFrame).size());
}

bool LineIsGone(int fd) {
    pollfd p = {fd, POLLIN, 0};
    poll(&p, 1, 1000);
    uint8_t b;
    ssize_t r = read(fd, &b, 1);
    return r == 0 || (r < 0 && errno == EIO);
}

// Catches a hang-up that leaves the line open, or comes an answer early.
TEST_F(SimLine, HangUpAfterNClosesTheLineAfterTheNthAnswer) {
    Start("edge1024");
    SetFaults([](SimFaults* f) { f->hangUpAfter = 1; });
    EXPECT_EQ(36u, Exchange(Request(5, 0), kFrame).size());
    EXPECT_TRUE(LineIsGone(fd_));
    EXPECT_EQ(1, SimRunning());
}

// Catches SimHangUp returning before the line is gone.
TEST_F(SimLine, HangUpNowClosesTheLine) {
    Start("edge1024");
    SimHangUp();
    EXPECT_TRUE(LineIsGone(fd_));
    SimHangUp();  // twice is harmless
}

// Catches a delay or pacing that is skipped (lower bounds only: machines are
// noisy, so no upper bound is asserted).
TEST_F(SimLine, ReplyDelayAndPacingTakeAtLeastTheirTime) {
    Start("edge1024");
    SetFaults([](SimFaults* f) { f->replyDelay = 0.2; });
    double t = SimNow();
    EXPECT_EQ(36u, Exchange(Request(5, 0), kFrame).size());
    EXPECT_GE(SimNow() - t, 0.2);
    SetFaults([](SimFaults* f) {
        f->replyDelay = 0.0;
        f->paced = 1;
    });
    t = SimNow();
    EXPECT_EQ(36u, Exchange(Request(5, 0), kFrame).size());
    EXPECT_GE(SimNow() - t, 0.037);  // 36 bytes each way at 1920 bytes/s
    t = SimNow();
    EXPECT_EQ(128u, Exchange(Request(9, 0, {0}), 128).size());
    EXPECT_GE(SimNow() - t, (36 + 128) / 1920.0 - 0.0005);
}

// ------------------------------------------------------------- lifecycle --

// Catches leaked descriptors or a thread that cannot be started again.
TEST(SimLifecycle, StartsAndStopsManyTimes) {
    for (int i = 0; i < 40; i++) {
        char path[256];
        ASSERT_EQ(1, SimStart(i % 2 ? "tarvo" : "", path, sizeof(path))) << i;
        EXPECT_EQ(0, SimStart("", path, sizeof(path)));  // one sensor at a time
        int fd = open(path, O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        Bytes r = Request(10, 0);
        ASSERT_EQ(36, write(fd, r.data(), r.size()));
        Bytes a = ReadFd(fd, 36, kAnswerWait);
        ASSERT_EQ(36u, a.size()) << i;
        EXPECT_EQ(i % 2 ? 4 : 1, a[5]);  // ccdtype of the model
        close(fd);
        SimStop();
        EXPECT_EQ(0, SimRunning());
    }
    SimStop();  // stopping a stopped sensor is harmless
}

// Catches a device line that is not raw or not answered (a pseudo-terminal
// stands in for the serial port here).
TEST(SimLifecycle, AnswersOnAnExistingDevice) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(0, grantpt(master));
    ASSERT_EQ(0, unlockpt(master));
    ASSERT_EQ(1, SimStartOnDevice("tarvo", ptsname(master)));
    Bytes r = Request(10, 0);
    ASSERT_EQ(36, write(master, r.data(), r.size()));
    Bytes a = ReadFd(master, 36, kAnswerWait);
    ASSERT_EQ(36u, a.size());
    EXPECT_EQ(4, a[5]);
    SimStop();
    close(master);
    EXPECT_EQ(0, SimStartOnDevice("", "/nonexistent/tty"));
    EXPECT_EQ(0, SimRunning());
}

// Catches faults carried over into the next sensor, or lost when set
// before the start.
TEST(SimLifecycle, FaultsSetBeforeStartHoldAndStopClearsThem) {
    SimFaults f;
    SimGetFaults(&f);
    EXPECT_EQ(-1, f.answerLimit);
    EXPECT_EQ(-1, f.hangUpAfter);
    f.silent = 1;
    SimSetFaults(&f);
    char path[256];
    ASSERT_EQ(1, SimStart("", path, sizeof(path)));
    SimGetFaults(&f);
    EXPECT_EQ(1, f.silent);
    SimStop();
    SimGetFaults(&f);
    EXPECT_EQ(0, f.silent);
}

}  // namespace
