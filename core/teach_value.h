// The set point (teach value) as the user types it: a pixel position on the
// sensor's line, 1..ccdvirtpixel. No platform.
#pragma once

#include <cstdint>

// A value above virtpixel becomes virtpixel - 1 (virtpixel itself stands);
// 0 becomes 1.
uint16_t LimitTeachValue(uint16_t value, uint16_t virtpixel);
