// COMPARE and REPORT against the simulated sensor, and the
// unsaved-settings guard.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <string>
#include <vector>

#include "tests/integration/support_harness.h"

namespace {

struct VariantCase {
    const char* model;
    int tolWord;    // the variant's lower tolerance
    int otherWord;  // a word of another layout: never compared
};

void PrintTo(const VariantCase& c, std::ostream* os) {
    *os << c.model;
}

std::vector<std::string> TableLines(void) {
    std::vector<std::string> lines;
    char line[256];
    for (int i = 0; GetTextBoxLine(pCompare, COMPARE_TEXTcompare, i, line, sizeof line) == 0; ++i)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> MarkedLines(void) {
    std::vector<std::string> marked;
    for (const std::string& l : TableLines())
        if (!l.empty() && l[0] == '*') marked.push_back(l);
    return marked;
}

class CompareVariants : public SensorTest, public ::testing::WithParamInterface<VariantCase> {};

}  // namespace

// Catches the wrong reads (commands, halves), panels or record changed by
// the reads, RUN left dimmed, a difference in another layout's words counted, and a
// differing row not marked or shown without both values.
TEST_P(CompareVariants, ListsBothMemoriesAndMarksTheDifference) {
    const VariantCase& c = GetParam();
    StartProgram(c.model);
    SimSetWord(0, c.tolWord, 100);
    SimSetWord(1, c.tolWord, 120);
    SimSetWord(1, c.otherWord, SimGetWord(0, c.otherWord) + 1);
    uint16_t before[kParamWords];
    std::memcpy(before, parameter, sizeof before);
    int shownTol = 0;
    GetCtrlVal(pPara1, PARA1_NEDITTolerance, &shownTol);
    SimClearRequests();

    HostClick(pHandle, MAIN_BTNCompare);

    EXPECT_EQ("1 parameter differs between RAM and EEPROM", StatusLine());
    std::vector<std::vector<uint16_t>> frames;
    for (const SimRequest& r : Requests()) frames.push_back({RequestWord(r, 2), RequestWord(r, 4)});
    EXPECT_EQ((std::vector<std::vector<uint16_t>>{{2, 0}, {2, 1}, {4, 0}, {4, 1}}), frames);
    EXPECT_EQ(0, std::memcmp(before, parameter, sizeof before));
    int nowTol = 0;
    GetCtrlVal(pPara1, PARA1_NEDITTolerance, &nowTol);
    EXPECT_EQ(shownTol, nowTol);
    EXPECT_FALSE(HostIsDimmed(pHandle, MAIN_BTNRun));  // dimmed only while reading
    const std::vector<std::string> marked = MarkedLines();
    ASSERT_EQ(1u, marked.size());
    EXPECT_NE(std::string::npos, marked[0].find("TOLERANCE"));
    EXPECT_NE(std::string::npos, marked[0].find("100 ("));
    EXPECT_NE(std::string::npos, marked[0].find("120 ("));
}

INSTANTIATE_TEST_SUITE_P(Variants, CompareVariants,
                         ::testing::Values(VariantCase{"standard", 10, 26},
                                           VariantCase{"v303", 26, 10},
                                           VariantCase{"tarvo", 41, 26}));

// Catches COMPARE mixing requests into a running loop, talking to an
// unidentified sensor, or leaving a half-filled table after a time-out.
TEST_F(SensorTest, CompareRefusedDuringALoopOrUnidentifiedAndEmptyAfterTimeout) {
    StartProgram("unknown");
    SimClearRequests();
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

    SetFaults([](SimFaults* f) { f->silent = 1; });
    HostClick(pHandle, MAIN_BTNCompare);
    EXPECT_EQ("Timeout-RS-232...", StatusLine());
    CompareTable table;
    table.count = 7;
    EXPECT_EQ(0, ReadCompareTable(&table, 0));
    EXPECT_EQ(0, table.count);
}

// Catches a quit that asks without cause, one that does not ask after RAM
// was written, and a note kept after EEPROM was written or read or the
// memories were found equal.
TEST_F(SensorTest, QuitAsksExactlyWhenRamWasWrittenAndNotStored) {
    StartProgram("v303");
    auto asksOnQuit = [] {
        HostClearAnswers();
        HostQueueConfirmAnswer(0);  // "no" stops the quit only when asked
        const int quits = ConfirmQuit();
        HostClearAnswers();
        return !quits;
    };
    auto send = [](int memoryButton) {
        for (int b : {MAIN_RBTRam, MAIN_RBTEeprom, MAIN_RBTFile}) SetCtrlVal(pHandle, b, 0);
        HostClick(pHandle, memoryButton);
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
}

namespace {

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

// Catches a report without the sensor's model or a differing value, a CSV
// not written beside the PDF, and a failed write reported as done or
// leaving a partial file under the chosen name.
TEST_F(SensorTest, ReportWritesPdfAndCsvBesideItOrNothing) {
    StartProgram("v303");
    SimSetWord(0, 26, 100);
    SimSetWord(1, 26, 120);
    QTemporaryDir dir;
    HostQueueFileAnswer(dir.filePath("record.pdf").toUtf8().constData());
    HostClick(pHandle, MAIN_BTNReport);
    EXPECT_EQ("Report written (PDF and CSV).", StatusLine());

    char model[80];
    ASSERT_EQ(0, GetTextBoxLine(pCalib, CALIB_TEXTmodel, 0, model, sizeof model));
    ASSERT_TRUE(model[0]);
    QByteArray title;  // the document's title, as the PDF stores it (UTF-16)
    for (const char* c = model; *c; ++c) title.append('\0').append(*c);
    const QByteArray pdf = FileBytes(dir.filePath("record.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_TRUE(pdf.contains(title));
    const QByteArray csv = FileBytes(dir.filePath("record.csv"));
    EXPECT_TRUE(csv.startsWith("parameter,RAM,EEPROM,differs\n"));
    EXPECT_TRUE(csv.contains("\"TOLERANCE-LOW\",\"100 (1.600 mm)\",\"120 (1.920 mm)\",1\n"))
        << csv.constData();

    const QString lost = dir.filePath("missing/record.pdf");
    HostQueueFileAnswer(lost.toUtf8().constData());
    HostClick(pHandle, MAIN_BTNReport);
    EXPECT_EQ("Report NOT written - the file cannot be written there!", StatusLine());
    EXPECT_FALSE(QFile::exists(lost));
    EXPECT_FALSE(QFile::exists(dir.filePath("missing/record.csv")));
}
