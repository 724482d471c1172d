// COMPARE and REPORT against the simulated sensor, and the unsaved-settings guard.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <string>
#include <vector>

#include "tests/integration/support_during.h"
#include "tests/integration/support_harness.h"

namespace {

std::vector<std::string> MarkedLines(void) {
    std::vector<std::string> marked;
    char line[256];
    for (int i = 0; GetTextBoxLine(pCompare, COMPARE_TEXTcompare, i, line, sizeof line) == 0; ++i)
        if (line[0] == '*') marked.push_back(line);
    return marked;
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class CompareTest : public SensorHarness {};

// Catches wrong reads or no pause between them, panels or record changed by them, RUN left
// dimmed, other layouts counted, or the differing row not marked with both values, per variant.
TEST_F(CompareTest, CompareListsBothMemoriesAndMarksTheDifference) {
    const struct {
        const char* model;
        int tolWord, otherWord;  // the variant's lower tolerance; a word of another layout
    } kVariants[] = {{"standard", 10, 26}, {"v303", 26, 10}, {"tarvo", 41, 26}};
    for (const auto& c : kVariants) {
        SCOPED_TRACE(c.model);
        StartProgram(c.model);
        SimSetWord(0, c.tolWord, 100);
        SimSetWord(1, c.tolWord, 120);
        SimSetWord(1, c.otherWord, SimGetWord(0, c.otherWord) + 1);
        uint16_t before[kParamWords];
        std::memcpy(before, parameter, sizeof before);
        int shownTol = 0, nowTol = 0;
        GetCtrlVal(pPara1, PARA1_NEDITTolerance, &shownTol);
        SimClearRequests();
        HostClick(pHandle, MAIN_BTNCompare);
        EXPECT_EQ("1 parameter differs between RAM and EEPROM", StatusLine());
        std::vector<std::vector<uint16_t>> frames;
        for (const SimRequest& r : Requests())
            frames.push_back({RequestWord(r, 2), RequestWord(r, 4)});
        EXPECT_EQ((std::vector<std::vector<uint16_t>>{{2, 0}, {2, 1}, {4, 0}, {4, 1}}), frames);
        const std::vector<SimRequest> req = Requests();
        for (size_t i = 1; i < req.size(); ++i) EXPECT_GE(req[i].time - req[i - 1].time, 0.1) << i;
        EXPECT_EQ(0, std::memcmp(before, parameter, sizeof before));
        GetCtrlVal(pPara1, PARA1_NEDITTolerance, &nowTol);
        EXPECT_EQ(shownTol, nowTol);
        EXPECT_FALSE(HostIsDimmed(pHandle, MAIN_BTNRun));  // dimmed only while reading
        const std::vector<std::string> marked = MarkedLines();
        ASSERT_EQ(1u, marked.size());
        for (const char* part : {"TOLERANCE", "100 (", "120 ("})
            EXPECT_NE(std::string::npos, marked[0].find(part)) << marked[0];
        StopProgram();
    }
}

// Catches a row where the parameter file differs from RAM left unmarked.
TEST_F(CompareTest, CompareMarksTheRowWhereTheFileDiffersFromRam) {
    StartProgram("standard");
    QTemporaryDir dir;
    const QString path = dir.filePath("record.cfg");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int word = 3; word <= 63; ++word)  // a standard file: words 3-17, 48-58, 60-63
        if (word <= 17 || (word >= 48 && word != 59))
            file.write(QByteArray::number(SimGetWord(0, word) + (word == 10 ? 5 : 0)) + "\n");
    file.close();
    HostQueueFileAnswer(path.toUtf8().constData());
    CompareTable table{};
    ASSERT_EQ(1, ReadCompareTable(&table, 1));
    EXPECT_EQ(0, table.differ);  // RAM and EEPROM still agree
    std::vector<std::string> marked;
    for (int i = 0; i < table.count; ++i)
        if (table.rows[i].differs) marked.push_back(table.rows[i].label);
    EXPECT_EQ((std::vector<std::string>{"TOLERANCE"}), marked);
}

// Catches COMPARE during a loop or to an unidentified sensor, a half table after a time-out, and
// any frame (a measurement, no sync word) taken for a memory half.
TEST_F(CompareTest, CompareRefusedDuringALoopOrUnidentifiedAndEmptyAfterTimeout) {
    StartProgram("unknown");
    HostClick(pHandle, MAIN_BTNCompare);
    EXPECT_EQ("COMPARE refused - no identified sensor on this port!", StatusLine());
    StopProgram();

    StartProgram("v303");
    stop_flag = 0;  // as while RUN runs
    SimClearRequests();
    HostClick(pHandle, MAIN_BTNCompare);
    EXPECT_EQ("COMPARE refused - press STOP first (RUN, VIDEO or recording)!", StatusLine());
    EXPECT_TRUE(Requests().empty());
    stop_flag = 1;

    // Any frame taken for a memory half gave "RAM and EEPROM are equal".
    const struct {
        void (*fault)(SimFaults*);
        const char* status;
    } kAnswers[] = {{[](SimFaults* f) { f->frameType = kReplyTypeMeasure; },
                     "read error - the answer is no parameter-frame!"},
                    {[](SimFaults* f) { f->wrongSync = 1; }, "read error - not sync byte 0xAA!"},
                    {[](SimFaults* f) { f->silent = 1; }, "Timeout-RS-232..."}};
    for (const auto& a : kAnswers) {
        SetFaults(a.fault);
        HostClick(pHandle, MAIN_BTNCompare);
        EXPECT_EQ(a.status, StatusLine());
    }
    CompareTable table{};
    table.count = 7;
    EXPECT_EQ(0, ReadCompareTable(&table, 0));
    EXPECT_EQ(0, table.count);
}

// Catches a quit asking without cause, or not after a RAM write, or after EEPROM write/read/equal
// or a port change.
TEST_F(CompareTest, QuitAsksExactlyWhenRamWasWrittenAndNotStored) {
    StartProgram("v303");
    auto asksOnQuit = [] {
        HostClearAnswers();
        HostQueueConfirmAnswer(0);  // "no" stops the quit only when asked
        const int quits = ConfirmQuit();
        HostClearAnswers();
        return !quits;
    };
    auto send = [](int memoryButton) {
        ChooseMemory(memoryButton);
        HostClick(pHandle, MAIN_BTNSend);
        Pump(0.1);
    };
    EXPECT_FALSE(asksOnQuit());
    send(MAIN_RBTRam);
    EXPECT_TRUE(asksOnQuit());
    HostQueueConfirmAnswer(1);
    EXPECT_EQ(1, ConfirmQuit());
    send(MAIN_RBTEeprom);
    EXPECT_FALSE(asksOnQuit());
    send(MAIN_RBTRam);
    HostClick(pHandle, MAIN_RBTEeprom);
    HostClick(pHandle, MAIN_BTNGet);
    EXPECT_FALSE(asksOnQuit());
    send(MAIN_RBTRam);
    HostClick(pHandle, MAIN_BTNCompare);
    EXPECT_EQ("RAM and EEPROM are equal", StatusLine());
    EXPECT_FALSE(asksOnQuit());
    send(MAIN_RBTRam);
    HostSetValueAsUser(pHandle, MAIN_DropDCom, 1);  // the port may hold another sensor now
    EXPECT_FALSE(asksOnQuit());
}

// Catches a report without model or difference, no CSV beside it, quotes in it not doubled, a
// failed write kept or done, or a CSV not written reported as written.
TEST_F(CompareTest, ReportWritesPdfAndCsvBesideItOrNothing) {
    StartProgram("v303");
    SimSetWord(0, 26, 100);
    SimSetWord(1, 26, 120);
    QTemporaryDir dir;
    HostQueueFileAnswer(dir.filePath("record.pdf").toUtf8().constData());
    HostClick(pHandle, MAIN_BTNReport);
    EXPECT_EQ("Report written (PDF and CSV): " + dir.filePath("record.pdf").toStdString(),
              StatusLine());

    const std::string model = ModelLine();
    ASSERT_FALSE(model.empty());
    QByteArray title;  // the document's title, as the PDF stores it (UTF-16)
    for (char c : model) title.append('\0').append(c);
    const QByteArray pdf = FileBytes(dir.filePath("record.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_TRUE(pdf.contains(title));
    const QByteArray csv = FileBytes(dir.filePath("record.csv"));
    EXPECT_TRUE(csv.startsWith("parameter,RAM,EEPROM,differs\n"));
    EXPECT_TRUE(csv.contains("\"TOLERANCE-LOW\",\"100 (1.600 mm)\",\"120 (1.920 mm)\",1\n"))
        << csv.constData();

    SetCtrlAttribute(pPara1, PARA1_NEDITTolerance, ATTR_LABEL_TEXT, "TOLERANCE \"LOW\"");
    ASSERT_TRUE(QDir(dir.path()).mkdir("blocked.csv"));  // the CSV cannot be written there
    HostQueueFileAnswer(dir.filePath("blocked.pdf").toUtf8().constData());
    HostClick(pHandle, MAIN_BTNReport);
    EXPECT_EQ("Report PDF written - CSV NOT written!", StatusLine());
    HostQueueFileAnswer(dir.filePath("quoted.pdf").toUtf8().constData());
    HostClick(pHandle, MAIN_BTNReport);
    EXPECT_TRUE(FileBytes(dir.filePath("quoted.csv")).contains("\"TOLERANCE \"\"LOW\"\"\",\"100"));

    const QString lost = dir.filePath("missing/record.pdf");
    HostQueueFileAnswer(lost.toUtf8().constData());
    HostClick(pHandle, MAIN_BTNReport);
    EXPECT_EQ("Report NOT written - the file cannot be written there!", StatusLine());
    EXPECT_FALSE(QFile::exists(lost));
    EXPECT_FALSE(QFile::exists(dir.filePath("missing/record.csv")));
}

// Catches a report named "....csv" whose table is written over its PDF, and a report or graph
// export that replaces a FIFO or a device node (as root, a private copy of /dev/full) with a
// file.
TEST_F(CompareTest, ReportFilesNeverShareANameAndDevicesAreNoTargets) {
    StartProgram("v303");
    QTemporaryDir dir;
    const struct {
        const char* chosen;
        const char *pdf, *csv;
    } kNames[] = {{"commissioning.csv", "commissioning.pdf", "commissioning.csv"},
                  {"record.PDF", "record.pdf", "record.csv"},
                  {"line7", "line7.pdf", "line7.csv"}};
    for (const auto& n : kNames) {
        HostQueueFileAnswer(dir.filePath(n.chosen).toUtf8().constData());
        HostClick(pHandle, MAIN_BTNReport);
        EXPECT_EQ("Report written (PDF and CSV): " + dir.filePath(n.pdf).toStdString(),
                  StatusLine())
            << n.chosen;
        EXPECT_TRUE(FileBytes(dir.filePath(n.pdf)).startsWith("%PDF")) << n.chosen;
        EXPECT_TRUE(FileBytes(dir.filePath(n.csv)).startsWith("parameter,")) << n.chosen;
    }
    const struct {
        const char* name;
        mode_t type;
    } kNodes[] = {{"pipe", S_IFIFO}, {"full", S_IFCHR}};
    for (const auto& n : kNodes) {
        const QByteArray pdf = dir.filePath(QString(n.name) + ".pdf").toUtf8();
        const QByteArray csv = dir.filePath(QString(n.name) + ".csv").toUtf8();
        const dev_t device = n.type == S_IFCHR ? makedev(1, 7) : 0;
        if (mknod(pdf.constData(), n.type | 0600, device) != 0) continue;  // devices need root
        ASSERT_EQ(0, mknod(csv.constData(), n.type | 0600, device));
        HostQueueFileAnswer(pdf.constData());
        HostClick(pHandle, MAIN_BTNReport);
        EXPECT_EQ("Report NOT written - that is a device, pipe or folder!", StatusLine());
        EXPECT_EQ(VAL_ERR_NOT_REGULAR_FILE, SaveGraphFile(pHandle, MAIN_GRAPHBar, csv.constData()));
        for (const QByteArray& p : {pdf, csv}) {
            struct stat info;
            ASSERT_EQ(0, lstat(p.constData(), &info));
            EXPECT_EQ(n.type, info.st_mode & S_IFMT) << p.constData();
        }
    }
}

// Catches the previous sensor's model, firmware and last values kept after a port change
// to a line without a sensor (silent, or echoing requests back), and COMPARE or REPORT
// then proving that sensor from the program's own record or waiting out time-outs.
TEST_F(CompareTest, PortChangeWithoutAnsweringSensorForgetsTheOldOne) {
    const struct {
        void (*fault)(SimFaults*);
        const char* status;
    } kLines[] = {{[](SimFaults* f) { f->silent = 1; }, "Timeout-RS-232..."},
                  {[](SimFaults* f) { f->wrongSync = 1; }, "read error - not sync byte 0xAA!"}};
    for (const auto& line : kLines) {
        SCOPED_TRACE(line.status);
        StartProgram("v303");
        SetCtrlVal(pHandle, MAIN_DISPpixel, 2111);
        SetFaults(line.fault);
        ASSERT_EQ(1, HostSetValueAsUser(pHandle, MAIN_DropDCom, 1));
        EXPECT_EQ(line.status, StatusLine());
        EXPECT_EQ("", ModelLine());
        EXPECT_STREQ("", szVersion);
        EXPECT_EQ("0", CtrlText(pHandle, MAIN_DISPpixel));
        EXPECT_EQ(0, Mvalue);
        SimClearRequests();
        for (int button : {MAIN_BTNCompare, MAIN_BTNReport}) {
            HostClearAnswers();
            HostQueueFileAnswer("/nonexistent/report.pdf");
            HostClick(pHandle, button);
            EXPECT_NE(std::string::npos, StatusLine().find("refused - no identified sensor"))
                << StatusLine();
        }
        HostClearAnswers();
        EXPECT_TRUE(Requests().empty());
        StopProgram();
    }
}

// Catches COMPARE or REPORT started while RESET or TEACH waits for a late answer: they
// took that answer for a RAM half and RESET reported OK on theirs.
TEST_F(CompareTest, CompareAndReportRefusedWhileASingleExchangeWaits) {
    const struct {
        const int* panel;
        int exchange;
        std::vector<uint16_t> sent;  // only the exchange's own requests
        const char* end;             // the exchange's own outcome
    } kExchanges[] = {{&pHandle, MAIN_ButtonReset, {11}, "Reset of analog-output Max/Min OK!"},
                      {&pPara2, PARA2_ButtonTeach, {6, 2, 2}, kTxtParamReceived}};
    StartProgram("v303");
    QTemporaryDir dir;
    for (const auto& c : kExchanges)
        for (const int action : {MAIN_BTNCompare, MAIN_BTNReport}) {
            SCOPED_TRACE(c.exchange * 100 + action);
            SetFaults([](SimFaults* f) { f->replyDelay = 0.4; });
            SimClearRequests();
            std::string refusal;
            HostClearAnswers();
            HostQueueFileAnswer(dir.filePath("r.pdf").toUtf8().constData());
            ClickDuring(*c.panel, c.exchange, [&](int) {
                HostClick(pHandle, action);
                refusal = StatusLine();
                return true;
            });
            HostClearAnswers();
            EXPECT_NE(std::string::npos, refusal.find("refused - the sensor has not answered"))
                << refusal;
            EXPECT_EQ(c.sent, RequestCommands());
            EXPECT_EQ(c.end, StatusLine());
        }
}

// Catches texts that lie or say nothing: "Transmit..." kept after a parameter file was
// saved or loaded, COMPARE with FILE silent on the file's differences and name ("Report
// written" without the path: see the report test; "Line Ok!" after STOP: see the RUN tests).
TEST_F(CompareTest, StatusLineTellsWhatWasDoneAndWithWhichFile) {
    StartProgram("v303");
    const std::string cfg = ScratchPath("line7.cfg");
    ViaFile(MAIN_BTNSend, cfg);
    EXPECT_EQ("Parameter-file saved: line7.cfg", StatusLine());
    ViaFile(MAIN_BTNGet, cfg);
    EXPECT_EQ("Parameter-file loaded: line7.cfg", StatusLine());

    SimSetWord(0, 26, SimGetWord(0, 26) + 1);  // RAM now differs from EEPROM and file
    ViaFile(MAIN_BTNCompare, cfg);
    EXPECT_EQ("1 parameter differs between RAM and EEPROM; FILE: 1 differ from RAM (line7.cfg)",
              StatusLine());
    char header[128];
    GetTextBoxLine(pCompare, COMPARE_TEXTcompare, 0, header, sizeof header);
    EXPECT_NE(std::string::npos, std::string(header).find("line7.cfg")) << header;
}
