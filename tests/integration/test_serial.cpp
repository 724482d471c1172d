// Serial-port service against a pseudo-terminal whose master side plays the
// far end of the line: notify-count callback, queue calls, open errors,
// calls on closed ports, and the line going away.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "platform/cvi.h"

namespace {

// Idle event passes in 1.5 s are about 150 (10 ms each); a loop spinning on a
// dead descriptor makes tens of thousands.
enum { kPort = 1, kFrame = 36, kEventChar = 0x55, kRxMask = 0x8006, kMaxIdlePasses = 3000 };

// The serial layer delivers from the event loop: one application object for
// the process, created by the first test that needs it.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "test_serial";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

// The sensor's side of the line: the master of a raw pseudo-terminal.
struct FarEnd {
    int master = -1;
    char path[128] = {0};

    int Open() {
        termios raw{};
        cfmakeraw(&raw);
        cfsetspeed(&raw, B19200);
        int slave = -1;
        if (openpty(&master, &slave, nullptr, &raw, nullptr) != 0) return 0;
        close(slave);  // the port under test opens the slave by its path
        return ptsname_r(master, path, sizeof path) == 0;
    }
    void Write(const void* data, size_t length) {
        ASSERT_EQ(static_cast<ssize_t>(length), write(master, data, length));
    }
    void WriteFill(int value, size_t length) {
        Write(std::string(length, static_cast<char>(value)).data(), length);
    }
    void HangUp() {
        if (master >= 0) close(master);
        master = -1;
    }
    ~FarEnd() { HangUp(); }
};

// Runs event processing until done() or seconds pass; 1 when done.
int PumpUntil(const std::function<bool()>& done, double seconds) {
    for (const double start = Timer(); !done(); ProcessSystemEvents())
        if (Timer() - start > seconds) return 0;
    return 1;
}

void Pump(int passes) {
    for (int i = 0; i < passes; ++i) ProcessSystemEvents();
}

// GetInQLen polled without event processing, as a raw-read loop does.
int PollInQLen(int want) {
    int waiting = 0;
    for (int i = 0; i < 200 && (waiting = GetInQLen(kPort)) < want; ++i) Sleep(5);
    return waiting;
}

struct CallbackLog {
    int calls = 0, wrongEvents = 0;  // wrong: anything but exactly kComEventRxCount
    int depth = 0, maxDepth = 0, bytesRead = 0;
    int readPerCall = kFrame;  // bytes each call reads (0: reads nothing)
    int pumpInside = 0;        // event passes each call runs before returning
    int feedMaster = -1;       // far end that each call sends one more frame to ...
    int feedFrames = 0;        // ... this many times
};
CallbackLog g_log;

void LoggingCallback(int port, int events, void*) {
    ++g_log.calls;
    g_log.wrongEvents += events != kComEventRxCount;
    if (++g_log.depth > g_log.maxDepth) g_log.maxDepth = g_log.depth;
    char frame[kFrame];
    const int got = g_log.readPerCall > 0 ? ComRd(port, frame, g_log.readPerCall) : 0;
    if (got > 0) g_log.bytesRead += got;
    if (g_log.feedFrames > 0) {
        --g_log.feedFrames;
        std::memset(frame, 0x5B, sizeof frame);
        g_log.wrongEvents += write(g_log.feedMaster, frame, sizeof frame) != kFrame;
    }
    Pump(g_log.pumpInside);
    --g_log.depth;
}

int CallsAtLeast(int n) {
    return PumpUntil([n]() { return g_log.calls >= n; }, 1.0);
}

class Serial : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplication();
        g_log = CallbackLog{};
        ASSERT_TRUE(far.Open());
        ASSERT_EQ(1, PortTableSetDevice(kPort, far.path));
        ASSERT_EQ(0, OpenComConfig(kPort, "", 19200, 0, 8, 1, 4096, 4096));
    }
    void TearDown() override { CloseCom(kPort); }
    void Install(int mask) {
        ASSERT_EQ(0, InstallComCallback(kPort, mask, kFrame, kEventChar, LoggingCallback, nullptr));
    }
    void WaitQueued(int n) {
        ASSERT_TRUE(PumpUntil([n]() { return GetInQLen(kPort) >= n; }, 1.0));
    }
    FarEnd far;
};

}  // namespace

// -------------------------------------------------------------- callback --

// Catches a notification that fires before the notify count (35 bytes),
// hands over a frame it did not wait for, or makes one call per readyRead
// (two frames arriving together must give two calls); and an endless loop
// when the callback leaves the bytes: it is called again only for new bytes.
TEST_F(Serial, CallbackFiresAtNotifyCountOncePerFrameAndNotInALoop) {
    Install(kRxMask);
    far.WriteFill(0x11, kFrame - 1);
    WaitQueued(kFrame - 1);
    Pump(20);
    EXPECT_EQ(0, g_log.calls);
    far.WriteFill(0x22, 1);
    ASSERT_TRUE(CallsAtLeast(1));
    EXPECT_EQ(0, GetInQLen(kPort));
    far.WriteFill(0x66, 2 * kFrame);
    ASSERT_TRUE(CallsAtLeast(3));
    Pump(10);
    EXPECT_EQ(3, g_log.calls);
    EXPECT_EQ(0, g_log.wrongEvents);
    EXPECT_EQ(3 * kFrame, g_log.bytesRead);
    g_log.readPerCall = 0;
    far.WriteFill(0x12, kFrame);
    ASSERT_TRUE(CallsAtLeast(4));
    Pump(50);
    EXPECT_EQ(4, g_log.calls);
    far.WriteFill(0x13, 1);
    ASSERT_TRUE(CallsAtLeast(5));
}

// Catches event-character or transmit events delivered (or delivered as the
// notify-count bit), and a removal that leaves the callback armed, for both
// removal forms: only 0x8000 ever reaches an installed callback.
TEST_F(Serial, OnlyRxCountEventReachesAnInstalledCallback) {
    // Event characters below the notify count, then frames with no notify-count bit.
    const int kMasks[][2] = {{kRxMask, 10}, {kComEventRxChar | kComEventTxEmpty, 2 * kFrame}};
    for (const auto& m : kMasks) {
        Install(m[0]);
        far.WriteFill(kEventChar, m[1]);
        WaitQueued(m[1]);
        Pump(20);
        ASSERT_EQ(0, FlushInQ(kPort));
    }
    Install(kRxMask);
    ASSERT_EQ(0, InstallComCallback(kPort, 0, kFrame, kEventChar, nullptr, nullptr));
    far.WriteFill(0x33, kFrame);
    WaitQueued(kFrame);
    Install(kRxMask);
    ASSERT_EQ(0, InstallComCallback(kPort, kRxMask, kFrame, kEventChar, nullptr, nullptr));
    Pump(20);
    EXPECT_EQ(0, g_log.calls);
    EXPECT_EQ(kFrame, GetInQLen(kPort));  // the bytes stay for a raw read
}

// Catches bytes that waited before installing being lost (no new readyRead)
// or delivered from inside InstallComCallback; re-entry when the callback
// itself processes events while the next frame arrives, and frames lost
// because of the guard. Both ways a call starts are covered: the queued
// check after installing, and readyRead.
TEST_F(Serial, WaitingBytesAreDeliveredAndCallbackIsNeverReentered) {
    g_log.pumpInside = 20;
    g_log.feedMaster = far.master;
    g_log.feedFrames = 2;
    far.WriteFill(0x77, kFrame);
    WaitQueued(kFrame);
    Pump(10);  // nothing left to announce the bytes but the install
    Install(kRxMask);
    EXPECT_EQ(0, g_log.calls);
    ASSERT_TRUE(CallsAtLeast(3));
    g_log.feedFrames = 1;
    far.WriteFill(0x78, kFrame);
    ASSERT_TRUE(CallsAtLeast(5));
    Pump(10);
    EXPECT_EQ(1, g_log.maxDepth);
    EXPECT_EQ(5, g_log.calls);
    EXPECT_EQ(5 * kFrame, g_log.bytesRead);
}

// ------------------------------------------------------------------ I/O --

// Catches a GetInQLen that only sees what the event loop already read (a
// raw-read polling loop would wait for nothing), one that pulls the bytes in
// and runs the callback right there in the caller's call, and a flush that
// leaves bytes or stops the queue.
TEST_F(Serial, GetInQLenSeesBytesWithoutRunningTheCallback) {
    Install(kRxMask);
    far.WriteFill(0x21, 10);
    EXPECT_EQ(10, PollInQLen(10));
    EXPECT_EQ(0, FlushInQ(kPort));
    EXPECT_EQ(0, GetInQLen(kPort));
    far.WriteFill(0x55, kFrame);
    ASSERT_EQ(kFrame, PollInQLen(kFrame));
    EXPECT_EQ(0, g_log.calls);
    ASSERT_TRUE(CallsAtLeast(1));
    EXPECT_EQ(kFrame, g_log.bytesRead);
    EXPECT_EQ(0, FlushOutQ(kPort));
}

// Catches a ComRd that stores more than asked (overrunning the caller's
// buffer) or loses the bytes it did not take, that returns before its
// time-out with bytes still to come, or that waits forever for bytes that
// never come.
TEST_F(Serial, ComRdTakesBytesIntactWithinTheBufferAndWaitsUpToItsTimeout) {
    unsigned char sent[50];
    for (int i = 0; i < 50; ++i) sent[i] = static_cast<unsigned char>(0xA0 + i);
    far.Write(sent, sizeof sent);
    WaitQueued(50);
    char buffer[64];
    std::memset(buffer, 0x5A, sizeof buffer);
    ASSERT_EQ(10, ComRd(kPort, buffer, 10));
    EXPECT_EQ(0, std::memcmp(buffer, sent, 10));
    for (int i = 10; i < 64; ++i) ASSERT_EQ(0x5A, buffer[i]) << "byte " << i;
    ASSERT_EQ(40, ComRd(kPort, buffer, 40));
    EXPECT_EQ(0, std::memcmp(buffer, sent + 10, 40));
    ASSERT_EQ(0, SetComTime(kPort, 1.0));
    far.WriteFill(0x31, 5);
    std::thread late([this]() {
        Sleep(50);
        far.WriteFill(0x32, 5);
    });
    const int got = ComRd(kPort, buffer, 10);
    late.join();
    EXPECT_EQ(10, got);
    ASSERT_EQ(0, SetComTime(kPort, 0.2));
    far.WriteFill(0x33, 3);
    EXPECT_EQ(3, ComRd(kPort, buffer, 10));
}

// Catches a reopen of an open port that fails (lock still held) or leaves
// the old callback armed, and a second number opening the device in use.
TEST_F(Serial, OpeningAnOpenPortReopensIt) {
    Install(kRxMask);
    ASSERT_EQ(0, OpenComConfig(kPort, "", 19200, 0, 8, 1, 4096, 4096));
    EXPECT_EQ(kComErrCannotOpen, OpenComConfig(2, far.path, 19200, 0, 8, 1, 4096, 4096));
    far.WriteFill(0x41, kFrame);
    WaitQueued(kFrame);
    Pump(10);
    EXPECT_EQ(0, g_log.calls);
    ASSERT_EQ(kFrame, ComWrt(kPort, "0123456789012345678901234567890123456", kFrame));
}

// ------------------------------------------------------------- hang-up --

// Catches a port left open on a dead descriptor: the waiting loop must end
// by its own time-out with the event loop asleep, not spinning.
TEST_F(Serial, HangUpClosesPortAndWaitingLoopEndsByTimeout) {
    Install(kRxMask);
    far.HangUp();
    int passes = 0;
    for (const double start = Timer(); g_log.calls == 0 && Timer() - start <= 1.5; ++passes)
        ProcessSystemEvents();
    EXPECT_EQ(0, g_log.calls);
    EXPECT_LT(passes, kMaxIdlePasses);
    EXPECT_EQ(kComErrPortNotOpen, GetInQLen(kPort));
    EXPECT_EQ(kComErrPortNotOpen, ComWrt(kPort, "x", 1));
}

// Catches hang-up detection that needs the event loop: a raw read polling
// GetInQLen, or a ComRd waiting for bytes, must see it too.
TEST_F(Serial, HangUpSeenByPollingAndByWaitingRead) {
    ASSERT_EQ(0, SetComTime(kPort, 1.0));
    std::thread hangUp([this]() {
        Sleep(50);
        far.HangUp();
    });
    char buffer[kFrame];
    const int got = ComRd(kPort, buffer, kFrame);
    hangUp.join();
    EXPECT_EQ(kComErrPortNotOpen, got);
    EXPECT_EQ(kComErrPortNotOpen, GetInQLen(kPort));
    FarEnd second;  // the number opens again on a new line
    ASSERT_TRUE(second.Open());
    ASSERT_EQ(1, PortTableSetDevice(kPort, second.path));
    ASSERT_EQ(0, OpenComConfig(kPort, "", 19200, 0, 8, 1, 4096, 4096));
    second.HangUp();
    EXPECT_EQ(kComErrPortNotOpen, GetInQLen(kPort));
}

// ---------------------------------------------------------- open errors --

// Catches open failures reported with the wrong code (the user sees the
// matching text) or settings outside the driver's range accepted; and calls
// on a port never opened, or closed, touching a stale device or reporting
// success (numbers outside the table are invalid ports).
TEST(ClosedPort, OpenErrorsAndCallsOnClosedPortsGiveTheirCode) {
    EnsureApplication();
    enum DeviceKind { kNoDevice, kMissingPath, kNotSerial, kLine };
    const struct {
        int port;
        DeviceKind device;
        long baud;
        int parity, dataBits, stopBits, expected;
    } kCases[] = {
        {0, kLine, 19200, 0, 8, 1, kComErrInvalidPort},
        {kMaxPorts + 1, kLine, 19200, 0, 8, 1, kComErrInvalidPort},
        {3, kNoDevice, 19200, 0, 8, 1, kComErrInvalidPort},
        {3, kMissingPath, 19200, 0, 8, 1, kComErrCannotOpen},
        {3, kNotSerial, 19200, 0, 8, 1, kComErrCannotOpen},
        {3, kLine, 12345, 0, 8, 1, kComErrInvalidParameter},
        {3, kLine, 19200, 5, 8, 1, kComErrInvalidParameter},
        {3, kLine, 19200, 0, 9, 1, kComErrInvalidParameter},
        {3, kLine, 19200, 0, 8, 3, kComErrInvalidParameter},
        {3, kLine, 19200, 0, 8, 1, 0},
    };
    FarEnd line;
    ASSERT_TRUE(line.Open());
    const char* devices[] = {"", "/dev/kovexa-no-such-device", "/dev/null", line.path};
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - kCases));
        ASSERT_EQ(1, PortTableSetDevice(3, devices[c.device]));
        EXPECT_EQ(c.expected,
                  OpenComConfig(c.port, "", c.baud, c.parity, c.dataBits, c.stopBits, 4096, 4096));
        EXPECT_EQ(c.expected < 0 ? kComErrPortNotOpen : 0, GetInQLen(3));
        CloseCom(3);
    }
    static char scratch[kFrame];
    int (*const kCalls[])(int port) = {
        [](int port) { return CloseCom(port); },
        [](int port) { return SetComTime(port, 1.5); },
        [](int port) { return SetCTSMode(port, 0); },
        [](int port) { return FlushInQ(port); },
        [](int port) { return FlushOutQ(port); },
        [](int port) {
            return InstallComCallback(port, kRxMask, kFrame, kEventChar, LoggingCallback, 0);
        },
        [](int port) { return ComWrt(port, scratch, kFrame); },
        [](int port) { return ComRd(port, scratch, kFrame); },
        [](int port) { return GetInQLen(port); },
    };
    for (const auto& call : kCalls) {
        SCOPED_TRACE(testing::Message() << "call " << (&call - kCalls));
        EXPECT_EQ(kComErrPortNotOpen, call(7));
        ASSERT_EQ(0, OpenComConfig(8, line.path, 19200, 0, 8, 1, 4096, 4096));
        ASSERT_EQ(0, CloseCom(8));
        EXPECT_EQ(kComErrPortNotOpen, call(8));
        EXPECT_EQ(kComErrInvalidPort, call(0));
    }
}

// ------------------------------------------------------------ port table --

// Catches a table that accepts numbers outside 1..kMaxPorts, truncates long
// names into another device, or miscounts. (Where detected devices go is
// pinned by the port-name unit tests.)
TEST(PortTable, StoresDevicesByNumber) {
    for (int port = 1; port <= kMaxPorts; ++port) PortTableSetDevice(port, "");
    EXPECT_EQ(0, PortTableSetDevice(0, "/dev/ttyS0"));
    EXPECT_EQ(0, PortTableSetDevice(kMaxPorts + 1, "/dev/ttyS0"));
    EXPECT_STREQ("", PortTableDevice(kMaxPorts + 1));
    EXPECT_EQ(1, PortTableSetDevice(5, "/dev/ttyUSB0"));
    EXPECT_EQ(5, PortTableCount());
    EXPECT_EQ(0, PortTableSetDevice(5, std::string(300, 'a').c_str()));
    EXPECT_STREQ("/dev/ttyUSB0", PortTableDevice(5));
    EXPECT_EQ(1, PortTableSetDevice(5, ""));
    EXPECT_EQ(0, PortTableCount());
}
