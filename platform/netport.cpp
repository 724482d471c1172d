// Network ports over QTcpSocket: the connection, the decoded input queue,
// the notify-count callback and the line-gone rule, with the Telnet bytes
// worked by core/telnet.h.
#include "platform/netport.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QString>
#include <QTcpSocket>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/telnet.h"
#include "platform/rx_delivery.h"
#include "platform/userint_internal.h"

namespace {

enum {
    kChunkSize = 4096,            // bytes taken from the socket at a time
    kEscapeSlice = 1024,          // data bytes escaped at a time (at most twice as many out)
    kSocketBufferSize = 1 << 16,  // beyond this TCP holds the server back
    kMaxWaitSliceMs = 100,        // waits re-check the line at least this often
    kConnectSliceMs = 20,         // the window repaints at least this often while connecting
    kCauseSize = 96,
};

const double kNetConnectSeconds = 3.0;    // TCP connection
const double kNetNegotiateSeconds = 3.0;  // the server's answer to COM-PORT-CONTROL
const double kDefaultTimeoutSeconds = 5.0;
const double kMaxTimeoutSeconds = 3600.0;

const char kCauseNoAnswer[] = "no answer from the device server";
const char kCauseNoComPort[] = "device server refuses COM-PORT-CONTROL";
const char kCauseBadAddress[] = "bad network address";

struct NetPort {
    QTcpSocket* socket;   // a new one per open
    QTcpSocket* retired;  // the closed one, deleted at the next open or close
    NetKind kind;
    int open;
    TelnetRx telnet;
    QByteArray queue;  // decoded bytes waiting to be read
    int queueSize;
    double timeoutSeconds;
    ComCallbackPtr callback;
    void* callbackData;
    int eventMask;
    int notifyCount;
    int inCallback;
    int checkQueued;
    uint32_t taken;  // counts reads and flushes that took bytes from the queue
};

NetPort g_net[kMaxPorts + 1];
int g_netDepth;  // > 0 while inside a call of this file
char g_cause[kCauseSize];
uint8_t g_chunk[kChunkSize];
uint8_t g_data[kChunkSize];
uint8_t g_reply[kChunkSize + kTelnetMaxReply];
uint8_t g_escaped[2 * kEscapeSlice];

// Callbacks raised by a Qt call made here are queued, never delivered inside.
struct NetScope {
    NetScope() { ++g_netDepth; }
    ~NetScope() { --g_netDepth; }
};

NetPort* Open(int port) {
    if (port < 1 || port > kMaxPorts || !g_net[port].open) return nullptr;
    return &g_net[port];
}

// Closes the connection now, so a server that takes one client at a time
// is free for the next open at once. The socket itself is deleted at the
// next open or close of the port: a call running now, or the signal that
// led here, may still hold it.
void Retire(NetPort& p) {
    p.open = 0;
    p.callback = nullptr;
    p.callbackData = nullptr;
    p.eventMask = 0;
    if (!p.socket) return;
    QObject::disconnect(p.socket, nullptr, nullptr, nullptr);
    p.socket->abort();
    p.retired = p.socket;
    p.socket = nullptr;
}

// Deletes the socket of an earlier connection, before the next is retired:
// the one retired last may be the one whose signal is running.
void DeleteRetired(NetPort& p) {
    delete p.retired;
    p.retired = nullptr;
}

void SetCause(const QString& text) {
    std::snprintf(g_cause, sizeof g_cause, "%s", text.toLocal8Bit().constData());
}

void SendRaw(NetPort& p, const uint8_t* bytes, int n) {
    if (n > 0 && p.socket) p.socket->write(reinterpret_cast<const char*>(bytes), n);
}

// Moves what the socket holds into the queue while it has room, answering
// the server's Telnet requests on the way.
void Pull(NetPort& p) {
    QTcpSocket* s = p.socket;
    while (s && s->bytesAvailable() > 0) {
        const qsizetype room = p.queueSize - p.queue.size();
        if (room <= 0) return;
        const qint64 want = room < kChunkSize ? room : static_cast<qint64>(kChunkSize);
        const qint64 n = s->read(reinterpret_cast<char*>(g_chunk), want);
        if (n <= 0) return;
        if (p.kind == kNetRaw) {
            p.queue.append(reinterpret_cast<const char*>(g_chunk), static_cast<qsizetype>(n));
            continue;
        }
        int answered = 0;
        const int got =
            TelnetReceive(&p.telnet, g_chunk, static_cast<int>(n), g_data, g_reply, &answered);
        p.queue.append(reinterpret_cast<const char*>(g_data), got);
        SendRaw(p, g_reply, answered);
    }
}

void Deliver(int port);

NetPort& NetPortAt(int port) {
    return g_net[port];
}

void QueueCheck(int port) {
    kui::QueueDeliveryCheck(port, g_net[port].socket, NetPortAt, &g_netDepth, Deliver);
}

void Deliver(int port) {
    NetPort& p = g_net[port];
    const int again = kui::DeliverWhileWaiting(port, p, [&p]() {
        Pull(p);
        return p.queue.size();
    });
    if (again) QueueCheck(port);
}

void OnReadyRead(int port) {
    Pull(g_net[port]);
    if (g_netDepth > 0) {
        QueueCheck(port);
        return;
    }
    Deliver(port);
}

int RemainingMs(double deadline, int slice) {
    const double left = deadline - Timer();
    if (left <= 0.0) return 0;
    const double ms = std::ceil(left * 1000.0);
    return ms > slice ? slice : static_cast<int>(ms);
}

// Runs until done() holds or the time is up, the window repainting.
template <typename Done>
int WaitOpening(QTcpSocket* s, double seconds, Done done) {
    const double deadline = Timer() + seconds;
    while (!done()) {
        if (s->state() == QAbstractSocket::UnconnectedState) return 0;
        const int ms = RemainingMs(deadline, kConnectSliceMs);
        if (ms <= 0) return 0;
        if (s->state() == QAbstractSocket::ConnectedState)
            s->waitForReadyRead(ms);
        else
            s->waitForConnected(ms);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    return 1;
}

// Telnet start: options asked, the server's agreement awaited, the line set.
// The server may speak first, while the connection is being made: the
// Telnet state was set up before connecting so nothing of that is lost.
int StartTelnet(NetPort& p, const uint8_t* requests, int requestLength, long baudRate) {
    uint8_t out[kComPortSettingsSize];
    SendRaw(p, requests, requestLength);
    QTcpSocket* s = p.socket;
    const int answered = WaitOpening(s, kNetNegotiateSeconds, [&]() {
        Pull(p);
        return p.telnet.comPortAnswer != 0;
    });
    if (!answered || p.telnet.comPortAnswer < 0) {
        SetCause(QString::fromLatin1(answered ? kCauseNoComPort : kCauseNoAnswer));
        return 0;
    }
    SendRaw(p, out, ComPortSettings(static_cast<uint32_t>(baudRate), out, sizeof out));
    SendRaw(p, out, ComPortPurgeReceive(out, sizeof out));
    s->flush();
    return 1;
}

}  // namespace

const char* ComOpenErrorCause(void) {
    return g_cause;
}

int NetPortIsOpen(int port) {
    return Open(port) ? 1 : 0;
}

void NetPortClose(int port) {
    g_cause[0] = '\0';
    if (port < 1 || port > kMaxPorts) return;
    DeleteRetired(g_net[port]);
    Retire(g_net[port]);
}

int NetPortOpen(int port, const char* device, long baudRate, int queueSize) {
    NetScope scope;
    NetAddress address;
    if (port < 1 || port > kMaxPorts) return kComErrInvalidPort;
    NetPort& p = g_net[port];
    if (p.socket) {
        DeleteRetired(p);
        Retire(p);
    }
    if (!NetAddressParse(device, &address)) {
        SetCause(QString::fromLatin1(kCauseBadAddress));
        return kComErrCannotOpen;
    }
    p.kind = address.kind;
    p.queueSize = queueSize;
    p.queue.clear();
    p.queue.reserve(queueSize);
    p.timeoutSeconds = kDefaultTimeoutSeconds;
    p.notifyCount = 0;
    p.inCallback = 0;
    p.checkQueued = 0;
    uint8_t requests[kComPortSettingsSize];
    const int requestLength = TelnetStart(&p.telnet, 1, requests, sizeof requests);

    QTcpSocket* s = new QTcpSocket();
    p.socket = s;
    s->setReadBufferSize(kSocketBufferSize);
    QObject::connect(s, &QTcpSocket::readyRead, s, [port]() { OnReadyRead(port); });
    s->connectToHost(QString::fromLocal8Bit(address.host), address.port);
    const int connected = WaitOpening(
        s, kNetConnectSeconds, [s]() { return s->state() == QAbstractSocket::ConnectedState; });
    if (!connected) {
        SetCause(s->error() == QAbstractSocket::UnknownSocketError
                     ? QString::fromLatin1(kCauseNoAnswer)
                     : s->errorString());
        Retire(p);
        return kComErrCannotOpen;
    }
    s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (p.kind == kNetRfc2217 && !StartTelnet(p, requests, requestLength, baudRate)) {
        Retire(p);
        return kComErrCannotOpen;
    }
    // The server closing the connection is the line gone.
    QObject::connect(s, &QTcpSocket::disconnected, s, [port]() { Retire(g_net[port]); });
    QObject::connect(s, &QTcpSocket::errorOccurred, s, [port](QAbstractSocket::SocketError) {
        NetPort& q = g_net[port];
        if (q.socket && q.socket->state() != QAbstractSocket::ConnectedState) Retire(q);
    });
    if (s->state() != QAbstractSocket::ConnectedState) {
        SetCause(s->errorString());
        Retire(p);
        return kComErrCannotOpen;
    }
    p.open = 1;
    return 0;
}

int NetSetComTime(int port, double timeoutSeconds) {
    NetPort* p = Open(port);
    if (!p) return kComErrPortNotOpen;
    if (!(timeoutSeconds >= 0.0)) return kComErrInvalidParameter;
    p->timeoutSeconds = timeoutSeconds > kMaxTimeoutSeconds ? kMaxTimeoutSeconds : timeoutSeconds;
    return 0;
}

int NetFlushInQ(int port) {
    NetScope scope;
    NetPort* p = Open(port);
    if (!p) return kComErrPortNotOpen;
    QTcpSocket* s = p->socket;
    s->waitForReadyRead(0);
    // Through the decoder, so a Telnet command cut by the flush still counts.
    int stray = 0;
    for (;;) {
        Pull(*p);
        if (!p->open) return kComErrPortNotOpen;
        const int emptied = s->bytesAvailable() == 0;
        stray += static_cast<int>(p->queue.size());
        p->queue.clear();
        if (emptied) break;
    }
    ++p->taken;
    // The server's buffer is purged when stray bytes were flowing. Not on
    // every flush: the server acknowledges a purge in a segment of its own,
    // and the reply that follows then waits for our delayed ACK (about
    // 40 ms a frame, ten times the exchange itself).
    if (p->kind == kNetRfc2217 && stray > 0) {
        uint8_t purge[kComPortSettingsSize];
        SendRaw(*p, purge, ComPortPurgeReceive(purge, sizeof purge));
    }
    return 0;
}

int NetInstallComCallback(int port, int eventMask, int notifyCount, ComCallbackPtr callback,
                          void* callbackData) {
    NetScope scope;
    NetPort* p = Open(port);
    if (!p) return kComErrPortNotOpen;
    if (eventMask == 0 || !callback) {
        p->callback = nullptr;
        p->callbackData = nullptr;
        p->eventMask = 0;
        return 0;
    }
    if ((eventMask & kComEventRxCount) && (notifyCount < 1 || notifyCount > p->queueSize))
        return kComErrInvalidParameter;
    p->callback = callback;
    p->callbackData = callbackData;
    p->eventMask = eventMask;
    p->notifyCount = notifyCount;
    if (eventMask & kComEventRxCount) QueueCheck(port);
    return 0;
}

int NetGetInQLen(int port) {
    NetScope scope;
    NetPort* p = Open(port);
    if (!p) return kComErrPortNotOpen;
    p->socket->waitForReadyRead(0);
    Pull(*p);
    if (!p->open) return kComErrPortNotOpen;
    return static_cast<int>(p->queue.size());
}

int NetComRd(int port, char* buffer, int count) {
    NetScope scope;
    NetPort* p = Open(port);
    if (!p) return kComErrPortNotOpen;
    if (count < 0 || (count > 0 && !buffer)) return kComErrInvalidParameter;
    QTcpSocket* s = p->socket;
    const double deadline = Timer() + p->timeoutSeconds;
    int got = 0;
    while (got < count) {
        const int n = static_cast<int>(p->queue.size()) < count - got
                          ? static_cast<int>(p->queue.size())
                          : count - got;
        if (n > 0) {
            std::memcpy(buffer + got, p->queue.constData(), static_cast<size_t>(n));
            p->queue.remove(0, n);
            got += n;
            ++p->taken;
        }
        if (got >= count) break;
        Pull(*p);
        if (!p->open) break;
        if (!p->queue.isEmpty()) continue;
        const int ms = RemainingMs(deadline, kMaxWaitSliceMs);
        if (ms <= 0) break;
        s->waitForReadyRead(ms);
        if (!p->open) break;
    }
    if (got == 0 && !p->open) return kComErrPortNotOpen;
    return got;
}

int NetComWrt(int port, const char* buffer, int count) {
    NetScope scope;
    NetPort* p = Open(port);
    if (!p) return kComErrPortNotOpen;
    if (count < 0 || (count > 0 && !buffer)) return kComErrInvalidParameter;
    if (count == 0) return 0;
    QTcpSocket* s = p->socket;
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(buffer);
    for (int done = 0; done < count && p->open;) {
        const int slice = count - done < kEscapeSlice ? count - done : kEscapeSlice;
        if (p->kind == kNetRaw)
            SendRaw(*p, bytes + done, slice);
        else
            SendRaw(*p, g_escaped, TelnetEscape(bytes + done, slice, g_escaped, sizeof g_escaped));
        done += slice;
    }
    const double deadline = Timer() + p->timeoutSeconds;
    s->flush();
    while (p->open && s->bytesToWrite() > 0) {
        const int ms = RemainingMs(deadline, kMaxWaitSliceMs);
        if (ms <= 0) break;
        s->waitForBytesWritten(ms);
    }
    if (!p->open) return kComErrPortNotOpen;
    kui::LineTurnEnd();
    // Bytes the network has not taken in time cannot be called back from a
    // stream; the caller sees the short count.
    const qint64 pending = s->bytesToWrite();
    return pending > 0 ? count - static_cast<int>(pending < count ? pending : count) : count;
}
