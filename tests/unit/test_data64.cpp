// Block request layout and block answer storage.
#include <gtest/gtest.h>

#include "core/data64_block.h"
#include "core/protocol.h"

namespace {

// Catches a swapped field, byte order, non-zero filler, or bytes 34-35 (previous word) overwritten.
TEST(BlockRequest, StartAndKindBigEndianZerosToByte33AndTailLeftAlone) {
    char frame[kFrameSize];
    for (char& b : frame) b = static_cast<char>(0x5A);
    FillData64Request(frame, 64, 1);
    const uint8_t head[] = {0x00, 0x55, 0x00, 0x09, 0x00, 0x40, 0x00, 0x01};
    for (int i = 0; i < 34; ++i)
        EXPECT_EQ(i < 8 ? head[i] : 0, static_cast<uint8_t>(frame[i])) << i;
    EXPECT_EQ(0x5A, frame[34]);
    EXPECT_EQ(0x5A, frame[35]);
}

// Catches a block text for the wrong start or none for an odd one.
TEST(BlockRequest, WaitingTextNamesTheBlock) {
    EXPECT_STREQ("Waiting for Data[64] Block 0 ...", Data64WaitingText(0));
    EXPECT_STREQ("Waiting for Data[64] Block 3 ...", Data64WaitingText(192));
    EXPECT_STREQ("Waiting for Data[64] Block x ...", Data64WaitingText(32));
}

// Catches a short or long answer taken, a write past the buffer, wrong index or byte order.
TEST(BlockAnswer, StoresExactly128BytesInsideTheBuffer) {
    const struct {
        int count;
        uint16_t start;
        int stored;
    } kCases[] = {{128, 192, 1}, {128, 0, 1}, {130, 0, 0}, {127, 0, 0}, {128, 193, 0}};
    char bytes[130];
    for (int i = 0; i < 65; ++i) PutWordAt(bytes, 2 * i, static_cast<uint16_t>(0x0100 + i));
    for (const auto& c : kCases) {
        uint16_t buffer[kLineCount + 64];
        for (uint16_t& w : buffer) w = 0xBEEF;
        EXPECT_EQ(c.stored, StoreData64Block(bytes, c.count, c.start, buffer))
            << c.count << "@" << c.start;
        for (int i = 0; i < kLineCount + 64; ++i) {
            const bool inBlock = c.stored && i >= c.start && i < c.start + 64;
            EXPECT_EQ(inBlock ? 0x0100 + (i - c.start) : 0xBEEF, buffer[i]) << c.start << ":" << i;
        }
    }
}

}  // namespace
