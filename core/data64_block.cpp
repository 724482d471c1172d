// Block request layout and block answer storage, without the platform.
#include "core/data64_block.h"

#include "core/protocol.h"

namespace {

enum {
    kOffsetSync = 0,
    kOffsetCommand = 2,
    kOffsetStart = 4,
    kOffsetKind = 6,
    kFirstZeroByte = 8,
    kEndZeroBytes = 34,  // bytes 34-35 are left alone
};

struct WaitingText {
    uint16_t start;
    const char* text;
};
const WaitingText kWaitingTexts[] = {
    {0, "Waiting for Data[64] Block 0 ..."},
    {64, "Waiting for Data[64] Block 1 ..."},
    {128, "Waiting for Data[64] Block 2 ..."},
    {192, "Waiting for Data[64] Block 3 ..."},
};
const char kWaitingOther[] = "Waiting for Data[64] Block x ...";

}  // namespace

void FillData64Request(char* frame, uint16_t start, uint16_t kind) {
    PutWordAt(frame, kOffsetSync, kSyncRequest);
    PutWordAt(frame, kOffsetCommand, CMD_DATA64);
    PutWordAt(frame, kOffsetStart, start);
    PutWordAt(frame, kOffsetKind, kind);
    for (int i = kFirstZeroByte; i < kEndZeroBytes; ++i) frame[i] = 0;
}

const char* Data64WaitingText(uint16_t start) {
    for (const WaitingText& w : kWaitingTexts)
        if (w.start == start) return w.text;
    return kWaitingOther;
}

int StoreData64Block(const char* bytes, int count, uint16_t start, uint16_t* buffer) {
    if (count != kBlockBytes || start > kLineCount - kBlockWords) return 0;
    for (int i = 0; i < kBlockWords; ++i) buffer[start + i] = WordAt(bytes, 2 * i);
    return 1;
}
