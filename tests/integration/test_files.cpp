// Number files and file services: the exact text written, what the reader
// accepts and rejects, a failed save that must keep the earlier file, and
// the path, folder, date and time helpers.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/cvi.h"

namespace {

using namespace std::string_literals;

const uint32_t kSentinel = 0xDEADBEEFu;

class Files : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, mkdtemp(dir));
        std::snprintf(file, sizeof file, "%s/numbers.dat", dir);
    }
    void TearDown() override {
        chmod(dir, 0700);
        ASSERT_EQ(0, std::system((std::string("rm -rf ") + dir).c_str()));
    }
    std::string Get() {
        std::ifstream in(file, std::ios::binary);
        return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
    }
    int EntriesInDir() {
        int count = 0;
        DIR* d = opendir(dir);
        while (dirent* entry = readdir(d)) count += entry->d_name[0] != '.';
        closedir(d);
        return count;
    }
    // Runs write under a file-size limit, the signal ignored so that the write fails instead.
    template <class Write>
    int Limited(rlim_t bytes, Write write) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit saved;
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit small = {bytes, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        const int result = write();
        setrlimit(RLIMIT_FSIZE, &saved);
        return result;
    }
    char dir[64] = "/tmp/kovexa_files_XXXXXX";
    char file[128];
};

// Catches wrong alignment, padding or line ends in the written columns (a
// parameter word 500 in a field of 6 is three blanks and 500), appends that
// overwrite, a temporary file left behind, or a reader that loses values.
TEST_F(Files, WriterRightAlignsOneNumberPerLineAndReadsBack) {
    const uint32_t values[] = {500, 7, 123456, 4294967295u, 0};
    ASSERT_EQ(0, ArrayToFile(file, values, 5, 6, VAL_TRUNCATE));
    uint32_t back[5] = {0};
    ASSERT_EQ(0, FileToArray(file, back, 5));
    EXPECT_EQ(0, std::memcmp(values, back, sizeof values));
    const uint32_t more[] = {1, 22};
    ASSERT_EQ(0, ArrayToFile(file, more, 2, 3, VAL_APPEND));
    EXPECT_EQ("   500\n     7\n123456\n4294967295\n     0\n  1\n 22\n", Get());
    ASSERT_EQ(0, ArrayToFile(file, more, 2, 6, VAL_TRUNCATE));
    EXPECT_EQ("     1\n    22\n", Get());
    EXPECT_EQ(1, EntriesInDir());
}

// Catches a reader that stops at an odd separator, insists on exactly n numbers, accepts a
// damaged file, or half-fills the array before noticing (the record must stay as it was).
TEST_F(Files, ReaderFillsTheArrayOnlyFromAWholeFile) {
    // The first two read as 1, 2, 3; the rest are damaged.
    const std::string kTexts[] = {" 1\f\v2\t\r\n\r\n 0003 \n",
                                  "1\n2\n3\n4\n5\n",
                                  "",
                                  "1\n2\n",
                                  "1\nx\n3\n",
                                  "1\n-2\n3\n",
                                  "1\n+2\n3\n",
                                  "1\n0x10\n3\n",
                                  "1\n2\n3abc\n",
                                  "1\n4294967296\n3\n",
                                  "1\n99999999999999999999999\n3\n",
                                  "1\n2\n3\n#\n",
                                  "1\0002\n3\n"s};
    for (const std::string& text : kTexts) {
        const bool ok = &text < kTexts + 2;
        std::ofstream(file, std::ios::binary) << text;
        std::vector<uint32_t> values(3, kSentinel);
        EXPECT_EQ(ok, FileToArray(file, values.data(), 3) == 0) << text;
        EXPECT_EQ(ok ? std::vector<uint32_t>({1, 2, 3}) : std::vector<uint32_t>(3, kSentinel),
                  values)
            << text;
    }
}

// Catches a save that truncates the target first, or an append or first write cut short by a
// full disk leaving half a line or an empty file: numbers, a text or a line failing half-way, or a
// read-only folder, must leave the earlier file whole and nothing else behind.
TEST_F(Files, FailedSaveKeepsTheEarlierFile) {
    const std::vector<uint32_t> big(400, 4000000000u), first = {1, 2};
    ASSERT_EQ(0, ArrayToFile(file, first.data(), 2, 6, VAL_TRUNCATE));
    const std::string text(1000, 'x'), other = std::string(dir) + "/new.dat";
    const std::function<int()> kSaves[] = {
        [&] { return ArrayToFile(file, big.data(), 400, 12, VAL_TRUNCATE); },
        [&] { return SaveTextFile(file, text.data(), 1000); },
        [&] { return AppendToFile(file, text.data(), 1000); },
        [&] { return WriteNewFile(other.c_str(), text.data(), 1000); }};
    for (const auto& save : kSaves) {
        EXPECT_LT(Limited(64, save), 0) << &save - kSaves;
        EXPECT_EQ("     1\n     2\n", Get());
        EXPECT_EQ(1, EntriesInDir());
    }
    if (geteuid() == 0) return;  // root writes into read-only folders
    ASSERT_EQ(0, chmod(dir, 0500));
    EXPECT_LT(ArrayToFile(file, big.data(), 2, 6, VAL_TRUNCATE), 0);
    EXPECT_EQ("     1\n     2\n", Get());
}

// Catches appends that overwrite or are reported kept without a sync to the disk, existence
// checks that count folders,
// deletes that report success for nothing, bad writer arguments that create
// a file, and a reader that crashes on a missing file or a folder.
TEST_F(Files, AppendInfoDeleteAndMissingFiles) {
    long size = -1;
    uint32_t values[2];
    ASSERT_EQ(0, WriteNewFile(file, "ab\r\n", 4));
    EXPECT_LT(WriteNewFile(file, "x", 1), 0);
    ASSERT_EQ(0, AppendToFile(file, "c", 1));
    EXPECT_EQ("ab\r\nc", Get());
    EXPECT_LT(AppendToFile("/dev/null", "x", 1), 0);  // cannot be synced, so not kept
    EXPECT_EQ(1, GetFileInfo(file, &size));
    EXPECT_EQ(5, size);
    EXPECT_EQ(0, GetFileInfo(dir, nullptr));
    EXPECT_LT(FileToArray(dir, values, 2), 0);
    EXPECT_EQ(0, CVI_DeleteFile(file));
    EXPECT_LT(CVI_DeleteFile(file), 0);
    EXPECT_LT(AppendToFile(file, "d", 1), 0);  // a file deleted meanwhile is not made anew
    EXPECT_LT(FileToArray(file, values, 2), 0);
    EXPECT_LT(ArrayToFile(file, nullptr, 1, 6, VAL_TRUNCATE), 0);
    EXPECT_LT(ArrayToFile(file, nullptr, 0, 6, 7), 0);  // unknown action
    EXPECT_EQ(0, GetFileInfo(file, nullptr));
}

// Catches a save replacing a symbolic link with a plain file or resetting the file's
// permissions, and a save, append or delete that replaces, removes or blocks on a device node, a
// FIFO or a folder given as the file (as root also a private copy of /dev/full).
TEST_F(Files, SavesKeepLinksPermissionsDevicesFifosAndFolders) {
    const uint32_t first[] = {1}, second[] = {2};
    ASSERT_EQ(0, ArrayToFile(file, first, 1, 1, VAL_TRUNCATE));
    ASSERT_EQ(0, chmod(file, 0640));
    const std::string link = std::string(dir) + "/link.dat";
    ASSERT_EQ(0, symlink("numbers.dat", link.c_str()));
    ASSERT_EQ(0, ArrayToFile(link.c_str(), second, 1, 1, VAL_TRUNCATE));
    struct stat info;
    ASSERT_EQ(0, lstat(link.c_str(), &info));
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(0, stat(file, &info));
    EXPECT_EQ(0640u, info.st_mode & 07777u);
    EXPECT_EQ("2\n", Get());
    EXPECT_EQ(2, EntriesInDir());
    const struct {
        const char* name;
        mode_t type;
    } kNodes[] = {{"fifo", S_IFIFO}, {"folder", S_IFDIR}, {"full", S_IFCHR}};
    const uint32_t values[] = {1, 2};
    for (const auto& n : kNodes) {
        const std::string path = std::string(dir) + "/" + n.name;
        const char* p = path.c_str();
        if (n.type == S_IFDIR) {
            ASSERT_EQ(0, mkdir(p, 0700));
        } else if (mknod(p, n.type | 0600, n.type == S_IFCHR ? makedev(1, 7) : 0) != 0) {
            continue;  // a device node needs root
        }
        EXPECT_EQ(VAL_ERR_NOT_REGULAR_FILE, ArrayToFile(p, values, 2, 6, VAL_TRUNCATE)) << p;
        EXPECT_EQ(VAL_ERR_NOT_REGULAR_FILE, ArrayToFile(p, values, 2, 6, VAL_APPEND)) << p;
        EXPECT_EQ(VAL_ERR_NOT_REGULAR_FILE, SaveTextFile(p, "x", 1)) << p;
        EXPECT_EQ(VAL_ERR_NOT_REGULAR_FILE, AppendToFile(p, "x", 1)) << p;
        EXPECT_LT(WriteNewFile(p, "x", 1), 0) << p;
        EXPECT_LT(CVI_DeleteFile(p), 0) << p;
        ASSERT_EQ(0, lstat(p, &info)) << p;
        EXPECT_EQ(n.type, info.st_mode & S_IFMT) << p;
    }
}

struct HeadCase {
    const char* text;
    int read;  // numbers read, or VAL_ERR_BAD_NUMBER
    int line;  // of the failure, or of the last number
};

// Catches a table refused for a byte-order mark, a text or DOS end-of-file tail after its
// numbers, a number read past a bad one, or a refusal that does not lead to its line.
TEST_F(Files, HeadLoadSkipsMarkAndTailAndNamesTheLine) {
    const HeadCase kCases[] = {
        {"\357\273\2771\r\n2\r\n3\r\n", 3, 3},  // octal: a byte-order mark, then 1
        {"1\n2\n3\nend of table\n", 3, 3},
        {"1\n2\n3\r\n\x1A", 3, 3},
        {"1\n2\n3\x1A\x1A", 3, 3},
        {"1\n2\n3", 3, 3},
        {"1\n\n2\n", 2, 3},
        {"1\n\0322\n3\n", 1, 1},
        {"1\nx\n3\n", VAL_ERR_BAD_NUMBER, 2},
        {"1\n2\n65536\n", VAL_ERR_BAD_NUMBER, 3},
        {"1\n2\n3abc\n", VAL_ERR_BAD_NUMBER, 3},
        {"\357\2731\n2\n3\n", VAL_ERR_BAD_NUMBER, 1},  // half a mark
    };
    for (const HeadCase& c : kCases) {
        std::ofstream(file, std::ios::binary) << c.text;
        std::vector<uint32_t> values(3, kSentinel);
        int line = -1;
        EXPECT_EQ(c.read, FileHeadToArray(file, values.data(), 3, 65535, &line)) << c.text;
        EXPECT_EQ(c.line, line) << c.text;
        EXPECT_EQ(
            c.read == 3 ? std::vector<uint32_t>({1, 2, 3}) : std::vector<uint32_t>(3, kSentinel),
            values)
            << c.text;
    }
}

// Catches a path join that writes past the output size or doubles slashes,
// a program folder taken from the working directory instead of the
// executable (or guessed before the toolkit knows it), and swapped fields or
// missing zero padding in the date and time texts.
TEST(Paths, PathnameProjectDirDateAndTimeFitOrFail) {
    char out[16], folder[512], self[600], tiny[2], name[] = "test_files", *argv[] = {name, nullptr};
    int argc = 1;
    EXPECT_EQ(-1, GetProjectDir(folder, sizeof folder));
    QCoreApplication app(argc, argv);
    ASSERT_EQ(0, MakePathname("/tmp/", "a.cfg", out, sizeof out));
    EXPECT_STREQ("/tmp/a.cfg", out);
    ASSERT_EQ(0, MakePathname("/tmp", "a.cfg", out, 11));  // exactly fits
    EXPECT_STREQ("/tmp/a.cfg", out);
    std::memset(out, 'z', sizeof out);
    EXPECT_EQ(-1, MakePathname("/tmp", "a.cfg", out, 10));
    EXPECT_EQ('\0', out[0]);
    EXPECT_EQ(std::string(6, 'z'), std::string(out + 10, 6));
    ASSERT_EQ(0, GetProjectDir(folder, sizeof folder));
    ASSERT_EQ(0, MakePathname(folder, "test_files", self, sizeof self));
    EXPECT_EQ(1, GetFileInfo(self, nullptr)) << self;
    EXPECT_EQ(-1, GetProjectDir(tiny, sizeof tiny));
    const char *date = DateStr(), *time = TimeStr();
    int month = 0, day = 0, year = 0;
    ASSERT_EQ(3, std::sscanf(date, "%2d-%2d-%4d", &month, &day, &year));
    EXPECT_TRUE(std::strlen(date) == 10 && month >= 1 && month <= 12 && day >= 1 && day <= 31 &&
                year >= 2000)
        << date;
    EXPECT_TRUE(std::strlen(time) == 8 && time[2] == ':' && time[5] == ':') << time;
}

}  // namespace
