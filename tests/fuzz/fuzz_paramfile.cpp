// Fuzz target: the parameter file. Any text read as a parameter file by
// the number-file reader; what loads goes into the record of each variant
// and is written back and read again, which must give the same 30 values
// (their low 16 bits, which is what the record keeps).
//
// Input: the file's bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/protocol.h"
#include "platform/cvi.h"
#include "core/paramfile_format.h"
#include "tests/fuzz/fuzz_files.h"

namespace {

const uint16_t kVariantIds[][2] = {{37, 302}, {55, 303}, {400, 306}};  // hwtype, firmware

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = FuzzPath("in.cfg");
    const std::string out = FuzzPath("out.cfg");
    FuzzWriteFile(in, data, size);
    uint32_t values[kParamFileValues];
    if (FileToArray(in.c_str(), values, kParamFileValues) < 0) return 0;

    const uint16_t* id = kVariantIds[size % 3];
    hwtype = id[0];
    softversion = id[1];
    ParamFileToRecord(values);
    uint32_t saved[kParamFileValues];
    ParamFileFromRecord(saved);
    for (int i = 0; i < kParamFileValues; ++i)
        if (saved[i] != (values[i] & 0xFFFF)) __builtin_trap();

    if (ArrayToFile(out.c_str(), saved, kParamFileValues, kParamFileField, VAL_TRUNCATE) < 0)
        __builtin_trap();
    uint32_t again[kParamFileValues];
    if (FileToArray(out.c_str(), again, kParamFileValues) < 0) __builtin_trap();
    if (std::memcmp(again, saved, sizeof again) != 0) __builtin_trap();
    return 0;
}
