// Parameter file values: which record words become the 30 values, and how
// loaded values land in the record of the sensor connected now.
#include <gtest/gtest.h>

#include "com232/kvex_link.h"
#include "popup/paramfile.h"

namespace {

class ParamFileValues : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < kParamWords; ++i) parameter[i] = static_cast<uint16_t>(100 + i);
        hwtype = 37;
        softversion = 302;
        ccdvirtpixel = 4096;
    }
    uint32_t values[kParamFileValues] = {};
};

// Catches the wrong layout saved or word 59 saved in place of word 60.
TEST_F(ParamFileValues, StandardSaveIsWords3To17Then48To58And60To63) {
    ParamFileFromRecord(values);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(103u + i, values[i]) << i;
    for (int i = 0; i < 11; ++i) EXPECT_EQ(148u + i, values[15 + i]) << i;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(160u + i, values[26 + i]) << i;
}

// Catches a V303 or Tarvo save taken from the standard words.
TEST_F(ParamFileValues, HalfZeroFollowsTheVariantInForce) {
    softversion = 303;
    ParamFileFromRecord(values);
    EXPECT_EQ(118u, values[0]);
    EXPECT_EQ(132u, values[14]);
    hwtype = 400;
    ParamFileFromRecord(values);
    EXPECT_EQ(133u, values[0]);
    EXPECT_EQ(147u, values[14]);
}

// Catches a value above 65535 rejected or saturated instead of keeping its
// low 16 bits (70000 -> 4464), and word 59 or the request words written.
TEST_F(ParamFileValues, LoadKeepsLow16BitsAndNeverTouchesWord59) {
    for (int i = 0; i < kParamFileValues; ++i) values[i] = 1000u + i;
    values[4] = 70000;
    ParamFileToRecord(values);
    EXPECT_EQ(4464, parameter[7]);
    EXPECT_EQ(1000, parameter[3]);
    EXPECT_EQ(1014, parameter[17]);
    EXPECT_EQ(1015, parameter[48]);
    EXPECT_EQ(1025, parameter[58]);
    EXPECT_EQ(159, parameter[59]);
    EXPECT_EQ(1026, parameter[60]);
    EXPECT_EQ(1029, parameter[63]);
    EXPECT_EQ(100, parameter[0]);
    EXPECT_EQ(118, parameter[18]);  // the V303 block is not this sensor's
}

// Catches a standard file loaded onto a V303 sensor going into the
// standard words: it fills 18..32 position by position (line 8, the
// standard tolerance, becomes the V303 upper tolerance, word 25).
TEST_F(ParamFileValues, StandardFileOnV303SensorFillsTheV303Block) {
    ParamFileFromRecord(values);  // saved from the standard sensor
    softversion = 308;
    ParamFileToRecord(values);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(103 + i, parameter[18 + i]) << i;
    EXPECT_EQ(110, parameter[25]);
}

// Catches a save/load round trip that loses or moves any word.
TEST_F(ParamFileValues, RoundTripRestoresTheRecord) {
    ParamFileFromRecord(values);
    uint16_t saved[kParamWords];
    for (int i = 0; i < kParamWords; ++i) saved[i] = parameter[i];
    for (int w = 3; w < kParamWords; ++w) parameter[w] = 0;
    parameter[59] = 159;
    ParamFileToRecord(values);
    for (int w = 3; w < kParamWords; ++w) {
        if (w >= 18 && w <= 47) continue;  // other layouts are not in the file
        EXPECT_EQ(saved[w], parameter[w]) << w;
    }
}

}  // namespace
