// Network port addresses and the Telnet / COM-PORT-CONTROL byte rules.
#include "core/telnet.h"

#include <cstring>

namespace {

struct Scheme {
    const char* prefix;
    NetKind kind;
};
const Scheme kSchemes[] = {
    {"socket://", kNetRaw},
    {"rfc2217://", kNetRfc2217},
};

enum RxState {
    kRxData = 0,
    kRxIac,     // after IAC
    kRxOption,  // after IAC DO/DONT/WILL/WONT
    kRxSb,      // inside IAC SB ... IAC SE
    kRxSbIac,   // after IAC inside a subnegotiation
};

// The options the client takes part in, in the order of TelnetRx::us/him.
const uint8_t kOptions[] = {kTelnetOptBinary, kTelnetOptSga, kTelnetOptComPort};
enum { kOptionCount = sizeof kOptions };
const int kComPortIndex = 2;

// How each verb moves the option state and what it answers.
struct Verb {
    uint8_t verb;
    int ourSide;     // 1: DO/DONT speak of our side, 0: WILL/WONT of the server's
    int enable;      // 1: the peer asks for / offers the option
    uint8_t accept;  // answer when the state changes to on
    uint8_t refuse;  // answer when it changes to off, or the option is not ours
};
const Verb kVerbs[] = {
    {kTelnetDo, 1, 1, kTelnetWill, kTelnetWont},
    {kTelnetDont, 1, 0, kTelnetWill, kTelnetWont},
    {kTelnetWill, 0, 1, kTelnetDo, kTelnetDont},
    {kTelnetWont, 0, 0, kTelnetDo, kTelnetDont},
};

int OptionIndex(uint8_t option) {
    for (int i = 0; i < kOptionCount; ++i)
        if (kOptions[i] == option) return i;
    return -1;
}

int Put3(uint8_t* out, uint8_t a, uint8_t b, uint8_t c) {
    out[0] = a;
    out[1] = b;
    out[2] = c;
    return 3;
}

// Answers one DO/DONT/WILL/WONT; returns the reply bytes written (0 or 3).
int Negotiate(TelnetRx* rx, uint8_t verb, uint8_t option, uint8_t* reply) {
    const Verb* v = nullptr;
    for (const Verb& entry : kVerbs)
        if (entry.verb == verb) v = &entry;
    if (!v) return 0;
    const int index = OptionIndex(option);
    if (index < 0) {
        // Not ours: refuse a request, stay silent on a refusal.
        return v->enable ? Put3(reply, kTelnetIac, v->refuse, option) : 0;
    }
    uint8_t& state = v->ourSide ? rx->us[index] : rx->him[index];
    const uint8_t before = state;
    state = v->enable ? kTelnetOn : kTelnetOff;
    if (v->ourSide && index == kComPortIndex) rx->comPortAnswer = v->enable ? 1 : -1;
    // The answer to our own request is not answered, nor a repeat of the
    // state already agreed.
    if (before == kTelnetAsked || before == state) return 0;
    return Put3(reply, kTelnetIac, v->enable ? v->accept : v->refuse, option);
}

void EndSubnegotiation(TelnetRx* rx) {
    if (rx->sbLength > 0 && rx->sb[0] == kTelnetOptComPort) ++rx->subnegotiations;
    rx->sbLength = 0;
}

// IAC SB COM-PORT command value... IAC SE, with 0xFF in the value doubled.
int Command(uint8_t command, const uint8_t* value, int n, uint8_t* out, int size) {
    uint8_t head[] = {kTelnetIac, kTelnetSb, kTelnetOptComPort, command};
    if (size < static_cast<int>(sizeof head)) return -1;
    std::memcpy(out, head, sizeof head);
    int length = static_cast<int>(sizeof head);
    const int body = TelnetEscape(value, n, out + length, size - length);
    if (body < 0 || size - length - body < 2) return -1;
    length += body;
    out[length++] = kTelnetIac;
    out[length++] = kTelnetSe;
    return length;
}

}  // namespace

int NetAddressParse(const char* device, NetAddress* out) {
    if (!out) return 0;
    out->kind = kNetNone;
    out->host[0] = '\0';
    out->port = 0;
    if (!device) return 0;
    const Scheme* scheme = nullptr;
    for (const Scheme& s : kSchemes)
        if (std::strncmp(device, s.prefix, std::strlen(s.prefix)) == 0) scheme = &s;
    if (!scheme) return 0;
    const char* host = device + std::strlen(scheme->prefix);
    const char* colon = std::strrchr(host, ':');
    if (!colon || colon == host) return 0;
    size_t hostLength = static_cast<size_t>(colon - host);
    // [::1]:2000: the brackets only mark where the address ends.
    if (host[0] == '[' && hostLength >= 2 && colon[-1] == ']') {
        ++host;
        hostLength -= 2;
    }
    if (hostLength == 0 || hostLength >= kNetHostSize) return 0;
    const char* digits = colon + 1;
    if (!*digits || *digits == '0') return 0;
    long port = 0;
    for (const char* d = digits; *d; ++d) {
        if (*d < '0' || *d > '9') return 0;
        port = port * 10 + (*d - '0');
        if (port > 65535) return 0;
    }
    std::memcpy(out->host, host, hostLength);
    out->host[hostLength] = '\0';
    out->port = static_cast<uint16_t>(port);
    out->kind = scheme->kind;
    return 1;
}

NetKind NetKindOf(const char* device) {
    NetAddress address;
    return NetAddressParse(device, &address) ? address.kind : kNetNone;
}

int TelnetEscape(const uint8_t* in, int n, uint8_t* out, int outSize) {
    int length = 0;
    for (int i = 0; i < n; ++i) {
        const int need = in[i] == kTelnetIac ? 2 : 1;
        if (length + need > outSize) return -1;
        out[length++] = in[i];
        if (need == 2) out[length++] = kTelnetIac;
    }
    return length;
}

int TelnetStart(TelnetRx* rx, int comPort, uint8_t* out, int size) {
    std::memset(rx, 0, sizeof *rx);
    if (size < kComPortSettingsSize) return 0;
    int length = 0;
    for (int i = 0; i < kOptionCount; ++i) {
        const int wanted = kOptions[i] != kTelnetOptComPort || comPort;
        if (!wanted) continue;
        length += Put3(out + length, kTelnetIac, kTelnetWill, kOptions[i]);
        rx->us[i] = kTelnetAsked;
        if (kOptions[i] == kTelnetOptComPort) continue;  // only the client offers it
        length += Put3(out + length, kTelnetIac, kTelnetDo, kOptions[i]);
        rx->him[i] = kTelnetAsked;
    }
    return length;
}

int TelnetReceive(TelnetRx* rx, const uint8_t* in, int n, uint8_t* data, uint8_t* reply,
                  int* replyLength) {
    int got = 0;
    int answered = 0;
    for (int i = 0; i < n; ++i) {
        const uint8_t c = in[i];
        switch (rx->state) {
            case kRxData:
                if (c == kTelnetIac)
                    rx->state = kRxIac;
                else
                    data[got++] = c;
                break;
            case kRxIac:
                rx->state = kRxData;
                if (c == kTelnetIac) {
                    data[got++] = c;
                } else if (c >= kTelnetWill) {
                    rx->verb = c;
                    rx->state = kRxOption;
                } else if (c == kTelnetSb) {
                    rx->sbLength = 0;
                    rx->state = kRxSb;
                }
                // NOP, GA and the other bare commands carry nothing for a data line.
                break;
            case kRxOption:
                answered += Negotiate(rx, rx->verb, c, reply + answered);
                rx->state = kRxData;
                break;
            case kRxSb:
                if (c == kTelnetIac)
                    rx->state = kRxSbIac;
                else if (rx->sbLength < kTelnetSbSize)
                    rx->sb[rx->sbLength++] = c;
                break;
            case kRxSbIac:
                if (c == kTelnetSe) {
                    EndSubnegotiation(rx);
                    rx->state = kRxData;
                } else {
                    if (c == kTelnetIac && rx->sbLength < kTelnetSbSize) rx->sb[rx->sbLength++] = c;
                    rx->state = kRxSb;
                }
                break;
            default:
                rx->state = kRxData;
        }
    }
    if (replyLength) *replyLength = answered;
    return got;
}

int ComPortSettings(uint32_t baud, uint8_t* out, int size) {
    const uint8_t baudValue[] = {static_cast<uint8_t>(baud >> 24), static_cast<uint8_t>(baud >> 16),
                                 static_cast<uint8_t>(baud >> 8), static_cast<uint8_t>(baud)};
    struct Setting {
        uint8_t command;
        uint8_t value;
    };
    static const Setting kSettings[] = {
        {kComPortSetDataSize, 8},
        {kComPortSetParity, kComPortParityNone},
        {kComPortSetStopSize, kComPortStopOne},
        {kComPortSetControl, kComPortNoFlowControl},
    };
    int length = Command(kComPortSetBaud, baudValue, sizeof baudValue, out, size);
    if (length < 0) return -1;
    for (const Setting& s : kSettings) {
        const int n = Command(s.command, &s.value, 1, out + length, size - length);
        if (n < 0) return -1;
        length += n;
    }
    return length;
}

int ComPortPurgeReceive(uint8_t* out, int size) {
    const uint8_t value = kComPortPurgeReceive;
    return Command(kComPortPurgeData, &value, 1, out, size);
}
