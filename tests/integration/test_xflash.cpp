// The linearisation memory service against the simulated sensor: file,
// clear and write frames, progress, end texts, line faults, service button.
#include <fstream>
#include <string>
#include <vector>

#include "tests/integration/support_during.h"
#include "tests/integration/support_harness.h"

namespace {

const char kDone[] = "X-FLASH Data successfully written!";
const char kIncomplete[] = "X-FLASH write NOT completed: ";

std::string LinFile(void) {
    return ScratchPath("lin.dat");
}

void WriteLinFile(const std::string& text) {
    std::ofstream(LinFile(), std::ios::binary) << text;
}

std::string Numbers(int n, const char* each) {
    std::string text;
    for (int i = 0; i < n; ++i) text += std::string(each) + "\r\n";
    return text;
}

// Frames that were not confirmed, read from the end text; -1 for another text.
int Unconfirmed(void) {
    const std::string s = StatusLine();
    if (s.rfind(kIncomplete, 0) != 0) return -1;
    return std::atoi(s.c_str() + sizeof kIncomplete - 1);
}

// Writes the file through the service button, running step inside (see ClickDuring).
void WriteTable(const std::function<bool(int)>& step = [](int) { return true; }) {
    HostSetValueAsUser(pPopup, POPUP_NUMinctime, kServiceCode);
    HostQueueFileAnswer(LinFile().c_str());
    ClickDuring(pCalib, CALIB_BTNWriteXFLASH, step);
}

class XFlash : public SensorHarness {
protected:
    void Start(const char* model) {
        SimResetFaults();  // also for the probe, when a case restarts
        StartProgram(model);
        SimClearRequests();
    }
};

// Catches a wrong shift, page or offset, entries taken from another page, bytes 24-35
// rewritten, or no completion shown; unconfirmed frames miscounted, reported as success,
// confirmed by a reply naming another offset, or shown with a foreign page.
TEST_F(XFlash, LineIGoesOutAsIPlus32767In256FramesOverPages2To9AndUnconfirmedOnesAreCounted) {
    Start("edge1024");
    std::string ascending;  // every entry differs, so an entry from elsewhere shows
    for (int i = 0; i < 2048; ++i) ascending += std::to_string(i) + "\r\n";
    WriteLinFile(ascending);
    WriteTable();
    const std::vector<SimRequest> req = Requests();
    ASSERT_EQ(257u, req.size());
    EXPECT_EQ(CMD_XFLASH_CLEAR, RequestWord(req[0], 2));
    for (int i = 6; i < 36; i += 2) EXPECT_EQ(0x00AA, RequestWord(req[0], i)) << i;
    for (int f = 0; f < 256; ++f) {
        const SimRequest& r = req[static_cast<size_t>(f) + 1];
        EXPECT_EQ(CMD_XFLASH_WRITE, RequestWord(r, 2)) << f;
        EXPECT_EQ(8 * (f % 32), RequestWord(r, 4)) << f;
        EXPECT_EQ(2 + f / 32, RequestWord(r, 6)) << f;
        for (int i = 0; i < 8; ++i) EXPECT_EQ(8 * f + i + 32767, RequestWord(r, 8 + 2 * i)) << f;
    }
    for (int i = 24; i < 36; i += 2) EXPECT_EQ(0x00AA, RequestWord(req[1], i)) << i;
    EXPECT_EQ(kDone, StatusLine());
    HostRect rects[300];
    const int n = HostGraphRects(pHandle, MAIN_GRAPHBar, rects, 300);
    ASSERT_GT(n, 0);
    EXPECT_EQ(VAL_GRAY, rects[n - 1].fillColor);
    double counter = 0;
    GetCtrlVal(pHandle, MAIN_DISPanaMax, &counter);
    EXPECT_EQ(2040, counter);
    EXPECT_EQ(0, HostIsVisible(pCalib, CALIB_BTNWriteXFLASH));
    EXPECT_EQ(1, HostIsDimmed(pCalib, CALIB_NUMcalSlope));

    // Unconfirmed frames: counted, never success, no foreign page shown.
    SimClearRequests();
    SetFaults([](SimFaults* f) { f->silent = 1; });
    WriteTable([](int) {
        SimResetFaults();  // the clear frame stays unanswered
        return true;
    });
    EXPECT_EQ(257, SimRequestCount());
    EXPECT_EQ(1, Unconfirmed());

    for (const int foreignPage : {12, 0}) {
        SimResetFaults();
        SetFaults([&](SimFaults* f) {
            f->xflashPage = foreignPage;
            f->xflashOffset = foreignPage ? 0 : 5;  // no frame starts at offset 5
        });
        std::vector<std::string> texts;
        WriteTable([&](int n) {
            texts.push_back(StatusLine());
            return n >= 200;
        });
        EXPECT_EQ(256, Unconfirmed()) << foreignPage;
        for (const std::string& t : texts)
            EXPECT_TRUE(!foreignPage || t.find("PAGE") == t.npos) << t;
    }
}

// Catches a Tarvo table read or sent beyond 1024 entries, or never completed; a table
// refused for a byte-order mark before it or a text and DOS end-of-file tail after it.
TEST_F(XFlash, TarvoReads1024NumbersAndSendsPages2To5Only) {
    Start("tarvo");
    for (int i = 0; i < 2048; ++i) linArray[i] = 7;
    WriteLinFile("\xEF\xBB\xBF" + Numbers(1024, "1") + "end of table\r\n\x1A");
    WriteTable();
    const std::vector<SimRequest> req = Requests();
    ASSERT_EQ(129u, req.size());
    EXPECT_EQ(248, RequestWord(req.back(), 4));
    EXPECT_EQ(5, RequestWord(req.back(), 6));
    EXPECT_EQ(32768, linArray[1023]);
    EXPECT_EQ(7, linArray[1024]);
    EXPECT_EQ(kDone, StatusLine());
}

// Catches a bad file clearing the sensor or linArray silently, a refusal that does not name
// the line at fault, or a cancel leaving the button.
TEST_F(XFlash, BadFileOrCancelSendsNothingAndHidesTheButton) {
    Start("edge1024");
    for (int i = 0; i < 2048; ++i) linArray[i] = 7;
    const std::pair<std::string, const char*> bad[] = {
        {Numbers(2047, "5"), "line 2047: only 2047 of 2048 numbers!"},
        {Numbers(2047, "5") + "12abc\r\n", "line 2048: not a number 0..65535!"},
        {"-5\r\n" + Numbers(2047, "5"), "line 1: not a number 0..65535!"},
        {Numbers(1000, "5") + "65536\r\n" + Numbers(1047, "5"),
         "line 1001: not a number 0..65535!"}};
    for (const auto& c : bad) {
        WriteLinFile(c.first);
        WriteTable();
        EXPECT_EQ(std::string("Linearisation-file refused: ") + c.second, StatusLine());
        EXPECT_EQ(0, HostIsVisible(pCalib, CALIB_BTNWriteXFLASH));
    }
    EXPECT_EQ(0, SimRequestCount());
    EXPECT_EQ(7, linArray[0]);
    HostSetValueAsUser(pPopup, POPUP_NUMinctime, kServiceCode);
    HostQueueFileAnswer(nullptr);
    ASSERT_EQ(1, HostClick(pCalib, CALIB_BTNWriteXFLASH));
    EXPECT_EQ(0, HostIsVisible(pCalib, CALIB_BTNWriteXFLASH));
    EXPECT_EQ(1, HostIsDimmed(pCalib, CALIB_NUMcalSlope));
    EXPECT_EQ(0, SimRequestCount());
}

// Catches a transfer to a silent sensor going on for minutes or reporting success.
TEST_F(XFlash, StopQuitOrLineGoneEndsTheTransferBetweenFramesAsNotCompleted) {
    const struct {
        const char* name;
        void (*stop)(void);
    } kStops[] = {{"stop", [] { HostClick(pHandle, MAIN_BTNStop); }},
                  {"line gone", [] { SimHangUp(); }},
                  {"quit", [] { HostClosePanel(pHandle); }}};
    for (const auto& c : kStops) {
        Start("edge1024");
        WriteLinFile(Numbers(2048, "0"));
        SetFaults([](SimFaults* f) { f->answerLimit = 20; });
        const double t0 = Timer();
        WriteTable([&](int n) {
            if (n < 22) return false;
            c.stop();
            return true;
        });
        Pump(0.2);
        EXPECT_LT(Timer() - t0, 6.0) << c.name;
        EXPECT_LE(SimRequestCount(), 23) << c.name;
        EXPECT_GE(Unconfirmed(), 257 - 20) << c.name;  // also: no success text
        EXPECT_EQ(0, HostIsVisible(pCalib, CALIB_BTNWriteXFLASH));
    }
}

}  // namespace
