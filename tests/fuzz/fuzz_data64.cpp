// Fuzz target: the 64-word block read. Any answer of any length taken as
// the block of any start, and the four blocks of a whole buffer: a block
// is stored only when it is exactly 128 bytes inside the 256-word buffer,
// word for word high byte first, and nothing outside it changes. The
// request for that start keeps its fixed layout.
//
// Input: the start word (2 bytes, high first), then the answer's bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/data64_block.h"
#include "core/protocol.h"

namespace {

enum { kGuardWords = 64, kFill = 0xBEEF };
// The buffer with a guard band behind it: a block stored past its end
// shows in the guard (AddressSanitizer would not see it inside one array).
uint16_t gBuffer[kLineCount + kGuardWords];

void CheckBlock(const char* bytes, int count, uint16_t start) {
    for (uint16_t& w : gBuffer) w = kFill;
    const int stored = StoreData64Block(bytes, count, start, gBuffer);
    const int fits = count == kBlockBytes && start <= kLineCount - kBlockWords;
    if (stored != fits) __builtin_trap();
    for (int i = 0; i < kLineCount + kGuardWords; ++i) {
        const bool inBlock = stored && i >= start && i < start + kBlockWords;
        const uint16_t expected = inBlock ? WordAt(bytes, 2 * (i - start)) : kFill;
        if (gBuffer[i] != expected) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint16_t start = static_cast<uint16_t>(data[0] << 8 | data[1]);
    const char* bytes = reinterpret_cast<const char*>(data + 2);
    const int count = static_cast<int>(size - 2 > 4 * kBlockBytes ? 4 * kBlockBytes : size - 2);

    char frame[kFrameSize];
    std::memset(frame, 0x5A, sizeof frame);
    FillData64Request(frame, start, start & 1);
    if (WordAt(frame, 0) != kSyncRequest || WordAt(frame, 2) != CMD_DATA64 ||
        WordAt(frame, 4) != start || frame[34] != 0x5A || frame[35] != 0x5A)
        __builtin_trap();
    if (!Data64WaitingText(start)) __builtin_trap();

    CheckBlock(bytes, count, start);
    // The same bytes as the four answers of a whole buffer, each of the
    // length the input leaves for it.
    for (int block = 0; block < kBlocksPerBuffer; ++block) {
        const int offset = block * kBlockBytes;
        const int left = count - offset > 0 ? count - offset : 0;
        CheckBlock(bytes + (left > 0 ? offset : 0), left > kBlockBytes ? kBlockBytes : left,
                   static_cast<uint16_t>(block * kBlockWords));
    }
    return 0;
}
