// The linearisation memory service: the linearisation file, the write
// sequence into the sensor's X-FLASH (clear, then every frame of the table
// page by page) and the service switch that shows its button.
//
// The write button stays hidden and the slope field dimmed until the
// service code is typed as the recorder's increment; every use of the
// button hides and dims them again, so each transfer needs the code anew.
//
// Facts owned here: the file is text, one unsigned 16-bit decimal number
// per line, 1024 numbers for a Tarvo sensor (hwtype 400), else 2048; a
// leading UTF-8 byte-order mark is skipped and whatever follows the last
// number needed (more lines, text, a DOS end-of-file byte) is ignored. A
// file with fewer numbers, anything else than unsigned decimals, or a
// value above 65535 among them is refused, naming the line, before
// anything is sent, so the sensor's table is never cleared for a bad file. The
// transfer is reported complete only when the clear frame and every write
// frame were confirmed; STOP or quitting ends it between two frames.
#include <cstdio>

#include "KovexaV308/kovexa.h"
#include "panels/kovexa_panels.h"
#include "platform/cvi.h"

namespace {

const char kLinFileDefault[] = "XF-LINEAR.DAT";
const char kLinFileFilter[] = "*.dat";
const char kLinFileTitle[] = "K-VEX-RZ-Series-Linearisation-File";
const char kTxtLinFileUnreadable[] = "Linearisation-file refused: cannot read the file!";
const char kTxtLinFileBadLine[] = "Linearisation-file refused: line %d: not a number 0..65535!";
const char kTxtLinFileShort[] = "Linearisation-file refused: line %d: only %d of %d numbers!";
const uint32_t kLinLargest = 65535;
const char kTxtXFlashDone[] = "X-FLASH Data successfully written!";
const char kTxtXFlashIncomplete[] = "X-FLASH write NOT completed: %d of %d frames not confirmed!";

// A second click while a transfer waits would interleave two transfers.
int xflashActive;

// Clears the X-FLASH and writes the table; the number of the clear and
// write frames that were not confirmed (unsent ones included).
int WriteLinTable(int frames) {
    int done = 0, unconfirmed = 0;
    int result = ClearXFLASH();
    if (result != kXFlashAborted) {
        ++done;
        if (result != kXFlashConfirmed) ++unconfirmed;
        SetAxisScalingMode(pHandle, MAIN_GRAPHBar, VAL_XAXIS, VAL_MANUAL, 1.0, ccdvirtpixel);
        DeleteGraphPlot(pHandle, MAIN_GRAPHBar, VAL_ALL_PLOTS, VAL_IMMEDIATE_DRAW);
    }
    const uint16_t lastPage = XFlashLastPage();
    for (uint16_t page = kXFlashFirstPage; result != kXFlashAborted && page <= lastPage; ++page) {
        for (uint16_t offset = 0; offset <= kXFlashLastOffset; offset += kXFlashFrameWords) {
            result = WriteXFLASH(offset, page);
            if (result == kXFlashAborted) break;
            ++done;
            if (result != kXFlashConfirmed) ++unconfirmed;
        }
    }
    return unconfirmed + frames - done;
}

// Where and why the file was refused: the line, and how many numbers it
// held when too few.
int linRefusedLine, linNumbersRead;

void ShowLinFileRefused(int result) {
    char text[2 * kTextSize];
    if (result == kLinFileTooFew)
        std::snprintf(text, sizeof text, kTxtLinFileShort, linRefusedLine, linNumbersRead,
                      LinTableWords());
    else if (result == kLinFileBadNumber)
        std::snprintf(text, sizeof text, kTxtLinFileBadLine, linRefusedLine);
    else
        std::snprintf(text, sizeof text, "%s", kTxtLinFileUnreadable);
    SetStatus(text);
}

void WriteXFlashSequence(void) {
    const int loaded = ReadLinDataFromFile();
    if (loaded < 0) ShowLinFileRefused(loaded);
    if (loaded != 0) return;

    // STOP, quitting and a port change reach the transfer through stop_flag;
    // a loop this runs inside keeps its own state when the transfer ends.
    const int before = stop_flag;
    stop_flag = 0;
    const int frames = 1 + LinTableWords() / kXFlashFrameWords;
    const int unconfirmed = WriteLinTable(frames);
    const int stopped = stop_flag != 0;
    if (!stopped) stop_flag = before;
    if (unconfirmed == 0) {
        PlotRectangle(pHandle, MAIN_GRAPHBar, 1.0, 0.0, ccdsubpixel, 1.0, VAL_GRAY, VAL_GRAY);
        ShowStatusText(kTxtXFlashDone);
        return;
    }
    char text[2 * kTextSize];
    std::snprintf(text, sizeof text, kTxtXFlashIncomplete, unconfirmed, frames);
    SetStatus(text);
}

}  // namespace

void ShowXFlashService(int shown) {
    SetCtrlAttribute(pCalib, CALIB_BTNWriteXFLASH, ATTR_VISIBLE, shown ? 1 : 0);
    SetCtrlAttribute(pCalib, CALIB_BTNWriteXFLASH, ATTR_DIMMED, shown ? 0 : 1);
    SetCtrlAttribute(pCalib, CALIB_NUMcalSlope, ATTR_DIMMED, shown ? 0 : 1);
}

int ReadLinDataFromFile(void) {
    char path[kPathSize];
    const int chosen = FileSelectPopup(proj_dir, kLinFileDefault, kLinFileFilter, kLinFileTitle, 1,
                                       0, 1, 1, 1, path, static_cast<int>(sizeof path));
    if (chosen == VAL_NO_FILE_SELECTED) return 1;
    if (chosen < 0) return chosen;
    std::snprintf(file_name, sizeof file_name, "%s", path);
    static uint32_t values[kLinWords];
    const int n = LinTableWords();
    const int read = FileHeadToArray(file_name, values, n, kLinLargest, &linRefusedLine);
    linNumbersRead = read;
    if (read == VAL_ERR_BAD_NUMBER) return kLinFileBadNumber;
    if (read < 0) return read;
    if (read < n) return kLinFileTooFew;
    if (!LinTableFromValues(values, n, linArray)) return kLinFileBadNumber;
    return 0;
}

int CC_WriteXFLASH(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT || xflashActive) return 0;
    xflashActive = 1;
    WriteXFlashSequence();
    ShowXFlashService(0);
    xflashActive = 0;
    return 0;
}

int CC_ReadXFLASH(int, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    SetAxisScalingMode(pHandle, MAIN_GRAPHBar, VAL_XAXIS, VAL_MANUAL, 1.0, ccdsubpixel);
    DeleteGraphPlot(pHandle, MAIN_GRAPHBar, VAL_ALL_PLOTS, VAL_IMMEDIATE_DRAW);
    return 0;
}
