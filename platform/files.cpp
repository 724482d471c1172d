// Number files and small file services: saving and loading columns of
// unsigned numbers, appending raw bytes, file existence, deletion, paths,
// the program's folder, and the date and time texts.
//
// Facts owned here:
//  - a number file is plain text, one unsigned decimal number per line,
//    right-aligned in the field width, LF line ends;
//  - every save goes to a temporary file in the target's folder that is
//    synced and renamed over the target, so a failed save leaves the
//    earlier file as it was; a device node, FIFO or folder is never a
//    target (nor deleted);
//  - a load takes exactly the numbers asked for, separated by any white
//    space (CR LF or LF lines alike); any other character, a number above
//    4294967295 or too few numbers fail and leave the array untouched;
//    further numbers after the last one asked for are ignored;
//  - a head load (tables written by other tools) skips a UTF-8 byte-order
//    mark, stops after the numbers asked for or at a DOS end-of-file byte,
//    and names the line where it failed;
//  - an append writes its bytes whole or not at all, and only to a file
//    that is there: a file gone meanwhile is a failure, not a new file;
//  - dates read "MM-DD-YYYY", times "HH:MM:SS".
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif
#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <io.h>
#include <windows.h>
#endif

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTime>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/cvi.h"
#include "platform/savefile.h"

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
    kFileErrTooLarge = -8,  // a number above the largest allowed
    kFileErrNotRegular = VAL_ERR_NOT_REGULAR_FILE,
};

enum {
    kMaxFieldWidth = 64,
    kChunkSize = 4096,
    kDateSize = 48,  // room for any int fields snprintf might print
};

const uint64_t kMaxNumber = 4294967295u;
const unsigned char kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
const unsigned char kDosEndOfFile = 0x1A;

int IsBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

QString NameOf(const char* path) {
    return QFile::decodeName(path);
}

// Why a file could not be read or deleted: it is not there, or it is and
// may not be touched.
int ErrorOfOpen(const QString& name) {
    return QFileInfo::exists(name) ? kFileErrAccess : kFileErrNotFound;
}

// Why a file could not be created or appended to: its folder is missing,
// or the folder or file may not be written.
int ErrorOfCreate(const QString& name) {
    return QFileInfo(QFileInfo(name).absolutePath()).isDir() ? kFileErrAccess : kFileErrNotFound;
}

int WriteAll(QIODevice& file, const char* data, qint64 length) {
    return file.write(data, length) == length;
}

// Writes the numbers as lines through a fixed chunk. 1/0.
int WriteNumbers(QIODevice& file, const uint32_t* values, int n, int fieldWidth) {
    char chunk[kChunkSize];
    size_t used = 0;
    for (int i = 0; i < n; ++i) {
        if (used + kMaxFieldWidth + 16 > sizeof chunk) {
            if (!WriteAll(file, chunk, static_cast<qint64>(used))) return 0;
            used = 0;
        }
        int length = std::snprintf(chunk + used, sizeof chunk - used, "%*lu\n", fieldWidth,
                                   static_cast<unsigned long>(values[i]));
        if (length < 0) return 0;
        used += static_cast<size_t>(length);
    }
    return used == 0 || WriteAll(file, chunk, static_cast<qint64>(used));
}

// Pushes what was written through to the disk, so a line reported written
// survives a power loss. 1/0.
int SyncToDisk(QFileDevice& file) {
    if (!file.flush()) return 0;
#if defined(Q_OS_UNIX)
    return fsync(file.handle()) == 0;
#elif defined(Q_OS_WIN)
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) ? 1 : 0;
#else
    return 1;
#endif
}

// The rename that put a saved file in place is itself on disk only once
// its folder is synced (Unix; Windows commits the rename with the file).
void SyncFolderOf(const QString& name) {
#ifdef Q_OS_UNIX
    QFileInfo info(name);
    const QString target = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    int fd = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
#else
    (void)name;
#endif
}

int SaveReplacing(const char* path, const uint32_t* values, int n, int fieldWidth) {
    const QString name = NameOf(path);
    switch (kui::SaveWhole(
        name, [&](QIODevice& file) { return WriteNumbers(file, values, n, fieldWidth) != 0; })) {
        case kui::kSaveOk:
            return kFileOk;
        case kui::kSaveNotRegular:
            return kFileErrNotRegular;
        case kui::kSaveCannotCreate:
            return ErrorOfCreate(name);
        case kui::kSaveRenameFailed:
            return kFileErrAccess;
        case kui::kSaveWriteFailed:
            break;
    }
    return kFileErrWrite;
}

// Opens a file without ever waiting in the open, refusing anything but a
// regular file: a FIFO or a terminal would block the open or the read for
// ever, and a device node is no file to save into.
int OpenRegular(const QString& name, QFile& file, QIODevice::OpenMode mode) {
#ifdef Q_OS_UNIX
    // The check is made on what was opened, and the open itself never
    // waits, so nothing swapped in between can block.
    const QByteArray encoded = QFile::encodeName(name);
    const int flags = (mode & QIODevice::WriteOnly) ? O_WRONLY | O_APPEND : O_RDONLY;
    int fd = open(encoded.constData(), flags | O_CLOEXEC | O_NONBLOCK);
    struct stat info;
    if (fd < 0 && errno == ENOENT) return kFileErrNotFound;
    if (fd < 0) {
        // A FIFO without reader or a folder fails the open itself.
        const int there = stat(encoded.constData(), &info) == 0;
        return there && !S_ISREG(info.st_mode) ? kFileErrNotRegular : kFileErrAccess;
    }
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return kFileErrNotRegular;
    }
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        close(fd);
        return kFileErrAccess;
    }
    return kFileOk;
#else
    QFileInfo info(name);
    if (!info.exists()) return kFileErrNotFound;
    if (!info.isFile()) return kFileErrNotRegular;
    file.setFileName(name);
    return file.open(mode | QIODevice::ExistingOnly) ? kFileOk : kFileErrAccess;
#endif
}

// Unsigned decimal numbers separated by white space, one chunk at a time.
struct NumberParser {
    uint32_t* out;
    int wanted;
    int count;
    uint64_t value;
    int inNumber;
    uint64_t largest;
    int headOnly;  // stop after the wanted numbers or a DOS end-of-file byte
    int done;
    int line;      // 1-based, of the byte being read
    int lastLine;  // of the last number ended
};

void EndNumber(NumberParser& parser) {
    if (!parser.inNumber) return;
    if (parser.count < parser.wanted) {
        parser.out[parser.count] = static_cast<uint32_t>(parser.value);
    }
    if (parser.count < INT_MAX) ++parser.count;
    parser.value = 0;
    parser.inNumber = 0;
    parser.lastLine = parser.line;
    if (parser.headOnly && parser.count >= parser.wanted) parser.done = 1;
}

int ParseChunk(NumberParser& parser, const unsigned char* data, size_t length) {
    for (size_t i = 0; i < length && !parser.done; ++i) {
        unsigned char c = data[i];
        if (c >= '0' && c <= '9') {
            parser.value = parser.value * 10u + static_cast<uint64_t>(c - '0');
            if (parser.value > parser.largest) return kFileErrTooLarge;
            parser.inNumber = 1;
        } else if (IsBlank(c)) {
            EndNumber(parser);
            if (c == '\n') ++parser.line;
        } else if (parser.headOnly && c == kDosEndOfFile) {
            EndNumber(parser);
            parser.done = 1;
        } else {
            return kFileErrFormat;
        }
    }
    return kFileOk;
}

// Reads numbers into values (all n or none); the count read, or an error.
int ReadNumbers(const char* path, uint32_t* values, int n, NumberParser& parser) {
    if (!path || !path[0] || n < 0 || (n > 0 && !values)) return kFileErrArgument;
    QFile file;
    int result = OpenRegular(NameOf(path), file, QIODevice::ReadOnly);
    if (result == kFileErrNotRegular) result = kFileErrAccess;
    if (result != kFileOk) return result;
    // Parsed into a copy: the caller's array changes only when all is well.
    std::unique_ptr<uint32_t[]> parsed(new (std::nothrow) uint32_t[n > 0 ? n : 1]);
    if (!parsed) return kFileErrRead;
    parser.out = parsed.get();
    parser.wanted = n;
    unsigned char chunk[kChunkSize];
    for (int first = 1; !parser.done; first = 0) {
        qint64 got = file.read(reinterpret_cast<char*>(chunk), sizeof chunk);
        if (got < 0) {
            result = kFileErrRead;
            break;
        }
        if (got == 0) break;
        size_t skip = 0;
        if (first && parser.headOnly && got >= static_cast<qint64>(sizeof kByteOrderMark) &&
            std::memcmp(chunk, kByteOrderMark, sizeof kByteOrderMark) == 0)
            skip = sizeof kByteOrderMark;
        result = ParseChunk(parser, chunk + skip, static_cast<size_t>(got) - skip);
        if (result != kFileOk) break;
    }
    file.close();
    if (result != kFileOk) return result;
    EndNumber(parser);
    if (parser.count < n) return parser.count;
    if (n > 0) std::memcpy(values, parsed.get(), sizeof(uint32_t) * static_cast<size_t>(n));
    return n;
}

}  // namespace

// ---------------------------------------------------------- number files --

int ArrayToFile(const char* path, const uint32_t* values, int n, int fieldWidth, int action) {
    if (!path || !path[0] || n < 0 || (n > 0 && !values)) return kFileErrArgument;
    if (fieldWidth < 0) fieldWidth = 0;
    if (fieldWidth > kMaxFieldWidth) fieldWidth = kMaxFieldWidth;
    if (action == VAL_TRUNCATE) return SaveReplacing(path, values, n, fieldWidth);
    if (action != VAL_APPEND) return kFileErrArgument;
    QFile file(NameOf(path));
    if (!kui::IsSaveTarget(file.fileName())) return kFileErrNotRegular;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return ErrorOfCreate(file.fileName());
    int ok = WriteNumbers(file, values, n, fieldWidth) && file.flush();
    file.close();
    return ok ? kFileOk : kFileErrWrite;
}

int FileToArray(const char* path, uint32_t* values, int n) {
    NumberParser parser = {nullptr, 0, 0, 0, 0, kMaxNumber, 0, 0, 1, 0};
    const int read = ReadNumbers(path, values, n, parser);
    if (read < 0) return read;
    return read < n ? kFileErrTooFew : kFileOk;
}

int FileHeadToArray(const char* path, uint32_t* values, int n, uint32_t largest, int* line) {
    NumberParser parser = {nullptr, 0, 0, 0, 0, largest, 1, 0, 1, 1};
    const int read = ReadNumbers(path, values, n, parser);
    if (line) *line = read >= 0 ? parser.lastLine : parser.line;
    return read == kFileErrFormat || read == kFileErrTooLarge ? VAL_ERR_BAD_NUMBER : read;
}

int AppendToFile(const char* path, const char* data, int length) {
    if (!path || !path[0] || length < 0 || (length > 0 && !data)) return kFileErrArgument;
    QFile file;
    const int opened = OpenRegular(
        NameOf(path), file, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    if (opened != kFileOk) return opened;
    // One write; a short one (a full disk) is cut back to where the file
    // ended, so a reader never meets half a line. Synced before it returns:
    // a log appended line by line (the recorder) keeps every line it
    // reported written through a power loss.
    const qint64 before = file.size();
    if (WriteAll(file, data, length) && SyncToDisk(file)) return kFileOk;
    file.resize(before);
    return kFileErrWrite;
}

int WriteNewFile(const char* path, const char* data, int length) {
    if (!path || !path[0] || length < 0 || (length > 0 && !data)) return kFileErrArgument;
    QFile file(NameOf(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return QFileInfo::exists(file.fileName()) ? kFileErrAccess : ErrorOfCreate(file.fileName());
    if (WriteAll(file, data, length) && SyncToDisk(file)) return kFileOk;
    file.remove();  // nothing left that looks like a started file
    return kFileErrWrite;
}

// ----------------------------------------------------------- file system --

int GetFileInfo(const char* path, long* size) {
    if (size) *size = 0;
    if (!path || !path[0]) return 0;
    QFileInfo info(NameOf(path));
    if (!info.exists() || info.isDir()) return 0;
    if (size) *size = info.size() > LONG_MAX ? LONG_MAX : static_cast<long>(info.size());
    return 1;
}

int CVI_DeleteFile(const char* path) {
    if (!path || !path[0]) return kFileErrArgument;
    QFile file(NameOf(path));
    // A link goes, not what it points to; a device node, FIFO or folder
    // stays: a file name typed over one must not remove it.
    const QFileInfo info(file.fileName());
    if (!info.isSymLink() && info.exists() && !info.isFile()) return kFileErrNotRegular;
    if (!file.remove()) return ErrorOfOpen(file.fileName());
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
    // The toolkit knows where the executable lies (on every system, with
    // "/" separators); without it started there is no answer.
    if (!QCoreApplication::instance()) return -1;
    const QByteArray folder = QFile::encodeName(QCoreApplication::applicationDirPath());
    if (folder.isEmpty() || folder.size() >= outSize) return -1;
    std::memcpy(out, folder.constData(), static_cast<size_t>(folder.size()) + 1);
    return 0;
}

// ------------------------------------------------------------ date, time --

const char* DateStr(void) {
    static char text[kDateSize];
    const QDate today = QDate::currentDate();
    std::snprintf(text, sizeof text, "%02d-%02d-%04d", today.month(), today.day(), today.year());
    return text;
}

const char* TimeStr(void) {
    static char text[kDateSize];
    const QTime now = QTime::currentTime();
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", now.hour(), now.minute(), now.second());
    return text;
}

// ----------------------------------------------------------- whole saves --

namespace {

// Passes writes on to the file and remembers one that fell short.
class CheckedWriter : public QIODevice {
public:
    explicit CheckedWriter(QIODevice& target) : target_(target) { open(QIODevice::WriteOnly); }
    int failed = 0;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override {
        const qint64 n = target_.write(data, length);
        if (n != length) failed = 1;
        return n;
    }

private:
    QIODevice& target_;
};

}  // namespace

namespace kui {

int IsSaveTarget(const QString& name) {
    const QFileInfo info(name);  // follows links
    return !info.exists() || info.isFile() ? 1 : 0;
}

SaveResult SaveWhole(const QString& name, const std::function<bool(QIODevice&)>& write) {
    if (!IsSaveTarget(name)) return kSaveNotRegular;
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) return kSaveCannotCreate;
    // Flushed and synced here, where a failure can still cancel: commit()
    // flushes its buffer too but renames even when that write fell short
    // (a full disk, a file-size limit). The size is checked as well: the
    // PDF writer goes on after a write fell short, and says nothing.
    CheckedWriter out(file);
    if (!write(out) || out.failed || !SyncToDisk(file) || file.size() != out.pos()) {
        file.cancelWriting();
        file.commit();
        return kSaveWriteFailed;
    }
    if (!file.commit())
        return file.error() == QFileDevice::RenameError ? kSaveRenameFailed : kSaveWriteFailed;
    SyncFolderOf(name);
    return kSaveOk;
}

}  // namespace kui
