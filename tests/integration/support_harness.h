// Fixture for tests that run the program's own functions with the real
// runtime layer (offscreen) against the simulated sensor on a
// pseudo-terminal. Each test runs in a process of its own (ctest), so the
// program's globals start fresh.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
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
// Requests the simulator received, in order.
std::vector<SimRequest> Requests(void);
// Command words of the requests received.
std::vector<uint16_t> RequestCommands(void);
// Big-endian word at byte offset of a request.
uint16_t RequestWord(const SimRequest& r, int byteOffset);
// Status line text.
std::string StatusLine(void);

class SensorHarness : public ::testing::Test {
protected:
    void TearDown() override { StopProgram(); }
};
