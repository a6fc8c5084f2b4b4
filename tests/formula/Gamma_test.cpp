// The Gamma function: Cody's branches, whole numbers, poles and overflow.

#include "FormulaTesting.h"

#include <limits>

using namespace formula_testing;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct GammaCase {
    double x;
    double expected;
    double tolerance; // relative; 0 means bit-exact
};

const GammaCase kGammaCases[] = {
    // recurrence onto Γ(1) = 1: exact whole numbers
    {1, 1, 0},
    {2, 1, 0},
    {3, 2, 0},
    {5, 24, 0},
    {12, 39916800, 0},
    // whole numbers past the rational branch are the exact factorial, not a rounded series value
    {13, 479001600, 0},
    {21, 2432902008176640000.0, 0},
    {23, 1124000727777607680000.0, 0},
    {171, 7.257415615307999e306, 0}, // 170!, the largest finite value
    {172, kInf, 0},
    {1e10, kInf, 0},
    // rational branch and reflection
    {0.5, 1.772453850905516, 1e-15},
    {1.5, 0.886226925452758, 1e-15},
    {-0.5, -3.5449077018110318, 1e-15},
    {-2.5, -0.9453087204829418, 1e-15},
    // Stirling branch
    {13.5, 1710542068.31957, 1e-14},
    {100.5, 9.32096310408e156, 1e-11},
    {171.5, 9.4833675668e307, 1e-10},
    {172.5, kInf, 0},
    {1000.5, kInf, 0},
    {2000.5, kInf, 0},
    // tiny arguments: 1/x below 1e-20
    {1e-30, 1e30, 1e-15},
    {1e-20, 1e20, 1e-12},
    // far left of 0: the reflection underflows to zero
    {-200.5, 0, 0},
    {-1e5 - 0.5, 0, 0},
};

TEST(Gamma, Values) {
    for (const auto& t : kGammaCases) {
        SCOPED_TRACE(t.x);
        if (t.tolerance == 0)
            EXPECT_EQ(Gamma(t.x), t.expected);
        else
            EXPECT_TRUE(sameValue(Gamma(t.x), t.expected, t.tolerance));
    }
}

TEST(Gamma, PolesAndSpecialValuesAsTheStandardLibrary) {
    for (const double x : {0.0, -0.0, -1.0, -2.0, -171.0, -1e300, kInf, -kInf}) {
        SCOPED_TRACE(x);
        const double expected = std::tgamma(x);
        if (std::isnan(expected))
            EXPECT_TRUE(std::isnan(Gamma(x)));
        else
            EXPECT_EQ(Gamma(x), expected);
    }
    EXPECT_TRUE(std::isnan(Gamma(std::numeric_limits<double>::quiet_NaN())));
}

TEST(Gamma, AgreesWithTheStandardLibraryAcrossItsRange) {
    for (double x = -170.3; x < 171.6; x += 0.173) {
        SCOPED_TRACE(x);
        const double expected = std::tgamma(x);
        if (expected == 0 || std::isinf(expected))
            continue;
        EXPECT_TRUE(sameValue(Gamma(x), expected, 5e-13));
    }
}

TEST(Gamma, EveryWholeNumberIsTheNearestDoubleOfItsFactorial) {
    // Up to 22! every factorial is exact in a double, so the running product is too.
    double factorial = 1;
    for (int n = 1; n <= 23; ++n) {
        EXPECT_EQ(Gamma(n), factorial) << n;
        factorial *= n;
    }
    // Past that, within the last bit of tgamma's own result.
    for (int n = 24; n <= 171; ++n)
        EXPECT_TRUE(sameValue(Gamma(n), std::tgamma(n), 1e-15)) << n;
}

// ψ⁽ⁿ⁾ at points where it is known in closed form: ψ(1) = −γ, ψ(½) = −γ − 2 ln 2,
// ψ⁽ⁿ⁾(1) = (−1)ⁿ⁺¹·n!·ζ(n+1), ψ′(½) = π²/2, and through the recurrence and the reflection.
TEST(Polygamma, KnownValues) {
    constexpr double kEulerGamma = 0.5772156649015329;
    constexpr double kPi = 3.141592653589793;
    const double pi4 = kPi * kPi * kPi * kPi;
    // ψ⁽³⁾(13) = ψ⁽³⁾(1) − 6·Σ 1/k⁴ for k = 1 .. 12
    double quartics = 0;
    for (int k = 12; k >= 1; --k)
        quartics += 1.0 / (static_cast<double>(k) * k * k * k);
    const struct {
        int order;
        double x;
        double expected;
        double tolerance;
    } cases[] = {
        {0, 1, -kEulerGamma, 1e-14},
        {0, 0.5, -kEulerGamma - 2 * std::log(2.0), 1e-14},
        {0, 2, 1 - kEulerGamma, 1e-14},
        {0, 100, 4.600161852738087, 1e-14},
        {0, 1e-8, -1e8 - kEulerGamma, 1e-14},
        {0, -0.5, 2 - kEulerGamma - 2 * std::log(2.0), 1e-12}, // ψ(−½) = ψ(½) + 2
        {1, 1, kPi * kPi / 6, 1e-14},
        {1, 0.5, kPi * kPi / 2, 1e-14},
        {1, -0.5, kPi * kPi / 2 + 4, 1e-14},
        {1, -1.5, kPi * kPi / 2 + 4 + 4.0 / 9, 1e-14},
        {2, 1, -2 * 1.2020569031595943, 1e-14},
        {3, 1, pi4 / 15, 1e-14},
        {3, 13, pi4 / 15 - 6 * quartics, 1e-10},
        {20, 1, -2432902008176640000.0 * 1.0000004769329868, 1e-14},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(sameValue(Polygamma(c.order, c.x), c.expected, c.tolerance)) << c.order << " at " << c.x;
    for (const double pole : {0.0, -0.0, -1.0, -7.0})
        for (const int order : {0, 1, 4})
            EXPECT_TRUE(std::isnan(Polygamma(order, pole))) << order << " at " << pole;
    EXPECT_TRUE(std::isnan(Polygamma(-1, 2)));
    EXPECT_TRUE(std::isnan(Polygamma(0, std::numeric_limits<double>::quiet_NaN())));
    EXPECT_EQ(Polygamma(0, kInf), kInf);
    EXPECT_EQ(Polygamma(2, kInf), 0);
}

// Each order is the derivative of the one before, on both sides of 0 and across the switch from
// the recurrence to the series.
TEST(Polygamma, EachOrderIsTheDerivativeOfTheOneBefore) {
    for (int order = 0; order < 6; ++order)
        for (const double x : {-2.7, -0.3, 0.2, 1.7, 9.5, 14.9, 15.1, 30.2}) {
            const double h = 1e-5 * (1 + std::fabs(x));
            const double difference = (Polygamma(order, x + h) - Polygamma(order, x - h)) / (2 * h);
            EXPECT_TRUE(sameValue(Polygamma(order + 1, x), difference, 1e-6)) << order << " at " << x;
        }
}

} // namespace
