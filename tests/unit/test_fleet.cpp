// Names, member lines and summary lines of a fleet run.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/fleet_plan.h"

namespace {

// Catches a path separator, a leading dot or a drive colon left in a file name, a field left
// unexpanded, and an overlong result written past out.
TEST(FleetNames, PortsAndModelsBecomeSafeFileNamesThatMustFit) {
    // clang-format off
    const struct {
        const char* text;
        const char* name;
    } kCases[] = {
        {"/dev/ttyUSB0", "dev_ttyUSB0"}, {"socket://127.0.0.7:4001", "socket_127.0.0.7_4001"},
        {"../../etc/passwd", "etc_passwd"}, {"COM7", "COM7"}, {"K-VEX-RZ M01", "K-VEX-RZ_M01"},
        {"", "none"}, {"///", "none"}};
    // clang-format on
    char out[64];
    for (const auto& c : kCases) {
        FleetNamePart(c.text, out, sizeof out);
        EXPECT_STREQ(c.name, out) << c.text;
    }
    ASSERT_EQ(1, FleetExpandNames("rep/{PORT}-{MODEL}-{PORT}.pdf", "/dev/ttyS1", "M/01", out,
                                  sizeof out));
    EXPECT_STREQ("rep/dev_ttyS1-M_01-dev_ttyS1.pdf", out);
    char tiny[8];
    EXPECT_EQ(0, FleetExpandNames("{PORT}.pdf", "/dev/ttyS1", "", tiny, sizeof tiny));
    EXPECT_STREQ("", tiny);
}

// Catches member fields lost or shifted on the way back, a tab in a field splitting it, and CSV
// cells that a spreadsheet would split.
TEST(FleetLines, MemberLineRoundTripsAndSummaryQuotes) {
    char line[kFleetLineSize];
    FleetMemberLine("M01", "fw\t3.08", "line 3: expect X \"1\"", "r.pdf", line, sizeof line);
    FleetResult r{};
    std::strcpy(r.port, "/dev/a,b");
    ASSERT_EQ(1, FleetParseMemberLine(line, &r));
    EXPECT_STREQ("fw 3.08", r.firmware);
    EXPECT_STREQ("r.pdf", r.report);
    EXPECT_EQ(0, FleetParseMemberLine("TEXTmodel\tM01", &r));
    r.exitCode = 1;
    FleetSummaryLine(&r, 1, line, sizeof line);
    EXPECT_STREQ(
        "\"/dev/a,b\",\"M01\",\"fw 3.08\",\"failed\",\"line 3: expect X \"\"1\"\"\","
        "\"r.pdf\"\n",
        line);
    r.exitCode = 0;
    r.failed[0] = '\0';
    FleetSummaryLine(&r, 0, line, sizeof line);
    EXPECT_STREQ("/dev/a,b\tM01\tfw 3.08\theld\t-\tr.pdf\n", line);
    EXPECT_STREQ("error", FleetResultWord(2));
}

// Catches comments or blank lines taken as ports, blanks kept around a port.
TEST(FleetLines, PortsFileLines) {
    char port[32];
    EXPECT_EQ(1, FleetPortOfLine("  /dev/ttyUSB0 \r", port, sizeof port));
    EXPECT_STREQ("/dev/ttyUSB0", port);
    EXPECT_EQ(0, FleetPortOfLine("# spare", port, sizeof port));
    EXPECT_EQ(0, FleetPortOfLine(" \t", port, sizeof port));
}

}  // namespace
