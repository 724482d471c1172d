// Reads of a whole 256-word buffer (video signal or trigger buffer) as four
// 64-word blocks, with the receive callback detached; the block layout is
// in core/data64_block.h.
#pragma once

#include <cstdint>

#include "core/data64_block.h"

// Reads the four blocks of one kind into buffer (256 words) around a detached receive
// callback (flushes both queues first, attaches the callback again after).
// 1 when all four arrived.
int ReadDataBlocks(uint16_t kind, uint16_t* buffer);
