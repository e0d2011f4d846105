// A three-parameter calibration (SOC, DURC0, MWIEB0) of the 1-cylinder
// fixed-fuel example against its bundled measured trace, as calibrate runs it:
// from the analysis's Wiebe fit, from the averaged and smoothed analysis, and
// from the case's own values. Counters: the model runs of one calibration and
// the RMS difference it reaches. A calibration should need at most 400 runs
// and 15 s.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "analysis/calibration.hpp"
#include "bench_states.hpp"
#include "case/fort_files.hpp"

namespace diesel::bench {
namespace {

std::string bundled_trace() {
    std::ifstream in(std::string(DIESEL_SOURCE_DIR) + "/examples/c1_fixed/measured-pressure.csv", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void BM_Calibrate(benchmark::State& st, int32_t cycles, double smooth, bool startFromCase) {
    const PressureTrace trace = read_pressure_trace(bundled_trace(), "measured-pressure.csv");
    CalibrationResult r;
    for (auto _ : st) {
        // The case's run and the analysis are part of every calibration.
        const AnalysisCase c = prepare_case(read_fort_case(example_texts("c1_fixed")), "c1_fixed");
        AnalysisOptions trace_options;
        trace_options.cycles = cycles;
        trace_options.smooth = smooth;
        const AnalysisResult analysis = analyse_pressure(c, trace, trace_options);
        CalibrationOptions o;
        o.startFromCase = startFromCase;
        r = calibrate(c, analysis, o, nullptr);
        benchmark::DoNotOptimize(r.fitted.data());
    }
    st.counters["runs"] = r.runs;
    st.counters["rms_bar"] = r.rms;
    st.counters["SOC"] = r.fitted.empty() ? 0.0 : r.fitted[0];
    st.counters["DURC0"] = r.fitted.empty() ? 0.0 : r.fitted[1];
    st.counters["MWIEB0"] = r.fitted.empty() ? 0.0 : r.fitted[2];
}

BENCHMARK_CAPTURE(BM_Calibrate, from_analysis, 1, 0.0, false)->Unit(benchmark::kSecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Calibrate, from_analysis_2cycles_smooth3, 2, 3.0, false)->Unit(benchmark::kSecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Calibrate, from_case, 1, 0.0, true)->Unit(benchmark::kSecond)->Iterations(3);

}  // namespace
}  // namespace diesel::bench
