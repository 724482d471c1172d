// Array helpers of the rolling history, with the result codes of the
// analysis library they replace. No platform.
#pragma once

// Copies n doubles; 0, or -20003 when n < 1.
int Copy1D(const double* in, int n, double* out);
// Shifts n doubles by s places (in and out may be the same array); 0,
// -20003 when n < 1, -20102 when |s| >= n.
int Shift(const double* in, int n, int s, double* out);
