// Negation, the constant forms (an operator with a constant on one side) and the two-operand
// operators: structural tests, derivatives, folded copies and texts.

#include "formula/Function.h"
#include "formula/TreeBuilding.h"

#include <cmath>
#include <functional>

using namespace formula_tree;

namespace {

template <class T> FunctionPtr<T> null() {
    return make<CNullFunction<T>>();
}

template <class T> FunctionPtr<T> constant(T value) {
    return make<CConstFunction<T>>(value);
}

// The value of a constant subtree.
template <class T> T valueOf(const CFunction<T>& f) {
    return f.Evaluate(T(0));
}

// The folded copy of a two-operand node over its folded operand copies: the value when both are
// constant, the constant form LeftForm or RightForm when one side is, else the node itself.
template <class Node, class LeftForm, class RightForm, class T, class Operation>
FunctionPtr<T> foldOperands(FunctionPtr<T> l, FunctionPtr<T> r, Operation operation) {
    const bool lc = l->IsConstant(), rc = r->IsConstant();
    if (lc && rc)
        return constant(operation(valueOf(*l), valueOf(*r)));
    if (lc)
        return make<LeftForm>(std::move(r), valueOf(*l));
    if (rc)
        return make<RightForm>(std::move(l), valueOf(*r));
    return make<Node>(std::move(l), std::move(r));
}

// A number on the left of "^" is put in parentheses when it has a sign: "(-2)^(x)".
inline CMathString powerBase(const CMathString& text, bool latex) {
    if (text.empty() || text[0] != '-')
        return text;
    return latex ? parenthesisedLaTeX(text) : parenthesised(text);
}

} // namespace

// ---- negation -----------------------------------------------------------------------------

template <class T> CMathString CNegFunction<T>::ToText() const {
    return join({"-", operandText(*this->m_pArg, kAfterMinus)});
}

template <class T> CMathString CNegFunction<T>::ToLaTeX() const {
    return join({"-", operandLaTeX(*this->m_pArg, kAfterMinus)});
}

template <class T> FunctionPtr<T> CNegFunction<T>::Derive() const {
    if (this->IsConstant())
        return null<T>();
    return make<CNegFunction<T>>(this->m_pArg->Derive());
}

template <class T> FunctionPtr<T> CNegFunction<T>::Clone(bool simplify) const {
    return make<CNegFunction<T>>(this->m_pArg->Clone(simplify));
}

// ---- g + k --------------------------------------------------------------------------------

template <class T> CMathString CAdd0Function<T>::ToText() const {
    return join({this->m_pArg->ToText(), "+", number(this->m_dConst)});
}

template <class T> CMathString CAdd0Function<T>::ToLaTeX() const {
    return join({this->m_pArg->ToLaTeX(), "+", number(this->m_dConst)});
}

template <class T> bool CAdd0Function<T>::constantTest() const {
    return this->m_pArg->IsConstant();
}

template <class T> bool CAdd0Function<T>::zeroTest() const {
    return this->m_pArg->IsConstant() && valueOf(*this->m_pArg) == -this->m_dConst;
}

template <class T> FunctionPtr<T> CAdd0Function<T>::Derive() const {
    if (this->IsConstant())
        return null<T>();
    return this->m_pArg->Derive();
}

template <class T> FunctionPtr<T> CAdd0Function<T>::Clone(bool simplify) const {
    auto arg = this->m_pArg->Clone(simplify);
    const T k = this->m_dConst;
    if (simplify && arg->IsZero())
        return constant(k);
    if (simplify && arg->IsConstant())
        return constant(k + valueOf(*arg));
    return make<CAdd0Function<T>>(std::move(arg), k);
}

// ---- k − g --------------------------------------------------------------------------------

template <class T> CMathString CSubL0Function<T>::ToText() const {
    return join({number(this->m_dConst), "-", operandText(*this->m_pArg, kAfterMinus)});
}

template <class T> CMathString CSubL0Function<T>::ToLaTeX() const {
    return join({number(this->m_dConst), "-", operandLaTeX(*this->m_pArg, kAfterMinus)});
}

template <class T> bool CSubL0Function<T>::constantTest() const {
    return this->m_pArg->IsConstant();
}

template <class T> bool CSubL0Function<T>::zeroTest() const {
    return this->m_pArg->IsConstant() && valueOf(*this->m_pArg) == this->m_dConst;
}

template <class T> FunctionPtr<T> CSubL0Function<T>::Derive() const {
    if (this->IsConstant())
        return null<T>();
    return make<CNegFunction<T>>(this->m_pArg->Derive());
}

template <class T> FunctionPtr<T> CSubL0Function<T>::Clone(bool simplify) const {
    auto arg = this->m_pArg->Clone(simplify);
    const T k = this->m_dConst;
    if (simplify && arg->IsZero())
        return constant(k);
    if (simplify && arg->IsConstant())
        return constant(k - valueOf(*arg));
    return make<CSubL0Function<T>>(std::move(arg), k);
}

// ---- g − k --------------------------------------------------------------------------------

template <class T> CMathString CSubR0Function<T>::ToText() const {
    return join({this->m_pArg->ToText(), "-", number(this->m_dConst)});
}

template <class T> CMathString CSubR0Function<T>::ToLaTeX() const {
    return join({this->m_pArg->ToLaTeX(), "-", number(this->m_dConst)});
}

template <class T> bool CSubR0Function<T>::constantTest() const {
    return this->m_pArg->IsConstant();
}

template <class T> bool CSubR0Function<T>::zeroTest() const {
    return this->m_pArg->IsConstant() && valueOf(*this->m_pArg) == this->m_dConst;
}

template <class T> FunctionPtr<T> CSubR0Function<T>::Derive() const {
    if (this->IsConstant())
        return null<T>();
    return this->m_pArg->Derive();
}

template <class T> FunctionPtr<T> CSubR0Function<T>::Clone(bool simplify) const {
    auto arg = this->m_pArg->Clone(simplify);
    const T k = this->m_dConst;
    if (simplify && arg->IsZero())
        return constant(-k);
    if (simplify && arg->IsConstant())
        return constant(valueOf(*arg) - k);
    return make<CSubR0Function<T>>(std::move(arg), k);
}

// ---- g·k ----------------------------------------------------------------------------------

template <class T> CMathString CMul0Function<T>::ToText() const {
    return join({number(this->m_dConst), "*", parenthesised(this->m_pArg->ToText())});
}

template <class T> CMathString CMul0Function<T>::ToLaTeX() const {
    return join({number(this->m_dConst), parenthesisedLaTeX(this->m_pArg->ToLaTeX())});
}

template <class T> bool CMul0Function<T>::constantTest() const {
    return this->m_pArg->IsConstant() || this->m_dConst == 0;
}

template <class T> bool CMul0Function<T>::zeroTest() const {
    return this->m_pArg->IsZero() || this->m_dConst == 0;
}

template <class T> FunctionPtr<T> CMul0Function<T>::Derive() const {
    if (this->IsConstant())
        return null<T>();
    return make<CMul0Function<T>>(this->m_pArg->Derive(), this->m_dConst);
}

template <class T> FunctionPtr<T> CMul0Function<T>::Clone(bool simplify) const {
    auto arg = this->m_pArg->Clone(simplify);
    const T k = this->m_dConst;
    if (simplify && arg->IsZero())
        return null<T>();
    if (simplify && arg->IsConstant())
        return constant(k * valueOf(*arg));
    return make<CMul0Function<T>>(std::move(arg), k);
}

// ---- k / g --------------------------------------------------------------------------------

template <class T> CMathString CDivL0Function<T>::ToText() const {
    return join({number(this->m_dConst), "/", parenthesised(this->m_pArg->ToText())});
}

template <class T> CMathString CDivL0Function<T>::ToLaTeX() const {
    return join({"\\frac{", number(this->m_dConst), "}{", this->m_pArg->ToLaTeX(), "}"});
}

template <class T> bool CDivL0Function<T>::constantTest() const {
    return this->m_pArg->IsConstant() || this->m_dConst == 0;
}

template <class T> bool CDivL0Function<T>::zeroTest() const {
    return this->m_dConst == 0;
}

template <class T> FunctionPtr<T> CDivL0Function<T>::Derive() const {
    if (this->IsConstant())
        return null<T>();
    const CFunction<T>& g = *this->m_pArg;
    return make<CNegFunction<T>>(make<CDivFunction<T>>(make<CMul0Function<T>>(g.Derive(), this->m_dConst),
                                                       make<CMulFunction<T>>(copy(g), copy(g))));
}

template <class T> FunctionPtr<T> CDivL0Function<T>::Clone(bool simplify) const {
    auto arg = this->m_pArg->Clone(simplify);
    const T k = this->m_dConst;
    if (simplify && arg->IsConstant())
        return constant(k / valueOf(*arg));
    return make<CDivL0Function<T>>(std::move(arg), k);
}

// ---- g / k --------------------------------------------------------------------------------

template <class T> CMathString CDivR0Function<T>::ToText() const {
    return join({parenthesised(this->m_pArg->ToText()), "/", number(this->m_dConst)});
}

template <class T> CMathString CDivR0Function<T>::ToLaTeX() const {
    return join({"\\frac{", this->m_pArg->ToLaTeX(), "}{", number(this->m_dConst), "}"});
}

template <class T> bool CDivR0Function<T>::constantTest() const {
    return this->m_pArg->IsConstant();
}

template <class T> bool CDivR0Function<T>::zeroTest() const {
    return this->m_pArg->IsZero();
}

template <class T> FunctionPtr<T> CDivR0Function<T>::Derive() const {
    if (this->IsConstant())
        return null<T>();
    return make<CDivR0Function<T>>(this->m_pArg->Derive(), this->m_dConst);
}

template <class T> FunctionPtr<T> CDivR0Function<T>::Clone(bool simplify) const {
    auto arg = this->m_pArg->Clone(simplify);
    const T k = this->m_dConst;
    if (simplify && arg->IsZero())
        return null<T>();
    if (simplify && arg->IsConstant())
        return constant(valueOf(*arg) / k);
    return make<CDivR0Function<T>>(std::move(arg), k);
}

// ---- k to the power g ---------------------------------------------------------------------

template <class T> CMathString CPowerL0Function<T>::ToText() const {
    return join({powerBase(number(this->m_dConst), false), "^", parenthesised(this->m_pArg->ToText())});
}

template <class T> CMathString CPowerL0Function<T>::ToLaTeX() const {
    // The exponent is written in its plain form.
    return join({powerBase(number(this->m_dConst), true), "^{", this->m_pArg->ToText(), "}"});
}

template <class T> bool CPowerL0Function<T>::constantTest() const {
    return this->m_pArg->IsConstant() && this->m_dConst == 0;
}

template <class T> bool CPowerL0Function<T>::zeroTest() const {
    // 0^g is 0 only for a positive g: 0^0 is 1, 0 to a negative power infinity.
    return this->m_dConst == 0 && this->m_pArg->IsConstant() && valueOf(*this->m_pArg) > 0;
}

template <class T> FunctionPtr<T> CPowerL0Function<T>::Derive() const {
    if (this->IsConstant())
        return null<T>();
    return make<CMulFunction<T>>(this->Clone(true),
                                 make<CMul0Function<T>>(this->m_pArg->Derive(), std::log(this->m_dConst)));
}

template <class T> FunctionPtr<T> CPowerL0Function<T>::Clone(bool simplify) const {
    return make<CPowerL0Function<T>>(this->m_pArg->Clone(simplify), this->m_dConst);
}

// ---- g to the power k ---------------------------------------------------------------------

template <class T> CMathString CPowerR0Function<T>::ToText() const {
    return join({operandText(*this->m_pArg, TextPrecedence::Power), "^", number(this->m_dConst)});
}

template <class T> CMathString CPowerR0Function<T>::ToLaTeX() const {
    // A power as base needs braces or parentheses in LaTeX (no double superscript).
    return join({operandLaTeX(*this->m_pArg, TextPrecedence::Atom), "^{", number(this->m_dConst), "}"});
}

template <class T> bool CPowerR0Function<T>::constantTest() const {
    return this->m_pArg->IsConstant() || this->m_dConst == 0;
}

template <class T> bool CPowerR0Function<T>::zeroTest() const {
    // 0^k is 0 only for a positive k.
    return this->m_pArg->IsZero() && this->m_dConst > 0;
}

template <class T> FunctionPtr<T> CPowerR0Function<T>::Derive() const {
    if (this->IsConstant())
        return null<T>();
    const T k = this->m_dConst;
    const CFunction<T>& g = *this->m_pArg;
    if (k == 1)
        return g.Derive();
    return make<CMul0Function<T>>(make<CMulFunction<T>>(make<CPowerR0Function<T>>(copy(g), k - 1), g.Derive()), k);
}

template <class T> FunctionPtr<T> CPowerR0Function<T>::Clone(bool simplify) const {
    return make<CPowerR0Function<T>>(this->m_pArg->Clone(simplify), this->m_dConst);
}

// ---- l + r --------------------------------------------------------------------------------

template <class T> CMathString CAddFunction<T>::ToText() const {
    return join({this->m_pLeft->ToText(), "+", operandText(*this->m_pRight, kAfterMinus)});
}

template <class T> CMathString CAddFunction<T>::ToLaTeX() const {
    return join({this->m_pLeft->ToLaTeX(), "+", operandLaTeX(*this->m_pRight, kAfterMinus)});
}

template <class T> bool CAddFunction<T>::constantTest() const {
    return this->m_pLeft->IsConstant() && this->m_pRight->IsConstant();
}

template <class T> bool CAddFunction<T>::zeroTest() const {
    const CFunction<T>& l = *this->m_pLeft;
    const CFunction<T>& r = *this->m_pRight;
    return (l.IsZero() && r.IsZero()) || (l.IsConstant() && r.IsConstant() && valueOf(l) == -valueOf(r));
}

template <class T> FunctionPtr<T> CAddFunction<T>::Derive() const {
    if (this->IsConstant())
        return null<T>();
    return make<CAddFunction<T>>(this->m_pLeft->Derive(), this->m_pRight->Derive());
}

template <class T> FunctionPtr<T> CAddFunction<T>::Clone(bool simplify) const {
    auto l = this->m_pLeft->Clone(simplify);
    auto r = this->m_pRight->Clone(simplify);
    if (!simplify)
        return make<CAddFunction<T>>(std::move(l), std::move(r));
    if (l->IsZero() && r->IsZero())
        return null<T>();
    return foldOperands<CAddFunction<T>, CAdd0Function<T>, CAdd0Function<T>>(std::move(l), std::move(r),
                                                                             std::plus<T>());
}

// ---- l − r --------------------------------------------------------------------------------

template <class T> CMathString CSubFunction<T>::ToText() const {
    return this->ComposeText("-");
}

template <class T> CMathString CSubFunction<T>::ToLaTeX() const {
    return join({this->m_pLeft->ToLaTeX(), "-", operandLaTeX(*this->m_pRight, kAfterMinus)});
}

template <class T> bool CSubFunction<T>::constantTest() const {
    return this->m_pLeft->IsConstant() && this->m_pRight->IsConstant();
}

template <class T> bool CSubFunction<T>::zeroTest() const {
    const CFunction<T>& l = *this->m_pLeft;
    const CFunction<T>& r = *this->m_pRight;
    return (l.IsZero() && r.IsZero()) || (l.IsConstant() && r.IsConstant() && valueOf(l) == valueOf(r));
}

template <class T> FunctionPtr<T> CSubFunction<T>::Derive() const {
    if (this->IsConstant())
        return null<T>();
    return make<CSubFunction<T>>(this->m_pLeft->Derive(), this->m_pRight->Derive());
}

template <class T> FunctionPtr<T> CSubFunction<T>::Clone(bool simplify) const {
    auto l = this->m_pLeft->Clone(simplify);
    auto r = this->m_pRight->Clone(simplify);
    if (!simplify)
        return make<CSubFunction<T>>(std::move(l), std::move(r));
    if (l->IsZero() && r->IsZero())
        return null<T>();
    return foldOperands<CSubFunction<T>, CSubL0Function<T>, CSubR0Function<T>>(std::move(l), std::move(r),
                                                                               std::minus<T>());
}

// ---- l·r ----------------------------------------------------------------------------------

template <class T> CMathString CMulFunction<T>::ToText() const {
    return this->ComposeText("*");
}

template <class T> CMathString CMulFunction<T>::ToLaTeX() const {
    return join({parenthesisedLaTeX(this->m_pLeft->ToLaTeX()), parenthesisedLaTeX(this->m_pRight->ToLaTeX())});
}

template <class T> bool CMulFunction<T>::constantTest() const {
    const CFunction<T>& l = *this->m_pLeft;
    const CFunction<T>& r = *this->m_pRight;
    return (l.IsConstant() && r.IsConstant()) || l.IsZero() || r.IsZero();
}

template <class T> bool CMulFunction<T>::zeroTest() const {
    return this->m_pLeft->IsZero() || this->m_pRight->IsZero();
}

template <class T> FunctionPtr<T> CMulFunction<T>::Derive() const {
    if (this->IsConstant())
        return null<T>();
    const CFunction<T>& l = *this->m_pLeft;
    const CFunction<T>& r = *this->m_pRight;
    return make<CAddFunction<T>>(make<CMulFunction<T>>(copy(l), r.Derive()),
                                 make<CMulFunction<T>>(l.Derive(), copy(r)));
}

template <class T> FunctionPtr<T> CMulFunction<T>::Clone(bool simplify) const {
    auto l = this->m_pLeft->Clone(simplify);
    auto r = this->m_pRight->Clone(simplify);
    if (!simplify)
        return make<CMulFunction<T>>(std::move(l), std::move(r));
    if (l->IsZero() || r->IsZero())
        return null<T>();
    return foldOperands<CMulFunction<T>, CMul0Function<T>, CMul0Function<T>>(std::move(l), std::move(r),
                                                                             std::multiplies<T>());
}

// ---- l / r --------------------------------------------------------------------------------

template <class T> CMathString CDivFunction<T>::ToText() const {
    return this->ComposeText("/");
}

template <class T> CMathString CDivFunction<T>::ToLaTeX() const {
    return join({"\\frac{", this->m_pLeft->ToLaTeX(), "}{", this->m_pRight->ToLaTeX(), "}"});
}

template <class T> bool CDivFunction<T>::constantTest() const {
    return (this->m_pLeft->IsConstant() && this->m_pRight->IsConstant()) || this->m_pLeft->IsZero();
}

template <class T> bool CDivFunction<T>::zeroTest() const {
    return this->m_pLeft->IsZero();
}

template <class T> FunctionPtr<T> CDivFunction<T>::Derive() const {
    if (this->IsConstant())
        return null<T>();
    const CFunction<T>& l = *this->m_pLeft;
    const CFunction<T>& r = *this->m_pRight;
    auto numerator =
        make<CSubFunction<T>>(make<CMulFunction<T>>(l.Derive(), copy(r)), make<CMulFunction<T>>(copy(l), r.Derive()));
    return make<CDivFunction<T>>(std::move(numerator), make<CMulFunction<T>>(copy(r), copy(r)));
}

template <class T> FunctionPtr<T> CDivFunction<T>::Clone(bool simplify) const {
    auto l = this->m_pLeft->Clone(simplify);
    auto r = this->m_pRight->Clone(simplify);
    if (!simplify)
        return make<CDivFunction<T>>(std::move(l), std::move(r));
    if (l->IsZero())
        return null<T>();
    return foldOperands<CDivFunction<T>, CDivL0Function<T>, CDivR0Function<T>>(std::move(l), std::move(r),
                                                                               std::divides<T>());
}

// ---- l to the power r ---------------------------------------------------------------------

template <class T> CMathString CPowerFunction<T>::ToText() const {
    return this->ComposeText("^");
}

template <class T> CMathString CPowerFunction<T>::ToLaTeX() const {
    return join({"{", operandLaTeX(*this->m_pLeft, TextPrecedence::Atom), "}^{", this->m_pRight->ToLaTeX(), "}"});
}

template <class T> bool CPowerFunction<T>::constantTest() const {
    // l^0 is 1 for every l; 0^r is not constant (0, 1 or infinity by the sign of r).
    return this->m_pRight->IsZero() || (this->m_pLeft->IsConstant() && this->m_pRight->IsConstant());
}

template <class T> bool CPowerFunction<T>::zeroTest() const {
    const CFunction<T>& r = *this->m_pRight;
    return this->m_pLeft->IsZero() && r.IsConstant() && valueOf(r) > 0;
}

template <class T> FunctionPtr<T> CPowerFunction<T>::Derive() const {
    if (this->IsConstant())
        return null<T>();
    const CFunction<T>& l = *this->m_pLeft;
    const CFunction<T>& r = *this->m_pRight;
    auto logarithmic = make<CMulFunction<T>>(r.Derive(), make<CLogFunction<T>>(copy(l)));
    auto polynomial = make<CDivFunction<T>>(make<CMulFunction<T>>(l.Derive(), copy(r)), copy(l));
    return make<CMulFunction<T>>(this->Clone(true),
                                 make<CAddFunction<T>>(std::move(logarithmic), std::move(polynomial)));
}

template <class T> FunctionPtr<T> CPowerFunction<T>::Clone(bool simplify) const {
    auto l = this->m_pLeft->Clone(simplify);
    auto r = this->m_pRight->Clone(simplify);
    if (!simplify)
        return make<CPowerFunction<T>>(std::move(l), std::move(r));
    return foldOperands<CPowerFunction<T>, CPowerL0Function<T>, CPowerR0Function<T>>(
        std::move(l), std::move(r), [](T a, T b) { return std::pow(a, b); });
}

template class CNegFunction<double>;
template class CConstantFormFunction<double>;
template class CAdd0Function<double>;
template class CSubL0Function<double>;
template class CSubR0Function<double>;
template class CMul0Function<double>;
template class CDivL0Function<double>;
template class CDivR0Function<double>;
template class CPowerL0Function<double>;
template class CPowerR0Function<double>;
template class CAddFunction<double>;
template class CSubFunction<double>;
template class CMulFunction<double>;
template class CDivFunction<double>;
template class CPowerFunction<double>;
