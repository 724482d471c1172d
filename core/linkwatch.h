// Link health and the frame trace: every byte the program writes to the
// sensor's port, reads from it or throws away, as the serial layer hands it
// over, with what the program made of it. The counters run from the moment
// a device is opened; opening the same device again counts a reopening and
// keeps them, another device starts them afresh.
//
// Facts owned here:
//  - a request is a 36-byte frame beginning 0x0055; its command word says
//    how long the answer is: none for the writes (1, 3), 72 raw bytes for
//    the firmware text (7), 128 for a data block (9), a 36-byte frame
//    beginning 0x00AA for every other command;
//  - an exchange lasts from its request to the next one (or to the next
//    open or close), so bytes flushed before the next request still belong
//    to the answer they trail;
//  - an answer taken in complete more than TIMEOUT after its request is
//    late; a late one and one that never came complete count as time-outs;
//  - measurement frames (reply type 8) between LinkRunBegin and LinkRunEnd
//    give the frame rate of RUN.
// Times are the caller's monotonic seconds. No allocation; one trace file.
#pragma once

#include <cstdint>

struct LinkHealth {
    uint32_t requests;                 // request frames written
    uint32_t replies;                  // answers taken in complete
    uint32_t timeouts;                 // requests without a complete answer in time (late ones too)
    uint32_t wrongSync;                // answer frames not beginning with 0x00AA
    uint32_t shortAnswers;             // answers that stopped before their length
    uint32_t longAnswers;              // answers with bytes beyond their length
    uint32_t bytesFlushed;             // bytes thrown away unread
    uint32_t reopenings;               // the same device opened again
    uint32_t turnCount;                // answers timed (request to reply)
    double turnMin, turnMax, turnSum;  // seconds
    uint32_t runFrames;                // measurement frames during RUN
    double runSeconds;                 // time RUN ran
};

// The counters as they stand; an exchange still waiting is not in them yet.
extern LinkHealth gLinkHealth;

// Hooks of the serial layer (port is the program's port number).
void LinkTapOpen(int port, const char* device, double now);
void LinkTapClose(int port, double now);
void LinkTapWrite(int port, const char* bytes, int count, double now);
void LinkTapRead(int port, const char* bytes, int count, double now);
// count bytes thrown away; the first shown of them are in bytes.
void LinkTapFlush(int port, const char* bytes, int shown, int count, double now);

// RUN's loop marks its span for the frame rate.
void LinkRunBegin(double now);
void LinkRunEnd(double now);

// The counters as they would stand if the exchange still waiting ended now
// (a request older than TIMEOUT without its answer counts as a time-out).
void LinkHealthAt(double now, LinkHealth* out);
// Mean turnaround and RUN frame rate; 0 when nothing was measured.
double LinkTurnMean(const LinkHealth* h);
double LinkRunRate(const LinkHealth* h);

// The counters as text, row 0..LinkRowCount()-1: a fixed name (requests,
// replies, ...), what it means, and its value ("-" for a turnaround not
// measured yet; milliseconds and frames per second with one decimal).
int LinkRowCount(void);
const char* LinkRowName(int row);
const char* LinkRowHelp(int row);  // what the counter means, one line
int LinkRowValue(const LinkHealth* h, int row, char* out, int size);
// All rows on one line, "name=value name=value ..." (print LINK).
int LinkHealthLine(const LinkHealth* h, char* out, int size);

// -------------------------------------------------------------- trace --

enum {
    kTraceBytesPerLine = 128,  // longer reads go on several lines
    kTraceLineSize = 640,
};
// One trace line into out (terminated, ends with '\n'): time in whole
// microseconds, direction ("out", "in", "--" for a note), the byte count,
// the bytes in hex, then " | " and the meaning. Returns its length.
int TraceFormatLine(double now, const char* direction, const char* bytes, int count,
                    const char* meaning, char* out, int size);
// Opens (truncates) the trace file: every later tap writes its lines,
// each flushed as it is written. 1/0. nullptr or "" closes it.
int LinkTraceOpen(const char* path);
void LinkTraceClose(void);
