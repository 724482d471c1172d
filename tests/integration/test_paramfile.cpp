// Parameter files through SEND and GET with the FILE target: the golden
// content of a save, loading into the sensor connected now without the
// port, files that must load nothing, and cancelled or failed choices.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/integration/support_harness.h"

namespace {

int Value(int panel, int control) {
    int v = -12345;
    GetCtrlVal(panel, control, &v);
    return v;
}

std::string TempFile(const char* name) {
    static char dir[] = "/tmp/kovexa_paramfile_XXXXXX";
    static bool made = false;
    if (!made) made = mkdtemp(dir) != nullptr;
    return std::string(dir) + "/" + name;
}

// Clicks GET or SEND with the FILE target; the file popup answers path
// ("": cancelled).
void ViaFile(int button, const std::string& path) {
    for (int c : {MAIN_RBTRam, MAIN_RBTEeprom, MAIN_RBTFile}) SetCtrlVal(pHandle, c, 0);
    HostClick(pHandle, MAIN_RBTFile);
    HostQueueFileAnswer(path.c_str());
    HostClick(pHandle, button);
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

std::string Numbers(int n, int value) {
    std::ostringstream s;
    for (int i = 0; i < n; ++i) s << value << "\n";
    return s.str();
}

// Catches a different field width, alignment, word order, or word 59 in
// the file: a standard save is words 3-17, 48-58, 60-63, each right-aligned
// in 6 characters, and a power of 500 gives "   500" first; loading it
// back leaves word 59 alone.
TEST_F(SensorTest, StandardSaveHasTheGoldenLayout) {
    StartProgram("standard");
    SetCtrlVal(pPara2, PARA2_SLIDEpower, 500);
    parameter[59] = 4242;
    const std::string path = TempFile("golden.cfg");
    ViaFile(MAIN_BTNSend, path);
    const std::vector<std::string> lines = Lines(path);
    ASSERT_EQ(30u, lines.size());
    EXPECT_EQ("   500", lines[0]);
    const int words[30] = {3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17,
                           48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 60, 61, 62, 63};
    for (int i = 0; i < 30; ++i) {
        char expected[16];
        std::snprintf(expected, sizeof expected, "%6u", static_cast<unsigned>(parameter[words[i]]));
        EXPECT_EQ(expected, lines[i]) << "line " << i + 1;
    }
    EXPECT_EQ("Transmit...", StatusLine());
    parameter[59] = 4243;
    ViaFile(MAIN_BTNGet, path);
    EXPECT_EQ(4243, parameter[59]);
}

// Catches values above 65535 rejected or saturated: 70000 on line 5 is
// 4464 in the fifth word of half 0 (standard: word 7). Shown afterwards,
// 4464 is beyond the 4096 subpixels and the sanitising makes it 1.
TEST_F(SensorTest, Value70000OnLine5Becomes4464) {
    StartProgram("standard");
    const std::string path = TempFile("big.cfg");
    WriteText(path, Numbers(4, 1) + "70000\n" + Numbers(25, 1));
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
TEST_F(SensorTest, StandardFileLoadedOnV303SensorFillsV303Words) {
    StartProgram("standard");
    SetCtrlVal(pPara1, PARA1_NEDITTolerance, 77);
    const std::string path = TempFile("std.cfg");
    ViaFile(MAIN_BTNSend, path);
    uint16_t saved[15];
    for (int i = 0; i < 15; ++i) saved[i] = parameter[3 + i];
    ASSERT_EQ(77, saved[7]);
    StopProgram();

    StartProgram("v303");
    SimClearRequests();
    ViaFile(MAIN_BTNGet, path);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(saved[i], parameter[18 + i]) << "word " << 18 + i;
    EXPECT_EQ(77, parameter[25]);
    EXPECT_EQ(77, Value(pPara1, PARA1_NEDITToleranceUP));
    Pump(0.05);
    EXPECT_EQ(0, SimRequestCount());
}

struct BadFile {
    const char* name;
    std::string text;  // "" with missing: no file at all
    bool missing;
};

std::ostream& operator<<(std::ostream& os, const BadFile& b) {
    return os << b.name;
}

class BadParameterFile : public SensorTest, public ::testing::WithParamInterface<BadFile> {};

// Catches a partial or garbled load changing the record, or a failed load
// looking like success; nothing may go to the port either.
TEST_P(BadParameterFile, LoadsNothingAndSaysSo) {
    StartProgram("standard");
    const std::string path = TempFile(GetParam().name);
    if (!GetParam().missing) WriteText(path, GetParam().text);
    const std::vector<uint16_t> before(parameter + 3, parameter + kParamWords);  // 0-2: requests
    SimClearRequests();
    ViaFile(MAIN_BTNGet, path);
    EXPECT_EQ(before, std::vector<uint16_t>(parameter + 3, parameter + kParamWords));
    EXPECT_EQ("Error reading parameter-file!", StatusLine());
    EXPECT_EQ(0, SimRequestCount());
}

INSTANTIATE_TEST_SUITE_P(
    Contents, BadParameterFile,
    ::testing::Values(BadFile{"short.cfg", Numbers(29, 7), false}, BadFile{"empty.cfg", "", false},
                      BadFile{"missing.cfg", "", true},
                      BadFile{"negative.cfg", Numbers(10, 7) + "-5\n" + Numbers(19, 7), false},
                      BadFile{"fraction.cfg", Numbers(10, 7) + "1.5\n" + Numbers(19, 7), false},
                      BadFile{"text.cfg", "K-VEX parameters\n" + Numbers(30, 7), false},
                      BadFile{"binary.cfg", std::string("\x01\xff\x00\x7f", 4), false}),
    [](const ::testing::TestParamInfo<BadFile>& p) {
        const std::string name = p.param.name;
        return name.substr(0, name.find('.'));
    });

// A FIFO and a terminal never end a read. Catches the load blocking the
// program on them (the watchdog ends a blocked test) instead of refusing
// what is not a regular file.
TEST_F(SensorTest, LoadRefusesWhatIsNotARegularFile) {
    const std::string tty = StartProgram("standard");
    const std::string fifo = TempFile("fifo.cfg");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    alarm(10);
    for (const std::string& path : {fifo, tty}) {
        SetStatus("");
        ViaFile(MAIN_BTNGet, path);
        EXPECT_EQ("Error reading parameter-file!", StatusLine()) << path;
    }
    alarm(0);
}

// Catches a chosen path too long for the path buffer doing nothing at all.
TEST_F(SensorTest, OverlongPathIsReported) {
    StartProgram("standard");
    const std::string path = "/tmp/" + std::string(300, 'k') + ".cfg";
    for (int button : {MAIN_BTNGet, MAIN_BTNSend}) {
        SetStatus("");
        ViaFile(button, path);
        EXPECT_EQ("Path of the chosen file is too long!", StatusLine()) << button;
    }
}

// Catches a failed save reported as if it had worked ("Transmit..." left
// on the status line).
TEST_F(SensorTest, FailedSaveSaysSo) {
    StartProgram("standard");
    ViaFile(MAIN_BTNSend, "/nonexistent-kovexa-folder/para.cfg");
    EXPECT_EQ("Error writing parameter-file!", StatusLine());
}

// Catches a cancelled load changing the record (GET still shows the
// record as it was, without an error text), and a cancelled save sending
// frames or reporting anything but "Transmit...".
TEST_F(SensorTest, CancelledChoiceChangesNothing) {
    StartProgram("standard");
    const uint16_t power = parameter[3];
    SetCtrlVal(pPara2, PARA2_SLIDEpower, power + 1);
    SimClearRequests();
    ViaFile(MAIN_BTNGet, "");
    EXPECT_EQ(power, parameter[3]);
    EXPECT_EQ(power, Value(pPara2, PARA2_SLIDEpower));
    EXPECT_NE("Error reading parameter-file!", StatusLine());
    ViaFile(MAIN_BTNSend, "");
    Pump(0.05);
    EXPECT_EQ(0, SimRequestCount());
    EXPECT_EQ("Transmit...", StatusLine());
}

}  // namespace
