// What the file-reading fuzz targets share: a private folder (in memory
// where there is such a file system), removed at exit, and writing an
// input into it as a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The path of name inside the folder.
std::string FuzzPath(const char* name);
// Writes the bytes as the file at path (aborts when it cannot).
void FuzzWriteFile(const std::string& path, const uint8_t* data, size_t size);
