// libFuzzer target over a whole run in memory: any input the reader accepts
// runs through set-up, the cycles and the final reports without a crash or a
// sanitizer report, and ends in one of the documented ways. The cycle count
// and the corrector passes are capped so that one input takes well under a
// second.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>

#include "driver/simulation.hpp"
#include "case/run_inputs.hpp"
#include "report/result_check.hpp"
#include "split_input.hpp"
#include "state/run_io.hpp"
#include "state/run_state.hpp"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

constexpr int32_t kMaxCycles = 3;     // cycles per fuzzed run
constexpr int32_t kMaxPasses = 3;     // ITMAX per fuzzed run

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace diesel;
    auto s = std::make_unique<RunState>();
    try {
        read_inputs(*s, fuzz::split_input(data, size));
    } catch (const InputError&) {
        return 0;
    }
    if (s->MAXCYC > kMaxCycles) s->MAXCYC = kMaxCycles;
    if (s->ITMAX > kMaxPasses) s->ITMAX = kMaxPasses;

    std::ostringstream f8, f9, f10, f12, f13, f15, f16, console, diag;
    const OutputSinks sinks{&f8, &f9, &f10, &f12, &f13, &f15, &f16, &console, &diag};
    const RunOutcome outcome = run_simulation(*s, sinks);

    // Completed, or one line saying why not.
    if (outcome.end == RunEnd::Completed) {
        require(outcome.reason.empty());
    } else {
        require(!outcome.reason.empty() && outcome.reason.find('\n') == std::string::npos);
    }
    // The final reports are always written.
    require(!f13.str().empty() && !f15.str().empty() && !f16.str().empty());
    // A one- or two-cylinder run rewrites the start table unless its state turned non-finite.
    require(outcome.rewritesStartTable == (s->NCYL <= 2 && outcome.end != RunEnd::NonFiniteState));
    // A completed run has finite figures; one that has not says which.
    const bool finite = first_non_finite_figure(*s).name == nullptr;
    if (outcome.end == RunEnd::Completed) require(finite);
    if (outcome.end == RunEnd::NonFiniteResult) require(!finite);
    return 0;
}
