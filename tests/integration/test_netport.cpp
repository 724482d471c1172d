// Sensors behind a serial device server: ser2net, started here on 127.0.0.1
// in front of the simulated sensor's pseudo-terminal, in raw TCP and in
// Telnet COM-PORT-CONTROL mode; the program reaches it through --port
// socket:// or rfc2217:// and must behave as on a local line.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/integration/support_during.h"
#include "tests/integration/support_harness.h"
#include "tests/integration/support_ser2net.h"

namespace {

struct ServerMode {
    const char* name;
    const char* scheme;    // the program's side
    const char* accepter;  // ser2net's side, before ",HOST,PORT"
};
const ServerMode kModes[] = {
    {"Raw", "socket", "tcp(nodelay)"},
    {"Rfc2217", "rfc2217", "telnet(rfc2217),tcp(nodelay)"},
};

void PrintTo(const ServerMode& mode, std::ostream* os) {
    *os << mode.name;
}

class DeviceServer : public SensorHarness, public ::testing::WithParamInterface<ServerMode> {
protected:
    // Starts the sensor, ser2net in front of it, and the program on the
    // server's address (probe included). Fails the test when ser2net cannot start.
    void Serve(const char* model, uint16_t adcmax = 0) {
        const std::string pty = StartProgram(model, false);
        ASSERT_FALSE(pty.empty());
        if (adcmax) {
            SimIdentity id;
            SimGetIdentity(&id);
            id.adcmax = adcmax;
            SimSetIdentity(&id);
        }
        std::string error;
        ASSERT_EQ(1, DeviceServerStart(GetParam().accepter, pty.c_str(), &server_, &error))
            << error;
        address_ = std::string(GetParam().scheme) + "://127.0.0.1:" + std::to_string(server_.port);
        PortTableSetDevice(1, address_.c_str());
        InitRS232(com);
        InitGUI();
        SimClearRequests();
    }
    void TearDown() override {
        SensorHarness::TearDown();
        DeviceServerStop(&server_);
    }
    DeviceServerProcess server_;
    std::string address_;
};

// Catches a network port that cannot open, set up or identify the sensor, garbles a GET/SEND,
// or loses or leaves unconfirmed an X-FLASH frame.
TEST_P(DeviceServer, ProbeIdentifiesTheSensorAndGetSendAndXFlashGoBothWays) {
    Serve("edge1024");
    EXPECT_EQ(37, hwtype);
    EXPECT_NE(std::string::npos, StatusLine().find("firmware")) << StatusLine();
    SimSetWord(0, 21, 2);
    SimSetWord(0, 48, 0x00FF);  // a 0xFF byte each way
    ASSERT_EQ(1, HostClick(pHandle, MAIN_BTNGet));
    EXPECT_EQ(0x00FF, parameter[48]);
    EXPECT_EQ("Parameter-frame received! - Line Ok!", StatusLine());
    parameter[48] = 0x01FF;
    SetCtrlVal(pPara2, PARA2_NUMTriggThreshold, 0x01FF);
    HostClick(pHandle, MAIN_BTNSend);
    for (int i = 0; i < 200 && SimRequestCount() < 4; ++i) Pump(0.01);
    EXPECT_EQ(0x01FF, SimGetWord(0, 48));
    const std::string file = ScratchPath("netport.lin");
    std::ofstream out(file, std::ios::binary);
    for (int i = 0; i < 2048; ++i) out << (i * 37) % 65535 << "\r\n";
    out.close();
    HostSetValueAsUser(pPopup, POPUP_NUMinctime, kServiceCode);
    HostQueueFileAnswer(file.c_str());
    SimClearRequests();
    ClickDuring(pCalib, CALIB_BTNWriteXFLASH, [](int) { return true; });
    EXPECT_EQ(257, SimRequestCount());
    EXPECT_EQ("X-FLASH Data successfully written!", StatusLine());
}

// Catches frames lost, late or mangled at the line's pace, and a server stopped mid-RUN
// leaving the loop waiting or the port open instead of "the line gone".
TEST_P(DeviceServer, PacedRunThenServerStoppedIsTheLineGone) {
    Serve("standard");
    SetFaults([](SimFaults* f) { f->paced = 1; });
    uint16_t w[16] = {900, 1279, 0x01FF, 0xFFFF, 0,   500, 20,  2,
                      1,   2,    600,    3000,   100, 0,   900, 0xFFFF};
    for (int k = 0; k < 8; ++k) SimQueueMeasurement(w);
    std::string during;
    ClickDuring(pHandle, MAIN_BTNRun, [&](int n) {
        if (n < 8) return false;
        during = StatusLine();
        DeviceServerStop(&server_);
        return true;
    });
    EXPECT_EQ("Line Ok!", during);
    double v[200];
    const int drawn = HostStripTrace(pHandle, MAIN_GRAPHRaw, 4, v, 200);
    ASSERT_GT(drawn, 6);
    EXPECT_EQ(0x01FF, v[drawn - 1]);
    EXPECT_EQ("Port is not open - choose the port again!", StatusLine());
    EXPECT_EQ(0, ComIsOpen(com));
    EXPECT_EQ(0, HostIsDimmed(pHandle, MAIN_BTNRun));
}

// Catches block data with 0xFF bytes (full-scale video) cut, shifted or taken as Telnet commands.
TEST_P(DeviceServer, VideoRefreshCarriesFullScaleBlocks) {
    // The shadow sits at 5 % of full scale: 255 = 0x00FF at this full scale.
    Serve("m02", 5100);
    SimSetScene(800, 1200, 0);  // still: every refresh brings the same profile
    ClickStoppingAt(pHandle, MAIN_BTNVideo, 11);
    double x[256], y[256];
    ASSERT_EQ(256, HostGraphCurve(pHandle, MAIN_GRAPHVideo, 0, x, y, 256, nullptr));
    int full = 0;
    for (int i = 0; i < 256; ++i) full += adcbuf[i] == 0x00FF;
    EXPECT_GT(full, 0) << "no 0xFF in the profile: the case proves nothing";
    for (int i = 0; i < 256; ++i) EXPECT_EQ(1.0 * adcbuf[i], y[i]) << i;
    // STOP ends the refresh wherever it lands, never with a time-out.
    EXPECT_EQ("STOP - data transfer stopped.", StatusLine());
}

// Catches the network entry missing, a typed address not opened or stored twice, and a
// cancelled or malformed entry closing the port in use.
TEST_P(DeviceServer, NetworkEntryOpensATypedAddressAndKeepsItForTheSession) {
    Serve("edge1024");
    const int items = HostListCount(pHandle, MAIN_DropDCom);
    char label[300] = "";
    int value = -1;
    HostListItem(pHandle, MAIN_DropDCom, items - 1, label, sizeof label, &value);
    EXPECT_EQ("network...", std::string(label));
    for (const char* refused : {static_cast<const char*>(nullptr), "localhost:4001"}) {
        HostQueuePromptAnswer(refused);
        HostSetValueAsUser(pHandle, MAIN_DropDCom, kPortItemNetwork);
        EXPECT_EQ((std::vector<int>{1, 1}), (std::vector<int>{com, ComIsOpen(1)}));
    }
    EXPECT_EQ("Not an address: socket://HOST:PORT or rfc2217://HOST:PORT", StatusLine());
    const std::string typed =
        std::string(GetParam().scheme) + "://localhost:" + std::to_string(server_.port);
    for (int again = 0; again < 2; ++again) {
        hwtype = 0;
        HostQueuePromptAnswer(typed.c_str());
        HostSetValueAsUser(pHandle, MAIN_DropDCom, kPortItemNetwork);
        EXPECT_EQ((std::vector<int>{2, 37, 0}), (std::vector<int>{com, hwtype, ComIsOpen(1)}))
            << StatusLine();
        EXPECT_EQ(items + 1, HostListCount(pHandle, MAIN_DropDCom));
    }
    HostListItem(pHandle, MAIN_DropDCom, 1, label, sizeof label, &value);
    EXPECT_EQ("COM2  " + typed, std::string(label));
}

INSTANTIATE_TEST_SUITE_P(Modes, DeviceServer, ::testing::ValuesIn(kModes),
                         [](const ::testing::TestParamInfo<ServerMode>& info) {
                             return std::string(info.param.name);
                         });

class NetPortTest : public SensorHarness {};

// Catches an open that fails without its cause, opens as if it worked, or waits for ever (a
// frozen window) on a server that takes the connection but never answers the Telnet start.
TEST_F(NetPortTest, RefusedOrSilentServerGivesTheOpenErrorWithItsCauseWithinSeconds) {
    StartPanels();
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ASSERT_EQ(0, bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a));
    ASSERT_EQ(0, listen(fd, 1));
    ASSERT_EQ(0, getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size));
    const std::string cases[][2] = {
        {"socket://127.0.0.1:" + std::to_string(FreeTcpPort()),
         "Cannot open port: Connection refused"},
        {"rfc2217://127.0.0.1:" + std::to_string(ntohs(a.sin_port)),
         "Cannot open port: no answer from the device server"},
    };
    for (const auto& c : cases) {
        PortTableSetDevice(1, c[0].c_str());
        const double t0 = Timer();
        InitRS232(com);
        EXPECT_LT(Timer() - t0, 5.0);
        EXPECT_EQ(c[1], StatusLine());
        EXPECT_EQ(0, ComIsOpen(com));
    }
    close(fd);
}

}  // namespace
