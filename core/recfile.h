// Recorder file, without the platform: 8-bit text, CR LF line ends,
// the micro sign as the single byte 0xB5; a 7-line header, then one line
// per sample.
#pragma once

#include <cstdint>

enum {
    kRecLineSize = 96,     // one sample line, with room to spare
    kRecHeaderSize = 384,  // the seven header lines
    kServiceCode = 7315,   // typed as increment: reveals the X-FLASH write
};
extern const char kRecFileDefault[];  // "RECORD.DAT"
// Slope in micrometres per pixel: words 60-61 over 16384 (standard) or
// 1024 (V303, Tarvo), by the variant in force.
double RecSlope(void);
// Header lines 1 to 7 into buf, from the record and the given setup.
// Length in bytes, or -1 when buf is too small.
int FormatRecHeader(char* buf, int size, const char* date, const char* time, uint16_t inc,
                    uint16_t samples);
// The sample line of the measurement record in force. Length, or -1.
int FormatRecSample(char* buf, int size);
// Seconds as days, hours, minutes and seconds.
void SplitRecTime(uint32_t seconds, int* days, int* hours, int* minutes, int* secs);
