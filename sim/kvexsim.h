// Simulated K-VEX-RZ sensor: the sensor side of the 36-byte frame protocol
// on the master side of a pseudo-terminal (or on a real serial device), run
// by a thread of its own so the program under test talks to it through a
// real tty, exactly as to a sensor.
//
// Written from the frame tables with its own encoding and decoding: it
// shares no code with the program, so a mistake in one cannot hide the same
// mistake in the other.
//
// Protocol facts it models: 19200 baud 8N1 (pacing optional: 1920 bytes/s
// each way), requests 0x0055 + command + second word + 15 words, replies
// 0x00AA + type + words; commands 1..11 and 101..103; the firmware text as
// 72 raw bytes; data blocks as 128 raw bytes.
//
// Thread safety: every function may be called from any thread; the sensor
// thread and the callers share state under one lock.
#pragma once

#include <cstdint>

// Identity presets (model names for SimStart and --simulate=MODEL):
//   "edge1024"  (default) 1024-pixel edge model, ccdtype 1, hwtype 37,
//               firmware 308, 4096 subpixels, adcmax 1024
//   "standard"  ccdtype 1, hwtype 37, firmware 302 (standard layout)
//   "v303"      ccdtype 1, hwtype 55, firmware 303
//   "tarvo"     ccdtype 4, hwtype 400, firmware 306, 1024 subpixels
//   "type500"   ccdtype 101, hwtype 500, 256 pixels, 1024 subpixels, firmware 306
//   "peak"      ccdtype 1, hwtype 10110 (peak model), firmware 308
//   "m02"       ccdtype 4, hwtype 37, firmware 306, 2048 subpixels, adcmax 255
//   "unknown"   ccdtype 7 (unidentified), firmware 300
//   "pcb0"      like edge1024 but pcbtype 0 (firmware text one word per char)
struct SimIdentity {
    uint16_t ccdtype, ccdmaxpixel, ccdresolution, pcbtype, ccdvirtpixel, ccdsubpixel, ccdpixB,
        ccdpixE, softversion, hwtype, adcmax;
    char firmware[73];  // text answered to command 7
};

// Fills *id from a preset name; 1, or 0 for an unknown name.
int SimPreset(const char* model, SimIdentity* id);
// Lists the preset names, separated by blanks.
const char* SimPresetNames(void);

// Starts the sensor on a new pseudo-terminal; the path of its slave side
// (the "serial device" the program opens) goes into path. 1/0 (0 also for
// an unknown model or when a sensor is already running). Every start is a
// fresh sensor of that model (memories, scene, X-FLASH, counters); faults
// set before the start stay in force.
int SimStart(const char* model, char* path, int pathSize);
// Starts the sensor on an existing device (a real serial port): 1/0.
int SimStartOnDevice(const char* model, const char* device);
// Stops the thread and closes the pseudo-terminal; the faults return to
// their defaults.
void SimStop(void);
int SimRunning(void);

// ------------------------------------------------------- fault injection --
struct SimFaults {
    int paced;                // 1: 19200 baud 8N1 timing each way (1920 bytes/s)
    int silent;               // 1: answer nothing
    uint32_t silentCommands;  // bit c set (c < 32): no answer to command c
    int answerLimit;          // >= 0: stop answering after this many answers
    double replyDelay;        // seconds before each answer
    int wrongSync;            // 1: replies begin 0xAA 0x00
    int garbageBefore;        // bytes of garbage sent before each answer
    int shortReply;           // > 0: cut answers to this many bytes
    int extraBytes;           // > 0: append this many bytes to each answer
    int foreignEcho;          // != 0: measurement answers carry this reply type
    int foreignEchoEvery;     // > 0: only every n-th measurement answer is foreign
    int hangUpAfter;          // >= 0: close the pseudo-terminal after this many answers
    int echoHalfOnly;         // 1: answer parameter reads of half 0 only
    int answerEchoOnly;       // 1: answer only the line check (command 5)
    double extraDelay;        // > 0: the extraBytes follow their answer this much later
    int xflashPage;           // != 0: X-FLASH write answers report this page
    int xflashOffset;         // != 0: X-FLASH write answers report this offset
    int frameType;            // != 0: frame answers (not measurement, not raw) carry this type
};
// Defaults: no faults, answerLimit -1, hangUpAfter -1. answerLimit,
// hangUpAfter and foreignEchoEvery count from the moment the faults are set
// (or the sensor started). Writes (commands 1, 3) never count as answers.
void SimGetFaults(SimFaults* faults);
void SimSetFaults(const SimFaults* faults);
void SimResetFaults(void);
// Closes the pseudo-terminal now (the line goes away).
void SimHangUp(void);

// ----------------------------------------------------------- inspection --
struct SimRequest {
    uint8_t bytes[36];
    double time;  // seconds, monotonic clock of the simulator
};
// Requests received so far (every complete 36-byte request, in order).
int SimRequestCount(void);
// Copies request i; 1/0.
int SimGetRequest(int index, SimRequest* out);
void SimClearRequests(void);
// Answers sent so far.
int SimAnswerCount(void);
// Bytes thrown away while looking for the 0x00 0x55 sync word.
int SimDroppedBytes(void);
// The simulator's clock (CLOCK_MONOTONIC, seconds), as in SimRequest::time.
double SimNow(void);

// Sensor memories: mem 0 = RAM, 1 = EEPROM; 64 words as the program lays
// out its record (the words of the layout in force are what the sensor
// sends for half 0).
uint16_t SimGetWord(int mem, int word);
void SimSetWord(int mem, int word, uint16_t value);
// A new identity changes what the sensor reports and which half-0 layout
// is in force; the memories keep their words.
void SimSetIdentity(const SimIdentity* id);
void SimGetIdentity(SimIdentity* id);
// The measured object: its edges in subpixels (the scene moves slowly when
// motion is on). Measurement answers are derived from the scene and the
// sensor's RAM settings: a video profile of 256 points (full scale adcmax,
// brighter with more power) in which the object casts a shadow (a peak
// model, hwtype above 10000, sees two bright peaks instead); edges are
// where it crosses the video threshold inside the evaluation window;
// Mvalue is the left edge, right edge or width by the evaluation mode;
// umValue = Mvalue * slope / 16384 (standard layout) or / 1024; anaMax and
// anaMin follow Mvalue since the last reset (command 11 sets 0 and
// ccdvirtpixel - 1); word 15 counts the scans. Teach (6) stores the value
// measured now as the teach word of the layout in force.
void SimSetScene(uint16_t leftEdge, uint16_t rightEdge, int motion);
// The next measurement answers carry exactly these 16 words (queue up to 64
// frames; when empty, the scene decides again).
void SimQueueMeasurement(const uint16_t words[16]);
// X-FLASH page/offset words received (2048 entries, pages 2..9; erased and
// cleared entries read 0xFFFF). A write or read outside pages 2..9 stores
// nothing and its reply reports page 0. Data blocks (9) of an unknown kind
// or starting beyond 192 are not answered.
uint16_t SimGetXFlash(int index);
