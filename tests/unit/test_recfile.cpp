// Recorder file lines byte for byte, the planned time's split, the lin table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/protocol.h"
#include "core/recfile.h"
#include "core/xflash_frames.h"

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

// Catches a UTF-8 micro sign, LF ends, an unsigned offset, slope scaled by firmware alone or
// cut to six digits.
TEST(RecFile, HeaderIsSevenCrLfLinesWithSingleByteMicroSignAndSlopeByVariant) {
    hwtype = 37;
    softversion = 302;
    const uint16_t kSlope16384Offset5Below[] = {16384, 0, 0xFFFB, 0xFFFF};  // words 60-63
    for (int i = 0; i < 4; ++i) parameter[60 + i] = kSlope16384Offset5Below[i];
    EXPECT_EQ(std::string("Date:\t12-06-2026\r\n"
                          "Time:\t22:15:07\r\n"
                          "Time-Increment[s]:\t1\r\n"
                          "Number of Samples:\t20\r\n"
                          "Offset-Value [\xB5m]:\t-5\r\n"
                          "Slope-Value [\xB5m/pixel]:\t1\r\n"
                          "E-LEFT\tE-RIGHT\tM-VALUE\tEDGES\tM-VAL[um]\r\n"),
              Header(1, 20));
    const uint16_t kScaledBy16[][2] = {{55, 303}, {400, 302}};  // hwtype, firmware
    for (const auto& id : kScaledBy16) {
        hwtype = id[0];
        softversion = id[1];
        EXPECT_NE(std::string::npos, Header(0, 0).find("pixel]:\t16\r\n")) << hwtype;
    }
    parameter[60] = 16385;  // 16385 / 1024 shows all seven digits
    EXPECT_NE(std::string::npos, Header(0, 0).find("pixel]:\t16.00098\r\n"));
}

// Catches the micrometre value written unsigned or columns out of order.
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

// Catches the shift taken as 0x8000, a lost wrap-around, or a value above 65535 cut.
TEST(LinTable, ShiftsBy32767ModuloAndRefusesValuesAbove65535) {
    const uint32_t values[] = {0, 32768, 32769, 65535};
    uint16_t table[4] = {1, 1, 1, 1};
    ASSERT_EQ(1, LinTableFromValues(values, 4, table));
    EXPECT_EQ((std::vector<uint16_t>{32767, 65535, 0, 32766}),
              std::vector<uint16_t>(table, table + 4));
    const uint32_t bad[] = {0, 65536};
    EXPECT_EQ(0, LinTableFromValues(bad, 2, table));
}

// Catches a remainder taken from the wrong unit.
TEST(RecFile, PlannedTimeSplitsIntoDaysHoursMinutesSeconds) {
    int d = -1, h = -1, m = -1, s = -1;
    SplitRecTime(65535u * 65535u, &d, &h, &m, &s);
    EXPECT_EQ((std::vector<int>{49708, 18, 3, 45}), (std::vector<int>{d, h, m, s}));
}

}  // namespace
