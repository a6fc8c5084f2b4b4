#pragma once
// Shared helpers of the formula tests: building trees, reading their shape, comparing values.

#include "formula/Formula.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <functional>
#include <locale>
#include <memory>
#include <string>
#include <vector>

namespace formula_testing {

using F = CFunction<double>;
using Ptr = FunctionPtr<double>;

inline Ptr x() {
    return std::make_unique<CIdentityFunction<double>>();
}
inline Ptr c(double value) {
    return std::make_unique<CConstFunction<double>>(value);
}
inline Ptr zero() {
    return std::make_unique<CNullFunction<double>>();
}
// a·x + b, a non-trivial argument for the nodes under test
inline Ptr lin(double a, double b) {
    return std::make_unique<CPolynom1Function<double>>(b, a);
}
template <class N, class... A> Ptr node(A&&... args) {
    return std::make_unique<N>(std::forward<A>(args)...);
}

template <class N> const N* as(const F* f) {
    return dynamic_cast<const N*>(f);
}

inline Ptr parse(const std::string& text) {
    return ParseFunction<double>(text, "X");
}

// Equal as IEEE values: both NaN, the same infinity, or within a relative tolerance.
inline ::testing::AssertionResult sameValue(double actual, double expected, double tolerance = 1e-12) {
    if (std::isnan(expected) && std::isnan(actual))
        return ::testing::AssertionSuccess();
    if (std::isinf(expected) || std::isinf(actual) || expected == 0) {
        if (actual == expected || (expected == 0 && std::fabs(actual) <= tolerance))
            return ::testing::AssertionSuccess();
    } else if (std::fabs(actual - expected) <= tolerance * std::fabs(expected)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "value " << actual << " expected " << expected;
}

// One node class over a non-trivial argument, with the function it must compute.
struct NodeCase {
    const char* name;
    std::function<Ptr()> build;
    std::function<double(double)> expected;
    std::vector<double> at; // points where value and derivative are checked
};
// Every node class of the engine (NodeCases.cpp).
const std::vector<NodeCase>& nodeCases();

// Makes the process locale one with a decimal comma for the lifetime of the object.
class CommaLocale {
public:
    CommaLocale() {
        std::setlocale(LC_ALL, "de_DE.UTF-8");
        m_previous = std::locale::global(std::locale("de_DE.UTF-8"));
    }
    ~CommaLocale() {
        std::locale::global(m_previous);
        std::setlocale(LC_ALL, "C");
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

private:
    std::locale m_previous;
};

} // namespace formula_testing
