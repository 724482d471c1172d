// Items of every drop-down ring of the panels, filled once at start-up (the
// panel forms leave the rings empty) and, for the items the panel
// adaptation relabels, restored before each adaptation.
//
// Facts owned here: one item per value the sensor accepts; the value of an
// item is the record word itself (scan counts for the average, ms for the
// hold time), never the item's position; the port ring lists the port
// table with value n, named by the port naming rule.
#include "core/portname.h"
#include "gui/gui.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

struct RingItem {
    const char* label;
    int value;
};

const RingItem kPolarityItems[] = {{"NEGATIVE", 0}, {"POSITIVE", 1}};

const RingItem kEvalModeItems[] = {
    {"LEFT-EDGE", 0}, {"RIGHT-EDGE", 1}, {"WIDTH", 2}, {"MODE-3", 3}, {"MODE-4", 4},
};

const RingItem kAverageItems[] = {
    {"1", 1},   {"2", 2},     {"4", 4},     {"8", 8},     {"16", 16},     {"32", 32},
    {"64", 64}, {"128", 128}, {"256", 256}, {"512", 512}, {"1024", 1024},
};

const RingItem kTrigModeItems[] = {
    {"FREE-RUN", 0},
    {"EXT RISING", 1},
    {"EXT FALLING", 2},
    {"INTERN TRIG", 3},
};

const RingItem kAnaModeItems[] = {
    {"MODE-0", 0}, {"DIRECT 5V", 1}, {"MODE-2", 2}, {"MODE-3", 3},
    {"MODE-4", 4}, {"MODE-5", 5},    {"MODE-6", 6}, {"MODE-7", 7},
};

const RingItem kHardwareItems[] = {
    {"ALL OFF", 0},
    {"POTI ON", 1},
    {"BUTTON ON", 2},
    {"BUTTON+POTI", 3},
};

const RingItem kHoldItems[] = {
    {"0 ms", 0},     {"10 ms", 10},   {"20 ms", 20},   {"50 ms", 50},
    {"100 ms", 100}, {"200 ms", 200}, {"500 ms", 500}, {"1000 ms", 1000},
};

const RingItem kPowerModeItems[] = {{"CONSTANT", 0}, {"DYNAMIC", 1}};

struct Ring {
    const int* panel;
    int control;
    const RingItem* items;
    int count;
    int start;  // selected at start-up: the record's default
};

#define RING(panel, control, items, start) \
    { &panel, control, items, static_cast<int>(sizeof items / sizeof items[0]), start }

const Ring kRings[] = {
    RING(pPara1, PARA1_DROPpolarity, kPolarityItems, 1),
    RING(pPara1, PARA1_DROPevalmode, kEvalModeItems, 1),
    RING(pPara1, PARA1_DROPaverage, kAverageItems, 1),
    RING(pPara1, PARA1_DROPtrigmode, kTrigModeItems, 0),
    RING(pPara1, PARA1_DROPanaMode, kAnaModeItems, 0),
    RING(pPara1, PARA1_DROPhardware, kHardwareItems, 1),
    RING(pPara1, PARA1_DROPhold, kHoldItems, 1000),
    RING(pPara2, PARA2_DROPpowermode, kPowerModeItems, 1),
};

#undef RING

enum { kPortLabelSize = 300 };

const char kPortItemNetworkLabel[] = "network...";
const char kNetworkTitle[] = "Network port";
const char kNetworkPrompt[] =
    "Address of the sensor's port on a serial device server:\n"
    "socket://HOST:PORT (raw TCP) or rfc2217://HOST:PORT (Telnet COM-PORT-CONTROL)";
const char kTxtNotAnAddress[] = "Not an address: socket://HOST:PORT or rfc2217://HOST:PORT";

void FillRing(const Ring& ring) {
    ClearListCtrl(*ring.panel, ring.control);
    for (int i = 0; i < ring.count; ++i)
        ReplaceListItem(*ring.panel, ring.control, i, ring.items[i].label, ring.items[i].value);
    SetCtrlVal(*ring.panel, ring.control, ring.start);
}

// Puts the start-up labels back on the items that the adaptation
// relabels, so a sensor identified after another starts from the same
// items (item count and selection stay).
void RestoreItems(const Ring& ring, const int* indices, int n) {
    for (int k = 0; k < n; ++k) {
        const RingItem& item = ring.items[indices[k]];
        ReplaceListItem(*ring.panel, ring.control, indices[k], item.label, item.value);
    }
}

const Ring* RingOf(int control) {
    for (const Ring& ring : kRings)
        if (ring.control == control) return &ring;
    return nullptr;
}

}  // namespace

void FillPortRing(void) {
    ClearListCtrl(pHandle, MAIN_DropDCom);
    int last = PortTableCount();
    if (last > kMaxPorts) last = kMaxPorts;
    int index = 0;
    for (int n = 1; n <= last || n <= com; ++n) {
        const char* device = PortTableDevice(n);
        if (n != com && (device == nullptr || device[0] == '\0')) continue;
        char label[kPortLabelSize];
        PortLabel(kPortNamingHere, n, device, PortTableDescription(n), label, sizeof label);
        ReplaceListItem(pHandle, MAIN_DropDCom, index++, label, n);
    }
    ReplaceListItem(pHandle, MAIN_DropDCom, index, kPortItemNetworkLabel, kPortItemNetwork);
    SetCtrlVal(pHandle, MAIN_DropDCom, com);
}

int AskNetworkPort(void) {
    char address[kPortLabelSize];
    if (!PromptPopup(kNetworkTitle, kNetworkPrompt, address, sizeof address)) return 0;
    const int port = PortTableAddAddress(address);
    if (!port) SetStatus(kTxtNotAnAddress);
    return port;
}

void FillRings(void) {
    for (const Ring& ring : kRings) FillRing(ring);
    FillPortRing();
}

void RestoreAdaptedItems(void) {
    static const int kEvalItems[] = {0, 1, 2};
    static const int kTrigItems[] = {3};
    static const int kAnaItems[] = {1};
    RestoreItems(*RingOf(PARA1_DROPevalmode), kEvalItems, 3);
    RestoreItems(*RingOf(PARA1_DROPtrigmode), kTrigItems, 1);
    RestoreItems(*RingOf(PARA1_DROPanaMode), kAnaItems, 1);
}
