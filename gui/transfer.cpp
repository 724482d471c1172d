// Parameter transfer: GET reads both halves of the record from the
// sensor's RAM or EEPROM (or a parameter file) into the panels, SEND writes
// the panels into RAM or EEPROM (or a parameter file); and the choice of
// the memory with the three radio buttons.
//
// Protocol facts owned here: a read is command 2 (RAM) or 4 (EEPROM) with
// the half (0 or 1) as second word and that half packed as payload; the
// reply's 15 words are the half. A write is command 1 (RAM) or 3 (EEPROM),
// half 0 then half 1, 0.1 s apart, and gets no reply.
#include <cstdio>
#include <cstring>

#include "gui/gui.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"
#include "popup/paramfile.h"

namespace {

const char kTxtTransmit[] = "Transmit...";
const char kHelpGet[] =
    "GET-BUTTON:\nGet parameter-frame of K-VEX sensor\nfrom EEPROM- or RAM-memory ...";
const char kHelpSend[] =
    "SEND-BUTTON:\nSend parameter-frame to EEPROM- or\nRAM-memory of the K-VEX-sensor!";

const double kHalfPause = 0.1;
enum { kHelpGap = 20 };

struct Memory {
    int source;
    uint16_t readCommand;
    uint16_t writeCommand;
};

const Memory kMemories[] = {
    {RAM, CMD_READ_RAM, CMD_WRITE_RAM},
    {EEPROM, CMD_READ_EEPROM, CMD_WRITE_EEPROM},
};

const Memory* MemoryOf(int source) {
    for (const Memory& m : kMemories)
        if (m.source == source) return &m;
    return nullptr;
}

struct MemoryButton {
    int control;
    int memory;
};

const MemoryButton kMemoryButtons[] = {
    {MAIN_RBTRam, RAM},
    {MAIN_RBTEeprom, EEPROM},
    {MAIN_RBTFile, DATFILE},
};

// A write gets no reply: the frame goes out without the flush of a
// request, so a RUN or GET waiting for its reply keeps it. 1 when it went.
int SendHalf(uint16_t command, uint16_t half) {
    CopyVarsToPP(half);
    if (WriteCommand(command, half) == kFrameSize) {
        SetStatus(kTxtSent);
        return 1;
    }
    if (!PortUsable()) ShowStatus();
    return ComIsOpen(com);
}

void SendToFile(void) {
    if (!ChooseParamFile(0)) return;
    GetPanelValuesOfVariant();
    if (SendParaToFile()) MarkPanelsSent();
}

// A radio button changed: an "on" selects its memory and switches the
// others off; switching the selection off returns to RAM.
void SelectMemory(int control) {
    int on = 0;
    GetCtrlVal(pHandle, control, &on);
    if (!on) {
        target = RAM;
        SetCtrlVal(pHandle, MAIN_RBTRam, 1);
        return;
    }
    for (const MemoryButton& b : kMemoryButtons) {
        if (b.control == control)
            target = b.memory;
        else
            SetCtrlVal(pHandle, b.control, 0);
    }
}

const char kMemoryKey[] = "memory";
const char* const kMemoryNames[] = {"RAM", "EEPROM", "FILE"};  // as kMemoryButtons

int MemoryButtonEvent(int control, int event) {
    if (event == EVENT_VAL_CHANGED || event == EVENT_COMMIT) SelectMemory(control);
    return 0;
}

}  // namespace

int PushGET(uint16_t source, uint16_t half) {
    int received = 1;
    if (source != DATFILE) {
        received = 0;
        const Memory* m = MemoryOf(source);
        const uint16_t command = m ? m->readCommand : parameter[1];
        CopyVarsToPP(half);
        if (SendCommand(command, half) == kFrameSize) SetStatus(kTxtWaitingParam);
        if (WaitReply(kTxtTimeout)) {
            // The reply's echo is not examined: its 15 words are the half.
            CopyPPtoVars(half);
            CopyStatus(kTxtParamReceived);
            if (half == 1) NoteRecordCommand(command);
            received = 1;
        }
    }
    ShowStatus();
    if (half == 1) SetPanelValuesOfVariant();
    return received;
}

int CC_BTNGet(int, int, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK)
        ToggleHelpBeside(MAIN_HelpText1, MAIN_BTNGet, kHelpGap, kHelpGet);
    if (event != EVENT_COMMIT || !ConfirmDiscardEdits()) return 0;
    const uint16_t source = static_cast<uint16_t>(target);
    if (target == DATFILE) ReadParaFromFile();
    // Half 1 is asked for only after half 0 came: half 0's answer arriving
    // late would otherwise be taken for half 1 and stored in its place.
    if (PushGET(source, 0)) {
        Delay(kHalfPause);
        PushGET(source, 1);
    }
    Delay(kHalfPause);
    return 0;
}

int CC_BTNSend(int, int, int event, void*, int, int) {
    if (event == EVENT_RIGHT_CLICK)
        ToggleHelpBeside(MAIN_HelpText1, MAIN_BTNSend, kHelpGap, kHelpSend);
    if (event != EVENT_COMMIT) return 0;
    SetStatus(kTxtTransmit);
    if (target == DATFILE) {
        SendToFile();
        return 0;
    }
    const uint16_t command = target == EEPROM ? CMD_WRITE_EEPROM : CMD_WRITE_RAM;
    parameter[0] = kSyncRequest;
    parameter[1] = command;
    GetPanelValuesOfVariant();
    if (!SendHalf(command, 0)) return 0;
    Delay(kHalfPause);
    if (SendHalf(command, 1)) MarkPanelsSent();
    NoteRecordCommand(command);
    return 0;
}

int CC_RBTRam(int, int, int event, void*, int, int) {
    return MemoryButtonEvent(MAIN_RBTRam, event);
}

int CC_RBTEeprom(int, int, int event, void*, int, int) {
    return MemoryButtonEvent(MAIN_RBTEeprom, event);
}

int CC_RBTFile(int, int, int event, void*, int, int) {
    return MemoryButtonEvent(MAIN_RBTFile, event);
}

void SaveMemoryChoice(void) {
    for (int i = 0; i < static_cast<int>(sizeof kMemoryButtons / sizeof kMemoryButtons[0]); ++i)
        if (kMemoryButtons[i].memory == target) SettingSet(kMemoryKey, kMemoryNames[i]);
}

void RestoreMemoryChoice(void) {
    char name[16];
    if (!SettingGet(kMemoryKey, name, sizeof name)) return;
    for (int i = 0; i < static_cast<int>(sizeof kMemoryButtons / sizeof kMemoryButtons[0]); ++i) {
        if (std::strcmp(name, kMemoryNames[i]) != 0) continue;
        for (const MemoryButton& b : kMemoryButtons) SetCtrlVal(pHandle, b.control, 0);
        SetCtrlVal(pHandle, kMemoryButtons[i].control, 1);
        target = kMemoryButtons[i].memory;
    }
}
