// Files written whole or not at all: graph tables and pictures, and any
// text the program saves as one piece (report tables). Each goes through
// SaveWhole, which writes a temporary file beside the target and renames
// it only after every byte is on disk, so a full disk, a missing folder or
// a read-only place never leaves a partial file under the chosen name, and
// a device node, FIFO or folder is refused.
//
// Facts owned here: a graph saved as "*.csv" is its table (GraphTableText),
// as "*.png" its picture (as QCustomPlot's savePng draws it); any other
// extension is refused.
#include "platform/savefile.h"

#include <QByteArray>
#include <QFileInfo>
#include <QString>

#include "platform/cvi.h"
#include "platform/userint_internal.h"

namespace {

const char kCsvSuffix[] = "csv";
const char kPngSuffix[] = "png";

}  // namespace

int kui::UiSaveResult(SaveResult r) {
    if (r == kSaveOk) return 0;
    return r == kSaveNotRegular ? int{VAL_ERR_NOT_REGULAR_FILE} : int{kUiErrFile};
}

int SaveTextFile(const char* path, const char* data, int length) {
    if (!path || !*path || length < 0 || (length > 0 && !data)) return kui::kUiErrValue;
    return kui::UiSaveResult(kui::SaveWhole(QFile::decodeName(path), [&](QIODevice& file) {
        return file.write(data, length) == length;
    }));
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
    return kui::UiSaveResult(
        kui::SaveWhole(name, [&](QIODevice& file) { return picture.save(&file, "PNG"); }));
}
