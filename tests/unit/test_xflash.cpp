// Linearisation table and X-FLASH frames byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "KovexaV308/kovexa.h"

namespace {

// Catches the shift taken as 0x8000, a lost wrap-around, and a value above
// 65535 silently cut to its low bits (or a half-written table).
TEST(LinTable, ShiftsBy32767ModuloAndRefusesValuesAbove65535) {
    const uint32_t values[] = {0, 32768, 32769, 65535};
    uint16_t table[4] = {1, 1, 1, 1};
    ASSERT_EQ(1, LinTableFromValues(values, 4, table));
    EXPECT_EQ((std::vector<uint16_t>{32767, 65535, 0, 32766}),
              std::vector<uint16_t>(table, table + 4));
    const uint32_t bad[] = {0, 65536};
    EXPECT_EQ(0, LinTableFromValues(bad, 2, table));
    EXPECT_EQ(32767, table[0]);
}

// Catches a table size or last page chosen by firmware instead of hwtype.
TEST(LinTable, TarvoTableIsHalfAndEndsAtPageFive) {
    softversion = 306;
    hwtype = 400;
    EXPECT_EQ(1024, LinTableWords());
    EXPECT_EQ(5, XFlashLastPage());
    hwtype = 37;
    EXPECT_EQ(2048, LinTableWords());
    EXPECT_EQ(9, XFlashLastPage());
    EXPECT_EQ(0, XFlashIndex(0, 2));
    EXPECT_EQ(2047, XFlashIndex(248, 9) + 7);
}

// Catches bytes 24-35 rewritten by the write frame (they keep the clear
// frame's 00 AA words), a byte order slip, or entries of the wrong index.
TEST(XFlashFrames, WriteFrameKeepsTheClearFramesTail) {
    char frame[36];
    ComposeXFlashClear(frame);
    const unsigned char clear[6] = {0x00, 0x55, 0x00, 101, 0x00, 0x00};
    EXPECT_EQ(0, std::memcmp(frame, clear, sizeof clear));
    for (int i = 6; i < 36; i += 2) {
        EXPECT_EQ(0x00, static_cast<unsigned char>(frame[i])) << i;
        EXPECT_EQ(0xAA, static_cast<unsigned char>(frame[i + 1])) << i;
    }
    static uint16_t table[2048];
    for (int i = 0; i < 2048; ++i) table[i] = static_cast<uint16_t>(0x0100 * (i & 0xFF) + (i >> 8));
    ComposeXFlashWrite(frame, 8, 3, table);  // entries 264..271
    const unsigned char head[8] = {0x00, 0x55, 0x00, 102, 0x00, 8, 0x00, 3};
    EXPECT_EQ(0, std::memcmp(frame, head, sizeof head));
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(table[264 + k], WordAt(frame, 8 + 2 * k)) << k;
    }
    for (int i = 24; i < 36; i += 2) EXPECT_EQ(0x00AA, WordAt(frame, i)) << i;
}

}  // namespace
