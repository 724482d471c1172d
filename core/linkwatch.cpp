// Link health counters and the frame trace, fed by the serial layer's taps.
#include "core/linkwatch.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/protocol.h"

LinkHealth gLinkHealth;

namespace {

enum {
    kDeviceSize = 256,
    kMeaningSize = 64,
    kAnswerNone = 0,
    kAnswerFirmware = 72,
    kAnswerBlock = 128,
};

struct AnswerLength {
    uint16_t command;
    int bytes;
};
// Commands whose answer is not one frame; the rest answer with a frame.
const AnswerLength kAnswerLengths[] = {
    {CMD_WRITE_RAM, kAnswerNone},
    {CMD_WRITE_EEPROM, kAnswerNone},
    {CMD_VERSION, kAnswerFirmware},
    {CMD_DATA64, kAnswerBlock},
};

int AnswerBytesOf(uint16_t command) {
    for (const AnswerLength& a : kAnswerLengths)
        if (a.command == command) return a.bytes;
    return kFrameSize;
}

// The exchange under way: from a request to the next one.
struct Exchange {
    int open;
    uint16_t command;
    int expect;    // answer length, 0: none expected
    int got;       // answer bytes seen, taken in or thrown away
    int answered;  // taken in complete
    int late;
    double sent;
};

Exchange gExchange;
int gPort;
char gDevice[kDeviceSize];
int gRunning;
double gRunStart;
std::FILE* gTrace;

void Trace(double now, const char* direction, const char* bytes, int count, const char* meaning) {
    if (!gTrace) return;
    char line[kTraceLineSize];
    int at = 0;
    do {
        const int piece = count - at > kTraceBytesPerLine ? kTraceBytesPerLine : count - at;
        const int n = TraceFormatLine(now, direction, bytes ? bytes + at : nullptr, piece, meaning,
                                      line, sizeof line);
        std::fwrite(line, 1, static_cast<size_t>(n), gTrace);
        at += piece;
    } while (at < count);
    std::fflush(gTrace);
}

void Note(double now, const char* text) {
    Trace(now, "--", nullptr, 0, text);
}

// What an exchange that ends now adds to the counters (into h); with
// final, its notes go to the trace.
void Settle(const Exchange& x, LinkHealth* h, double now, int final) {
    if (!x.open || x.expect == kAnswerNone) {
        if (x.open && x.got > 0) ++h->longAnswers;
        return;
    }
    char text[kMeaningSize];
    // An answer the program moved on from before its time-out (STOP, a
    // flush) is no time-out; neither is a complete one thrown away.
    const int waitedOut = !x.answered && x.got < x.expect && now - x.sent > TIMEOUT;
    if (waitedOut || x.late) {
        ++h->timeouts;
        if (final && waitedOut) {
            std::snprintf(text, sizeof text, "time-out: no answer to request %u",
                          unsigned{x.command});
            Note(now, text);
        }
    }
    if (x.got > 0 && x.got < x.expect && (final || now - x.sent > TIMEOUT)) {
        ++h->shortAnswers;
        if (final) {
            std::snprintf(text, sizeof text, "short answer: %d of %d bytes", x.got, x.expect);
            Note(now, text);
        }
    }
    if (x.got > x.expect) {
        ++h->longAnswers;
        if (final) {
            std::snprintf(text, sizeof text, "long answer: %d of %d bytes", x.got, x.expect);
            Note(now, text);
        }
    }
}

void EndExchange(double now) {
    Settle(gExchange, &gLinkHealth, now, 1);
    gExchange = Exchange{};
}

void EndRun(double now) {
    if (!gRunning) return;
    gRunning = 0;
    if (now > gRunStart) gLinkHealth.runSeconds += now - gRunStart;
}

int Watched(int port) {
    return port == gPort && gPort != 0;
}

}  // namespace

void LinkTapOpen(int port, const char* device, double now) {
    EndExchange(now);
    EndRun(now);
    if (!device) device = "";
    if (port == gPort && std::strncmp(device, gDevice, sizeof gDevice) == 0) {
        ++gLinkHealth.reopenings;
    } else {
        gLinkHealth = LinkHealth{};
        gPort = port;
        std::snprintf(gDevice, sizeof gDevice, "%s", device);
    }
    char text[kMeaningSize + kDeviceSize];
    std::snprintf(text, sizeof text, "open %s", device);
    Note(now, text);
}

void LinkTapClose(int port, double now) {
    if (!Watched(port)) return;
    EndExchange(now);
    EndRun(now);
    Note(now, "close");
}

void LinkTapWrite(int port, const char* bytes, int count, double now) {
    if (!Watched(port) || count <= 0 || !bytes) return;
    EndExchange(now);
    char meaning[kMeaningSize];
    if (count == kFrameSize && WordAt(bytes, 0) == kSyncRequest) {
        ++gLinkHealth.requests;
        gExchange.open = 1;
        gExchange.command = WordAt(bytes, 2);
        gExchange.expect = AnswerBytesOf(gExchange.command);
        gExchange.sent = now;
        std::snprintf(meaning, sizeof meaning, "request %u", unsigned{gExchange.command});
    } else {
        std::snprintf(meaning, sizeof meaning, "not a request");
    }
    Trace(now, "out", bytes, count, meaning);
}

void LinkTapRead(int port, const char* bytes, int count, double now) {
    if (!Watched(port) || count <= 0 || !bytes) return;
    Exchange& x = gExchange;
    char meaning[kMeaningSize];
    if (!x.open) {
        Trace(now, "in", bytes, count, "unasked");
        return;
    }
    const int frameAnswer = x.expect == kFrameSize;
    const int first = x.got == 0;
    const int inSync = count >= 2 && WordAt(bytes, 0) == kSyncReply;
    // Only the start of an answer carries its sync word.
    if (frameAnswer && first && count >= 2 && !inSync) ++gLinkHealth.wrongSync;
    x.got += count;
    const int beyond = x.expect == kAnswerNone || (!first && x.got - count >= x.expect);
    if (!x.answered && x.expect != kAnswerNone && x.got >= x.expect) {
        x.answered = 1;
        ++gLinkHealth.replies;
        const double turn = now - x.sent;
        x.late = turn > TIMEOUT;
        LinkHealth& h = gLinkHealth;
        if (h.turnCount == 0 || turn < h.turnMin) h.turnMin = turn;
        if (h.turnCount == 0 || turn > h.turnMax) h.turnMax = turn;
        h.turnSum += turn;
        ++h.turnCount;
        if (frameAnswer && first && count >= 4 && inSync && gRunning &&
            WordAt(bytes, 2) == kReplyTypeMeasure)
            ++h.runFrames;
    }
    const char* late = x.late && !beyond ? " late" : "";
    if (beyond)
        std::snprintf(meaning, sizeof meaning, "beyond the answer");
    else if (!frameAnswer)
        std::snprintf(meaning, sizeof meaning, "%s%s",
                      x.expect == kAnswerBlock ? "block" : "firmware text", late);
    else if (!first || count < 4)
        std::snprintf(meaning, sizeof meaning, "part of answer%s", late);
    else if (!inSync)
        std::snprintf(meaning, sizeof meaning, "wrong sync%s", late);
    else
        std::snprintf(meaning, sizeof meaning, "reply %u%s", unsigned{WordAt(bytes, 2)}, late);
    Trace(now, "in", bytes, count, meaning);
}

void LinkTapFlush(int port, const char* bytes, int shown, int count, double now) {
    if (!Watched(port) || count <= 0) return;
    gLinkHealth.bytesFlushed += static_cast<uint32_t>(count);
    if (gExchange.open) gExchange.got += count;
    if (shown > count) shown = count;
    if (shown < 0 || !bytes) shown = 0;
    char meaning[kMeaningSize];
    if (shown == count)
        std::snprintf(meaning, sizeof meaning, "flushed");
    else
        std::snprintf(meaning, sizeof meaning, "flushed (%d bytes in all)", count);
    Trace(now, "in", bytes, shown, meaning);
}

void LinkRunBegin(double now) {
    EndRun(now);
    gRunning = 1;
    gRunStart = now;
}

void LinkRunEnd(double now) {
    EndRun(now);
}

void LinkHealthAt(double now, LinkHealth* out) {
    *out = gLinkHealth;
    const Exchange& x = gExchange;
    if (x.open) Settle(x, out, now, 0);
    if (gRunning && now > gRunStart) out->runSeconds += now - gRunStart;
}

double LinkTurnMean(const LinkHealth* h) {
    return h->turnCount ? h->turnSum / h->turnCount : 0.0;
}

double LinkRunRate(const LinkHealth* h) {
    return h->runSeconds > 0.0 ? h->runFrames / h->runSeconds : 0.0;
}

// ---------------------------------------------------------------- rows --

namespace {

enum RowKind { kRowCount, kRowMs, kRowRate };

struct Row {
    const char* name;
    const char* help;
    RowKind kind;
    uint32_t LinkHealth::*count;
    int turn;  // 0 min, 1 mean, 2 max
};

const Row kRows[] = {
    {"requests", "request frames sent to the sensor", kRowCount, &LinkHealth::requests, 0},
    {"replies", "answers taken in complete", kRowCount, &LinkHealth::replies, 0},
    {"time-outs", "requests without a complete answer within 1.5 s (late ones too)", kRowCount,
     &LinkHealth::timeouts, 0},
    {"wrong-sync", "answer frames not beginning with the sync word 0x00AA", kRowCount,
     &LinkHealth::wrongSync, 0},
    {"short", "answers that stopped before their length (36, 72 or 128 bytes)", kRowCount,
     &LinkHealth::shortAnswers, 0},
    {"long", "answers with bytes beyond their length", kRowCount, &LinkHealth::longAnswers, 0},
    {"flushed-bytes", "bytes thrown away unread (stale, cut or surplus)", kRowCount,
     &LinkHealth::bytesFlushed, 0},
    {"reopenings", "times the same port was opened again", kRowCount, &LinkHealth::reopenings, 0},
    {"turn-min-ms", "shortest time from a request to its answer", kRowMs, nullptr, 0},
    {"turn-mean-ms", "mean time from a request to its answer", kRowMs, nullptr, 1},
    {"turn-max-ms", "longest time from a request to its answer", kRowMs, nullptr, 2},
    {"run-fps", "measurement frames per second while RUN ran", kRowRate, nullptr, 0},
};
const int kRowTotal = static_cast<int>(sizeof kRows / sizeof kRows[0]);

const double kMsPerSecond = 1000.0;

}  // namespace

int LinkRowCount(void) {
    return kRowTotal;
}

const char* LinkRowName(int row) {
    return row >= 0 && row < kRowTotal ? kRows[row].name : "";
}

const char* LinkRowHelp(int row) {
    return row >= 0 && row < kRowTotal ? kRows[row].help : "";
}

int LinkRowValue(const LinkHealth* h, int row, char* out, int size) {
    if (size < 1) return 0;
    out[0] = '\0';
    if (row < 0 || row >= kRowTotal) return 0;
    const Row& r = kRows[row];
    const size_t n = static_cast<size_t>(size);
    int len = 0;
    if (r.kind == kRowCount) {
        len = std::snprintf(out, n, "%u", unsigned{h->*r.count});
    } else if (r.kind == kRowRate) {
        len = std::snprintf(out, n, "%.1f", LinkRunRate(h));
    } else {
        const double turns[] = {h->turnMin, LinkTurnMean(h), h->turnMax};
        len = h->turnCount ? std::snprintf(out, n, "%.1f", turns[r.turn] * kMsPerSecond)
                           : std::snprintf(out, n, "-");
    }
    return len < 0 ? 0 : (len >= size ? size - 1 : len);
}

int LinkHealthLine(const LinkHealth* h, char* out, int size) {
    if (size < 1) return 0;
    int at = 0;
    out[0] = '\0';
    for (int row = 0; row < kRowTotal; ++row) {
        char value[32];
        LinkRowValue(h, row, value, sizeof value);
        const int len = std::snprintf(out + at, static_cast<size_t>(size - at), "%s%s=%s",
                                      row ? " " : "", kRows[row].name, value);
        if (len < 0 || len >= size - at) return at;
        at += len;
    }
    return at;
}

// --------------------------------------------------------------- trace --

int TraceFormatLine(double now, const char* direction, const char* bytes, int count,
                    const char* meaning, char* out, int size) {
    static const char kHex[] = "0123456789ABCDEF";
    if (size < 2) return 0;
    if (count < 0 || !bytes) count = 0;
    // Whole microseconds, printed as a double: no 64-bit integer format,
    // which not every C library spells the same.
    const double us = now > 0.0 ? std::floor(now * 1e6 + 0.5) : 0.0;
    int at = std::snprintf(out, static_cast<size_t>(size), "%.0f %s %d", us, direction, count);
    if (at < 0 || at >= size) at = size - 1;
    // Each byte " XX"; what does not fit with the meaning is left off.
    const int tail = static_cast<int>(std::strlen(meaning ? meaning : "")) + 5;
    for (int i = 0; i < count && at + 3 + tail < size; ++i) {
        const uint8_t b = static_cast<uint8_t>(bytes[i]);
        out[at++] = ' ';
        out[at++] = kHex[b >> 4];
        out[at++] = kHex[b & 0x0F];
    }
    const int len =
        std::snprintf(out + at, static_cast<size_t>(size - at), " | %s\n", meaning ? meaning : "");
    if (len < 0 || len >= size - at) {
        out[size - 2] = '\n';
        out[size - 1] = '\0';
        return size - 1;
    }
    return at + len;
}

int LinkTraceOpen(const char* path) {
    LinkTraceClose();
    if (!path || !path[0]) return 1;
    gTrace = std::fopen(path, "w");
    if (!gTrace) return 0;
    std::fputs("# time [us] direction count bytes (hex) | meaning\n", gTrace);
    std::fflush(gTrace);
    return 1;
}

void LinkTraceClose(void) {
    if (gTrace) std::fclose(gTrace);
    gTrace = nullptr;
}
