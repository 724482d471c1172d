// Simulated sensor, wire level: big-endian words, reply frames and the
// request stream (see sim_frame.h).
#include "sim/sim_frame.h"

#include <cstring>

uint16_t SimGetBE(const uint8_t* bytes) {
    return static_cast<uint16_t>((static_cast<uint16_t>(bytes[0]) << 8) | bytes[1]);
}

void SimPutBE(uint8_t* bytes, uint16_t value) {
    bytes[0] = static_cast<uint8_t>(value >> 8);
    bytes[1] = static_cast<uint8_t>(value & 0xFF);
}

static void PutHeader(uint16_t type, uint8_t out[kSimFrameBytes]) {
    out[0] = kSimReplySync0;
    out[1] = kSimReplySync1;
    SimPutBE(out + kSimCommandOffset, type);
}

void SimBuildReply(uint16_t type, uint16_t second, const uint16_t words[kSimPayloadWords],
                   uint8_t out[kSimFrameBytes]) {
    PutHeader(type, out);
    SimPutBE(out + kSimSecondOffset, second);
    for (int i = 0; i < kSimPayloadWords; i++) SimPutBE(out + kSimPayloadOffset + 2 * i, words[i]);
}

void SimBuildMeasureReply(uint16_t type, const uint16_t words[kSimMeasureWords],
                          uint8_t out[kSimFrameBytes]) {
    PutHeader(type, out);
    for (int i = 0; i < kSimMeasureWords; i++) SimPutBE(out + kSimMeasureOffset + 2 * i, words[i]);
}

// ------------------------------------------------------------ the stream --

void SimStreamReset(SimStream* stream) {
    stream->count = 0;
    stream->idleSince = 0.0;
    stream->dropped = 0;
}

int SimStreamRoom(const SimStream* stream) {
    return kSimStreamBytes - stream->count;
}

static void DropFront(SimStream* stream, int n) {
    if (n <= 0) return;
    if (n > stream->count) n = stream->count;
    int rest = stream->count - n;
    memmove(stream->bytes, stream->bytes + n, static_cast<size_t>(rest));
    memmove(stream->times, stream->times + n, static_cast<size_t>(rest) * sizeof(double));
    stream->count = rest;
}

int SimStreamAppend(SimStream* stream, const uint8_t* data, int n, double now) {
    if (stream->count > 0 && stream->count < kSimFrameBytes &&
        now - stream->idleSince > kSimStaleSeconds) {
        stream->dropped += static_cast<uint32_t>(stream->count);
        stream->count = 0;
    }
    int room = SimStreamRoom(stream);
    if (n > room) n = room;
    if (n <= 0) return 0;
    memcpy(stream->bytes + stream->count, data, static_cast<size_t>(n));
    for (int i = 0; i < n; i++) stream->times[stream->count + i] = now;
    stream->count += n;
    return n;
}

// Index of the first sync word, or -1.
static int FindSync(const SimStream* stream) {
    for (int i = 0; i + 1 < stream->count; i++) {
        if (stream->bytes[i] == kSimRequestSync0 && stream->bytes[i + 1] == kSimRequestSync1)
            return i;
    }
    return -1;
}

int SimStreamPeek(SimStream* stream, uint8_t out[kSimFrameBytes], double* firstTime) {
    int sync = FindSync(stream);
    if (sync < 0) {
        // A trailing 0x00 may be the first half of a sync word still on its way.
        int keep = (stream->count > 0 && stream->bytes[stream->count - 1] == kSimRequestSync0);
        int drop = stream->count - keep;
        stream->dropped += static_cast<uint32_t>(drop);
        DropFront(stream, drop);
        return 0;
    }
    stream->dropped += static_cast<uint32_t>(sync);
    DropFront(stream, sync);
    if (stream->count < kSimFrameBytes) return 0;
    memcpy(out, stream->bytes, kSimFrameBytes);
    *firstTime = stream->times[0];
    return 1;
}

void SimStreamConsume(SimStream* stream) {
    DropFront(stream, kSimFrameBytes);
}

void SimStreamIdle(SimStream* stream, double now) {
    stream->idleSince = now;
}
