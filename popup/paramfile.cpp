// Saving the record to a parameter file and loading one into it (the FILE
// target of SEND and GET; the panels are read and shown by their caller). The format is
// paramfile.h's; the number file itself (written through a temporary file renamed over the target,
// read only when it holds exactly the numbers asked for) is the runtime's.
#include "popup/paramfile.h"

#include <cstdio>

#include "core/app_state.h"
#include "core/status.h"
#include "platform/cvi.h"

int SendParaToFile(void) {
    uint32_t values[kParamFileValues];
    ParamFileFromRecord(values);
    if (ArrayToFile(file_name, values, kParamFileValues, kParamFileField, VAL_TRUNCATE) < 0) {
        SetStatus(kTxtParamFileWriteError);
        return 0;
    }
    SetStatusNaming(kTxtParamFileSaved, FileNameOf(file_name));
    return 1;
}

int ChooseParamFile(int forLoading) {
    char path[kPathSize];
    const char* title = forLoading ? kParamFileLoadTitle : kParamFileSaveTitle;
    const int chosen = FileSelectPopup(proj_dir, kParamFileDefault, kParamFileFilter, title,
                                       forLoading, 0, 1, 1, 1, path, static_cast<int>(sizeof path));
    // The popup refuses a path that does not fit: nothing was chosen, but
    // the user did choose, and is told why nothing happens.
    if (chosen < 0) SetStatus(kTxtPathTooLong);
    if (chosen != VAL_EXISTING_FILE_SELECTED && chosen != VAL_NEW_FILE_SELECTED) return 0;
    std::snprintf(file_name, sizeof file_name, "%s", path);
    return 1;
}

void ReadParaFromFile(void) {
    if (!ChooseParamFile(1)) return;
    uint32_t values[kParamFileValues];
    // A missing, short or malformed file leaves the record as it was, and
    // says so rather than looking like a successful load.
    if (FileToArray(file_name, values, kParamFileValues) < 0) {
        SetStatus(kTxtParamFileReadError);
        return;
    }
    ParamFileToRecord(values);
    SetStatusNaming(kTxtParamFileLoaded, FileNameOf(file_name));
}
