// Every node class over a non-trivial argument, with the function it computes: shared by the
// tree and text tests.

#include "FormulaTesting.h"

#include <cmath>

namespace formula_testing {

namespace {

// g(x) = 0.7x + 0.3 and h(x) = -0.4x + 2 as arguments and operands.
double g(double x) {
    return 0.7 * x + 0.3;
}
double h(double x) {
    return -0.4 * x + 2;
}
Ptr G() {
    return lin(0.7, 0.3);
}
Ptr H() {
    return lin(-0.4, 2);
}

double sign(double v) {
    return v > 0 ? 1 : (v < 0 ? -1 : 0);
}

#define OF_X(CLASS, FN, ...)                                                                                           \
    {                                                                                                                  \
#CLASS, [] { return node<CLASS<double>>(); }, [](double v) { return FN; }, {                                   \
            __VA_ARGS__                                                                                                \
        }                                                                                                              \
    }
#define OF_ARG(CLASS, FN, ...)                                                                                         \
    {                                                                                                                  \
#CLASS, [] { return node<CLASS<double>>(G()); }, [](double t) { const double v = g(t); return FN; }, {                 \
            __VA_ARGS__                                                                                                \
        }                                                                                                              \
    }

} // namespace

const std::vector<NodeCase>& nodeCases() {
    static const std::vector<NodeCase> cases = {
        {"CConstFunction", [] { return c(2.5); }, [](double) { return 2.5; }, {-1, 0, 3}},
        {"CNullFunction", [] { return zero(); }, [](double) { return 0.0; }, {-1, 3}},
        {"CIdentityFunction", [] { return x(); }, [](double v) { return v; }, {-1, 0, 3}},
        {"CPolynom1Function", [] { return lin(2, -3); }, [](double v) { return 2 * v - 3; }, {-1, 0, 3}},
        {"CPolynom2Function",
         [] { return node<CPolynom2Function<double>>(1.0, 2.0, 3.0); },
         [](double v) { return 3 * v * v + 2 * v + 1; },
         {-1, 0.5, 3}},
        OF_X(CAbs1Function, std::fabs(v), -1.5, 2),
        OF_X(CAcos1Function, std::acos(v), -0.5, 0.3),
        OF_X(CAsin1Function, std::asin(v), -0.5, 0.3),
        OF_X(CAtan1Function, std::atan(v), -2, 0.3),
        OF_X(CCeil1Function, std::ceil(v), -1.5, 2.3),
        OF_X(CCos1Function, std::cos(v), -1, 2),
        OF_X(CCosh1Function, std::cosh(v), -1, 2),
        OF_X(CCot1Function, std::cos(v) / std::sin(v), -1, 2),
        OF_X(CCoth1Function, std::cosh(v) / std::sinh(v), -1, 2),
        OF_X(CExp1Function, std::exp(v), -1, 2),
        OF_X(CFloor1Function, std::floor(v), -1.5, 2.3),
        OF_X(CGamma1Function, std::tgamma(v), 0.5, 4.5),
        OF_X(CLog1Function, std::log(v), 0.5, 3),
        OF_X(CLog101Function, std::log10(v), 0.5, 3),
        OF_X(CSign1Function, sign(v), -2, 3),
        OF_X(CSin1Function, std::sin(v), -1, 2),
        OF_X(CSinh1Function, std::sinh(v), -1, 2),
        OF_X(CSqr1Function, v * v, -1, 2),
        OF_X(CSqrt1Function, std::sqrt(v), 0.5, 4),
        OF_X(CTan1Function, std::tan(v), -1, 0.5),
        OF_X(CTanh1Function, std::tanh(v), -1, 2),
        OF_ARG(CAbsFunction, std::fabs(v), -3, 2),
        OF_ARG(CAcosFunction, std::acos(v), -1, 0.2),
        OF_ARG(CAsinFunction, std::asin(v), -1, 0.2),
        OF_ARG(CAtanFunction, std::atan(v), -3, 2),
        OF_ARG(CCeilFunction, std::ceil(v), -1.5, 2.3),
        OF_ARG(CCosFunction, std::cos(v), -1, 2),
        OF_ARG(CCoshFunction, std::cosh(v), -1, 2),
        OF_ARG(CCotFunction, std::cos(v) / std::sin(v), -1, 2),
        OF_ARG(CCothFunction, std::cosh(v) / std::sinh(v), -1, 2),
        OF_ARG(CExpFunction, std::exp(v), -1, 2),
        OF_ARG(CFloorFunction, std::floor(v), -1.5, 2.3),
        OF_ARG(CGammaFunction, std::tgamma(v), 0.5, 4.5),
        OF_ARG(CLogFunction, std::log(v), 0.5, 3),
        OF_ARG(CLog10Function, std::log10(v), 0.5, 3),
        OF_ARG(CSignFunction, sign(v), -2, 3),
        OF_ARG(CSinFunction, std::sin(v), -1, 2),
        OF_ARG(CSinhFunction, std::sinh(v), -1, 2),
        OF_ARG(CSqrFunction, v * v, -1, 2),
        OF_ARG(CSqrtFunction, std::sqrt(v), 0.5, 4),
        OF_ARG(CTanFunction, std::tan(v), -1, 0.5),
        OF_ARG(CTanhFunction, std::tanh(v), -1, 2),
        OF_ARG(CNegFunction, -v, -1, 2),
        {"CPolygammaFunction digamma",
         [] { return node<CPolygammaFunction<double>>(0, G()); },
         [](double t) { return Polygamma(0, g(t)); }, // its own values: Gamma_test
         {-2.5, 0.5, 4.5}},
        {"CPolygammaFunction order 2",
         [] { return node<CPolygammaFunction<double>>(2, G()); },
         [](double t) { return Polygamma(2, g(t)); },
         {-2.5, 0.5, 4.5}},
        {"CAdd0Function",
         [] { return node<CAdd0Function<double>>(G(), 1.5); },
         [](double t) { return g(t) + 1.5; },
         {-1, 2}},
        {"CSubL0Function",
         [] { return node<CSubL0Function<double>>(G(), 1.5); },
         [](double t) { return 1.5 - g(t); },
         {-1, 2}},
        {"CSubR0Function",
         [] { return node<CSubR0Function<double>>(G(), 1.5); },
         [](double t) { return g(t) - 1.5; },
         {-1, 2}},
        {"CMul0Function",
         [] { return node<CMul0Function<double>>(G(), 1.5); },
         [](double t) { return g(t) * 1.5; },
         {-1, 2}},
        {"CDivL0Function",
         [] { return node<CDivL0Function<double>>(G(), 1.5); },
         [](double t) { return 1.5 / g(t); },
         {-1, 2}},
        {"CDivR0Function",
         [] { return node<CDivR0Function<double>>(G(), 1.5); },
         [](double t) { return g(t) / 1.5; },
         {-1, 2}},
        {"CPowerL0Function",
         [] { return node<CPowerL0Function<double>>(G(), 1.5); },
         [](double t) { return std::pow(1.5, g(t)); },
         {-1, 2}},
        {"CPowerR0Function",
         [] { return node<CPowerR0Function<double>>(G(), 1.5); },
         [](double t) { return std::pow(g(t), 1.5); },
         {0.5, 2}},
        {"CAddFunction",
         [] { return node<CAddFunction<double>>(G(), H()); },
         [](double t) { return g(t) + h(t); },
         {-1, 2}},
        {"CSubFunction",
         [] { return node<CSubFunction<double>>(G(), H()); },
         [](double t) { return g(t) - h(t); },
         {-1, 2}},
        {"CMulFunction",
         [] { return node<CMulFunction<double>>(G(), H()); },
         [](double t) { return g(t) * h(t); },
         {-1, 2}},
        {"CDivFunction",
         [] { return node<CDivFunction<double>>(G(), H()); },
         [](double t) { return g(t) / h(t); },
         {-1, 2}},
        {"CPowerFunction",
         [] { return node<CPowerFunction<double>>(G(), H()); },
         [](double t) { return std::pow(g(t), h(t)); },
         {0.5, 2}},
    };
    return cases;
}

} // namespace formula_testing
