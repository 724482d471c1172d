// Parameter file values to and from the record (see paramfile.h). The file
// carries exactly the two packed halves a SEND would transmit.
#include "core/paramfile_format.h"

#include "core/protocol.h"

const char kParamFileDefault[] = "KVEXpara.cfg";
const char kParamFileFilter[] = "*.cfg";
const char kParamFileSaveTitle[] = "K-VEX-RZ-Series Parameter File";
const char kParamFileLoadTitle[] = "K-VEX-RZ-Series-Parameter-File";
const char kTxtParamFileWriteError[] = "Error writing parameter-file!";
const char kTxtParamFileReadError[] = "Error reading parameter-file!";
const char kTxtParamFileSaved[] = "Parameter-file saved:";
const char kTxtParamFileLoaded[] = "Parameter-file loaded:";
const char kTxtPathTooLong[] = "Path of the chosen file is too long!";

void ParamFileFromRecord(uint32_t* values) {
    for (uint16_t half = 0; half < 2; ++half) {
        CopyVarsToPP(half);
        for (int i = 0; i < kPayloadWords; ++i) values[half * kPayloadWords + i] = pp[i];
    }
}

void ParamFileToRecord(const uint32_t* values) {
    for (uint16_t half = 0; half < 2; ++half) {
        // Old files may hold values above 65535: they keep their low bits.
        for (int i = 0; i < kPayloadWords; ++i)
            pp[i] = static_cast<uint16_t>(values[half * kPayloadWords + i] & 0xFFFFu);
        CopyPPtoVars(half);
    }
}
