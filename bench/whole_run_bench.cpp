// A whole run of each bundled example in memory: reading the input texts,
// every cycle, the traces of the output cycle and the reports. Reported also
// per cylinder and cycle ("per_cyl_cycle"), the cost a map point pays for each
// cylinder of each cycle it simulates.
#include <benchmark/benchmark.h>

#include "bench_states.hpp"
#include "driver/in_memory_run.hpp"

namespace diesel::bench {
namespace {

void BM_WholeRun(benchmark::State& st, const char* example) {
    const InputTexts texts = example_texts(example);
    int32_t cycles = 0;
    int32_t ncyl = 0;
    for (auto _ : st) {
        InMemoryRun run = run_in_memory(texts);
        cycles = run.outcome.cycle;
        ncyl = run.state->NCYL;
        benchmark::DoNotOptimize(run.fort8.data());
    }
    st.counters["cycles"] = cycles;
    st.counters["per_cyl_cycle"] = benchmark::Counter(static_cast<double>(cycles) * ncyl,
                                                      benchmark::Counter::kIsIterationInvariantRate |
                                                          benchmark::Counter::kInvert);
}

// The same run forming no text, as a map point that only needs the final figures.
void BM_FiguresOnly(benchmark::State& st, const char* example) {
    const InputTexts texts = example_texts(example);
    for (auto _ : st) {
        InMemoryRun run = run_in_memory(texts, WantedTexts{false, false});
        benchmark::DoNotOptimize(run.state->PE);
    }
}

BENCHMARK_CAPTURE(BM_FiguresOnly, c1_load, "c1_load")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeRun, c1_fixed, "c1_fixed")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeRun, c1_load, "c1_load")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeRun, c4_fixed, "c4_fixed")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeRun, c12_fixed, "c12_fixed")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace diesel::bench
