// Fuzz target: the identification answers. A hardware frame decoded,
// stored and looked up in the model table (geometry and x positions
// derived from it), and a firmware answer of any length decoded for both
// board types into the version text.
//
// Input: 36 bytes of hardware frame, then the raw firmware answer.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/protocol.h"
#include "core/models.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kFrameSize) return 0;
    char frame[kFrameSize];
    std::memcpy(frame, data, kFrameSize);
    HardwareInfo hw;
    if (DecodeHardwareFrame(frame, &hw)) {
        StoreHardwareInfo(&hw);
        Identification id;
        IdentifySensor(&id);
        if (id.model == nullptr && !id.knownFamily) __builtin_trap();
        FillXArray();
        StepOfVirtPixel(ccdvirtpixel);
    }

    // The answer as read from the port: never more than the read buffer.
    size_t count = size - kFrameSize;
    if (count > kBufSize) count = kBufSize;
    static char raw[kBufSize];
    std::memcpy(raw, data + kFrameSize, count);
    const uint16_t kBoards[] = {0, 1};  // pcbtype 0: one character per word
    for (uint16_t board : kBoards) {
        char text[kTextSize + 1];
        const int n = DecodeFirmwareText(raw, static_cast<int>(count), board, text, sizeof text);
        if (n >= static_cast<int>(sizeof text)) __builtin_trap();
        if (n >= 0 && static_cast<int>(std::strlen(text)) != n) __builtin_trap();
        if (n < 0 && text[0] != '\0') __builtin_trap();
    }
    return 0;
}
