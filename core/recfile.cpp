// Recorder file contents, without the platform: the header and the sample
// lines byte for byte, and the split of a duration for the time displays.
//
// Format facts owned here: 8-bit text read by spreadsheets on the shop
// floor's PCs, so the micro sign of two labels is the single byte 0xB5
// (Windows-1252) and every line ends with CR LF; fields are separated by
// one TAB. The offset (words 62-63) is written signed, the slope (words
// 60-61) in micrometres per pixel as a single-precision value; samples are
// E-LEFT, E-RIGHT, M-VALUE, EDGES and the micrometre value, the last one
// signed 32-bit.
#include "core/recfile.h"

#include <cstdio>

#include "core/protocol.h"
#include "core/sanitize.h"

const char kRecFileDefault[] = "RECORD.DAT";

namespace {

const char kRecHeaderFormat[] =
    "Date:\t%s\r\n"
    "Time:\t%s\r\n"
    "Time-Increment[s]:\t%u\r\n"
    "Number of Samples:\t%u\r\n"
    "Offset-Value [\xB5m]:\t%ld\r\n"
    "Slope-Value [\xB5m/pixel]:\t%.7g\r\n"
    "E-LEFT\tE-RIGHT\tM-VALUE\tEDGES\tM-VAL[um]\r\n";
const char kRecSampleFormat[] = "%ld\t%ld\t%ld\t%ld\t%ld\r\n";

enum { kSecondsPerDay = 86400, kSecondsPerHour = 3600, kSecondsPerMinute = 60 };

int Checked(int length, int size) {
    return length < 0 || length >= size ? -1 : length;
}

}  // namespace

double RecSlope(void) {
    return RecordU32(parameter, kWordSlopeLow) / SlopeScaleOf(VariantOf());
}

int FormatRecHeader(char* buf, int size, const char* date, const char* time, uint16_t inc,
                    uint16_t samples) {
    const int32_t offset = static_cast<int32_t>(RecordU32(parameter, kWordOffsetLow));
    const float slope = static_cast<float>(RecSlope());
    const int n = std::snprintf(buf, static_cast<size_t>(size), kRecHeaderFormat, date, time,
                                static_cast<unsigned>(inc), static_cast<unsigned>(samples),
                                static_cast<long>(offset), static_cast<double>(slope));
    return Checked(n, size);
}

int FormatRecSample(char* buf, int size) {
    const int n =
        std::snprintf(buf, static_cast<size_t>(size), kRecSampleFormat, static_cast<long>(Ledge),
                      static_cast<long>(Redge), static_cast<long>(Mvalue), static_cast<long>(edcnt),
                      static_cast<long>(static_cast<int32_t>(umValue)));
    return Checked(n, size);
}

void SplitRecTime(uint32_t seconds, int* days, int* hours, int* minutes, int* secs) {
    *days = static_cast<int>(seconds / kSecondsPerDay);
    seconds %= kSecondsPerDay;
    *hours = static_cast<int>(seconds / kSecondsPerHour);
    seconds %= kSecondsPerHour;
    *minutes = static_cast<int>(seconds / kSecondsPerMinute);
    *secs = static_cast<int>(seconds % kSecondsPerMinute);
}
