#pragma once
// The Gamma function of formula texts ("GAMMA").

// Γ(x): W. J. Cody's rational approximation on [1, 2] with the recurrence up to 12, the
// Stirling series above, the reflection formula for arguments not above 0. Whole-number
// arguments give the exact factorial (the nearest double), +infinity past the largest
// finite value; the poles behave as std::tgamma's (±0 gives ±infinity, a negative whole
// number NaN). Nothing is reported; NaN gives NaN.
double Gamma(double x);
