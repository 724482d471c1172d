// Fuzz target: any linearisation file, read for a standard (even length) or
// Tarvo sensor (odd): an accepted table holds each value + 32767 and every
// write frame carries exactly its entries; a refused one is left untouched.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/protocol.h"
#include "core/xflash_frames.h"
#include "platform/cvi.h"
#include "tests/fuzz/fuzz_files.h"

namespace {

enum : uint16_t { kTarvoHwtype = 400, kStandardHwtype = 37, kLinShift = 32767, kMark = 0xA5A5 };

uint32_t gValues[kLinWords];
uint16_t gTable[kLinWords];

void CheckFrames(int words) {
    char frame[kFrameSize];
    ComposeXFlashClear(frame);
    if (WordAt(frame, 2) != CMD_XFLASH_CLEAR) __builtin_trap();
    const int pages = words / kXFlashPageWords;
    if (XFlashLastPage() != kXFlashFirstPage + pages - 1) __builtin_trap();
    for (uint16_t page = kXFlashFirstPage; page <= XFlashLastPage(); ++page) {
        for (uint16_t offset = 0; offset <= kXFlashLastOffset; offset += kXFlashFrameWords) {
            const int index = XFlashIndex(offset, page);
            if (index < 0 || index + kXFlashFrameWords > words) __builtin_trap();
            ComposeXFlashWrite(frame, offset, page, gTable);
            if (WordAt(frame, 4) != offset || WordAt(frame, 6) != page) __builtin_trap();
            for (int i = 0; i < kXFlashFrameWords; ++i)
                if (WordAt(frame, 8 + 2 * i) != gTable[index + i]) __builtin_trap();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    hwtype = size % 2 ? kTarvoHwtype : kStandardHwtype;
    const std::string in = FuzzPath("lin.dat");
    FuzzWriteFile(in, data, size);
    const int words = LinTableWords();
    int line = 0;
    const int read = FileHeadToArray(in.c_str(), gValues, words, 65535, &line);
    if (line < 1) __builtin_trap();  // a refusal always leads to a line
    if (read != words) return 0;

    for (uint16_t& w : gTable) w = kMark;
    if (!LinTableFromValues(gValues, words, gTable)) {
        for (const uint16_t w : gTable)
            if (w != kMark) __builtin_trap();
        return 0;
    }
    for (int i = 0; i < words; ++i) {
        if (gValues[i] > 65535) __builtin_trap();
        if (gTable[i] != static_cast<uint16_t>(gValues[i] + kLinShift)) __builtin_trap();
    }
    CheckFrames(words);
    return 0;
}
