// Settings kept between runs: the memory choice, the window's place, the
// folder of each file popup; and a settings file that cannot be read.
#include <QDir>
#include <QFile>
#include <cstdlib>
#include <string>

#include "popup/paramfile.h"
#include "tests/integration/support_harness.h"

namespace {

std::string ConfigHome(void) {
    return std::string(std::getenv("XDG_CONFIG_HOME"));
}

}  // namespace

class SettingsTest : public SensorHarness {};

// Catches a memory choice or window size not kept, or kept in the wrong
// form, and a file popup that forgets the folder chosen last.
TEST_F(SettingsTest, MemoryChoiceWindowPlaceAndFileFolderSurviveARestart) {
    StartProgram("v303");
    const struct {
        int button, memory;
    } kChoices[] = {{MAIN_RBTEeprom, EEPROM}, {MAIN_RBTFile, DATFILE}, {MAIN_RBTRam, RAM}};
    for (const auto& c : kChoices) {
        SCOPED_TRACE(c.memory);
        HostClick(pHandle, c.button);
        SetPanelAttribute(pHandle, ATTR_WIDTH, 1100 + c.memory);
        SaveSettings();
        HostClick(pHandle, c.button == MAIN_RBTRam ? MAIN_RBTEeprom : MAIN_RBTRam);
        SetPanelAttribute(pHandle, ATTR_WIDTH, 1000);
        RestoreSettings();
        EXPECT_EQ(c.memory, target);
        int on = 0, width = 0;
        GetCtrlVal(pHandle, c.button, &on);
        EXPECT_EQ(1, on);
        GetPanelAttribute(pHandle, ATTR_WIDTH, &width);
        EXPECT_EQ(1100 + c.memory, width);
    }
    const std::string folder = ConfigHome();
    HostQueueFileAnswer((folder + "/line.par").c_str());
    ASSERT_EQ(1, ChooseParamFile(0));
    char kept[512] = "";
    EXPECT_EQ(1,
              SettingGet((std::string("folders/") + kParamFileFilter).c_str(), kept, sizeof kept));
    EXPECT_EQ(QDir(QString::fromStdString(folder)).absolutePath().toStdString(), kept);
}

// Catches a crash, a wrong value taken from a broken settings file, a
// silent start, or the broken file overwritten.
TEST(Settings, UnreadableSettingsFileIsIgnoredWithANote) {
    const std::string path = ConfigHome() + "/kovexa/kovexa.ini";
    QDir().mkpath(QString::fromStdString(path).section('/', 0, -2));
    const QByteArray garbage("[memory\n\0\xff=EEPROM\n[[[", 20);
    {
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(garbage);
    }
    ::testing::internal::CaptureStderr();
    StartPanels();
    RestoreSettings();
    SettingSet("memory", "FILE");
    const std::string note = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, note.find("cannot be read")) << note;
    EXPECT_EQ(RAM, target);
    char value[32];
    EXPECT_EQ(0, SettingGet("memory", value, sizeof value));
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(garbage, f.readAll());
}
