// The 64-word block read (command 9): how a block request is laid out, how
// a 128-byte answer becomes 64 words of a 256-word buffer. No platform; the
// reads of a whole buffer are in com232/data64.h.
//
// Protocol facts owned here:
//  - request: bytes 0-1 sync 0x0055, 2-3 command 9, 4-5 first index of the
//    block (0, 64, 128 or 192), 6-7 kind (0 video signal, 1 trigger
//    buffer), 8-33 zero; bytes 34-35 keep what the previous request left
//    there (what the sensor expects in them is not known);
//  - answer: exactly 128 raw bytes, no header, 64 words high byte first,
//    read from the input queue with the receive callback detached;
//  - a buffer is read as the blocks 0, 64, 128, 192 in this order, each
//    only when the one before it arrived.
#pragma once

#include <cstdint>

enum : uint16_t {
    kBlockKindVideo = 0,
    kBlockKindTrigger = 1,
    kBlocksPerBuffer = 4,
};

// Bytes 0-33 of a block request into frame (36 bytes); 34-35 untouched.
void FillData64Request(char* frame, uint16_t start, uint16_t kind);
// The status line while block start is awaited.
const char* Data64WaitingText(uint16_t start);
// Stores a block answer of count bytes as words start..start+63 of buffer
// (256 words). 1 when stored; 0 (buffer untouched) unless count is exactly
// 128 and the block lies inside the buffer.
int StoreData64Block(const char* bytes, int count, uint16_t start, uint16_t* buffer);
