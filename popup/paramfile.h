// Parameter file save and load through the file popups; the file's format
// is in core/paramfile_format.h.
#pragma once

#include "core/paramfile_format.h"

// Opens the save or load popup in the program's folder; the chosen path
// goes into file_name. 1 when a file was chosen, 0 on cancel or when the
// chosen path does not fit the path buffer (then the status line says so).
int ChooseParamFile(int forLoading);
// Writes both halves of the record to file_name; 1 when the file was written.
int SendParaToFile(void);
// Chooses a file and loads it into the record (the record stays as it was
// when the file is missing, short or malformed).
void ReadParaFromFile(void);
