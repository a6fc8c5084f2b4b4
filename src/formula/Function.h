#pragma once
// Expression trees of formulas: one class per kind of node (constants, the variable x,
// polynomials in x, the arithmetic operators, negation and the named functions), each with
// its value at x, structural tests, symbolic derivative, deep copy with folding, plain and
// LaTeX text. Trees are strict trees owned through std::unique_ptr and never change after
// construction. The family is generic over the number type T; the library provides T = double.

#include "formula/Gamma.h"
#include "formula/MathString.h"

#include <cmath>
#include <memory>
#include <string>

template <class T> class CFunction;
template <class T> using FunctionPtr = std::unique_ptr<CFunction<T>>;

// How tightly a node's text form binds when it stands as an operand: a form binding less
// tightly than its place needs is put in parentheses.
enum class TextPrecedence : int { Sum = 1, Product = 2, Power = 3, Atom = 4 };

template <class T> class CFunction {
public:
    using Number = T;

    CFunction() = default;
    CFunction(const CFunction&) = delete;
    CFunction& operator=(const CFunction&) = delete;
    virtual ~CFunction() = default;

    // Plain text ("sin(x)*2") and LaTeX source of the subtree.
    virtual CMathString ToText() const = 0;
    virtual CMathString ToLaTeX() const = 0;
    // A new tree: the symbolic derivative by x. Copies of subtrees in it are folded.
    virtual FunctionPtr<T> Derive() const = 0;
    // A new tree: a node-for-node copy, or with `simplify` a copy with constants folded.
    virtual FunctionPtr<T> Clone(bool simplify) const = 0;
    // The value at x: IEEE arithmetic without domain checks (infinities and NaN come through).
    virtual T Evaluate(T x) const = 0;
    // Structural and conservative: true only when the value cannot depend on x / is 0 for every
    // x. Worked out once when the node is built, from its children's answers (trees never change).
    bool IsConstant() const { return m_bConstant; }
    bool IsZero() const { return m_bZero; }
    // How the node's text form binds (plain or LaTeX), for the parentheses of its parent.
    virtual TextPrecedence Precedence(bool latex) const = 0;

    // Finite-difference derivative of order n >= 0 at x with step h; NaN for a negative order.
    T NumericDerivative(T x, int n, T h) const;
    // Newton's iteration from x0 until |f| <= eps (or f is NaN); NaN after kNewtonMaxSteps steps.
    T NewtonRoot(T x0, T eps) const;
    // Quadrature of f from a to b over n subintervals; 0 for n <= 0.
    T IntegrateTrapezoid(T a, T b, int n) const;
    T IntegrateMidpoint(T a, T b, int n) const;
    T IntegrateSimpson(T a, T b, int n) const;

    static constexpr int kNewtonMaxSteps = 1000;

protected:
    void setStructure(bool constant, bool zero) {
        m_bConstant = constant;
        m_bZero = zero;
    }

private:
    bool m_bConstant = false;
    bool m_bZero = false;
};

// A node with one owned argument.
template <class T> class CFunction1 : public CFunction<T> {
public:
    explicit CFunction1(FunctionPtr<T> arg) : m_pArg(std::move(arg)) {}
    const CFunction<T>& Arg() const { return *m_pArg; }
    // name "(" argument text ")"
    CMathString ComposeText(const char* text) const;

protected:
    FunctionPtr<T> m_pArg;
};

// A node with two owned operands, left and right.
template <class T> class CFunction2 : public CFunction<T> {
public:
    CFunction2(FunctionPtr<T> left, FunctionPtr<T> right) : m_pLeft(std::move(left)), m_pRight(std::move(right)) {}
    const CFunction<T>& Left() const { return *m_pLeft; }
    const CFunction<T>& Right() const { return *m_pRight; }
    // "(" left text ")" text "(" right text ")"
    CMathString ComposeText(const char* text) const;

protected:
    FunctionPtr<T> m_pLeft;
    FunctionPtr<T> m_pRight;
};

// ---- leaves -------------------------------------------------------------------------------

template <class T> class CConstFunction final : public CFunction<T> {
public:
    explicit CConstFunction(T value) : m_dValue(value) { this->setStructure(true, value == 0); }
    T Value() const { return m_dValue; }
    CMathString ToText() const override;
    CMathString ToLaTeX() const override;
    FunctionPtr<T> Derive() const override;
    FunctionPtr<T> Clone(bool simplify) const override;
    T Evaluate(T) const override { return m_dValue; }
    TextPrecedence Precedence(bool latex) const override;

private:
    T m_dValue;
};

template <class T> class CNullFunction final : public CFunction<T> {
public:
    CNullFunction() { this->setStructure(true, true); }
    CMathString ToText() const override;
    CMathString ToLaTeX() const override;
    FunctionPtr<T> Derive() const override;
    FunctionPtr<T> Clone(bool simplify) const override;
    T Evaluate(T) const override { return T(0); }
    TextPrecedence Precedence(bool) const override { return TextPrecedence::Atom; }
};

template <class T> class CIdentityFunction final : public CFunction<T> {
public:
    CMathString ToText() const override;
    CMathString ToLaTeX() const override;
    FunctionPtr<T> Derive() const override;
    FunctionPtr<T> Clone(bool simplify) const override;
    T Evaluate(T x) const override { return x; }
    TextPrecedence Precedence(bool) const override { return TextPrecedence::Atom; }
};

// m_dC1·x + m_dC0
template <class T> class CPolynom1Function final : public CFunction<T> {
public:
    CPolynom1Function(T c0, T c1) : m_dC0(c0), m_dC1(c1) { this->setStructure(c1 == 0, c1 == 0 && c0 == 0); }
    T C0() const { return m_dC0; }
    T C1() const { return m_dC1; }
    CMathString ToText() const override;
    CMathString ToLaTeX() const override;
    FunctionPtr<T> Derive() const override;
    FunctionPtr<T> Clone(bool simplify) const override;
    T Evaluate(T x) const override { return m_dC1 * x + m_dC0; }
    TextPrecedence Precedence(bool) const override { return TextPrecedence::Sum; }

private:
    T m_dC0, m_dC1;
};

// m_dC2·x² + m_dC1·x + m_dC0
template <class T> class CPolynom2Function final : public CFunction<T> {
public:
    CPolynom2Function(T c0, T c1, T c2) : m_dC0(c0), m_dC1(c1), m_dC2(c2) {
        this->setStructure(c2 == 0 && c1 == 0, c2 == 0 && c1 == 0 && c0 == 0);
    }
    T C0() const { return m_dC0; }
    T C1() const { return m_dC1; }
    T C2() const { return m_dC2; }
    CMathString ToText() const override;
    CMathString ToLaTeX() const override;
    FunctionPtr<T> Derive() const override;
    FunctionPtr<T> Clone(bool simplify) const override;
    T Evaluate(T x) const override { return (m_dC2 * x + m_dC1) * x + m_dC0; }
    TextPrecedence Precedence(bool) const override { return TextPrecedence::Sum; }

private:
    T m_dC0, m_dC1, m_dC2;
};

// ---- named functions ------------------------------------------------------------------------
// Each named function is described by an operation type (SinOp, ...): its value, its texts, the
// rules of its structural tests and its derivative. FunctionOfX applies it to x itself,
// FunctionOfArg to an argument subtree; the aliases below give each pair its class names.

// When a function-of-argument node is the zero function.
enum class ZeroRule { Never, ArgZero, ArgConstantOne };

struct NamedOpDefaults {
    static constexpr ZeroRule kZeroRule = ZeroRule::ArgZero;
    static constexpr bool kConstantOnlyForZeroArg = false; // Exp: e^g is only known constant for g = 0
    static constexpr bool kDerivativeIsZero = false;       // Ceil, Floor, Sign
    static constexpr TextPrecedence kTextPrecedence = TextPrecedence::Atom;
    static constexpr TextPrecedence kLaTeXPrecedence = TextPrecedence::Atom;
    static constexpr TextPrecedence kTextOfXPrecedence = TextPrecedence::Atom;
    static constexpr TextPrecedence kLaTeXOfXPrecedence = TextPrecedence::Atom;
    static constexpr const char* kLaTeXClose = "\\right)";
};

#define CORVANA_NAMED_OP(NAME, TEXT, TEXT_OF_X, LATEX_OPEN, LATEX_OF_X, APPLY, ...)                                    \
    struct NAME##Op : NamedOpDefaults {                                                                                \
        static constexpr const char* kName = TEXT;                                                                     \
        static constexpr const char* kTextOfX = TEXT_OF_X;                                                             \
        static constexpr const char* kLaTeXOpen = LATEX_OPEN;                                                          \
        static constexpr const char* kLaTeXOfX = LATEX_OF_X;                                                           \
        __VA_ARGS__                                                                                                    \
        template <class T> static T apply(T v) { return APPLY; }                                                       \
        template <class T> static FunctionPtr<T> deriveOfX();                                                          \
        template <class T> static FunctionPtr<T> derive(const CFunction<T>& g);                                        \
    };

CORVANA_NAMED_OP(Abs, "abs", "abs(x)", "\\left|", "\\left|x\\right|", std::fabs(v),
                 static constexpr const char* kLaTeXClose = "\\right|";)
CORVANA_NAMED_OP(Acos, "Acos", "Acos(x)", "\\arccos\\left(", "\\arccos(x)", std::acos(v),
                 static constexpr ZeroRule kZeroRule = ZeroRule::Never;)
CORVANA_NAMED_OP(Asin, "Asin", "Asin(x)", "\\arcsin\\left(", "\\arcsin(x)", std::asin(v), )
CORVANA_NAMED_OP(Atan, "Atan", "Atan(x)", "\\arctan\\left(", "\\arctan(x)", std::atan(v), )
CORVANA_NAMED_OP(Ceil, "ceil", "ceil(x)", "\\mathop{\\rm ceil}\\left(", "\\mathop{\\rm ceil}(x)", std::ceil(v),
                 static constexpr bool kDerivativeIsZero = true;)
CORVANA_NAMED_OP(Cos, "cos", "cos(x)", "\\cos\\left(", "\\cos(x)", std::cos(v),
                 static constexpr ZeroRule kZeroRule = ZeroRule::Never;)
CORVANA_NAMED_OP(Cosh, "cosh", "cosh(x)", "\\cosh\\left(", "\\cosh(x)", std::cosh(v),
                 static constexpr ZeroRule kZeroRule = ZeroRule::Never;)
CORVANA_NAMED_OP(Cot, "cot", "cot(x)", "\\cot\\left(", "\\cot(x)", std::cos(v) / std::sin(v),
                 static constexpr ZeroRule kZeroRule = ZeroRule::Never;)
CORVANA_NAMED_OP(Coth, "coth", "coth(x)", "\\coth\\left(", "\\coth(x)", std::cosh(v) / std::sinh(v),
                 static constexpr ZeroRule kZeroRule = ZeroRule::Never;)
CORVANA_NAMED_OP(Exp, "exp", "exp(x)", "e^{", "e^x", std::exp(v), static constexpr ZeroRule kZeroRule = ZeroRule::Never;
                 static constexpr bool kConstantOnlyForZeroArg = true;
                 static constexpr TextPrecedence kLaTeXPrecedence = TextPrecedence::Power;
                 static constexpr TextPrecedence kLaTeXOfXPrecedence = TextPrecedence::Power;
                 static constexpr const char* kLaTeXClose = "}";)
CORVANA_NAMED_OP(Floor, "floor", "floor(x)", "\\mathop{\\rm floor}\\left(", "\\mathop{\\rm floor}(x)", std::floor(v),
                 static constexpr bool kDerivativeIsZero = true;)
CORVANA_NAMED_OP(Gamma, "Gamma", "Gamma(x)", "\\Gamma\\left(", "\\Gamma\\left(x\\right)",
                 static_cast<T>(::Gamma(static_cast<double>(v))),
                 static constexpr ZeroRule kZeroRule = ZeroRule::Never;)
// The natural logarithm reads "ln" in plain text, the name the parser knows it by.
CORVANA_NAMED_OP(Log, "ln", "ln(x)", "\\ln\\left(", "\\ln\\left(x\\right)", std::log(v),
                 static constexpr ZeroRule kZeroRule = ZeroRule::ArgConstantOne;)
CORVANA_NAMED_OP(Log10, "lg", "lg(x)", "\\lg\\left(", "\\lg\\left(x\\right)", std::log10(v),
                 static constexpr ZeroRule kZeroRule = ZeroRule::ArgConstantOne;)
CORVANA_NAMED_OP(Sign, "sign", "sign(x)", "\\mathop{\\rm sign}\\left(", "\\mathop{\\rm sign}(x)",
                 (v > T(0) ? T(1) : (v < T(0) ? T(-1) : T(0))), static constexpr bool kDerivativeIsZero = true;)
CORVANA_NAMED_OP(Sin, "sin", "sin(x)", "\\sin\\left(", "\\sin(x)", std::sin(v), )
CORVANA_NAMED_OP(Sinh, "sinh", "sinh(x)", "\\sinh\\left(", "\\sinh(x)", std::sinh(v), )
CORVANA_NAMED_OP(Sqr, "sqr", "x^2", "\\left(", "x^2", v* v, static constexpr const char* kLaTeXClose = "\\right)^{2}";
                 static constexpr TextPrecedence kLaTeXPrecedence = TextPrecedence::Power;
                 static constexpr TextPrecedence kTextOfXPrecedence = TextPrecedence::Power;
                 static constexpr TextPrecedence kLaTeXOfXPrecedence = TextPrecedence::Power;)
CORVANA_NAMED_OP(Sqrt, "sqrt", "sqrt(x)", "\\sqrt{", "\\sqrt{x}", std::sqrt(v),
                 static constexpr const char* kLaTeXClose = "}";)
CORVANA_NAMED_OP(Tan, "tan", "tan(x)", "\\tan\\left(", "\\tan(x)", std::tan(v), )
CORVANA_NAMED_OP(Tanh, "tanh", "tanh(x)", "\\tanh\\left(", "\\tanh(x)", std::tanh(v), )

#undef CORVANA_NAMED_OP

// A named function applied to x itself (CSin1Function, ...).
template <class T, class Op> class FunctionOfX final : public CFunction<T> {
public:
    CMathString ToText() const override { return CMathString(Op::kTextOfX); }
    CMathString ToLaTeX() const override { return CMathString(Op::kLaTeXOfX); }
    FunctionPtr<T> Derive() const override;
    FunctionPtr<T> Clone(bool) const override { return std::make_unique<FunctionOfX>(); }
    T Evaluate(T x) const override { return Op::apply(x); }
    TextPrecedence Precedence(bool latex) const override {
        return latex ? Op::kLaTeXOfXPrecedence : Op::kTextOfXPrecedence;
    }
};

// A named function applied to an argument subtree (CSinFunction, ...).
template <class T, class Op> class FunctionOfArg final : public CFunction1<T> {
public:
    explicit FunctionOfArg(FunctionPtr<T> arg) : CFunction1<T>(std::move(arg)) {
        this->setStructure(constantTest(), zeroTest());
    }
    CMathString ToText() const override;
    CMathString ToLaTeX() const override;
    FunctionPtr<T> Derive() const override;
    FunctionPtr<T> Clone(bool simplify) const override;
    T Evaluate(T x) const override { return Op::apply(this->m_pArg->Evaluate(x)); }
    TextPrecedence Precedence(bool latex) const override { return latex ? Op::kLaTeXPrecedence : Op::kTextPrecedence; }

private:
    bool constantTest() const;
    bool zeroTest() const;
};

#define CORVANA_NAMED_CLASSES(NAME, OF_X)                                                                              \
    template <class T> using C##NAME##Function = FunctionOfArg<T, NAME##Op>;                                           \
    template <class T> using C##OF_X##Function = FunctionOfX<T, NAME##Op>;
CORVANA_NAMED_CLASSES(Abs, Abs1)
CORVANA_NAMED_CLASSES(Acos, Acos1)
CORVANA_NAMED_CLASSES(Asin, Asin1)
CORVANA_NAMED_CLASSES(Atan, Atan1)
CORVANA_NAMED_CLASSES(Ceil, Ceil1)
CORVANA_NAMED_CLASSES(Cos, Cos1)
CORVANA_NAMED_CLASSES(Cosh, Cosh1)
CORVANA_NAMED_CLASSES(Cot, Cot1)
CORVANA_NAMED_CLASSES(Coth, Coth1)
CORVANA_NAMED_CLASSES(Exp, Exp1)
CORVANA_NAMED_CLASSES(Floor, Floor1)
CORVANA_NAMED_CLASSES(Gamma, Gamma1)
CORVANA_NAMED_CLASSES(Log, Log1)
CORVANA_NAMED_CLASSES(Log10, Log101)
CORVANA_NAMED_CLASSES(Sign, Sign1)
CORVANA_NAMED_CLASSES(Sin, Sin1)
CORVANA_NAMED_CLASSES(Sinh, Sinh1)
CORVANA_NAMED_CLASSES(Sqr, Sqr1)
CORVANA_NAMED_CLASSES(Sqrt, Sqrt1)
CORVANA_NAMED_CLASSES(Tan, Tan1)
CORVANA_NAMED_CLASSES(Tanh, Tanh1)
#undef CORVANA_NAMED_CLASSES

// ---- polygamma ------------------------------------------------------------------------------

// The name of ψ⁽ⁿ⁾ in formula texts: "Digamma" for order 0, "Polygamma_n" above. Texts name
// orders up to kMaxPolygammaOrder.
std::string PolygammaName(int order);
inline constexpr int kMaxPolygammaOrder = 1000;

// ψ⁽ⁿ⁾(g), the n-th derivative of the digamma function ψ = Γ'/Γ, of the derivatives of Gamma.
template <class T> class CPolygammaFunction final : public CFunction1<T> {
public:
    CPolygammaFunction(int order, FunctionPtr<T> arg) : CFunction1<T>(std::move(arg)), m_nOrder(order) {
        this->setStructure(this->m_pArg->IsConstant(), false);
    }
    int Order() const { return m_nOrder; }
    CMathString ToText() const override;
    CMathString ToLaTeX() const override;
    FunctionPtr<T> Derive() const override;
    FunctionPtr<T> Clone(bool simplify) const override;
    T Evaluate(T x) const override {
        return static_cast<T>(::Polygamma(m_nOrder, static_cast<double>(this->m_pArg->Evaluate(x))));
    }
    TextPrecedence Precedence(bool) const override { return TextPrecedence::Atom; }

private:
    int m_nOrder;
};

// ---- negation and the constant forms --------------------------------------------------------

// −g
template <class T> class CNegFunction final : public CFunction1<T> {
public:
    explicit CNegFunction(FunctionPtr<T> arg) : CFunction1<T>(std::move(arg)) {
        this->setStructure(this->m_pArg->IsConstant(), this->m_pArg->IsZero());
    }
    CMathString ToText() const override;
    CMathString ToLaTeX() const override;
    FunctionPtr<T> Derive() const override;
    FunctionPtr<T> Clone(bool simplify) const override;
    T Evaluate(T x) const override { return -this->m_pArg->Evaluate(x); }
    TextPrecedence Precedence(bool) const override { return TextPrecedence::Sum; }
};

// A one-argument node with a constant k (m_dConst) on one side of its operator.
template <class T> class CConstantFormFunction : public CFunction1<T> {
public:
    CConstantFormFunction(FunctionPtr<T> arg, T k) : CFunction1<T>(std::move(arg)), m_dConst(k) {}
    T Const() const { return m_dConst; }

protected:
    T m_dConst;
};

#define CORVANA_CONSTANT_FORM(NAME, EVALUATE, PRECEDENCE)                                                              \
    template <class T> class NAME final : public CConstantFormFunction<T> {                                            \
    public:                                                                                                            \
        NAME(FunctionPtr<T> arg, T k) : CConstantFormFunction<T>(std::move(arg), k) {                                  \
            this->setStructure(constantTest(), zeroTest());                                                            \
        }                                                                                                              \
        CMathString ToText() const override;                                                                           \
        CMathString ToLaTeX() const override;                                                                          \
        FunctionPtr<T> Derive() const override;                                                                        \
        FunctionPtr<T> Clone(bool simplify) const override;                                                            \
        T Evaluate(T x) const override {                                                                               \
            const T g = this->m_pArg->Evaluate(x);                                                                     \
            const T k = this->m_dConst;                                                                                \
            return EVALUATE;                                                                                           \
        }                                                                                                              \
        TextPrecedence Precedence(bool) const override { return TextPrecedence::PRECEDENCE; }                          \
                                                                                                                       \
    private:                                                                                                           \
        bool constantTest() const;                                                                                     \
        bool zeroTest() const;                                                                                         \
    };

CORVANA_CONSTANT_FORM(CAdd0Function, g + k, Sum)               // g + k
CORVANA_CONSTANT_FORM(CSubL0Function, k - g, Sum)              // k − g
CORVANA_CONSTANT_FORM(CSubR0Function, g - k, Sum)              // g − k
CORVANA_CONSTANT_FORM(CMul0Function, g* k, Product)            // g·k
CORVANA_CONSTANT_FORM(CDivL0Function, k / g, Product)          // k / g
CORVANA_CONSTANT_FORM(CDivR0Function, g / k, Product)          // g / k
CORVANA_CONSTANT_FORM(CPowerL0Function, std::pow(k, g), Power) // k to the power g
CORVANA_CONSTANT_FORM(CPowerR0Function, std::pow(g, k), Power) // g to the power k
#undef CORVANA_CONSTANT_FORM

// ---- two-operand operators ------------------------------------------------------------------

#define CORVANA_OPERATOR(NAME, OP, PRECEDENCE)                                                                         \
    template <class T> class NAME final : public CFunction2<T> {                                                       \
    public:                                                                                                            \
        NAME(FunctionPtr<T> left, FunctionPtr<T> right) : CFunction2<T>(std::move(left), std::move(right)) {           \
            this->setStructure(constantTest(), zeroTest());                                                            \
        }                                                                                                              \
        CMathString ToText() const override;                                                                           \
        CMathString ToLaTeX() const override;                                                                          \
        FunctionPtr<T> Derive() const override;                                                                        \
        FunctionPtr<T> Clone(bool simplify) const override;                                                            \
        T Evaluate(T x) const override {                                                                               \
            const T l = this->m_pLeft->Evaluate(x);                                                                    \
            const T r = this->m_pRight->Evaluate(x);                                                                   \
            return OP;                                                                                                 \
        }                                                                                                              \
        TextPrecedence Precedence(bool) const override { return TextPrecedence::PRECEDENCE; }                          \
                                                                                                                       \
    private:                                                                                                           \
        bool constantTest() const;                                                                                     \
        bool zeroTest() const;                                                                                         \
    };

CORVANA_OPERATOR(CAddFunction, l + r, Sum)
CORVANA_OPERATOR(CSubFunction, l - r, Sum)
CORVANA_OPERATOR(CMulFunction, l* r, Product)
CORVANA_OPERATOR(CDivFunction, l / r, Product)
CORVANA_OPERATOR(CPowerFunction, std::pow(l, r), Power)
#undef CORVANA_OPERATOR

// ---- instances ------------------------------------------------------------------------------
// The library compiles the family for double; users of the headers do not instantiate it again.

#define CORVANA_FORMULA_NODE_CLASSES(X)                                                                                \
    X(CFunction<double>)                                                                                               \
    X(CFunction1<double>)                                                                                              \
    X(CFunction2<double>)                                                                                              \
    X(CConstFunction<double>)                                                                                          \
    X(CNullFunction<double>)                                                                                           \
    X(CIdentityFunction<double>)                                                                                       \
    X(CPolynom1Function<double>)                                                                                       \
    X(CPolynom2Function<double>)                                                                                       \
    X(CPolygammaFunction<double>)                                                                                      \
    X(CNegFunction<double>)                                                                                            \
    X(CConstantFormFunction<double>)                                                                                   \
    X(CAdd0Function<double>)                                                                                           \
    X(CSubL0Function<double>)                                                                                          \
    X(CSubR0Function<double>)                                                                                          \
    X(CMul0Function<double>)                                                                                           \
    X(CDivL0Function<double>)                                                                                          \
    X(CDivR0Function<double>)                                                                                          \
    X(CPowerL0Function<double>)                                                                                        \
    X(CPowerR0Function<double>)                                                                                        \
    X(CAddFunction<double>)                                                                                            \
    X(CSubFunction<double>)                                                                                            \
    X(CMulFunction<double>)                                                                                            \
    X(CDivFunction<double>)                                                                                            \
    X(CPowerFunction<double>)

#define CORVANA_FORMULA_NAMED_OPS(X)                                                                                   \
    X(AbsOp)                                                                                                           \
    X(AcosOp)                                                                                                          \
    X(AsinOp)                                                                                                          \
    X(AtanOp)                                                                                                          \
    X(CeilOp)                                                                                                          \
    X(CosOp)                                                                                                           \
    X(CoshOp)                                                                                                          \
    X(CotOp)                                                                                                           \
    X(CothOp)                                                                                                          \
    X(ExpOp)                                                                                                           \
    X(FloorOp)                                                                                                         \
    X(GammaOp)                                                                                                         \
    X(LogOp)                                                                                                           \
    X(Log10Op)                                                                                                         \
    X(SignOp)                                                                                                          \
    X(SinOp)                                                                                                           \
    X(SinhOp)                                                                                                          \
    X(SqrOp)                                                                                                           \
    X(SqrtOp)                                                                                                          \
    X(TanOp)                                                                                                           \
    X(TanhOp)

#define CORVANA_EXTERN_CLASS(C) extern template class C;
#define CORVANA_EXTERN_NAMED(OP)                                                                                       \
    extern template class FunctionOfX<double, OP>;                                                                     \
    extern template class FunctionOfArg<double, OP>;
CORVANA_FORMULA_NODE_CLASSES(CORVANA_EXTERN_CLASS)
CORVANA_FORMULA_NAMED_OPS(CORVANA_EXTERN_NAMED)
#undef CORVANA_EXTERN_CLASS
#undef CORVANA_EXTERN_NAMED
