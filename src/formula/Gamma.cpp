#include "formula/Gamma.h"

#include <cmath>
#include <limits>
#include <vector>

namespace {

// Cody's coefficients of the rational approximation of Γ(1+z), 0 <= z < 1.
constexpr double kP[8] = {-1.71618513886549492533811e+0, 2.47656508055759199108314e+1, -3.79804256470945635097577e+2,
                          6.29331155312818442661052e+2,  8.66966202790413211295064e+2, -3.14512729688483675254357e+4,
                          -3.61444134186911729807069e+4, 6.64561438202405440627855e+4};
constexpr double kQ[8] = {-3.08402300119738975254353e+1, 3.15350626979604161529144e+2, -1.01515636749021914166146e+3,
                          -3.10777167157231109440444e+3, 2.25381184209801510330112e+4, 4.75584627752788110767815e+3,
                          -1.34659959864969306392456e+5, -1.15132259675553483497211e+5};
// Cody's coefficients of the Stirling correction series.
constexpr double kC[7] = {-1.910444077728e-03,     8.4171387781295e-04,          -5.952379913043012e-04,
                          7.93650793500350248e-04, -2.777777777777681622553e-03, 8.333333333333333331554247e-02,
                          5.7083835261e-03};

constexpr double kSmallLimit = 1e-20;
constexpr double kReductionLimit = 12.0;
constexpr double kUpperLimit = 1700.0;
constexpr double kPi = 3.141592653589793;

// n! for n = 0 .. 170, each the double nearest to the exact value; Γ(n + 1) = n!.
constexpr double kFactorial[171] = {
    1.0,
    1.0,
    2.0,
    6.0,
    24.0,
    120.0,
    720.0,
    5040.0,
    40320.0,
    362880.0,
    3628800.0,
    39916800.0,
    479001600.0,
    6227020800.0,
    87178291200.0,
    1307674368000.0,
    20922789888000.0,
    355687428096000.0,
    6402373705728000.0,
    1.21645100408832e+17,
    2.43290200817664e+18,
    5.109094217170944e+19,
    1.1240007277776077e+21,
    2.585201673888498e+22,
    6.204484017332394e+23,
    1.5511210043330986e+25,
    4.0329146112660565e+26,
    1.0888869450418352e+28,
    3.0488834461171387e+29,
    8.841761993739702e+30,
    2.6525285981219107e+32,
    8.222838654177922e+33,
    2.631308369336935e+35,
    8.683317618811886e+36,
    2.9523279903960416e+38,
    1.0333147966386145e+40,
    3.7199332678990125e+41,
    1.3763753091226346e+43,
    5.230226174666011e+44,
    2.0397882081197444e+46,
    8.159152832478977e+47,
    3.345252661316381e+49,
    1.40500611775288e+51,
    6.041526306337383e+52,
    2.658271574788449e+54,
    1.1962222086548019e+56,
    5.502622159812089e+57,
    2.5862324151116818e+59,
    1.2413915592536073e+61,
    6.082818640342675e+62,
    3.0414093201713376e+64,
    1.5511187532873822e+66,
    8.065817517094388e+67,
    4.2748832840600255e+69,
    2.308436973392414e+71,
    1.2696403353658276e+73,
    7.109985878048635e+74,
    4.0526919504877214e+76,
    2.3505613312828785e+78,
    1.3868311854568984e+80,
    8.32098711274139e+81,
    5.075802138772248e+83,
    3.146997326038794e+85,
    1.98260831540444e+87,
    1.2688693218588417e+89,
    8.247650592082472e+90,
    5.443449390774431e+92,
    3.647111091818868e+94,
    2.4800355424368305e+96,
    1.711224524281413e+98,
    1.1978571669969892e+100,
    8.504785885678623e+101,
    6.1234458376886085e+103,
    4.4701154615126844e+105,
    3.307885441519386e+107,
    2.48091408113954e+109,
    1.8854947016660504e+111,
    1.4518309202828587e+113,
    1.1324281178206297e+115,
    8.946182130782976e+116,
    7.156945704626381e+118,
    5.797126020747368e+120,
    4.753643337012842e+122,
    3.945523969720659e+124,
    3.314240134565353e+126,
    2.81710411438055e+128,
    2.4227095383672734e+130,
    2.107757298379528e+132,
    1.8548264225739844e+134,
    1.650795516090846e+136,
    1.4857159644817615e+138,
    1.352001527678403e+140,
    1.2438414054641308e+142,
    1.1567725070816416e+144,
    1.087366156656743e+146,
    1.032997848823906e+148,
    9.916779348709496e+149,
    9.619275968248212e+151,
    9.426890448883248e+153,
    9.332621544394415e+155,
    9.332621544394415e+157,
    9.42594775983836e+159,
    9.614466715035127e+161,
    9.90290071648618e+163,
    1.0299016745145628e+166,
    1.081396758240291e+168,
    1.1462805637347084e+170,
    1.226520203196138e+172,
    1.324641819451829e+174,
    1.4438595832024937e+176,
    1.588245541522743e+178,
    1.7629525510902446e+180,
    1.974506857221074e+182,
    2.2311927486598138e+184,
    2.5435597334721877e+186,
    2.925093693493016e+188,
    3.393108684451898e+190,
    3.969937160808721e+192,
    4.684525849754291e+194,
    5.574585761207606e+196,
    6.689502913449127e+198,
    8.094298525273444e+200,
    9.875044200833601e+202,
    1.214630436702533e+205,
    1.506141741511141e+207,
    1.882677176888926e+209,
    2.372173242880047e+211,
    3.0126600184576594e+213,
    3.856204823625804e+215,
    4.974504222477287e+217,
    6.466855489220474e+219,
    8.47158069087882e+221,
    1.1182486511960043e+224,
    1.4872707060906857e+226,
    1.9929427461615188e+228,
    2.6904727073180504e+230,
    3.659042881952549e+232,
    5.012888748274992e+234,
    6.917786472619489e+236,
    9.615723196941089e+238,
    1.3462012475717526e+241,
    1.898143759076171e+243,
    2.695364137888163e+245,
    3.854370717180073e+247,
    5.5502938327393044e+249,
    8.047926057471992e+251,
    1.1749972043909107e+254,
    1.727245890454639e+256,
    2.5563239178728654e+258,
    3.80892263763057e+260,
    5.713383956445855e+262,
    8.62720977423324e+264,
    1.3113358856834524e+267,
    2.0063439050956823e+269,
    3.0897696138473508e+271,
    4.789142901463394e+273,
    7.471062926282894e+275,
    1.1729568794264145e+278,
    1.853271869493735e+280,
    2.9467022724950384e+282,
    4.7147236359920616e+284,
    7.590705053947219e+286,
    1.2296942187394494e+289,
    2.0044015765453026e+291,
    3.287218585534296e+293,
    5.423910666131589e+295,
    9.003691705778438e+297,
    1.503616514864999e+300,
    2.5260757449731984e+302,
    4.269068009004705e+304,
    7.257415615307999e+306,
};

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Γ(y) for y > 0 that is not a whole number above 12 (any y > 0 is accepted).
double gammaPositive(double y) {
    if (y < kSmallLimit)
        return 1.0 / y;
    if (y <= kReductionLimit) {
        double z = 0, shifted = y;
        int n = 0;
        if (y < 1.0) {
            z = y;
            shifted = y + 1.0;
        } else {
            n = static_cast<int>(std::trunc(y)) - 1;
            shifted = y - n;
            z = shifted - 1.0;
        }
        double xnum = 0.0, xden = 1.0;
        for (int i = 0; i < 8; ++i) {
            xnum = (xnum + kP[i]) * z;
            xden = xden * z + kQ[i];
        }
        double g = xnum / xden + 1.0;
        if (shifted > y) {
            g /= y;
        } else if (shifted < y) {
            for (int i = 0; i < n; ++i) {
                g *= shifted;
                shifted += 1.0;
            }
        }
        return g;
    }
    if (y <= kUpperLimit) {
        const double ysq = y * y;
        double sum = kC[6];
        for (int i = 0; i < 6; ++i)
            sum = sum / ysq + kC[i];
        sum = sum / y - y + 0.5 * std::log(6.283185307179586);
        sum += (y - 0.5) * std::log(y);
        return std::exp(sum);
    }
    return kInfinity;
}

} // namespace

double Gamma(double x) {
    if (std::isnan(x))
        return x;
    if (std::isinf(x))
        return x > 0 ? kInfinity : std::numeric_limits<double>::quiet_NaN();
    if (x == std::floor(x)) {
        if (x == 0)
            return std::copysign(kInfinity, x);
        if (x < 0)
            return std::numeric_limits<double>::quiet_NaN();
        return x <= 171.0 ? kFactorial[static_cast<int>(x) - 1] : kInfinity;
    }
    if (x > 0)
        return gammaPositive(x);
    // Reflection: Γ(x) = π / (sin(πx)·Γ(1−x)), written with the sign of trunc(−x).
    double y = -x;
    const double whole = std::trunc(y);
    const double sign = std::fmod(whole, 2.0) != 0.0 ? -1.0 : 1.0;
    // sin(π·f) = sin(π·(1 − f)); the smaller of the two keeps its digits near a pole.
    const double fraction = y - whole;
    const double factor = -kPi / std::sin(kPi * (fraction > 0.5 ? 1.0 - fraction : fraction));
    y += 1.0;
    return factor / (gammaPositive(y) * sign);
}

namespace {

// B₂, B₄, ..., B₂₀.
constexpr double kBernoulli[10] = {1.0 / 6,         -1.0 / 30, 1.0 / 42,      -1.0 / 30,     5.0 / 66,
                                   -691.0 / 2730.0, 7.0 / 6,   -3617.0 / 510, 43867.0 / 798, -174611.0 / 330};

// n!/xⁿ⁺¹ without forming n! or xⁿ⁺¹ on their own, so that neither overflows first.
double factorialOverPower(int n, double x) {
    double value = 1.0 / x;
    for (int j = 1; j <= n; ++j)
        value *= j / x;
    return value;
}

// ψ⁽ⁿ⁾(x) for x > 0.
double polygammaPositive(int n, double x) {
    const double sign = n % 2 == 0 ? 1.0 : -1.0; // (−1)ⁿ
    double shift = 0.0;
    const double bound = n + 10.0;
    for (; x < bound; x += 1.0)
        shift -= n == 0 ? 1.0 / x : sign * factorialOverPower(n, x);
    const double inverseSquare = 1.0 / (x * x);
    if (n == 0) {
        double series = 0.0;
        double power = 1.0;
        for (int k = 1; k <= 10; ++k) {
            power *= inverseSquare;
            series += kBernoulli[k - 1] / (2 * k) * power;
        }
        return shift + std::log(x) - 0.5 / x - series;
    }
    // (−1)ⁿ⁺¹·(n−1)!/xⁿ·[1 + n/(2x) + Σ B₂ₖ·C(2k+n−1, 2k)/x²ᵏ]
    const double lead = factorialOverPower(n - 1, x);
    double series = 1.0 + n / (2.0 * x);
    double binomial = 1.0; // C(2k+n−1, 2k)
    double power = 1.0;
    for (int k = 1; k <= 10; ++k) {
        binomial *= static_cast<double>(2 * k + n - 2) * (2 * k + n - 1) / ((2.0 * k - 1) * (2.0 * k));
        power *= inverseSquare;
        series += kBernoulli[k - 1] * binomial * power;
    }
    return shift - sign * lead * series;
}

// The coefficients of Pₙ, where dⁿ/dyⁿ cot(y) = Pₙ(cot y): P₀(t) = t, Pₖ₊₁(t) = −(1+t²)·Pₖ'(t).
double cotDerivative(int n, double t) {
    std::vector<double> p{0.0, 1.0};
    for (int k = 0; k < n; ++k) {
        std::vector<double> next(p.size() + 1, 0.0);
        for (std::size_t i = 1; i < p.size(); ++i) {
            const double derivative = static_cast<double>(i) * p[i]; // coefficient of tⁱ⁻¹ in Pₖ'
            next[i - 1] -= derivative;
            next[i + 1] -= derivative;
        }
        p = std::move(next);
    }
    double value = 0.0;
    for (std::size_t i = p.size(); i-- > 0;)
        value = value * t + p[i];
    return value;
}

} // namespace

double Polygamma(int order, double x) {
    if (order < 0 || std::isnan(x) || (x <= 0 && x == std::floor(x)))
        return std::numeric_limits<double>::quiet_NaN();
    if (std::isinf(x))
        return order == 0 ? kInfinity : 0.0;
    if (x > 0)
        return polygammaPositive(order, x);
    // Reflection: ψ⁽ⁿ⁾(x) = (−1)ⁿ·ψ⁽ⁿ⁾(1−x) − πⁿ⁺¹·Pₙ(cot πx); cot has the period 1, so only the
    // fraction of x goes into it.
    const double fraction = x - std::floor(x);
    const double cot = std::cos(kPi * fraction) / std::sin(kPi * fraction);
    const double sign = order % 2 == 0 ? 1.0 : -1.0;
    return sign * polygammaPositive(order, 1.0 - x) - std::pow(kPi, order + 1) * cotDerivative(order, cot);
}
