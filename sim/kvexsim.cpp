// Simulated sensor, line level: the pseudo-terminal (or serial device), the
// sensor's thread, fault injection, 19200-baud pacing and the record of
// requests; the public API of kvexsim.h. The model itself is sim_sensor.cpp.
//
// Line facts owned here: 8N1 at 19200 baud carries 1920 bytes/s each way,
// so a 36-byte frame needs 18.75 ms; the sensor answers a request only when
// all 36 bytes are in, and the line goes away when the terminal is closed.
#include "sim/kvexsim.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "sim/sim_frame.h"
#include "sim/sim_sensor.h"

static const double kSimBytesPerSecond = 1920.0;  // 19200 baud, 10 bits a byte
static const int kSimPacedChunk = 4;              // bytes written per paced step
static const int kSimRequestCapacity = 16384;     // requests kept for inspection
static const int kSimMaxNoise = 256;              // garbage or extra bytes at most
static const uint8_t kSimNoiseByte = 0xEE;
static const double kSimWriteStall = 2.0;    // seconds a full output may block an answer
static const double kSimHangUpWait = 2.0;    // seconds SimHangUp waits for the thread
static const double kSimDeliveryWait = 0.5;  // seconds a planned hang-up waits for the reader
static const double kSimDeliveryMin = 0.02;
static const double kSimDeliveryStep = 0.001;
static const int kSimMaxCommandBit = 32;

// ------------------------------------------------------------------ state --

static std::mutex g_lock;
static std::condition_variable g_lineChanged;
static std::thread g_thread;
static int g_running;
static int g_lineFd = -1;   // pty master or serial device
static int g_slaveFd = -1;  // our own hold on the pty's slave side
static int g_wake[2] = {-1, -1};
static int g_stopRequest;
static int g_hangUpRequest;

static SimFaults g_faults = {0, 0, 0, -1, 0.0, 0, 0, 0, 0, 0, 0, -1, 0, 0, 0.0, 0, 0, 0};
static int g_answersSinceFaults;
static int g_measuresSinceFaults;
static int g_answerCount;
static uint32_t g_droppedBytes;

static SimRequest g_requests[kSimRequestCapacity];
static int g_requestTotal;

// Thread-only state.
static SimStream g_stream;
static double g_lineFreeAt;       // paced: when the last answer's final byte is out
static double g_lastRequestDone;  // paced: when the last request's final byte was in

double SimNow(void) {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

static void DefaultFaults(SimFaults* f) {
    memset(f, 0, sizeof(*f));
    f->answerLimit = -1;
    f->hangUpAfter = -1;
}

static void Wake(void) {
    if (g_wake[1] < 0) return;
    uint8_t b = 1;
    ssize_t r = write(g_wake[1], &b, 1);
    (void)r;  // a full pipe already wakes the thread
}

static void CloseFd(int* fd) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
}

// With the lock held: the line goes away.
static void HangUpLocked(void) {
    CloseFd(&g_lineFd);
    CloseFd(&g_slaveFd);
    g_hangUpRequest = 0;
    g_lineChanged.notify_all();
}

static int ShouldHangUpLocked(void) {
    return g_lineFd >= 0 && g_faults.hangUpAfter >= 0 &&
           g_answersSinceFaults >= g_faults.hangUpAfter;
}

// ------------------------------------------------------- waiting and I/O --

// Empties the wake pipe and acts on what the callers asked for. Returns 0
// when the thread must drop what it is doing (stop, or the line is gone).
static int ServiceWake(void) {
    uint8_t buf[64];
    while (read(g_wake[0], buf, sizeof(buf)) > 0) {
    }
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_hangUpRequest || ShouldHangUpLocked()) HangUpLocked();
    return !g_stopRequest && g_lineFd >= 0;
}

static timespec Span(double seconds) {
    if (seconds < 0.0) seconds = 0.0;
    timespec ts;
    ts.tv_sec = static_cast<time_t>(seconds);
    ts.tv_nsec = static_cast<long>((seconds - static_cast<double>(ts.tv_sec)) * 1e9);
    return ts;
}

// Sleeps until the deadline without spinning; 0 when woken to stop or hang up.
static int SleepUntil(double deadline) {
    for (;;) {
        double now = SimNow();
        if (now >= deadline) return 1;
        pollfd p = {g_wake[0], POLLIN, 0};
        timespec ts = Span(deadline - now);
        int r = ppoll(&p, 1, &ts, nullptr);
        if (r > 0 && !ServiceWake()) return 0;
    }
}

// Writes all n bytes; a reader that takes nothing for kSimWriteStall drops
// the rest. 0 when woken to stop or hang up.
static int WriteAll(int fd, const uint8_t* data, int n) {
    double giveUp = SimNow() + kSimWriteStall;
    while (n > 0) {
        ssize_t w = write(fd, data, static_cast<size_t>(n));
        if (w > 0) {
            data += w;
            n -= static_cast<int>(w);
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EINTR) return 1;  // line error: nothing to do
        double now = SimNow();
        if (now >= giveUp) return 1;
        pollfd p[2] = {{g_wake[0], POLLIN, 0}, {fd, POLLOUT, 0}};
        timespec ts = Span(giveUp - now);
        int r = ppoll(p, 2, &ts, nullptr);
        if (r > 0 && (p[0].revents & POLLIN) && !ServiceWake()) return 0;
    }
    return 1;
}

// Sends an answer; paced, byte k leaves no earlier than its own time on the
// wire, so the whole answer takes n / 1920 s from its start.
static int SendBytes(int fd, const uint8_t* data, int n, int paced) {
    if (!paced) return WriteAll(fd, data, n);
    double start = SimNow();
    if (start < g_lineFreeAt) start = g_lineFreeAt;
    for (int k = 0; k < n; k += kSimPacedChunk) {
        int m = n - k < kSimPacedChunk ? n - k : kSimPacedChunk;
        if (!SleepUntil(start + (k + m) / kSimBytesPerSecond)) return 0;
        if (!WriteAll(fd, data + k, m)) return 0;
    }
    g_lineFreeAt = start + n / kSimBytesPerSecond;
    return 1;
}

// Before a planned hang-up: gives the program up to kSimDeliveryWait to take
// the last answer from the terminal, since closing the master discards what
// the slave side has not read yet. The terminal hands written bytes on to
// the slave side a little later, so an empty queue counts only after
// kSimDeliveryMin. 0 when woken to stop or hang up.
static int AwaitDelivery(void) {
    double start = SimNow();
    for (;;) {
        int waiting = 0;
        if (g_slaveFd < 0 || ioctl(g_slaveFd, FIONREAD, &waiting) != 0) return 1;
        double now = SimNow();
        if (now >= start + kSimDeliveryWait) return 1;
        if (waiting == 0 && now >= start + kSimDeliveryMin) return 1;
        if (!SleepUntil(now + kSimDeliveryStep)) return 0;
    }
}

// ------------------------------------------------------ answering requests --

static int Clip(int v, int lo, int hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// With the lock held: whether the faults swallow this answer.
static int SuppressedLocked(uint16_t command, uint16_t second) {
    const SimFaults& f = g_faults;
    if (f.silent) return 1;
    if (f.answerEchoOnly && command != kSimCmdEcho) return 1;
    if (command < kSimMaxCommandBit && (f.silentCommands & (1u << command))) return 1;
    if (f.echoHalfOnly && (command == kSimCmdReadRam || command == kSimCmdReadEeprom) &&
        second != 0)
        return 1;
    if (f.answerLimit >= 0 && g_answersSinceFaults >= f.answerLimit) return 1;
    return 0;
}

struct SimWire {
    uint8_t bytes[kSimMaxNoise + kSimAnswerMax + kSimMaxNoise];
    int count;
    int late;  // trailing bytes sent extraDelay after the rest
};

// With the lock held: the answer as it goes on the wire, faults applied.
static void ShapeLocked(SimAnswer* a, SimWire* wire) {
    const SimFaults& f = g_faults;
    if (a->kind == kSimAnswerMeasure && f.foreignEcho != 0) {
        g_measuresSinceFaults++;
        if (f.foreignEchoEvery <= 0 || g_measuresSinceFaults % f.foreignEchoEvery == 0)
            SimPutBE(a->bytes + kSimCommandOffset, static_cast<uint16_t>(f.foreignEcho));
    }
    if (a->kind == kSimAnswerFrame && f.frameType != 0)
        SimPutBE(a->bytes + kSimCommandOffset, static_cast<uint16_t>(f.frameType));
    if (f.xflashPage != 0 && a->kind == kSimAnswerFrame &&
        SimGetBE(a->bytes + kSimCommandOffset) == kSimCmdXFlashWrite)
        SimPutBE(a->bytes + kSimPayloadOffset + 2, static_cast<uint16_t>(f.xflashPage));
    if (f.xflashOffset != 0 && a->kind == kSimAnswerFrame &&
        SimGetBE(a->bytes + kSimCommandOffset) == kSimCmdXFlashWrite)
        SimPutBE(a->bytes + kSimPayloadOffset, static_cast<uint16_t>(f.xflashOffset));
    if (f.wrongSync && (a->kind == kSimAnswerFrame || a->kind == kSimAnswerMeasure)) {
        a->bytes[0] = kSimReplySync1;
        a->bytes[1] = kSimReplySync0;
    }
    int garbage = Clip(f.garbageBefore, 0, kSimMaxNoise);
    int body = a->count;
    if (f.shortReply > 0 && f.shortReply < body) body = f.shortReply;
    int extra = Clip(f.extraBytes, 0, kSimMaxNoise);
    memset(wire->bytes, kSimNoiseByte, static_cast<size_t>(garbage));
    memcpy(wire->bytes + garbage, a->bytes, static_cast<size_t>(body));
    memset(wire->bytes + garbage + body, kSimNoiseByte, static_cast<size_t>(extra));
    wire->count = garbage + body + extra;
    wire->late = f.extraDelay > 0.0 ? extra : 0;
}

// Returns 0 when the thread must stop handling requests.
static int HandleRequest(const uint8_t request[kSimFrameBytes], double at) {
    SimWire wire;
    wire.count = 0;
    wire.late = 0;
    double delay, lateDelay;
    int paced, fd;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        SimRequest* r = &g_requests[g_requestTotal % kSimRequestCapacity];
        memcpy(r->bytes, request, kSimFrameBytes);
        r->time = at;
        g_requestTotal++;
        SimAnswer answer;
        SimSensorAnswer(request, at, &answer);
        uint16_t command = SimGetBE(request + kSimCommandOffset);
        uint16_t second = SimGetBE(request + kSimSecondOffset);
        if (answer.count > 0 && !SuppressedLocked(command, second)) ShapeLocked(&answer, &wire);
        delay = g_faults.replyDelay;
        lateDelay = g_faults.extraDelay;
        paced = g_faults.paced;
        fd = g_lineFd;
    }
    if (wire.count == 0 || fd < 0) return 1;
    if (delay > 0.0 && !SleepUntil(SimNow() + delay)) return 0;
    {
        // Counted before the first byte leaves, so whoever has read the
        // answer also sees it counted.
        std::lock_guard<std::mutex> hold(g_lock);
        g_answerCount++;
    }
    const int early = wire.count - wire.late;
    if (!SendBytes(fd, wire.bytes, early, paced)) return 0;
    if (wire.late > 0 &&
        (!SleepUntil(SimNow() + lateDelay) || !SendBytes(fd, wire.bytes + early, wire.late, paced)))
        return 0;
    int hangUp;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        g_answersSinceFaults++;
        hangUp = ShouldHangUpLocked();
    }
    if (hangUp && !AwaitDelivery()) return 0;
    std::lock_guard<std::mutex> hold(g_lock);
    if (ShouldHangUpLocked()) HangUpLocked();
    return !g_stopRequest && g_lineFd >= 0;
}

// Handles every complete request in the stream; paced, none before its
// last byte could have arrived at 19200 baud.
static int HandleStream(void) {
    uint8_t request[kSimFrameBytes];
    double first;
    while (SimStreamPeek(&g_stream, request, &first)) {
        int paced;
        {
            std::lock_guard<std::mutex> hold(g_lock);
            paced = g_faults.paced;
            g_droppedBytes = g_stream.dropped;
        }
        double at = SimNow();
        if (paced) {
            if (first < g_lastRequestDone) first = g_lastRequestDone;
            double due = first + kSimFrameBytes / kSimBytesPerSecond;
            if (!SleepUntil(due)) return 0;
            g_lastRequestDone = due;
            at = due;
        }
        SimStreamConsume(&g_stream);
        if (!HandleRequest(request, at)) return 0;
    }
    std::lock_guard<std::mutex> hold(g_lock);
    g_droppedBytes = g_stream.dropped;
    return 1;
}

static void SensorThread(void) {
    uint8_t chunk[1024];
    for (;;) {
        int fd;
        {
            std::lock_guard<std::mutex> hold(g_lock);
            if (g_stopRequest) return;
            fd = g_lineFd;
        }
        if (fd >= 0 && !HandleStream()) {
            std::lock_guard<std::mutex> hold(g_lock);
            if (g_stopRequest) return;
            continue;  // the line went away; wait for stop
        }
        SimStreamIdle(&g_stream, SimNow());
        pollfd p[2] = {{g_wake[0], POLLIN, 0}, {fd, POLLIN, 0}};
        int r = poll(p, fd >= 0 ? 2 : 1, -1);
        if (r < 0) continue;
        if (p[0].revents & POLLIN) ServiceWake();
        if (fd < 0) continue;
        {
            std::lock_guard<std::mutex> hold(g_lock);
            if (g_lineFd != fd) continue;  // hung up meanwhile
        }
        if (p[1].revents & POLLIN) {
            int room = SimStreamRoom(&g_stream);
            if (room > static_cast<int>(sizeof(chunk))) room = static_cast<int>(sizeof(chunk));
            ssize_t n = read(fd, chunk, static_cast<size_t>(room));
            if (n > 0) {
                SimStreamAppend(&g_stream, chunk, static_cast<int>(n), SimNow());
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        } else if (!(p[1].revents & (POLLHUP | POLLERR | POLLNVAL))) {
            continue;
        }
        // End of file or an error on the line: it is gone; stop polling it.
        std::lock_guard<std::mutex> hold(g_lock);
        HangUpLocked();
    }
}

// ------------------------------------------------------------- start/stop --

static int RawMode(int fd, int setSpeed) {
    termios t;
    if (tcgetattr(fd, &t) != 0) return 0;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (setSpeed) {
        cfsetispeed(&t, B19200);
        cfsetospeed(&t, B19200);
    }
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

static void CloseAllLocked(void) {
    CloseFd(&g_lineFd);
    CloseFd(&g_slaveFd);
    CloseFd(&g_wake[0]);
    CloseFd(&g_wake[1]);
}

// A program that ends without SimStop must not die on a thread still
// running when the statics are torn down.
static void StopAtExit(void) {
    SimStop();
}

// With the lock held and the line open: fresh sensor and thread.
static int LaunchLocked(const char* model) {
    static int stopAtExitSet;
    if (!stopAtExitSet) stopAtExitSet = (atexit(StopAtExit) == 0);
    if (!SimSensorReset(model, SimNow())) return 0;
    if (pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) return 0;
    SimStreamReset(&g_stream);
    g_lineFreeAt = 0.0;
    g_lastRequestDone = 0.0;
    g_requestTotal = 0;
    g_answerCount = 0;
    g_answersSinceFaults = 0;
    g_measuresSinceFaults = 0;
    g_droppedBytes = 0;
    g_stopRequest = 0;
    g_hangUpRequest = 0;
    g_thread = std::thread(SensorThread);
    g_running = 1;
    return 1;
}

int SimStart(const char* model, char* path, int pathSize) {
    std::lock_guard<std::mutex> hold(g_lock);
    SimIdentity probe;
    if (g_running || path == nullptr || pathSize <= 0 || !SimPreset(model, &probe)) return 0;
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return 0;
    g_lineFd = master;
    g_slaveFd = slave;
    // Raw before anyone opens the slave, so the program's first bytes are
    // never echoed back or cooked.
    int ok = RawMode(slave, 1) && RawMode(master, 0) && fcntl(master, F_SETFD, FD_CLOEXEC) == 0 &&
             fcntl(slave, F_SETFD, FD_CLOEXEC) == 0 && fcntl(master, F_SETFL, O_NONBLOCK) == 0 &&
             ttyname_r(slave, path, static_cast<size_t>(pathSize)) == 0;
    if (!ok || !LaunchLocked(model)) {
        CloseAllLocked();
        return 0;
    }
    return 1;
}

int SimStartOnDevice(const char* model, const char* device) {
    std::lock_guard<std::mutex> hold(g_lock);
    SimIdentity probe;
    if (g_running || device == nullptr || !SimPreset(model, &probe)) return 0;
    int fd = open(device, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return 0;
    g_lineFd = fd;
    if (!RawMode(fd, 1) || !LaunchLocked(model)) {
        CloseAllLocked();
        return 0;
    }
    tcflush(fd, TCIOFLUSH);
    return 1;
}

void SimStop(void) {
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (!g_running) return;
        g_stopRequest = 1;
        Wake();
    }
    g_thread.join();
    std::lock_guard<std::mutex> hold(g_lock);
    CloseAllLocked();
    g_running = 0;
    DefaultFaults(&g_faults);
    g_lineChanged.notify_all();
}

int SimRunning(void) {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_running;
}

// --------------------------------------------------------------- faults --

void SimGetFaults(SimFaults* faults) {
    std::lock_guard<std::mutex> hold(g_lock);
    *faults = g_faults;
}

void SimSetFaults(const SimFaults* faults) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_faults = *faults;
    g_answersSinceFaults = 0;
    g_measuresSinceFaults = 0;
    if (ShouldHangUpLocked()) Wake();
}

void SimResetFaults(void) {
    SimFaults f;
    DefaultFaults(&f);
    SimSetFaults(&f);
}

void SimHangUp(void) {
    std::unique_lock<std::mutex> hold(g_lock);
    if (!g_running || g_lineFd < 0) return;
    g_hangUpRequest = 1;
    Wake();
    g_lineChanged.wait_for(hold, std::chrono::duration<double>(kSimHangUpWait),
                           [] { return g_lineFd < 0; });
}

// ----------------------------------------------------------- inspection --

int SimRequestCount(void) {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_requestTotal;
}

int SimGetRequest(int index, SimRequest* out) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (index < 0 || index >= g_requestTotal || index < g_requestTotal - kSimRequestCapacity)
        return 0;
    *out = g_requests[index % kSimRequestCapacity];
    return 1;
}

void SimClearRequests(void) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_requestTotal = 0;
}

int SimAnswerCount(void) {
    std::lock_guard<std::mutex> hold(g_lock);
    return g_answerCount;
}

int SimDroppedBytes(void) {
    std::lock_guard<std::mutex> hold(g_lock);
    return static_cast<int>(g_droppedBytes);
}

uint16_t SimGetWord(int mem, int word) {
    std::lock_guard<std::mutex> hold(g_lock);
    return SimSensorGetWord(mem, word);
}

void SimSetWord(int mem, int word, uint16_t value) {
    std::lock_guard<std::mutex> hold(g_lock);
    SimSensorSetWord(mem, word, value);
}

void SimSetIdentity(const SimIdentity* id) {
    std::lock_guard<std::mutex> hold(g_lock);
    SimSensorSetIdentity(id);
}

void SimGetIdentity(SimIdentity* id) {
    std::lock_guard<std::mutex> hold(g_lock);
    SimSensorGetIdentity(id);
}

void SimSetScene(uint16_t leftEdge, uint16_t rightEdge, int motion) {
    std::lock_guard<std::mutex> hold(g_lock);
    SimSensorSetScene(leftEdge, rightEdge, motion, SimNow());
}

void SimQueueMeasurement(const uint16_t words[16]) {
    std::lock_guard<std::mutex> hold(g_lock);
    SimSensorQueueMeasurement(words);
}

uint16_t SimGetXFlash(int index) {
    std::lock_guard<std::mutex> hold(g_lock);
    return SimSensorGetXFlash(index);
}
