// Reading a case: a case.toml of the 4-cylinder example (every key, its
// comments, the start table by name), against the fort files of the same case.
// A folder of thousands of points reads one case file per point, so reading
// must stay well under a millisecond.
#include <benchmark/benchmark.h>

#include "bench_states.hpp"
#include "case/case_toml.hpp"
#include "case/fort_files.hpp"

namespace diesel::bench {
namespace {

void BM_ReadCaseToml(benchmark::State& st) {
    const std::string text = write_case_toml(read_fort_case(example_texts("c4_fixed")));
    for (auto _ : st) {
        Case c = read_case_toml(text, "case.toml");
        benchmark::DoNotOptimize(c.real(Item::SPEED));
    }
    st.counters["bytes"] = static_cast<double>(text.size());
}

void BM_ReadFortFiles(benchmark::State& st) {
    const InputTexts texts = example_texts("c4_fixed");
    for (auto _ : st) {
        Case c = read_fort_case(texts);
        benchmark::DoNotOptimize(c.real(Item::SPEED));
    }
}

void BM_WriteCaseToml(benchmark::State& st) {
    const Case c = read_fort_case(example_texts("c4_fixed"));
    for (auto _ : st) {
        std::string text = write_case_toml(c);
        benchmark::DoNotOptimize(text.data());
    }
}

BENCHMARK(BM_ReadCaseToml)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadFortFiles)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteCaseToml)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace diesel::bench
