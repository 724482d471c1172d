#include <gtest/gtest.h>

#include <string>

#include "core/porthint.h"

// Catches a cure given for a missing device, the wrong cure for a refusal,
// the holder left unnamed, or the described text lost.
TEST(PortHint, RefusalTextNamesCauseAndCure) {
    const struct {
        PortRefusal r;
        int added;
        const char* expected;
    } kCases[] = {
        {{1, 0, nullptr},
         1,
         "Cannot open port - permission denied: add yourself to the dialout group "
         "(sudo usermod -aG dialout $USER) and log in again"},
        {{1, 1, "minicom"},
         1,
         "Cannot open port - port busy: minicom holds it; close that program"},
        {{1, 1, ""},
         1,
         "Cannot open port - port busy: another program holds it; close that program"},
    };
    for (const auto& c : kCases) {
        char out[256];
        EXPECT_EQ(c.added, PortRefusalText("Cannot open port", &c.r, out, sizeof out));
        EXPECT_EQ(std::string(c.expected), out);
    }
    char tiny[8];
    PortRefusalText("Cannot open port", &kCases[0].r, tiny, sizeof tiny);
    EXPECT_EQ(std::string("Cannot "), tiny);
}
