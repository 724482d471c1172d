// Writing a file whole or not at all: the one path every save of the
// runtime layer takes (number files, graph tables and pictures, report
// documents and tables, screenshots). Internal to platform/; Qt Core only,
// as the number files are also built without the rest of the layer.
#pragma once

#include <QIODevice>
#include <QString>
#include <functional>

#include "platform/cvi.h"

namespace kui {

enum SaveResult {
    kSaveOk = 0,
    kSaveCannotCreate = -1,  // the folder is missing or may not be written
    kSaveWriteFailed = -2,   // a full disk, a file-size limit, an I/O error
    kSaveRenameFailed = -3,
    kSaveNotRegular = VAL_ERR_NOT_REGULAR_FILE,
};

// 1 when name is free or a regular file (through symbolic links), 0 for a
// device node, a FIFO, a socket or a folder: those are never written to
// nor replaced.
int IsSaveTarget(const QString& name);

// The content comes from write into a temporary file beside the target
// (the target of a symbolic link, so the link stays); it is flushed and
// synced, and only then renamed over the target with the target's
// permissions. On any failure the temporary file goes and an earlier file
// stays as it was.
SaveResult SaveWhole(const QString& name, const std::function<bool(QIODevice&)>& write);

// The runtime's error for a save: 0, VAL_ERR_NOT_REGULAR_FILE, or kUiErrFile.
int UiSaveResult(SaveResult r);

}  // namespace kui
