// Network port addresses and the Telnet / COM-PORT-CONTROL bytes, against
// fixed byte vectors written from the protocol's tables.
#include <gtest/gtest.h>

#include <vector>

#include "core/telnet.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct AddressCase {
    const char* device;
    NetKind kind;
    const char* host;
    int port;
};

// clang-format off
const AddressCase kAddresses[] = {
    {"socket://127.0.0.7:4001", kNetRaw, "127.0.0.7", 4001},
    {"rfc2217://server.lan:2217", kNetRfc2217, "server.lan", 2217},
    {"rfc2217://[::1]:7000", kNetRfc2217, "::1", 7000},
    {"/dev/ttyUSB0", kNetNone, "", 0},        {"COM3", kNetNone, "", 0},
    {"socket://host", kNetNone, "", 0},       {"socket://:4001", kNetNone, "", 0},
    {"socket://host:0", kNetNone, "", 0},     {"socket://host:65536", kNetNone, "", 0},
    {"socket://host:40x1", kNetNone, "", 0},  {"telnet://host:23", kNetNone, "", 0}};
// clang-format on

// Catches an address taken apart wrongly: a port that opens something else, or a malformed one
// accepted.
TEST(NetAddress, SplitsOnlyWellFormedAddresses) {
    for (const AddressCase& c : kAddresses) {
        NetAddress a;
        EXPECT_EQ(c.kind != kNetNone, NetAddressParse(c.device, &a) == 1) << c.device;
        EXPECT_EQ(c.kind, a.kind) << c.device;
        EXPECT_STREQ(c.host, a.host) << c.device;
        EXPECT_EQ(c.port, a.port) << c.device;
        EXPECT_EQ(c.kind, NetKindOf(c.device)) << c.device;
    }
}

// Catches 0xFF data bytes sent bare, which the server would read as a Telnet command.
TEST(Telnet, EscapeDoublesEvery0xFF) {
    const Bytes in = {0x55, 0xFF, 0xFF, 0x00, 0xFF};
    uint8_t out[16];
    const int n = TelnetEscape(in.data(), static_cast<int>(in.size()), out, sizeof out);
    EXPECT_EQ((Bytes{0x55, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF}), Bytes(out, out + n));
    // A pair never split at the end of the room.
    EXPECT_EQ(-1, TelnetEscape(in.data(), 2, out, 2));
}

Bytes Receive(TelnetRx* rx, const Bytes& in, Bytes* reply = nullptr) {
    uint8_t data[64];
    uint8_t answer[64 + kTelnetMaxReply];
    int answered = 0;
    const int n =
        TelnetReceive(rx, in.data(), static_cast<int>(in.size()), data, answer, &answered);
    if (reply) reply->insert(reply->end(), answer, answer + answered);
    return Bytes(data, data + n);
}

// Catches data lost or doubled when an IAC pair or a command ends one read and the next starts.
TEST(Telnet, ReceiveUndoesEscapingAcrossEverySplit) {
    const Bytes stream = {0x01, 0xFF, 0xFF, 0x02, 0xFF, 0xFA, 0x2C, 0x65, 0x00, 0x00,
                          0x4B, 0x00, 0xFF, 0xF0, 0xFF, 0xF1, 0xFF, 0xFF, 0x03};
    const Bytes expected = {0x01, 0xFF, 0x02, 0xFF, 0x03};
    for (size_t split = 0; split <= stream.size(); ++split) {
        TelnetRx rx = {};
        Bytes got = Receive(&rx, Bytes(stream.begin(), stream.begin() + split));
        const Bytes rest = Receive(&rx, Bytes(stream.begin() + split, stream.end()));
        got.insert(got.end(), rest.begin(), rest.end());
        EXPECT_EQ(expected, got) << "split at " << split;
        EXPECT_EQ(1u, rx.subnegotiations) << "split at " << split;
    }
}

struct NegotiationCase {
    Bytes in;
    Bytes reply;
    int comPortAnswer;
};

// After TelnetStart: our requests are out, so their answers need none.
const NegotiationCase kNegotiations[] = {
    {{0xFF, 0xFD, 0x2C}, {}, 1},                                    // DO COM-PORT: agreed
    {{0xFF, 0xFE, 0x2C}, {}, -1},                                   // DONT COM-PORT: refused
    {{0xFF, 0xFB, 0x00, 0xFF, 0xFD, 0x00}, {}, 0},                  // BINARY agreed both ways
    {{0xFF, 0xFB, 0x01}, {0xFF, 0xFE, 0x01}, 0},                    // WILL ECHO: refused
    {{0xFF, 0xFD, 0x18}, {0xFF, 0xFC, 0x18}, 0},                    // DO TERMINAL-TYPE: refused
    {{0xFF, 0xFC, 0x01}, {}, 0},                                    // WONT of what is off: silent
    {{0xFF, 0xFB, 0x03, 0xFF, 0xFC, 0x03}, {0xFF, 0xFE, 0x03}, 0},  // SGA on, then off
    {{0xFF, 0xFD, 0x00, 0xFF, 0xFD, 0x00}, {}, 0},                  // a repeat is not answered
};

// Catches a start that does not ask for binary both ways or offers COM-PORT on a raw Telnet
// line, negotiation loops, options accepted that a data line must refuse, a lost COM-PORT answer.
TEST(Telnet, StartAsksForBinarySgaAndComPortAndAnswersOnlyWhatChanges) {
    TelnetRx rx;
    uint8_t start[kComPortSettingsSize];
    EXPECT_EQ(12, TelnetStart(&rx, 0, start, sizeof start));
    const int n = TelnetStart(&rx, 1, start, sizeof start);
    EXPECT_EQ((Bytes{0xFF, 0xFB, 0x00, 0xFF, 0xFD, 0x00, 0xFF, 0xFB, 0x03, 0xFF, 0xFD, 0x03, 0xFF,
                     0xFB, 0x2C}),
              Bytes(start, start + n));
    for (const NegotiationCase& c : kNegotiations) {
        TelnetStart(&rx, 1, start, sizeof start);
        Bytes reply;
        EXPECT_TRUE(Receive(&rx, c.in, &reply).empty());
        EXPECT_EQ(c.reply, reply);
        EXPECT_EQ(c.comPortAnswer, rx.comPortAnswer);
    }
}

// Catches wrong line settings at open (a sensor at 19200 8N1 answers nothing else), and a flush
// that purges the server's transmit side or nothing.
TEST(ComPort, SettingsAre19200EightNoneOneAndPurgeEmptiesTheReceiveSide) {
    uint8_t out[kComPortSettingsSize];
    const int n = ComPortSettings(19200, out, sizeof out);
    EXPECT_EQ((Bytes{0xFF, 0xFA, 0x2C, 0x01, 0x00, 0x00, 0x4B, 0x00, 0xFF, 0xF0,  // baud
                     0xFF, 0xFA, 0x2C, 0x02, 0x08, 0xFF, 0xF0,                    // 8 bits
                     0xFF, 0xFA, 0x2C, 0x03, 0x01, 0xFF, 0xF0,                    // no parity
                     0xFF, 0xFA, 0x2C, 0x04, 0x01, 0xFF, 0xF0,                    // 1 stop
                     0xFF, 0xFA, 0x2C, 0x05, 0x01, 0xFF, 0xF0}),                  // no flow
              Bytes(out, out + n));
    EXPECT_EQ(-1, ComPortSettings(19200, out, 20));
    EXPECT_EQ((Bytes{0xFF, 0xFA, 0x2C, 0x0C, 0x01, 0xFF, 0xF0}),
              Bytes(out, out + ComPortPurgeReceive(out, sizeof out)));
}

}  // namespace
