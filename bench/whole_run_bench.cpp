// A whole run of each bundled example in memory: reading the input texts,
// every cycle, the traces of the output cycle and the reports. Reported also
// per cylinder and cycle ("per_cyl_cycle"), the cost a map point pays for each
// cylinder of each cycle it simulates.
#include <benchmark/benchmark.h>

#include <memory>
#include <optional>

#include "bench_states.hpp"
#include "driver/in_memory_run.hpp"
#include "case/run_inputs.hpp"
#include "report/trace_table.hpp"

namespace diesel::bench {
namespace {

int32_t read_ncyl(const InputTexts& texts) {
    auto s = std::make_unique<RunState>();
    read_inputs(*s, texts);
    return s->NCYL;
}

// `recorded`: with the full-precision trace of every cylinder that --export and
// the Python module keep; without it a run must cost what it did before there was one.
void BM_WholeRun(benchmark::State& st, const char* example, bool recorded) {
    const InputTexts texts = example_texts(example);
    int32_t cycles = 0;
    int32_t ncyl = 0;
    for (auto _ : st) {
        std::optional<TraceTable> traces;
        if (recorded) traces.emplace(read_ncyl(texts));
        InMemoryRun run = run_in_memory(texts, traces ? &*traces : nullptr);
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
BENCHMARK_CAPTURE(BM_WholeRun, c1_fixed, "c1_fixed", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeRun, c1_load, "c1_load", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeRun, c4_fixed, "c4_fixed", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeRun, c12_fixed, "c12_fixed", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeRun, c4_fixed_recorded, "c4_fixed", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WholeRun, c12_fixed_recorded, "c12_fixed", true)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace diesel::bench
