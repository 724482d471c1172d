// Files written whole or not at all: graph tables and pictures, and any
// text the program saves as one piece (report tables). Each goes through
// QSaveFile, which writes a temporary file beside the target and renames
// it only after every byte is on disk, so a full disk, a missing folder or
// a read-only place never leaves a partial file under the chosen name.
//
// Facts owned here: a graph saved as "*.csv" is its table (GraphTableText),
// as "*.png" its picture (as QCustomPlot's savePng draws it); any other
// extension is refused.
#include <QByteArray>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include "platform/cvi.h"
#include "platform/userint_internal.h"

namespace {

const char kCsvSuffix[] = "csv";
const char kPngSuffix[] = "png";

// commit() flushes what is still buffered but renames even when that write
// falls short (a full disk, a file-size limit): flush first, and cancel.
int Commit(QSaveFile& file) {
    if (!file.flush()) {
        file.cancelWriting();
        file.commit();
        return kui::kUiErrFile;
    }
    return file.commit() ? 0 : kui::kUiErrFile;
}

}  // namespace

int SaveTextFile(const char* path, const char* data, int length) {
    if (!path || !*path || length < 0 || (length > 0 && !data)) return kui::kUiErrValue;
    QSaveFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::WriteOnly)) return kui::kUiErrFile;
    if (file.write(data, length) != length) {
        file.cancelWriting();
        file.commit();
        return kui::kUiErrFile;
    }
    return Commit(file);
}

int SaveGraphFile(int panel, int control, const char* path) {
    kui::Ctrl* c = kui::FindCtrl(panel, control);
    if (!c) return kui::FindPanel(panel) ? kui::kUiErrControl : kui::kUiErrPanel;
    if (c->kind != kui::kKindGraph) return kui::kUiErrKind;
    if (!path || !*path) return kui::kUiErrValue;
    const QString name = QFile::decodeName(path);
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == QLatin1String(kCsvSuffix)) {
        QString table;
        if (!kui::GraphTableText(c, &table)) return kui::kUiErrKind;
        const QByteArray bytes = table.toUtf8();
        return SaveTextFile(path, bytes.constData(), static_cast<int>(bytes.size()));
    }
    if (suffix != QLatin1String(kPngSuffix)) return kui::kUiErrValue;
    const QPixmap picture = kui::GraphPicture(c, 0, 0);
    if (picture.isNull()) return kui::kUiErrKind;
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) return kui::kUiErrFile;
    if (!picture.save(&file, "PNG")) {
        file.cancelWriting();
        file.commit();
        return kui::kUiErrFile;
    }
    return Commit(file);
}
