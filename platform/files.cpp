// Number files and small file services: saving and loading columns of
// unsigned numbers, appending raw bytes, file existence, deletion, paths,
// the program's folder, and the date and time texts.
//
// Facts owned here:
//  - a number file is plain text, one unsigned decimal number per line,
//    right-aligned in the field width, LF line ends;
//  - a truncating save goes to a temporary file in the target's folder that
//    is synced and renamed over the target, so a failed save leaves the
//    earlier file as it was;
//  - a load takes exactly the numbers asked for, separated by any white
//    space (CR LF or LF lines alike); any other character, a number above
//    4294967295 or too few numbers fail and leave the array untouched;
//    further numbers after the last one asked for are ignored;
//  - dates read "MM-DD-YYYY", times "HH:MM:SS".
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "platform/cvi.h"

namespace {

enum {
    kFileOk = 0,
    kFileErrArgument = -1,
    kFileErrNotFound = -2,
    kFileErrAccess = -3,  // cannot open, create, rename or delete
    kFileErrWrite = -4,
    kFileErrRead = -5,
    kFileErrFormat = -6,  // a character that is neither digit nor white space
    kFileErrTooFew = -7,
    kFileErrTooLarge = -8,  // a number above 4294967295
};

enum {
    kMaxFieldWidth = 64,
    kChunkSize = 4096,
    kPathBufferSize = PATH_MAX + 1,
    kTempSuffixSize = 8,  // ".XXXXXX" and its terminator
    kDateSize = 48,       // room for any int fields snprintf might print
};

const char kTempSuffix[] = ".XXXXXX";
const uint64_t kMaxNumber = 4294967295u;

int IsBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

int ErrorOfOpen(int error) {
    return error == ENOENT ? kFileErrNotFound : kFileErrAccess;
}

int WriteAll(int fd, const char* data, size_t length) {
    while (length > 0) {
        ssize_t n = write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return 1;
}

// Writes the numbers as lines through a fixed chunk. 1/0.
int WriteNumbers(int fd, const uint32_t* values, int n, int fieldWidth) {
    char chunk[kChunkSize];
    size_t used = 0;
    for (int i = 0; i < n; ++i) {
        if (used + kMaxFieldWidth + 16 > sizeof chunk) {
            if (!WriteAll(fd, chunk, used)) return 0;
            used = 0;
        }
        int length = std::snprintf(chunk + used, sizeof chunk - used, "%*lu\n", fieldWidth,
                                   static_cast<unsigned long>(values[i]));
        if (length < 0) return 0;
        used += static_cast<size_t>(length);
    }
    return used == 0 || WriteAll(fd, chunk, used);
}

int CloseChecked(int fd) {
    int result = close(fd);
    return result == 0 || errno == EINTR;
}

// The file a save replaces: the target of a symbolic link, so the link
// stays a link; the path itself otherwise. 1/0 (0: the path is too long).
int SaveTarget(const char* path, char* target, size_t size) {
    struct stat info;
    char resolved[kPathBufferSize];
    if (lstat(path, &info) == 0 && S_ISLNK(info.st_mode) && realpath(path, resolved)) {
        path = resolved;
    }
    size_t length = std::strlen(path);
    if (length >= size) return 0;
    std::memcpy(target, path, length + 1);
    return 1;
}

mode_t NewFileMode(const char* target) {
    struct stat info;
    if (stat(target, &info) == 0) return info.st_mode & 07777;
    mode_t mask = umask(0);
    umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

void SyncFolderOf(const char* target) {
    char folder[kPathBufferSize];
    std::snprintf(folder, sizeof folder, "%s", target);
    char* slash = std::strrchr(folder, '/');
    if (!slash) {
        std::strcpy(folder, ".");
    } else if (slash == folder) {
        folder[1] = '\0';
    } else {
        *slash = '\0';
    }
    int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

int SaveReplacing(const char* path, const uint32_t* values, int n, int fieldWidth) {
    char target[kPathBufferSize];
    if (!SaveTarget(path, target, sizeof target)) return kFileErrArgument;
    size_t length = std::strlen(target);
    if (length + kTempSuffixSize > sizeof target) return kFileErrArgument;
    char temp[kPathBufferSize + kTempSuffixSize];
    std::memcpy(temp, target, length);
    std::memcpy(temp + length, kTempSuffix, sizeof kTempSuffix);
    int fd = mkstemp(temp);
    if (fd < 0) return ErrorOfOpen(errno);
    int ok = fchmod(fd, NewFileMode(target)) == 0;
    ok = ok && WriteNumbers(fd, values, n, fieldWidth) && fsync(fd) == 0;
    ok = CloseChecked(fd) && ok;
    if (!ok) {
        unlink(temp);
        return kFileErrWrite;
    }
    if (rename(temp, target) != 0) {
        unlink(temp);
        return kFileErrAccess;
    }
    SyncFolderOf(target);
    return kFileOk;
}

int OpenForAppend(const char* path) {
    return open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
}

// Unsigned decimal numbers separated by white space, one chunk at a time.
struct NumberParser {
    uint32_t* out;
    int wanted;
    int count;
    uint64_t value;
    int inNumber;
};

int EndNumber(NumberParser& parser) {
    if (!parser.inNumber) return kFileOk;
    if (parser.count < parser.wanted) {
        parser.out[parser.count] = static_cast<uint32_t>(parser.value);
    }
    if (parser.count < INT_MAX) ++parser.count;
    parser.value = 0;
    parser.inNumber = 0;
    return kFileOk;
}

int ParseChunk(NumberParser& parser, const unsigned char* data, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = data[i];
        if (c >= '0' && c <= '9') {
            parser.value = parser.value * 10u + static_cast<uint64_t>(c - '0');
            if (parser.value > kMaxNumber) return kFileErrTooLarge;
            parser.inNumber = 1;
        } else if (IsBlank(c)) {
            EndNumber(parser);
        } else {
            return kFileErrFormat;
        }
    }
    return kFileOk;
}

}  // namespace

// ---------------------------------------------------------- number files --

int ArrayToFile(const char* path, const uint32_t* values, int n, int fieldWidth, int action) {
    if (!path || !path[0] || n < 0 || (n > 0 && !values)) return kFileErrArgument;
    if (fieldWidth < 0) fieldWidth = 0;
    if (fieldWidth > kMaxFieldWidth) fieldWidth = kMaxFieldWidth;
    if (action == VAL_TRUNCATE) return SaveReplacing(path, values, n, fieldWidth);
    if (action != VAL_APPEND) return kFileErrArgument;
    int fd = OpenForAppend(path);
    if (fd < 0) return ErrorOfOpen(errno);
    int ok = WriteNumbers(fd, values, n, fieldWidth);
    ok = CloseChecked(fd) && ok;
    return ok ? kFileOk : kFileErrWrite;
}

int FileToArray(const char* path, uint32_t* values, int n) {
    if (!path || !path[0] || n < 0 || (n > 0 && !values)) return kFileErrArgument;
    // A FIFO or a terminal would block the open or the read for ever: only
    // a regular file is read, and the open itself never waits.
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return ErrorOfOpen(errno);
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return kFileErrAccess;
    }
    // Parsed into a copy: the caller's array changes only when all is well.
    std::unique_ptr<uint32_t[]> parsed(new (std::nothrow) uint32_t[n > 0 ? n : 1]);
    if (!parsed) {
        close(fd);
        return kFileErrRead;
    }
    NumberParser parser = {parsed.get(), n, 0, 0, 0};
    unsigned char chunk[kChunkSize];
    int result = kFileOk;
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            result = kFileErrRead;
            break;
        }
        if (got == 0) break;
        result = ParseChunk(parser, chunk, static_cast<size_t>(got));
        if (result != kFileOk) break;
    }
    close(fd);
    if (result != kFileOk) return result;
    EndNumber(parser);
    if (parser.count < n) return kFileErrTooFew;
    if (n > 0) std::memcpy(values, parsed.get(), sizeof(uint32_t) * static_cast<size_t>(n));
    return kFileOk;
}

int AppendToFile(const char* path, const char* data, int length) {
    if (!path || !path[0] || length < 0 || (length > 0 && !data)) return kFileErrArgument;
    int fd = OpenForAppend(path);
    if (fd < 0) return ErrorOfOpen(errno);
    // Synced before it returns: a log appended line by line (the recorder)
    // keeps every line it reported written through a power loss.
    int ok = WriteAll(fd, data, static_cast<size_t>(length)) && fsync(fd) == 0;
    ok = CloseChecked(fd) && ok;
    return ok ? kFileOk : kFileErrWrite;
}

// ----------------------------------------------------------- file system --

int GetFileInfo(const char* path, long* size) {
    struct stat info;
    if (size) *size = 0;
    if (!path || !path[0] || stat(path, &info) != 0 || S_ISDIR(info.st_mode)) return 0;
    if (size) *size = info.st_size > LONG_MAX ? LONG_MAX : static_cast<long>(info.st_size);
    return 1;
}

int CVI_DeleteFile(const char* path) {
    if (!path || !path[0]) return kFileErrArgument;
    if (unlink(path) != 0) return ErrorOfOpen(errno);
    return kFileOk;
}

int MakePathname(const char* directory, const char* fileName, char* out, int outSize) {
    if (!out || outSize <= 0) return -1;
    out[0] = '\0';
    if (!directory || !fileName) return -1;
    size_t dirLength = std::strlen(directory);
    size_t fileLength = std::strlen(fileName);
    int needSeparator = dirLength > 0 && directory[dirLength - 1] != '/';
    size_t total = dirLength + (needSeparator ? 1u : 0u) + fileLength;
    if (total >= static_cast<size_t>(outSize)) return -1;
    std::memcpy(out, directory, dirLength);
    if (needSeparator) out[dirLength] = '/';
    std::memcpy(out + dirLength + (needSeparator ? 1 : 0), fileName, fileLength + 1);
    return 0;
}

int GetProjectDir(char* out, int outSize) {
    if (!out || outSize <= 0) return -1;
    out[0] = '\0';
    char exe[kPathBufferSize];
    ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof exe - 1) return -1;
    exe[length] = '\0';
    char* slash = std::strrchr(exe, '/');
    if (!slash) return -1;
    size_t dirLength = slash == exe ? 1u : static_cast<size_t>(slash - exe);
    if (dirLength >= static_cast<size_t>(outSize)) return -1;
    std::memcpy(out, exe, dirLength);
    out[dirLength] = '\0';
    return 0;
}

// ------------------------------------------------------------ date, time --

const char* DateStr(void) {
    static char text[kDateSize];
    time_t now = time(nullptr);
    struct tm local;
    if (!localtime_r(&now, &local)) return "00-00-0000";
    std::snprintf(text, sizeof text, "%02d-%02d-%04d", local.tm_mon + 1, local.tm_mday,
                  local.tm_year + 1900);
    return text;
}

const char* TimeStr(void) {
    static char text[kDateSize];
    time_t now = time(nullptr);
    struct tm local;
    if (!localtime_r(&now, &local)) return "00:00:00";
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}
