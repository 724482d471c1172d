// Port naming: which device a port number opens, where the --port device and
// the detected devices sit among the numbers, and how the port drop-down
// names each number. Pure rules, no system calls, so both systems' rules are
// checked on either.
//
// Facts owned here:
//  - ports are the numbers 1..kMaxPorts that `com` holds;
//  - on Windows port n is the device COMn, whether the system lists it or
//    not; --port COMn (any case, or \\.\COMn) selects port n, a detected
//    COMn takes number n;
//  - elsewhere a table maps numbers to devices: entry 1 is the --port device
//    (or the simulated sensor), detected devices follow from entry 2 on in
//    the system's order, each device once;
//  - the drop-down shows "COMn", then two spaces and the device (table) or
//    the adapter's description (Windows) when one is known;
//  - a network address typed by the user gets a number of its own on both
//    systems and is shown as itself.
#pragma once

enum PortNaming {
    kPortNamingTable = 0,  // numbers mapped to devices by the port table
    kPortNamingCom = 1,    // Windows: port n is COMn
};

#ifdef _WIN32
const PortNaming kPortNamingHere = kPortNamingCom;
#else
const PortNaming kPortNamingHere = kPortNamingTable;
#endif

enum {
    kMaxPorts = 64,         // port numbers 1..kMaxPorts
    kPortDeviceSize = 256,  // a table entry: device name and its terminating zero
    kPortGivenEntry = 1,    // the --port device on table systems
    kPortFirstDetected = 2,
};

// Rows 0..kMaxPorts; row n is the device of port n, "" for none (row 0 unused).
typedef char PortTable[kMaxPorts + 1][kPortDeviceSize];

// n of "COMn" or "\\.\COMn" (any case) with n in 1..kMaxPorts, else 0.
int PortNumberOfCom(const char* device);

// The device port opens, into device: COMn on Windows, the table's entry
// elsewhere. 1, or 0 with "" when the number has none or it does not fit.
int PortDeviceName(PortNaming naming, const PortTable table, int port, char* device, int size);

// Puts the --port device into the table: entry 1 on table systems, entry n
// for COMn on Windows. Returns the number to open at start, or 0 when the
// device names no port there or does not fit (table left unchanged).
int PortPlaceGiven(PortNaming naming, PortTable table, const char* device);

// Puts a device the system detected into the table unless it is there:
// the first free entry from 2 on (table), entry n for COMn (Windows).
// Returns the entry that holds the device, or 0 when it has no place.
int PortPlaceDetected(PortNaming naming, PortTable table, const char* device);

// Puts a network address (socket://, rfc2217://) typed by the user into
// the table, or finds it there: the first free entry from 2 on (table),
// the highest free number (Windows, away from the adapters' COM numbers).
// Returns its entry, or 0 when it is no address or the table is full.
int PortPlaceAddress(PortNaming naming, PortTable table, const char* address);

// Drop-down text of port n into label. description may be nullptr or "".
// Returns 1, or 0 when it was cut short to fit size.
int PortLabel(PortNaming naming, int port, const char* device, const char* description, char* label,
              int size);
