// Array helpers of the rolling history: copy and shift of double arrays,
// with the result codes of the analysis library they replace.
#include "core/arrays.h"

namespace {
enum { kErrCount = -20003, kErrShift = -20102 };
}

int Copy1D(const double* in, int n, double* out) {
    if (n < 1) return kErrCount;
    for (int i = 0; i < n; ++i) out[i] = in[i];
    return 0;
}

int Shift(const double* in, int n, int s, double* out) {
    if (n < 1) return kErrCount;
    if (s == 0) return Copy1D(in, n, out);
    const int shift = s > 0 ? s : -s;
    if (shift >= n) return kErrShift;
    if (s > 0) {
        // From the top down, so in and out may be the same array.
        for (int i = n - s - 1; i >= 0; --i) out[i + s] = in[i];
        for (int i = 0; i < s; ++i) out[i] = 0.0;
    } else {
        for (int i = 0; i < n - shift; ++i) out[i] = in[i + shift];
        for (int i = n - shift; i < n; ++i) out[i] = 0.0;
    }
    return 0;
}
