// Simulated sensor, model level: what a K-VEX-RZ sensor holds and how it
// answers each command, with no notion of the line it sits on. The caller
// (kvexsim.cpp) holds the simulator's lock around every call.
//
// Protocol facts owned here: the command words 1..11 and 101..103 and what
// each answers; the hardware answer (bytes 4-25: ccdtype, ccdmaxpixel,
// ccdresolution, pcbtype, ccdvirtpixel, ccdsubpixel, ccdpixB, ccdpixE,
// softversion, hwtype, adcmax); the firmware text as 72 raw bytes (one word
// per character, low byte, when pcbtype is 0); the parameter record of 64
// words with its three half-0 layouts (hwtype 400: words 33..47, else
// firmware below 303: words 3..17, else 18..32) and half 1 (words 48..58,
// 60..63); the 16-word measurement record; 64-word data blocks (128 raw
// bytes, kind 0 video, 1 trigger buffer); the X-FLASH index
// page * 256 - 512 + offset for pages 2..9.
#pragma once

#include <cstdint>

#include "sim/kvexsim.h"
#include "sim/sim_frame.h"

const uint16_t kSimCmdWriteRam = 1;
const uint16_t kSimCmdReadRam = 2;
const uint16_t kSimCmdWriteEeprom = 3;
const uint16_t kSimCmdReadEeprom = 4;
const uint16_t kSimCmdEcho = 5;
const uint16_t kSimCmdTeach = 6;
const uint16_t kSimCmdVersion = 7;
const uint16_t kSimCmdMeasure = 8;
const uint16_t kSimCmdData64 = 9;
const uint16_t kSimCmdHardware = 10;
const uint16_t kSimCmdResetMaxMin = 11;
const uint16_t kSimCmdXFlashClear = 101;
const uint16_t kSimCmdXFlashWrite = 102;
const uint16_t kSimCmdXFlashRead = 103;

const int kSimRecordWords = 64;
const int kSimMemories = 2;  // 0 RAM, 1 EEPROM
const int kSimMemRam = 0;
const int kSimMemEeprom = 1;
const int kSimVideoPoints = 256;
const int kSimBlockWords = 64;
const int kSimBlockBytes = 2 * kSimBlockWords;
const int kSimVersionBytes = 72;
const int kSimXFlashWords = 2048;
const uint16_t kSimXFlashErased = 0xFFFF;
const int kSimMeasureQueue = 64;

// What a request is answered with: a reply frame (36 bytes), a measurement
// frame (36 bytes, faults may change its type), or a raw byte stream
// (firmware text, data block: no header, so no sync to get wrong).
enum SimAnswerKind { kSimAnswerNone, kSimAnswerFrame, kSimAnswerMeasure, kSimAnswerRaw };
const int kSimAnswerMax = kSimBlockBytes;

struct SimAnswer {
    uint8_t bytes[kSimAnswerMax];
    int count;
    int kind;  // SimAnswerKind
};

// Fresh sensor of the given preset (nullptr or "" = the default): identity,
// memories with their defaults, default scene, erased X-FLASH, empty
// queues, max/min reset. 1, or 0 for an unknown name (nothing changed).
int SimSensorReset(const char* model, double now);
// Executes one complete request received at time now (seconds) and fills
// the answer (count 0: nothing to answer). Returns the answer's byte count.
int SimSensorAnswer(const uint8_t request[kSimFrameBytes], double now, SimAnswer* answer);

// Index of the half-0 layout in force: 0 standard, 1 V303, 2 Tarvo.
int SimSensorLayout(void);
uint16_t SimSensorGetWord(int mem, int word);
void SimSensorSetWord(int mem, int word, uint16_t value);
void SimSensorSetIdentity(const SimIdentity* id);
void SimSensorGetIdentity(SimIdentity* id);
void SimSensorSetScene(uint16_t leftEdge, uint16_t rightEdge, int motion, double now);
int SimSensorQueueMeasurement(const uint16_t words[kSimMeasureWords]);
uint16_t SimSensorGetXFlash(int index);
