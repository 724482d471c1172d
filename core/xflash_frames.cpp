// Linearisation table and X-FLASH frames, without the platform.
//
// Protocol facts owned here: the X-FLASH holds the table in pages of 256
// words, pages 2 to 9 (2 to 5 on a Tarvo sensor, whose table is 1024
// words); pages 0 and 1 are never addressed. A write frame (command 102)
// carries the word offset within the page as its second word, the page in
// bytes 6-7 and 8 table entries in bytes 8-23; bytes 24-35 are not
// composed, they keep what the clear frame (command 101, 15 words of
// 0x00AA) left in the transmit buffer. Table entries are the file's
// unsigned values shifted by 32767 (not 32768), modulo 65536.
#include "core/xflash_frames.h"

#include "core/protocol.h"

namespace {

enum : uint16_t {
    kTarvoHwtype = 400,
    kLastPage = 9,
    kLastPageTarvo = 5,
    kClearFill = 0x00AA,
    kLinShift = 32767,
    kMaxFileValue = 65535,
};
enum { kPageByte = 6, kEntriesByte = 8 };

}  // namespace

int LinTableWords(void) {
    return hwtype == kTarvoHwtype ? kLinWordsTarvo : kLinWords;
}

uint16_t XFlashLastPage(void) {
    return hwtype == kTarvoHwtype ? kLastPageTarvo : kLastPage;
}

int XFlashIndex(uint16_t offset, uint16_t page) {
    return page * kXFlashPageWords - kXFlashFirstPage * kXFlashPageWords + offset;
}

int LinTableFromValues(const uint32_t* values, int n, uint16_t* table) {
    for (int i = 0; i < n; ++i)
        if (values[i] > kMaxFileValue) return 0;
    for (int i = 0; i < n; ++i) table[i] = static_cast<uint16_t>(values[i] + kLinShift);
    return 1;
}

void ComposeXFlashClear(char* frame) {
    PutWordAt(frame, 0, kSyncRequest);
    PutWordAt(frame, 2, CMD_XFLASH_CLEAR);
    PutWordAt(frame, 4, 0);
    for (int i = 0; i < kPayloadWords; ++i) PutWordAt(frame, 6 + 2 * i, kClearFill);
}

void ComposeXFlashWrite(char* frame, uint16_t offset, uint16_t page, const uint16_t* table) {
    PutWordAt(frame, 0, kSyncRequest);
    PutWordAt(frame, 2, CMD_XFLASH_WRITE);
    PutWordAt(frame, 4, offset);
    PutWordAt(frame, kPageByte, page);
    const uint16_t* entries = table + XFlashIndex(offset, page);
    for (int i = 0; i < kXFlashFrameWords; ++i) PutWordAt(frame, kEntriesByte + 2 * i, entries[i]);
}
