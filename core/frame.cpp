// Building request frames and decoding reply frames. Every 16-bit word on
// the wire is big-endian; a request is 0x0055, command, second word and 15
// payload words; a measurement reply (type 8) carries 16 words from byte 4,
// any other reply 15 words from byte 6 (bytes 4-5 not interpreted).
#include "core/protocol.h"

void FillTxBuf(uint16_t command, uint16_t second, const uint16_t* words) {
    PutWordAt(szWriteBuf, 0, kSyncRequest);
    PutWordAt(szWriteBuf, 2, command);
    PutWordAt(szWriteBuf, 4, second);
    for (int i = 0; i < kPayloadWords; ++i) PutWordAt(szWriteBuf, 6 + 2 * i, words[i]);
}

int GetRxBuf(void) {
    const int16_t type = static_cast<int16_t>(WordAt(szReadBuf, 2));
    if (type == kReplyTypeMeasure) {
        for (int i = 0; i < kMeasureWords; ++i) pp[i] = WordAt(szReadBuf, 4 + 2 * i);
        return 1;
    }
    // pp[15] keeps the last measurement word: only 15 words travel here.
    for (int i = 0; i < kPayloadWords; ++i) pp[i] = WordAt(szReadBuf, 6 + 2 * i);
    return 0;
}

int ReplyInSync(void) {
    return WordAt(szReadBuf, 0) == kSyncReply ? 1 : 0;
}
