// Number files and file services: the exact text written, what the reader
// accepts and rejects, a failed save that must keep the earlier file, and
// the path, folder, date and time helpers.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>

#include "platform/cvi.h"

namespace {

const uint32_t kSentinel = 0xDEADBEEFu;

class Files : public ::testing::Test {
protected:
    void SetUp() override {
        std::snprintf(dir, sizeof dir, "/tmp/kovexa_files_XXXXXX");
        ASSERT_NE(nullptr, mkdtemp(dir));
        std::snprintf(file, sizeof file, "%s/numbers.dat", dir);
    }
    void TearDown() override {
        chmod(dir, 0700);
        std::string command = std::string("rm -rf ") + dir;
        ASSERT_EQ(0, std::system(command.c_str()));
    }
    void Put(const char* path, const char* text, size_t length) {
        FILE* out = std::fopen(path, "wb");
        ASSERT_NE(nullptr, out);
        ASSERT_EQ(length, std::fwrite(text, 1, length, out));
        std::fclose(out);
    }
    std::string Get(const char* path) {
        std::string text;
        FILE* in = std::fopen(path, "rb");
        if (!in) return "<missing>";
        int c;
        while ((c = std::fgetc(in)) != EOF) text += static_cast<char>(c);
        std::fclose(in);
        return text;
    }
    int EntriesInDir() {
        int count = 0;
        DIR* d = opendir(dir);
        while (dirent* entry = readdir(d)) count += entry->d_name[0] != '.';
        closedir(d);
        return count;
    }
    char dir[64];
    char file[128];
};

}  // namespace

// Catches wrong alignment, padding or line ends in the written columns (a
// parameter word 500 in a field of 6 is three blanks and 500).
TEST_F(Files, WriterRightAlignsOneNumberPerLine) {
    const uint32_t values[] = {500, 7, 123456, 4294967295u, 0};
    ASSERT_EQ(0, ArrayToFile(file, values, 5, 6, VAL_TRUNCATE));
    EXPECT_EQ("   500\n     7\n123456\n4294967295\n     0\n", Get(file));
    const uint32_t more[] = {1, 22};
    ASSERT_EQ(0, ArrayToFile(file, more, 2, 3, VAL_APPEND));
    EXPECT_EQ("   500\n     7\n123456\n4294967295\n     0\n  1\n 22\n", Get(file));
    ASSERT_EQ(0, ArrayToFile(file, more, 2, 6, VAL_TRUNCATE));
    EXPECT_EQ("     1\n    22\n", Get(file));
    EXPECT_EQ(1, EntriesInDir());  // no temporary file left behind
}

// Catches a reader that loses values, or stops at the first odd separator.
TEST_F(Files, RoundTripAndAnyWhiteSpace) {
    uint32_t values[30];
    for (int i = 0; i < 30; ++i) values[i] = static_cast<uint32_t>(i * 2221u);
    values[29] = 4294967295u;
    ASSERT_EQ(0, ArrayToFile(file, values, 30, 6, VAL_TRUNCATE));
    uint32_t back[30] = {0};
    ASSERT_EQ(0, FileToArray(file, back, 30));
    EXPECT_EQ(0, std::memcmp(values, back, sizeof values));

    const char text[] = "  1\r\n2\t3 \r\n\r\n 0004\f5\v6";
    Put(file, text, sizeof text - 1);
    uint32_t six[6] = {0};
    ASSERT_EQ(0, FileToArray(file, six, 6));
    const uint32_t expected[] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(0, std::memcmp(expected, six, sizeof six));
}

// Catches a reader that insists on exactly n numbers: a longer file gives
// its first n.
TEST_F(Files, NumbersAfterTheLastWantedAreIgnored) {
    Put(file, "10\n20\n30\n40\n50\n", 15);
    uint32_t values[3] = {0};
    ASSERT_EQ(0, FileToArray(file, values, 3));
    EXPECT_EQ(10u, values[0]);
    EXPECT_EQ(30u, values[2]);
}

namespace {

struct BadFile {
    const char* name;
    const char* text;
};

const BadFile kBadFiles[] = {
    {"Empty", ""},
    {"OneShort", "1\n2\n"},
    {"Letter", "1\nx\n3\n"},
    {"Negative", "1\n-2\n3\n"},
    {"PlusSign", "1\n+2\n3\n"},
    {"DecimalPoint", "1\n2.5\n3\n"},
    {"Hex", "1\n0x10\n3\n"},
    {"GluedText", "1\n2\n3abc\n"},
    {"AboveUint32", "1\n4294967296\n3\n"},
    {"FarAboveUint32", "1\n99999999999999999999999\n3\n"},
    {"TrailingGarbage", "1\n2\n3\n#\n"},
};

// Names in test listings instead of raw bytes.
void PrintTo(const BadFile& bad, std::ostream* out) {
    *out << bad.name;
}

class RejectedFiles : public Files, public ::testing::WithParamInterface<BadFile> {};

}  // namespace

// Catches a reader that accepts a damaged file or half-fills the array
// before noticing (the record must stay as it was).
TEST_P(RejectedFiles, FailWithoutTouchingTheArray) {
    Put(file, GetParam().text, std::strlen(GetParam().text));
    uint32_t values[3] = {kSentinel, kSentinel, kSentinel};
    EXPECT_LT(FileToArray(file, values, 3), 0);
    for (uint32_t v : values) EXPECT_EQ(kSentinel, v);
}

INSTANTIATE_TEST_SUITE_P(Files, RejectedFiles, ::testing::ValuesIn(kBadFiles),
                         [](const ::testing::TestParamInfo<BadFile>& info) {
                             return std::string(info.param.name);
                         });

// Catches a reader that crashes or fills the array from a missing file, a
// folder, or a file holding a NUL byte.
TEST_F(Files, UnreadableSourcesFailWithoutTouchingTheArray) {
    uint32_t values[2] = {kSentinel, kSentinel};
    EXPECT_LT(FileToArray(file, values, 2), 0);
    EXPECT_LT(FileToArray(dir, values, 2), 0);
    Put(file, "1\0002\n", 4);
    EXPECT_LT(FileToArray(file, values, 2), 0);
    EXPECT_EQ(kSentinel, values[0]);
    EXPECT_EQ(kSentinel, values[1]);
}

// Catches a save that truncates the target before writing: a write that
// fails half-way (file-size limit) must leave the earlier file whole.
TEST_F(Files, FailedSaveKeepsTheEarlierFile) {
    const uint32_t first[] = {11, 22, 33};
    ASSERT_EQ(0, ArrayToFile(file, first, 3, 6, VAL_TRUNCATE));
    std::string before = Get(file);
    uint32_t big[400];
    for (int i = 0; i < 400; ++i) big[i] = 4000000000u;
    signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = {64, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    int result = ArrayToFile(file, big, 400, 12, VAL_TRUNCATE);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_LT(result, 0);
    EXPECT_EQ(before, Get(file));
    EXPECT_EQ(1, EntriesInDir());
}

// Catches a save into a folder that cannot be written that destroys or
// empties the file already there.
TEST_F(Files, SaveIntoReadOnlyFolderKeepsTheEarlierFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    const uint32_t first[] = {1, 2};
    ASSERT_EQ(0, ArrayToFile(file, first, 2, 6, VAL_TRUNCATE));
    ASSERT_EQ(0, chmod(dir, 0500));
    const uint32_t second[] = {3, 4};
    EXPECT_LT(ArrayToFile(file, second, 2, 6, VAL_TRUNCATE), 0);
    EXPECT_EQ("     1\n     2\n", Get(file));
}

// Catches appends that overwrite, existence checks that count folders, and
// deletes that report success for nothing.
TEST_F(Files, AppendInfoAndDelete) {
    long size = -1;
    EXPECT_EQ(0, GetFileInfo(file, &size));
    EXPECT_EQ(0, size);
    ASSERT_EQ(0, AppendToFile(file, "ab\r\n", 4));
    ASSERT_EQ(0, AppendToFile(file, "c", 1));
    EXPECT_EQ("ab\r\nc", Get(file));
    EXPECT_EQ(1, GetFileInfo(file, &size));
    EXPECT_EQ(5, size);
    EXPECT_EQ(0, GetFileInfo(dir, nullptr));
    EXPECT_EQ(0, CVI_DeleteFile(file));
    EXPECT_EQ(0, GetFileInfo(file, nullptr));
    EXPECT_LT(CVI_DeleteFile(file), 0);
    EXPECT_LT(ArrayToFile(file, nullptr, 1, 6, VAL_TRUNCATE), 0);
    EXPECT_LT(ArrayToFile(file, nullptr, 0, 6, 7), 0);  // unknown action
    EXPECT_EQ(0, GetFileInfo(file, nullptr));
}

// Catches a path join that writes past the output size or doubles slashes.
TEST(Paths, MakePathnameFitsOrFails) {
    char out[16];
    ASSERT_EQ(0, MakePathname("/tmp", "a.cfg", out, sizeof out));
    EXPECT_STREQ("/tmp/a.cfg", out);
    ASSERT_EQ(0, MakePathname("/tmp/", "a.cfg", out, sizeof out));
    EXPECT_STREQ("/tmp/a.cfg", out);
    ASSERT_EQ(0, MakePathname("/tmp", "a.cfg", out, 11));  // exactly fits
    std::memset(out, 'z', sizeof out);
    EXPECT_EQ(-1, MakePathname("/tmp", "a.cfg", out, 10));
    EXPECT_EQ('\0', out[0]);
    for (int i = 10; i < 16; ++i) EXPECT_EQ('z', out[i]);
}

// Catches a program folder taken from the working directory instead of the
// executable.
TEST(Paths, ProjectDirHoldsThisProgram) {
    char folder[512];
    ASSERT_EQ(0, GetProjectDir(folder, sizeof folder));
    char self[600];
    ASSERT_EQ(0, MakePathname(folder, "test_files", self, sizeof self));
    EXPECT_EQ(1, GetFileInfo(self, nullptr)) << self;
    char tiny[2];
    EXPECT_EQ(-1, GetProjectDir(tiny, sizeof tiny));
}

// Catches swapped fields or missing zero padding in the date and time texts.
TEST(Paths, DateAndTimeTexts) {
    const char* date = DateStr();
    ASSERT_EQ(10u, std::strlen(date));
    int month = 0, day = 0, year = 0;
    ASSERT_EQ(3, std::sscanf(date, "%2d-%2d-%4d", &month, &day, &year));
    EXPECT_TRUE(month >= 1 && month <= 12 && day >= 1 && day <= 31 && year >= 2000) << date;
    const char* time = TimeStr();
    ASSERT_EQ(8u, std::strlen(time));
    EXPECT_TRUE(time[2] == ':' && time[5] == ':') << time;
}
