// Formula engine against muparser: parsing (text to something that evaluates, plus one
// evaluation) and evaluation of typical formulas. Prints the time ratios ours / muparser.
// Goals: evaluation at most 2x muparser's time, parsing no slower than muparser.

#include "BenchSupport.h"
#include "formula/Formula.h"

#include <benchmark/benchmark.h>
#include <muParser.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Formula {
    const char* label;
    const char* ours;
    const char* muparser;
};

const Formula kFormulas[] = {
    {"x*1.19", "x*1.19", "x*1.19"},
    {"(x-100)/100*100", "(x-100)/100*100", "(x-100)/100*100"},
    {"sqrt(x)*ln(x)+2^x", "sqrt(x)*ln(x)+2^x", "sqrt(x)*ln(x)+2^x"},
    {"40 nodes",
     "(x*1.19-(x-100)/100*100)/(1+x*x)+sqrt(x)*ln(x)-2^(x/100)+abs(sin(x)*cos(x))-exp(-x/50)*tanh(x/10)+x^3/1000-"
     "atan(x)*lg(x+1)",
     "(x*1.19-(x-100)/100*100)/(1+x*x)+sqrt(x)*ln(x)-2^(x/100)+abs(sin(x)*cos(x))-exp(-x/50)*tanh(x/10)+x^3/1000-"
     "atan(x)*log10(x+1)"},
};
constexpr int kFormulaCount = sizeof(kFormulas) / sizeof(kFormulas[0]);

// Arguments cycle through typical quotation values.
inline double argumentFor(std::size_t i) {
    return 50.0 + static_cast<double>(i & 255) * 0.75;
}

int countNodes(const CFunction<double>& f) {
    if (auto* one = dynamic_cast<const CFunction1<double>*>(&f))
        return 1 + countNodes(one->Arg());
    if (auto* two = dynamic_cast<const CFunction2<double>*>(&f))
        return 1 + countNodes(two->Left()) + countNodes(two->Right());
    return 1;
}

void BM_EvaluateOurs(benchmark::State& state) {
    const Formula& formula = kFormulas[state.range(0)];
    auto tree = ParseFunction<double>(formula.ours, "X");
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(tree->Evaluate(argumentFor(i++)));
}

void BM_EvaluateMuparser(benchmark::State& state) {
    const Formula& formula = kFormulas[state.range(0)];
    double x = 0;
    mu::Parser parser;
    parser.DefineVar("x", &x);
    parser.SetExpr(formula.muparser);
    parser.Eval();
    std::size_t i = 0;
    for (auto _ : state) {
        x = argumentFor(i++);
        benchmark::DoNotOptimize(parser.Eval());
    }
}

void BM_ParseOurs(benchmark::State& state) {
    const Formula& formula = kFormulas[state.range(0)];
    std::size_t i = 0;
    for (auto _ : state) {
        auto tree = ParseFunction<double>(formula.ours, "X");
        benchmark::DoNotOptimize(tree->Evaluate(argumentFor(i++)));
    }
}

// muparser compiles its expression at the first evaluation after SetExpr.
void BM_ParseMuparser(benchmark::State& state) {
    const Formula& formula = kFormulas[state.range(0)];
    double x = 0;
    mu::Parser parser;
    parser.DefineVar("x", &x);
    std::size_t i = 0;
    for (auto _ : state) {
        x = argumentFor(i++);
        parser.SetExpr(formula.muparser);
        benchmark::DoNotOptimize(parser.Eval());
    }
}

BENCHMARK(BM_EvaluateOurs)->DenseRange(0, kFormulaCount - 1);
BENCHMARK(BM_EvaluateMuparser)->DenseRange(0, kFormulaCount - 1);
BENCHMARK(BM_ParseOurs)->DenseRange(0, kFormulaCount - 1);
BENCHMARK(BM_ParseMuparser)->DenseRange(0, kFormulaCount - 1);

// The ratios after the usual report.
void printRatios(const benchsupport::RatioReporter& reporter) {
    // CPU time per iteration in nanoseconds.
    const auto time = [&reporter](const char* benchmark, int formula) {
        return reporter.cpuTime(std::string(benchmark) + "/" + std::to_string(formula)) * 1e9;
    };
    std::printf("\nRatios ours / muparser (CPU time per iteration; goals: evaluate <= 2, parse <= 1)\n");
    std::printf("%-20s %6s %12s %12s %8s %12s %12s %8s\n", "formula", "nodes", "eval ours", "eval mu", "ratio",
                "parse ours", "parse mu", "ratio");
    for (int i = 0; i < kFormulaCount; ++i) {
        const double eo = time("BM_EvaluateOurs", i), em = time("BM_EvaluateMuparser", i);
        const double po = time("BM_ParseOurs", i), pm = time("BM_ParseMuparser", i);
        const auto tree = ParseFunction<double>(kFormulas[i].ours, "X");
        std::printf("%-20s %6d %10.1fns %10.1fns %8.2f %10.1fns %10.1fns %8.2f\n", kFormulas[i].label,
                    countNodes(*tree), eo, em, eo / em, po, pm, po / pm);
    }
}

// Both engines must compute the same values, or the comparison means nothing.
bool sameValues() {
    bool same = true;
    for (const Formula& formula : kFormulas) {
        auto tree = ParseFunction<double>(formula.ours, "X");
        double x = 0;
        mu::Parser parser;
        parser.DefineVar("x", &x);
        parser.SetExpr(formula.muparser);
        for (std::size_t i = 0; i < 256; ++i) {
            x = argumentFor(i);
            const double ours = tree ? tree->Evaluate(x) : NAN, theirs = parser.Eval();
            if (!(std::fabs(ours - theirs) <= 1e-9 * std::fabs(theirs))) {
                std::printf("value mismatch for %s at x=%g: %.17g vs %.17g\n", formula.label, x, ours, theirs);
                same = false;
                break;
            }
        }
    }
    return same;
}

} // namespace

int main(int argc, char** argv) {
    if (!sameValues())
        return 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
