// File, confirm, message and prompt popups over QFileDialog, QMessageBox
// and QInputDialog, and the queue of answers given in advance (script
// steps, tests).
//
// Every popup belongs to a window of the program (see PopupParent): it
// opens over it and stays in front of it, never centred on the screen
// behind it.
//
// Facts owned here: queued answers are used first, in order, without
// showing anything; with none queued and no display (offscreen platform) a
// file popup is cancelled, a confirm popup answered no, a prompt cancelled
// and a message popup skipped, so nothing ever blocks; a chosen path that
// does not fit the caller's buffer is refused (never truncated into
// another file's name).
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <cstring>
#include <deque>
#include <string>

#include "platform/cvi.h"
#include "platform/host.h"
#include "platform/userint_internal.h"

namespace {

const char kOffscreenPlatform[] = "offscreen";
const char kAllFilesFilter[] = "All files (*)";

struct FileAnswer {
    int cancel;
    std::string path;
};

std::deque<FileAnswer> gFileAnswers;
std::deque<int> gConfirmAnswers;
std::deque<FileAnswer> gPromptAnswers;

bool NoDisplay() {
    return !qobject_cast<QApplication*>(QCoreApplication::instance()) ||
           QGuiApplication::platformName() == QLatin1String(kOffscreenPlatform);
}

// "*.cfg" or "*.cfg;*.dat" as a dialog filter.
QString DialogFilter(const char* fileTypeList) {
    const QString list = kui::FromC(fileTypeList ? fileTypeList : "", nullptr).trimmed();
    if (list.isEmpty()) return QString::fromLatin1(kAllFilesFilter);
    QString patterns = list;
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    return patterns + QLatin1String(";;") + QLatin1String(kAllFilesFilter);
}

const char kFolderKey[] = "folders/";

QByteArray FolderKey(const char* fileTypeList) {
    return QByteArray(kFolderKey) + QByteArray(fileTypeList ? fileTypeList : "");
}

// Where a popup opens: the folder last chosen in a popup of that file
// type, else the program's folder; a folder the user may not write to
// (an installed program's) is no place to save into, the home folder is.
QString StartFolder(const char* defaultDirectory, const char* fileTypeList, int buttonIsLoad) {
    char remembered[kui::kPathBytes];
    if (SettingGet(FolderKey(fileTypeList).constData(), remembered, sizeof remembered) &&
        QFileInfo(QFile::decodeName(remembered)).isDir())
        return QFile::decodeName(remembered);
    QString dir = kui::FromC(defaultDirectory ? defaultDirectory : "", nullptr);
    if (dir.isEmpty()) dir = QDir::currentPath();
    if (!buttonIsLoad && !QFileInfo(dir).isWritable()) dir = QDir::homePath();
    return dir;
}

int Deliver(const QString& chosen, char* path, int pathSize, const char* fileTypeList) {
    const QByteArray bytes = QFile::encodeName(chosen);
    if (bytes.size() > pathSize - 1) {
        path[0] = '\0';
        return kui::kUiErrValue;
    }
    SettingSet(FolderKey(fileTypeList).constData(),
               QFile::encodeName(QFileInfo(chosen).absolutePath()).constData());
    std::memcpy(path, bytes.constData(), static_cast<size_t>(bytes.size()));
    path[bytes.size()] = '\0';
    return QFileInfo::exists(chosen) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
}

}  // namespace

void HostQueueFileAnswer(const char* path) {
    FileAnswer a;
    a.cancel = !path || !*path;
    a.path = path ? path : "";
    gFileAnswers.push_back(a);
}

void HostQueueConfirmAnswer(int yes) {
    gConfirmAnswers.push_back(yes ? 1 : 0);
}

void HostQueuePromptAnswer(const char* text) {
    FileAnswer a;
    a.cancel = !text;
    a.path = text ? text : "";
    gPromptAnswers.push_back(a);
}

void HostClearAnswers(void) {
    gFileAnswers.clear();
    gConfirmAnswers.clear();
    gPromptAnswers.clear();
}

int HostFileAnswersQueued(void) {
    return static_cast<int>(gFileAnswers.size());
}

int HostConfirmAnswersQueued(void) {
    return static_cast<int>(gConfirmAnswers.size());
}

int FileSelectPopup(const char* defaultDirectory, const char* defaultFileName,
                    const char* fileTypeList, const char* title, int buttonIsLoad,
                    int restrictDirectory, int restrictExtension, int allowCancel,
                    int allowMakeDirectory, char* path, int pathSize) {
    (void)restrictDirectory;
    (void)allowCancel;  // a window can always be closed: cancel stays possible
    if (!path || pathSize < 1) return kui::kUiErrValue;
    path[0] = '\0';
    kui::PopupParent();
    if (!gFileAnswers.empty()) {
        const FileAnswer a = gFileAnswers.front();
        gFileAnswers.pop_front();
        if (a.cancel) return VAL_NO_FILE_SELECTED;
        return Deliver(QFile::decodeName(a.path.c_str()), path, pathSize, fileTypeList);
    }
    if (NoDisplay()) return VAL_NO_FILE_SELECTED;

    const QString dir = StartFolder(defaultDirectory, fileTypeList, buttonIsLoad);
    QString name = kui::FromC(defaultFileName ? defaultFileName : "", nullptr);
    // A pattern is no file name to offer.
    if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'))) name.clear();
    const QString start = name.isEmpty() ? dir : QDir(dir).filePath(name);
    const QString filter = DialogFilter(fileTypeList);
    const QString caption = kui::FromC(title ? title : "", nullptr);
    QFileDialog::Options options;
    if (!allowMakeDirectory) options |= QFileDialog::ReadOnly;
    // A caller that asks about an existing file itself: one question, not two.
    if (buttonIsLoad == VAL_SELECT_BUTTON) options |= QFileDialog::DontConfirmOverwrite;
    const bool load = buttonIsLoad == 1;
    QWidget* parent = kui::PopupParent();
    QString chosen =
        load ? QFileDialog::getOpenFileName(parent, caption, start, filter, nullptr, options)
             : QFileDialog::getSaveFileName(parent, caption, start, filter, nullptr, options);
    if (chosen.isEmpty()) return VAL_NO_FILE_SELECTED;
    if (restrictExtension && !load && QFileInfo(chosen).suffix().isEmpty()) {
        // Saving under a restricted type: the type's extension is added.
        const QString first =
            filter.section(QLatin1Char(';'), 0, 0).section(QLatin1Char(' '), 0, 0);
        if (first.startsWith(QLatin1String("*.")) && first.indexOf(QLatin1Char('*'), 1) < 0)
            chosen += first.mid(1);
    }
    return Deliver(chosen, path, pathSize, fileTypeList);
}

int ConfirmPopup(const char* title, const char* message) {
    QWidget* parent = kui::PopupParent();
    if (!gConfirmAnswers.empty()) {
        const int yes = gConfirmAnswers.front();
        gConfirmAnswers.pop_front();
        return yes;
    }
    if (NoDisplay()) return 0;
    const QMessageBox::StandardButton b =
        QMessageBox::question(parent, kui::FromC(title ? title : "", nullptr),
                              kui::FromC(message ? message : "", nullptr),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return b == QMessageBox::Yes ? 1 : 0;
}

int MessagePopup(const char* title, const char* message) {
    QWidget* parent = kui::PopupParent();
    if (NoDisplay()) return 0;
    QMessageBox::information(parent, kui::FromC(title ? title : "", nullptr),
                             kui::FromC(message ? message : "", nullptr));
    return 0;
}

int PromptPopup(const char* title, const char* message, char* response, int responseSize) {
    if (!response || responseSize < 1) return 0;
    response[0] = '\0';
    QString text;
    if (!gPromptAnswers.empty()) {
        const FileAnswer a = gPromptAnswers.front();
        gPromptAnswers.pop_front();
        if (a.cancel) return 0;
        text = QString::fromUtf8(a.path.c_str());
    } else {
        if (NoDisplay()) return 0;
        bool ok = false;
        text = QInputDialog::getText(nullptr, kui::FromC(title ? title : "", nullptr),
                                     kui::FromC(message ? message : "", nullptr), QLineEdit::Normal,
                                     QString(), &ok);
        if (!ok) return 0;
    }
    kui::CopyOut(text.trimmed(), response, responseSize, 0);
    return 1;
}
