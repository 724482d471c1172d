// Parameter file save and load through the file popups; the file's format
// is in core/paramfile_format.h.
#pragma once

#include "core/paramfile_format.h"

// Opens the save or load popup in the program's folder; the chosen path
// goes into file_name. 1 when a file was chosen, 0 on cancel or when the
// chosen path does not fit the path buffer (then the status line says so).
int ChooseParamFile(int forLoading);
