// Simulated sensor, wire level: the byte layout of the 36-byte frames seen
// from the sensor's side, and the request stream that finds them.
//
// Protocol facts owned here: every word is big-endian (high byte first);
// a request is 0x00 0x55, command word, second word, 15 payload words;
// a reply is 0x00 0xAA, reply type, then 16 words (measurement) or the
// second word and 15 words (every other reply). The sensor finds requests
// in the byte stream by their sync word: bytes before a sync are noise.
#pragma once

#include <cstdint>

const int kSimFrameBytes = 36;
const int kSimPayloadWords = 15;
const int kSimMeasureWords = 16;
const uint8_t kSimRequestSync0 = 0x00;
const uint8_t kSimRequestSync1 = 0x55;
const uint8_t kSimReplySync0 = 0x00;
const uint8_t kSimReplySync1 = 0xAA;
const int kSimCommandOffset = 2;  // bytes 2-3: command word / reply type
const int kSimSecondOffset = 4;   // bytes 4-5: second word
const int kSimPayloadOffset = 6;  // bytes 6-35: 15 payload words
const int kSimMeasureOffset = 4;  // bytes 4-35 of a measurement reply

uint16_t SimGetBE(const uint8_t* bytes);
void SimPutBE(uint8_t* bytes, uint16_t value);

// Reply frame with 15 payload words after the echoed second word.
void SimBuildReply(uint16_t type, uint16_t second, const uint16_t words[kSimPayloadWords],
                   uint8_t out[kSimFrameBytes]);
// Reply frame with 16 measurement words from byte 4 on.
void SimBuildMeasureReply(uint16_t type, const uint16_t words[kSimMeasureWords],
                          uint8_t out[kSimFrameBytes]);

// --------------------------------------------------------- request stream --
// Bytes arrive in any chunks; complete requests come out in order. Each
// byte keeps the time it was read, so pacing can tell when a request's
// first byte came in. A partial request that lies idle longer than the
// stale limit is noise (a request cut short by its sender) and is dropped
// before new bytes are taken, so it cannot swallow the next request.
const int kSimStreamBytes = 4096;
const double kSimStaleSeconds = 1.0;

struct SimStream {
    uint8_t bytes[kSimStreamBytes];
    double times[kSimStreamBytes];
    int count;
    double idleSince;  // when the stream last went idle with bytes pending
    uint32_t dropped;  // bytes thrown away while looking for a sync word
};

void SimStreamReset(SimStream* stream);
// Free room for new bytes (always > 0 after SimStreamTake has emptied
// complete requests: the buffer then holds less than one request).
int SimStreamRoom(const SimStream* stream);
// Appends n bytes read at time now (n is cut to the room); returns the
// count taken. Drops a stale partial request first.
int SimStreamAppend(SimStream* stream, const uint8_t* data, int n, double now);
// Drops noise before the first sync word. Returns 1 when a complete request
// starts at byte 0 (copied to out, its first byte's time to *firstTime),
// else 0. The request stays in the stream until SimStreamConsume.
int SimStreamPeek(SimStream* stream, uint8_t out[kSimFrameBytes], double* firstTime);
void SimStreamConsume(SimStream* stream);
// Marks the stream idle at time now (the sensor is waiting for bytes).
void SimStreamIdle(SimStream* stream, double now);
