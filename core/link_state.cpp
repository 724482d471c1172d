// The link's single instances: frames, payload, flags, parameter and
// measurement records, the connected sensor's identity, and the fixed
// status texts. Start values are the program image's; InitVars sets the rest.
#include "core/protocol.h"

const double TIMEOUT = 1.5;
const int eventMask = kEventMask;

const char kTxtLineOk[] = "Echo Check - Line Ok!";
const char kTxtNotSync[] = "read error - not sync byte 0xAA!";
const char kTxtTimeout[] = "Timeout-RS-232...";
const char kTxtTimeoutLine[] = "Timeout RS232-Line!";
const char kTxtTimeoutFirmware[] = "Timeout - reading firmware info!";
const char kTxtTimeoutData64[] = "Timeout-RS-232 while reading 64 data-words!";
const char kTxtBlockReceived[] = "Data[64] block received!";
const char kTxtHardwareError[] = "Error reading HARDWARE-info!";
const char kTxtFirmwareError[] = "Error reading firmware-info!";
const char kTxtSent[] = "Line Ok!";
const char kTxtWaitingParam[] = "Waiting for parameter-frame ...";
const char kTxtParamReceived[] = "Parameter-frame received! - Line Ok!";
const char kTxtWaitingFirmware[] = "Waiting for firmware info ...";
const char kTxtInitCom[] = "Init COM-Port ...";
const char kTxtPortClosed[] = "Port is not open - choose the port again!";

int com = 1;
int com_start = 1;
char szWriteBuf[kBufSize];
char szReadBuf[kBufSize];
uint16_t pp[kMeasureWords];
int rx_flag;
int graph_flag;
int stop_flag = 1;
int nBytesW;
int nBytesR;
char szStatus[kTextSize];

uint16_t parameter[kParamWords];

uint16_t Ledge, Redge, Mvalue, tol, edcnt, mvstart, mvend, dynpow, anaMax, anaMin, in0,
    videoMax = 1, raw15;
uint32_t umValue;

int16_t trgArray[kLineCount];
int16_t REFArray[kLineCount];
int16_t upTHDArray[kLineCount];
int16_t loTHDArray[kLineCount];
uint16_t thdArray[kLineCount];

uint16_t ccdtype, ccdmaxpixel = 1024, ccdresolution, pcbtype = 101, ccdvirtpixel = 4096,
                  ccdsubpixel, ccdpixB, ccdpixE, softversion, hwtype = 37, adcmax;
uint16_t HWTYPE;
uint16_t ADCMAX = 255;
uint16_t YAXISMAX = 2048;
uint16_t pixB = 1, pixE = 1024;
char szVersion[kTextSize + 1];
double xArray[kLineCount];
double xArray256[kLineCount];
