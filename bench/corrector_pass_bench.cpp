// One corrector pass for 1, 4 and 12 cylinders, its floor (the same maths-
// library calls and nothing else) and one whole crank step.
//
// A pass is timed on eight states 90 degrees of crank angle apart, each at
// the fixed point of its corrector, and reported per pass ("per_pass"), so a
// single cylinder counts in every phase of its cycle. The floor makes exactly
// the pow and sqrt calls those eight passes make, with their arguments; the
// ratio pass/floor is how much the loop costs beyond the calls it cannot avoid.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bench_states.hpp"
#include "driver/crank_step.hpp"
#include "pass_math_calls.hpp"

namespace diesel::bench {
namespace {

void per_pass_counter(benchmark::State& st, double passes) {
    st.counters["per_pass"] =
        benchmark::Counter(passes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_CorrectorPass(benchmark::State& st) {
    const int ncyl = static_cast<int>(st.range(0));
    auto states = states_at(example_for_cylinders(ncyl), cycle_angles());
    for (auto _ : st) {
        for (auto& p : states) {
            // No power carried over: every pass forms its powers, as the floor counts them.
            PassPowers powers;
            benchmark::DoNotOptimize(corrector_pass(*p.s, p.wall, powers));
        }
        benchmark::ClobberMemory();
    }
    per_pass_counter(st, static_cast<double>(states.size()));
}

void BM_CorrectorPassFloor(benchmark::State& st) {
    const int ncyl = static_cast<int>(st.range(0));
    const auto states = states_at(example_for_cylinders(ncyl), cycle_angles());
    PassMathCalls calls;
    for (const auto& p : states) collect_pass_math_calls(*p.s, p.wall, calls);
    for (auto _ : st) {
        for (const PowCall& p : calls.pow) benchmark::DoNotOptimize(std::pow(p.x, p.y));
        for (const float x : calls.sqrt) benchmark::DoNotOptimize(std::sqrt(x));
    }
    per_pass_counter(st, static_cast<double>(states.size()));
    st.counters["pow_per_pass"] = static_cast<double>(calls.pow.size()) / static_cast<double>(states.size());
    st.counters["sqrt_per_pass"] = static_cast<double>(calls.sqrt.size()) / static_cast<double>(states.size());
}

// One accepted crank step (head, predictor, corrector passes, history entry,
// end-of-step copy), stepping on through the cycle of a converged run.
void BM_CrankStep(benchmark::State& st) {
    const int ncyl = static_cast<int>(st.range(0));
    auto states = states_at(example_for_cylinders(ncyl), {0.0f});
    RunState& s = *states.front().s;
    // Back to the state before the prepared step head.
    s.PHI = s.PHI - s.DPH;
    StepHead head(s);
    for (auto _ : st) {
        benchmark::DoNotOptimize(solve_step(s, head));
        accept_without_output(s);
    }
    st.counters["per_step"] =
        benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_CorrectorPass)->ArgName("ncyl")->Arg(1)->Arg(4)->Arg(12);
BENCHMARK(BM_CorrectorPassFloor)->ArgName("ncyl")->Arg(1)->Arg(4)->Arg(12);
BENCHMARK(BM_CrankStep)->ArgName("ncyl")->Arg(1)->Arg(4)->Arg(12);

}  // namespace
}  // namespace diesel::bench
