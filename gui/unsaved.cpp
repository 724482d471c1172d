// Unsaved-settings guard: a sensor forgets settings written only to its
// RAM at the next power cycle. Once this program has written RAM, quitting
// asks first, until the record has gone to EEPROM, been read back from
// EEPROM, or a comparison found RAM and EEPROM equal. Another port means
// another sensor: the note is dropped.
#include "gui/gui.h"
#include "platform/cvi.h"

namespace {

const char kQuitTitle[] = "Quit";
const char kQuitQuestion[] = "RAM settings not stored in EEPROM - quit anyway?";

int ramUnsaved;

struct CommandEffect {
    uint16_t command;
    int unsaved;
};
const CommandEffect kEffects[] = {
    {CMD_WRITE_RAM, 1},
    {CMD_WRITE_EEPROM, 0},
    {CMD_READ_EEPROM, 0},
};

}  // namespace

void NoteRecordCommand(uint16_t command) {
    for (const CommandEffect& e : kEffects)
        if (e.command == command) ramUnsaved = e.unsaved;
}

void NoteSensorChanged(void) {
    ramUnsaved = 0;
}

void NoteRamStored(void) {
    ramUnsaved = 0;
}

int ConfirmQuit(void) {
    if (!ConfirmDiscardEdits()) return 0;
    return !ramUnsaved || ConfirmPopup(kQuitTitle, kQuitQuestion) ? 1 : 0;
}
