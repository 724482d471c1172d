// Fuzz target: the parameter file. Any text read as a parameter file by
// the number-file reader; what loads goes into the record of each variant
// and is written back and read again, which must give the same 30 values
// (their low 16 bits, which is what the record keeps).
//
// Input: the file's bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "com232/kvex_link.h"
#include "platform/cvi.h"
#include "popup/paramfile.h"

namespace {

std::string gDir;

void RemoveDir() {
    const char* const kFiles[] = {"/in.cfg", "/out.cfg"};
    for (const char* name : kFiles) std::remove((gDir + name).c_str());
    rmdir(gDir.c_str());
}

const std::string& Dir() {
    if (gDir.empty()) {
        // In memory where there is such a file system: the target writes
        // and reads two files per input.
        char shm[] = "/dev/shm/kovexa-fuzz-XXXXXX";
        char tmp[] = "/tmp/kovexa-fuzz-XXXXXX";
        char* templ = mkdtemp(shm) ? shm : mkdtemp(tmp);
        if (!templ) std::abort();
        gDir = templ;
        std::atexit(RemoveDir);
    }
    return gDir;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

const uint16_t kVariantIds[][2] = {{37, 302}, {55, 303}, {400, 306}};  // hwtype, firmware

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = Dir() + "/in.cfg";
    const std::string out = Dir() + "/out.cfg";
    WriteFile(in, data, size);
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
