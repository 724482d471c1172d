// The parameter record and its two packed halves, the measurement record,
// and the marker lines derived from the record.
//
// Half 0 is 15 words of the layout in force (standard 3..17, V303 18..32,
// Tarvo 33..47); half 1 is common: words 48..58 then 60..63. Word 59 never
// travels. The layout is chosen again at every pack and unpack, because the
// sensor on the line may change between two transfers.
#include "core/protocol.h"
#include "core/record_layout.h"
#include "core/sanitize.h"

namespace {

enum {
    kHalfOneFirst = 48,  // words 48..58 -> pp[0..10]
    kHalfOneLead = 11,
    kHalfOneTail = 60,  // words 60..63 -> pp[11..14]
    kTarvoHwtype = 400,
    kV303Firmware = 303,
};

// The marker lines follow the standard layout's teach word with the V303
// tolerances, whatever layout is in force; a typed teach value too.
constexpr int kMarkerTeachWord = RecordWord(VARIANT_STANDARD, FIELD_TEACH);
constexpr int kMarkerTolHighWord = RecordWord(VARIANT_V303, FIELD_TOLERANCE_HIGH);
constexpr int kMarkerTolLowWord = RecordWord(VARIANT_V303, FIELD_TOLERANCE);

// The sensor's teach value is the same quantity in every layout: it goes
// into all three, in this order.
const Variant kTeachCopies[] = {VARIANT_TARVO, VARIANT_STANDARD, VARIANT_V303};

// Record word that pp[i] of a half maps to.
int HalfWord(uint16_t half, int i) {
    if (half == 0) return HalfZeroBase() + i;
    return i < kHalfOneLead ? kHalfOneFirst + i : kHalfOneTail + (i - kHalfOneLead);
}

void FillLine(int16_t* line, int16_t value) {
    for (int i = 0; i < kLineCount; ++i) line[i] = value;
}

}  // namespace

Variant VariantOf(void) {
    if (hwtype == kTarvoHwtype) return VARIANT_TARVO;
    return softversion < kV303Firmware ? VARIANT_STANDARD : VARIANT_V303;
}

int HalfZeroBase(void) {
    return HalfZeroFirstWord(VariantOf());
}

void FillMarkerLines(void) {
    FillLine(trgArray, static_cast<int16_t>(parameter[kWordTriggerThreshold]));
    FillTeachLines(parameter[kMarkerTeachWord]);
}

void FillTeachLines(uint16_t teach) {
    FillLine(REFArray, static_cast<int16_t>(teach));
    FillLine(upTHDArray, UpperLimit(teach, parameter[kMarkerTolHighWord], ccdvirtpixel));
    FillLine(loTHDArray, LowerLimit(teach, parameter[kMarkerTolLowWord]));
}

void CopyVarsToPP(uint16_t half) {
    for (int i = 0; i < kPayloadWords; ++i) pp[i] = parameter[HalfWord(half, i)];
    FillMarkerLines();
}

void CopyPPtoVars(uint16_t half) {
    for (int i = 0; i < kPayloadWords; ++i) parameter[HalfWord(half, i)] = pp[i];
    FillMarkerLines();
}

void CopyPPtoRAWVars(void) {
    Ledge = pp[0];
    Redge = pp[1];
    Mvalue = pp[2];
    umValue = static_cast<uint32_t>(pp[3]) | (static_cast<uint32_t>(pp[4]) << 16);
    for (Variant v : kTeachCopies) parameter[RecordWord(v, FIELD_TEACH)] = pp[5];
    tol = pp[6];
    edcnt = pp[7];
    mvstart = pp[8];
    mvend = pp[9];
    dynpow = pp[10];
    anaMax = pp[11];
    anaMin = pp[12];
    in0 = pp[13];
    videoMax = pp[14];
    raw15 = pp[15];
}
