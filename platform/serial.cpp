// Serial-port service over QSerialPort: numbered ports mapped to devices by
// the port table, the notify-count callback delivered on the UI thread, and
// the closing of a port whose line went away.
//
// Facts owned here:
//  - port numbers run 1..kMaxPorts; on Windows port n opens COMn, elsewhere
//    the port table names its device (core/portname.h); a number without
//    a device cannot be opened (kComErrInvalidPort), a device that refuses
//    to open gives kComErrCannotOpen, settings outside the tables
//    kComErrInvalidParameter;
//  - the callback gets exactly kComEventRxCount once notifyCount bytes wait,
//    only from event processing (readyRead or a queued check), never from
//    inside another call of this layer and never re-entered; other event
//    bits are accepted in the mask but never delivered;
//  - a hang-up (ResourceError, which is how an unplugged adapter shows on
//    Windows; on Unix also a descriptor that polls readable or hung up with
//    nothing to read) closes the port at once, so nothing spins on a dead
//    descriptor; later calls give kComErrPortNotOpen;
//  - ComRd never stores more than the count asked for.
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>
#endif

#include <QMetaObject>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QString>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/linkwatch.h"
#include "core/portname.h"
#include "core/telnet.h"
#include "platform/cvi.h"
#include "platform/netport.h"
#include "platform/rx_delivery.h"
#include "platform/userint_internal.h"

namespace {

enum {
    kDescriptionSize = 128,
    kDefaultQueueSize = 512,  // queue size when the caller passes <= 0
    kMaxQueueSize = 1 << 20,  // larger requests are clamped
    kMaxWaitSliceMs = 100,    // ComRd/ComWrt re-check the line at least this often
};

const double kDefaultTimeoutSeconds = 5.0;  // until SetComTime says otherwise
const double kMaxTimeoutSeconds = 3600.0;

// Settings the driver accepts; anything else is kComErrInvalidParameter.
const long kBaudRates[] = {110,    300,    600,    1200,   2400,  4800,  9600,
                           14400,  19200,  28800,  38400,  56000, 57600, 115200,
                           128000, 230400, 256000, 460800, 921600};

struct ParityEntry {
    int code;
    QSerialPort::Parity parity;
};
const ParityEntry kParities[] = {
    {0, QSerialPort::NoParity},   {1, QSerialPort::OddParity},   {2, QSerialPort::EvenParity},
    {3, QSerialPort::MarkParity}, {4, QSerialPort::SpaceParity},
};

struct DataBitsEntry {
    int bits;
    QSerialPort::DataBits dataBits;
};
const DataBitsEntry kDataBits[] = {
    {5, QSerialPort::Data5},
    {6, QSerialPort::Data6},
    {7, QSerialPort::Data7},
    {8, QSerialPort::Data8},
};

struct StopBitsEntry {
    int bits;
    QSerialPort::StopBits stopBits;
};
const StopBitsEntry kStopBits[] = {
    {1, QSerialPort::OneStop},
    {2, QSerialPort::TwoStop},
};

struct CtsModeEntry {
    int mode;
    QSerialPort::FlowControl flow;
};
const CtsModeEntry kCtsModes[] = {
    {0, QSerialPort::NoFlowControl},
    {1, QSerialPort::HardwareControl},
    {2, QSerialPort::HardwareControl},
};

// What an error reported by QSerialPort means for an open port.
enum ErrorAction {
    kErrorIgnore,     // a wait that found nothing, or a modem-line ioctl a pty refuses
    kErrorCheckLine,  // a failed read or write: fatal only when the line hung up
    kErrorLineGone,   // the device went away
};
struct ErrorEntry {
    QSerialPort::SerialPortError error;
    ErrorAction action;
};
const ErrorEntry kErrorActions[] = {
    {QSerialPort::ResourceError, kErrorLineGone},
    {QSerialPort::ReadError, kErrorCheckLine},
    {QSerialPort::WriteError, kErrorCheckLine},
    {QSerialPort::UnknownError, kErrorCheckLine},
    {QSerialPort::UnsupportedOperationError, kErrorIgnore},
    {QSerialPort::TimeoutError, kErrorIgnore},
};

struct Port {
    QSerialPort* serial;  // created on the first open, reused afterwards
    int open;             // 1 while callers may use the port
    int closePending;     // line gone inside a Qt call: close when the call ends
    ComCallbackPtr callback;
    void* callbackData;
    int eventMask;
    int notifyCount;
    int queueSize;
    double timeoutSeconds;
    int inCallback;   // the callback is running: never re-enter it
    int checkQueued;  // a delivery check is already posted
    uint32_t taken;   // counts reads and flushes that took bytes from the queue
};

Port g_ports[kMaxPorts + 1];
PortTable g_table;
char g_description[kMaxPorts + 1][kDescriptionSize];  // the adapter's, "" when unknown
int g_detected[kMaxPorts + 1];                        // entry found by PortTableAddDetected
PortScanner g_scanner;                                // nullptr: the system's serial ports
int g_callDepth;                                      // > 0 while inside a call of this layer
int g_closePending;

void ClosePhysically(Port& p) {
    p.closePending = 0;
    if (p.serial && p.serial->isOpen()) p.serial->close();
    if (p.serial) p.serial->clearError();
}

void ClosePendingPorts() {
    if (!g_closePending) return;
    g_closePending = 0;
    for (int i = 1; i <= kMaxPorts; ++i) {
        if (g_ports[i].closePending) ClosePhysically(g_ports[i]);
    }
}

// Every public call runs inside one: a readyRead raised by a Qt call made
// here is queued instead of delivered, and a port whose line went away
// during such a call is closed once the Qt call has returned.
struct CallScope {
    CallScope() { ++g_callDepth; }
    ~CallScope() {
        if (--g_callDepth == 0) ClosePendingPorts();
    }
};

void ForgetCallback(Port& p) {
    p.callback = nullptr;
    p.callbackData = nullptr;
    p.eventMask = 0;
}

// The line went away: callers see a closed port from now on; the
// descriptor is released now, or right after the Qt call we are inside of.
void LineGone(Port& p) {
    if (!p.open) return;
    p.open = 0;
    ForgetCallback(p);
    if (g_callDepth > 0) {
        p.closePending = 1;
        g_closePending = 1;
        return;
    }
    ClosePhysically(p);
}

// 1 when the descriptor reports a hang-up or is readable with nothing to
// read (what a pseudo-terminal does once its master side has closed).
// Windows reports an unplugged adapter as ResourceError instead.
int LineHungUp(Port& p) {
#ifdef Q_OS_UNIX
    int fd = p.serial ? static_cast<int>(p.serial->handle()) : -1;
    if (fd < 0) return 1;
    pollfd pfd = {fd, POLLIN, 0};
    if (poll(&pfd, 1, 0) <= 0) return 0;
    if (pfd.revents & POLLNVAL) return 1;
    int pending = 0;
    if (ioctl(fd, FIONREAD, &pending) != 0) pending = 0;
    return pending == 0 && (pfd.revents & (POLLHUP | POLLERR | POLLIN)) ? 1 : 0;
#else
    return p.serial && p.serial->isOpen() ? 0 : 1;
#endif
}

void DeliverRxCount(int port);

Port& PortAt(int port) {
    return g_ports[port];
}

void QueueCheck(int port) {
    kui::QueueDeliveryCheck(port, g_ports[port].serial, PortAt, &g_callDepth, DeliverRxCount);
}

void DeliverRxCount(int port) {
    Port& p = g_ports[port];
    if (kui::DeliverWhileWaiting(port, p, [&p]() { return p.serial->bytesAvailable(); }))
        QueueCheck(port);
}

void OnReadyRead(int port) {
    if (g_callDepth > 0) {
        QueueCheck(port);
        return;
    }
    DeliverRxCount(port);
}

void OnError(int port, QSerialPort::SerialPortError error) {
    Port& p = g_ports[port];
    if (!p.open) return;
    for (const ErrorEntry& entry : kErrorActions) {
        if (entry.error != error) continue;
        if (entry.action == kErrorLineGone || (entry.action == kErrorCheckLine && LineHungUp(p))) {
            LineGone(p);
        }
        return;
    }
}

// Moves what the system holds into the queue without blocking, so a loop
// polling GetInQLen sees bytes promptly; closes the port on a hang-up.
void PullFromSystem(Port& p) {
#ifdef Q_OS_UNIX
    int fd = static_cast<int>(p.serial->handle());
    if (fd < 0) {
        LineGone(p);
        return;
    }
    pollfd pfd = {fd, POLLIN, 0};
    if (poll(&pfd, 1, 0) <= 0) return;
    int pending = 0;
    if (!(pfd.revents & POLLNVAL) && ioctl(fd, FIONREAD, &pending) != 0) pending = 0;
    if (pending > 0) {
        p.serial->waitForReadyRead(0);
        if (p.open) p.serial->clearError();
        return;
    }
    LineGone(p);
#else
    p.serial->waitForReadyRead(0);
    if (p.open) p.serial->clearError();
#endif
}

// Waits until the descriptor is readable or ms have passed.
void WaitReadable(Port& p, int ms) {
#ifdef Q_OS_UNIX
    int fd = static_cast<int>(p.serial->handle());
    if (fd < 0) return;
    pollfd pfd = {fd, POLLIN, 0};
    poll(&pfd, 1, ms);
#else
    p.serial->waitForReadyRead(ms);
    if (p.open) p.serial->clearError();
#endif
}

int RemainingMs(double deadline) {
    double left = deadline - Timer();
    if (left <= 0.0) return 0;
    double ms = std::ceil(left * 1000.0);
    return ms > kMaxWaitSliceMs ? kMaxWaitSliceMs : static_cast<int>(ms);
}

// Open port of a number, or nullptr with the code to return.
Port* OpenPort(int port, int* code) {
    if (port < 1 || port > kMaxPorts) {
        *code = kComErrInvalidPort;
        return nullptr;
    }
    Port& p = g_ports[port];
    if (!p.open) {
        *code = kComErrPortNotOpen;
        return nullptr;
    }
    return &p;
}

int ValidBaud(long baud) {
    for (long rate : kBaudRates) {
        if (rate == baud) return 1;
    }
    return 0;
}

const ParityEntry* FindParity(int code) {
    for (const ParityEntry& entry : kParities) {
        if (entry.code == code) return &entry;
    }
    return nullptr;
}

const DataBitsEntry* FindDataBits(int bits) {
    for (const DataBitsEntry& entry : kDataBits) {
        if (entry.bits == bits) return &entry;
    }
    return nullptr;
}

const StopBitsEntry* FindStopBits(int bits) {
    for (const StopBitsEntry& entry : kStopBits) {
        if (entry.bits == bits) return &entry;
    }
    return nullptr;
}

void CreateSerial(int port) {
    Port& p = g_ports[port];
    if (p.serial) return;
    p.serial = new QSerialPort();
    QObject::connect(p.serial, &QSerialPort::readyRead, p.serial, [port]() { OnReadyRead(port); });
    QObject::connect(p.serial, &QSerialPort::errorOccurred, p.serial,
                     [port](QSerialPort::SerialPortError error) { OnError(port, error); });
}

int QueueSizeOf(int requested) {
    if (requested <= 0) return kDefaultQueueSize;
    return requested > kMaxQueueSize ? kMaxQueueSize : requested;
}

// Re-arms Qt's read notifier, which it switches off when the queue was full:
// a read from the empty queue does that and takes nothing.
void RearmReading(Port& p) {
    if (p.serial->bytesAvailable() > 0) return;
    char none = 0;
    p.serial->read(&none, 1);
}

// Tells the link watch what a flush of the input throws away: the bytes
// the queue holds (shown) and, on Unix, those still with the system.
void TapInputFlush(int port, Port& p) {
    static char shown[kTraceBytesPerLine];
    qint64 count = p.serial->bytesAvailable();
#ifdef Q_OS_UNIX
    int pending = 0;
    const int fd = static_cast<int>(p.serial->handle());
    if (fd >= 0 && ioctl(fd, FIONREAD, &pending) == 0 && pending > 0) {
        // Taken into the queue first so that the trace shows them too.
        p.serial->waitForReadyRead(0);
        count = p.serial->bytesAvailable();
        if (fd == static_cast<int>(p.serial->handle()) && ioctl(fd, FIONREAD, &pending) == 0)
            count += pending;
    }
#endif
    if (count <= 0) return;
    const qint64 peeked = p.serial->peek(shown, sizeof shown);
    LinkTapFlush(port, shown, static_cast<int>(peeked),
                 count > INT_MAX ? INT_MAX : static_cast<int>(count), Timer());
}

}  // namespace

// ------------------------------------------------------------ port table --

int PortTableSetDevice(int port, const char* device) {
    if (port < 1 || port > kMaxPorts) return 0;
    if (!device) device = "";
    size_t length = std::strlen(device);
    if (length >= kPortDeviceSize) return 0;
    std::memcpy(g_table[port], device, length + 1);
    g_detected[port] = 0;
    g_description[port][0] = '\0';
    return 1;
}

const char* PortTableDevice(int port) {
    if (port < 1 || port > kMaxPorts) return "";
    return g_table[port];
}

int PortTableCount(void) {
    for (int port = kMaxPorts; port >= 1; --port) {
        if (g_table[port][0]) return port;
    }
    return 0;
}

// 1 when entry port stands for the detected device: the same name in the
// table, or on Windows the same COM number however the system spells it.
int EntryHolds(int port, const char* device) {
    if (kPortNamingHere == kPortNamingCom) return PortNumberOfCom(device) == port;
    return std::strcmp(g_table[port], device) == 0;
}

void PortTableAddDetected(void) {
    char found[kMaxPorts][kPortDeviceSize];
    char description[kMaxPorts][kDescriptionSize];
    int count = 0;
    if (g_scanner) {
        while (count < kMaxPorts && g_scanner(count, found[count], kPortDeviceSize)) {
            description[count++][0] = '\0';
        }
    } else {
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
            QByteArray location = info.systemLocation().toLocal8Bit();
            if (location.isEmpty() || location.size() >= kPortDeviceSize) continue;
            if (count == kMaxPorts) break;
            std::memcpy(found[count], location.constData(), location.size() + 1);
            std::snprintf(description[count++], kDescriptionSize, "%s",
                          info.description().toLatin1().constData());
        }
    }
    // An adapter unplugged since the last look goes from the list; its
    // number stays free, so the others keep theirs. An open port stays.
    for (int port = 2; port <= kMaxPorts; ++port) {
        if (!g_detected[port] || g_ports[port].open) continue;
        int present = 0;
        for (int i = 0; i < count && !present; ++i) present = EntryHolds(port, found[i]);
        if (!present) {
            g_table[port][0] = '\0';
            g_description[port][0] = '\0';
            g_detected[port] = 0;
        }
    }
    // An entry empty before this look that holds a device now was found now.
    int wasEmpty[kMaxPorts + 1];
    for (int port = 1; port <= kMaxPorts; ++port) wasEmpty[port] = !g_table[port][0];
    for (int i = 0; i < count; ++i) {
        int port = PortPlaceDetected(kPortNamingHere, g_table, found[i]);
        if (!port) continue;
        if (wasEmpty[port]) g_detected[port] = 1;
        if (description[i][0]) std::memcpy(g_description[port], description[i], kDescriptionSize);
    }
}

int PortTableSetGiven(const char* device) {
    int port = PortPlaceGiven(kPortNamingHere, g_table, device);
    if (port) {
        g_detected[port] = 0;
        g_description[port][0] = '\0';
    }
    return port;
}

int PortTableAddAddress(const char* address) {
    int port = PortPlaceAddress(kPortNamingHere, g_table, address);
    if (port) {
        g_detected[port] = 0;
        g_description[port][0] = '\0';
    }
    return port;
}

const char* PortTableDescription(int port) {
    return port < 1 || port > kMaxPorts ? "" : g_description[port];
}

void PortTableSetScanner(PortScanner scanner) {
    g_scanner = scanner;
}

// ------------------------------------------------------------ open/close --

int OpenComConfig(int port, const char* deviceName, long baudRate, int parity, int dataBits,
                  int stopBits, int inputQueueSize, int outputQueueSize) {
    CallScope scope;
    (void)outputQueueSize;  // the write queue grows as needed and is pushed out at once
    if (port < 1 || port > kMaxPorts) return kComErrInvalidPort;
    char name[kPortDeviceSize];
    const char* device = deviceName;
    if (!device || !device[0]) {
        if (!PortDeviceName(kPortNamingHere, g_table, port, name, sizeof name)) {
            return kComErrInvalidPort;
        }
        device = name;
    }
    const ParityEntry* parityEntry = FindParity(parity);
    const DataBitsEntry* dataBitsEntry = FindDataBits(dataBits);
    const StopBitsEntry* stopBitsEntry = FindStopBits(stopBits);
    if (!ValidBaud(baudRate) || !parityEntry || !dataBitsEntry || !stopBitsEntry) {
        return kComErrInvalidParameter;
    }

    Port& p = g_ports[port];
    if (p.open || p.closePending) {
        p.open = 0;
        ForgetCallback(p);
        ClosePhysically(p);
    }
    // A device server's address: the network transport serves the port.
    NetPortClose(port);
    if (NetKindOf(device) != kNetNone) {
        return NetPortOpen(port, device, baudRate, QueueSizeOf(inputQueueSize));
    }
    CreateSerial(port);
    p.queueSize = QueueSizeOf(inputQueueSize);
    p.timeoutSeconds = kDefaultTimeoutSeconds;
    p.notifyCount = 0;
    ForgetCallback(p);

    QSerialPort* serial = p.serial;
    serial->setPortName(QString::fromLocal8Bit(device));
    serial->setBaudRate(static_cast<qint32>(baudRate));
    serial->setParity(parityEntry->parity);
    serial->setDataBits(dataBitsEntry->dataBits);
    serial->setStopBits(stopBitsEntry->stopBits);
    serial->setFlowControl(QSerialPort::NoFlowControl);
    serial->setReadBufferSize(p.queueSize);
    if (!serial->open(QIODevice::ReadWrite)) {
        kui::NoteOpenRefusal(port, device, serial->error() == QSerialPort::PermissionError);
        serial->clearError();
        return kComErrCannotOpen;
    }
    serial->clearError();
    p.open = 1;
    LinkTapOpen(port, device, Timer());
    return 0;
}

int CloseCom(int port) {
    CallScope scope;
    if (NetPortIsOpen(port)) {
        NetPortClose(port);
        return 0;
    }
    int code = 0;
    Port* p = OpenPort(port, &code);
    if (!p) return code;
    LinkTapClose(port, Timer());
    p->open = 0;
    ForgetCallback(*p);
    ClosePhysically(*p);
    return 0;
}

// -------------------------------------------------------------- settings --

int SetComTime(int port, double timeoutSeconds) {
    CallScope scope;
    if (NetPortIsOpen(port)) return NetSetComTime(port, timeoutSeconds);
    int code = 0;
    Port* p = OpenPort(port, &code);
    if (!p) return code;
    if (!(timeoutSeconds >= 0.0)) return kComErrInvalidParameter;  // also rejects NaN
    p->timeoutSeconds = timeoutSeconds > kMaxTimeoutSeconds ? kMaxTimeoutSeconds : timeoutSeconds;
    return 0;
}

int SetCTSMode(int port, int mode) {
    CallScope scope;
    if (NetPortIsOpen(port)) return mode >= 0 && mode <= 2 ? 0 : kComErrInvalidParameter;
    int code = 0;
    Port* p = OpenPort(port, &code);
    if (!p) return code;
    for (const CtsModeEntry& entry : kCtsModes) {
        if (entry.mode != mode) continue;
        int ok = p->serial->setFlowControl(entry.flow) ? 1 : 0;
        if (!p->open) return kComErrPortNotOpen;
        p->serial->clearError();
        return ok ? 0 : kComErrUnknownIo;
    }
    return kComErrInvalidParameter;
}

int FlushInQ(int port) {
    CallScope scope;
    if (NetPortIsOpen(port)) return NetFlushInQ(port);
    int code = 0;
    Port* p = OpenPort(port, &code);
    if (!p) return code;
    TapInputFlush(port, *p);
    p->serial->clear(QSerialPort::Input);
    ++p->taken;
    if (!p->open) return kComErrPortNotOpen;
    RearmReading(*p);
    p->serial->clearError();
    return 0;
}

int FlushOutQ(int port) {
    CallScope scope;
    if (NetPortIsOpen(port)) return 0;  // a stream cannot call bytes back
    int code = 0;
    Port* p = OpenPort(port, &code);
    if (!p) return code;
    p->serial->clear(QSerialPort::Output);
    if (!p->open) return kComErrPortNotOpen;
    p->serial->clearError();
    return 0;
}

int InstallComCallback(int port, int eventMask, int notifyCount, int eventCharacter,
                       ComCallbackPtr callback, void* callbackData) {
    CallScope scope;
    (void)eventCharacter;  // the event-character event is never delivered
    if (NetPortIsOpen(port))
        return NetInstallComCallback(port, eventMask, notifyCount, callback, callbackData);
    int code = 0;
    Port* p = OpenPort(port, &code);
    if (!p) return code;
    if (eventMask == 0 || !callback) {
        ForgetCallback(*p);
        return 0;
    }
    if ((eventMask & kComEventRxCount) && (notifyCount < 1 || notifyCount > p->queueSize)) {
        return kComErrInvalidParameter;
    }
    p->callback = callback;
    p->callbackData = callbackData;
    p->eventMask = eventMask;
    p->notifyCount = notifyCount;
    // Bytes that already wait raise no new readyRead: look at them from the
    // event loop, never from inside this call.
    if ((eventMask & kComEventRxCount) && p->serial->bytesAvailable() >= notifyCount) {
        QueueCheck(port);
    }
    return 0;
}

// ------------------------------------------------------------------- I/O --

int ComIsOpen(int port) {
    if (NetPortIsOpen(port)) return 1;
    int code = 0;
    return OpenPort(port, &code) ? 1 : 0;
}

int GetInQLen(int port) {
    CallScope scope;
    if (NetPortIsOpen(port)) return NetGetInQLen(port);
    int code = 0;
    Port* p = OpenPort(port, &code);
    if (!p) return code;
    PullFromSystem(*p);
    if (!p->open) return kComErrPortNotOpen;
    qint64 waiting = p->serial->bytesAvailable();
    return waiting > INT_MAX ? INT_MAX : static_cast<int>(waiting);
}

int ComRd(int port, char* buffer, int count) {
    CallScope scope;
    if (NetPortIsOpen(port)) return NetComRd(port, buffer, count);
    int code = 0;
    Port* p = OpenPort(port, &code);
    if (!p) return code;
    if (count < 0 || (count > 0 && !buffer)) return kComErrInvalidParameter;
    double deadline = Timer() + p->timeoutSeconds;
    int got = 0;
    while (got < count) {
        qint64 n = p->serial->read(buffer + got, count - got);
        if (n > 0) {
            got += static_cast<int>(n);
            ++p->taken;
        }
        if (got >= count) break;
        PullFromSystem(*p);
        if (!p->open) break;
        if (p->serial->bytesAvailable() > 0) continue;
        int ms = RemainingMs(deadline);
        if (ms <= 0) break;
        WaitReadable(*p, ms);
    }
    if (got == 0 && !p->open) return kComErrPortNotOpen;
    LinkTapRead(port, buffer, got, Timer());
    return got;
}

int ComWrt(int port, const char* buffer, int count) {
    CallScope scope;
    if (NetPortIsOpen(port)) return NetComWrt(port, buffer, count);
    int code = 0;
    Port* p = OpenPort(port, &code);
    if (!p) return code;
    if (count < 0 || (count > 0 && !buffer)) return kComErrInvalidParameter;
    if (count == 0) return 0;
    if (LineHungUp(*p)) {
        LineGone(*p);
        return kComErrPortNotOpen;
    }
    qint64 queued = p->serial->write(buffer, count);
    if (!p->open) return kComErrPortNotOpen;
    if (queued != count) {
        p->serial->clear(QSerialPort::Output);
        p->serial->clearError();
        return kComErrUnknownIo;
    }
    double deadline = Timer() + p->timeoutSeconds;
    p->serial->flush();
    while (p->open && p->serial->bytesToWrite() > 0) {
        int ms = RemainingMs(deadline);
        if (ms <= 0) break;
        p->serial->waitForBytesWritten(ms);
    }
    if (!p->open) return kComErrPortNotOpen;
    qint64 pending = p->serial->bytesToWrite();
    p->serial->clearError();
    kui::LineTurnEnd();
    LinkTapWrite(port, buffer, count - static_cast<int>(pending), Timer());
    if (pending > 0) {
        // What did not go out in time is dropped rather than trailing into
        // the next frame; the caller sees the short count.
        p->serial->clear(QSerialPort::Output);
        return count - static_cast<int>(pending);
    }
    return count;
}
