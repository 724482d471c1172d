// Network ports: the addresses that name a sensor behind a serial device
// server, and the Telnet byte handling with the COM-PORT-CONTROL option for
// the device servers that speak it. Pure byte rules, no sockets, so every
// sequence is checked against fixed byte vectors.
//
// Facts owned here:
//  - "socket://HOST:PORT" is raw TCP, "rfc2217://HOST:PORT" is Telnet with
//    COM-PORT-CONTROL; anything else is a local device;
//  - data bytes 0xFF go out doubled and come in un-doubled, also when a
//    sequence is split between two reads;
//  - the client wants BINARY both ways, SUPPRESS-GO-AHEAD both ways and
//    offers COM-PORT-CONTROL; every other option is refused, and an answer
//    to our own request is never answered again (no negotiation loops);
//  - the line settings go out only once the server agreed to COM-PORT-CONTROL.
#pragma once

#include <cstdint>

enum NetKind {
    kNetNone = 0,     // not a network address: a local device
    kNetRaw = 1,      // socket://HOST:PORT
    kNetRfc2217 = 2,  // rfc2217://HOST:PORT
};

enum {
    kNetHostSize = 256,
    kTelnetIac = 0xFF,
    kTelnetDont = 0xFE,
    kTelnetDo = 0xFD,
    kTelnetWont = 0xFC,
    kTelnetWill = 0xFB,
    kTelnetSb = 0xFA,
    kTelnetSe = 0xF0,
    kTelnetOptBinary = 0,
    kTelnetOptSga = 3,
    kTelnetOptComPort = 44,
    // COM-PORT-CONTROL commands, client to server; the server answers with +100.
    kComPortSetBaud = 1,
    kComPortSetDataSize = 2,
    kComPortSetParity = 3,
    kComPortSetStopSize = 4,
    kComPortSetControl = 5,
    kComPortPurgeData = 12,
    kComPortServerOffset = 100,
    kComPortParityNone = 1,
    kComPortStopOne = 1,
    kComPortNoFlowControl = 1,
    kComPortPurgeReceive = 1,   // the server's buffer of bytes from the sensor
    kTelnetMaxReply = 3,        // bytes one received command can need in answer
    kComPortSettingsSize = 64,  // room for the whole open sequence
    kTelnetSbSize = 16,         // subnegotiation bytes kept; longer ones are cut
};

struct NetAddress {
    NetKind kind;
    char host[kNetHostSize];
    uint16_t port;
};

// The kind of device, kNetNone for a local device or a malformed address.
NetKind NetKindOf(const char* device);
// Splits a network address. 1, or 0 (kind kNetNone) when it is not one or
// its host is empty or too long, or its port is not 1..65535.
int NetAddressParse(const char* device, NetAddress* out);

// Copies in to out with every 0xFF doubled. Returns the bytes written, or
// -1 when out cannot hold them (nothing is cut in the middle of a pair).
int TelnetEscape(const uint8_t* in, int n, uint8_t* out, int outSize);

enum TelnetOptionState {
    kTelnetOff = 0,
    kTelnetOn = 1,
    kTelnetAsked = 2,  // we asked, the answer has not come
};

struct TelnetRx {
    int state;       // where in a command the last read ended
    uint8_t verb;    // DO/DONT/WILL/WONT awaiting its option byte
    uint8_t us[3];   // our side of BINARY, SGA, COM-PORT
    uint8_t him[3];  // the server's side of the same
    uint8_t sb[kTelnetSbSize];
    int sbLength;
    int comPortAnswer;         // 1 server agreed to COM-PORT-CONTROL, -1 refused, 0 not yet
    uint32_t subnegotiations;  // COM-PORT answers and notifications received
};

// Starts a connection: the requests the client sends first into out
// (size >= kComPortSettingsSize). Returns the byte count.
int TelnetStart(TelnetRx* rx, int comPort, uint8_t* out, int size);

// Takes n received bytes: data goes to data (room for n bytes), answers to
// the server's requests to reply (room for n + kTelnetMaxReply bytes).
// Returns the data byte count; *replyLength gets the answer byte count.
int TelnetReceive(TelnetRx* rx, const uint8_t* in, int n, uint8_t* data, uint8_t* reply,
                  int* replyLength);

// The line settings as COM-PORT-CONTROL commands: baud, 8 data bits, no
// parity, one stop bit, no flow control. Returns the byte count or -1.
int ComPortSettings(uint32_t baud, uint8_t* out, int size);
// Asks the server to empty the buffer of bytes the sensor sent. Returns the
// byte count or -1.
int ComPortPurgeReceive(uint8_t* out, int size);
