// Fuzz target: recorder header and sample lines for any words, variant,
// texts and buffer size fit and terminate or are refused, a sample line reads
// back as its values, and a split duration adds up again.
// Input: 34 bytes of values, then the date text, a zero byte, the time text.
#include <algorithm>
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/protocol.h"
#include "core/recfile.h"

namespace {

enum { kValueBytes = 34, kTextMax = 64 };
const uint16_t kVariantIds[][2] = {{37, 302}, {55, 303}, {400, 306}};  // hwtype, firmware

struct Reader {
    const uint8_t* p;
    uint16_t U16() {
        const uint16_t v = static_cast<uint16_t>(p[0] << 8 | p[1]);
        p += 2;
        return v;
    }
    uint32_t U32() {
        const uint32_t high = U16();
        return high << 16 | U16();
    }
};

void CheckFits(const char* buf, int size, int n) {
    if (n < -1 || n >= size) __builtin_trap();
    if (n >= 0 && std::strlen(buf) != static_cast<size_t>(n)) __builtin_trap();
}

void CheckSampleReadsBack(const char* line) {
    long left, right, value, edges, um;
    if (std::sscanf(line, "%ld\t%ld\t%ld\t%ld\t%ld\r\n", &left, &right, &value, &edges, &um) != 5)
        __builtin_trap();
    if (left != Ledge || right != Redge || value != Mvalue || edges != edcnt ||
        um != static_cast<int32_t>(umValue))
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kValueBytes) return 0;
    Reader r{data};
    for (int w = 60; w < 64; ++w) parameter[w] = r.U16();
    const uint16_t* id = kVariantIds[r.U16() % 3];
    hwtype = id[0];
    softversion = id[1];
    const uint16_t inc = r.U16();
    const uint16_t samples = r.U16();
    Ledge = r.U16();
    Redge = r.U16();
    Mvalue = r.U16();
    edcnt = r.U16();
    umValue = r.U32();
    const int headerSize = 1 + r.U16() % kRecHeaderSize;
    const int lineSize = 1 + r.U16() % kRecLineSize;
    const uint32_t seconds = r.U32();

    const std::string texts(reinterpret_cast<const char*>(data) + kValueBytes, size - kValueBytes);
    const size_t zero = std::min(texts.find('\0'), texts.size());
    const std::string date = texts.substr(0, std::min<size_t>(zero, kTextMax - 1));
    const std::string time = zero < texts.size() ? texts.substr(zero + 1, kTextMax - 1) : "";
    const char *d = date.c_str(), *t = time.c_str();

    char header[kRecHeaderSize];
    CheckFits(header, headerSize, FormatRecHeader(header, headerSize, d, t, inc, samples));
    // The recorder's header room always fits texts this long.
    const int full = FormatRecHeader(header, sizeof header, d, t, inc, samples);
    if (full < 0) __builtin_trap();
    CheckFits(header, sizeof header, full);

    char line[kRecLineSize];
    const int n = FormatRecSample(line, lineSize);
    CheckFits(line, lineSize, n);
    if (n >= 0) CheckSampleReadsBack(line);
    if (FormatRecSample(line, sizeof line) < 0) __builtin_trap();
    CheckSampleReadsBack(line);

    int days, hours, minutes, secs;
    SplitRecTime(seconds, &days, &hours, &minutes, &secs);
    if (hours > 23 || minutes > 59 || secs > 59 ||
        static_cast<uint64_t>(days) * 86400 + hours * 3600 + minutes * 60 + secs != seconds)
        __builtin_trap();
    return 0;
}
