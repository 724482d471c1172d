// Golden byte vectors for the request frame and the reply decoding rules.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/protocol.h"

namespace {

std::vector<uint8_t> Tx() {
    return std::vector<uint8_t>(reinterpret_cast<uint8_t*>(szWriteBuf),
                                reinterpret_cast<uint8_t*>(szWriteBuf) + kFrameSize);
}

void SetRx(const std::vector<uint8_t>& bytes) {
    std::memset(szReadBuf, 0, kFrameSize);
    std::memcpy(szReadBuf, bytes.data(), bytes.size());
}

struct RequestCase {
    const char* name;
    uint16_t command;
    uint16_t second;
    uint16_t firstWord;         // pp[0]; pp[i] = firstWord + i
    std::vector<uint8_t> head;  // bytes 0..7
};

class RequestFrame : public ::testing::TestWithParam<RequestCase> {};

// Catches a swapped byte order, a wrong sync word, or payload placed at the
// wrong offset for any command of the table.
TEST_P(RequestFrame, LaysOutSyncCommandSecondWordAndPayloadBigEndian) {
    const RequestCase& c = GetParam();
    uint16_t words[kPayloadWords];
    for (int i = 0; i < kPayloadWords; ++i) words[i] = static_cast<uint16_t>(c.firstWord + i);
    FillTxBuf(c.command, c.second, words);
    const std::vector<uint8_t> tx = Tx();
    for (size_t i = 0; i < c.head.size(); ++i) EXPECT_EQ(c.head[i], tx[i]) << "byte " << i;
    for (int i = 0; i < kPayloadWords; ++i) {
        EXPECT_EQ(words[i] >> 8, tx[6 + 2 * i]);
        EXPECT_EQ(words[i] & 0xFF, tx[7 + 2 * i]);
    }
}

// clang-format off
const RequestCase kRequests[] = {
    {"WriteRamHalf0", CMD_WRITE_RAM, 0, 500, {0x00, 0x55, 0x00, 0x01, 0x00, 0x00, 0x01, 0xF4}},
    {"WriteRamHalf1", CMD_WRITE_RAM, 1, 256, {0x00, 0x55, 0x00, 0x01, 0x00, 0x01, 0x01, 0x00}},
    {"ReadRam", CMD_READ_RAM, 1, 0, {0x00, 0x55, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00}},
    {"WriteEeprom", CMD_WRITE_EEPROM, 0, 0x1234, {0x00, 0x55, 0x00, 0x03, 0x00, 0x00, 0x12, 0x34}},
    {"ReadEeprom", CMD_READ_EEPROM, 0, 7, {0x00, 0x55, 0x00, 0x04, 0x00, 0x00, 0x00, 0x07}},
    {"Echo", CMD_ECHO, 0, 500, {0x00, 0x55, 0x00, 0x05, 0x00, 0x00, 0x01, 0xF4}},
    {"Teach", CMD_TEACH, 0, 1, {0x00, 0x55, 0x00, 0x06, 0x00, 0x00, 0x00, 0x01}},
    {"Version", CMD_VERSION, 0, 0xFFF0, {0x00, 0x55, 0x00, 0x07, 0x00, 0x00, 0xFF, 0xF0}},
    {"Measure", CMD_MEASURE, 0, 0x8000, {0x00, 0x55, 0x00, 0x08, 0x00, 0x00, 0x80, 0x00}},
    {"Hardware", CMD_HARDWARE, 0, 3, {0x00, 0x55, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x03}},
    {"ResetMaxMin", CMD_RESET_MAXMIN, 0, 9, {0x00, 0x55, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x09}},
    {"XFlashRead", CMD_XFLASH_READ, 248, 9, {0x00, 0x55, 0x00, 0x67, 0x00, 0xF8, 0x00, 0x09}}};

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, RequestFrame, ::testing::ValuesIn(kRequests),
    [](const ::testing::TestParamInfo<RequestCase>& info) { return std::string(info.param.name); });
// clang-format on

// Catches a measurement frame decoded from byte 6 (losing Ledge) or as 15 words, another reply
// decoded as 16 words (overwriting pp[15]) or from byte 4, a type compared by its low byte only
// (0x0108 is not 8), and a sync word examined here (only the line check does).
TEST(ReplyDecoding, MeasurementFillsSixteenWordsFromByte4OthersFifteenFromByte6) {
    // sync, type, and whether it is a measurement frame
    const uint16_t kRx[][3] = {{0x00AA, 8, 1}, {0x00AA, 2, 0}, {0xAA00, 0x108, 0}, {0xAA00, 8, 1}};
    for (const auto& c : kRx) {
        std::vector<uint8_t> rx = {static_cast<uint8_t>(c[0] >> 8), static_cast<uint8_t>(c[0]),
                                   static_cast<uint8_t>(c[1] >> 8), static_cast<uint8_t>(c[1])};
        for (int i = 4; i < kFrameSize; ++i) rx.push_back(static_cast<uint8_t>(0x40 + i));
        SetRx(rx);
        pp[15] = 0xBEEF;
        EXPECT_EQ(c[2], GetRxBuf()) << c[1];
        const int from = c[2] ? 4 : 6, words = c[2] ? 16 : 15;
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(i < words ? (rx[from + 2 * i] << 8) | rx[from + 2 * i + 1] : 0xBEEF, pp[i])
                << c[1] << " word " << i;
    }
}

}  // namespace
