// The named functions (sin, ln, Gamma, ...) applied to x itself and to an argument subtree:
// structural tests, copies, texts and derivatives.

#include "formula/Function.h"
#include "formula/TreeBuilding.h"

#include <cmath>
#include <string>

using namespace formula_tree;

template <class T, class Op> FunctionPtr<T> FunctionOfX<T, Op>::Derive() const {
    if constexpr (Op::kDerivativeIsZero)
        return make<CNullFunction<T>>();
    else
        return Op::template deriveOfX<T>();
}

template <class T, class Op> CMathString FunctionOfArg<T, Op>::ToText() const {
    return this->ComposeText(Op::kName);
}

template <class T, class Op> CMathString FunctionOfArg<T, Op>::ToLaTeX() const {
    return join({Op::kLaTeXOpen, this->m_pArg->ToLaTeX(), Op::kLaTeXClose});
}

template <class T, class Op> FunctionPtr<T> FunctionOfArg<T, Op>::Derive() const {
    if constexpr (Op::kDerivativeIsZero) {
        return make<CNullFunction<T>>();
    } else {
        if (this->IsConstant())
            return make<CNullFunction<T>>();
        return Op::derive(*this->m_pArg);
    }
}

template <class T, class Op> FunctionPtr<T> FunctionOfArg<T, Op>::Clone(bool simplify) const {
    return make<FunctionOfArg>(this->m_pArg->Clone(simplify));
}

template <class T, class Op> bool FunctionOfArg<T, Op>::constantTest() const {
    if constexpr (Op::kConstantOnlyForZeroArg)
        return this->m_pArg->IsZero();
    else
        return this->m_pArg->IsConstant();
}

template <class T, class Op> bool FunctionOfArg<T, Op>::zeroTest() const {
    switch (Op::kZeroRule) {
    case ZeroRule::Never:
        return false;
    case ZeroRule::ArgZero:
        return this->m_pArg->IsZero();
    case ZeroRule::ArgConstantOne:
        return this->m_pArg->IsConstant() && this->m_pArg->Evaluate(T(0)) == T(1);
    }
    return false;
}

// ---- derivatives of the functions of x ----------------------------------------------------

namespace {

// 1 − x² and 1 + x²
template <class T> FunctionPtr<T> oneMinusSquare() {
    return make<CPolynom2Function<T>>(T(1), T(0), T(-1));
}
template <class T> FunctionPtr<T> onePlusSquare() {
    return make<CPolynom2Function<T>>(T(1), T(0), T(1));
}

template <class N> auto squareOf() {
    using T = typename N::Number;
    return make<CMulFunction<T>>(make<N>(), make<N>());
}

template <template <class> class N, class T> FunctionPtr<T> squareOf(const CFunction<T>& g) {
    return make<CMulFunction<T>>(make<N<T>>(copy(g)), make<N<T>>(copy(g)));
}

template <class T> FunctionPtr<T> times(FunctionPtr<T> outer, const CFunction<T>& g) {
    return make<CMulFunction<T>>(std::move(outer), g.Derive());
}

const double kLn10 = std::log(10.0);

} // namespace

// Ceil, Floor and Sign have the zero function as derivative (kDerivativeIsZero).

template <class T> FunctionPtr<T> AbsOp::deriveOfX() {
    return make<CSign1Function<T>>();
}
template <class T> FunctionPtr<T> AbsOp::derive(const CFunction<T>& g) {
    return times(make<CSignFunction<T>>(copy(g)), g);
}

template <class T> FunctionPtr<T> AcosOp::deriveOfX() {
    return make<CDivL0Function<T>>(make<CSqrtFunction<T>>(oneMinusSquare<T>()), T(-1));
}
template <class T> FunctionPtr<T> AcosOp::derive(const CFunction<T>& g) {
    auto root = make<CSqrtFunction<T>>(make<CSubL0Function<T>>(make<CMulFunction<T>>(copy(g), copy(g)), T(1)));
    return times(make<CDivL0Function<T>>(std::move(root), T(-1)), g);
}

template <class T> FunctionPtr<T> AsinOp::deriveOfX() {
    return make<CDivL0Function<T>>(make<CSqrtFunction<T>>(oneMinusSquare<T>()), T(1));
}
template <class T> FunctionPtr<T> AsinOp::derive(const CFunction<T>& g) {
    auto root = make<CSqrtFunction<T>>(make<CSubL0Function<T>>(make<CMulFunction<T>>(copy(g), copy(g)), T(1)));
    return times(make<CDivL0Function<T>>(std::move(root), T(1)), g);
}

template <class T> FunctionPtr<T> AtanOp::deriveOfX() {
    return make<CDivL0Function<T>>(onePlusSquare<T>(), T(1));
}
template <class T> FunctionPtr<T> AtanOp::derive(const CFunction<T>& g) {
    auto denominator = make<CAdd0Function<T>>(make<CMulFunction<T>>(copy(g), copy(g)), T(1));
    return times(make<CDivL0Function<T>>(std::move(denominator), T(1)), g);
}

template <class T> FunctionPtr<T> CosOp::deriveOfX() {
    return make<CNegFunction<T>>(make<CSin1Function<T>>());
}
template <class T> FunctionPtr<T> CosOp::derive(const CFunction<T>& g) {
    return make<CNegFunction<T>>(times(make<CSinFunction<T>>(copy(g)), g));
}

template <class T> FunctionPtr<T> CoshOp::deriveOfX() {
    return make<CSinh1Function<T>>();
}
template <class T> FunctionPtr<T> CoshOp::derive(const CFunction<T>& g) {
    return times(make<CSinhFunction<T>>(copy(g)), g);
}

template <class T> FunctionPtr<T> CotOp::deriveOfX() {
    return make<CNegFunction<T>>(make<CAdd0Function<T>>(squareOf<CCot1Function<T>>(), T(1)));
}
template <class T> FunctionPtr<T> CotOp::derive(const CFunction<T>& g) {
    return make<CNegFunction<T>>(times(make<CAdd0Function<T>>(squareOf<CCotFunction>(g), T(1)), g));
}

template <class T> FunctionPtr<T> CothOp::deriveOfX() {
    return make<CDivL0Function<T>>(squareOf<CSinh1Function<T>>(), T(-1));
}
template <class T> FunctionPtr<T> CothOp::derive(const CFunction<T>& g) {
    return times(make<CDivL0Function<T>>(squareOf<CSinhFunction>(g), T(-1)), g);
}

// Γ' = Γ·ψ
template <class T> FunctionPtr<T> GammaOp::deriveOfX() {
    return make<CMulFunction<T>>(make<CGamma1Function<T>>(),
                                 make<CPolygammaFunction<T>>(0, make<CIdentityFunction<T>>()));
}
template <class T> FunctionPtr<T> GammaOp::derive(const CFunction<T>& g) {
    return times(make<CMulFunction<T>>(make<CGammaFunction<T>>(copy(g)), make<CPolygammaFunction<T>>(0, copy(g))), g);
}

template <class T> FunctionPtr<T> ExpOp::deriveOfX() {
    return make<CExp1Function<T>>();
}
template <class T> FunctionPtr<T> ExpOp::derive(const CFunction<T>& g) {
    return times(make<CExpFunction<T>>(copy(g)), g);
}

template <class T> FunctionPtr<T> LogOp::deriveOfX() {
    return make<CDivL0Function<T>>(make<CIdentityFunction<T>>(), T(1));
}
template <class T> FunctionPtr<T> LogOp::derive(const CFunction<T>& g) {
    return make<CDivFunction<T>>(g.Derive(), copy(g));
}

template <class T> FunctionPtr<T> Log10Op::deriveOfX() {
    return make<CDivL0Function<T>>(make<CIdentityFunction<T>>(), static_cast<T>(1 / kLn10));
}
template <class T> FunctionPtr<T> Log10Op::derive(const CFunction<T>& g) {
    return make<CDivFunction<T>>(g.Derive(), make<CMul0Function<T>>(copy(g), static_cast<T>(kLn10)));
}

template <class T> FunctionPtr<T> SinOp::deriveOfX() {
    return make<CCos1Function<T>>();
}
template <class T> FunctionPtr<T> SinOp::derive(const CFunction<T>& g) {
    return times(make<CCosFunction<T>>(copy(g)), g);
}

template <class T> FunctionPtr<T> SinhOp::deriveOfX() {
    return make<CCosh1Function<T>>();
}
template <class T> FunctionPtr<T> SinhOp::derive(const CFunction<T>& g) {
    return times(make<CCoshFunction<T>>(copy(g)), g);
}

template <class T> FunctionPtr<T> SqrOp::deriveOfX() {
    return make<CPolynom1Function<T>>(T(0), T(2));
}
template <class T> FunctionPtr<T> SqrOp::derive(const CFunction<T>& g) {
    return make<CMul0Function<T>>(make<CMulFunction<T>>(copy(g), g.Derive()), T(2));
}

template <class T> FunctionPtr<T> SqrtOp::deriveOfX() {
    return make<CDivL0Function<T>>(make<CSqrt1Function<T>>(), T(0.5));
}
template <class T> FunctionPtr<T> SqrtOp::derive(const CFunction<T>& g) {
    return make<CDivFunction<T>>(g.Derive(), make<CMul0Function<T>>(make<CSqrtFunction<T>>(copy(g)), T(2)));
}

template <class T> FunctionPtr<T> TanOp::deriveOfX() {
    return make<CAdd0Function<T>>(squareOf<CTan1Function<T>>(), T(1));
}
template <class T> FunctionPtr<T> TanOp::derive(const CFunction<T>& g) {
    return times(make<CAdd0Function<T>>(squareOf<CTanFunction>(g), T(1)), g);
}

template <class T> FunctionPtr<T> TanhOp::deriveOfX() {
    return make<CDivL0Function<T>>(squareOf<CCosh1Function<T>>(), T(1));
}
template <class T> FunctionPtr<T> TanhOp::derive(const CFunction<T>& g) {
    return times(make<CDivL0Function<T>>(squareOf<CCoshFunction>(g), T(1)), g);
}

// ---- polygamma ------------------------------------------------------------------------------

std::string PolygammaName(int order) {
    return order == 0 ? std::string("Digamma") : "Polygamma_" + std::to_string(order);
}

template <class T> CMathString CPolygammaFunction<T>::ToText() const {
    return this->ComposeText(PolygammaName(m_nOrder).c_str());
}

template <class T> CMathString CPolygammaFunction<T>::ToLaTeX() const {
    const std::string psi = m_nOrder == 0 ? "\\psi\\left(" : "\\psi^{(" + std::to_string(m_nOrder) + ")}\\left(";
    return join({psi, this->m_pArg->ToLaTeX(), "\\right)"});
}

// (ψ⁽ⁿ⁾∘g)' = ψ⁽ⁿ⁺¹⁾(g)·g'
template <class T> FunctionPtr<T> CPolygammaFunction<T>::Derive() const {
    if (this->IsConstant())
        return make<CNullFunction<T>>();
    auto next = make<CPolygammaFunction<T>>(m_nOrder + 1, copy(*this->m_pArg));
    if (dynamic_cast<const CIdentityFunction<T>*>(this->m_pArg.get()))
        return next;
    return times(std::move(next), *this->m_pArg);
}

template <class T> FunctionPtr<T> CPolygammaFunction<T>::Clone(bool simplify) const {
    return make<CPolygammaFunction<T>>(m_nOrder, this->m_pArg->Clone(simplify));
}

template class CPolygammaFunction<double>;

#define CORVANA_INSTANTIATE_NAMED(OP)                                                                                  \
    template class FunctionOfX<double, OP>;                                                                            \
    template class FunctionOfArg<double, OP>;
CORVANA_FORMULA_NAMED_OPS(CORVANA_INSTANTIATE_NAMED)
#undef CORVANA_INSTANTIATE_NAMED
