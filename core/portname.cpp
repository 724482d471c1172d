// Port numbers to device names and drop-down texts, for both systems.
#include "core/portname.h"

#include <cstdio>
#include <cstring>

#include "core/telnet.h"

namespace {

const char kComPrefix[] = "COM";
const char kWin32DevicePrefix[] = "\\\\.\\";  // \\.\ reaches COM10 and above in Win32

int ValidPort(int port) {
    return port >= 1 && port <= kMaxPorts;
}

int StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix) {
        char c = *text;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != *prefix) return 0;
    }
    return 1;
}

int CopyName(const char* name, char* out, int size) {
    if (!out || size <= 0) return 0;
    size_t length = std::strlen(name);
    if (length >= static_cast<size_t>(size)) {
        out[0] = '\0';
        return 0;
    }
    std::memcpy(out, name, length + 1);
    return 1;
}

int ComName(int port, char* out, int size) {
    if (!out || size <= 0) return 0;
    int n = std::snprintf(out, static_cast<size_t>(size), "%s%d", kComPrefix, port);
    if (n < 0 || n >= size) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

// Entry of a device already in the table, or 0.
int EntryOf(const PortTable table, const char* device) {
    for (int port = 1; port <= kMaxPorts; ++port) {
        if (std::strcmp(table[port], device) == 0) return port;
    }
    return 0;
}

// An entry is only ever replaced whole: a name too long for it leaves the
// old one in place rather than a cut-off name that opens something else.
int Store(PortTable table, int port, const char* device) {
    if (std::strlen(device) >= kPortDeviceSize) return 0;
    std::memcpy(table[port], device, std::strlen(device) + 1);
    return port;
}

// Windows: the device goes to its own number, stored as plain COMn. A
// number that holds a network address keeps it.
int PlaceCom(PortTable table, const char* device) {
    int port = PortNumberOfCom(device);
    char name[kPortDeviceSize];
    if (!port || !ComName(port, name, sizeof name)) return 0;
    if (NetKindOf(table[port]) != kNetNone) return 0;
    return Store(table, port, name);
}

}  // namespace

int PortNumberOfCom(const char* device) {
    if (!device) return 0;
    if (StartsWithNoCase(device, kWin32DevicePrefix)) device += sizeof kWin32DevicePrefix - 1;
    if (!StartsWithNoCase(device, kComPrefix)) return 0;
    const char* digits = device + sizeof kComPrefix - 1;
    // No sign, no leading zero, nothing after the number: "COM07" or
    // "COM7x" would open a device other than the one the number shows.
    if (digits[0] < '1' || digits[0] > '9') return 0;
    int port = 0;
    for (const char* d = digits; *d; ++d) {
        if (*d < '0' || *d > '9') return 0;
        port = port * 10 + (*d - '0');
        if (port > kMaxPorts) return 0;
    }
    return port;
}

int PortDeviceName(PortNaming naming, const PortTable table, int port, char* device, int size) {
    if (device && size > 0) device[0] = '\0';
    if (!ValidPort(port)) return 0;
    if (naming == kPortNamingCom && (!table || NetKindOf(table[port]) == kNetNone))
        return ComName(port, device, size);
    if (!table || !table[port][0]) return 0;
    return CopyName(table[port], device, size);
}

int PortPlaceGiven(PortNaming naming, PortTable table, const char* device) {
    if (!table || !device || !device[0]) return 0;
    if (naming == kPortNamingCom) {
        if (NetKindOf(device) != kNetNone) return PortPlaceAddress(naming, table, device);
        return PlaceCom(table, device);
    }
    return Store(table, kPortGivenEntry, device);
}

int PortPlaceDetected(PortNaming naming, PortTable table, const char* device) {
    if (!table || !device || !device[0]) return 0;
    if (naming == kPortNamingCom) return PlaceCom(table, device);
    int known = EntryOf(table, device);
    if (known) return known;
    for (int port = kPortFirstDetected; port <= kMaxPorts; ++port) {
        if (!table[port][0]) return Store(table, port, device);
    }
    return 0;
}

int PortPlaceAddress(PortNaming naming, PortTable table, const char* address) {
    if (!table || NetKindOf(address) == kNetNone) return 0;
    int known = EntryOf(table, address);
    if (known) return known;
    // Windows: from the top down, away from the numbers adapters take.
    if (naming == kPortNamingCom) {
        for (int port = kMaxPorts; port >= 1; --port)
            if (!table[port][0]) return Store(table, port, address);
        return 0;
    }
    for (int port = kPortFirstDetected; port <= kMaxPorts; ++port) {
        if (!table[port][0]) return Store(table, port, address);
    }
    return 0;
}

int PortLabel(PortNaming naming, int port, const char* device, const char* description, char* label,
              int size) {
    if (!label || size <= 0) return 0;
    const int isAddress = NetKindOf(device) != kNetNone;
    const char* detail = naming == kPortNamingCom && !isAddress ? description : device;
    if (!detail) detail = "";
    int n = detail[0] ? std::snprintf(label, static_cast<size_t>(size), "%s%d  %s", kComPrefix,
                                      port, detail)
                      : std::snprintf(label, static_cast<size_t>(size), "%s%d", kComPrefix, port);
    return n >= 0 && n < size ? 1 : 0;
}
