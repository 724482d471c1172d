// Recorder file lines byte for byte, the split of the planned time, and the
// linearisation table's values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KovexaV308/kovexa.h"

namespace {

std::string Header(uint16_t inc, uint16_t samples) {
    char buf[kRecHeaderSize];
    const int n = FormatRecHeader(buf, sizeof buf, "12-06-2026", "22:15:07", inc, samples);
    return n < 0 ? std::string("<none>") : std::string(buf, static_cast<size_t>(n));
}

std::string Sample(void) {
    char buf[kRecLineSize];
    const int n = FormatRecSample(buf, sizeof buf);
    return n < 0 ? std::string("<none>") : std::string(buf, static_cast<size_t>(n));
}

void SetSlopeOffset(uint32_t slope, uint16_t offsetLow, uint16_t offsetHigh) {
    parameter[60] = static_cast<uint16_t>(slope & 0xFFFF);
    parameter[61] = static_cast<uint16_t>(slope >> 16);
    parameter[62] = offsetLow;
    parameter[63] = offsetHigh;
}

// Catches a label or line end off by a byte (UTF-8 micro sign, LF only), an
// offset written unsigned, or the slope scaled for the wrong variant.
TEST(RecFile, HeaderIsSevenCrLfLinesWithSingleByteMicroSign) {
    hwtype = 37;
    softversion = 302;
    SetSlopeOffset(16384, 0xFFFB, 0xFFFF);
    EXPECT_EQ(std::string("Date:\t12-06-2026\r\n"
                          "Time:\t22:15:07\r\n"
                          "Time-Increment[s]:\t1\r\n"
                          "Number of Samples:\t20\r\n"
                          "Offset-Value [\xB5m]:\t-5\r\n"
                          "Slope-Value [\xB5m/pixel]:\t1\r\n"
                          "E-LEFT\tE-RIGHT\tM-VALUE\tEDGES\tM-VAL[um]\r\n"),
              Header(1, 20));
}

struct SlopeCase {
    uint16_t hwtype, softversion;
    const char* line;
};

class RecSlopeByVariant : public ::testing::TestWithParam<SlopeCase> {};

// Catches the slope divided by firmware alone (a Tarvo sensor reports
// firmware below 303 on some units) or by the wrong scale.
TEST_P(RecSlopeByVariant, SlopeWordsOf16384) {
    hwtype = GetParam().hwtype;
    softversion = GetParam().softversion;
    SetSlopeOffset(16384, 0, 0);
    const std::string h = Header(0, 0);
    EXPECT_NE(std::string::npos, h.find(GetParam().line)) << h;
}

INSTANTIATE_TEST_SUITE_P(Variants, RecSlopeByVariant,
                         ::testing::Values(SlopeCase{37, 302, "pixel]:\t1\r\n"},
                                           SlopeCase{55, 303, "pixel]:\t16\r\n"},
                                           SlopeCase{400, 302, "pixel]:\t16\r\n"}));

// Catches the micrometre value written unsigned (4294967295 instead of a
// negative value) or columns out of order.
TEST(RecFile, SampleLineIsFiveSignedColumns) {
    Ledge = 65535;
    Redge = 2;
    Mvalue = 3;
    edcnt = 4;
    umValue = 0x80000000u;
    EXPECT_EQ("65535\t2\t3\t4\t-2147483648\r\n", Sample());
    umValue = 12345;
    EXPECT_EQ("65535\t2\t3\t4\t12345\r\n", Sample());
}

// Catches the shift taken as 0x8000, a lost wrap-around, and a value above
// 65535 cut to its low bits (or a half-written table).
TEST(LinTable, ShiftsBy32767ModuloAndRefusesValuesAbove65535) {
    const uint32_t values[] = {0, 32768, 32769, 65535};
    uint16_t table[4] = {1, 1, 1, 1};
    ASSERT_EQ(1, LinTableFromValues(values, 4, table));
    EXPECT_EQ((std::vector<uint16_t>{32767, 65535, 0, 32766}),
              std::vector<uint16_t>(table, table + 4));
    const uint32_t bad[] = {0, 65536};
    EXPECT_EQ(0, LinTableFromValues(bad, 2, table));
    EXPECT_EQ(32767, table[0]);
}

// Catches a remainder taken from the wrong unit.
TEST(RecFile, PlannedTimeSplitsIntoDaysHoursMinutesSeconds) {
    int d = -1, h = -1, m = -1, s = -1;
    SplitRecTime(65535u * 65535u, &d, &h, &m, &s);
    EXPECT_EQ((std::vector<int>{49708, 18, 3, 45}), (std::vector<int>{d, h, m, s}));
}

}  // namespace
