// Linearisation table and X-FLASH frames, without the platform.
// Table entry = file value + 32767, modulo 65536. Pages of 256 words,
// 8 words per frame; entry s = page x 256 - 512 + offset.
#pragma once

#include <cstdint>

enum {
    kLinWords = 2048,       // pages 2..9
    kLinWordsTarvo = 1024,  // pages 2..5
    kXFlashFirstPage = 2,
    kXFlashPageWords = 256,
    kXFlashFrameWords = 8,
    kXFlashLastOffset = 248,
    kLinFileBadNumber = -100,  // ReadLinDataFromFile: not a number 0..65535
    kLinFileTooFew = -101,     // ReadLinDataFromFile: the file ends too soon
};
// Entries of the table of the sensor connected now: 1024 (hwtype 400) or 2048.
int LinTableWords(void);
// Page of the table's last frame: 5 (hwtype 400) or 9.
uint16_t XFlashLastPage(void);
// Table index of a frame's first word.
int XFlashIndex(uint16_t offset, uint16_t page);
// n file values into table entries. 1; 0 (table untouched) when a value
// is above 65535.
int LinTableFromValues(const uint32_t* values, int n, uint16_t* table);
// The clear frame (command 101, 15 words 0x00AA), all 36 bytes.
void ComposeXFlashClear(char* frame);
// Bytes 0 to 23 of a write frame (command 102): offset, page and 8 entries
// of table from index XFlashIndex(offset, page). Bytes 24-35 are left alone.
void ComposeXFlashWrite(char* frame, uint16_t offset, uint16_t page, const uint16_t* table);
