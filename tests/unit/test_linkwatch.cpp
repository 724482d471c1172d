// Link counters fed by tap sequences, and the trace line format.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/protocol.h"
#include "core/linkwatch.h"

namespace {

// A frame opening with sync and then word: a request or an answer.
std::string Frame(uint16_t sync, uint16_t word) {
    std::string f(kFrameSize, '\0');
    PutWordAt(&f[0], 0, sync);
    PutWordAt(&f[0], 2, word);
    return f;
}
std::string Request(uint16_t command) {
    return Frame(kSyncRequest, command);
}
std::string Reply(uint16_t type) {
    return Frame(kSyncReply, type);
}

enum TapKind { kWrite, kRead, kFlush };
struct Tap {
    TapKind kind;
    double at;
    std::string bytes;
};
struct Case {
    const char* name;
    std::vector<Tap> taps;
    uint32_t LinkHealth::*counter;
    uint32_t expected;
};

void Apply(const Tap& t) {
    const int n = static_cast<int>(t.bytes.size());
    if (t.kind == kWrite) LinkTapWrite(1, t.bytes.data(), n, t.at);
    if (t.kind == kRead) LinkTapRead(1, t.bytes.data(), n, t.at);
    if (t.kind == kFlush) LinkTapFlush(1, t.bytes.data(), n, n, t.at);
}

// Catches an answer thrown away by STOP counted as a time-out, a block or firmware answer taken
// for a long frame, a write without answer taken for a silent sensor.
TEST(LinkCounters, EachExchangeEndsInTheRightCounter) {
    const std::string block(128, '\x01'), text(72, 'a');
    // clang-format off
    const Case kCases[] = {
        {"answer flushed by STOP is no time-out",
         {{kWrite, 0.0, Request(8)}, {kFlush, 0.05, Reply(8)}, {kWrite, 3.0, Request(8)}},
         &LinkHealth::timeouts, 0},
        {"parameter write expects nothing", {{kWrite, 0.0, Request(CMD_WRITE_RAM)}},
         &LinkHealth::timeouts, 0},
        {"data block is no long frame", {{kWrite, 0.0, Request(CMD_DATA64)}, {kRead, 0.1, block}},
         &LinkHealth::longAnswers, 0},
        {"firmware text in two reads is one reply",
         {{kWrite, 0.0, Request(CMD_VERSION)}, {kRead, 0.1, text.substr(0, 30)},
          {kRead, 0.2, text.substr(30)}},
         &LinkHealth::replies, 1}};
    // clang-format on
    for (const Case& c : kCases) {
        LinkTapOpen(1, "/dev/ttyS0", 0.0);
        LinkTapOpen(1, "/dev/ttyUSB9", 0.0);  // another device: counters from zero
        for (const Tap& t : c.taps) Apply(t);
        LinkHealth h;
        LinkHealthAt(c.taps.back().at + 0.1, &h);
        EXPECT_EQ(c.expected, h.*c.counter) << c.name;
    }
}

// Catches turnaround statistics from the wrong times and a frame rate outside RUN.
TEST(LinkCounters, TurnaroundAndRunRate) {
    LinkTapOpen(2, "/dev/ttyUSB8", 0.0);
    LinkRunBegin(0.0);
    for (int i = 0; i < 10; ++i) {
        LinkTapWrite(2, Request(8).data(), kFrameSize, i * 0.1);
        LinkTapRead(2, Reply(8).data(), kFrameSize, i * 0.1 + (i == 3 ? 0.05 : 0.04));
    }
    LinkRunEnd(1.0);
    LinkTapWrite(2, Request(8).data(), kFrameSize, 5.0);
    LinkTapRead(2, Reply(8).data(), kFrameSize, 5.04);
    LinkHealth h;
    LinkHealthAt(6.0, &h);
    EXPECT_NEAR(0.04, h.turnMin, 1e-9);
    EXPECT_NEAR(0.05, h.turnMax, 1e-9);
    EXPECT_NEAR(0.45 / 11, LinkTurnMean(&h), 1e-9);
    EXPECT_NEAR(10.0, LinkRunRate(&h), 1e-9);
    char line[kTraceLineSize];
    LinkHealthLine(&h, line, sizeof line);
    EXPECT_NE(nullptr, strstr(line, "requests=11 replies=11 time-outs=0")) << line;
    EXPECT_NE(nullptr, strstr(line, "turn-min-ms=40.0 ")) << line;
    EXPECT_NE(nullptr, strstr(line, "run-fps=10.0")) << line;
}

// Catches a wrong time unit or rounding, lower-case or unpadded hex, a missing meaning, and a
// line overrunning its buffer.
TEST(TraceLine, TimeDirectionCountHexAndMeaning) {
    char out[kTraceLineSize];
    const char bytes[] = {0x00, static_cast<char>(0xAA), 0x00, 0x08, 0x0F};
    const int n = TraceFormatLine(1.2345678, "in", bytes, 5, "reply 8 late", out, sizeof out);
    EXPECT_STREQ("1234568 in 5 00 AA 00 08 0F | reply 8 late\n", out);
    EXPECT_EQ(static_cast<int>(strlen(out)), n);
    EXPECT_EQ(std::string("0 -- 0 | time-out\n"),
              (TraceFormatLine(0.0, "--", nullptr, 0, "time-out", out, sizeof out), out));
    char small[24];
    const std::string many(kTraceBytesPerLine, '\x11');
    const int cut =
        TraceFormatLine(1.0, "out", many.data(), kTraceBytesPerLine, "x", small, sizeof small);
    EXPECT_EQ(static_cast<int>(strlen(small)), cut);
    EXPECT_EQ('\n', small[cut - 1]);
    // A full line of bytes fits the line buffer whole.
    TraceFormatLine(1e6, "out", many.data(), kTraceBytesPerLine, "flushed (4096 bytes in all)", out,
                    sizeof out);
    EXPECT_NE(nullptr, strstr(out, " 11 | flushed (4096 bytes in all)\n"));
    EXPECT_EQ(3u * kTraceBytesPerLine, std::string(out).find(" | ") - std::string(out).find(" 11"));
}

}  // namespace
