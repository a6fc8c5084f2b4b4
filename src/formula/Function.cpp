// The root of the expression-tree family with its numeric methods, the one- and two-operand
// bases, and the leaves: constant, zero, the variable and the polynomials.

#include "formula/Function.h"
#include "formula/TreeBuilding.h"

#include <cmath>
#include <limits>

using namespace formula_tree;

// ---- numeric methods ----------------------------------------------------------------------

template <class T> T CFunction<T>::NumericDerivative(T x, int n, T h) const {
    if (n < 0)
        return std::numeric_limits<T>::quiet_NaN();
    if (n == 0)
        return Evaluate(x);
    if (n == 1) {
        const T fx = Evaluate(x);
        return (Evaluate(x + h) - fx) / h;
    }
    // Order 2 is the central difference of f(x − h), f(x), f(x + h); order n is the forward
    // difference of order n − 1 at x + h and x over h. Together: the n-th forward difference
    // starting at x − h, divided by h to the n.
    T sum = 0;
    T binomial = 1; // C(n, k)
    for (int k = 0; k <= n; ++k) {
        const T term = binomial * Evaluate(x + static_cast<T>(k - 1) * h);
        sum += ((n - k) % 2 == 0) ? term : -term;
        binomial = binomial * static_cast<T>(n - k) / static_cast<T>(k + 1);
    }
    for (int i = 0; i < n; ++i)
        sum /= h;
    return sum;
}

template <class T> T CFunction<T>::NewtonRoot(T x0, T eps) const {
    T x = x0;
    T y = Evaluate(x);
    int steps = 0;
    while (std::fabs(y) > eps) {
        if (++steps > kNewtonMaxSteps)
            return std::numeric_limits<T>::quiet_NaN();
        const T d = NumericDerivative(x, 1, static_cast<T>(1e-6));
        x = x - y / d;
        y = Evaluate(x);
    }
    return x;
}

template <class T> T CFunction<T>::IntegrateTrapezoid(T a, T b, int n) const {
    if (n <= 0)
        return 0;
    const T h = (b - a) / static_cast<T>(n);
    T s = Evaluate(a) * (h * static_cast<T>(0.5));
    T x = a + h;
    for (int i = 1; i < n; ++i) {
        s = s + Evaluate(x) * h;
        x = x + h;
    }
    return s + Evaluate(x) * (h * static_cast<T>(0.5));
}

template <class T> T CFunction<T>::IntegrateMidpoint(T a, T b, int n) const {
    if (n <= 0)
        return 0;
    const T h = (b - a) / static_cast<T>(n);
    T s = 0;
    T left = a;
    for (int i = 0; i < n; ++i) {
        s = s + Evaluate(left + h * static_cast<T>(0.5)) * h;
        left = left + h;
    }
    return s;
}

template <class T> T CFunction<T>::IntegrateSimpson(T a, T b, int n) const {
    if (n <= 0)
        return 0;
    const long long m = (n % 2 == 0) ? n : static_cast<long long>(n) + 1;
    const T h = (b - a) / static_cast<T>(m);
    const T w1 = h / 3;
    const T w4 = h * 4 / 3;
    const T w2 = (h + h) / 3;
    T s = Evaluate(a) * w1 + Evaluate(a + h) * w4;
    T x = a + h + h;
    for (long long i = 1; i < m / 2; ++i) {
        s = s + Evaluate(x) * w2 + Evaluate(x + h) * w4;
        x = x + h + h;
    }
    return s + Evaluate(x) * w1;
}

// ---- bases --------------------------------------------------------------------------------

template <class T> CMathString CFunction1<T>::ComposeText(const char* text) const {
    return join({text, parenthesised(m_pArg->ToText())});
}

template <class T> CMathString CFunction2<T>::ComposeText(const char* text) const {
    return join({parenthesised(m_pLeft->ToText()), text, parenthesised(m_pRight->ToText())});
}

// ---- constant -----------------------------------------------------------------------------

template <class T> CMathString CConstFunction<T>::ToText() const {
    return number(m_dValue);
}

template <class T> CMathString CConstFunction<T>::ToLaTeX() const {
    return number(m_dValue);
}

template <class T> FunctionPtr<T> CConstFunction<T>::Derive() const {
    return make<CNullFunction<T>>();
}

template <class T> FunctionPtr<T> CConstFunction<T>::Clone(bool simplify) const {
    if (simplify && m_dValue == 0)
        return make<CNullFunction<T>>();
    return make<CConstFunction<T>>(m_dValue);
}

template <class T> TextPrecedence CConstFunction<T>::Precedence(bool) const {
    // A negative number starts with its sign and binds like a negation.
    return std::signbit(m_dValue) ? TextPrecedence::Sum : TextPrecedence::Atom;
}

// ---- zero and the variable ----------------------------------------------------------------

template <class T> CMathString CNullFunction<T>::ToText() const {
    return CMathString("0");
}

template <class T> CMathString CNullFunction<T>::ToLaTeX() const {
    return CMathString("0");
}

template <class T> FunctionPtr<T> CNullFunction<T>::Derive() const {
    return make<CNullFunction<T>>();
}

template <class T> FunctionPtr<T> CNullFunction<T>::Clone(bool) const {
    return make<CNullFunction<T>>();
}

template <class T> CMathString CIdentityFunction<T>::ToText() const {
    return CMathString("x");
}

template <class T> CMathString CIdentityFunction<T>::ToLaTeX() const {
    return CMathString("x");
}

template <class T> FunctionPtr<T> CIdentityFunction<T>::Derive() const {
    return make<CConstFunction<T>>(T(1));
}

template <class T> FunctionPtr<T> CIdentityFunction<T>::Clone(bool) const {
    return make<CIdentityFunction<T>>();
}

// ---- polynomials --------------------------------------------------------------------------

template <class T> CMathString CPolynom1Function<T>::ToText() const {
    return join({number(m_dC1), "*x+", number(m_dC0)});
}

template <class T> CMathString CPolynom1Function<T>::ToLaTeX() const {
    return join({number(m_dC1), "x+", number(m_dC0)});
}

template <class T> FunctionPtr<T> CPolynom1Function<T>::Derive() const {
    if (this->IsConstant())
        return make<CNullFunction<T>>();
    return make<CConstFunction<T>>(m_dC1);
}

template <class T> FunctionPtr<T> CPolynom1Function<T>::Clone(bool simplify) const {
    if (!simplify || m_dC1 != 0)
        return make<CPolynom1Function<T>>(m_dC0, m_dC1);
    if (m_dC0 != 0)
        return make<CConstFunction<T>>(m_dC0);
    return make<CNullFunction<T>>();
}

template <class T> CMathString CPolynom2Function<T>::ToText() const {
    return join({number(m_dC2), "*x^2+", number(m_dC1), "*x+", number(m_dC0)});
}

template <class T> CMathString CPolynom2Function<T>::ToLaTeX() const {
    return join({number(m_dC2), "x^2+", number(m_dC1), "x+", number(m_dC0)});
}

template <class T> FunctionPtr<T> CPolynom2Function<T>::Derive() const {
    if (this->IsConstant())
        return make<CNullFunction<T>>();
    return make<CPolynom1Function<T>>(m_dC1, 2 * m_dC2);
}

template <class T> FunctionPtr<T> CPolynom2Function<T>::Clone(bool simplify) const {
    if (!simplify || m_dC2 != 0)
        return make<CPolynom2Function<T>>(m_dC0, m_dC1, m_dC2);
    if (m_dC1 == 0 && m_dC0 == 0)
        return make<CNullFunction<T>>();
    if (m_dC1 != 0)
        return make<CPolynom1Function<T>>(m_dC0, m_dC1);
    return make<CConstFunction<T>>(m_dC0);
}

template class CFunction<double>;
template class CFunction1<double>;
template class CFunction2<double>;
template class CConstFunction<double>;
template class CNullFunction<double>;
template class CIdentityFunction<double>;
template class CPolynom1Function<double>;
template class CPolynom2Function<double>;
