// Parameter files through SEND and GET with the FILE target: the golden
// content of a save, loading into the sensor connected now without the
// port, files that must load nothing, and cancelled or failed choices.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "popup/paramfile.h"
#include "tests/integration/support_harness.h"

namespace {

std::string Numbers(int n, int value) {
    std::string s;
    while (n-- > 0) s += std::to_string(value) + "\n";
    return s;
}

class ParamFileTest : public SensorHarness {};

// Catches a different field width, alignment, word order, or word 59 in
// the file: a standard save is words 3-17, 48-58, 60-63, each right-aligned
// in 6 characters, and a power of 500 gives "   500" first; loading it
// back leaves word 59 alone.
TEST_F(ParamFileTest, StandardSaveHasTheGoldenLayout) {
    StartProgram("standard");
    SetCtrlVal(pPara2, PARA2_SLIDEpower, 500);
    parameter[59] = 4242;
    const std::string path = ScratchPath("golden.cfg");
    ViaFile(MAIN_BTNSend, path);
    std::string expected;
    for (int word = 3; word <= 63; ++word) {
        char line[16];
        std::snprintf(line, sizeof line, "%6u\n", static_cast<unsigned>(parameter[word]));
        if (word <= 17 || (word >= 48 && word != 59)) expected += line;
    }
    EXPECT_EQ("   500\n", expected.substr(0, 7));
    EXPECT_EQ(expected, Slurp(path));
    parameter[59] = 4243;
    ViaFile(MAIN_BTNGet, path);
    EXPECT_EQ(4243, parameter[59]);
}

// Catches values above 65535 rejected or saturated: 70000 on line 5 is
// 4464 in the fifth word of half 0 (standard: word 7). Shown afterwards,
// 4464 is beyond the 4096 subpixels and the sanitising makes it 1.
TEST_F(ParamFileTest, Value70000OnLine5Becomes4464) {
    StartProgram("standard");
    const std::string path = ScratchPath("big.cfg");
    std::ofstream(path) << Numbers(4, 1) + "70000\n" + Numbers(25, 1);
    HostQueueFileAnswer(path.c_str());
    ReadParaFromFile();
    EXPECT_EQ(4464, parameter[7]);
    ViaFile(MAIN_BTNGet, path);
    EXPECT_EQ(1, parameter[7]);
    EXPECT_EQ(1, Value(pHandle, MAIN_NEDITEdgeLeft));
}

// Catches a standard file loaded into the standard words of a V303
// sensor: it fills 18-32 position by position, so line 8 (the standard
// tolerance) becomes the V303 upper tolerance (word 25), shown on its
// field; and a load from a file touching the serial port.
TEST_F(ParamFileTest, StandardFileLoadedOnV303SensorFillsV303Words) {
    StartProgram("standard");
    SetCtrlVal(pPara1, PARA1_NEDITTolerance, 77);
    const std::string path = ScratchPath("std.cfg");
    ViaFile(MAIN_BTNSend, path);
    const std::vector<uint16_t> saved(parameter + 3, parameter + 18);
    ASSERT_EQ(77, saved[7]);
    StopProgram();

    StartProgram("v303");
    SimClearRequests();
    ViaFile(MAIN_BTNGet, path);
    EXPECT_EQ(saved, std::vector<uint16_t>(parameter + 18, parameter + 33));
    EXPECT_EQ(77, Value(pPara1, PARA1_NEDITToleranceUP));
    Pump(0.05);
    EXPECT_EQ(0, SimRequestCount());
}

// Catches a short, partly garbled or missing file changing the record, a failed load looking like
// success, or a load blocking on a FIFO or terminal (the watchdog ends it); nothing goes to the
// port. Which texts the reader refuses is pinned in test_files.
TEST_F(ParamFileTest, BadParameterFileLoadsNothingAndSaysSo) {
    const std::string tty = StartProgram("standard");
    const std::string shortFile = ScratchPath("short.cfg"), garbled = ScratchPath("garbled.cfg"),
                      fifo = ScratchPath("fifo.cfg");
    std::ofstream(shortFile) << Numbers(29, 7);
    std::ofstream(garbled) << Numbers(10, 7) + "1.5\n" + Numbers(19, 7);
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    const std::vector<uint16_t> before(parameter + 3, parameter + kParamWords);  // 0-2: requests
    SimClearRequests();
    alarm(10);
    for (const std::string& path : {shortFile, garbled, ScratchPath("missing.cfg"), fifo, tty}) {
        SetStatus("");
        ViaFile(MAIN_BTNGet, path);
        EXPECT_EQ(before, std::vector<uint16_t>(parameter + 3, parameter + kParamWords)) << path;
        EXPECT_EQ("Error reading parameter-file!", StatusLine()) << path;
    }
    alarm(0);
    EXPECT_EQ(0, SimRequestCount());
}

// Catches a cancelled load changing the record (GET still shows it as it was, without an error
// text), a cancelled save sending frames or reporting anything but "Transmit...", a path too
// long for the path buffer doing nothing at all, and a failed save reported as if it worked.
TEST_F(ParamFileTest, CancelledChoiceChangesNothingAndUnusablePathsAreReported) {
    StartProgram("standard");
    const uint16_t power = parameter[3];
    SetCtrlVal(pPara2, PARA2_SLIDEpower, power + 1);
    SimClearRequests();
    HostQueueConfirmAnswer(1);  // the edit may go
    ViaFile(MAIN_BTNGet, "");
    EXPECT_EQ(power, parameter[3]);
    EXPECT_EQ(power, Value(pPara2, PARA2_SLIDEpower));
    EXPECT_NE("Error reading parameter-file!", StatusLine());
    ViaFile(MAIN_BTNSend, "");
    Pump(0.05);
    EXPECT_EQ(0, SimRequestCount());
    EXPECT_EQ("Transmit...", StatusLine());
    const std::string path = "/tmp/" + std::string(300, 'k') + ".cfg";
    for (int button : {MAIN_BTNGet, MAIN_BTNSend}) {
        SetStatus("");
        ViaFile(button, path);
        EXPECT_EQ("Path of the chosen file is too long!", StatusLine()) << button;
    }
    ViaFile(MAIN_BTNSend, "/nonexistent-kovexa-folder/para.cfg");
    EXPECT_EQ("Error writing parameter-file!", StatusLine());
}

}  // namespace
