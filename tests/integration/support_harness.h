// Fixture for tests that run the program's own functions with the real
// runtime layer (offscreen) against the simulated sensor on a
// pseudo-terminal. Each test runs in a process of its own (ctest), so the
// program's globals start fresh.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "KovexaV308/kovexa.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"
#include "platform/host.h"
#include "sim/kvexsim.h"

// Creates the application (once per process), registers the controls and
// loads the five panels (once), fills the rings and runs InitVars.
void StartPanels(void);
// StartPanels, then starts the simulated sensor with model, makes it port 1
// and, when probe is true, runs the start-up probe (InitRS232) and InitGUI.
// Returns the pty path.
const char* StartProgram(const char* model, bool probe = true);
// Closes the port and stops the simulator.
void StopProgram(void);
// Changes the simulator's faults in place: SetFaults([](SimFaults* f) { f->silent = 1; }).
void SetFaults(const std::function<void(SimFaults*)>& edit);
// Runs events for the given time.
void Pump(double seconds);
// The widget of that object name (a control or panel), or nullptr.
class QWidget;
QWidget* WidgetNamed(const char* name);
// Requests the simulator received, in order.
std::vector<SimRequest> Requests(void);
// Command words of the requests received.
std::vector<uint16_t> RequestCommands(void);
// Big-endian word at byte offset of a request.
uint16_t RequestWord(const SimRequest& r, int byteOffset);
// Status line text.
std::string StatusLine(void);
// A control's value: Value(pPara1, PARA1_DROPaverage), Value<double>(pHandle, MAIN_DISPmm).
template <class T = int>
T Value(int panel, int control) {
    T v = static_cast<T>(-12345);
    GetCtrlVal(panel, control, &v);
    return v;
}
// A control's text as shown.
std::string CtrlText(int panel, int control);
// A line of the model box on the calibration page.
std::string ModelLine(int line = 0);
// Whether the simulator received a request with this command.
int Sent(uint16_t command);
// Clicks a memory button from a known state (the panels outlive a test).
void ChooseMemory(int button);
// Clicks GET, SEND or COMPARE with the FILE target; the file popup answers path ("": cancelled).
void ViaFile(int button, const std::string& path);
// A file's bytes, "" when it cannot be read.
std::string Slurp(const std::string& path);
// A path in this process's own scratch folder, removed when the process ends.
std::string ScratchPath(const std::string& name);

class SensorHarness : public ::testing::Test {
protected:
    void TearDown() override { StopProgram(); }
};
