// Fuzz target: any 36 bytes as a reply frame, through the receive path's
// decoding and what the program does with a reply: the measurement record,
// a parameter half for each sensor variant, sanitising, and the next
// request built from the record.
//
// Input: one selector byte (variant, half), then the 36 reply bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/protocol.h"
#include "core/sanitize.h"

namespace {

struct Identity {
    uint16_t hwtype, softversion, virtpixel;
};
const Identity kIdentities[] = {
    {37, 302, 4096}, {55, 303, 4096}, {400, 306, 1024}, {500, 306, 1024}, {37, 308, 2048},
};
enum { kIdentityCount = sizeof kIdentities / sizeof kIdentities[0] };

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 + kFrameSize) return 0;
    const uint8_t selector = data[0];
    const Identity& id = kIdentities[selector % kIdentityCount];
    hwtype = id.hwtype;
    softversion = id.softversion;
    ccdvirtpixel = id.virtpixel;
    const uint16_t half = (selector >> 7) & 1;

    std::memcpy(szReadBuf, data + 1, kFrameSize);
    graph_flag = GetRxBuf();
    const int type = static_cast<int16_t>(WordAt(szReadBuf, 2));
    if (graph_flag != (type == kReplyTypeMeasure ? 1 : 0)) __builtin_trap();

    if (graph_flag) {
        CopyPPtoRAWVars();
    } else {
        CopyPPtoVars(half);
    }
    const Variant variant = VariantOf();
    SanitizeVariant(variant, parameter, ccdvirtpixel);
    // A sanitised record is left as it is by a second pass.
    uint16_t once[kParamWords];
    std::memcpy(once, parameter, sizeof once);
    SanitizeVariant(variant, parameter, ccdvirtpixel);
    if (std::memcmp(once, parameter, sizeof once) != 0) __builtin_trap();

    CopyVarsToPP(half);
    FillTxBuf(CMD_MEASURE, 0, pp);
    if (WordAt(szWriteBuf, 0) != kSyncRequest) __builtin_trap();
    return 0;
}
