// Correction of a typed set point.
#include "core/teach_value.h"

uint16_t LimitTeachValue(uint16_t value, uint16_t virtpixel) {
    if (value > virtpixel) value = static_cast<uint16_t>(virtpixel - 1);
    if (value == 0) value = 1;
    return value;
}
