#pragma once
// The Gamma function of formula texts ("GAMMA") and the polygamma functions of its derivatives.

// Γ(x): W. J. Cody's rational approximation on [1, 2] with the recurrence up to 12, the
// Stirling series above, the reflection formula for arguments not above 0. Whole-number
// arguments give the exact factorial (the nearest double), +infinity past the largest
// finite value; the poles behave as std::tgamma's (±0 gives ±infinity, a negative whole
// number NaN). Nothing is reported; NaN gives NaN.
double Gamma(double x);

// ψ⁽ⁿ⁾(x), the n-th derivative of the digamma function ψ = Γ'/Γ (order 0 is ψ itself), for
// n >= 0: the recurrence ψ⁽ⁿ⁾(x) = ψ⁽ⁿ⁾(x+1) − (−1)ⁿ·n!/xⁿ⁺¹ up to x >= n + 10, then the
// asymptotic series with Bernoulli numbers up to B₂₀; below 0 the reflection formula. NaN at
// the poles (0 and the negative whole numbers), for a negative order and for NaN.
double Polygamma(int order, double x);
