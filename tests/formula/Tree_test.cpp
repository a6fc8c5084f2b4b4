// Expression-tree nodes: evaluation, structural tests, derivatives, folded copies and the
// numeric methods.

#include "FormulaTesting.h"

#include <functional>
#include <limits>
#include <vector>

using namespace formula_testing;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(TreeNodes, EveryClassEvaluatesItsFunction) {
    for (const auto& t : nodeCases()) {
        SCOPED_TRACE(t.name);
        const Ptr f = t.build();
        for (const double at : t.at)
            EXPECT_TRUE(sameValue(f->Evaluate(at), t.expected(at), 1e-13)) << "at " << at;
    }
}

// The symbolic derivative of every class against a central difference of its value (the
// step-like functions away from their jumps, where the difference is 0).
TEST(TreeNodes, EveryClassDerivesToTheFiniteDifference) {
    for (const auto& t : nodeCases()) {
        SCOPED_TRACE(t.name);
        const Ptr f = t.build();
        const Ptr d = f->Derive();
        for (const double at : t.at) {
            const double step = 1e-6;
            const double difference = (t.expected(at + step) - t.expected(at - step)) / (2 * step);
            EXPECT_TRUE(sameValue(d->Evaluate(at), difference, 1e-6)) << "at " << at;
            // Folding the derivative never changes its value.
            EXPECT_TRUE(sameValue(d->Clone(true)->Evaluate(at), d->Evaluate(at), 1e-14)) << "at " << at;
        }
    }
}

// Copies share nothing with the original and compute the same values; the folded copy too.
TEST(TreeNodes, CopiesComputeTheSameValues) {
    for (const auto& t : nodeCases()) {
        SCOPED_TRACE(t.name);
        Ptr f = t.build();
        const Ptr plain = f->Clone(false);
        const Ptr folded = f->Clone(true);
        const F& plainNode = *plain;
        const F& original = *f;
        EXPECT_EQ(typeid(plainNode), typeid(original));
        for (const double at : t.at) {
            const double expected = f->Evaluate(at);
            f.reset();
            EXPECT_TRUE(sameValue(plain->Evaluate(at), expected, 0));
            EXPECT_TRUE(sameValue(folded->Evaluate(at), expected, 1e-15));
            f = t.build();
        }
    }
}

TEST(TreeNodes, IeeeResultsWithoutDomainChecks) {
    EXPECT_EQ(node<CDivFunction<double>>(c(1), zero())->Evaluate(0), kInf);
    EXPECT_EQ(node<CDivFunction<double>>(c(-1), zero())->Evaluate(0), -kInf);
    EXPECT_TRUE(std::isnan(node<CDivFunction<double>>(x(), zero())->Evaluate(0)));
    EXPECT_TRUE(std::isnan(node<CLogFunction<double>>(c(-1))->Evaluate(0)));
    EXPECT_EQ(node<CSignFunction<double>>(c(kNaN))->Evaluate(0), 0);
    EXPECT_EQ(node<CSign1Function<double>>()->Evaluate(-0.0), 0);
    EXPECT_TRUE(std::signbit(node<CNegFunction<double>>(zero())->Evaluate(0)));
}

struct StructureCase {
    const char* name;
    std::function<Ptr()> build;
    bool constant;
    bool isZero;
};

TEST(TreeNodes, StructuralTests) {
    const StructureCase cases[] = {
        {"Mul0 by 0 over x", [] { return node<CMul0Function<double>>(x(), 0.0); }, true, true},
        {"Exp of 0", [] { return node<CExpFunction<double>>(c(0)); }, true, false},
        {"Exp of 1", [] { return node<CExpFunction<double>>(c(1)); }, false, false},
        {"2 to a constant", [] { return node<CPowerL0Function<double>>(c(3), 2.0); }, false, false},
        {"0 to a positive constant", [] { return node<CPowerL0Function<double>>(c(3), 0.0); }, true, true},
        {"0 to the power 0", [] { return node<CPowerL0Function<double>>(c(0), 0.0); }, true, false},
        {"0 to a negative constant", [] { return node<CPowerL0Function<double>>(c(-1), 0.0); }, true, false},
        {"0 to the power x", [] { return node<CPowerL0Function<double>>(x(), 0.0); }, false, false},
        {"zero to the power 2", [] { return node<CPowerR0Function<double>>(zero(), 2.0); }, true, true},
        {"zero to the power 0", [] { return node<CPowerR0Function<double>>(zero(), 0.0); }, true, false},
        {"zero to the power -1", [] { return node<CPowerR0Function<double>>(zero(), -1.0); }, true, false},
        {"x to the power 0", [] { return node<CPowerR0Function<double>>(x(), 0.0); }, true, false},
        {"zero ^ x", [] { return node<CPowerFunction<double>>(zero(), x()); }, false, false},
        {"zero ^ 2", [] { return node<CPowerFunction<double>>(zero(), c(2)); }, true, true},
        {"x ^ zero", [] { return node<CPowerFunction<double>>(x(), zero()); }, true, false},
        {"2 + -2", [] { return node<CAddFunction<double>>(c(2), c(-2)); }, true, true},
        {"3 - 3", [] { return node<CSubFunction<double>>(c(3), c(3)); }, true, true},
        {"ln 1", [] { return node<CLogFunction<double>>(c(1)); }, true, true},
        {"lg 1", [] { return node<CLog10Function<double>>(c(1)); }, true, true},
        {"acos 1", [] { return node<CAcosFunction<double>>(c(1)); }, true, false},
        {"polynomial 1 + 0x + 0x²", [] { return node<CPolynom2Function<double>>(1.0, 0.0, 0.0); }, true, false},
        {"0 / x", [] { return node<CDivL0Function<double>>(x(), 0.0); }, true, true},
        {"zero / x", [] { return node<CDivFunction<double>>(zero(), x()); }, true, true},
        {"x * zero", [] { return node<CMulFunction<double>>(x(), zero()); }, true, true},
        {"x + 1", [] { return node<CAdd0Function<double>>(x(), 1.0); }, false, false},
        {"-1 + 1", [] { return node<CAdd0Function<double>>(c(-1), 1.0); }, true, true},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        const Ptr f = t.build();
        EXPECT_EQ(f->IsConstant(), t.constant);
        EXPECT_EQ(f->IsZero(), t.isZero);
        // A zero is 0 everywhere, a constant the same everywhere.
        if (t.isZero) {
            EXPECT_EQ(f->Evaluate(1.7), 0);
        }
        if (t.constant) {
            EXPECT_TRUE(sameValue(f->Evaluate(-2.3), f->Evaluate(5.1), 0));
        }
    }
}

TEST(TreeDerivative, ShapesOfSimpleDerivatives) {
    const Ptr dx = x()->Derive();
    ASSERT_TRUE(as<CConstFunction<double>>(dx.get()));
    EXPECT_EQ(as<CConstFunction<double>>(dx.get())->Value(), 1);

    const Ptr dsqr = node<CSqr1Function<double>>()->Derive();
    const auto* p1 = as<CPolynom1Function<double>>(dsqr.get());
    ASSERT_TRUE(p1);
    EXPECT_EQ(p1->C0(), 0);
    EXPECT_EQ(p1->C1(), 2);

    const Ptr dp2 = node<CPolynom2Function<double>>(1.0, 2.0, 3.0)->Derive();
    const auto* p2 = as<CPolynom1Function<double>>(dp2.get());
    ASSERT_TRUE(p2);
    EXPECT_EQ(p2->C0(), 2);
    EXPECT_EQ(p2->C1(), 6);

    for (const auto& step : {node<CCeilFunction<double>>(x()), node<CFloorFunction<double>>(x()),
                             node<CSignFunction<double>>(x()), node<CCeil1Function<double>>()})
        EXPECT_TRUE(as<CNullFunction<double>>(step->Derive().get()));

    // Γ' = Γ·ψ, ψ⁽ⁿ⁾' = ψ⁽ⁿ⁺¹⁾, and the chain rule over an argument.
    EXPECT_EQ(node<CGamma1Function<double>>()->Derive()->ToText(), "(Gamma(x))*(Digamma(x))");
    EXPECT_EQ(node<CPolygammaFunction<double>>(2, lin(2, 1))->Derive()->ToText(), "(Polygamma_3(2*x+1))*(2)");
    EXPECT_TRUE(as<CNullFunction<double>>(node<CPolygammaFunction<double>>(0, c(2))->Derive().get()));
}

// The derivatives of Gamma against finite differences of std::tgamma, across the branches and
// on both sides of 0, to the third derivative.
TEST(TreeDerivative, GammaDerivativesMatchFiniteDifferences) {
    const Ptr gamma = node<CGamma1Function<double>>();
    const Ptr first = gamma->Derive();
    const Ptr second = first->Derive();
    const Ptr third = second->Derive();
    for (const double at : {-2.7, -0.5, 0.3, 1.0, 1.4616321449683623, 2.5, 7.25, 13.5, 30.5}) {
        SCOPED_TRACE(at);
        const double h = 1e-6 * (1 + std::fabs(at));
        const auto difference = [h, at](const F& f) { return (f.Evaluate(at + h) - f.Evaluate(at - h)) / (2 * h); };
        const double tgammaDifference = (std::tgamma(at + h) - std::tgamma(at - h)) / (2 * h);
        EXPECT_TRUE(sameValue(first->Evaluate(at), tgammaDifference, 1e-6));
        EXPECT_TRUE(sameValue(second->Evaluate(at), difference(*first), 1e-6));
        EXPECT_TRUE(sameValue(third->Evaluate(at), difference(*second), 1e-6));
    }
}

TEST(TreeDerivative, PowerWithConstantExponent) {
    // k = 1: the argument's derivative itself
    const Ptr one = node<CPowerR0Function<double>>(lin(3, 1), 1.0)->Derive();
    ASSERT_TRUE(as<CConstFunction<double>>(one.get()));
    EXPECT_EQ(one->Evaluate(0), 3);
    // k = 0: the zero function
    EXPECT_TRUE(as<CNullFunction<double>>(node<CPowerR0Function<double>>(x(), 0.0)->Derive().get()));
    // k = 3: Mul0(Mul(PowerR0(x, 2), 1), 3), which is 3x²
    const Ptr three = node<CPowerR0Function<double>>(x(), 3.0)->Derive();
    const auto* outer = as<CMul0Function<double>>(three.get());
    ASSERT_TRUE(outer);
    EXPECT_EQ(outer->Const(), 3);
    const auto* product = as<CMulFunction<double>>(&outer->Arg());
    ASSERT_TRUE(product);
    const auto* power = as<CPowerR0Function<double>>(&product->Left());
    ASSERT_TRUE(power);
    EXPECT_EQ(power->Const(), 2);
    EXPECT_TRUE(as<CIdentityFunction<double>>(&power->Arg()));
    EXPECT_TRUE(as<CConstFunction<double>>(&product->Right()));
    EXPECT_EQ(three->Evaluate(2), 12);
}

TEST(TreeDerivative, ValuesOfTheExamples) {
    EXPECT_DOUBLE_EQ(node<CSqrt1Function<double>>()->Derive()->Evaluate(4), 0.25);
    EXPECT_DOUBLE_EQ(node<CDivL0Function<double>>(x(), 2.0)->Derive()->Evaluate(2), -0.5);
    EXPECT_DOUBLE_EQ(node<CSqrFunction<double>>(lin(2, 0))->Derive()->Evaluate(1.5), 12);
    EXPECT_DOUBLE_EQ(node<CAtanFunction<double>>(lin(2, 0))->Derive()->Evaluate(0.5), 2 / (1 + 4 * 0.25));
    // d(x·3) keeps its zero factor until it is folded
    const Ptr d = node<CMulFunction<double>>(x(), c(3))->Derive();
    const auto* sum = as<CAddFunction<double>>(d.get());
    ASSERT_TRUE(sum);
    const auto* first = as<CMulFunction<double>>(&sum->Left());
    ASSERT_TRUE(first);
    EXPECT_TRUE(as<CNullFunction<double>>(&first->Right()));
    EXPECT_EQ(d->Evaluate(7), 3);
    EXPECT_TRUE(as<CConstFunction<double>>(d->Clone(true).get()));
}

TEST(TreeCopy, FoldingRules) {
    const Ptr zeroByZero = node<CDivFunction<double>>(zero(), zero())->Clone(true);
    EXPECT_TRUE(as<CNullFunction<double>>(zeroByZero.get()));

    const Ptr addConst = node<CAddFunction<double>>(c(2), x())->Clone(true);
    const auto* add0 = as<CAdd0Function<double>>(addConst.get());
    ASSERT_TRUE(add0);
    EXPECT_EQ(add0->Const(), 2);
    EXPECT_TRUE(as<CIdentityFunction<double>>(&add0->Arg()));

    const Ptr subZero = node<CSubFunction<double>>(x(), c(0))->Clone(true);
    const auto* subR0 = as<CSubR0Function<double>>(subZero.get());
    ASSERT_TRUE(subR0);
    EXPECT_EQ(subR0->Const(), 0);

    EXPECT_TRUE(as<CConstFunction<double>>(c(0)->Clone(false).get()));
    EXPECT_TRUE(as<CNullFunction<double>>(c(0)->Clone(true).get()));
    EXPECT_TRUE(as<CMul0Function<double>>(node<CMul0Function<double>>(x(), 1.0)->Clone(true).get()));

    const Ptr constants = node<CMulFunction<double>>(c(3), node<CAdd0Function<double>>(c(1), 1.0))->Clone(true);
    ASSERT_TRUE(as<CConstFunction<double>>(constants.get()));
    EXPECT_EQ(constants->Evaluate(0), 6);

    const Ptr poly = node<CPolynom2Function<double>>(4.0, 0.0, 0.0)->Clone(true);
    ASSERT_TRUE(as<CConstFunction<double>>(poly.get()));
    EXPECT_EQ(poly->Evaluate(9), 4);
    EXPECT_TRUE(as<CPolynom1Function<double>>(node<CPolynom2Function<double>>(4.0, 1.0, 0.0)->Clone(true).get()));
}

TEST(TreeNumeric, Derivatives) {
    const Ptr square = node<CSqr1Function<double>>();
    EXPECT_NEAR(square->NumericDerivative(3, 1, 0.001), 6.001, 1e-9);
    EXPECT_EQ(square->NumericDerivative(3, 0, 0.001), 9);
    const Ptr cube = node<CPowerR0Function<double>>(x(), 3.0);
    EXPECT_NEAR(cube->NumericDerivative(2, 2, 1e-3), 12, 1e-5);
    EXPECT_NEAR(cube->NumericDerivative(2, 3, 1e-2), 6, 1e-6);
    EXPECT_NEAR(cube->NumericDerivative(2, 4, 1e-2), 0, 1e-3);
    EXPECT_TRUE(std::isnan(cube->NumericDerivative(2, -1, 1e-3)));
}

TEST(TreeNumeric, NewtonRoot) {
    const Ptr f = node<CSubR0Function<double>>(node<CSqr1Function<double>>(), 2.0);
    EXPECT_NEAR(f->NewtonRoot(1, 1e-9), std::sqrt(2.0), 1e-9);
    EXPECT_EQ(f->NewtonRoot(std::sqrt(2.0), 1e-9), std::sqrt(2.0));
    // x² + 1 has no root and never becomes NaN: the search gives up.
    const Ptr noRoot = node<CAdd0Function<double>>(node<CSqr1Function<double>>(), 1.0);
    EXPECT_TRUE(std::isnan(noRoot->NewtonRoot(0.5, 1e-9)));
}

TEST(TreeNumeric, Quadrature) {
    const Ptr id = x();
    const Ptr square = node<CSqr1Function<double>>();
    const Ptr cube = node<CPowerR0Function<double>>(x(), 3.0);
    EXPECT_DOUBLE_EQ(id->IntegrateTrapezoid(0, 1, 1), 0.5);
    EXPECT_DOUBLE_EQ(square->IntegrateMidpoint(0, 1, 1), 0.25);
    EXPECT_EQ(square->IntegrateMidpoint(0, 1, 0), 0);
    EXPECT_NEAR(cube->IntegrateSimpson(0, 2, 4), 4, 1e-14);
    EXPECT_NEAR(square->IntegrateSimpson(0, 1, 1), 1.0 / 3, 1e-15);
    EXPECT_NEAR(square->IntegrateSimpson(0, 1, 3), 1.0 / 3, 1e-15); // four subintervals
    EXPECT_NEAR(square->IntegrateTrapezoid(1, 0, 1000), -1.0 / 3, 1e-6);
    EXPECT_NEAR(square->IntegrateMidpoint(1, 0, 1000), -1.0 / 3, 1e-6);
    for (const int n : {0, -5}) {
        EXPECT_EQ(square->IntegrateTrapezoid(0, 1, n), 0);
        EXPECT_EQ(square->IntegrateSimpson(0, 1, n), 0);
    }
}

} // namespace
