// The simulated sensor seen from the program's side: raw bytes over the
// pseudo-terminal, opened here with plain POSIX calls, so these tests pin
// exactly what the program will receive.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sim/kvexsim.h"

namespace {

typedef std::vector<uint8_t> Bytes;

const size_t kFrame = 36;
const double kAnswerWait = 1.0;  // seconds to wait for an answer that must come
const double kQuietWait = 0.15;  // seconds of silence that show no answer came

// Bytes written as pairs of hex digits; blanks only for the eye.
Bytes Hex(const char* text) {
    Bytes out;
    for (const char* p = text; *p; p++)
        if (*p != ' ')
            out.push_back(static_cast<uint8_t>(std::stoi(std::string(p++, 2), nullptr, 16)));
    return out;
}

Bytes Request(uint16_t command, uint16_t second, std::vector<uint16_t> words = {}) {
    words.insert(words.begin(), {0x0055, command, second});
    words.resize(kFrame / 2);
    Bytes r;
    for (uint16_t w : words)
        r.insert(r.end(), {static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w)});
    return r;
}

uint16_t Word(const Bytes& b, size_t offset) {
    return static_cast<uint16_t>((b.at(offset) << 8) | b.at(offset + 1));
}

uint16_t MeasureWord(const Bytes& b, int i) {  // word i of a type-8 answer
    return Word(b, 4 + 2 * i);
}

Bytes Head(const Bytes& b, size_t n) {
    return Bytes(b.begin(), b.begin() + static_cast<long>(std::min(n, b.size())));
}

void SetFaults(void (*change)(SimFaults*)) {
    SimFaults f;
    SimGetFaults(&f);
    change(&f);
    SimSetFaults(&f);
}

class SimLine : public ::testing::Test {
protected:
    void Start(const char* model) {
        char path[256];
        ASSERT_EQ(1, SimStart(model, path, sizeof(path)));
        path_ = path;
        fd_ = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd_, 0);
    }
    void TearDown() override {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
        SimStop();
    }
    void Send(const Bytes& b) {
        ASSERT_EQ(static_cast<ssize_t>(b.size()), write(fd_, b.data(), b.size()));
    }
    // Reads until n bytes came or the wait ran out.
    Bytes Read(size_t n, double wait = kAnswerWait) {
        Bytes out;
        const double end = SimNow() + wait;
        for (double left = wait; out.size() < n && left > 0; left = end - SimNow()) {
            pollfd p = {fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left * 1000) + 1) <= 0) continue;
            uint8_t buf[512];
            ssize_t r = read(fd_, buf, std::min(n - out.size(), sizeof(buf)));
            if (r <= 0) break;
            out.insert(out.end(), buf, buf + r);
        }
        return out;
    }
    Bytes Exchange(const Bytes& request, size_t n = kFrame) {
        Send(request);
        return Read(n);
    }
    bool Answers(uint16_t command, uint16_t second = 0) {
        return Exchange(Request(command, second)).size() == kFrame;
    }
    bool NothingArrives() { return Read(1, kQuietWait).empty(); }
    std::string path_;
    int fd_ = -1;
};

// Catches a wrong sync or type, a field out of place in the hardware
// answer, defaults not fitted to the geometry (end 4096, teach 2048), word
// 59 sent in half 1, a wrong reset of max/min (0, last pixel), or a reply
// followed by more bytes (an echo of the request).
TEST_F(SimLine, GoldenAnswersAreOneFrame) {
    const struct {
        const char *model, *request, *answer;  // both zero-padded to a frame
    } kCases[] = {
        {"edge1024", "0055 0005 0000 01F4 0001 0002 0003", "00AA 0005 0000 01F4 0001 0002 0003"},
        {"edge1024", "0055 000A",
         "00AA 000A 0001 0400 0001 0065 1000 1000 0001 1000 0134 0025 0400"},
        {"tarvo", "0055 000A", "00AA 000A 0004 0200 0190 0065 0400 0400 0001 0400 0132 0190 0400"},
        {"edge1024", "0055 0002 0000",  // V303 defaults in half 0
         "00AA 0002 0000 01F4 0001 0001 0001 0001 1000 0800 0064 0064 0001 0000 0000 0000 0001 "
         "0028"},
        {"edge1024", "0055 0002 0001",  // half 1 skips word 59
         "00AA 0002 0001 0100 0000 0000 0000 0000 0000 0000 0000 0000 0000 5858 4000 0000 7530"},
        {"edge1024", "0055 000B", "00AA 000B 0000 0000 0FFF"}};  // reset max/min
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.request);
        Start(c.model);
        SimSetWord(0, 59, 0x5959);  // only half 1 looks at these two
        SimSetWord(0, 58, 0x5858);
        Bytes request = Hex(c.request), answer = Hex(c.answer);
        request.resize(kFrame);
        answer.resize(kFrame);
        EXPECT_EQ(answer, Exchange(request));
        EXPECT_TRUE(NothingArrives());
        TearDown();
    }
}

// Catches a firmware text that is not exactly 72 raw bytes zero-padded, a
// pcbtype-0 text sent as plain bytes (it sends each character as a word), a
// terminating zero slipped into the full-length text of "m02", or half 0
// taken from the wrong layout for the sensor's variant.
TEST_F(SimLine, VersionAndHalf0FollowTheModel) {
    const struct {
        const char *model, *text;
        bool wordPerChar;
        int first;  // first word of the half-0 layout
    } kCases[] = {
        {"standard", "K-VEX-RZ firmware V3.02 (sim)", false, 3},
        {"v303", "K-VEX-RZ firmware V3.03 (sim)", false, 18},
        {"tarvo", "K-VEX-RZ-M11 firmware V3.06 (sim)", false, 33},
        {"edge1024", "K-VEX-RZ firmware V3.08 (sim)", false, 18},
        {"pcb0", "K-VEX-RZ V3.08 sim pcb0", true, 18},
        {"m02", "K-VEX-RZ-M02 firmware V3.06 (sim) 512 pixel 2048 subpixel ADC 8 bit 0042", false,
         18}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.model);
        Start(c.model);
        Bytes want(72, 0);
        for (size_t i = 0; c.text[i]; i++) want[c.wordPerChar ? 2 * i + 1 : i] = c.text[i];
        EXPECT_EQ(want, Exchange(Request(7, 0), 72));
        EXPECT_TRUE(NothingArrives());
        for (int w = 3; w < 48; w++) SimSetWord(0, w, static_cast<uint16_t>(1000 + w));
        Bytes answer = Exchange(Request(2, 0));
        EXPECT_EQ(Hex("00AA 0002 0000"), Head(answer, 6));
        for (int i = 0; i < 15; i++) EXPECT_EQ(1000 + c.first + i, Word(answer, 6 + 2 * i));
        TearDown();
    }
}

// Catches writes answered (the program expects none), stored in the wrong
// memory, spilling over the layout's neighbour, or half 1 stored into 59.
TEST_F(SimLine, WriteThenReadBackPerMemory) {
    Start("standard");
    std::vector<uint16_t> half0;
    for (int i = 0; i < 15; i++) half0.push_back(static_cast<uint16_t>(700 + i));
    Send(Request(3, 0, half0));
    EXPECT_TRUE(NothingArrives());
    Bytes answer = Exchange(Request(4, 0));
    for (int i = 0; i < 15; i++) EXPECT_EQ(700 + i, Word(answer, 6 + 2 * i));
    EXPECT_EQ(500, SimGetWord(0, 3));   // RAM untouched
    EXPECT_EQ(500, SimGetWord(1, 18));  // the word after the standard layout
    Send(Request(1, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_TRUE(NothingArrives());
    const int words[] = {58, 59, 60, 63}, want[] = {11, 0, 12, 15};
    for (int i = 0; i < 4; i++) EXPECT_EQ(want[i], SimGetWord(0, words[i])) << words[i];
    EXPECT_EQ(1, SimAnswerCount());  // only the read was answered
}

// ------------------------------------------------------------ measurement --

// Catches edges in profile points instead of subpixels, a wrong evaluation
// mode, a word out of place, the wrong slope scale for the variant, or a
// peak model measured as a shadow (its edges are the two peaks).
TEST_F(SimLine, MeasurementFrameFromStillScene) {
    // clang-format off
    const struct {
        const char* model;
        int modeWord;
        uint16_t mode;        // 0 left edge, 1 right edge, 2 width
        uint32_t umPerPixel;  // default slope 16384: / 1024 (V303), / 16384 (standard)
        int near;             // how close the edges are found (a peak is sharper)
    } kCases[] = {{"edge1024", 21, 0, 16, 32}, {"edge1024", 21, 1, 16, 32},
                  {"edge1024", 21, 2, 16, 32}, {"standard", 6, 2, 1, 32}, {"peak", 21, 2, 16, 8}};
    // clang-format on
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.model) + " mode " + std::to_string(c.mode));
        Start(c.model);
        SimSetScene(1000, 3000, 0);
        SimSetWord(0, c.modeWord, c.mode);
        Bytes a = Exchange(Request(8, 0));
        EXPECT_EQ(Hex("00AA 0008"), Head(a, 4));
        uint16_t left = MeasureWord(a, 0), right = MeasureWord(a, 1), value = MeasureWord(a, 2);
        EXPECT_NEAR(1000, left, c.near);
        EXPECT_NEAR(3000, right, c.near);
        const uint16_t byMode[] = {left, right, static_cast<uint16_t>(right - left)};
        EXPECT_EQ(byMode[c.mode], value);
        EXPECT_EQ(value * c.umPerPixel, MeasureWord(a, 3) | (uint32_t{MeasureWord(a, 4)} << 16));
        // teach, tolerance, edges found, left, right, power, max, min
        const uint16_t words5to12[] = {2048, 100, 2, left, right, 500, value, value};
        for (int i = 0; i < 8; i++) EXPECT_EQ(words5to12[i], MeasureWord(a, 5 + i)) << 5 + i;
        EXPECT_GT(MeasureWord(a, 14), 410);  // video maximum above the 40 % threshold
        EXPECT_LE(MeasureWord(a, 14), 1024);
        EXPECT_EQ(1, MeasureWord(a, 15));  // first scan
        TearDown();
    }
}

// Catches a queued frame never given back to the scene (altered or dropped frames fail RUN's
// tests, which draw them).
TEST_F(SimLine, QueuedMeasurementIsAnsweredOnceThenTheSceneAgain) {
    Start("edge1024");
    SimSetScene(1000, 3000, 0);
    const uint16_t queued[16] = {7};
    SimQueueMeasurement(queued);
    EXPECT_EQ(7, MeasureWord(Exchange(Request(8, 0)), 0));
    EXPECT_NEAR(3000, MeasureWord(Exchange(Request(8, 0)), 2), 32);
}

// Catches max/min not tracked, or tracked when no edge lies inside the
// evaluation window (a window that is ignored finds both edges), and a
// teach that stores anything but the measured value, or in another layout.
TEST_F(SimLine, MaxMinAndTeachFollowTheMeasuredValue) {
    Start("edge1024");
    SimSetScene(1000, 3000, 0);
    Exchange(Request(8, 0));
    SimSetScene(1000, 2000, 0);
    Bytes a = Exchange(Request(8, 0));
    EXPECT_NEAR(3000, MeasureWord(a, 11), 32);
    EXPECT_NEAR(2000, MeasureWord(a, 12), 32);
    Bytes teach = Exchange(Request(6, 0));
    EXPECT_EQ(6, Word(teach, 2));
    EXPECT_EQ(MeasureWord(a, 2), SimGetWord(0, 24));
    EXPECT_EQ(MeasureWord(a, 2), Word(teach, 6 + 2 * 6));  // word 24 in the answered half 0
    EXPECT_EQ(2048, SimGetWord(0, 9));                     // the standard layout's teach
    EXPECT_TRUE(Answers(11));
    SimSetWord(0, 22, 1500);  // a window inside the shadow
    SimSetWord(0, 23, 1800);
    a = Exchange(Request(8, 0));
    EXPECT_EQ(0, MeasureWord(a, 7));
    EXPECT_EQ(0, MeasureWord(a, 11));
    EXPECT_EQ(4095, MeasureWord(a, 12));
}

// ------------------------------------------------------------ data blocks --

// Catches a header on the block, a wrong start, the trigger buffer
// delivered newest first, a read past the 256-word buffer, or video
// blocks that do not piece together the scanned profile.
TEST_F(SimLine, DataBlocksAre128RawBytesWithinTheBuffer) {
    Start("edge1024");
    SimSetScene(1000, 3000, 0);
    uint16_t value = 0, videoMax = 0;
    for (int i = 0; i < 3; i++) {
        Bytes a = Exchange(Request(8, 0));
        value = MeasureWord(a, 2);
        videoMax = MeasureWord(a, 14);
    }
    EXPECT_EQ(Bytes(128, 0), Exchange(Request(9, 64, {1}), 128));  // not yet filled
    EXPECT_TRUE(NothingArrives());
    Bytes block = Exchange(Request(9, 192, {1}), 128);
    ASSERT_EQ(128u, block.size());
    for (int i = 0; i < 64; i++) EXPECT_EQ(i < 61 ? 0 : value, Word(block, 2 * i)) << i;
    std::vector<uint16_t> profile;
    for (uint16_t start = 0; start < 256; start += 64) {
        block = Exchange(Request(9, start, {0}), 128);
        ASSERT_EQ(128u, block.size());
        for (int i = 0; i < 64; i++) profile.push_back(Word(block, 2 * i));
    }
    EXPECT_EQ(videoMax, *std::max_element(profile.begin(), profile.end()));
    EXPECT_GT(profile[1000 / 16 - 4], 410);  // lit before the left edge
    EXPECT_LT(profile[2000 / 16], 410);      // in the shadow
    EXPECT_GT(profile[3000 / 16 + 4], 410);  // lit after the right edge
    Send(Request(9, 200, {1}));              // beyond the buffer
    Send(Request(9, 0, {2}));                // unknown kind
    EXPECT_TRUE(NothingArrives());
}

// ---------------------------------------------------------------- X-FLASH --

// Catches a wrong table index or reply words of the X-FLASH frames, or
// writes outside pages 2..9 stored (past the table) or reported as written.
TEST_F(SimLine, XFlashStoresPages2To9AndEchoesOffsetAndPage) {
    Start("edge1024");
    EXPECT_EQ(Hex("00AA 0065"),
              Head(Exchange(Request(101, 0, std::vector<uint16_t>(15, 0xAA))), 4));
    EXPECT_EQ(0, Word(Exchange(Request(102, 0, {10, 1, 2, 3, 4, 5, 6, 7, 8})), 8));
    EXPECT_EQ(0, Word(Exchange(Request(102, 252, {9, 1, 2, 3, 4, 5, 6, 7, 8})), 8));
    for (int i = 0; i < 2048; i++) ASSERT_EQ(0xFFFF, SimGetXFlash(i)) << i;
    EXPECT_EQ(0, SimGetXFlash(2048));
    Bytes write = Exchange(Request(102, 8, {3, 0x7FFF, 1, 2, 3, 4, 5, 6, 0xFFFE, 0xAA, 0xAA}));
    EXPECT_EQ(Hex("00AA 0066 0008 0008 0003 7FFF 0001 0002 0003 0004 0005 0006 FFFE"),
              Head(write, 26));
    EXPECT_EQ((std::vector<int>{0x7FFF, 0xFFFE, 0xFFFF}),  // 3 * 256 - 512 + 8, last, next
              (std::vector<int>{SimGetXFlash(264), SimGetXFlash(271), SimGetXFlash(272)}));
    EXPECT_EQ(Hex("00AA 0067 0008 0008 0003 7FFF 0001 0002 0003 0004 0005 0006 FFFE"),
              Head(Exchange(Request(103, 8, {3})), 26));
}

// ------------------------------------------------------------- the stream --

// Catches a parser that needs frames aligned to reads, keeps noise, or
// lets a stale cut-off request swallow the start of the next one.
TEST_F(SimLine, ResynchronisesAfterGarbageAndDropsAStalePartialRequest) {
    Start("edge1024");
    Bytes noisy = Hex("1234 0056 FF00"), request = Request(5, 0, {0x55});
    noisy.insert(noisy.end(), request.begin(), request.end());
    Send(Head(noisy, 10));
    Send(Bytes(noisy.begin() + 10, noisy.end()));
    EXPECT_EQ(Hex("00AA 0005"), Head(Read(kFrame), 4));
    SimRequest r;
    ASSERT_EQ(1, SimGetRequest(0, &r));
    EXPECT_EQ(request, Bytes(r.bytes, r.bytes + kFrame));
    EXPECT_EQ(6, SimDroppedBytes());
    Send(Head(Request(8, 0), 20));
    EXPECT_TRUE(NothingArrives());
    usleep(1200 * 1000);
    EXPECT_EQ(10, Word(Exchange(Request(10, 0)), 2));
    EXPECT_EQ(2, SimRequestCount());
}

// ------------------------------------------------------------------ faults --

// Catches a delay or pacing that is skipped (lower bounds only: machines are
// noisy, so no upper bound is asserted).
TEST_F(SimLine, ReplyDelayAndPacingTakeAtLeastTheirTime) {
    Start("edge1024");
    SetFaults([](SimFaults* f) { f->replyDelay = 0.2; });
    double t = SimNow();
    EXPECT_TRUE(Answers(5));
    EXPECT_GE(SimNow() - t, 0.2);
    SetFaults([](SimFaults* f) { f->replyDelay = 0.0, f->paced = 1; });
    t = SimNow();
    EXPECT_TRUE(Answers(5));
    EXPECT_GE(SimNow() - t, 0.037);  // 36 bytes each way at 1920 bytes/s
    t = SimNow();
    EXPECT_EQ(128u, Exchange(Request(9, 0, {0}), 128).size());
    EXPECT_GE(SimNow() - t, (36 + 128) / 1920.0 - 0.0005);
}

// ------------------------------------------------------------- lifecycle --

// Catches leaked descriptors, a thread that cannot be started again, two
// sensors at once, a mistyped model taken as the default, the line going
// away when the program closes and reopens its port, or a device line that
// is not raw or not answered (a pseudo-terminal stands in for the device).
TEST_F(SimLine, StartsAndStopsManyTimesOnANewOrAnExistingLine) {
    char path[256];
    EXPECT_EQ(0, SimStart("edge2048", path, sizeof(path)));
    EXPECT_EQ(0, SimStartOnDevice("", "/nonexistent/tty"));
    EXPECT_EQ(0, SimRunning());
    for (int i = 0; i < 40; i++) {
        Start(i % 2 ? "tarvo" : "");
        EXPECT_EQ(0, SimStart("", path, sizeof(path)));  // one sensor at a time
        close(fd_);
        fd_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        EXPECT_EQ(i % 2 ? 4 : 1, Exchange(Request(10, 0)).at(5)) << i;  // ccdtype of the model
        TearDown();
        EXPECT_EQ(0, SimRunning());
    }
    SimStop();  // stopping a stopped sensor is harmless
    fd_ = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(fd_ >= 0 && grantpt(fd_) == 0 && unlockpt(fd_) == 0);
    ASSERT_EQ(1, SimStartOnDevice("tarvo", ptsname(fd_)));
    EXPECT_EQ(4, Exchange(Request(10, 0)).at(5));
}

}  // namespace
