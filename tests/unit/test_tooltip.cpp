#include <gtest/gtest.h>

#include <string>

#include "core/tooltip.h"

// Catches a heading kept, lines run together, a hyphen-broken word split,
// text past the first sentence, a dot inside a word taken as its end, or a
// write past a small buffer.
TEST(Tooltip, FirstSentenceOfAHelpText) {
    const struct {
        const char* help;
        int size;
        const char* expected;
    } kCases[] = {
        {"GET-BUTTON:\nGet parameter-frame of K-VEX sensor\nfrom EEPROM- or RAM-memory ...", 128,
         "Get parameter-frame of K-VEX sensor from EEPROM- or RAM-memory ..."},
        {"POWER:\nWith this slider, the power of the light-\nsource can be set.\nMore.", 128,
         "With this slider, the power of the light-source can be set."},
        {"SEND-BUTTON:\nSend to RAM!\nThen more", 128, "Send to RAM!"},
        {"Value 1.5 mm is fine. Next", 128, "Value 1.5 mm is fine."},
        {"HEADING:\n", 128, ""},
        {"Short text", 6, "Short"},
    };
    for (const auto& c : kCases) {
        char out[128];
        FirstSentence(c.help, out, c.size);
        EXPECT_EQ(std::string(c.expected), out) << c.help;
    }
}
