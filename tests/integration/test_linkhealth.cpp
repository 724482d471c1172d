// Each way the simulated sensor can misbehave moves its own link counter and shows in the trace.
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "core/linkwatch.h"
#include "tests/integration/support_harness.h"

namespace {

struct FaultRow {
    const char* name;
    void (*apply)(SimFaults* f);
    uint32_t LinkHealth::*counter;
    const char* traced;  // what the trace says of it
};

// clang-format off
const FaultRow kRows[] = {
    {"None", nullptr, &LinkHealth::replies, "| reply 5\n"},
    {"Silent", [](SimFaults* f) { f->silent = 1; }, &LinkHealth::timeouts,
     "| time-out: no answer to request 5"},
    {"Late", [](SimFaults* f) { f->replyDelay = 1.8; }, &LinkHealth::timeouts, "| reply 5 late"},
    {"WrongSync", [](SimFaults* f) { f->wrongSync = 1; }, &LinkHealth::wrongSync, "| wrong sync"},
    {"Garbage", [](SimFaults* f) { f->garbageBefore = 5; }, &LinkHealth::bytesFlushed,
     "| flushed"},
    {"Short", [](SimFaults* f) { f->shortReply = 20; }, &LinkHealth::shortAnswers,
     "| short answer: 20 of 36 bytes"},
    {"Long", [](SimFaults* f) { f->extraBytes = 4; }, &LinkHealth::longAnswers,
     "| long answer: 40 of 36 bytes"},
    {"Unsolicited", [](SimFaults* f) { f->extraBytes = kFrameSize; f->extraDelay = 0.05; },
     &LinkHealth::longAnswers, "| beyond the answer"},
};
// clang-format on

class LinkHealthFaults : public SensorHarness, public ::testing::WithParamInterface<int> {};

// Catches a fault counted nowhere or in the wrong counter, and a trace that does not say it.
TEST_P(LinkHealthFaults, MovesItsCounterAndIsTraced) {
    const FaultRow& row = kRows[GetParam()];
    const std::string trace = "/tmp/kovexa_link_" + std::to_string(getpid()) + ".trace";
    ASSERT_EQ(1, LinkTraceOpen(trace.c_str()));
    StartProgram("edge1024");
    if (row.apply) SetFaults(row.apply);
    LinkHealth before;
    LinkHealthAt(Timer(), &before);

    // One line check, late bytes given their time, then the flush every request begins with.
    CheckComLine(com);
    Pump(0.5);
    FlushInQ(com);
    StopProgram();
    LinkTraceClose();

    LinkHealth after;
    LinkHealthAt(Timer(), &after);
    EXPECT_LT(before.*row.counter, after.*row.counter);
    for (const FaultRow& fault : kRows)  // a sound sensor moves no fault counter
        EXPECT_TRUE(row.apply || !fault.apply || before.*fault.counter == after.*fault.counter)
            << fault.name;
    std::ifstream in(trace);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(std::string::npos, text.find(row.traced)) << text;
    std::remove(trace.c_str());
}

INSTANTIATE_TEST_SUITE_P(Faults, LinkHealthFaults,
                         ::testing::Range(0, static_cast<int>(sizeof kRows / sizeof kRows[0])),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(kRows[info.param].name);
                         });

class LinkHealthTest : public SensorHarness {};

// Catches a LINK button that shows nothing or stale counters, a right click that does not
// explain them, a CLOSE that does not close, and a port chosen again counted as a new device.
TEST_F(LinkHealthTest, LinkWindowShowsCountersExplainsThemAndCloses) {
    StartProgram("edge1024");
    LinkHealth first;
    LinkHealthAt(Timer(), &first);
    ASSERT_EQ(1, HostSetValueAsUser(pHandle, MAIN_DropDCom, 1));
    ASSERT_EQ(1, HostClick(pHandle, MAIN_BTNLink));
    int shown = 0;
    GetPanelAttribute(pLink, ATTR_VISIBLE, &shown);
    EXPECT_EQ(1, shown);
    char line[160];
    GetTextBoxLine(pLink, LINK_TEXTlink, 0, line, sizeof line);
    LinkHealth h;
    LinkHealthAt(Timer(), &h);
    char expected[160];
    std::snprintf(expected, sizeof expected, "%-14s %10u", "requests", unsigned{h.requests});
    EXPECT_STREQ(expected, line);
    EXPECT_EQ(first.reopenings + 1, h.reopenings);
    EXPECT_LT(first.requests, h.requests);
    HostClick(pHandle, MAIN_BTNGet);
    HostClick(pLink, LINK_BTNLinkRefresh);
    GetTextBoxLine(pLink, LINK_TEXTlink, 0, line, sizeof line);
    EXPECT_NE(nullptr, strstr(line, std::to_string(h.requests + 2).c_str())) << line;
    HostRightClick(pLink, LINK_TEXTlink);
    GetTextBoxLine(pLink, LINK_TEXTlink, 2, line, sizeof line);
    EXPECT_EQ(0, strncmp(line, "time-outs: requests without", 27)) << line;
    HostClick(pLink, LINK_BTNLinkClose);
    GetPanelAttribute(pLink, ATTR_VISIBLE, &shown);
    EXPECT_EQ(0, shown);
}

}  // namespace
