// The main window as a desktop tool: its title says what the program is
// connected to and what it is doing (port and device, the sensor model or
// that none answered, the loop running now), and its keyboard shortcuts.
#include <cstdio>
#include <cstring>

#include "core/portname.h"
#include "gui/gui.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

const char kProgram[] = "Kovexa";
const char kNoSensor[] = "no sensor";
const char kPlaceKey[] = "window/geometry";
enum { kTitleSize = 512, kModelSize = 64 };

struct Shortcut {
    const char* keys;
    int control;  // or kShortcutClose, kShortcutHelp
};

// Ctrl+S stays with the graphs (saves what the graph under focus shows).
const Shortcut kShortcuts[] = {
    {"F5", MAIN_BTNRun},        {"Esc", MAIN_BTNStop},
    {"Ctrl+G", MAIN_BTNGet},    {"Ctrl+Shift+S", MAIN_BTNSend},
    {"Ctrl+Q", kShortcutClose}, {"F1", kShortcutHelp},
};

char gModel[kModelSize];
const char* gLoop = nullptr;

}  // namespace

void SetTitleSensor(const char* model) {
    std::snprintf(gModel, sizeof gModel, "%s", model ? model : "");
    ShowTitle();
}

void SetTitleLoop(const char* loop) {
    gLoop = loop;
    ShowTitle();
}

void ShowTitle(void) {
    if (pHandle <= 0) return;
    char title[kTitleSize];
    char port[kPortDeviceSize + 16];
    const char* device = PortTableDevice(com);
    // On Windows the device is the COM name itself: said once.
    if (device == nullptr || device[0] == '\0' || PortNumberOfCom(device) == com)
        std::snprintf(port, sizeof port, "COM%d", com);
    else
        std::snprintf(port, sizeof port, "COM%d %s", com, device);
    int n = std::snprintf(title, sizeof title, "%s - %s - %s", kProgram, port,
                          gModel[0] ? gModel : kNoSensor);
    if (gLoop != nullptr && n > 0 && n < kTitleSize)
        std::snprintf(title + n, sizeof title - static_cast<size_t>(n), " - %s", gLoop);
    SetPanelAttribute(pHandle, ATTR_TITLE, title);
}

void InstallShortcuts(void) {
    for (const Shortcut& s : kShortcuts) SetPanelShortcut(pHandle, s.keys, s.control);
}

void SaveSettings(void) {
    SaveMemoryChoice();
    SettingSavePanelPlace(pHandle, kPlaceKey);
}

void RestoreSettings(void) {
    RestoreMemoryChoice();
    SettingRestorePanelPlace(pHandle, kPlaceKey);
}
