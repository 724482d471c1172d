// Saving the panels' parameter set to a parameter file and loading one into
// the record (the FILE target of SEND and GET). The format is paramfile.h's;
// the number file itself (written through a temporary file renamed over the
// target, read only when it holds exactly the numbers asked for) is the
// runtime's.
#include "popup/paramfile.h"

#include <cstdio>

#include "KovexaV308/kovexa.h"
#include "platform/cvi.h"

void SendParaToFile(void) {
    GetPanelValuesOfVariant();
    uint32_t values[kParamFileValues];
    ParamFileFromRecord(values);
    if (ArrayToFile(file_name, values, kParamFileValues, kParamFileField, VAL_TRUNCATE) < 0)
        SetStatus(kTxtParamFileWriteError);
}

void ReadParaFromFile(void) {
    char path[kPathSize];
    const int chosen =
        FileSelectPopup(proj_dir, kParamFileDefault, kParamFileFilter, kParamFileLoadTitle, 1, 0, 1,
                        1, 1, path, static_cast<int>(sizeof path));
    if (chosen != VAL_EXISTING_FILE_SELECTED && chosen != VAL_NEW_FILE_SELECTED) return;
    std::snprintf(file_name, sizeof file_name, "%s", path);
    uint32_t values[kParamFileValues];
    // A missing, short or malformed file leaves the record as it was, and
    // says so rather than looking like a successful load.
    if (FileToArray(file_name, values, kParamFileValues) < 0) {
        SetStatus(kTxtParamFileReadError);
        return;
    }
    ParamFileToRecord(values);
}
