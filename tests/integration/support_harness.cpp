// Shared fixtures for the integration tests.
#include "tests/integration/support_harness.h"

#include <stdlib.h>

#include <QApplication>
#include <QDir>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {
char gArg0[] = "kovexa_test";
char* gArgv[] = {gArg0, nullptr};
int gArgc = 1;
bool gPanelsLoaded = false;
char gPath[256];

// The program discards its panels at exit; so does every test process, so
// the leak check sees only what the program itself loses.
class DiscardPanelsAtExit : public ::testing::Environment {
public:
    void TearDown() override {
        if (!gPanelsLoaded) return;
        StopProgram();
        for (int panel : {pPara1, pPara2, pCalib, pPopup, pHandle}) DiscardPanel(panel);
        gPanelsLoaded = false;
    }
};
::testing::Environment* const gDiscardAtExit =
    ::testing::AddGlobalTestEnvironment(new DiscardPanelsAtExit);

// Settings a test (or a program it starts) keeps, and the files it writes, go to a folder of this
// process alone: never the user's, never another test's.
class OwnSettingsFolder : public ::testing::Environment {
public:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        std::snprintf(folder_, sizeof folder_, "%s/kovexa_settings_XXXXXX",
                      tmp && *tmp ? tmp : "/tmp");
        if (mkdtemp(folder_) != nullptr) setenv("XDG_CONFIG_HOME", folder_, 1);
    }
    void TearDown() override { QDir(QString::fromLocal8Bit(folder_)).removeRecursively(); }
    char folder_[512] = "";
};
OwnSettingsFolder* const gOwnFolder =
    static_cast<OwnSettingsFolder*>(::testing::AddGlobalTestEnvironment(new OwnSettingsFolder));
}  // namespace

void StartPanels(void) {
    if (!gPanelsLoaded) {
        ASSERT_EQ(1, HostInit(&gArgc, gArgv));
        RegisterKovexaControls();
        ASSERT_EQ(1, LoadPanels());
        GetProjectDir(proj_dir, sizeof proj_dir);
        gPanelsLoaded = true;
    }
    HostClearAnswers();
    FillRings();
    InitVars();
}

const char* StartProgram(const char* model, bool probe) {
    StartPanels();
    SimStop();
    if (!SimStart(model, gPath, sizeof gPath)) {
        ADD_FAILURE() << "simulator did not start with model " << model;
        return "";
    }
    PortTableSetDevice(1, gPath);
    if (probe) {
        InitRS232(com);
        InitGUI();
    }
    return gPath;
}

void StopProgram(void) {
    stop_flag = 1;
    CloseCom(com);
    SimStop();
}

void SetFaults(const std::function<void(SimFaults*)>& edit) {
    SimFaults f;
    SimGetFaults(&f);
    edit(&f);
    SimSetFaults(&f);
}

QWidget* WidgetNamed(const char* name) {
    for (QWidget* w : QApplication::allWidgets())
        if (w->objectName() == QLatin1String(name)) return w;
    return nullptr;
}

void Pump(double seconds) {
    const double t0 = Timer();
    while (Timer() - t0 < seconds) ProcessSystemEvents();
}

std::vector<SimRequest> Requests(void) {
    std::vector<SimRequest> out;
    const int n = SimRequestCount();
    for (int i = 0; i < n; ++i) {
        SimRequest r;
        if (SimGetRequest(i, &r)) out.push_back(r);
    }
    return out;
}

std::vector<uint16_t> RequestCommands(void) {
    std::vector<uint16_t> out;
    for (const SimRequest& r : Requests()) out.push_back(RequestWord(r, 2));
    return out;
}

uint16_t RequestWord(const SimRequest& r, int byteOffset) {
    return static_cast<uint16_t>((r.bytes[byteOffset] << 8) | r.bytes[byteOffset + 1]);
}

std::string StatusLine(void) {
    char buf[256];
    GetCtrlString(pHandle, MAIN_TEXTstatus, buf, sizeof buf);
    return buf;
}

std::string CtrlText(int panel, int control) {
    char buf[1024] = "";
    HostCtrlText(panel, control, buf, sizeof buf);
    return buf;
}

std::string ModelLine(int line) {
    char buf[128] = "";
    GetTextBoxLine(pCalib, CALIB_TEXTmodel, line, buf, sizeof buf);
    return buf;
}

int Sent(uint16_t command) {
    const std::vector<uint16_t> c = RequestCommands();
    return std::find(c.begin(), c.end(), command) != c.end();
}

void ChooseMemory(int button) {
    for (int b : {MAIN_RBTRam, MAIN_RBTEeprom, MAIN_RBTFile}) SetCtrlVal(pHandle, b, 0);
    HostClick(pHandle, button);
}

void ViaFile(int button, const std::string& path) {
    ChooseMemory(MAIN_RBTFile);
    HostQueueFileAnswer(path.c_str());
    HostClick(pHandle, button);
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ScratchPath(const std::string& name) {
    return std::string(gOwnFolder->folder_) + "/" + name;
}
