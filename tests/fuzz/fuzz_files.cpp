// The fuzz targets' private folder: each input is written and read as a
// file, so it lives in memory where it can.
#include "tests/fuzz/fuzz_files.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

std::string gDir;

void RemoveDir() {
    if (DIR* d = opendir(gDir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') std::remove((gDir + "/" + e->d_name).c_str());
        closedir(d);
    }
    rmdir(gDir.c_str());
}

const std::string& Dir() {
    if (gDir.empty()) {
        char shm[] = "/dev/shm/kovexa-fuzz-XXXXXX";
        char tmp[] = "/tmp/kovexa-fuzz-XXXXXX";
        char* templ = mkdtemp(shm) ? shm : mkdtemp(tmp);
        if (!templ) std::abort();
        gDir = templ;
        std::atexit(RemoveDir);
    }
    return gDir;
}

}  // namespace

std::string FuzzPath(const char* name) {
    return Dir() + "/" + name;
}

void FuzzWriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}
