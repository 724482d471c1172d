// Protocol of the K-VEX-RZ line sensors, without the platform: frames,
// command words, the parameter record and its packed halves, the
// measurement record, the identity of the connected sensor and the link's
// state; the exchanges that speak to the sensor are in com232/kvex_link.h.
//
// Protocol facts owned here:
//  - RS-232, 19200 baud, 8 data bits, no parity, 1 stop bit, no handshake;
//  - fixed 36-byte frames, 16-bit words big-endian (high byte first);
//    request: 0x0055, command word, second word, 15 payload words;
//    reply: 0x00AA, reply type, then 16 data words (type 8, measurement)
//    or, for any other type, one word not interpreted and 15 data words;
//  - the PC always speaks first; a reply must come within TIMEOUT (1.5 s);
//  - the firmware text (72 bytes) and the 64-word data blocks (128 bytes)
//    are raw streams read with the receive callback detached.
//
// All state is global, one instance each; buffers are fixed and nothing is
// allocated per frame. Functions return 1/0 (or a count); what the user
// sees is the fixed text left in szStatus.
#pragma once

#include <cstdint>

// ------------------------------------------------------------ constants --

enum : uint16_t {
    CMD_WRITE_RAM = 1,
    CMD_READ_RAM = 2,
    CMD_WRITE_EEPROM = 3,
    CMD_READ_EEPROM = 4,
    CMD_ECHO = 5,
    CMD_TEACH = 6,
    CMD_VERSION = 7,
    CMD_MEASURE = 8,
    CMD_DATA64 = 9,
    CMD_HARDWARE = 10,
    CMD_RESET_MAXMIN = 11,
    CMD_XFLASH_CLEAR = 101,
    CMD_XFLASH_WRITE = 102,
    CMD_XFLASH_READ = 103,
};

enum {
    kFrameSize = 36,
    kBufSize = 4096,  // szWriteBuf / szReadBuf reserve
    kPayloadWords = 15,
    kMeasureWords = 16,
    kParamWords = 64,
    kTextSize = 72,  // szStatus, szVersion, firmware answer
    kPathSize = 260,
    kLineCount = 256,  // marker lines, adcbuf, x arrays
    kBlockWords = 64,  // one data block
    kBlockBytes = 128,
    kSyncRequest = 0x0055,
    kSyncReply = 0x00AA,
    kEventMask = 0x8006,
    kNotifyCount = 36,
    kEventChar = 0x55,
    kBaudRate = 19200,
    kQueueSize = 4096,
    kReplyTypeMeasure = 8,
};

// Transfer targets (also the source of GET).
enum { RAM = 1, EEPROM = 2, DATFILE = 3 };

// Sensor variants, chosen by VariantOf().
enum Variant { VARIANT_STANDARD = 0, VARIANT_V303 = 1, VARIANT_TARVO = 2 };

extern const double TIMEOUT;  // 1.5 s
extern const int eventMask;   // 0x8006

// Status texts (fixed, shown as they stand).
extern const char kTxtLineOk[];           // "Echo Check - Line Ok!"
extern const char kTxtNotSync[];          // "read error - not sync byte 0xAA!"
extern const char kTxtTimeout[];          // "Timeout-RS-232..."
extern const char kTxtTimeoutLine[];      // "Timeout RS232-Line!"
extern const char kTxtTimeoutFirmware[];  // "Timeout - reading firmware info!"
extern const char kTxtTimeoutData64[];    // "Timeout-RS-232 while reading 64 data-words!"
extern const char kTxtBlockReceived[];    // "Data[64] block received!"
extern const char kTxtHardwareError[];    // "Error reading HARDWARE-info!"
extern const char kTxtFirmwareError[];    // "Error reading firmware-info!"
extern const char kTxtSent[];             // "Line Ok!"
extern const char kTxtWaitingParam[];     // "Waiting for parameter-frame ..."
extern const char kTxtParamReceived[];    // "Parameter-frame received! - Line Ok!"
extern const char kTxtWaitingFirmware[];  // "Waiting for firmware info ..."
extern const char kTxtInitCom[];          // "Init COM-Port ..."
extern const char kTxtPortClosed[];       // "Port is not open - choose the port again!"

// ------------------------------------------------------------- link state

extern int com;                     // open port number, default 1
extern int com_start;               // port opened at start: 1, or n of --port COMn
extern char szWriteBuf[kBufSize];   // request frame being sent (36 used)
extern char szReadBuf[kBufSize];    // last reply frame or raw stream
extern uint16_t pp[kMeasureWords];  // packed payload / decoded reply
extern int rx_flag;                 // 1: a 36-byte frame was read
extern int graph_flag;              // 1: last frame was a measurement frame
extern int stop_flag;               // 0 running, 1 stopped, 2/3 recorder ends
extern int nBytesW;
extern int nBytesR;
extern char szStatus[kTextSize];

// ----------------------------------------------------- parameter record --

extern uint16_t parameter[kParamWords];

// Measurement record (reply to CMD_MEASURE).
extern uint16_t Ledge, Redge, Mvalue, tol, edcnt, mvstart, mvend, dynpow, anaMax, anaMin, in0,
    videoMax, raw15;
extern uint32_t umValue;

// Marker lines: one value repeated.
extern int16_t trgArray[kLineCount];
extern int16_t REFArray[kLineCount];
extern int16_t upTHDArray[kLineCount];
extern int16_t loTHDArray[kLineCount];
extern uint16_t thdArray[kLineCount];

// ------------------------------------------------------ sensor identity --

extern uint16_t ccdtype, ccdmaxpixel, ccdresolution, pcbtype, ccdvirtpixel, ccdsubpixel, ccdpixB,
    ccdpixE, softversion, hwtype, adcmax;
extern uint16_t HWTYPE;    // 0 unidentified, 1 edge model, 2 peak model
extern uint16_t ADCMAX;    // video full scale: 1024 or 256 (255 at start)
extern uint16_t YAXISMAX;  // y range of the data graph
extern uint16_t pixB, pixE;
extern char szVersion[kTextSize + 1];  // firmware text, always terminated
extern double xArray[kLineCount];      // x of video point i: i * step
extern double xArray256[kLineCount];   // i

// ------------------------------------------------ frames (no platform) --

// Big-endian 16-bit word at byte offset at of a frame buffer.
inline uint16_t WordAt(const char* buf, int at) {
    return static_cast<uint16_t>((static_cast<uint8_t>(buf[at]) << 8) |
                                 static_cast<uint8_t>(buf[at + 1]));
}
inline void PutWordAt(char* buf, int at, uint16_t w) {
    buf[at] = static_cast<char>(w >> 8);
    buf[at + 1] = static_cast<char>(w & 0xFF);
}

// Writes the 36-byte request into szWriteBuf.
void FillTxBuf(uint16_t command, uint16_t second, const uint16_t* words);
// Decodes szReadBuf into pp; 1 for a measurement frame (reply type 8).
int GetRxBuf(void);
// 1 when the frame in szReadBuf opens with the reply sync word 0x00AA;
// one without it is garbage, whatever its type says.
int ReplyInSync(void);

// ---------------------------------------------- packing (no platform) --

Variant VariantOf(void);  // hwtype 400 Tarvo; softversion < 303 standard; else V303
// First record word of half 0 for the variant in force: 3, 18 or 33.
int HalfZeroBase(void);
void CopyVarsToPP(uint16_t half);
void CopyPPtoVars(uint16_t half);
void CopyPPtoRAWVars(void);
// Refills trgArray, REFArray, upTHDArray, loTHDArray from the trigger
// threshold, the standard layout's teach word and the V303 tolerances.
void FillMarkerLines(void);
// Refills REFArray, upTHDArray, loTHDArray around teach with the V303
// tolerances (16-bit signed limits, lower raised to 0, upper lowered to
// ccdvirtpixel).
void FillTeachLines(uint16_t teach);
